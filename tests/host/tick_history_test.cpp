// The tick history of the search window over real databases with and without
// the audit, and a save that fails because another writer holds the database.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "coordinator/audit.h"
#include "host/frm_tick_history.h"
#include "host/host_values.h"
#include "platform/coordinator_calls.h"
#include "tick_window.h"
#include "tools/adv_grid.h"
#include "ui_frm_trun_account.h"
#include "window_fixture.h"

using namespace Qt::StringLiterals;

namespace trunaccount::testing {
namespace {

using host::TFrmTrunAccount;

class TickHistory : public WindowTest, public ::testing::WithParamInterface<Backend> {
protected:
    void SetUp() override { TA_REQUIRE_BACKEND(GetParam()); }
    void TearDown() override {
        container.reset();
        flushDeletes();
        host::hostValues() = host::HostValues{};
    }
    // A coordinator over the database whose server time the test sets.
    void useDatabase(std::optional<coord::DemoOptions> demo = testDemoOptions()) {
        db = std::make_unique<TestDatabase>(GetParam(), demo);
        coordinator = forwardingTo(db->openCoordinator(), &calls);
        calls->onGetServerDateTime = [this](Variant& v) {
            v = Variant(serverTime);
            return true;
        };
    }
    TFrmTrunAccount* openWindow(const char* mode, const std::string& operatorCode) {
        if (!container) {
            container = std::make_unique<QWidget>();
            container->resize(1000, 600);
            container->show();
        }
        TFrmTrunAccount* w = open(QString::fromLatin1(mode), coordinator.get(), operatorCode);
        EXPECT_NE(w, nullptr);
        return w;
    }
    static int rowOf(const TFrmTrunAccount& w, const std::string& number) {
        auto numbers = column(w, "f_Djh");
        return static_cast<int>(std::find(numbers.begin(), numbers.end(), number) - numbers.begin());
    }
    // Ticks the document in an input window and saves.
    void tickAndSave(const std::string& number, const std::string& operatorCode) {
        TFrmTrunAccount* w = openWindow("Input", operatorCode);
        searchDocuments(*w, BusinessType::FeeCollection, "20241001", "20241031");
        const int row = rowOf(*w, number);
        ASSERT_LT(row, w->cdspass.recordCount());
        w->cdspass.setCurrentRow(row);
        w->toggleCurrentTick();
        w->btnsaveClick();
        w->btnExitClick();
        flushDeletes();
    }
    // A search window listing the fee collections of October 2024 (all ticks).
    TFrmTrunAccount* searchWindow(const std::string& operatorCode = "0001") {
        TFrmTrunAccount* w = openWindow("Search", operatorCode);
        searchDocuments(*w, BusinessType::FeeCollection, "20241001", "20241031", 0);
        return w;
    }
    // What the history dialog opened by `open` shows, row by row, and a look at it.
    std::vector<std::vector<QString>> historyShown(const std::function<void()>& open, QString* title = nullptr) {
        std::vector<std::vector<QString>> rows;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<host::TFrmTickHistory*>(QApplication::activeModalWidget());
            if (!dialog) return;
            if (title) *title = dialog->labDocument()->text();
            QTableWidget* t = dialog->lvwHistory();
            for (int r = 0; r < t->rowCount(); ++r) {
                rows.emplace_back();
                for (int c = 0; c < t->columnCount(); ++c) rows.back().push_back(t->item(r, c)->text());
            }
            dialog->grab().save(QString::fromStdString(hostDir.file("history.png")));
            QTest::mouseClick(dialog->btnClose(), Qt::LeftButton);
        });
        open();
        return rows;
    }

    std::unique_ptr<TestDatabase> db;
    ScriptedCoordinator* calls = nullptr;
    CoordinatorRef coordinator;
    std::string serverTime = "2025011009:15:00";
};

TEST_P(TickHistory, ADocumentTickedRevokedAndTickedAgainShowsEachStepInOrder) {
    useDatabase();
    std::string number;
    {
        TFrmTrunAccount* w = openWindow("Input", "0001");
        searchDocuments(*w, BusinessType::FeeCollection, "20241001", "20241031");
        ASSERT_GT(w->cdspass.recordCount(), 0);
        number = column(*w, "f_Djh").at(0);
        w->btnExitClick();
        flushDeletes();
    }
    tickAndSave(number, "0001");
    {
        serverTime = "2025011014:40:05";
        TFrmTrunAccount* s = searchWindow("0002");
        const int row = rowOf(*s, number);
        ASSERT_LT(row, s->cdspass.recordCount());
        s->dgdView->selectedRows().setRowSelected(row, true);
        s->btnNogdClick();
        s->btnExitClick();
        flushDeletes();
    }
    serverTime = "2025011016:02:30";
    tickAndSave(number, "0001");
    boxes.clear();

    TFrmTrunAccount* s = searchWindow("0003");
    const int row = rowOf(*s, number);
    ASSERT_LT(row, s->cdspass.recordCount());
    const std::vector<std::vector<QString>> expected = {
        {"2025-01-10 09:15:00"_L1, QStringLiteral("0001 张丽华"), QStringLiteral("勾对")},
        {"2025-01-10 14:40:05"_L1, QStringLiteral("0002 王建国"), QStringLiteral("注销")},
        {"2025-01-10 16:02:30"_L1, QStringLiteral("0001 张丽华"), QStringLiteral("勾对")},
    };
    // From the row's menu: a right click on the row makes it current and opens the menu.
    s->cdspass.setCurrentRow(row == 0 ? 1 : 0);
    QTableView* view = s->dgdView->view();
    const QPoint at = cellCentre(*s, row, 4);
    QString title;
    std::vector<std::vector<QString>> fromMenu;
    QTimer::singleShot(0, [&] {
        QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_EQ(menu, s->MenuRow);
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("勾对历史"));
        fromMenu = historyShown([&] { menu->actions()[0]->trigger(); }, &title);
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
    QApplication::processEvents();
    EXPECT_EQ(s->cdspass.currentRow(), row);
    EXPECT_EQ(fromMenu, expected);
    EXPECT_EQ(title.toStdString(), "单据号：" + number + "    核算单位：" + column(*s, "f_hsdwh").at(static_cast<std::size_t>(row)));

    // And by its key, on the current row.
    auto fromKey = historyShown([&] { QTest::keyClick(view, Qt::Key_F4); });
    EXPECT_EQ(fromKey, expected);
    EXPECT_TRUE(boxes.shown().empty()) << boxes.texts().front();

    // The steps come from the audit, which stays intact.
    auto verdict = coord::verifyAudit(*db->openDatabase());
    EXPECT_TRUE(verdict.intact) << verdict.problem;
    EXPECT_EQ(verdict.entries, 3u);
}

TEST_P(TickHistory, WithoutTheAuditTheWindowSaysSoInsteadOfFailing) {
    auto options = testDemoOptions();
    options.audit = false;
    useDatabase(options);
    TFrmTrunAccount* s = searchWindow();
    ASSERT_GT(s->cdspass.recordCount(), 0);
    boxes.clear();
    QTest::keyClick(s->dgdView->view(), Qt::Key_F4);
    ASSERT_EQ(boxes.shown().size(), 1u);
    const ShownMessage& m = boxes.shown()[0];
    EXPECT_EQ(m.text, "这个数据库没有启用勾对审计，查不到勾对历史。\n（系统管理员可用 trunaccount-admin audit enable 启用）");
    EXPECT_EQ(m.caption, "提示");
    EXPECT_EQ(m.icon(), platform::MB_ICONINFORMATION);
}

TEST_P(TickHistory, ADocumentTickedBeforeTheAuditHasNoSteps) {
    useDatabase();
    TFrmTrunAccount* s = openWindow("Search", "0001");
    searchDocuments(*s, BusinessType::FeeCollection, "20241001", "20241031", 2);  // ticked in the demo data
    ASSERT_GT(s->cdspass.recordCount(), 0);
    s->cdspass.setCurrentRow(0);
    boxes.clear();
    s->MgdlsClick();
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "单据 " + column(*s, "f_Djh").at(0) + " 没有勾对或注销的记录。");
    EXPECT_EQ(boxes.shown()[0].icon(), platform::MB_ICONINFORMATION);
}

TA_INSTANTIATE_BACKEND_TESTS(TickHistory);

// Cases that need one backend only.
class TickHistorySqlite : public TickHistory {
protected:
    void SetUp() override {}
};

TEST_F(TickHistorySqlite, OnlyTheSearchWindowHasTheRowMenuAndItsKeyInTheHelp) {
    TestDatabase db(Backend::Sqlite);
    auto real = db.openCoordinator();
    container = std::make_unique<QWidget>();
    container->show();
    TFrmTrunAccount* s = open(QStringLiteral("Search"), real.get());
    ASSERT_NE(s, nullptr);
    ASSERT_NE(s->MenuRow, nullptr);
    EXPECT_EQ(s->RopHelp.Lines.size(), 8);
    EXPECT_EQ(s->RopHelp.Lines.back(), QStringLiteral("    勾对历史: F4"));
    TFrmTrunAccount* in = open(QStringLiteral("Input"), real.get());
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->MenuRow, nullptr);
    EXPECT_FALSE(in->RopHelp.Lines.contains(QStringLiteral("    勾对历史: F4")));
    // F4 in the input window does nothing.
    in->cdspass.close();
    boxes.clear();
    QTest::keyClick(in->dgdView->view(), Qt::Key_F4);
    EXPECT_TRUE(boxes.shown().empty());
}

// Another accountant's save holds the SQLite file: the save waits its busy
// timeout, says why it could not save, and leaves list, ticks and tables as
// they were; once the other save is done the same save goes through.
TEST_F(TickHistorySqlite, ASaveThatFindsTheDatabaseBusyKeepsEverythingForTheNextAttempt) {
    db = std::make_unique<TestDatabase>(Backend::Sqlite);
    auto database = coord::openDatabase(db->location());
    database->execute("pragma busy_timeout=300");
    coordinator = forwardingTo(coord::makeCoordinator(std::move(database), coord::Clock::fixedAt(kTestClock)), &calls);
    TFrmTrunAccount* w = openWindow("Input", "0001");
    searchDocuments(*w, BusinessType::FeeCollection, "20250101", "20250110");
    ASSERT_GE(w->cdspass.recordCount(), 3);
    for (int row : {0, 2}) {
        w->cdspass.setCurrentRow(row);
        w->toggleCurrentTick();
    }
    const ListState before = listState(*w);
    auto other = db->openDatabase();
    const auto stored = queryRows(*other, "select * from tb202501_tdsfb order by f_hsdwh,f_djh");
    other->execute("begin immediate");  // the other accountant's save, not yet committed
    boxes.clear();

    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].caption, "错误");
    EXPECT_EQ(boxes.shown()[1].text,
              "批处理无法开始事务，全部语句均未执行：\r\n"
              "数据库正被另一位用户写入，等待 0.3 秒后仍未轮到，本次没有写入任何数据。\r\n"
              "请稍后再试一次。");
    EXPECT_EQ(listState(*w), before);
    other->execute("commit");
    EXPECT_EQ(queryRows(*other, "select * from tb202501_tdsfb order by f_hsdwh,f_djh"), stored);

    boxes.clear();
    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"确定要保存吗!", "保存成功!"}));
    EXPECT_EQ(w->cdspass.recordCount(), static_cast<int>(before.rows.size()) - 2);
    EXPECT_EQ(coord::readAudit(*other).size(), 2u);
}

}  // namespace
}  // namespace trunaccount::testing
