#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "data/ini_file.h"
#include "data/settings.h"
#include "platform/errors.h"
#include "support/temp_dir.h"

using namespace trunaccount;
using trunaccount::testing::TempDir;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("TRUNACCOUNT_HOST_DIR", hostDir.path().c_str(), 1); }
    void TearDown() override { ::unsetenv("TRUNACCOUNT_HOST_DIR"); }
    TempDir hostDir;
    TempDir other;
};

TEST_F(SettingsTest, PathRule) {
    EXPECT_EQ(SettingsPath("Quorvexpos.ini", ""), hostDir.path() + "Quorvexpos.ini");
    EXPECT_EQ(SettingsPath("Quorvexpos.ini", "\\"), hostDir.path() + "Quorvexpos.ini");
    EXPECT_EQ(SettingsPath("Quorvexpos.ini", "/etc/x/"), "/etc/x/Quorvexpos.ini");
    EXPECT_EQ(SettingsPath("Quorvexpos.ini", "/etc/x"), "/etc/xQuorvexpos.ini");  // no separator inserted
}

TEST_F(SettingsTest, BackslashAndEmptyFolderBothMeanTheHostFolder) {
    WriteSetting("Quorvexpos.ini", "FrmTrunAccountInput", "cbywlx", "3", "");
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", "cbywlx", "0", "\\"), "3");
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", "cbywlx", "0", ""), "3");
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", "cbywlx", "0", other.path()), "0");
}

TEST_F(SettingsTest, DefaultsForMissingFileSectionOrKey) {
    EXPECT_EQ(ReadSetting("none.ini", "S", "k", "1,0", ""), "1,0");
    WriteSetting("a.ini", "S", "k", "v", other.path());
    EXPECT_EQ(ReadSetting("a.ini", "T", "k", "d", other.path()), "d");
    EXPECT_EQ(ReadSetting("a.ini", "S", "j", "d", other.path()), "d");
    EXPECT_EQ(ReadSetting("a.ini", "s", "K", "d", other.path()), "v");
}

TEST_F(SettingsTest, FileErrorsReachTheCaller) {
    std::filesystem::create_directory(other.file("dir.ini"));
    EXPECT_THROW(ReadSetting("dir.ini", "S", "k", "", other.path()), SettingsError);
    EXPECT_THROW(WriteSetting("dir.ini", "S", "k", "v", other.path()), SettingsError);
    EXPECT_TRUE(std::filesystem::is_directory(other.file("dir.ini")));
}

TEST_F(SettingsTest, ABatchStoresAllItsWritesInOneReplacementOrNone) {
    const std::string path = other.file("Quorvexpos.ini");
    TempDir::writeFile(path, "[W]\nf_hsje=1,80\ncbywlx=0\n");
    int replacements = 0;
    setIniBeforeRenameHookForTesting([&](const std::string&) { ++replacements; });

    SettingsBatch batch("Quorvexpos.ini", other.path());
    EXPECT_EQ(batch.path(), path);
    for (int i = 0; i < 18; ++i) batch.write("W", "f_" + std::to_string(i), "1," + std::to_string(40 + i));
    batch.write("W", "CBYWLX", "3");
    batch.write("W", "cbywlx", "4");  // later writes win, as separate writes would
    EXPECT_EQ(TempDir::readFile(path), "[W]\nf_hsje=1,80\ncbywlx=0\n");  // nothing before store
    batch.store();
    EXPECT_EQ(replacements, 1);
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "W", "f_17", "", other.path()), "1,57");
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "W", "cbywlx", "", other.path()), "4");

    // Storing again what is stored replaces nothing.
    const std::string stored = TempDir::readFile(path);
    batch.store();
    WriteSetting("Quorvexpos.ini", "w", "F_HSJE", "1,80", other.path());
    EXPECT_EQ(replacements, 1);
    EXPECT_EQ(TempDir::readFile(path), stored);

    // A value GBK cannot hold stops the whole batch: none of its writes is stored.
    SettingsBatch bad("Quorvexpos.ini", other.path());
    bad.write("W", "f_1", "0,1");
    bad.write("W", "note", "\xF0\x9F\x98\x80");
    EXPECT_THROW(bad.store(), SettingsError);
    EXPECT_EQ(TempDir::readFile(path), stored);
    setIniBeforeRenameHookForTesting(nullptr);
}

TEST_F(SettingsTest, NamesAndValuesThatWouldBreakTheLinesAreRefused) {
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } refused[] = {
        {"W", "k", "1\n[Other]\nk=2"}, {"W", "k", "1\r"}, {"W\n", "k", "1"},
        {"W", "a\nb", "1"},           {"W", "a=b", "1"}, {"W]x", "k", "1"},
        {"W", ";k", "1"},             {"W", " #k", "1"}, {"W", "[k", "1"},     {"W", " ", "1"},
    };
    SettingsBatch batch("a.ini", other.path());
    for (const auto& r : refused) {
        EXPECT_THROW(batch.write(r.section, r.key, r.value), SettingsError) << r.section << r.key << r.value;
        EXPECT_THROW(WriteSetting("a.ini", r.section, r.key, r.value, other.path()), SettingsError);
    }
    batch.store();
    EXPECT_FALSE(std::filesystem::exists(other.file("a.ini")));
    WriteSetting("a.ini", "W", "k", "a=b [c] ;d", other.path());  // inside a value these are plain text
    EXPECT_EQ(ReadSetting("a.ini", "W", "k", "", other.path()), "a=b [c] ;d");
}
