#include "data/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/errors.h"
#include "platform/gbk.h"
#include "platform/text.h"

namespace trunaccount {

namespace {

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

}  // namespace

IniDocument IniDocument::parse(std::string_view text) {
    IniDocument doc;
    auto firstLf = text.find('\n');
    if (firstLf != std::string_view::npos && firstLf > 0 && text[firstLf - 1] == '\r') doc.eol_ = "\r\n";
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto lf = text.find('\n', pos);
        std::string_view raw = text.substr(pos, lf == std::string_view::npos ? std::string_view::npos : lf - pos);
        pos = lf == std::string_view::npos ? text.size() : lf + 1;
        Line line;
        if (lf != std::string_view::npos) {
            line.eol = "\n";
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
                line.eol = "\r\n";
            }
        }
        line.text = std::string(raw);
        std::string_view t = trimSpaces(raw);
        if (!t.empty() && t.front() == '[') {
            auto close = t.find(']');
            if (close != std::string_view::npos) {
                line.kind = Line::Kind::Section;
                line.name = std::string(trimSpaces(t.substr(1, close - 1)));
            }
        } else if (!t.empty() && t.front() != ';' && t.front() != '#') {
            auto eq = t.find('=');
            if (eq != std::string_view::npos) {
                line.kind = Line::Kind::Key;
                line.name = std::string(trimSpaces(t.substr(0, eq)));
            }
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const {
    bool inSection = false;
    for (const auto& l : lines_) {
        if (l.kind == Line::Kind::Section) {
            if (inSection) return std::nullopt;  // only the first section of that name counts
            inSection = platform::equalsIgnoreAsciiCase(l.name, section);
        } else if (inSection && l.kind == Line::Kind::Key && platform::equalsIgnoreAsciiCase(l.name, key)) {
            std::string_view v = trimSpaces(std::string_view(l.text).substr(l.text.find('=') + 1));
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
        if (lines_[i].kind == Line::Kind::Section && platform::equalsIgnoreAsciiCase(lines_[i].name, section)) {
            sectionAt = i;
            break;
        }
    }
    if (sectionAt == lines_.size()) {
        append({Line::Kind::Section, "[" + std::string(section) + "]", std::string(section), eol_});
        append({Line::Kind::Key, std::string(key) + "=" + std::string(value), std::string(key), eol_});
        return;
    }
    std::size_t insertAt = sectionAt + 1;  // after the last key of the section
    for (std::size_t i = sectionAt + 1; i < lines_.size() && lines_[i].kind != Line::Kind::Section; ++i) {
        if (lines_[i].kind != Line::Kind::Key) continue;
        if (platform::equalsIgnoreAsciiCase(lines_[i].name, key)) {
            lines_[i].text = lines_[i].name + "=" + std::string(value);
            return;
        }
        insertAt = i + 1;
    }
    Line line{Line::Kind::Key, std::string(key) + "=" + std::string(value), std::string(key), eol_};
    if (insertAt == lines_.size()) {
        append(std::move(line));
        return;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

void IniDocument::append(Line line) {
    if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = eol_;
    lines_.push_back(std::move(line));
}

std::string IniDocument::serialize() const {
    std::string out;
    for (const auto& l : lines_) {
        out += l.text;
        out += l.eol;
    }
    return out;
}

IniDocument loadIniFile(const std::string& path) {
    std::error_code ec;
    auto st = std::filesystem::status(path, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) fail(path, ec.message());
    if (!std::filesystem::exists(st)) return IniDocument::parse("");
    if (!std::filesystem::is_regular_file(st)) fail(path, "not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in) fail(path, std::strerror(errno));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) fail(path, "read error");
    try {
        return IniDocument::parse(platform::gbkToUtf8(bytes.str()));
    } catch (const EncodingError& e) {
        fail(path, e.what());
    }
}

void saveIniFile(const std::string& path, const IniDocument& doc) {
    std::string bytes;
    try {
        bytes = platform::utf8ToGbk(doc.serialize());
    } catch (const EncodingError& e) {
        fail(path, e.what());
    }
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) fail(path, "is a folder, not a file");

    std::string temp = path + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) fail(path, std::string("cannot create a file in its folder: ") + std::strerror(errno));
    auto abandon = [&](const std::string& reason) {
        ::close(fd);
        ::unlink(temp.c_str());
        fail(path, reason);
    };
    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat old {};
    mode_t mode = 0666;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
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
    if (::close(fd) != 0) {
        ::unlink(temp.c_str());
        fail(path, std::string("close failed: ") + std::strerror(errno));
    }
    try {
        if (auto& hook = beforeRenameHook()) hook(temp);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        fail(path, std::string("cannot replace the file: ") + std::strerror(err));
    }
}

void setIniBeforeRenameHookForTesting(std::function<void(const std::string&)> hook) {
    beforeRenameHook() = std::move(hook);
}

}  // namespace trunaccount
