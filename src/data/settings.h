// Reading and writing the settings file ("Quorvexpos.ini" next to the host
// program). The file is opened for each call and released afterwards.
#pragma once

#include <string>
#include <string_view>

namespace trunaccount {

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
// errors raise SettingsError.
void WriteSetting(std::string_view fileName, std::string_view section, std::string_view key,
                  std::string_view value, std::string_view directory);

}  // namespace trunaccount
