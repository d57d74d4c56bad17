// Tick editing in the reconciliation window over the demo database: the ticked
// totals through clicks, keys, select all/none and deletes; the Enter walk; the
// payment date check; the row colours.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <cstdio>
#include <random>

#include "platform/errors.h"
#include "tick_window.h"
#include "tools/adv_grid.h"
#include "ui_frm_trun_account.h"
#include "window_fixture.h"

namespace trunaccount::testing {
namespace {

using host::TFrmTrunAccount;
using platform::IDCANCEL;
using platform::IDOK;

// "已勾金额:" as the totals line writes an exact sum of amounts.
QString amountText(const std::vector<double>& amounts) {
    long long cents = 0;
    for (double a : amounts) cents += std::llround(a * 100);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%lld.%02lld", cents < 0 ? "-" : "", std::llabs(cents) / 100, std::llabs(cents) % 100);
    return QStringLiteral("已勾金额:") + QString::fromLatin1(buf);
}

double amountOf(const TFrmTrunAccount& w, int row) { return w.cdspassf_hsje->floatAt(w.cdspass.recordAt(row)); }

// The totals line as it must read for the rows of the list as they are.
std::vector<QString> recounted(const TFrmTrunAccount& w) {
    std::vector<double> ticked;
    for (int row = 0; row < w.cdspass.recordCount(); ++row)
        if (w.cdspassf_zzgdbz->textAt(w.cdspass.recordAt(row)) == "1") ticked.push_back(amountOf(w, row));
    return {QStringLiteral("合计:%1条").arg(w.cdspass.recordCount()), QStringLiteral("已勾:%1条").arg(ticked.size()),
            amountText(ticked)};
}

class TickEditing : public WindowTest {
protected:
    // Unit 1001 in November 2024 (demo data): 5 unticked invoice submissions,
    // 3 unticked payment approvals; its fee collections are all ticked.
    TFrmTrunAccount* input(BusinessType type = BusinessType::InvoiceSubmission) {
        TFrmTrunAccount* w = open(QStringLiteral("Input"), coordinator.get());
        EXPECT_NE(w, nullptr);
        if (w) searchDocuments(*w, type, "20241101", "20241130");
        return w;
    }
    TFrmTrunAccount* search(BusinessType type = BusinessType::InvoiceSubmission) {
        TFrmTrunAccount* w = open(QStringLiteral("Search"), coordinator.get());
        EXPECT_NE(w, nullptr);
        if (w) searchDocuments(*w, type, "20241101", "20241130", 0);
        return w;
    }
    static void clickTick(TFrmTrunAccount& w, int row) {
        QTest::mouseClick(w.dgdView->view()->viewport(), Qt::LeftButton, {}, cellCentre(w, row, 0));
    }
    static void setCurrentCell(TFrmTrunAccount& w, int row, int column) {
        w.cdspass.setCurrentRow(row);
        w.dgdView->setCurrentColumn(column);
    }
    static void key(TFrmTrunAccount& w, Qt::Key k, Qt::KeyboardModifiers m = {}) {
        w.dgdView->view()->setFocus();
        QTest::keyClick(w.dgdView->view(), k, m);
    }
    static std::string tickAt(const TFrmTrunAccount& w, int row) {
        return std::string(w.cdspassf_zzgdbz->textAt(w.cdspass.recordAt(row)));
    }

    TestDatabase db{Backend::Sqlite};
    CoordinatorRef coordinator = db.openCoordinator();
};

TEST_F(TickEditing, ClicksOnTheCheckBoxKeepTheTotalsExact) {
    TFrmTrunAccount* w = input();
    ASSERT_EQ(w->cdspass.recordCount(), 5);
    const auto untouched = totalsLine(*w);
    EXPECT_EQ(untouched, (std::vector<QString>{QStringLiteral("合计:5条"), QStringLiteral("已勾:0条"),
                                               QStringLiteral("已勾金额:0.00")}));

    clickTick(*w, 0);
    clickTick(*w, 2);
    EXPECT_EQ(column(*w, "f_zzgdbz"), (std::vector<std::string>{"1", "0", "1", "0", "0"}));
    EXPECT_EQ(totalsLine(*w), (std::vector<QString>{QStringLiteral("合计:5条"), QStringLiteral("已勾:2条"),
                                                    amountText({amountOf(*w, 0), amountOf(*w, 2)})}));

    clickTick(*w, 0);
    EXPECT_EQ(totalsLine(*w)[1], QStringLiteral("已勾:1条"));
    EXPECT_EQ(totalsLine(*w)[2], amountText({amountOf(*w, 2)}));
    clickTick(*w, 2);
    EXPECT_EQ(totalsLine(*w), untouched);
    EXPECT_EQ(w->tickedAmount().text(2), "0.00");
}

TEST_F(TickEditing, StoringTheTickARowAlreadyHasChangesNoTotal) {
    // The pick list of the tick column lets "1" be stored over "1".
    TFrmTrunAccount* w = input();
    w->cdspass.first();
    for (const char* tick : {"1", "1", "1"}) {
        w->cdspass.edit();
        w->cdspassf_zzgdbz->setAsString(tick);
        w->cdspass.post();
    }
    EXPECT_EQ(totalsLine(*w)[1], QStringLiteral("已勾:1条"));
    EXPECT_EQ(totalsLine(*w)[2], amountText({amountOf(*w, 0)}));
    for (const char* tick : {"0", "0"}) {
        w->cdspass.edit();
        w->cdspassf_zzgdbz->setAsString(tick);
        w->cdspass.post();
    }
    EXPECT_EQ(totalsLine(*w), recounted(*w));
    EXPECT_EQ(totalsLine(*w)[1], QStringLiteral("已勾:0条"));
}

TEST_F(TickEditing, TotalsStayTrueThroughAnySequenceOfEditsAndSaves) {
    TFrmTrunAccount* w = open(QStringLiteral("Input"), coordinator.get());
    searchDocuments(*w, BusinessType::InvoiceSubmission, "20241001", "20250110");
    ASSERT_GT(w->cdspass.recordCount(), 15);
    std::mt19937 rng(11);
    auto below = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int step = 0; step < 400 && w->cdspass.recordCount() > 0; ++step) {
        const int rows = w->cdspass.recordCount();
        const int action = below(20);
        SCOPED_TRACE("step " + std::to_string(step) + ", action " + std::to_string(action));
        if (action < 10) {
            clickTick(*w, below(rows));
        } else if (action < 13) {
            setCurrentCell(*w, below(rows), 3);
            key(*w, Qt::Key_Space);
        } else if (action == 13) {
            w->btnallClick();
        } else if (action == 14) {
            w->btnnoallClick();
        } else if (action == 15) {
            w->dgdView->clickTitle(0, {});  // sorted by the tick: ticking moves rows
        } else if (action == 16 && below(4) == 0) {
            w->cdspass.setCurrentRow(below(rows));
            w->btndelClick();
        } else if (action == 17 && below(4) == 0) {
            setCurrentCell(*w, below(rows), 4);
            key(*w, Qt::Key_Delete, Qt::ControlModifier);
        } else if (action == 18 && below(3) == 0) {
            w->btnsaveClick();  // the ticked rows leave the list
        }
        ASSERT_EQ(totalsLine(*w), recounted(*w));
        ASSERT_NE(totalsLine(*w)[2], QStringLiteral("已勾金额:-0.00"));
    }
    const auto texts = boxes.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "保存成功!"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "确定要删除当前行吗!"), texts.end());
}

TEST_F(TickEditing, SelectAllAndNoneInInputModeTickEveryRow) {
    TFrmTrunAccount* w = input();
    clickTick(*w, 1);
    w->dgdView->clickTitle(0, {});  // ticked rows last: every tick moves its row
    ASSERT_EQ(tickAt(*w, 4), "1");

    std::vector<double> all;
    for (int row = 0; row < 5; ++row) all.push_back(amountOf(*w, row));
    QTest::mouseClick(w->ui().btnall, Qt::LeftButton);
    EXPECT_EQ(column(*w, "f_zzgdbz"), std::vector<std::string>(5, "1"));
    EXPECT_EQ(totalsLine(*w),
              (std::vector<QString>{QStringLiteral("合计:5条"), QStringLiteral("已勾:5条"), amountText(all)}));
    EXPECT_EQ(w->cdspass.currentRow(), 4);
    EXPECT_FALSE(w->cdspass.controlsDisabled());

    w->cdspass.first();
    QTest::mouseClick(w->ui().btnnoall, Qt::LeftButton);
    EXPECT_EQ(column(*w, "f_zzgdbz"), std::vector<std::string>(5, "0"));
    EXPECT_EQ(totalsLine(*w), (std::vector<QString>{QStringLiteral("合计:5条"), QStringLiteral("已勾:0条"),
                                                    QStringLiteral("已勾金额:0.00")}));
    EXPECT_EQ(w->cdspass.currentRow(), 4);

    clickTick(*w, 3);  // the change handler counts again
    EXPECT_EQ(totalsLine(*w)[1], QStringLiteral("已勾:1条"));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(TickEditing, SelectAllAndNoneInSearchModeSelectRowsOnly) {
    TFrmTrunAccount* w = search();
    const int rows = w->cdspass.recordCount();
    ASSERT_GT(rows, 3);
    const ListState before = listState(*w);
    ASSERT_NE(before.tickedCount, 0);

    QTest::mouseClick(w->ui().btnall, Qt::LeftButton);
    EXPECT_EQ(w->dgdView->selectedRows().count(), rows);
    EXPECT_EQ(w->dgdView->selectedRows().inViewOrder().size(), static_cast<std::size_t>(rows));
    EXPECT_EQ(w->cdspass.currentRow(), rows - 1);
    EXPECT_EQ(listState(*w), before);

    w->cdspass.first();
    QTest::mouseClick(w->ui().btnnoall, Qt::LeftButton);
    EXPECT_EQ(w->dgdView->selectedRows().count(), 0);
    EXPECT_EQ(w->cdspass.currentRow(), rows - 1);
    EXPECT_EQ(listState(*w), before);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(TickEditing, SelectAllAndNoneBeforeTheFirstSearchReportTheClosedList) {
    for (const char* mode : {"Input", "Search"}) {
        SCOPED_TRACE(mode);
        container = std::make_unique<QWidget>();
        container->show();
        TFrmTrunAccount* w = open(QString::fromLatin1(mode), coordinator.get());
        ASSERT_NE(w, nullptr);
        for (QToolButton* b : {w->ui().btnall, w->ui().btnnoall}) {
            boxes.clear();
            QTest::mouseClick(b, Qt::LeftButton);
            ASSERT_EQ(boxes.shown().size(), 1u);
            EXPECT_EQ(boxes.shown()[0].text, "请先查询。");
            EXPECT_EQ(boxes.shown()[0].caption, "错误");
            EXPECT_EQ(boxes.shown()[0].icon(), platform::MB_ICONERROR);
            EXPECT_FALSE(w->cdspass.controlsDisabled());
        }
        if (!w->inSearchMode()) {
            // The bulk state ended with the failed command: a click counts again.
            searchDocuments(*w, BusinessType::InvoiceSubmission, "20241101", "20241130");
            clickTick(*w, 0);
            EXPECT_EQ(totalsLine(*w)[1], QStringLiteral("已勾:1条"));
        }
    }
}

TEST_F(TickEditing, DeletingARowAsksThenLowersTheTotalsItCounted) {
    struct Case {
        const char* name;
        bool ticked;
        int answer;
        bool byKey;  // the grid's own Ctrl+Delete instead of "删  行"
        bool deleted;
    } cases[] = {
        {"unticked row", false, IDOK, false, true},
        {"ticked row", true, IDOK, false, true},
        {"ticked row, cancelled", true, IDCANCEL, false, false},
        {"ticked row, Ctrl+Delete", true, IDOK, true, true},
        {"unticked row, Ctrl+Delete", false, IDOK, true, true},
        {"ticked row, Ctrl+Delete cancelled", true, IDCANCEL, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        container = std::make_unique<QWidget>();
        container->show();
        TFrmTrunAccount* w = input();
        ASSERT_NE(w, nullptr);
        clickTick(*w, 0);
        clickTick(*w, 3);
        const int row = c.ticked ? 3 : 2;
        const std::string number = column(*w, "f_Djh")[static_cast<std::size_t>(row)];
        const ListState before = listState(*w);
        boxes.clear();
        boxes.answer(c.answer);
        if (c.byKey) {
            setCurrentCell(*w, row, 5);
            key(*w, Qt::Key_Delete, Qt::ControlModifier);
        } else {
            w->cdspass.setCurrentRow(row);
            QTest::mouseClick(w->ui().btndel, Qt::LeftButton);
        }
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "确定要删除当前行吗!");
        EXPECT_EQ(boxes.shown()[0].caption, "提示");
        EXPECT_EQ(boxes.shown()[0].icon(), platform::MB_ICONQUESTION);
        EXPECT_EQ(boxes.shown()[0].buttons(), platform::MB_OKCANCEL);
        EXPECT_EQ(boxes.shown()[0].owner, static_cast<platform::WindowHandle>(w));
        if (!c.deleted) {
            EXPECT_EQ(listState(*w), before);
            continue;
        }
        const auto numbers = column(*w, "f_Djh");
        EXPECT_EQ(numbers.size(), 4u);
        EXPECT_EQ(std::count(numbers.begin(), numbers.end(), number), 0);
        EXPECT_EQ(totalsLine(*w), recounted(*w));
        EXPECT_EQ(totalsLine(*w)[1], c.ticked ? QStringLiteral("已勾:1条") : QStringLiteral("已勾:2条"));
    }
}

TEST_F(TickEditing, DeletingFromAnEmptyOrReadOnlyListDoesNothing) {
    TFrmTrunAccount* w = open(QStringLiteral("Input"), coordinator.get());
    w->btndelClick();  // closed
    searchDocuments(*w, BusinessType::FeeCollection, "20241101", "20241130");  // all ticked
    ASSERT_EQ(w->cdspass.recordCount(), 0);
    w->btndelClick();
    EXPECT_TRUE(boxes.shown().empty());

    TFrmTrunAccount* s = search();
    const ListState before = listState(*s);
    setCurrentCell(*s, 0, 4);
    key(*s, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(listState(*s), before);
}

TEST_F(TickEditing, EnterWalksTheEditableVisibleCells) {
    // Type 0: the tick (0), the preparer's unit (3), tax (10) and rate (11) are
    // editable; type 1 keeps tax and rate read-only; type 2 edits the payment
    // details (12 to 15); type 3 only the tick and the preparer's unit.
    struct Case {
        BusinessType type;
        int row, column;
        int nextRow, nextColumn;
    } cases[] = {
        {BusinessType::InvoiceSubmission, 0, 0, 0, 3},  {BusinessType::InvoiceSubmission, 0, 3, 0, 10},
        {BusinessType::InvoiceSubmission, 0, 10, 0, 11}, {BusinessType::InvoiceSubmission, 0, 11, 1, 0},
        {BusinessType::InvoiceSubmission, 2, 5, 2, 10},  {BusinessType::InvoiceSubmission, 4, 11, 4, 0},
        {BusinessType::InvoiceAdjustment, 0, 3, 1, 0},   {BusinessType::PaymentApproval, 0, 3, 0, 12},
        {BusinessType::PaymentApproval, 0, 12, 0, 13},   {BusinessType::PaymentApproval, 0, 14, 0, 15},
        {BusinessType::PaymentApproval, 0, 15, 1, 0},    {BusinessType::ProjectApproval, 0, 0, 0, 3},
        {BusinessType::ProjectApproval, 0, 3, 1, 0},     {BusinessType::FeeCollection, 0, 16, 1, 0},
    };
    TFrmTrunAccount* w = open(QStringLiteral("Input"), coordinator.get());
    for (const auto& c : cases) {
        SCOPED_TRACE("type " + std::to_string(static_cast<int>(c.type)) + ", row " + std::to_string(c.row) +
                     ", column " + std::to_string(c.column));
        searchDocuments(*w, c.type, "20241001", "20250110");
        ASSERT_GT(w->cdspass.recordCount(), 1);
        const int row = c.row == 4 ? w->cdspass.recordCount() - 1 : c.row;  // 4: the last row
        const int next = c.nextRow == 4 ? row : c.nextRow;
        setCurrentCell(*w, row, c.column);
        const ListState before = listState(*w);
        key(*w, Qt::Key_Return);
        EXPECT_EQ(w->cdspass.currentRow(), next);
        EXPECT_EQ(w->dgdView->currentColumn(), c.nextColumn);
        EXPECT_EQ(w->dgdView->view()->currentIndex().column(), c.nextColumn);
        EXPECT_EQ(listState(*w), before);
    }
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(TickEditing, SpaceTogglesTheTickOfTheCurrentRowInInputMode) {
    TFrmTrunAccount* w = input();
    const ListState before = listState(*w);
    for (int col : {0, 1, 3, 10}) {
        SCOPED_TRACE("column " + std::to_string(col));
        setCurrentCell(*w, 2, col);
        key(*w, Qt::Key_Space);
        EXPECT_EQ(column(*w, "f_zzgdbz"), (std::vector<std::string>{"0", "0", "1", "0", "0"}));
        EXPECT_EQ(totalsLine(*w), (std::vector<QString>{QStringLiteral("合计:5条"), QStringLiteral("已勾:1条"),
                                                        amountText({amountOf(*w, 2)})}));
        // The key ticks; it does not start typing a blank into the cell.
        EXPECT_EQ(w->dgdView->view()->indexWidget(w->dgdView->view()->currentIndex()), nullptr);
        key(*w, Qt::Key_Space);
        EXPECT_EQ(listState(*w), before);
    }

    TFrmTrunAccount* s = search();
    const ListState found = listState(*s);
    setCurrentCell(*s, 0, 3);
    key(*s, Qt::Key_Space);
    EXPECT_EQ(listState(*s), found);
}

TEST_F(TickEditing, PaymentDateMustBeEmptyOrACalendarDate) {
    struct Case {
        const char* text;
        bool accepted;
    } cases[] = {
        {"", true},          {"20040229", true},  {"20040230", false}, {"2004022", false},
        {"200402291", false}, {"20041301", false}, {"2004-2-1", false}, {"2004'229", false},
        {"20250110", true},
    };
    TFrmTrunAccount* w = input(BusinessType::PaymentApproval);
    ASSERT_GT(w->cdspass.recordCount(), 0);
    w->cdspass.first();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string previous = w->cdspassf_Zzzfrq->asString();
        w->cdspass.edit();
        if (c.accepted) {
            EXPECT_NO_THROW(w->cdspassf_Zzzfrq->setAsString(c.text));
            EXPECT_EQ(w->cdspassf_Zzzfrq->asString(), c.text);
        } else {
            try {
                w->cdspassf_Zzzfrq->setAsString(c.text);
                ADD_FAILURE() << "accepted";
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "非法日期");
            }
            EXPECT_EQ(w->cdspassf_Zzzfrq->asString(), previous);
            EXPECT_EQ(w->cdspass.state(), DatasetState::Edit);
        }
        w->cdspass.post();
    }
}

TEST_F(TickEditing, APaymentDateTypedIntoTheGridIsCheckedAndEnterMovesOn) {
    // The search showed the wait window; errors are still shown after it.
    TFrmTrunAccount* w = input(BusinessType::PaymentApproval);
    QTableView* view = w->dgdView->view();
    auto type = [&](const char* text) {
        setCurrentCell(*w, 0, 15);
        view->setFocus();
        view->edit(view->currentIndex());
        auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(view->currentIndex()));
        if (!editor) return false;
        editor->selectAll();
        QTest::keyClicks(editor, QString::fromLatin1(text));
        QTest::keyClick(editor, Qt::Key_Return);
        return true;
    };
    ASSERT_TRUE(type("20040229"));
    EXPECT_EQ(column(*w, "f_Zzzfrq")[0], "20040229");
    EXPECT_EQ(w->dgdView->currentColumn(), 0);  // the last editable column: on to the next row
    EXPECT_EQ(w->cdspass.currentRow(), 1);
    EXPECT_TRUE(boxes.shown().empty());

    ASSERT_TRUE(type("20040230"));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "非法日期");
    EXPECT_EQ(boxes.shown()[0].caption, "错误");
    EXPECT_EQ(boxes.shown()[0].icon(), platform::MB_ICONERROR);
    EXPECT_EQ(column(*w, "f_Zzzfrq")[0], "20040229");
}

TEST_F(TickEditing, TheBankCellIsEditedAsTheCodeItStores) {
    // Shown as code and name; an editor opened and left with Enter must not
    // turn the stored code into that text (the save writes the code).
    TFrmTrunAccount* w = input(BusinessType::PaymentApproval);
    QTableView* view = w->dgdView->view();
    int row = 0;
    while (row < w->cdspass.recordCount() && w->cdspassf_zzyh->textAt(w->cdspass.recordAt(row)).empty()) ++row;
    ASSERT_LT(row, w->cdspass.recordCount());
    const std::string code(w->cdspassf_zzyh->textAt(w->cdspass.recordAt(row)));
    const QString shown = view->model()->index(row, 14).data(Qt::DisplayRole).toString();
    ASSERT_TRUE(shown.startsWith(QString::fromStdString(code + " "))) << shown.toStdString();

    setCurrentCell(*w, row, 14);
    view->setFocus();
    view->edit(view->currentIndex());
    auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(view->currentIndex()));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text().toStdString(), code);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w->cdspassf_zzyh->textAt(w->cdspass.recordAt(row)), code);
    EXPECT_EQ(view->model()->index(row, 14).data(Qt::DisplayRole).toString(), shown);
}

TEST_F(TickEditing, RowsAreColouredByTheirTick) {
    TFrmTrunAccount* w = input();
    clickTick(*w, 1);
    setCurrentCell(*w, 4, 3);
    struct Case {
        int row;
        bool selected;
        QColor expected;
    } cases[] = {
        {0, false, QColor(196, 196, 255)},  // 16762052
        {1, false, QColor(221, 221, 255)},  // 16768477
        {1, true, QColor(1, 2, 3)},         // the grid's selection colour stays
    };
    for (const auto& c : cases) {
        CellInfo cell{c.row, w->cdspass.recordAt(c.row), 2, &w->dgdView->column(2), c.selected, false};
        CellStyle style{QColor(1, 2, 3), Qt::black, QFont()};
        w->dgdViewGetCellParams(cell, style);
        EXPECT_EQ(style.background, c.expected) << c.row;
    }
    // As the grid draws them: a point inside the cell beside the text.
    QImage image = w->dgdView->view()->viewport()->grab().toImage();
    auto colourAt = [&](int row) {
        QRect r = w->dgdView->view()->visualRect(w->dgdView->view()->model()->index(row, 1));
        return image.pixelColor(r.right() - 2, r.top() + 2);
    };
    EXPECT_EQ(colourAt(0), QColor(196, 196, 255));
    EXPECT_EQ(colourAt(1), QColor(221, 221, 255));
}

}  // namespace
}  // namespace trunaccount::testing
