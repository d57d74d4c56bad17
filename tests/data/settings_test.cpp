#include <gtest/gtest.h>

#include <cstdlib>

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
    TempDir::writeFile(other.file("bad.ini"), "[S]\nk=\xFF\n");
    EXPECT_THROW(ReadSetting("bad.ini", "S", "k", "", other.path()), SettingsError);
    EXPECT_THROW(WriteSetting("bad.ini", "S", "k", "v", other.path()), SettingsError);
    EXPECT_EQ(TempDir::readFile(other.file("bad.ini")), "[S]\nk=\xFF\n");
}
