#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "data/ini_file.h"
#include "platform/errors.h"
#include "platform/gbk.h"
#include "support/temp_dir.h"

using namespace trunaccount;
using trunaccount::testing::TempDir;

TEST(IniDocument, LooksUpIgnoringLetterCaseAndTrimming) {
    auto doc = IniDocument::parse(
        "; settings\r\n[ColorOption]\r\nBackColor = 15528176 \r\n\r\n[FrmTrunAccountInput]\r\nf_hsje=1,80\r\n"
        "cbywlx=\"2\"\r\n[frmtrunaccountinput]\r\nlater=ignored\r\n");
    EXPECT_EQ(doc.value("coloroption", "backcolor"), "15528176");
    EXPECT_EQ(doc.value("FRMTRUNACCOUNTINPUT", "F_HSJE"), "1,80");
    EXPECT_EQ(doc.value("FrmTrunAccountInput", "cbywlx"), "2");
    EXPECT_EQ(doc.value("FrmTrunAccountInput", "later"), std::nullopt);  // only the first section counts
    EXPECT_EQ(doc.value("Missing", "x"), std::nullopt);
    EXPECT_EQ(doc.value("ColorOption", "; settings"), std::nullopt);
}

TEST(IniDocument, WritesKeepEverythingElseInPlace) {
    const std::string original =
        "; top comment\n[A]\nx=1\n# note\ny=2\n\n[B]\nz=3\nstray line\n";
    auto doc = IniDocument::parse(original);
    doc.setValue("a", "X", "10");    // existing key, other case: replaced in place
    doc.setValue("A", "new", "n");   // new key: after the section's last key
    doc.setValue("C", "k", "v");     // new section: at the end
    EXPECT_EQ(doc.serialize(), "; top comment\n[A]\nx=10\n# note\ny=2\nnew=n\n\n[B]\nz=3\nstray line\n[C]\nk=v\n");
    EXPECT_EQ(IniDocument::parse(original).serialize(), original);
}

TEST(IniDocument, KeepsWindowsLineEnds) {
    auto doc = IniDocument::parse("[S]\r\na=1\r\n");
    doc.setValue("S", "b", "2");
    EXPECT_EQ(doc.serialize(), "[S]\r\na=1\r\nb=2\r\n");
    auto empty = IniDocument::parse("");
    empty.setValue("S", "k", "v");
    EXPECT_EQ(empty.serialize(), "[S]\nk=v\n");
}

TEST(IniFile, RoundTripsChineseInGbkOnDisk) {
    TempDir dir;
    auto path = dir.file("Quorvexpos.ini");
    auto doc = loadIniFile(path);  // missing: empty
    doc.setValue("转帐勾对", "业务类型", "发票提交单");
    doc.setValue("FrmTrunAccountSearch", "cbtd", "-1");
    saveIniFile(path, doc);

    std::string bytes = TempDir::readFile(path);
    EXPECT_EQ(bytes, platform::utf8ToGbk("[转帐勾对]\n业务类型=发票提交单\n[FrmTrunAccountSearch]\ncbtd=-1\n"));
    auto back = loadIniFile(path);
    EXPECT_EQ(back.value("转帐勾对", "业务类型"), "发票提交单");
    EXPECT_EQ(back.value("frmtrunaccountsearch", "CBTD"), "-1");
}

TEST(IniFile, ErrorsNameThePathAndTheReason) {
    TempDir dir;
    auto expectError = [](auto&& f, const std::string& path, const std::string& reason) {
        try {
            f();
            FAIL() << "no error for " << path;
        } catch (const SettingsError& e) {
            std::string m = e.what();
            EXPECT_NE(m.find(path), std::string::npos) << m;
            EXPECT_NE(m.find(reason), std::string::npos) << m;
        }
    };
    // Bytes that are not GBK: reading fails, and so does a write, which would lose them.
    auto bad = dir.file("bad.ini");
    TempDir::writeFile(bad, std::string("[S]\nk=\x81\x20\n"));
    expectError([&] { loadIniFile(bad); }, bad, "invalid GBK");
    EXPECT_EQ(TempDir::readFile(bad), std::string("[S]\nk=\x81\x20\n"));

    // A folder where the file should be.
    auto folder = dir.file("folder.ini");
    std::filesystem::create_directory(folder);
    expectError([&] { loadIniFile(folder); }, folder, "not a regular file");
    expectError([&] { saveIniFile(folder, IniDocument::parse("[S]\n")); }, folder, "folder");

    // A value GBK cannot hold.
    auto ok = dir.file("ok.ini");
    auto doc = IniDocument::parse("");
    doc.setValue("S", "k", "\xF0\x9F\x98\x80");
    expectError([&] { saveIniFile(ok, doc); }, ok, "GBK");
    EXPECT_FALSE(std::filesystem::exists(ok));

    // An unwritable folder (root ignores permissions, so only check when they bite).
    auto locked = dir.file("locked/");
    std::filesystem::create_directory(locked);
    ::chmod(locked.c_str(), 0500);
    if (::access(locked.c_str(), W_OK) != 0)
        expectError([&] { saveIniFile(locked + "x.ini", IniDocument::parse("[S]\n")); }, locked + "x.ini",
                    "cannot create");
    ::chmod(locked.c_str(), 0700);
}

TEST(IniFile, AnInterruptedWriteLeavesTheOldFileIntact) {
    TempDir dir;
    auto path = dir.file("Quorvexpos.ini");
    TempDir::writeFile(path, "[S]\nk=old\n");
    ::chmod(path.c_str(), 0640);
    auto doc = loadIniFile(path);
    doc.setValue("S", "k", "new");

    std::string tempSeen;
    setIniBeforeRenameHookForTesting([&](const std::string& temp) {
        tempSeen = temp;
        EXPECT_EQ(TempDir::readFile(temp), "[S]\nk=new\n");  // the new content is complete
        throw std::runtime_error("power cut");
    });
    EXPECT_THROW(saveIniFile(path, doc), std::runtime_error);
    setIniBeforeRenameHookForTesting(nullptr);

    EXPECT_EQ(TempDir::readFile(path), "[S]\nk=old\n");
    EXPECT_FALSE(std::filesystem::exists(tempSeen));

    saveIniFile(path, doc);
    EXPECT_EQ(TempDir::readFile(path), "[S]\nk=new\n");
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // permissions kept
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no stray temp files
}
