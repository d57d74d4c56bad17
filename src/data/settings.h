// Reading and writing the settings file ("Quorvexpos.ini" next to the host
// program). The file is opened for each call and released afterwards.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trunaccount {

class IniDocument;

// The settings file's path: `directory` immediately followed by `fileName` (no
// separator inserted) when the directory is neither empty nor "\"; otherwise the
// host program's folder followed by the file name.
std::string SettingsPath(std::string_view fileName, std::string_view directory);

// The value of `key` in `section`, or `defaultValue` when the file, the section
// or the key is missing. File errors raise SettingsError.
std::string ReadSetting(std::string_view fileName, std::string_view section, std::string_view key,
                        std::string_view defaultValue, std::string_view directory);

// Stores `value` under `key` in `section`, creating the file, the section or the
// key as needed; the file is replaced as a whole, never left half-written. File
// errors raise SettingsError (SettingsReadOnlyError for a read-only file, which
// is left as it is).
void WriteSetting(std::string_view fileName, std::string_view section, std::string_view key,
                  std::string_view value, std::string_view directory);

// The settings file read once for several reads, as a window restores its
// layout and selections when it opens: each read gives what ReadSetting would.
class SettingsReader {
public:
    // Reads the file; file errors raise SettingsError.
    SettingsReader(std::string_view fileName, std::string_view directory);
    ~SettingsReader();
    SettingsReader(const SettingsReader&) = delete;
    SettingsReader& operator=(const SettingsReader&) = delete;

    std::string read(std::string_view section, std::string_view key, std::string_view defaultValue) const;

private:
    std::unique_ptr<IniDocument> doc_;
};

// Several writes to one settings file stored together, as a window stores its
// layout and selections when it closes: `store` reads the file once, makes the
// writes in their order, as WriteSetting would, and replaces the file once, or
// not at all when every value is already stored. All or nothing: on an error
// none of the writes is stored.
class SettingsBatch {
public:
    SettingsBatch(std::string_view fileName, std::string_view directory);

    // Raises SettingsError at once for a name or value that would break the
    // file's lines: a line break, "=" in a key, "]" in a section, a key that is
    // empty or would read as a comment or a section.
    void write(std::string_view section, std::string_view key, std::string_view value);
    // Raises as WriteSetting does; the batch stays as it was.
    void store();

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<std::array<std::string, 3>> writes_;  // section, key, value
};

}  // namespace trunaccount
