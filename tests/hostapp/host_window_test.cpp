// The reference host with the plug-in loaded as users run it: a window closed
// beside another tab, and the host closed with its windows open.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <cstdlib>
#include <memory>

#include "hostapp/host_window.h"
#include "support/modal_answerer.h"
#include "support/test_databases.h"

namespace trunaccount::testing {
namespace {

class HostWindowTest : public ::testing::Test {
protected:
    HostWindowTest() {
        ::setenv("TRUNACCOUNT_HOST_DIR", settings.path().c_str(), 1);
        host->show();
        host->openWindow(QStringLiteral("Search"));
        host->openWindow(QStringLiteral("Input"));
    }
    QWidget* window(const char* name) const { return host->findChild<QWidget*>(QString::fromLatin1(name)); }
    template <class T>
    T* control(const char* window, const char* name) const {
        QWidget* w = this->window(window);
        return w ? w->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    }
    ~HostWindowTest() override {
        host.reset();
        ::unsetenv("TRUNACCOUNT_HOST_DIR");
    }
    std::string settingsText() const { return TempDir::readFile(settings.file("Quorvexpos.ini")); }

    TempDir settings;
    TestDatabase db{Backend::Sqlite};
    hostapp::PluginLibrary plugin{QStringLiteral(TRUNACCOUNT_PLUGIN)};
    std::unique_ptr<hostapp::HostWindow> host =
        std::make_unique<hostapp::HostWindow>(plugin, db.openCoordinator(), QByteArray("0001"));
};

// Closing one window leaves the other window's tab as it was, also when that
// tab is not the one in front.
TEST_F(HostWindowTest, ClosingOneWindowKeepsTheOtherTab) {
    ASSERT_EQ(host->tabs()->count(), 2);
    QWidget* input = window("FrmTrunAccountInput");
    ASSERT_NE(input, nullptr);
    QTest::keyClick(control<QComboBox>("FrmTrunAccountInput", "cbywlx"), Qt::Key_Escape);
    QTest::qWait(50);
    EXPECT_EQ(window("FrmTrunAccountInput"), nullptr);
    ASSERT_EQ(host->tabs()->count(), 1);
    EXPECT_NE(window("FrmTrunAccountSearch"), nullptr);
}

// Closing the host closes its windows as the user closes them: each stores its
// layout and selections, and an input window with ticks not yet saved asks
// first; "取消" keeps the host, the window and its ticks.
TEST_F(HostWindowTest, ClosingTheHostClosesItsWindowsAsTheUserWould) {
    auto* type = control<QComboBox>("FrmTrunAccountInput", "cbywlx");
    ASSERT_NE(type, nullptr);
    type->setCurrentIndex(2);
    control<QDateEdit>("FrmTrunAccountInput", "edtrzrq_b")->setDate(QDate(2024, 11, 1));
    control<QDateEdit>("FrmTrunAccountInput", "edtrzrq_e")->setDate(QDate(2024, 11, 30));
    QTest::keyClick(type, Qt::Key_F2);
    control<QToolButton>("FrmTrunAccountInput", "btnall")->click();

    {
        ModalAnswerer answer({QStringLiteral("取消")});
        EXPECT_FALSE(host->close());
        ASSERT_EQ(answer.seen().size(), 1);
        EXPECT_EQ(answer.seen()[0].text, QStringLiteral("有未保存的勾对，确定要退出吗?"));
    }
    EXPECT_TRUE(host->isVisible());
    ASSERT_NE(window("FrmTrunAccountInput"), nullptr);
    EXPECT_FALSE(window("FrmTrunAccountInput")->isHidden());

    {
        ModalAnswerer answer({QStringLiteral("确定")});
        EXPECT_TRUE(host->close());
        EXPECT_EQ(answer.seen().size(), 1);
    }
    const std::string stored = settingsText();
    EXPECT_NE(stored.find("[FrmTrunAccountInput]"), std::string::npos) << stored;
    EXPECT_NE(stored.find("cbywlx=2"), std::string::npos) << stored;
    EXPECT_NE(stored.find("[FrmTrunAccountSearch]"), std::string::npos) << stored;
}

}  // namespace
}  // namespace trunaccount::testing
