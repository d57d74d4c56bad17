#include "data/settings.h"

#include "data/ini_file.h"
#include "platform/host_dir.h"

namespace trunaccount {

std::string SettingsPath(std::string_view fileName, std::string_view directory) {
    if (!directory.empty() && directory != "\\") return std::string(directory) + std::string(fileName);
    return platform::hostExecutableDir() + std::string(fileName);
}

std::string ReadSetting(std::string_view fileName, std::string_view section, std::string_view key,
                        std::string_view defaultValue, std::string_view directory) {
    auto doc = loadIniFile(SettingsPath(fileName, directory));
    auto v = doc.value(section, key);
    return v ? *v : std::string(defaultValue);
}

void WriteSetting(std::string_view fileName, std::string_view section, std::string_view key,
                  std::string_view value, std::string_view directory) {
    auto path = SettingsPath(fileName, directory);
    auto doc = loadIniFile(path);
    doc.setValue(section, key, value);
    saveIniFile(path, doc);
}

}  // namespace trunaccount
