// The reconciliation window's start-up, stored settings and closing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QListWidget>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include "data/ini_file.h"
#include "data/settings.h"
#include "host/host_values.h"
#include "support/modal_helper.h"
#include "tools/frm_choose_db_fields.h"
#include "tools/adv_grid.h"
#include "trunaccount/host_messages.h"
#include "ui_frm_trun_account.h"
#include "window_fixture.h"

using namespace Qt::StringLiterals;

namespace trunaccount::testing {
namespace {

using host::TFrmTrunAccount;

class WindowLifecycle : public WindowTest {
protected:
    WindowLifecycle() {
        coordinator = ScriptedCoordinator::create(&sc);
        scriptStartUp(*sc);
    }
    ScriptedCoordinator* sc = nullptr;
    CoordinatorRef coordinator;
};

TEST_F(WindowLifecycle, StartUpInOrder) {
    auto* w = open("Input"_L1, coordinator.get());
    ASSERT_NE(w, nullptr);
    const std::vector<CoordinatorOp> expected{
        CoordinatorOp::GetDbType,        CoordinatorOp::GetYearMonth,   CoordinatorOp::GetServerDateTime,
        CoordinatorOp::GetServerDate,    CoordinatorOp::GetOperatorName, CoordinatorOp::GetSystemParams,
        CoordinatorOp::QueryData,        CoordinatorOp::QueryData,      CoordinatorOp::QueryData,
        CoordinatorOp::QueryData};
    EXPECT_EQ(sc->ops(), expected);
    EXPECT_EQ(w->parameters().operatorCode, "0001");
    EXPECT_EQ(w->parameters().operatorName, "张丽华");
    EXPECT_EQ(host::moduleState().startYearMonth, "202410");
    EXPECT_EQ(host::moduleState().currentDate, "20250110");
    // Both dates start on the server's date: the first search covers that one day.
    EXPECT_EQ(w->ui().edtrzrq_b->date(), QDate(2025, 1, 10));
    EXPECT_EQ(w->ui().edtrzrq_e->date(), QDate(2025, 1, 10));
    EXPECT_TRUE(w->MAll->isChecked());
    EXPECT_FALSE(w->Msum->isChecked());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("转帐勾对"));
    EXPECT_TRUE(w->ui().MemoCondition->isHidden());
    EXPECT_TRUE(w->ui().btnChoose->isHidden());
    EXPECT_TRUE(w->ui().btnShow->isHidden());
    // The library's own windows belong to the host window.
    EXPECT_EQ(host::hostValues().ownerWindow.data(), &hostWindow);
}

TEST_F(WindowLifecycle, WithoutStoredSettingsTheDesignHolds) {
    auto* w = open("Input"_L1, coordinator.get());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->ui().cbywlx->currentText(), QStringLiteral("发票提交单"));
    for (QComboBox* c : {w->ui().cbtd, w->ui().cbzffs, w->ui().cbfkyy})
        EXPECT_EQ(c->currentText(), QStringLiteral("全部"));
    EXPECT_EQ(w->dgdView->column(4).width(), 95);  // 单据号 keeps its designed width
    EXPECT_TRUE(w->dgdView->column(4).visible());
}

TEST_F(WindowLifecycle, SettingsArePerModeAndAnIndexOutsideItsListSelectsNothing) {
    const std::string file = "Quorvexpos.ini";
    WriteSetting(file, "FrmTrunAccountInput", "cbywlx", "3", "");
    WriteSetting(file, "FrmTrunAccountInput", "cbtd", "3", "");  // the channel list has items 0 to 2
    WriteSetting(file, "FrmTrunAccountInput", "cbzffs", "2", "");
    WriteSetting(file, "FrmTrunAccountInput", "f_Djh", "0,120", "");
    WriteSetting(file, "FrmTrunAccountSearch", "cbywlx", "2", "");

    auto* input = open("Input"_L1, coordinator.get());
    auto* search = open("Search"_L1, coordinator.get());
    ASSERT_TRUE(input && search);
    EXPECT_EQ(input->ui().cbywlx->currentIndex(), 3);
    EXPECT_EQ(input->ui().Label22->text(), QStringLiteral("入账日期:从"));  // the business type was applied
    EXPECT_EQ(input->ui().cbtd->currentIndex(), -1);
    EXPECT_EQ(input->ui().cbzffs->currentText(), QStringLiteral("02 转账"));
    // The width is restored; which columns show is the business type's to say.
    EXPECT_EQ(input->dgdView->column(4).width(), 120);
    EXPECT_TRUE(input->dgdView->column(4).visible());
    EXPECT_FALSE(input->dgdView->column(9).visible());  // project approvals have no amount without tax
    EXPECT_EQ(search->ui().cbywlx->currentIndex(), 2);
    EXPECT_EQ(search->ui().cbtd->currentIndex(), 0);

    // Closing stores the selections: nothing selected is "-1".
    input->btnExitClick();
    EXPECT_EQ(ReadSetting(file, "FrmTrunAccountInput", "cbtd", "", ""), "-1");
    EXPECT_EQ(ReadSetting(file, "FrmTrunAccountInput", "cbywlx", "", ""), "3");
    EXPECT_EQ(ReadSetting(file, "FrmTrunAccountInput", "f_Djh", "", ""), "1,120");
    EXPECT_EQ(ReadSetting(file, "FrmTrunAccountSearch", "cbywlx", "", ""), "2");  // untouched
}

TEST_F(WindowLifecycle, EscapeClosesAndTheHostIsTold) {
    auto* w = open("Search"_L1, coordinator.get());
    ASSERT_NE(w, nullptr);
    QPointer<TFrmTrunAccount> alive(w);
    w->ui().cbfkyy->setCurrentIndex(1);
    QTest::keyClick(w->dgdView->view(), Qt::Key_Escape);
    EXPECT_EQ(notify.messages, QList<int>{kMsgWindowClosing});
    EXPECT_TRUE(host::hostValues().coordinator);  // the library keeps its coordinator
    flushDeletes();
    EXPECT_TRUE(alive.isNull());
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "FrmTrunAccountSearch", "cbfkyy", "", ""), "1");
    EXPECT_NE(settingsText().find("f_zzgdrq=1,"), std::string::npos);  // shown in search mode
}

TEST_F(WindowLifecycle, AFailedStartLeavesTheStoredSettingsAlone) {
    WriteSetting("Quorvexpos.ini", "FrmTrunAccountInput", "cbywlx", "4", "");
    const std::string before = settingsText();
    sc->onGetServerDate = nullptr;  // the load fails
    EXPECT_EQ(open("Input"_L1, coordinator.get()), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "取得当前日期时出错！");
    EXPECT_EQ(boxes.shown()[0].caption, "错误");
    EXPECT_EQ(notify.messages, QList<int>{kMsgWindowClosing});
    EXPECT_EQ(settingsText(), before);
}

TEST_F(WindowLifecycle, AnUnreadableSettingsFileIsReportedAndTheWindowStillWorks) {
    // "Unicode" as Windows saves it: not a file this program can read or add to.
    TempDir::writeFile(hostDir.file("Quorvexpos.ini"), std::string("\xFF\xFE[\0S\0]\0", 8));
    auto* w = open("Input"_L1, coordinator.get());
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find("Quorvexpos.ini"), std::string::npos);
    EXPECT_EQ(w->ui().Label22->text(), QStringLiteral("制单日期:从"));
}

TEST_F(WindowLifecycle, ClosingWritesTheWholeLayoutInOneReplacementAndNoneWhenNothingChanged) {
    int replacements = 0;
    setIniBeforeRenameHookForTesting([&](const std::string&) { ++replacements; });
    auto* w = open("Input"_L1, coordinator.get());
    ASSERT_NE(w, nullptr);
    w->ui().cbtd->setCurrentIndex(2);
    w->btnExitClick();
    flushDeletes();
    EXPECT_EQ(replacements, 1);
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", "cbtd", "", ""), "2");
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", "f_Djh", "", ""), "1,95");

    // Opened and closed again as it was: the file is not rewritten.
    w = open("Input"_L1, coordinator.get());
    ASSERT_NE(w, nullptr);
    w->btnExitClick();
    EXPECT_EQ(replacements, 1);
    setIniBeforeRenameHookForTesting(nullptr);
}

TEST_F(WindowLifecycle, AReadOnlySettingsFileIsLeftAloneAndTheUserToldOnce) {
    const std::string path = hostDir.file("Quorvexpos.ini");
    WriteSetting("Quorvexpos.ini", "FrmTrunAccountInput", "cbtd", "1", "");
    ::chmod(path.c_str(), 0444);
    const std::string before = settingsText();
    for (const char* mode : {"Input", "Search", "Input"}) {
        auto* w = open(QLatin1StringView(mode), coordinator.get());
        ASSERT_NE(w, nullptr) << mode;
        w->ui().cbtd->setCurrentIndex(2);
        w->btnExitClick();
        flushDeletes();
    }
    EXPECT_EQ(settingsText(), before);
    ASSERT_EQ(boxes.shown().size(), 1u);  // once for the file, not at every close
    EXPECT_EQ(boxes.shown()[0].caption, "警告");
    EXPECT_EQ(boxes.shown()[0].flags, platform::MB_OK | platform::MB_ICONWARNING);
    EXPECT_NE(boxes.shown()[0].text.find("只读"), std::string::npos);
    EXPECT_NE(boxes.shown()[0].text.find(path), std::string::npos);
    ::chmod(path.c_str(), 0644);
}

TEST_F(WindowLifecycle, ErrorsStayVisibleAfterTheWaitWindow) {
    auto* w = open("Input"_L1, coordinator.get());
    ASSERT_NE(w, nullptr);
    sc->onQueryData = [](const std::string&, Variant& data) {
        return data = ScriptedCoordinator::errorLines({"timeout"}), false;
    };
    w->btnSearchClick();  // shows and takes away the wait window
    boxes.clear();
    // A rejected value escaping the grid's editing is still shown to the user.
    w->dgdView->reportError(QStringLiteral("非法日期"));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "非法日期");
}

TEST_F(WindowLifecycle, HelpButtonShowsTheShortcuts) {
    auto* w = open("Input"_L1, coordinator.get());
    ASSERT_NE(w, nullptr);
    QStringList seen;
    QTimer::singleShot(50, [&] {
        if (auto* popup = w->RopHelp.popup()) {
            seen = popup->Lines;
            popup->close();
        }
    });
    w->ui().btnHand->click();
    // The input window lists its statement import too.
    EXPECT_EQ(seen, (QStringList{QStringLiteral("快捷键："), ""_L1, QStringLiteral("    重  查: F2"),
                                 QStringLiteral("    选  项: F3"), QStringLiteral("    预  览: Ctrl+V"),
                                 QStringLiteral("    打  印: Ctrl+P"), QStringLiteral("    导入对账单: Ctrl+I"),
                                 QStringLiteral("    退  出: ESC")}));
}

// Renders both modes to PNG for a look (build/bin/window-*.png); not a pixel comparison.
TEST_F(WindowLifecycle, RendersBothModes) {
    TestDatabase db(Backend::Sqlite);
    auto coord = db.openCoordinator();
    container->resize(1100, 560);
    for (const char* mode : {"Input", "Search"}) {
        auto* w = open(QLatin1StringView(mode), coord.get());
        ASSERT_NE(w, nullptr);
        w->ui().edtrzrq_b->setDate(QDate(2025, 1, 1));
        w->btnSearchClick();
        EXPECT_GT(w->cdspass.recordCount(), 0) << mode;
        QImage shot = w->PanelMain()->grab().toImage();
        EXPECT_EQ(shot.size(), container->size());
        shot.save(QDir(QCoreApplication::applicationDirPath())
                      .filePath(QStringLiteral("window-%1.png").arg(QLatin1StringView(mode))));
        delete w;
    }
}

// The hidden "选  项" still runs the column chooser; what is chosen there is
// the layout the window stores when it closes.
TEST_F(WindowLifecycle, ChosenColumnsAreStoredAtClose) {
    auto* w = open("Input"_L1, coordinator.get());
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->ui().btnChoose->isHidden());
    QStringList listed;
    whenModal([&](QWidget* d) {
        auto* chooser = qobject_cast<TFrmChooseDBFields*>(d);
        ASSERT_TRUE(chooser);
        EXPECT_EQ(chooser->Grid, w->dgdView);
        for (int i = 0; i < chooser->list()->count(); ++i) {
            QListWidgetItem* item = chooser->list()->item(i);
            listed << item->text();
            if (item->text() == QStringLiteral("单据号")) item->setCheckState(Qt::Unchecked);
        }
        chooser->btnokClick();
    });
    w->ui().btnChoose->click();
    EXPECT_EQ(listed.size(), w->dgdView->columnCount());
    EXPECT_TRUE(listed.contains(QStringLiteral("供应商名称")));
    EXPECT_FALSE(w->dgdView->findColumn(QStringLiteral("f_Djh"))->visible());
    QTest::keyClick(w->dgdView->view(), Qt::Key_Escape);
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", "f_Djh", "", "").substr(0, 2), "0,");
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", "f_Csmc", "", "").substr(0, 2), "1,");
}

}  // namespace
}  // namespace trunaccount::testing
