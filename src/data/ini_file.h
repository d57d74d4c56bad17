// The settings file format: "[section]" lines, each followed by "key=value" lines.
// Section and key names match whatever their ASCII letter case; comments (lines
// starting with ';' or '#'), unknown lines, blank lines and the order of
// everything survive a change. The file on disk is in code page 936 (GBK, as
// Windows writes it, user-defined characters included); a line that is not
// changed is written back byte for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trunaccount {

class IniDocument {
public:
    // Parses UTF-8 text; never fails (a line that is neither a section, a key nor
    // a comment is kept as it stands and otherwise ignored). Texts of a gigabyte
    // and more are no settings (std::length_error).
    static IniDocument parse(std::string_view text);
    // Parses the bytes of a file (see systemFileTextToUtf8); never fails. Bytes
    // that do not convert read as U+FFFD but stay as they are on disk as long
    // as their line is not changed.
    static IniDocument decode(std::string bytes);

    // The value of the first key of that name in the first section of that name:
    // blanks around it removed, one pair of enclosing quotes removed.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // Sets the value, adding the key at the end of its section, or the section at
    // the end of the document, when missing. A key that already holds the value
    // in that form is left as it is.
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    // Whether a setValue changed anything since parse or decode.
    bool modified() const { return modified_; }
    // The bytes decode read (empty after parse).
    const std::string& decodedBytes() const { return bytes_; }

    // The document as UTF-8 text.
    std::string serialize() const;
    // The document as the bytes of a file: every line read by decode and not
    // changed as it was read, the others in GBK. Raises EncodingError for a
    // character GBK cannot hold.
    std::string encode() const;

private:
    enum class Kind : unsigned char { Other, Section, Key };
    enum class Eol : unsigned char { None, Lf, CrLf };
    // A line's text is a range of text_ until a setValue changes it; then it is
    // an element of owned_. While a line read by decode is unchanged, a range of
    // bytes_ holds it as it is on disk. Ranges, not copies: a large file is a
    // few allocations, and a line takes 32 bytes.
    static constexpr std::uint32_t kNotOwned = 0xFFFFFFFF;
    struct Line {
        Kind kind = Kind::Other;
        Eol eol = Eol::None;  // the line's own end; none for an unterminated last line
        bool asRead = false;
        std::uint32_t owned = kNotOwned;
        std::uint32_t textAt = 0, textLength = 0;
        std::uint32_t bytesAt = 0, bytesLength = 0;
        std::uint32_t nameAt = 0, nameLength = 0;  // section or key name, trimmed, within the line's text
    };
    static IniDocument fromText(std::string text);
    static std::string_view eolText(Eol eol);
    std::string_view text(const Line& line) const;
    std::string_view name(const Line& line) const { return text(line).substr(line.nameAt, line.nameLength); }
    // Sets kind and name from the line's text.
    void classify(Line& line) const;
    Line newLine(std::string text);
    void append(std::string text);
    std::string text_;   // the document as parsed (UTF-8)
    std::string bytes_;  // the file's bytes (decode only)
    std::vector<std::string> owned_;
    std::vector<Line> lines_;
    Eol eol_ = Eol::Lf;  // line end for new lines: that of the file's first line
    bool modified_ = false;
};

// Reads a settings file; a missing file gives an empty document. Raises
// SettingsError naming the path and the reason (not a file, unreadable, a
// UTF-16 file, larger than 256 MB).
IniDocument loadIniFile(const std::string& path);

// Replaces the settings file as a whole: the new content goes to a temporary
// file in the same folder, is flushed to disk and then renamed over the old
// file, and the folder is flushed, so a failure or a crash at any point leaves
// the old file or the new one, never a mix. A symbolic link is followed: the
// file it leads to is replaced and the link stays. A read-only file is not
// touched (SettingsReadOnlyError). Temporary files that an interrupted write
// left next to the file are removed. Raises SettingsError naming the path and
// the reason.
void saveIniFile(const std::string& path, const IniDocument& doc);
// The same for a document read from the file with loadIniFile, unless it
// encodes to exactly the bytes it was read from (nothing set, or a value set
// and set back): then the file is not touched and the result is false.
bool saveIniFileIfChanged(const std::string& path, const IniDocument& doc);

// Test hook: runs after the temporary file is complete and before the rename
// (an exception thrown here stands for a crash at that point).
void setIniBeforeRenameHookForTesting(std::function<void(const std::string& tempPath)> hook);

}  // namespace trunaccount
