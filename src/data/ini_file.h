// The settings file format: "[section]" lines, each followed by "key=value" lines.
// Section and key names match whatever their ASCII letter case; comments (lines
// starting with ';' or '#'), unknown lines, blank lines and the order of
// everything survive a change. The file on disk is GBK.
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

    // The value of the first key of that name in the first section of that name:
    // blanks around it removed, one pair of enclosing quotes removed.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // Sets the value, adding the key at the end of its section, or the section at
    // the end of the document, when missing.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    std::string serialize() const;

private:
    struct Line {
        enum class Kind { Other, Section, Key } kind = Kind::Other;
        std::string text;  // the whole line as it stands (without its line end)
        std::string name;  // section or key name, trimmed
        std::string eol;   // the line's own end: "\r\n", "\n" or none for an unterminated last line
    };
    void append(Line line);
    std::vector<Line> lines_;
    std::string eol_ = "\n";  // line end for new lines: that of the file's first line
};

// Reads a settings file; a missing file gives an empty document. Raises
// SettingsError naming the path and the reason (not a file, unreadable, bytes
// that are not valid GBK).
IniDocument loadIniFile(const std::string& path);

// Replaces the settings file as a whole: the new content goes to a temporary
// file in the same folder, is flushed to disk and then renamed over the old file,
// so a failure at any point leaves the old file as it was. Raises SettingsError
// naming the path and the reason.
void saveIniFile(const std::string& path, const IniDocument& doc);

// Test hook: runs after the temporary file is complete and before the rename
// (an exception thrown here stands for a crash at that point).
void setIniBeforeRenameHookForTesting(std::function<void(const std::string& tempPath)> hook);

}  // namespace trunaccount
