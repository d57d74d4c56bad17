// Saving and revoking tick-offs from the reconciliation window into real demo
// databases: the statements sent, the source rows read back, the list and its
// totals afterwards, and nothing changed anywhere when a step fails.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <algorithm>

#include "host/frm_hint.h"
#include "host/host_values.h"
#include "platform/coordinator_calls.h"
#include "tick_window.h"
#include "tools/adv_grid.h"
#include "ui_frm_trun_account.h"
#include "window_fixture.h"

namespace trunaccount::testing {
namespace {

using host::TFrmTrunAccount;
using platform::IDCANCEL;
using platform::IDOK;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class SaveRevoke : public WindowTest, public ::testing::WithParamInterface<Backend> {
protected:
    void SetUp() override {
        TA_REQUIRE_BACKEND(backend());
        db = std::make_unique<TestDatabase>(backend());
        real = db->openCoordinator();
        coordinator = forwardingTo(real, &calls);
        Variant time;
        ASSERT_TRUE(platform::GetServerDateTime(*real, time));
        serverTime = time.toText();
    }
    void TearDown() override {
        // The windows let go of the coordinator before its database goes.
        container.reset();
        flushDeletes();
        host::hostValues() = host::HostValues{};
    }
    virtual Backend backend() const { return GetParam(); }

    TFrmTrunAccount* openWindow(const char* mode, const std::string& operatorCode = "0001") {
        container = std::make_unique<QWidget>();
        container->show();
        TFrmTrunAccount* w = open(QString::fromLatin1(mode), coordinator.get(), operatorCode);
        EXPECT_NE(w, nullptr);
        return w;
    }
    // An input window listing the unticked documents of the type, cut down to
    // its first `rows` rows with "删  行".
    TFrmTrunAccount* inputList(BusinessType type, const char* from, const char* to, int rows) {
        TFrmTrunAccount* w = openWindow("Input");
        searchDocuments(*w, type, from, to);
        EXPECT_GE(w->cdspass.recordCount(), rows);
        while (w->cdspass.recordCount() > rows) {
            w->cdspass.last();
            w->btndelClick();
        }
        boxes.clear();
        calls->clearCalls();
        return w;
    }
    static void tick(TFrmTrunAccount& w, int row) {
        QTest::mouseClick(w.dgdView->view()->viewport(), Qt::LeftButton, {}, cellCentre(w, row, 0));
        ASSERT_EQ(w.cdspassf_zzgdbz->textAt(w.cdspass.recordAt(row)), "1");
    }
    static void setText(TFrmTrunAccount& w, int row, const char* field, const std::string& text) {
        w.cdspass.setCurrentRow(row);
        w.cdspass.edit();
        w.cdspass.fieldByName(field).setAsString(text);
        w.cdspass.post();
    }
    static std::string textAt(const TFrmTrunAccount& w, int row, const char* field) {
        return w.cdspass.fieldByName(field).asStringAt(w.cdspass.recordAt(row));
    }
    // Unit and number of the row.
    static std::pair<std::string, std::string> documentAt(const TFrmTrunAccount& w, int row) {
        return {textAt(w, row, "f_hsdwh"), textAt(w, row, "f_Djh")};
    }
    SourceTick readBack(BusinessType type, const std::pair<std::string, std::string>& doc) {
        auto database = db->openDatabase();
        return sourceTick(*database, sourceTable(type, doc.second), doc.first, doc.second);
    }
    std::vector<std::vector<std::string>> table(const std::string& name) {
        auto database = db->openDatabase();
        return queryRows(*database, "select * from " + name + " order by f_hsdwh,f_djh");
    }
    void expectShown(std::size_t i, const char* text, unsigned icon, unsigned buttons, const TFrmTrunAccount* w) {
        ASSERT_GT(boxes.shown().size(), i);
        const ShownMessage& m = boxes.shown()[i];
        EXPECT_EQ(m.text, text);
        EXPECT_EQ(m.caption, "提示");
        EXPECT_EQ(m.icon(), icon);
        EXPECT_EQ(m.buttons(), buttons);
        EXPECT_EQ(m.owner, static_cast<platform::WindowHandle>(const_cast<TFrmTrunAccount*>(w)));
    }
    // No wait window is left over and the list shows again.
    static void expectCleanedUp(TFrmTrunAccount& w) {
        flushDeletes();
        EXPECT_TRUE(w.findChildren<host::TFrmHint*>().empty());
        EXPECT_FALSE(w.cdspass.controlsDisabled());
    }
    std::size_t callsOf(CoordinatorOp op) const {
        auto ops = calls->ops();
        return static_cast<std::size_t>(std::count(ops.begin(), ops.end(), op));
    }

    std::unique_ptr<TestDatabase> db;
    CoordinatorRef real;
    ScriptedCoordinator* calls = nullptr;
    CoordinatorRef coordinator;
    std::string serverTime;
};

// Cases that need one backend only.
class SaveRevokeSqlite : public SaveRevoke {
protected:
    Backend backend() const override { return Backend::Sqlite; }
};

const SourceTick kUntouched{"0", "", "", ""};

// ---- Saving ----

TEST_P(SaveRevoke, InvoiceSubmissionsWriteEveryRowAndTheTickedOnesLeave) {
    TFrmTrunAccount* w = inputList(BusinessType::InvoiceSubmission, "20241101", "20241130", 3);
    tick(*w, 1);
    setText(*w, 0, "f_zzse", "");  // an emptied tax amount is written as 0
    const auto docs = std::vector{documentAt(*w, 0), documentAt(*w, 1), documentAt(*w, 2)};

    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);

    ASSERT_EQ(boxes.shown().size(), 2u);
    expectShown(0, "确定要保存吗!", platform::MB_ICONQUESTION, platform::MB_OKCANCEL, w);
    expectShown(1, "保存成功!", platform::MB_ICONINFORMATION, platform::MB_OK, w);
    auto batches = batchesSent(*calls);
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].size(), 3u);
    EXPECT_TRUE(contains(batches[0][0], "f_zzse=0,"));
    EXPECT_TRUE(contains(batches[0][1], "f_zzgdbz='1'"));
    for (int i : {0, 2}) EXPECT_TRUE(contains(batches[0][static_cast<std::size_t>(i)], "f_zzgdbz='0'"));

    EXPECT_EQ(column(*w, "f_Djh"), (std::vector{docs[0].second, docs[2].second}));
    EXPECT_EQ(totalsLine(*w), (std::vector<QString>{QStringLiteral("合计:2条"), QStringLiteral("已勾:0条"),
                                                    QStringLiteral("已勾金额:0.00")}));
    expectCleanedUp(*w);
    // Unticked rows are stamped as well.
    EXPECT_EQ(readBack(BusinessType::InvoiceSubmission, docs[0]), (SourceTick{"0", serverTime, "0001", "张丽华"}));
    EXPECT_EQ(readBack(BusinessType::InvoiceSubmission, docs[1]), (SourceTick{"1", serverTime, "0001", "张丽华"}));
    EXPECT_EQ(readBack(BusinessType::InvoiceSubmission, docs[2]), (SourceTick{"0", serverTime, "0001", "张丽华"}));
    auto database = db->openDatabase();
    auto tax = queryRows(*database, "select f_zzse from " + sourceTable(BusinessType::InvoiceSubmission, docs[0].second) +
                                        " where f_djh='" + docs[0].second + "'");
    EXPECT_EQ(tax, (std::vector<std::vector<std::string>>{{"0"}}));
}

TEST_P(SaveRevoke, EachBusinessTypeStoresItsTicks) {
    struct Case {
        BusinessType type;
        bool writesUnticked;
    } cases[] = {
        {BusinessType::InvoiceSubmission, true}, {BusinessType::InvoiceAdjustment, false},
        {BusinessType::PaymentApproval, true},   {BusinessType::ProjectApproval, false},
        {BusinessType::FeeCollection, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("type " + std::to_string(static_cast<int>(c.type)));
        TFrmTrunAccount* w = inputList(c.type, "20241001", "20250110", 2);
        tick(*w, 0);
        const auto ticked = documentAt(*w, 0), other = documentAt(*w, 1);
        QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
        ASSERT_EQ(boxes.texts(), (std::vector<std::string>{"确定要保存吗!", "保存成功!"}));
        ASSERT_EQ(batchesSent(*calls).size(), 1u);
        EXPECT_EQ(batchesSent(*calls)[0].size(), c.writesUnticked ? 2u : 1u);
        EXPECT_EQ(readBack(c.type, ticked), (SourceTick{"1", serverTime, "0001", "张丽华"}));
        const SourceTick stamped{"0", serverTime, "0001", "张丽华"};
        EXPECT_EQ(readBack(c.type, other), c.writesUnticked ? stamped : kUntouched);
        EXPECT_EQ(column(*w, "f_Djh"), std::vector{other.second});
    }
}

TEST_F(SaveRevokeSqlite, ProjectApprovalsSendTheTickedRowsOnly) {
    TFrmTrunAccount* w = inputList(BusinessType::ProjectApproval, "20241001", "20250110", 3);
    tick(*w, 0);
    tick(*w, 2);
    const auto docs = std::vector{documentAt(*w, 0), documentAt(*w, 1), documentAt(*w, 2)};
    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
    auto batches = batchesSent(*calls);
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].size(), 2u);
    for (const auto& s : batches[0]) EXPECT_TRUE(s.starts_with("update tbtdspzb set f_zzgdbz='1',")) << s;
    EXPECT_TRUE(contains(batches[0][0], "'" + docs[0].second + "'"));
    EXPECT_TRUE(contains(batches[0][1], "'" + docs[2].second + "'"));
    EXPECT_EQ(column(*w, "f_Djh"), std::vector{docs[1].second});
    EXPECT_EQ(totalsLine(*w), (std::vector<QString>{QStringLiteral("合计:1条"), QStringLiteral("已勾:0条"),
                                                    QStringLiteral("已勾金额:0.00")}));
    EXPECT_EQ(readBack(BusinessType::ProjectApproval, docs[0]), (SourceTick{"1", serverTime, "0001", "张丽华"}));
    EXPECT_EQ(readBack(BusinessType::ProjectApproval, docs[1]), kUntouched);
    EXPECT_EQ(readBack(BusinessType::ProjectApproval, docs[2]), (SourceTick{"1", serverTime, "0001", "张丽华"}));
}

TEST_F(SaveRevokeSqlite, PaymentDetailsAreStoredAsTyped) {
    // Unit 1001, October 2024: three unticked payment approvals listed; the
    // second (9 October) has no bill number.
    TFrmTrunAccount* w = inputList(BusinessType::PaymentApproval, "20241001", "20241031", 3);
    ASSERT_EQ(textAt(*w, 1, "f_zzpjhm"), "");
    tick(*w, 0);
    // The bill number typed into the grid and left in its editor is saved too.
    QTableView* view = w->dgdView->view();
    w->cdspass.setCurrentRow(2);
    w->dgdView->setCurrentColumn(12);
    view->setFocus();
    view->edit(view->currentIndex());
    auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(view->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("PJ-2024"));
    const auto docs = std::vector{documentAt(*w, 0), documentAt(*w, 1), documentAt(*w, 2)};

    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);

    auto batches = batchesSent(*calls);
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].size(), 3u);
    EXPECT_TRUE(contains(batches[0][1], "f_zzpjhm='0'")) << batches[0][1];
    EXPECT_TRUE(contains(batches[0][2], "f_zzpjhm='PJ-2024'")) << batches[0][2];
    auto database = db->openDatabase();
    auto bills = queryRows(*database, "select f_djh,f_zzpjhm from tb202410_jsfksp where f_hsdwh='1001' and f_djh in ('" +
                                          docs[1].second + "','" + docs[2].second + "') order by f_djh");
    std::vector<std::vector<std::string>> expected{{docs[1].second, "0"}, {docs[2].second, "PJ-2024"}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(bills, expected);
}

TEST_F(SaveRevokeSqlite, QuotesInValuesAreStoredLiterally) {
    {
        auto database = db->openDatabase();
        database->execute("insert into tbzyda (f_zybm,f_zymc,f_hsdwh) values ('O''1','奥''尼尔','1001')");
    }
    TFrmTrunAccount* w = openWindow("Input", "O'1");
    searchDocuments(*w, BusinessType::PaymentApproval, "20241001", "20241031");
    ASSERT_EQ(w->cdspass.recordCount(), 3);
    tick(*w, 0);
    setText(*w, 0, "f_zzpjhm", "PJ'01");
    setText(*w, 0, "f_zzZffs", "0'2");
    setText(*w, 0, "f_zzyh", "B'K");
    setText(*w, 1, "f_zzpjhm", "'; delete tbzyda;--");  // within the bill number's 20 bytes
    const auto doc = documentAt(*w, 0), second = documentAt(*w, 1);
    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
    ASSERT_EQ(boxes.texts(), (std::vector<std::string>{"确定要保存吗!", "保存成功!"}));

    auto database = db->openDatabase();
    const std::string where = " from tb202410_jsfksp where f_hsdwh='1001' and f_djh='";
    EXPECT_EQ(queryRows(*database, "select f_zzpjhm,f_zzzffs,f_zzyh,f_zzgdrbm,f_zzgdrmc" + where + doc.second + "'"),
              (std::vector<std::vector<std::string>>{{"PJ'01", "0'2", "B'K", "O'1", "奥'尼尔"}}));
    EXPECT_EQ(queryRows(*database, "select f_zzpjhm" + where + second.second + "'"),
              (std::vector<std::vector<std::string>>{{"'; delete tbzyda;--"}}));
    EXPECT_EQ(queryRows(*database, "select count(*) from tbzyda").at(0).at(0), "6");

    // Revoked by the same operator.
    TFrmTrunAccount* s = openWindow("Search", "O'1");
    searchDocuments(*s, BusinessType::PaymentApproval, "20241001", "20241031", 2);
    const auto numbers = column(*s, "f_Djh");
    const int row = static_cast<int>(std::find(numbers.begin(), numbers.end(), doc.second) - numbers.begin());
    ASSERT_LT(row, s->cdspass.recordCount());
    s->dgdView->selectedRows().setRowSelected(row, true);
    s->btnNogdClick();
    EXPECT_EQ(readBack(BusinessType::PaymentApproval, doc), (SourceTick{"0", serverTime, "O'1", "奥'尼尔"}));
}

TEST_F(SaveRevokeSqlite, NothingToSaveSendsNothing) {
    struct Case {
        const char* name;
        BusinessType type;
        bool searched;  // otherwise the list was never loaded
        std::vector<std::string> shown;
    } cases[] = {
        {"invoice submissions, empty list", BusinessType::InvoiceSubmission, true, {"确定要保存吗!"}},
        {"payment approvals, empty list", BusinessType::PaymentApproval, true, {"确定要保存吗!"}},
        {"invoice submissions, no search yet", BusinessType::InvoiceSubmission, false,
         {"确定要保存吗!", "请先查询。"}},
        {"adjustments, nothing ticked", BusinessType::InvoiceAdjustment, true, {"没有修改数据，不能保存!"}},
        {"project approvals, nothing ticked", BusinessType::ProjectApproval, true, {"没有修改数据，不能保存!"}},
        {"fee collections, nothing ticked", BusinessType::FeeCollection, true, {"没有修改数据，不能保存!"}},
        {"fee collections, no search yet", BusinessType::FeeCollection, false, {"没有修改数据，不能保存!"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFrmTrunAccount* w = openWindow("Input");
        if (c.searched) {
            // Types 0 and 2: a day without documents; the others: a month of unticked rows.
            const bool empty = c.type == BusinessType::InvoiceSubmission || c.type == BusinessType::PaymentApproval;
            searchDocuments(*w, c.type, empty ? "20241103" : "20241001", empty ? "20241103" : "20250110");
            ASSERT_EQ(w->cdspass.recordCount() == 0, empty);
        } else {
            w->ui().cbywlx->setCurrentIndex(static_cast<int>(c.type));
            w->cbywlxChange();
        }
        const ListState before = listState(*w);
        boxes.clear();
        calls->clearCalls();
        QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
        EXPECT_EQ(boxes.texts(), c.shown);
        if (c.shown[0] == "没有修改数据，不能保存!") {
            EXPECT_EQ(boxes.shown()[0].caption, "提示");
            EXPECT_EQ(boxes.shown()[0].icon(), 0u);
            EXPECT_EQ(boxes.shown()[0].buttons(), platform::MB_OK);
            EXPECT_TRUE(calls->calls().empty());
        }
        EXPECT_EQ(callsOf(CoordinatorOp::ExecBatch), 0u);
        EXPECT_EQ(listState(*w), before);
        expectCleanedUp(*w);
    }
}

TEST_F(SaveRevokeSqlite, ADocumentNumberThatNamesNoMonthStopsTheSaveBeforeAnythingIsSent) {
    {
        auto database = db->openDatabase();
        database->execute(
            "insert into tb202410_jsfksp (f_hsdwh,f_djh,f_gysbm,f_zdrq,f_zdrbm,f_fkyybm,f_spje) select "
            "'1001','X02410000005',f_gysbm,'20241015','0001',f_fkyybm,100 from tb202410_jsfksp where f_djh='202410000007'");
    }
    TFrmTrunAccount* w = inputList(BusinessType::PaymentApproval, "20241001", "20241031", 4);
    const auto numbers = column(*w, "f_Djh");
    const int odd = static_cast<int>(std::find(numbers.begin(), numbers.end(), "X02410000005") - numbers.begin());
    ASSERT_LT(odd, 4);
    tick(*w, 0);
    const ListState before = listState(*w);
    const auto stored = table("tb202410_jsfksp");

    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].caption, "错误");
    EXPECT_TRUE(contains(boxes.shown()[1].text, "X02410000005")) << boxes.shown()[1].text;
    EXPECT_EQ(callsOf(CoordinatorOp::ExecBatch), 0u);
    EXPECT_EQ(listState(*w), before);
    EXPECT_EQ(table("tb202410_jsfksp"), stored);
    expectCleanedUp(*w);

    // Without that row the save goes through.
    w->cdspass.setCurrentRow(odd);
    w->btndelClick();
    boxes.clear();
    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"确定要保存吗!", "保存成功!"}));
}

TEST_F(SaveRevokeSqlite, ACancelledSaveChangesNothing) {
    TFrmTrunAccount* w = inputList(BusinessType::InvoiceSubmission, "20241101", "20241130", 3);
    tick(*w, 0);
    const ListState before = listState(*w);
    const auto stored = table("tb202411_fptjdzb");
    boxes.answer(IDCANCEL);
    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"确定要保存吗!"});
    EXPECT_TRUE(calls->calls().empty());
    EXPECT_EQ(listState(*w), before);
    EXPECT_EQ(table("tb202411_fptjdzb"), stored);
}

TEST_P(SaveRevoke, WhenTheServerTimeFailsNothingIsSentAndAllStays) {
    const auto forward = calls->onGetServerDateTime;
    auto attempt = [&](TFrmTrunAccount& w, QToolButton* button) {
        const ListState before = listState(w);
        const auto stored = table("tb202410_jsfksp");
        boxes.clear();
        calls->clearCalls();
        calls->onGetServerDateTime = [](Variant& v) {
            v = ScriptedCoordinator::errorLines({"服务器时间不可用", "连接已断开"});
            return false;
        };
        QTest::mouseClick(button, Qt::LeftButton);
        calls->onGetServerDateTime = forward;
        ASSERT_EQ(boxes.shown().size(), 2u);
        EXPECT_EQ(boxes.shown()[1].text, "服务器时间不可用\r\n连接已断开");
        EXPECT_EQ(boxes.shown()[1].caption, "错误");
        EXPECT_EQ(boxes.shown()[1].icon(), platform::MB_ICONERROR);
        EXPECT_EQ(callsOf(CoordinatorOp::ExecBatch), 0u);
        EXPECT_EQ(listState(w), before);
        EXPECT_EQ(table("tb202410_jsfksp"), stored);
        expectCleanedUp(w);
        // Nothing was lost: the same command succeeds now.
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(batchesSent(*calls).size(), 1u);
        EXPECT_NE(table("tb202410_jsfksp"), stored);
    };
    {
        SCOPED_TRACE("save");
        TFrmTrunAccount* w = inputList(BusinessType::PaymentApproval, "20241001", "20241031", 3);
        tick(*w, 0);
        tick(*w, 2);
        setText(*w, 1, "f_zzpjhm", "PJ1");
        attempt(*w, w->ui().btnsave);
        EXPECT_EQ(boxes.texts().back(), "保存成功!");
    }
    {
        SCOPED_TRACE("revoke");
        TFrmTrunAccount* w = openWindow("Search");
        searchDocuments(*w, BusinessType::PaymentApproval, "20241001", "20241031", 2);
        QTest::mouseClick(w->ui().btnall, Qt::LeftButton);
        attempt(*w, w->ui().btnNogd);
    }
}

TEST_P(SaveRevoke, ABatchFailingAtAnyStatementLeavesDatabaseAndListAsTheyWere) {
    // The k-th statement is sent to a month that has no table ("update tb" and
    // the month): the database refuses it after carrying out the ones before.
    int failAt = -1;
    calls->onExecBatch = [this, &failAt](Variant& statements) {
        Variant::Array texts = statements.asArray();
        if (failAt >= 0) {
            std::string s = texts.at(static_cast<std::size_t>(failAt)).toText();
            s.replace(9, 6, "209912");
            texts[static_cast<std::size_t>(failAt)] = Variant(s);
        }
        Variant sent(std::move(texts));
        bool ok = platform::ExecBatch(*real, sent);
        statements = sent;
        return ok;
    };
    struct Case {
        const char* name;
        const char* mode;
        QToolButton* Ui::TrunAccountContent::*button;
    } cases[] = {
        {"save", "Input", &Ui::TrunAccountContent::btnsave},
        {"revoke", "Search", &Ui::TrunAccountContent::btnNogd},
    };
    for (const auto& c : cases) {
        TFrmTrunAccount* w = openWindow(c.mode);
        if (w->inSearchMode()) {
            searchDocuments(*w, BusinessType::PaymentApproval, "20241001", "20241031", 2);
            QTest::mouseClick(w->ui().btnall, Qt::LeftButton);
        } else {
            searchDocuments(*w, BusinessType::PaymentApproval, "20241001", "20241031");
            tick(*w, 0);
            tick(*w, 2);
            setText(*w, 1, "f_zzpjhm", "PJ1");
            setText(*w, 2, "f_Zzzfrq", "20241201");
        }
        const int statements = w->inSearchMode() ? w->cdspass.recordCount() : 3;
        ASSERT_GE(statements, 3);
        for (failAt = 0; failAt < statements; ++failAt) {
            SCOPED_TRACE(std::string(c.name) + ", failing at " + std::to_string(failAt));
            const ListState before = listState(*w);
            const auto stored = table("tb202410_jsfksp");
            boxes.clear();
            QTest::mouseClick(w->ui().*c.button, Qt::LeftButton);
            ASSERT_EQ(boxes.shown().size(), 2u);
            EXPECT_EQ(boxes.shown()[1].caption, "错误");
            EXPECT_TRUE(contains(boxes.shown()[1].text, "tb209912")) << boxes.shown()[1].text;
            EXPECT_EQ(listState(*w), before);
            EXPECT_EQ(table("tb202410_jsfksp"), stored);
            expectCleanedUp(*w);
        }
        // Nothing was lost: the same command succeeds now.
        failAt = -1;
        const auto stored = table("tb202410_jsfksp");
        QTest::mouseClick(w->ui().*c.button, Qt::LeftButton);
        EXPECT_NE(table("tb202410_jsfksp"), stored);
        if (w->inSearchMode()) {
            EXPECT_EQ(column(*w, "f_zzgdbz"), std::vector<std::string>(static_cast<std::size_t>(statements), "0"));
        } else {
            EXPECT_EQ(boxes.texts().back(), "保存成功!");
            EXPECT_EQ(w->cdspass.recordCount(), 1);
            auto database = db->openDatabase();
            EXPECT_EQ(queryRows(*database, "select count(*) from tb202410_jsfksp where f_zzpjhm='PJ1' or "
                                           "f_zzzfrq='20241201'")
                          .at(0)
                          .at(0),
                      "2");
        }
    }
}

// ---- Revoking ----

TEST_P(SaveRevoke, RevokingTheSelectedTickedRows) {
    TFrmTrunAccount* w = openWindow("Search");
    searchDocuments(*w, BusinessType::InvoiceSubmission, "20241101", "20241130", 0);
    // Three rows selected with the mouse, two of them ticked.
    std::vector<int> ticked, unticked;
    for (int row = 0; row < w->cdspass.recordCount(); ++row)
        (textAt(*w, row, "f_zzgdbz") == "1" ? ticked : unticked).push_back(row);
    ASSERT_GE(ticked.size(), 2u);
    ASSERT_GE(unticked.size(), 1u);
    std::vector<int> chosen{ticked[0], unticked[0], ticked[1]};
    std::sort(chosen.begin(), chosen.end());
    for (int row : chosen)
        QTest::mouseClick(w->dgdView->view()->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(*w, row, 4));
    ASSERT_EQ(w->dgdView->selectedRows().count(), 3);
    const ListState before = listState(*w);
    const auto first = documentAt(*w, ticked[0]), second = documentAt(*w, ticked[1]), other = documentAt(*w, unticked[0]);
    const SourceTick otherStored = readBack(BusinessType::InvoiceSubmission, other);
    AmountTotal expected = w->tickedAmount();
    expected.subtract(w->cdspassf_hsje->floatAt(w->cdspass.recordAt(ticked[0])));
    expected.subtract(w->cdspassf_hsje->floatAt(w->cdspass.recordAt(ticked[1])));
    calls->clearCalls();

    QTest::mouseClick(w->ui().btnNogd, Qt::LeftButton);

    ASSERT_EQ(boxes.shown().size(), 1u);
    expectShown(0, "确定要把当前选中行置成未勾状态吗!", platform::MB_ICONQUESTION, platform::MB_OKCANCEL, w);
    auto batches = batchesSent(*calls);
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].size(), 2u);
    EXPECT_TRUE(contains(batches[0][0], "'" + first.second + "'"));
    EXPECT_TRUE(contains(batches[0][1], "'" + second.second + "'"));
    for (const auto& s : batches[0]) EXPECT_TRUE(s.starts_with("update tb202411_fptjdzb set f_zzgdbz='0',")) << s;

    EXPECT_EQ(textAt(*w, ticked[0], "f_zzgdbz"), "0");
    EXPECT_EQ(textAt(*w, ticked[1], "f_zzgdbz"), "0");
    EXPECT_EQ(w->cdspass.recordCount(), static_cast<int>(before.rows.size()));
    EXPECT_EQ(w->tickedCount(), before.tickedCount - 2);
    EXPECT_EQ(w->tickedAmount(), expected);
    EXPECT_EQ(totalsLine(*w)[1], QStringLiteral("已勾:%1条").arg(before.tickedCount - 2));
    EXPECT_EQ(totalsLine(*w)[2], QStringLiteral("已勾金额:") + QString::fromStdString(expected.text(2)));
    EXPECT_EQ(w->dgdView->selectedRows().count(), 3);
    expectCleanedUp(*w);

    EXPECT_EQ(readBack(BusinessType::InvoiceSubmission, first), (SourceTick{"0", serverTime, "0001", "张丽华"}));
    EXPECT_EQ(readBack(BusinessType::InvoiceSubmission, second), (SourceTick{"0", serverTime, "0001", "张丽华"}));
    EXPECT_EQ(readBack(BusinessType::InvoiceSubmission, other), otherStored);
}

TEST_F(SaveRevokeSqlite, SelectAllThenRevokeUnticksEveryListedDocument) {
    TFrmTrunAccount* w = openWindow("Search");
    searchDocuments(*w, BusinessType::ProjectApproval, "20241001", "20250110", 0);
    ASSERT_GT(w->tickedCount(), 1);
    QTest::mouseClick(w->ui().btnall, Qt::LeftButton);
    QTest::mouseClick(w->ui().btnNogd, Qt::LeftButton);
    ASSERT_EQ(batchesSent(*calls).size(), 1u);
    EXPECT_EQ(column(*w, "f_zzgdbz"), std::vector<std::string>(static_cast<std::size_t>(w->cdspass.recordCount()), "0"));
    EXPECT_EQ(totalsLine(*w)[1], QStringLiteral("已勾:0条"));
    EXPECT_EQ(totalsLine(*w)[2], QStringLiteral("已勾金额:0.00"));
    for (int row = 0; row < w->cdspass.recordCount(); ++row)
        EXPECT_EQ(readBack(BusinessType::ProjectApproval, documentAt(*w, row)).tick, "0") << row;
}

TEST_F(SaveRevokeSqlite, RevokingNothingSendsNothing) {
    struct Case {
        const char* name;
        const char* from;  // the list: November, or a day without documents
        std::vector<int> selected;
        int answer;
        std::vector<std::string> shown;
    } cases[] = {
        {"nothing selected", "20241101", {}, IDOK, {"确定要把当前选中行置成未勾状态吗!"}},
        {"only unticked rows selected", "20241101", {-1}, IDOK, {"确定要把当前选中行置成未勾状态吗!"}},
        {"cancelled", "20241101", {0, 1, 2}, IDCANCEL, {"确定要把当前选中行置成未勾状态吗!"}},
        {"empty list", "20241103", {}, IDOK, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFrmTrunAccount* w = openWindow("Search");
        searchDocuments(*w, BusinessType::InvoiceSubmission, c.from, c.from == std::string("20241103") ? c.from : "20241130", 0);
        for (int row : c.selected) {
            if (row >= 0) {
                w->dgdView->selectedRows().setRowSelected(row, true);
                continue;
            }
            for (int r = 0; r < w->cdspass.recordCount(); ++r)
                if (textAt(*w, r, "f_zzgdbz") == "0") w->dgdView->selectedRows().setRowSelected(r, true);
        }
        const ListState before = listState(*w);
        boxes.clear();
        boxes.answer(c.answer);
        calls->clearCalls();
        QTest::mouseClick(w->ui().btnNogd, Qt::LeftButton);
        EXPECT_EQ(boxes.texts(), c.shown);
        EXPECT_EQ(callsOf(CoordinatorOp::ExecBatch), 0u);
        if (c.answer == IDCANCEL) {
            EXPECT_TRUE(calls->calls().empty());
        }
        EXPECT_EQ(listState(*w), before);
        expectCleanedUp(*w);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, SaveRevoke, ::testing::Values(Backend::Sqlite, Backend::Postgres), backendParamName);

}  // namespace
}  // namespace trunaccount::testing
