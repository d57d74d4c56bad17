// The reference host as users start it: the dates it makes the plug-in show,
// and a start that fails where no one could answer a dialog.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "hostapp/host_locale.h"
#include "support/temp_dir.h"

extern char** environ;

namespace trunaccount {
namespace {

using testing::TempDir;

// The short date the plug-in shows for 10 December 2026 in a host started with
// the environment of each case. Every case runs in a child process of its own:
// a process reads its locale from the environment once.
TEST(HostDates, ChineseShortDatesWhereTheLocaleIsCOnly) {
    struct Case {
        const char* lcAll;
        const char* lcTime;
        const char* lang;
        const char* shown;
    };
    const Case cases[] = {
        {nullptr, nullptr, "C", "2026/12/10"},
        {nullptr, nullptr, nullptr, "2026/12/10"},
        {nullptr, nullptr, "C.UTF-8", "2026/12/10"},
        {nullptr, "POSIX", "en_GB.UTF-8", "2026/12/10"},
        {"C", nullptr, "en_GB.UTF-8", "2026/12/10"},
        // A real locale is followed.
        {nullptr, nullptr, "en_GB.UTF-8", "10/12/2026"},
        {nullptr, "de_DE.UTF-8", "C", "10.12.26"},
        {"en_US.UTF-8", nullptr, "C", "12/10/26"},
    };
    auto put = [](const char* name, const char* value) {
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("LC_ALL=") + (c.lcAll ? c.lcAll : "") + " LC_TIME=" + (c.lcTime ? c.lcTime : "") +
                     " LANG=" + (c.lang ? c.lang : ""));
        EXPECT_EXIT(
            {
                put("LC_ALL", c.lcAll);
                put("LC_TIME", c.lcTime);
                put("LANG", c.lang);
                hostapp::preferChineseDatesInCLocale();
                const QString shown = QLocale::system().toString(QDate(2026, 12, 10), QLocale::ShortFormat);
                std::fprintf(stderr, "shown=[%s]\n", shown.toUtf8().constData());
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), std::string("shown=\\[") + c.shown + "\\]");
    }
}

// Qt's own texts that reach the accountant (the statement import's file dialog,
// the menu of a cell editor) are Chinese like the rest of the window.
TEST(HostTexts, QtsOwnTextsAreChinese) {
    int argc = 1;
    char name[] = "hostapp_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    ASSERT_TRUE(hostapp::installChineseQtTexts(app)) << "qt6-translations-l10n is not installed";
    struct Case {
        const char* context;
        const char* text;
    };
    const Case cases[] = {
        {"QFileDialog", "Look in:"}, {"QFileDialog", "File &name:"}, {"QFileDialog", "Files of type:"},
        {"QFileDialog", "&Open"},    {"QPlatformTheme", "Cancel"},   {"QLineEdit", "&Copy"},
        {"QLineEdit", "&Paste"},     {"QLineEdit", "Select All"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.context) + " " + c.text);
        const QString shown = QCoreApplication::translate(c.context, c.text);
        EXPECT_NE(shown, QString::fromUtf8(c.text));
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](QChar ch) {
            return ch.unicode() >= 0x4E00 && ch.unicode() <= 0x9FFF;
        })) << shown.toStdString();
    }
}

struct Finished {
    bool inTime = false;
    int status = -1;  // the exit status when it exited
    std::string err;
};

// Runs the host program with the arguments and QT_QPA_PLATFORM; kills it when
// it has not ended after `seconds`.
Finished runHost(const std::vector<std::string>& args, const char* platform, int seconds) {
    TempDir dir;
    const std::string errFile = dir.file("stderr");
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> argv = {TRUNACCOUNT_HOST_PROGRAM};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    ::setenv("QT_QPA_PLATFORM", platform, 1);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, cargv[0], &files, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    Finished f;
    if (rc != 0) {
        f.err = "cannot start " + argv[0];
        return f;
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            f.err = TempDir::readFile(errFile);
            return f;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    f.inTime = true;
    f.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    f.err = TempDir::readFile(errFile);
    return f;
}

// Offscreen and minimal platforms show no dialog to anyone: the reason goes to
// stderr and the host ends, instead of waiting for an answer that never comes.
TEST(HostProgram, ABadDatabaseEndsTheStartWhereNoOneCanAnswerADialog) {
    TempDir dir;
    for (const char* platform : {"offscreen", "minimal"}) {
        SCOPED_TRACE(platform);
        auto f = runHost({"--db", dir.file("missing.sqlite"), "--mode", "none"}, platform, 60);
        EXPECT_TRUE(f.inTime) << "still running after 60 s (a dialog waits for an answer):\n" << f.err;
        EXPECT_EQ(f.status, 1);
        EXPECT_NE(f.err.find("cannot open the SQLite database '" + dir.file("missing.sqlite") + "'"),
                  std::string::npos)
            << f.err;
        EXPECT_NE(f.err.find("create a demo database with: trunaccount-admin create-demo --db " + dir.file("missing.sqlite")),
                  std::string::npos)
            << f.err;
    }
}

}  // namespace
}  // namespace trunaccount
