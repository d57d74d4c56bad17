// The document search of the window: the date checks, the query the window's
// controls make, the order of host message, wait window and query, loading
// and counting with one repaint, failures that keep what was listed, and F2.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QTableView>
#include <QTest>
#include <QTextEdit>

#include "host/frm_hint.h"
#include "host/host_values.h"
#include "platform/errors.h"
#include "reconcile/document_query.h"
#include "search_support.h"
#include "tools/adv_grid.h"
#include "trunaccount/host_messages.h"
#include "ui_frm_trun_account.h"

namespace trunaccount::testing {
namespace {

using host::TFrmTrunAccount;
using host::moduleState;

using SearchWindow = ScriptedWindowTest;

// ---- the date range ----

struct DateCase {
    const char* name;
    QDate from, to;
    const char* refusal;  // nullptr: the search runs
};

void PrintTo(const DateCase& c, std::ostream* os) { *os << c.name; }

// The scripted start: start-of-use month 202410, server date 20250110.
const DateCase kDateCases[] = {
    {"StartBeforeStartOfUse", {2024, 9, 30}, {2025, 1, 10}, "起始制单年月不能小于启用年月!"},
    {"EndAfterToday", {2025, 1, 10}, {2025, 1, 11}, "结束制单日期不能大于当前日期!"},
    {"StartAfterEnd", {2025, 1, 5}, {2025, 1, 4}, "起始制单日期不能大于结束制单日期!"},
    {"FirstFailedCheckSpeaks", {2024, 9, 1}, {2025, 2, 1}, "起始制单年月不能小于启用年月!"},
    {"EndAfterTodayBeforeStartAfterEnd", {2025, 1, 15}, {2025, 1, 12}, "结束制单日期不能大于当前日期!"},
    {"FirstDayOfUseToToday", {2024, 10, 1}, {2025, 1, 10}, nullptr},
    {"OneDay", {2024, 12, 31}, {2024, 12, 31}, nullptr},
};

class SearchDates : public ScriptedWindowTest, public ::testing::WithParamInterface<DateCase> {};

TEST_P(SearchDates, RefusedRangeChangesNothingAndAcceptedRangeSearches) {
    const DateCase& c = GetParam();
    TFrmTrunAccount* w = openScripted(QStringLiteral("Search"));
    ASSERT_TRUE(w);
    answer = [](const std::string&, Variant& data) {
        return data = documents({{.tick = "1", .number = "1", .amount = 5}}), true;
    };
    pressF2(w);  // today's documents
    ASSERT_EQ(searches.size(), 1u);
    const std::string rangeBefore = moduleState().rangeStartText;
    const QString memoBefore = w->ui().MemoCondition->toPlainText();
    hostWindow.messages.clear();
    answer = [](const std::string&, Variant& data) { return data = documents({}), true; };

    setRange(w, c.from, c.to);
    w->ui().edtrzrq_e->setFocus();
    QTest::keyClick(w->ui().edtrzrq_e, Qt::Key_F2);
    // The grid takes the keyboard focus first, whatever the dates.
    EXPECT_TRUE(w->focusWidget() == w->dgdView || w->dgdView->isAncestorOf(w->focusWidget()));
    if (c.refusal) {
        ASSERT_EQ(boxes.shown().size(), 1u);
        const ShownMessage& m = boxes.shown()[0];
        EXPECT_EQ(m.text, c.refusal);
        EXPECT_EQ(m.caption, "警告");
        EXPECT_EQ(m.icon(), platform::MB_ICONWARNING);
        EXPECT_EQ(m.buttons(), platform::MB_OK);
        EXPECT_EQ(m.owner, static_cast<platform::WindowHandle>(w));
        EXPECT_EQ(searches.size(), 1u);
        EXPECT_TRUE(hostWindow.messages.isEmpty());
        EXPECT_EQ(moduleState().rangeStartText, rangeBefore);
        EXPECT_EQ(w->cdspass.recordCount(), 1);
        EXPECT_EQ(totalsLine(w), QStringList({QStringLiteral("合计:1条"), QStringLiteral("已勾:1条"),
                                              QStringLiteral("已勾金额:5.00")}));
        EXPECT_EQ(w->ui().MemoCondition->toPlainText(), memoBefore);
    } else {
        EXPECT_TRUE(boxes.shown().empty()) << boxes.texts()[0];
        ASSERT_EQ(searches.size(), 2u);
        const std::string from = c.from.toString(QStringLiteral("yyyyMMdd")).toStdString();
        const std::string to = c.to.toString(QStringLiteral("yyyyMMdd")).toStdString();
        EXPECT_NE(searches[1].find("z.f_zdrq>='" + from + "' and z.f_zdrq<='" + to + "' "), std::string::npos);
        EXPECT_EQ(moduleState().rangeStartText, QLocale::system().toString(c.from, QLocale::ShortFormat).toStdString());
        EXPECT_EQ(moduleState().rangeEndText, QLocale::system().toString(c.to, QLocale::ShortFormat).toStdString());
        EXPECT_EQ(totalsLine(w), QStringList({QStringLiteral("合计:0条"), QStringLiteral("已勾:0条"),
                                              QStringLiteral("已勾金额:0.00")}));
    }
}

INSTANTIATE_TEST_SUITE_P(Ranges, SearchDates, ::testing::ValuesIn(kDateCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the query the window's controls make ----

struct QueryCase {
    const char* name;
    const char* mode;
    int type;
    QDate from, to;
    int tickState;  // search mode only: input mode lists the unticked ones
    int reason, channel, method;  // item indexes of the three lists
    DocumentSearch expected;      // what the controls stand for
    std::vector<std::string> pieces;  // texts the query must hold
};

void PrintTo(const QueryCase& c, std::ostream* os) { *os << c.name; }

// The lists as the scripted start fills them: channels 01 银联刷卡, 02 支付宝;
// methods 01 现金, 02 转账; reasons A1 货款. The accounting unit is 1001.
const QueryCase kQueryCases[] = {
    {"InvoiceSubmissionOverNewYear", "Input", 0, {2024, 12, 2}, {2025, 1, 10}, 0, 1, 2, 2,
     {"20241202", "20250110", BusinessType::InvoiceSubmission, TickState::Unticked, {1, "A1 货款"}, {2, "02 支付宝"}, {2, "02 转账"}, "1001"},
     {"from tb202412_fptjdzb z", " Union All ", "from tb202501_fptjdzb z", "and f_zzgdbz='0' ", "z.f_hsdwh='1001' "}},
    {"InvoiceAdjustmentTicked", "Search", 1, {2024, 10, 1}, {2024, 10, 31}, 2, 0, 0, 0,
     {"20241001", "20241031", BusinessType::InvoiceAdjustment, TickState::Ticked, {0, "全部"}, {0, "全部"}, {0, "全部"}, "1001"},
     {"f_bz like '%退补单%'", "and f_zzgdbz='1' "}},
    {"PaymentApprovalOfOneReason", "Search", 2, {2024, 11, 15}, {2024, 12, 20}, 0, 1, 1, 1,
     {"20241115", "20241220", BusinessType::PaymentApproval, TickState::All, {1, "A1 货款"}, {1, "01 银联刷卡"}, {1, "01 现金"}, "1001"},
     {"and z.f_fkyybm='A1' ", "from tb202411_jsfksp z", "from tb202412_jsfksp z"}},
    {"ProjectApprovalOfChannelAndMethod", "Input", 3, {2024, 10, 1}, {2025, 1, 10}, 0, 1, 2, 1,
     {"20241001", "20250110", BusinessType::ProjectApproval, TickState::Unticked, {1, "A1 货款"}, {2, "02 支付宝"}, {1, "01 现金"}, "1001"},
     {"z.f_rzrq>='20241001' and z.f_rzrq<='20250110' ", "and z.f_tdbm='02' and z.f_zffsbm='01' "}},
    {"FeeCollectionUnticked", "Search", 4, {2025, 1, 1}, {2025, 1, 10}, 1, 0, 1, 0,
     {"20250101", "20250110", BusinessType::FeeCollection, TickState::Unticked, {0, "全部"}, {1, "01 银联刷卡"}, {0, "全部"}, "1001"},
     {"from tb202501_tdsfb z", "and f_zzgdbz='0' ", "and z.f_tdbm='01' "}},
};

class SearchQuery : public ScriptedWindowTest, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(SearchQuery, ControlsMakeTheQueryOfTheirType) {
    const QueryCase& c = GetParam();
    TFrmTrunAccount* w = openScripted(QString::fromLatin1(c.mode));
    ASSERT_TRUE(w);
    chooseBusinessType(w, c.type);
    setRange(w, c.from, c.to);
    if (w->inSearchMode()) w->ui().cbgdlx->setCurrentIndex(c.tickState);
    // The lists are read whether or not the type enables them.
    w->ui().cbfkyy->setCurrentIndex(c.reason);
    w->ui().cbtd->setCurrentIndex(c.channel);
    w->ui().cbzffs->setCurrentIndex(c.method);

    pressF2(w);
    ASSERT_EQ(searches.size(), 1u);
    EXPECT_EQ(searches[0], buildDocumentQuery(c.expected));
    for (const auto& piece : c.pieces) EXPECT_NE(searches[0].find(piece), std::string::npos) << piece;
}

INSTANTIATE_TEST_SUITE_P(Types, SearchQuery, ::testing::ValuesIn(kQueryCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the course of a search ----

// Counts what the controls bound to the row set are told.
struct Notifications : DatasetObserver {
    int activeChanged = 0, changed = 0, rowTold = 0;
    void datasetActiveChanged(bool) override { ++activeChanged; }
    void datasetChanged() override { ++changed; }
    void rowChanged(int) override { ++rowTold; }
    void rowRemoved(int) override { ++rowTold; }
    void currentRowChanged(int) override { ++rowTold; }
};

// Paint events of the wait window.
struct HintPaints : QObject {
    int paints = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && qobject_cast<host::TFrmHint*>(o)) ++paints;
        return false;
    }
};

TEST_F(SearchWindow, TellsTheHostThenShowsThePaintedWaitWindowThenQueries) {
    TFrmTrunAccount* w = openScripted();
    ASSERT_TRUE(w);
    std::vector<std::string> steps;
    hostWindow.onMessage = [&](int message) {
        steps.push_back("message " + std::to_string(message) + (w->findChild<host::TFrmHint*>() ? " with" : " without") +
                        " wait window, controls " + (w->cdspass.controlsDisabled() ? "suspended" : "live"));
    };
    HintPaints hintPaints;
    qApp->installEventFilter(&hintPaints);
    answer = [&](const std::string&, Variant& data) {
        auto* hint = w->findChild<host::TFrmHint*>();
        steps.push_back(std::string("query, wait window ") + (hint && hint->isVisible() ? "shown" : "missing") +
                        (hintPaints.paints > 0 ? " and painted" : " unpainted") + ", controls " +
                        (w->cdspass.controlsDisabled() ? "suspended" : "live"));
        return data = documents({{.number = "1"}}), true;
    };
    pressF2(w);
    qApp->removeEventFilter(&hintPaints);

    EXPECT_EQ(steps, (std::vector<std::string>{"message 1027 without wait window, controls suspended",
                                               "query, wait window shown and painted, controls suspended"}));
    EXPECT_EQ(w->findChild<host::TFrmHint*>(), nullptr);
    EXPECT_FALSE(w->cdspass.controlsDisabled());
    EXPECT_EQ(w->cdspass.recordCount(), 1);
}

TEST_F(SearchWindow, LoadingAndCountingRepaintOnce) {
    TFrmTrunAccount* w = openScripted(QStringLiteral("Search"));
    ASSERT_TRUE(w);
    answer = [](const std::string&, Variant& data) {
        std::vector<DocRow> rows;
        for (int i = 0; i < 50; ++i) rows.push_back({.tick = i % 3 ? "0" : "1", .number = std::to_string(i), .amount = 1});
        return data = documents(rows), true;
    };
    Notifications told;
    w->cdspass.addObserver(&told);
    pressF2(w);  // the row set opens
    EXPECT_EQ(told.activeChanged, 1);
    EXPECT_EQ(told.changed, 1);
    pressF2(w);  // and is replaced
    EXPECT_EQ(told.activeChanged, 1);
    EXPECT_EQ(told.changed, 2);
    EXPECT_EQ(told.rowTold, 0);
    w->cdspass.removeObserver(&told);
    EXPECT_EQ(w->tickedCount(), 17);
}

TEST_F(SearchWindow, LoadsTheRowsAndTheConditionMemo) {
    TFrmTrunAccount* w = openScripted();
    ASSERT_TRUE(w);
    answer = [](const std::string&, Variant& data) {
        data = documents({{.number = "202501000001", .amount = 12.5, .taxFree = 11, .tax = 1.5, .date = "20250103"},
                          {.unit = "1002", .number = "202501000002", .amount = 7}});
        return true;
    };
    setRange(w, QDate(2025, 1, 1), QDate(2025, 1, 10));
    pressF2(w);
    ASSERT_EQ(w->cdspass.recordCount(), 2);
    EXPECT_EQ(w->cdspass.currentRow(), 0);
    EXPECT_EQ(shown(w, 0, "f_Djh"), "202501000001");
    EXPECT_EQ(shown(w, 0, "f_hsje"), "12.50");
    EXPECT_EQ(shown(w, 0, "f_wsje"), "11.00");
    EXPECT_EQ(shown(w, 0, "f_Rzrq"), "20250103");
    EXPECT_EQ(shown(w, 1, "f_hsdwh"), "1002");
    EXPECT_EQ(w->dgdView->footerText(8).toStdString(), "19.50");
    // The memo holds the query's title on a line under "查询条件:".
    const QLocale l = QLocale::system();
    EXPECT_EQ(w->ui().MemoCondition->toPlainText(),
              QStringLiteral("查询条件:\n    制单日期:从") + l.toString(QDate(2025, 1, 1), QLocale::ShortFormat) +
                  QStringLiteral("至") + l.toString(QDate(2025, 1, 10), QLocale::ShortFormat) + QStringLiteral("\n"));
}

// Ticked rows are counted in search mode, unless only unticked ones are listed.
TEST_F(SearchWindow, CountsTickedRowsInSearchModeOnly) {
    struct Case {
        const char* mode;
        int tickState;
        int count;
        const char* amount;
        int currentRow;
    } cases[] = {
        {"Search", 0, 2, "已勾金额:300.01", 2},  // the count walks to the last row
        {"Search", 2, 2, "已勾金额:300.01", 2},
        {"Search", 1, 0, "已勾金额:0.00", 0},
        {"Input", 1, 0, "已勾金额:0.00", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.tickState));
        TFrmTrunAccount* w = openScripted(QString::fromLatin1(c.mode));
        ASSERT_TRUE(w);
        if (w->inSearchMode()) w->ui().cbgdlx->setCurrentIndex(c.tickState);
        answer = [](const std::string&, Variant& data) {
            data = documents({{.tick = "1", .number = "1", .amount = 100.01},
                              {.tick = "0", .number = "2", .amount = 50},
                              {.tick = "1", .number = "3", .amount = 200}});
            return true;
        };
        pressF2(w);
        EXPECT_EQ(w->tickedCount(), c.count);
        EXPECT_EQ(totalsLine(w)[1], QStringLiteral("已勾:%1条").arg(c.count));
        EXPECT_EQ(totalsLine(w)[2].toStdString(), c.amount);
        EXPECT_EQ(w->cdspass.currentRow(), c.currentRow);
        EXPECT_EQ(w->dgdView->view()->currentIndex().row(), c.currentRow);
        w->closeWindow();
        flushDeletes();
    }
}

// ---- failures ----

TEST_F(SearchWindow, FailedQueryKeepsRowsCountsAndTotalsAndShowsTheErrorLines) {
    TFrmTrunAccount* w = openScripted(QStringLiteral("Search"));
    ASSERT_TRUE(w);
    answer = [](const std::string&, Variant& data) {
        data = documents({{.tick = "1", .number = "1", .amount = 8}, {.tick = "0", .number = "2", .amount = 2}});
        return true;
    };
    pressF2(w);
    const QStringList totals = totalsLine(w);
    const QString memo = w->ui().MemoCondition->toPlainText();
    ASSERT_EQ(totals,
              QStringList({QStringLiteral("合计:2条"), QStringLiteral("已勾:1条"), QStringLiteral("已勾金额:8.00")}));

    answer = [](const std::string&, Variant& data) {
        return data = ScriptedCoordinator::errorLines({"no such table: tb202412_fptjdzb", "query aborted"}), false;
    };
    setRange(w, QDate(2024, 12, 1), QDate(2024, 12, 31));
    // The wait window, always on top, is gone before the error shows.
    bool waitWindowOverError = true;
    auto recorder = platform::setMessageBoxHandler(nullptr);
    platform::setMessageBoxHandler([&](platform::WindowHandle owner, std::string_view text, std::string_view caption,
                                       unsigned flags) {
        waitWindowOverError = w->findChild<host::TFrmHint*>() != nullptr;
        return recorder(owner, text, caption, flags);
    });
    pressF2(w);
    platform::setMessageBoxHandler(recorder);
    EXPECT_FALSE(waitWindowOverError);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "no such table: tb202412_fptjdzb\r\nquery aborted");
    EXPECT_EQ(boxes.shown()[0].caption, "错误");
    EXPECT_EQ(boxes.shown()[0].icon(), platform::MB_ICONERROR);
    EXPECT_EQ(boxes.shown()[0].owner, static_cast<platform::WindowHandle>(w));
    EXPECT_EQ(w->cdspass.recordCount(), 2);
    EXPECT_EQ(w->tickedCount(), 1);
    EXPECT_EQ(totalsLine(w), totals);
    EXPECT_EQ(w->ui().MemoCondition->toPlainText(), memo);
    EXPECT_EQ(w->findChild<host::TFrmHint*>(), nullptr);
    EXPECT_FALSE(w->cdspass.controlsDisabled());
    // The range passed its checks: the title already names it.
    EXPECT_EQ(moduleState().rangeStartText,
              QLocale::system().toString(QDate(2024, 12, 1), QLocale::ShortFormat).toStdString());
}

TEST_F(SearchWindow, AnswerThatIsNoRowSetKeepsTheRowsAndSaysSo) {
    TFrmTrunAccount* w = openScripted(QStringLiteral("Search"));
    ASSERT_TRUE(w);
    answer = [](const std::string&, Variant& data) {
        return data = documents({{.tick = "1", .number = "1", .amount = 8}}), true;
    };
    pressF2(w);
    const QStringList totals = totalsLine(w);
    struct Case {
        const char* name;
        std::function<Variant()> answer;
    } cases[] = {
        {"text instead of rows", [] { return Variant("ok"); }},
        {"rows without the tick column",
         [] { return Variant(ScriptedCoordinator::textPacket({"f_hsdwh", "f_djh"}, {{"1001", "9"}})); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        answer = [&](const std::string&, Variant& data) { return data = c.answer(), true; };
        pressF2(w);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].caption, "错误");
        EXPECT_EQ(w->cdspass.recordCount(), 1);
        EXPECT_EQ(totalsLine(w), totals);
        EXPECT_EQ(w->findChild<host::TFrmHint*>(), nullptr);
        EXPECT_FALSE(w->cdspass.controlsDisabled());
    }
}

TEST_F(SearchWindow, ALaterEntryCallWithoutACoordinatorLeavesTheOpenWindowsWorking) {
    TFrmTrunAccount* w = openScripted(QStringLiteral("Search"));
    ASSERT_TRUE(w);
    answer = [](const std::string&, Variant& data) { return data = documents({{.number = "1"}}), true; };
    pressF2(w);
    const std::size_t before = searches.size();
    // The call is refused with a message and makes no window...
    EXPECT_THROW(open(QStringLiteral("Input"), nullptr), Error);
    EXPECT_EQ(windowOf(QStringLiteral("Input")), nullptr);
    // ...and the library keeps the coordinator of the windows that are open.
    boxes.clear();
    pressF2(w);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(searches.size(), before + 1);
}

TEST_F(SearchWindow, NoCoordinatorIsAnErrorNotACrash) {
    TFrmTrunAccount* w = openScripted(QStringLiteral("Search"));
    ASSERT_TRUE(w);
    answer = [](const std::string&, Variant& data) { return data = documents({{.number = "1"}}), true; };
    pressF2(w);
    host::hostValues().coordinator.reset();
    boxes.clear();
    hostWindow.messages.clear();
    pressF2(w);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "错误");
    EXPECT_TRUE(hostWindow.messages.isEmpty());  // no query is about to be sent
    EXPECT_EQ(w->cdspass.recordCount(), 1);
    EXPECT_EQ(w->findChild<host::TFrmHint*>(), nullptr);
    EXPECT_FALSE(w->cdspass.controlsDisabled());
}

// ---- F2 ----

TEST_F(SearchWindow, F2SearchesWhateverModifiersAreHeldAndWhereverTheFocusIs) {
    TFrmTrunAccount* w = openScripted();
    ASSERT_TRUE(w);
    const Qt::KeyboardModifiers modifiers[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier,
                                               Qt::AltModifier, Qt::ControlModifier | Qt::ShiftModifier,
                                               Qt::MetaModifier};
    std::size_t expected = 0;
    for (auto m : modifiers) {
        pressF2(w, m);
        EXPECT_EQ(searches.size(), ++expected) << m;
    }
    for (QWidget* focus : std::initializer_list<QWidget*>{w->ui().edtrzrq_b, w->ui().cbywlx, w->ui().cbgdlx}) {
        QTest::keyClick(focus, Qt::Key_F2);
        EXPECT_EQ(searches.size(), ++expected) << focus->objectName().toStdString();
    }
    // The search button does the same.
    QTest::mouseClick(w->ui().btnSearch, Qt::LeftButton);
    EXPECT_EQ(searches.size(), ++expected);
    // F2 in the grid searches; it does not also open a cell editor on the rows it replaces.
    ASSERT_FALSE(w->inSearchMode());
    answer = [](const std::string&, Variant& data) { return data = documents({{.number = "1"}, {.number = "2"}}), true; };
    pressF2(w);
    ++expected;
    w->dgdView->view()->setFocus();
    w->dgdView->setCurrentColumn(3);  // an editable column
    QTest::keyClick(w->dgdView->view(), Qt::Key_F2);
    EXPECT_EQ(searches.size(), ++expected);
    const auto editors = w->dgdView->view()->viewport()->findChildren<QWidget*>();
    EXPECT_TRUE(std::none_of(editors.begin(), editors.end(), [](QWidget* e) { return e->isVisible(); }));
}

}  // namespace
}  // namespace trunaccount::testing
