#include "data/ini_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>
#include <set>

#include "platform/errors.h"
#include "platform/gbk.h"
#include "platform/text.h"

namespace trunaccount {

namespace {

constexpr std::size_t kLargestFile = std::size_t{256} << 20;

std::function<void(const std::string&)>& beforeRenameHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
    throw SettingsError("settings file " + path + ": " + reason);
}

// Calls f(offset, length, carriage return) for each line of the text: where
// the line starts, its length without its end, and whether "\r\n" ends it
// (rather than "\n", or nothing for an unterminated last line: `ended` false).
template <class F>
void forEachLine(std::string_view text, F f) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto lf = text.find('\n', pos);
        if (lf == std::string_view::npos) {
            f(pos, text.size() - pos, false, false);
            return;
        }
        bool cr = lf > pos && text[lf - 1] == '\r';
        f(pos, lf - pos - (cr ? 1 : 0), true, cr);
        pos = lf + 1;
    }
}

}  // namespace

IniDocument IniDocument::parse(std::string_view text) { return fromText(std::string(text)); }

IniDocument IniDocument::fromText(std::string text) {
    // Offsets are 32 bits.
    if (text.size() >= (std::size_t{1} << 30)) throw std::length_error("settings text of a gigabyte or more");
    IniDocument doc;
    doc.text_ = std::move(text);
    doc.lines_.reserve(static_cast<std::size_t>(std::count(doc.text_.begin(), doc.text_.end(), '\n')) + 1);
    forEachLine(doc.text_, [&](std::size_t at, std::size_t length, bool ended, bool cr) {
        Line line;
        line.textAt = static_cast<std::uint32_t>(at);
        line.textLength = static_cast<std::uint32_t>(length);
        line.eol = !ended ? Eol::None : cr ? Eol::CrLf : Eol::Lf;
        doc.classify(line);
        doc.lines_.push_back(line);
    });
    if (!doc.lines_.empty() && doc.lines_.front().eol == Eol::CrLf) doc.eol_ = Eol::CrLf;
    return doc;
}

IniDocument IniDocument::decode(std::string bytes) {
    IniDocument doc = fromText(platform::systemFileTextToUtf8(bytes));
    // Line feeds and carriage returns convert one for one, so the lines of the
    // bytes are the lines of the text, in the same order.
    std::size_t i = 0;
    forEachLine(bytes, [&](std::size_t at, std::size_t length, bool, bool) {
        if (i < doc.lines_.size()) {
            doc.lines_[i].bytesAt = static_cast<std::uint32_t>(at);
            doc.lines_[i].bytesLength = static_cast<std::uint32_t>(length);
            doc.lines_[i].asRead = true;
        }
        ++i;
    });
    if (i != doc.lines_.size()) {
        for (auto& line : doc.lines_) line.asRead = false;
        return doc;
    }
    doc.bytes_ = std::move(bytes);
    return doc;
}

std::string_view IniDocument::eolText(Eol eol) {
    switch (eol) {
    case Eol::Lf: return "\n";
    case Eol::CrLf: return "\r\n";
    case Eol::None: break;
    }
    return {};
}

std::string_view IniDocument::text(const Line& line) const {
    if (line.owned != kNotOwned) return owned_[line.owned];
    return std::string_view(text_).substr(line.textAt, line.textLength);
}

IniDocument::Line IniDocument::newLine(std::string text) {
    Line line;
    line.owned = static_cast<std::uint32_t>(owned_.size());
    owned_.push_back(std::move(text));
    line.eol = eol_;
    classify(line);
    return line;
}

void IniDocument::classify(Line& line) const {
    std::string_view raw = text(line);
    auto offset = [&](std::string_view part) { return static_cast<std::size_t>(part.data() - raw.data()); };
    line.kind = Kind::Other;
    line.nameAt = line.nameLength = 0;
    std::string_view t = trimSpaces(raw);
    std::string_view name;
    if (!t.empty() && t.front() == '[') {
        auto close = t.find(']');
        if (close == std::string_view::npos) return;
        line.kind = Kind::Section;
        name = trimSpaces(t.substr(1, close - 1));
    } else if (!t.empty() && t.front() != ';' && t.front() != '#') {
        auto eq = t.find('=');
        if (eq == std::string_view::npos) return;
        line.kind = Kind::Key;
        name = trimSpaces(t.substr(0, eq));
    } else {
        return;
    }
    line.nameAt = name.empty() ? 0 : static_cast<std::uint32_t>(offset(name));
    line.nameLength = static_cast<std::uint32_t>(name.size());
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const auto& l : lines_) {
        if (l.kind == Kind::Section) {
            if (inSection) return std::nullopt;  // only the first section of that name counts
            inSection = platform::equalsIgnoreAsciiCase(name(l), section);
        } else if (inSection && l.kind == Kind::Key && platform::equalsIgnoreAsciiCase(name(l), key)) {
            std::string_view t = text(l);
            std::string_view v = trimSpaces(t.substr(t.find('=') + 1));
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            return std::string(v);
        }
    }
    return std::nullopt;
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value) {
    std::size_t sectionAt = lines_.size();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section && platform::equalsIgnoreAsciiCase(name(lines_[i]), section)) {
            sectionAt = i;
            break;
        }
    }
    if (sectionAt == lines_.size()) {
        modified_ = true;
        append("[" + std::string(section) + "]");
        append(std::string(key) + "=" + std::string(value));
        return;
    }
    std::size_t insertAt = sectionAt + 1;  // after the last key of the section
    for (std::size_t i = sectionAt + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
        Line& l = lines_[i];
        if (l.kind != Kind::Key) continue;
        if (platform::equalsIgnoreAsciiCase(name(l), key)) {
            std::string newText = std::string(name(l)) + "=" + std::string(value);
            if (newText == text(l)) return;
            modified_ = true;
            Line changed = newLine(std::move(newText));
            changed.eol = l.eol;
            l = changed;
            return;
        }
        insertAt = i + 1;
    }
    modified_ = true;
    if (insertAt == lines_.size()) {
        append(std::string(key) + "=" + std::string(value));
        return;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine(std::string(key) + "=" + std::string(value)));
}

void IniDocument::append(std::string text) {
    if (!lines_.empty() && lines_.back().eol == Eol::None) lines_.back().eol = eol_;
    lines_.push_back(newLine(std::move(text)));
}

std::string IniDocument::serialize() const {
    std::string out;
    out.reserve(text_.size() + 64);
    for (const auto& l : lines_) {
        out += text(l);
        out += eolText(l.eol);
    }
    return out;
}

std::string IniDocument::encode() const {
    std::string out;
    out.reserve(bytes_.size() + 64);
    std::string changed;  // consecutive changed lines, converted together
    auto flush = [&] {
        out += platform::utf8ToSystemFileText(changed);
        changed.clear();
    };
    for (const auto& l : lines_) {
        if (l.asRead) {
            if (!changed.empty()) flush();
            out.append(bytes_, l.bytesAt, l.bytesLength);
            out += eolText(l.eol);
        } else {
            changed += text(l);
            changed += eolText(l.eol);
        }
    }
    if (!changed.empty()) flush();
    return out;
}

IniDocument loadIniFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return IniDocument::parse("");
        fail(path, std::strerror(errno));
    }
    std::string bytes;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    int err = errno;
    if (ok && (!S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > kLargestFile)) {
        ::close(fd);
        fail(path, S_ISREG(st.st_mode) ? "larger than 256 MB: not a settings file" : "not a regular file");
    }
    bool tooLarge = false;
    if (ok) {
        // Read to the end, which may lie beyond the size seen if the file grows meanwhile.
        bytes.reserve(static_cast<std::size_t>(st.st_size) + 4096);
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        for (;;) {
            if (done == bytes.size()) bytes.resize(bytes.size() + 4096);
            ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = n == 0;
                err = errno;
                break;
            }
            done += static_cast<std::size_t>(n);
            if (done > kLargestFile) {
                tooLarge = true;
                break;
            }
        }
        bytes.resize(done);
    }
    ::close(fd);
    if (!ok) fail(path, std::string("read error: ") + std::strerror(err));
    if (tooLarge) fail(path, "larger than 256 MB: not a settings file");
    // Windows writes "Unicode" profiles in UTF-16; adding GBK lines to one would spoil it.
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        fail(path, "the file is in UTF-16, not GBK; save it in GBK (code page 936)");
    return IniDocument::decode(std::move(bytes));
}

namespace {

// A temporary file is named after the file it replaces: "<name>.~saving-" and
// six random characters.
constexpr std::string_view kTempMark = ".~saving-";
constexpr std::size_t kTempRandomLength = 6;

std::string folderOf(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The file a write replaces: the path itself, or where its chain of symbolic
// links ends (which need not exist yet).
std::string followLinks(const std::string& path) {
    std::filesystem::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(p, ec))) return p.string();
        std::filesystem::path target = std::filesystem::read_symlink(p, ec);
        if (ec) fail(path, "cannot read the symbolic link: " + ec.message());
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    fail(path, "too many symbolic links");
}

// Whether the user has made the file read-only: no write permission for anyone
// (respected even where the permissions would not stop us), or none for us, or
// a read-only file system.
bool isReadOnly(const std::string& file, const struct stat& st) {
    if ((st.st_mode & 0222) == 0) return true;
    return ::access(file.c_str(), W_OK) != 0 && (errno == EACCES || errno == EPERM || errno == EROFS);
}

// The first time this process meets `path` read-only.
bool firstReadOnlyNotice(const std::string& path) {
    static std::mutex mutex;
    static std::set<std::string> noticed;
    std::lock_guard lock(mutex);
    return noticed.insert(path).second;
}

// Removes the temporary files that writes of `target` left when they were
// killed before their rename. A write holds a lock on its temporary file from
// its creation to the rename, so a file that can be locked belongs to no write
// still running; a write that finds its new file gone before it got the lock
// starts over with another (see createTemp).
void removeAbandonedTemps(const std::string& target) {
    std::string folder = folderOf(target);
    std::string prefix = nameOf(target) + std::string(kTempMark);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + kTempRandomLength || !name.starts_with(prefix)) continue;
        std::string candidate = folder + "/" + std::string(name);
        int fd = ::open(candidate.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::lstat(candidate.c_str(), &named) == 0 && sameFile(opened, named))
            ::unlink(candidate.c_str());
        ::close(fd);  // releases the lock
    }
    ::closedir(dir);
}

// Creates and locks the temporary file for a new content of `target`; the lock
// lasts until the descriptor is closed. Returns -1 with errno set on failure.
int createTemp(const std::string& target, std::string& temp) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        temp = target + std::string(kTempMark) + std::string(kTempRandomLength, 'X');
        int fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        int r;
        do r = ::flock(fd, LOCK_EX);
        while (r != 0 && errno == EINTR);
        // Without locks on this file system no one removes the file either.
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && ::lstat(temp.c_str(), &named) == 0 && sameFile(opened, named)) return fd;
        ::close(fd);  // another process took it for abandoned between its creation and our lock
    }
    errno = EAGAIN;
    return -1;
}

}  // namespace

namespace {

std::string encodeFor(const std::string& path, const IniDocument& doc) {
    try {
        return doc.encode();
    } catch (const EncodingError& e) {
        fail(path, e.what());
    }
}

void replaceFile(const std::string& path, const std::string& bytes);

}  // namespace

void saveIniFile(const std::string& path, const IniDocument& doc) { replaceFile(path, encodeFor(path, doc)); }

bool saveIniFileIfChanged(const std::string& path, const IniDocument& doc) {
    if (!doc.modified()) return false;
    std::string bytes = encodeFor(path, doc);
    if (bytes == doc.decodedBytes()) return false;
    replaceFile(path, bytes);
    return true;
}

namespace {

void replaceFile(const std::string& path, const std::string& bytes) {
    const std::string target = followLinks(path);
    // Keep the permissions and owner of the file being replaced; a new file gets the usual ones.
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) fail(path, std::strerror(errno));
    if (exists && S_ISDIR(old.st_mode)) fail(path, "is a folder, not a file");
    if (exists && !S_ISREG(old.st_mode)) fail(path, "not a regular file");
    if (exists && isReadOnly(target, old))
        throw SettingsReadOnlyError("settings file " + path + ": read-only, left unchanged", path,
                                    firstReadOnlyNotice(path));

    removeAbandonedTemps(target);
    std::string temp;
    int fd = createTemp(target, temp);
    if (fd < 0) fail(path, std::string("cannot create a file in its folder: ") + std::strerror(errno));
    auto abandon = [&](const std::string& reason) {
        ::unlink(temp.c_str());
        ::close(fd);
        fail(path, reason);
    };
    mode_t mode = 0666;
    if (exists) {
        mode = old.st_mode & 07777;
        // Only a privileged process may give the new file to the old one's owner;
        // any other writes it as its own.
        [[maybe_unused]] int given = ::fchown(fd, old.st_uid, old.st_gid);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    if (::fchmod(fd, mode) != 0) abandon(std::string("cannot set permissions: ") + std::strerror(errno));
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            abandon(std::string("write failed: ") + std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) abandon(std::string("flush failed: ") + std::strerror(errno));
    try {
        if (auto& hook = beforeRenameHook()) hook(temp);
    } catch (...) {
        ::unlink(temp.c_str());
        ::close(fd);
        throw;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) abandon(std::string("cannot replace the file: ") + std::strerror(errno));
    ::close(fd);  // the lock goes; the file is no longer a temporary one

    // The rename itself must reach the disk, or a crash could bring the old file back.
    int dirFd = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        int r = ::fsync(dirFd);
        int err = errno;
        ::close(dirFd);
        if (r != 0 && err != EINVAL && err != EROFS)
            fail(path, std::string("the file was replaced, but flushing its folder failed: ") + std::strerror(err));
    }
}

}  // namespace

void setIniBeforeRenameHookForTesting(std::function<void(const std::string&)> hook) {
    beforeRenameHook() = std::move(hook);
}

}  // namespace trunaccount
