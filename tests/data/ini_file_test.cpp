#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <random>
#include <thread>

#include <filesystem>
#include <vector>

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
    // "Unicode" as Windows saves it: adding GBK lines would spoil it, so neither read nor write.
    auto utf16 = dir.file("utf16.ini");
    const std::string utf16Bytes("\xFF\xFE[\0S\0]\0", 8);
    TempDir::writeFile(utf16, utf16Bytes);
    expectError([&] { loadIniFile(utf16); }, utf16, "UTF-16");
    EXPECT_EQ(TempDir::readFile(utf16), utf16Bytes);

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

// A file as Windows writes it in code page 936: user-defined characters, a
// character only GB18030 names, the one-byte euro sign, a line with bytes that
// convert to nothing at all, Windows line ends.
const std::string kWindowsFile =
    "; \xC9\xE8\xD6\xC3\r\n"                            // "; 设置"
    "[ColorOption]\r\nBackColor=15528176\r\n"
    "[\xD7\xD4\xB6\xA8\xD2\xE5]\r\n"                    // [自定义]
    "\xB7\xFB\xBA\xC5=\xAA\xA1\xAA\xA2\xFE\xFE\r\n"     // 符号= three user-defined characters
    "\xCA\xFA\xC5\xC5=\xA6\xD9\r\n"                     // 竖排=U+FE10
    "\xBC\xDB\xB8\xF1=\x80" "100\r\n"                   // 价格=€100
    "bad=\x81\x20x\xFF\r\n"
    "[FrmTrunAccountInput]\r\ncbywlx=1\r\nf_Djh = 1,95\r\n";

TEST(IniFile, WindowsBytesReadAndSurviveAWriteOfOtherKeysByteForByte) {
    TempDir dir;
    auto path = dir.file("Quorvexpos.ini");
    TempDir::writeFile(path, kWindowsFile);

    auto doc = loadIniFile(path);
    EXPECT_EQ(doc.value("ColorOption", "BackColor"), "15528176");
    EXPECT_EQ(doc.value("自定义", "符号"), "\xEE\x80\x80\xEE\x80\x81\xEE\x93\x85");
    EXPECT_EQ(doc.value("自定义", "竖排"), "\xEF\xB8\x90");
    EXPECT_EQ(doc.value("自定义", "价格"), "€100");
    EXPECT_EQ(doc.value("自定义", "bad"), "\xEF\xBF\xBD x\xEF\xBF\xBD");
    EXPECT_EQ(doc.value("FrmTrunAccountInput", "f_Djh"), "1,95");

    // Unchanged, the document gives back the file's bytes; a changed line and a
    // new one are GBK, everything else stays as it was.
    EXPECT_EQ(doc.encode(), kWindowsFile);
    doc.setValue("FrmTrunAccountInput", "cbywlx", "3");
    doc.setValue("FrmTrunAccountInput", "cbtd", "2");
    doc.setValue("自定义", "新", "\xEE\x80\x80");  // a user-defined character goes back as it came
    saveIniFile(path, doc);
    std::string expected = kWindowsFile;
    expected.replace(expected.find("cbywlx=1"), 8, "cbywlx=3");
    expected += "cbtd=2\r\n";
    expected.insert(expected.find("[FrmTrunAccountInput]"), "\xD0\xC2=\xAA\xA1\r\n");
    EXPECT_EQ(TempDir::readFile(path), expected);

    // A value GBK cannot hold stops the write; the file stays as it is.
    auto again = loadIniFile(path);
    again.setValue("S", "k", "\xF0\x9F\x98\x80");
    EXPECT_THROW(saveIniFile(path, again), SettingsError);
    EXPECT_EQ(TempDir::readFile(path), expected);
}

TEST(IniDocument, ASettingThatIsAlreadyStoredChangesNothing) {
    auto doc = IniDocument::decode("[S]\nk = 1\nj=2\n");
    doc.setValue("s", "J", "2");
    EXPECT_FALSE(doc.modified());
    doc.setValue("S", "k", "1");  // stored in another form: rewritten in ours
    EXPECT_TRUE(doc.modified());
    EXPECT_EQ(doc.encode(), "[S]\nk=1\nj=2\n");
    for (auto [section, key] : {std::pair{"S", "new"}, std::pair{"T", "k"}}) {
        auto d = IniDocument::decode("[S]\nk=1\n");
        d.setValue(section, key, "1");
        EXPECT_TRUE(d.modified()) << section << key;
    }
}

TEST(IniFile, WritesGoThroughSymbolicLinks) {
    TempDir dir;
    TempDir elsewhere;
    std::filesystem::create_directory(elsewhere.file("conf"));
    auto target = elsewhere.file("conf/shared.ini");
    TempDir::writeFile(target, "[S]\nk=old\n");
    // host folder/Quorvexpos.ini -> relative link -> absolute link -> the real file
    auto middle = elsewhere.file("link.ini");
    std::filesystem::create_symlink("conf/shared.ini", middle);
    auto path = dir.file("Quorvexpos.ini");
    std::filesystem::create_symlink(middle, path);

    auto doc = loadIniFile(path);
    EXPECT_EQ(doc.value("S", "k"), "old");
    doc.setValue("S", "k", "new");
    saveIniFile(path, doc);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_TRUE(std::filesystem::is_symlink(middle));
    EXPECT_EQ(TempDir::readFile(target), "[S]\nk=new\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(elsewhere.file("conf")), {}), 1);

    // A link to a file not made yet: the file is made where the link points.
    auto dangling = dir.file("new.ini");
    std::filesystem::create_symlink(elsewhere.file("conf/new.ini"), dangling);
    saveIniFile(dangling, doc);
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
    EXPECT_EQ(TempDir::readFile(elsewhere.file("conf/new.ini")), "[S]\nk=new\n");

    auto loop = dir.file("loop.ini");
    std::filesystem::create_symlink(loop, loop);
    EXPECT_THROW(saveIniFile(loop, doc), SettingsError);
}

TEST(IniFile, AReadOnlyFileIsLeftAsItIsAndReportedOnceAsNew) {
    TempDir dir;
    auto doc = IniDocument::parse("[S]\nk=new\n");
    for (mode_t mode : {0444, 0400}) {
        auto path = dir.file("ro" + std::to_string(mode) + ".ini");
        TempDir::writeFile(path, "[S]\nk=old\n");
        ::chmod(path.c_str(), mode);
        for (bool first : {true, false}) {
            try {
                saveIniFile(path, doc);
                FAIL() << "written over a read-only file, mode " << std::oct << mode;
            } catch (const SettingsReadOnlyError& e) {
                EXPECT_EQ(e.path(), path);
                EXPECT_EQ(e.firstNotice(), first);
                EXPECT_NE(std::string(e.what()).find("read-only"), std::string::npos);
            }
        }
        EXPECT_EQ(TempDir::readFile(path), "[S]\nk=old\n");
        struct stat st {};
        ::stat(path.c_str(), &st);
        EXPECT_EQ(st.st_mode & 0777, mode);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(IniFile, TemporaryFilesOfKilledWritesGoButNotThoseOfRunningOnesNorOthers) {
    TempDir dir;
    auto path = dir.file("Quorvexpos.ini");
    TempDir::writeFile(path, "[S]\nk=old\n");
    const std::vector<std::string> abandoned{"Quorvexpos.ini.~saving-a1B2c3", "Quorvexpos.ini.~saving-zzzzzz"};
    const std::vector<std::string> kept{
        "Quorvexpos.ini.~saving-Lck123",  // locked: a write in another process is under way
        "Quorvexpos.ini.backup",          // the user's own copies
        "Quorvexpos.ini.~saving-1234567",
        "Quorvexpos.ini.~saving-abc",
        "Other.ini.~saving-a1B2c3",       // another file's write
    };
    for (const auto& name : abandoned) TempDir::writeFile(dir.file(name), "[S]\nk=half");
    for (const auto& name : kept) TempDir::writeFile(dir.file(name), "mine");
    std::filesystem::create_directory(dir.file("Quorvexpos.ini.~saving-folder"));
    int running = ::open(dir.file(kept[0]).c_str(), O_RDWR);
    ASSERT_GE(running, 0);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);

    auto doc = loadIniFile(path);
    doc.setValue("S", "k", "new");
    saveIniFile(path, doc);
    EXPECT_EQ(TempDir::readFile(path), "[S]\nk=new\n");
    for (const auto& name : abandoned) EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    for (const auto& name : kept) EXPECT_EQ(TempDir::readFile(dir.file(name)), "mine") << name;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("Quorvexpos.ini.~saving-folder")));

    // Once that write has ended without its rename, the next write takes its file away.
    ::close(running);
    saveIniFile(path, doc);
    EXPECT_FALSE(std::filesystem::exists(dir.file(kept[0])));
}

// A writer killed at random moments, 40 times, as a user ending the host from
// the task manager while a window closes: the file is always one whole
// version, and at most the last killed write's temporary file is there,
// until the next write removes it.
TEST(IniFile, KilledWritesLeaveAWholeFileAndNoTemporaryFilesPilingUp) {
    TempDir dir;
    const auto path = dir.file("Quorvexpos.ini");
    const char* mb = std::getenv("TRUNACCOUNT_KILL_LOOP_MB");
    const int keys = (mb ? std::atoi(mb) : 1) * 1024 * 1024 / 64;
    // Version g: "gen=g" first, "end=g" last, the same size for every g.
    auto text = [&](int g) {
        std::string t = "[S]\ngen=" + std::to_string(g % 10) + "\n";
        for (int k = 0; k < keys; ++k) t += "key" + std::to_string(k) + "=" + std::string(50, char('a' + g % 26)) + "\n";
        return t + "end=" + std::to_string(g % 10) + "\n";
    };
    auto version = [&](int g) { return IniDocument::parse(text(g)); };
    const std::size_t size = text(0).size();
    auto whole = [&](const std::string& bytes) {
        auto doc = IniDocument::decode(bytes);
        return bytes.size() == size && doc.value("S", "gen") && doc.value("S", "end") == doc.value("S", "gen");
    };
    auto temps = [&] {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            n += e.path().filename().string().starts_with("Quorvexpos.ini.~saving-");
        return n;
    };
    saveIniFile(path, version(0));
    const auto t0 = std::chrono::steady_clock::now();
    saveIniFile(path, version(1));
    const auto writeTime = std::chrono::steady_clock::now() - t0;

    std::mt19937 random(16);
    int midWrite = 0;
    int corrupt = 0;
    int mostTemps = 0;
    for (int kill = 0; kill < 40; ++kill) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::alarm(60);  // never outlives a stuck test
            ::close(ready[0]);
            std::vector<IniDocument> versions{version(2 * kill + 2), version(2 * kill + 3)};
            [[maybe_unused]] auto w = ::write(ready[1], "r", 1);
            try {
                for (int i = 0;; ++i) saveIniFile(path, versions[static_cast<std::size_t>(i % 2)]);
            } catch (...) {
                ::_exit(2);
            }
        }
        ::close(ready[1]);
        char r = 0;
        ASSERT_EQ(::read(ready[0], &r, 1), 1);
        ::close(ready[0]);
        // Up to two writes' time (at most a quarter second when the disk is slow).
        const long long longest = std::min<long long>(2 * std::chrono::nanoseconds(writeTime).count(), 250'000'000);
        std::uniform_int_distribution<long long> delay(0, longest);
        std::this_thread::sleep_for(std::chrono::nanoseconds(delay(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        corrupt += !whole(TempDir::readFile(path));
        const int left = temps();
        midWrite += left > 0;
        mostTemps = std::max(mostTemps, left);
    }
    saveIniFile(path, version(99));
    std::cout << "one write " << std::chrono::duration<double, std::milli>(writeTime).count() << " ms; 40 kills, "
              << midWrite << " during a write (a temporary file was there), " << corrupt
              << " corrupt files, at most " << mostTemps << " temporary file(s) at once, " << temps()
              << " left after the next write\n";
    EXPECT_EQ(corrupt, 0);
    EXPECT_GT(midWrite, 0) << "no kill hit a write: the loop proved nothing";
    EXPECT_LE(mostTemps, 1);
    EXPECT_EQ(temps(), 0);
}
