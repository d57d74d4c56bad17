// The settings file format: "[section]" lines, each followed by "key=value" lines.
// Section and key names match whatever their ASCII letter case; comments (lines
// starting with ';' or '#'), unknown lines, blank lines and the order of
// everything survive a change. The file on disk is in code page 936 (GBK, as
// Windows writes it, user-defined characters included); a line that is not
// changed is written back byte for byte.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trunaccount {

class IniDocument {
public:
    // Parses UTF-8 text; never fails (a line that is neither a section, a key nor
    // a comment is kept as it stands and otherwise ignored).
    static IniDocument parse(std::string_view text);
    // Parses the bytes of a file (see systemFileTextToUtf8); never fails. Bytes
    // that do not convert read as U+FFFD but stay as they are on disk as long
    // as their line is not changed.
    static IniDocument decode(std::string_view bytes);

    // The value of the first key of that name in the first section of that name:
    // blanks around it removed, one pair of enclosing quotes removed.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // Sets the value, adding the key at the end of its section, or the section at
    // the end of the document, when missing. A key that already holds the value
    // in that form is left as it is.
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    // Whether a setValue changed anything since parse or decode.
    bool modified() const { return modified_; }

    // The document as UTF-8 text.
    std::string serialize() const;
    // The document as the bytes of a file: every line read by decode and not
    // changed as it was read, the others in GBK. Raises EncodingError for a
    // character GBK cannot hold.
    std::string encode() const;

private:
    struct Line {
        enum class Kind { Other, Section, Key } kind = Kind::Other;
        std::string text;  // the whole line as it stands (without its line end)
        std::string name;  // section or key name, trimmed
        std::string eol;   // the line's own end: "\r\n", "\n" or none for an unterminated last line
        std::optional<std::string> bytes;  // as read from the file, while the line is unchanged
    };
    static Line parseLine(std::string_view raw);
    void append(Line line);
    std::vector<Line> lines_;
    std::string eol_ = "\n";  // line end for new lines: that of the file's first line
    bool modified_ = false;
};

// Reads a settings file; a missing file gives an empty document. `bytes`, when
// given, receives what the file held. Raises SettingsError naming the path and
// the reason (not a file, unreadable, a UTF-16 file).
IniDocument loadIniFile(const std::string& path, std::string* bytes = nullptr);

// Replaces the settings file as a whole: the new content goes to a temporary
// file in the same folder, is flushed to disk and then renamed over the old
// file, and the folder is flushed, so a failure or a crash at any point leaves
// the old file or the new one, never a mix. A symbolic link is followed: the
// file it leads to is replaced and the link stays. A read-only file is not
// touched (SettingsReadOnlyError). Temporary files that an interrupted write
// left next to the file are removed. Raises SettingsError naming the path and
// the reason. With `current`, the bytes the file was read with: a document that
// encodes to exactly these is not written (the result is then false).
bool saveIniFile(const std::string& path, const IniDocument& doc, const std::string* current = nullptr);

// Test hook: runs after the temporary file is complete and before the rename
// (an exception thrown here stands for a crash at that point).
void setIniBeforeRenameHookForTesting(std::function<void(const std::string& tempPath)> hook);

}  // namespace trunaccount
