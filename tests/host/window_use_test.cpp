// The reconciliation window as a new user meets it: where the keyboard is, what
// Esc does, what may be typed into a cell, the messages a refused action shows,
// the current row, and the widths of the first columns under the totals line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "data/settings.h"
#include "reconcile/row_set.h"
#include "tick_window.h"
#include "tools/adv_grid.h"
#include "trunaccount/host_messages.h"
#include "ui_frm_trun_account.h"
#include "widgets/grid_view.h"
#include "window_fixture.h"

using namespace Qt::StringLiterals;

namespace trunaccount::testing {
namespace {

using host::TFrmTrunAccount;
using platform::IDCANCEL;
using platform::IDOK;

constexpr const char* kLeaveQuestion = "有未保存的勾对，确定要退出吗?";

// Collects what the window writes to its error log.
class ErrorLog {
public:
    ErrorLog() { previous_ = qInstallMessageHandler(&ErrorLog::handle); lines().clear(); }
    ~ErrorLog() { qInstallMessageHandler(previous_); }
    static QStringList& lines() {
        static QStringList l;
        return l;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (QString::fromLatin1(context.category) == QLatin1String("trunaccount.errors")) lines() << text;
    }
    QtMessageHandler previous_;
};

class WindowUse : public WindowTest {
protected:
    // Unit 1001 in November 2024 (demo data): 5 unticked invoice submissions,
    // 3 unticked payment approvals.
    TFrmTrunAccount* listed(const char* mode, BusinessType type = BusinessType::InvoiceSubmission) {
        TFrmTrunAccount* w = open(QString::fromLatin1(mode), coordinator.get());
        EXPECT_NE(w, nullptr);
        if (w) searchDocuments(*w, type, "20241101", "20241130");
        return w;
    }
    // Opens the cell editor on a cell of the grid, the keyboard in it.
    static QLineEdit* editCell(TFrmTrunAccount& w, int row, int column) {
        QTableView* view = w.dgdView->view();
        w.cdspass.setCurrentRow(row);
        w.dgdView->setCurrentColumn(column);
        view->setFocus();
        view->edit(view->currentIndex());
        auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(view->currentIndex()));
        if (editor) editor->selectAll();
        return editor;
    }
    static void clickTick(TFrmTrunAccount& w, int row) {
        QTest::mouseClick(w.dgdView->view()->viewport(), Qt::LeftButton, {}, cellCentre(w, row, RowSetColumn::Tick));
    }
    int questionsAsked() const {
        const auto texts = boxes.texts();
        return static_cast<int>(std::count(texts.begin(), texts.end(), kLeaveQuestion));
    }

    TestDatabase db{Backend::Sqlite};
    CoordinatorRef coordinator = db.openCoordinator();
};

TEST_F(WindowUse, TheGridHasTheKeyboardWhenTheWindowOpensAndAfterTheTypeChanges) {
    TFrmTrunAccount* w = open(QStringLiteral("Input"), coordinator.get());
    ASSERT_NE(w, nullptr);
    QWidget* top = container->window();
    EXPECT_EQ(top->focusWidget(), w->dgdView->view());
    // F2 where the keyboard is searches, without a click first.
    QTest::keyClick(top->focusWidget(), Qt::Key_F2);
    EXPECT_EQ(hostWindow.messages, QList<int>{kMsgSearchStarting});
    EXPECT_TRUE(boxes.shown().empty());

    // The user picks another business type with the keyboard: the grid has the keys again.
    w->ui().cbywlx->setFocus();
    QTest::keyClick(w->ui().cbywlx, Qt::Key_Down);
    EXPECT_EQ(w->ui().cbywlx->currentIndex(), 1);
    EXPECT_EQ(w->ui().Label22->text(), QStringLiteral("制单日期:从"));
    EXPECT_EQ(top->focusWidget(), w->dgdView->view());
}

TEST_F(WindowUse, EscInACellEditorTakesBackThatEditOnly) {
    TFrmTrunAccount* w = listed("Input");
    QPointer<TFrmTrunAccount> alive(w);
    const ListState before = listState(*w);
    QLineEdit* editor = editCell(*w, 1, RowSetColumn::Tax);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("99"));
    QTest::keyClick(editor, Qt::Key_Escape);
    flushDeletes();
    ASSERT_FALSE(alive.isNull());
    EXPECT_FALSE(w->dgdView->editorOpen());
    EXPECT_EQ(listState(*w), before);
    EXPECT_TRUE(notify.messages.isEmpty());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_FALSE(w->hasUnsavedChanges());

    // With nothing unsaved, Esc in the grid closes at once.
    QTest::keyClick(w->dgdView->view(), Qt::Key_Escape);
    EXPECT_EQ(notify.messages, QList<int>{kMsgWindowClosing});
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(WindowUse, ClosingWithTicksOrEditsNotYetSavedAsksFirst) {
    struct Case {
        const char* name;
        const char* mode;
        std::function<void(TFrmTrunAccount&)> change;
        bool asks;
    } cases[] = {
        {"a ticked row", "Input", [](TFrmTrunAccount& w) { clickTick(w, 0); }, true},
        {"every row ticked", "Input", [](TFrmTrunAccount& w) { w.btnallClick(); }, true},
        {"a tax amount changed", "Input",
         [](TFrmTrunAccount& w) {
             QAbstractItemModel* m = w.dgdView->view()->model();
             m->setData(m->index(2, RowSetColumn::Tax), QStringLiteral("5.5"));
         },
         true},
        {"ticked and unticked again", "Input",
         [](TFrmTrunAccount& w) {
             clickTick(w, 0);
             clickTick(w, 0);
         },
         false},
        {"a tax amount stored as it was", "Input",
         [](TFrmTrunAccount& w) {
             QAbstractItemModel* m = w.dgdView->view()->model();
             const QModelIndex i = m->index(2, RowSetColumn::Tax);
             m->setData(i, m->data(i, Qt::EditRole));
         },
         false},
        {"ticks saved", "Input",
         [](TFrmTrunAccount& w) {
             clickTick(w, 0);
             w.btnsaveClick();
         },
         false},
        {"a new search", "Input",
         [](TFrmTrunAccount& w) {
             clickTick(w, 0);
             w.btnSearchClick();
         },
         false},
        {"search mode, rows selected", "Search", [](TFrmTrunAccount& w) { w.btnallClick(); }, false},
    };
    // The user leaves with Esc or "退  出", or the host closes the window (its
    // main window closing).
    enum class Leave { Esc, ExitButton, HostCloses };
    for (const auto& c : cases) {
        for (Leave how : {Leave::Esc, Leave::ExitButton, Leave::HostCloses}) {
            SCOPED_TRACE(std::string(c.name) + (how == Leave::Esc          ? ", Esc"
                                                : how == Leave::ExitButton ? ", 退  出"
                                                                           : ", host"));
            container = std::make_unique<QWidget>();
            container->show();
            notify.messages.clear();
            TFrmTrunAccount* w = listed(c.mode);
            ASSERT_NE(w, nullptr);
            c.change(*w);
            EXPECT_EQ(w->hasUnsavedChanges(), c.asks);
            boxes.clear();
            auto leave = [&] {
                if (how == Leave::Esc) QTest::keyClick(w->dgdView->view(), Qt::Key_Escape);
                else if (how == Leave::ExitButton) QTest::mouseClick(w->ui().btnExit, Qt::LeftButton);
                else w->close();
            };
            if (!c.asks) {
                leave();
                EXPECT_TRUE(boxes.shown().empty());
                EXPECT_EQ(notify.messages, QList<int>{kMsgWindowClosing});
                continue;
            }
            // Cancel keeps the window and what it holds.
            const ListState held = listState(*w);
            boxes.answer(IDCANCEL);
            leave();
            ASSERT_EQ(boxes.shown().size(), 1u);
            EXPECT_EQ(boxes.shown()[0].text, kLeaveQuestion);
            EXPECT_EQ(boxes.shown()[0].caption, "提示");
            EXPECT_EQ(boxes.shown()[0].icon(), platform::MB_ICONQUESTION);
            EXPECT_EQ(boxes.shown()[0].buttons(), platform::MB_OKCANCEL);
            EXPECT_EQ(boxes.shown()[0].flags & platform::MB_DEFMASK, platform::MB_DEFBUTTON2);  // Enter keeps the ticks
            EXPECT_TRUE(notify.messages.isEmpty());
            EXPECT_EQ(listState(*w), held);
            // OK leaves.
            boxes.answer(IDOK);
            leave();
            EXPECT_EQ(questionsAsked(), 2);
            EXPECT_EQ(notify.messages, QList<int>{kMsgWindowClosing});
        }
    }
}

TEST_F(WindowUse, ANewListAsksBeforeUnsavedTicksGo) {
    struct Case {
        const char* name;
        const char* question;
        std::function<void(TFrmTrunAccount&)> act;
        bool newType;  // the list is emptied for another business type, not searched again
    } cases[] = {
        {"F2", "有未保存的勾对，确定要重新查询吗?",
         [](TFrmTrunAccount& w) { QTest::keyClick(w.dgdView->view(), Qt::Key_F2); }, false},
        {"重  查", "有未保存的勾对，确定要重新查询吗?",
         [](TFrmTrunAccount& w) { QTest::mouseClick(w.ui().btnSearch, Qt::LeftButton); }, false},
        {"another business type", "有未保存的勾对，确定要切换业务类型吗?",
         [](TFrmTrunAccount& w) {
             w.ui().cbywlx->setFocus();
             QTest::keyClick(w.ui().cbywlx, Qt::Key_Down);
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        container = std::make_unique<QWidget>();
        container->show();
        TFrmTrunAccount* w = listed("Input");
        ASSERT_NE(w, nullptr);
        const int rows = w->cdspass.recordCount();
        ASSERT_GT(rows, 1);
        clickTick(*w, 0);
        const ListState held = listState(*w);
        const int type = w->ui().cbywlx->currentIndex();
        const QString dateLabel = w->ui().Label22->text();
        hostWindow.messages.clear();

        // 取消 keeps the list, its ticks and the business type; nothing is sent.
        boxes.clear();
        boxes.answer(IDCANCEL);
        c.act(*w);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, c.question);
        EXPECT_EQ(boxes.shown()[0].caption, "提示");
        EXPECT_EQ(boxes.shown()[0].buttons(), platform::MB_OKCANCEL);
        EXPECT_EQ(boxes.shown()[0].flags & platform::MB_DEFMASK, platform::MB_DEFBUTTON2);
        EXPECT_EQ(listState(*w), held);
        EXPECT_EQ(w->ui().cbywlx->currentIndex(), type);
        EXPECT_EQ(w->ui().Label22->text(), dateLabel);
        EXPECT_TRUE(hostWindow.messages.isEmpty());
        EXPECT_TRUE(w->hasUnsavedChanges());

        // 确定 gives up the ticks: a fresh list, or an empty one for the other type.
        boxes.clear();
        boxes.answer(IDOK);
        c.act(*w);
        EXPECT_EQ(boxes.shown().size(), 1u);
        if (c.newType) {
            EXPECT_EQ(w->ui().cbywlx->currentIndex(), type + 1);
            EXPECT_EQ(w->cdspass.recordCount(), 0);
        } else {
            EXPECT_EQ(hostWindow.messages, QList<int>{kMsgSearchStarting});
            EXPECT_EQ(w->cdspass.recordCount(), rows);
            EXPECT_EQ(w->tickedCount(), 0);
        }
        EXPECT_FALSE(w->hasUnsavedChanges());
        // Nothing is left to ask about when the user leaves.
        boxes.clear();
        QTest::keyClick(w->dgdView->view(), Qt::Key_Escape);
        EXPECT_TRUE(boxes.shown().empty());
    }
}

TEST_F(WindowUse, ACellTakesNoMoreThanItsFieldHolds) {
    // The bill number holds 20 bytes: a 30-character number cannot be typed,
    // so the save can never fail for its length.
    TFrmTrunAccount* w = listed("Input", BusinessType::PaymentApproval);
    ASSERT_GT(w->cdspass.recordCount(), 0);
    struct Case {
        int column;
        QString typed;
        QString kept;
    } cases[] = {
        {RowSetColumn::BillNumber, QString(30, QLatin1Char('8')), QString(20, QLatin1Char('8'))},
        {RowSetColumn::BillNumber, QString(15, QChar(0x7968)), QString(10, QChar(0x7968))},  // 票: two bytes each
        {RowSetColumn::PaymentDate, QStringLiteral("202401011"), QStringLiteral("20240101")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        QLineEdit* editor = editCell(*w, 0, c.column);
        ASSERT_NE(editor, nullptr);
        for (QChar ch : c.typed) {
            // Key by key, as the keyboard or an input method hands characters in.
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(editor, &press);
        }
        EXPECT_EQ(editor->text(), c.kept);
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EQ(QString::fromStdString(w->cdspass.field(c.column).asStringAt(w->cdspass.recordAt(0))), c.kept);
    }
    EXPECT_TRUE(boxes.shown().empty()) << boxes.texts()[0];
}

TEST_F(WindowUse, ANumberCellRefusesWhatIsNoNumberInChineseAndLogsTheDetail) {
    TFrmTrunAccount* w = listed("Input");
    for (const char* typed : {"abc", "nan", "inf", "-inf", "infinity"}) {
        SCOPED_TRACE(typed);
        ErrorLog log;
        boxes.clear();
        const std::string before = column(*w, "f_zzse")[0];
        QLineEdit* editor = editCell(*w, 0, RowSetColumn::Tax);
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, QString::fromLatin1(typed));
        QTest::keyClick(editor, Qt::Key_Return);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "税额必须是数字。");
        EXPECT_EQ(column(*w, "f_zzse")[0], before);
        ASSERT_EQ(ErrorLog::lines().size(), 1);
        EXPECT_TRUE(ErrorLog::lines()[0].contains(QStringLiteral("'%1' is not a valid number").arg(QString::fromLatin1(typed))))
            << ErrorLog::lines()[0].toStdString();
        w->cdspass.cancel();
    }
}

TEST_F(WindowUse, WithNoBusinessTypeSelectedTheSearchSaysSoAndSendsNothing) {
    // A stored business type outside the list selects none.
    WriteSetting("Quorvexpos.ini", "FrmTrunAccountInput", "cbywlx", "7", "");
    ScriptedCoordinator* counted = nullptr;
    CoordinatorRef ref = forwardingTo(coordinator, &counted);
    TFrmTrunAccount* w = open(QStringLiteral("Input"), ref.get());
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->ui().cbywlx->currentIndex(), -1);
    const std::size_t calls = counted->calls().size();
    QTest::keyClick(w->dgdView->view(), Qt::Key_F2);
    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
    ASSERT_EQ(boxes.texts(), (std::vector<std::string>{"请选择业务类型。", "请选择业务类型。"}));
    EXPECT_EQ(boxes.shown()[0].caption, "警告");
    EXPECT_EQ(boxes.shown()[0].icon(), platform::MB_ICONWARNING);
    EXPECT_TRUE(hostWindow.messages.isEmpty());
    EXPECT_EQ(counted->calls().size(), calls);
    EXPECT_FALSE(w->cdspass.active());
}

TEST_F(WindowUse, TheCurrentRowShowsInBothModes) {
    for (const char* mode : {"Input", "Search"}) {
        SCOPED_TRACE(mode);
        TFrmTrunAccount* w = listed(mode);
        ASSERT_GT(w->cdspass.recordCount(), 2);
        // A search in search mode ends on the last row; nothing else moved the cursor.
        const int current = w->cdspass.currentRow();
        const int other = current == 0 ? 1 : 0;
        QTableView* view = w->dgdView->view();
        view->scrollTo(view->model()->index(current, 2));
        const QImage image = view->viewport()->grab().toImage();
        const QColor frame = view->palette().color(QPalette::Text);
        auto topEdge = [&](int row) {
            const QRect r = view->visualRect(view->model()->index(row, RowSetColumn::Unit));
            return image.pixelColor(r.center().x(), r.top());
        };
        EXPECT_EQ(topEdge(current), frame);
        EXPECT_NE(topEdge(other), frame);
        delete w;
    }
}

TEST_F(WindowUse, TheFirstColumnsKeepTheirWidthsAndTheTotalsStayReadable) {
    WriteSetting("Quorvexpos.ini", "FrmTrunAccountInput", "f_hsdwh", "1,30", "");
    TFrmTrunAccount* w = listed("Input");
    clickTick(*w, 0);
    w->btnallClick();
    const int expected[] = {46, 30, 77};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(w->dgdView->column(i).width(), expected[i]) << i;

    // Each text of the totals line is drawn whole, one after the other.
    auto* footer = static_cast<GridFooter*>(w->dgdView->footerBar());
    const auto runs = footer->layout();
    ASSERT_FALSE(runs.empty());
    ASSERT_EQ(runs[0].pieces.size(), 3u);
    int right = -1;
    for (const FooterPiece& piece : runs[0].pieces) {
        EXPECT_EQ(footer->fontMetrics().elidedText(piece.text, Qt::ElideRight, piece.rect.width()), piece.text);
        EXPECT_GT(piece.rect.left(), right);
        right = piece.rect.right();
    }
    EXPECT_EQ(runs[0].text(), totalsLine(*w)[0] + "  "_L1 + totalsLine(*w)[1] + "  "_L1 + totalsLine(*w)[2]);

    boxes.answer(IDOK);  // leave the ticks unsaved
    w->btnExitClick();
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", "f_zzgdbz", "", ""), "1,46");
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", "f_hsdwh", "", ""), "1,30");
    EXPECT_EQ(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", "f_hsdwmc", "", ""), "1,77");
}

}  // namespace
}  // namespace trunaccount::testing
