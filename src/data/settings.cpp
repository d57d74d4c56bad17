#include "data/settings.h"

#include <algorithm>

#include "data/ini_file.h"
#include "platform/errors.h"
#include "platform/host_dir.h"

namespace trunaccount {

std::string SettingsPath(std::string_view fileName, std::string_view directory) {
    if (!directory.empty() && directory != "\\") return std::string(directory) + std::string(fileName);
    return platform::hostExecutableDir() + std::string(fileName);
}

std::string ReadSetting(std::string_view fileName, std::string_view section, std::string_view key,
                        std::string_view defaultValue, std::string_view directory) {
    return SettingsReader(fileName, directory).read(section, key, defaultValue);
}

SettingsReader::SettingsReader(std::string_view fileName, std::string_view directory)
    : doc_(std::make_unique<IniDocument>(loadIniFile(SettingsPath(fileName, directory)))) {}

SettingsReader::~SettingsReader() = default;

std::string SettingsReader::read(std::string_view section, std::string_view key, std::string_view defaultValue) const {
    auto v = doc_->value(section, key);
    return v ? *v : std::string(defaultValue);
}

void WriteSetting(std::string_view fileName, std::string_view section, std::string_view key,
                  std::string_view value, std::string_view directory) {
    SettingsBatch batch(fileName, directory);
    batch.write(section, key, value);
    batch.store();
}

SettingsBatch::SettingsBatch(std::string_view fileName, std::string_view directory)
    : path_(SettingsPath(fileName, directory)) {}

void SettingsBatch::write(std::string_view section, std::string_view key, std::string_view value) {
    auto breaksLine = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    // A key line must read back as that key: not a comment, a section or another key.
    std::string_view trimmedKey = key.substr(std::min(key.find_first_not_of(" \t"), key.size()));
    bool badKey = trimmedKey.empty() || trimmedKey.find_first_of(";#[") == 0 || key.find('=') != std::string_view::npos;
    if (breaksLine(section) || breaksLine(key) || breaksLine(value) || badKey || section.find(']') != std::string_view::npos)
        throw SettingsError("settings file " + path_ + ": the setting [" + std::string(section) + "] " +
                            std::string(key) + " cannot be stored: its name or value would break the file's lines");
    writes_.push_back({std::string(section), std::string(key), std::string(value)});
}

void SettingsBatch::store() {
    auto doc = loadIniFile(path_);
    for (const auto& [section, key, value] : writes_) doc.setValue(section, key, value);
    saveIniFileIfChanged(path_, doc);
}

}  // namespace trunaccount
