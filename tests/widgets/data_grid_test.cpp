#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

#include "dataset/client_dataset.h"
#include "support/message_box_recorder.h"
#include "support/packets.h"
#include "widgets/data_grid.h"
#include "widgets/grid_view.h"

using namespace Qt::StringLiterals;

using namespace trunaccount;
using trunaccount::testing::makePacket;

namespace {

const QColor kTicked = QColor(221, 221, 255);

// Types a text key by key, Chinese characters too (as an input method hands them in).
void typeText(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}
const QColor kUnticked = QColor(196, 196, 255);

// A shown grid over six documents: tick box, number, supplier, two amounts.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        tick = &ds.addField("f_zzgdbz", FieldKind::Text, 1);
        djh = &ds.addField("f_Djh", FieldKind::Text, 12);
        csmc = &ds.addField("f_Csmc", FieldKind::Text, 60);
        hsje = &ds.addField("f_hsje", FieldKind::Float);
        wsje = &ds.addField("f_wsje", FieldKind::Float);
        djh->setDisplayLabel("单据号");
        csmc->setDisplayLabel("供应商名称");
        hsje->setDisplayLabel("发票金额");
        hsje->setDisplayFormat("####0.00");
        wsje->setDisplayFormat("0.00");
        ds.loadPacket(makePacket({{"f_zzgdbz", ColumnKind::Text, 1}, {"f_djh", ColumnKind::Text, 12},
                                  {"f_csmc", ColumnKind::Text, 60}, {"f_hsje", ColumnKind::Float, 0},
                                  {"f_wsje", ColumnKind::Float, 0}},
                                 {
                                     {"0", "D1", "华联商贸", 100.1, 0.1},
                                     {"1", "D2", "永辉超市", 200.2, 0.2},
                                     {"0", "D3", "abc食品", 300.3, 0.3},
                                     {"0", "D4", "百货批发", 0.01, -0.6},
                                     {"1", "D5", "联华", 5.0, 0.0},
                                     {"0", "D6", "ABC饮料厂", 1234.5, 1.0},
                                 }));
        grid = new DataGrid(&top);
        auto* layout = new QVBoxLayout(&top);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(grid);
        grid->setDataset(&ds);
        GridColumn& t = grid->addColumn("f_zzgdbz"_L1);
        t.setCheckBox(true);
        t.setTitle(QStringLiteral("勾对"));
        t.setWidth(46);
        for (const char* f : {"f_Djh", "f_Csmc", "f_hsje", "f_wsje"})
            grid->addColumn(QLatin1StringView(f)).setTitleButton(true);
        grid->column(3).setFooterValueType(fvtSum);
        grid->column(4).setFooterValueType(fvtSum);
        grid->column(0).setFooterValueType(fvtStaticText);
        grid->column(0).setFooterValue(QStringLiteral("合计:6条"));
        grid->setFooterVisible(true);
        top.resize(520, 260);
        top.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));
    }

    QHeaderView* header() const { return static_cast<QHeaderView*>(grid->titleBar()); }
    void clickTitle(int column, Qt::KeyboardModifiers mods = {}) {
        QPoint at(header()->sectionViewportPosition(column) + header()->sectionSize(column) / 2, header()->height() / 2);
        QTest::mouseClick(header()->viewport(), Qt::LeftButton, mods, at);
    }
    QRect cell(int row, int column) const { return grid->view()->visualRect(grid->model()->index(row, column)); }
    void clickCell(int row, int column, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(grid->view()->viewport(), Qt::LeftButton, mods, cell(row, column).center());
    }
    std::string rows(const std::vector<Bookmark>& marks) {
        std::string s;
        for (const auto& b : marks) s += std::string(djh->textAt(b.record)) + " ";
        return s;
    }
    std::vector<int> marked() const {
        std::vector<int> v;
        for (auto* c : grid->sortMarkedColumns()) v.push_back(c->index());
        return v;
    }

    ClientDataSet ds{"cdspass"};
    Field *tick, *djh, *csmc, *hsje, *wsje;
    QWidget top;
    DataGrid* grid = nullptr;
};

TEST_F(GridTest, TitleClickAdvancesItsMarkerAndSignalsAtOnce) {
    QSignalSpy changed(grid, &DataGrid::sortMarkingChanged);
    clickTitle(1);
    EXPECT_EQ(grid->column(1).sortMarker(), smUpEh);
    EXPECT_EQ(changed.count(), 1);
    clickTitle(1);
    EXPECT_EQ(grid->column(1).sortMarker(), smDownEh);
    clickTitle(1);
    EXPECT_EQ(grid->column(1).sortMarker(), smUpEh);
    clickTitle(3);  // without Ctrl the other marker goes
    EXPECT_EQ(grid->column(1).sortMarker(), smNoneEh);
    EXPECT_EQ(grid->column(3).sortMarker(), smUpEh);
    EXPECT_EQ(marked(), std::vector<int>{3});
    EXPECT_EQ(changed.count(), 4);

    QSignalSpy titles(grid, &DataGrid::titleClicked);
    clickTitle(0);  // not a title button
    EXPECT_EQ(grid->column(0).sortMarker(), smNoneEh);
    EXPECT_EQ(changed.count(), 4);
    EXPECT_EQ(titles.count(), 1);
}

TEST_F(GridTest, CtrlMarksSeveralTitlesAndSignalsWhenReleased) {
    QSignalSpy changed(grid, &DataGrid::sortMarkingChanged);
    clickTitle(2, Qt::ControlModifier);
    clickTitle(4, Qt::ControlModifier);
    clickTitle(4, Qt::ControlModifier);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(marked(), (std::vector<int>{2, 4}));
    EXPECT_EQ(grid->column(2).sortMarker(), smUpEh);
    EXPECT_EQ(grid->column(4).sortMarker(), smDownEh);
    QTest::keyRelease(grid->view(), Qt::Key_Control);
    EXPECT_EQ(changed.count(), 1);
    QTest::keyRelease(grid->view(), Qt::Key_Control);
    EXPECT_EQ(changed.count(), 1);

    // Markers set by the program change the list but signal nothing.
    grid->column(1).setSortMarker(smDownEh);
    grid->column(2).setSortMarker(smNoneEh);
    EXPECT_EQ(marked(), (std::vector<int>{4, 1}));
    EXPECT_EQ(changed.count(), 1);
    grid->designLoaded();
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(GridTest, CheckBoxClickStoresThroughTheDataset) {
    std::vector<std::string> log;
    tick->setOnChange([&](Field& f) { log.push_back(djh->asString() + "=" + f.asString()); });
    clickCell(0, 0);
    clickCell(1, 0);
    clickCell(0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"D1=1", "D2=0", "D1=0"}));
    EXPECT_EQ(ds.state(), DatasetState::Browse);

    grid->setReadOnly(true);
    clickCell(2, 0);
    EXPECT_EQ(log.size(), 3u);
    ds.setCurrentRow(2);
    EXPECT_EQ(tick->asString(), "0");
}

TEST_F(GridTest, WholeRowSelectionIsHeldAsBookmarks) {
    grid->setMultiSelect(true);
    clickCell(1, 2);
    clickCell(3, 2, Qt::ControlModifier);
    EXPECT_EQ(rows(grid->selectedRows().inViewOrder()), "D2 D4 ");
    clickCell(5, 1, Qt::ShiftModifier);  // from the last click to here
    EXPECT_EQ(rows(grid->selectedRows().inViewOrder()), "D4 D5 D6 ");
    clickCell(4, 1, Qt::ControlModifier);
    EXPECT_EQ(rows(grid->selectedRows().inViewOrder()), "D4 D6 ");

    ds.addIndex("customindex", "f_Djh", 0, "f_Djh");
    ds.setIndexName("customindex");
    EXPECT_EQ(rows(grid->selectedRows().inViewOrder()), "D6 D4 ");
    ds.setFilter("f_Djh <> 'D4'");
    ds.setFiltered(true);
    EXPECT_EQ(rows(grid->selectedRows().inViewOrder()), "D6 ");
    EXPECT_EQ(grid->selectedRows().count(), 2);
    ds.setFiltered(false);
    EXPECT_EQ(rows(grid->selectedRows().inViewOrder()), "D6 D4 ");

    // The program selects the way the select-all command does.
    {
        ControlsSuspended s(ds);
        for (ds.first(); !ds.eof(); ds.next()) grid->selectedRows().setCurrentRowSelected(true);
    }
    EXPECT_EQ(grid->selectedRows().count(), 6);
    ds.loadPacket(makePacket({{"f_zzgdbz", ColumnKind::Text, 1}, {"f_djh", ColumnKind::Text, 12},
                              {"f_csmc", ColumnKind::Text, 60}, {"f_hsje", ColumnKind::Float, 0},
                              {"f_wsje", ColumnKind::Float, 0}},
                             {{"0", "N1", "x", 1.0, 1.0}}));
    EXPECT_EQ(grid->selectedRows().count(), 0);
}

TEST_F(GridTest, FooterSumsFollowTheRowsInView) {
    EXPECT_EQ(grid->footerText(3), "1840.11"_L1);
    EXPECT_EQ(grid->footerText(4), "1.00"_L1);
    EXPECT_EQ(grid->footerText(0), QStringLiteral("合计:6条"));
    EXPECT_EQ(grid->footerText(1), ""_L1);
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(3, 4), "0.6"_L1));
    EXPECT_EQ(grid->footerText(4), "2.20"_L1);
    ds.setFilter("f_zzgdbz = '1'");
    ds.setFiltered(true);
    EXPECT_EQ(grid->footerText(3), "205.20"_L1);
    EXPECT_EQ(grid->footerText(4), "0.20"_L1);
    ds.emptyDataSet();
    EXPECT_EQ(grid->footerText(3), "0.00"_L1);
    ds.close();
    EXPECT_EQ(grid->footerText(3), ""_L1);
}

TEST_F(GridTest, FooterSumNeverShowsMinusZero) {
    ds.setFilter("f_Djh = 'D1' or f_Djh = 'D2' or f_Djh = 'D4'");  // 0.1 + 0.2 - 0.6 + ...
    ds.setFiltered(true);
    ASSERT_TRUE(grid->model()->setData(grid->model()->index(2, 4), "-0.3"_L1));
    EXPECT_EQ(grid->footerText(4), "0.00"_L1);
}

TEST_F(GridTest, FooterLiesUnderTheRowsAndScrollsWithTheTitles) {
    QWidget* footer = grid->footerBar();
    QWidget* viewport = grid->view()->viewport();
    ASSERT_TRUE(footer->isVisible());
    EXPECT_EQ(footer->geometry().left(), viewport->geometry().left());
    EXPECT_EQ(footer->geometry().width(), viewport->geometry().width());
    EXPECT_EQ(footer->geometry().top(), viewport->geometry().bottom() + 1);
    grid->column(2).setWidth(400);
    QScrollBar* bar = grid->view()->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    ASSERT_GT(bar->value(), 0);
    // The footer strip stays put; its cells are drawn where the titles now are.
    EXPECT_EQ(footer->geometry().left(), viewport->geometry().left());
    EXPECT_EQ(header()->sectionViewportPosition(3), header()->sectionPosition(3) - bar->value());
}

TEST_F(GridTest, FooterTooltipHasTheWholeText) {
    grid->column(0).setFooterValue(QStringLiteral("合计:100000条"));
    QHeaderView* h = header();
    QPoint at(h->sectionViewportPosition(0) + 5, grid->footerBar()->height() / 2);
    QHelpEvent help(QEvent::ToolTip, at, grid->footerBar()->mapToGlobal(at));
    QApplication::sendEvent(grid->footerBar(), &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("合计:100000条"));
    QToolTip::hideText();
}

TEST_F(GridTest, AFooterTextRunsOnOverEmptyCellsAndTheColumnsKeepTheirWidths) {
    // Narrow columns with wide totals texts: the columns stay as designed, the
    // texts are readable all the same, and the tooltip has them all.
    grid->column(1).setFooterValueType(fvtStaticText);
    grid->column(0).setFooterValue(QStringLiteral("合计:100000条"));
    grid->column(1).setFooterValue(QStringLiteral("已勾:99999条"));
    grid->column(1).setWidth(40);
    const int widths[] = {grid->column(0).width(), grid->column(1).width(), grid->column(2).width()};
    auto* footer = static_cast<GridFooter*>(grid->footerBar());
    const auto runs = footer->layout();
    ASSERT_EQ(runs.size(), 3u);  // the totals texts, then the sum of each amount
    ASSERT_EQ(runs[0].pieces.size(), 2u);
    const QHeaderView* h = header();
    EXPECT_EQ(runs[0].right, h->sectionViewportPosition(2) + h->sectionSize(2) - 1);  // up to the first sum
    const QFontMetrics fm = footer->fontMetrics();
    int previousRight = -1;
    for (const FooterPiece& piece : runs[0].pieces) {
        // Drawn whole: the painter elides a text only when its rectangle is too narrow.
        EXPECT_EQ(fm.elidedText(piece.text, Qt::ElideRight, piece.rect.width()), piece.text) << piece.text.toStdString();
        EXPECT_GT(piece.rect.left(), previousRight);
        EXPECT_LE(piece.rect.right(), runs[0].right);
        previousRight = piece.rect.right();
    }
    EXPECT_EQ(runs[1].pieces[0].text, "1840.11"_L1);
    EXPECT_EQ(grid->column(0).width(), widths[0]);
    EXPECT_EQ(grid->column(1).width(), widths[1]);
    EXPECT_EQ(grid->column(2).width(), widths[2]);

    QPoint at(h->sectionViewportPosition(2) + 5, footer->height() / 2);  // an empty cell of the run
    QHelpEvent help(QEvent::ToolTip, at, footer->mapToGlobal(at));
    QApplication::sendEvent(footer, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("合计:100000条  已勾:99999条"));
    QToolTip::hideText();
}

TEST_F(GridTest, AFooterTextScrolledOutOnTheLeftStaysInSightWhileItsRunIs) {
    grid->column(0).setFooterValue(QStringLiteral("合计:100000条"));
    grid->column(2).setWidth(800);
    auto* footer = static_cast<GridFooter*>(grid->footerBar());
    const QHeaderView* h = header();
    QScrollBar* bar = grid->view()->horizontalScrollBar();
    // The first column out of view, the second half out.
    const int past = h->sectionPosition(1) + h->sectionSize(1) / 2;
    ASSERT_GE(bar->maximum(), past);
    bar->setValue(past);
    ASSERT_LT(h->sectionViewportPosition(0) + h->sectionSize(0), 0);
    const auto runs = footer->layout();
    ASSERT_FALSE(runs.empty());
    ASSERT_FALSE(runs[0].pieces.empty());
    const FooterPiece& piece = runs[0].pieces[0];
    EXPECT_EQ(piece.text, QStringLiteral("合计:100000条"));
    EXPECT_GE(piece.rect.left(), 0);
    EXPECT_EQ(footer->fontMetrics().elidedText(piece.text, Qt::ElideRight, piece.rect.width()), piece.text);
    EXPECT_LE(piece.rect.right(), runs[0].right);
}

TEST_F(GridTest, TextEditorsTakeNoMoreThanTheFieldHolds) {
    // 单据号 holds 12 bytes of GBK: twelve letters or six Chinese characters.
    struct Case {
        QString typed;
        QString stored;
    } cases[] = {
        {QString(30, QLatin1Char('7')), QString(12, QLatin1Char('7'))},
        {QStringLiteral("汉字汉字汉字汉字"), QStringLiteral("汉字汉字汉字")},
        {QStringLiteral("AB汉字汉字汉字汉"), QStringLiteral("AB汉字汉字汉")},
    };
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        QModelIndex index = grid->model()->index(row, 1);
        grid->view()->setCurrentIndex(index);
        grid->view()->edit(index);
        auto* editor = qobject_cast<QLineEdit*>(grid->view()->indexWidget(index));
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        typeText(editor, c.typed);
        EXPECT_EQ(editor->text(), c.stored);
        QTest::keyClick(editor, Qt::Key_Return);
        ds.setCurrentRow(row++);
        EXPECT_EQ(QString::fromStdString(djh->asString()), c.stored);
    }
}

TEST_F(GridTest, TheCurrentRowIsFramedWithOrWithoutFocusInBothSelectionModes) {
    for (bool multi : {false, true}) {
        SCOPED_TRACE(multi ? "multi-selection" : "cells");
        grid->setMultiSelect(multi);
        ds.setCurrentRow(multi ? 4 : 2);
        grid->view()->clearFocus();
        const QImage image = grid->view()->viewport()->grab().toImage();
        const QColor frame = grid->view()->palette().color(QPalette::Text);
        auto topEdge = [&](int row) { return image.pixelColor(cell(row, 2).center().x(), cell(row, 2).top()); };
        EXPECT_EQ(topEdge(ds.currentRow()), frame);
        EXPECT_EQ(image.pixelColor(cell(ds.currentRow(), 0).left(), cell(ds.currentRow(), 0).center().y()), frame);
        EXPECT_NE(topEdge(ds.currentRow() == 2 ? 0 : 2), frame);
    }
}

TEST(GridSorting, ANewOrderKeepsTheCurrentRowTheSelectionAndTheScrollPosition) {
    DataPacket packet({{"f_djh", ColumnKind::Text, 12}, {"f_hsje", ColumnKind::Float, 0}});
    for (int i = 0; i < 300; ++i) {
        packet.addText(QStringLiteral("D%1").arg(i, 3, 10, QLatin1Char('0')).toStdString());
        packet.addFloat(static_cast<double>((i * 37) % 300));
        packet.endRow();
    }
    ClientDataSet ds("cds");
    ds.loadPacket(packet);
    QWidget top;
    auto* layout = new QVBoxLayout(&top);
    auto* grid = new DataGrid(&top);
    layout->addWidget(grid);
    grid->setDataset(&ds);
    grid->addColumnsForFields();
    grid->setMultiSelect(true);
    top.resize(300, 300);
    top.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&top));

    ds.setCurrentRow(120);
    grid->selectedRows().setRowSelected(121, true);
    QScrollBar* bar = grid->view()->verticalScrollBar();
    bar->setValue(bar->value() - 3);
    const int scrolled = bar->value();
    const RecordId current = ds.currentRecord();
    const auto selected = grid->selectedRows().inViewOrder();

    ds.addIndex("customindex", "f_hsje", 0, "f_hsje");
    ds.setIndexName("customindex");
    EXPECT_EQ(bar->value(), scrolled);
    EXPECT_EQ(ds.currentRecord(), current);
    EXPECT_EQ(grid->view()->currentIndex().row(), ds.currentRow());
    EXPECT_NE(ds.currentRow(), 120);  // the row moved with the order
    EXPECT_EQ(grid->selectedRows().inViewOrder(), selected);
}

TEST_F(GridTest, ColourHookChoosesBackgroundsAndSelectionKeepsItsColours) {
    grid->setMultiSelect(true);
    std::vector<bool> selectedSeen(6);
    grid->setCellColorHook([&](const CellInfo& c, CellStyle& s) {
        if (c.selected) {
            selectedSeen[static_cast<std::size_t>(c.row)] = true;
            return;
        }
        s.background = tick->textAt(c.record) == "1" ? kTicked : kUnticked;
    });
    clickCell(2, 1);
    QImage image = grid->view()->viewport()->grab().toImage();
    auto pixel = [&](int row) { return QColor(image.pixel(cell(row, 1).left() + 2, cell(row, 1).top() + 2)); };
    EXPECT_EQ(pixel(0), kUnticked);
    EXPECT_EQ(pixel(1), kTicked);
    EXPECT_EQ(pixel(2), grid->view()->palette().color(QPalette::Highlight));
    EXPECT_TRUE(selectedSeen[2]);
    EXPECT_FALSE(selectedSeen[1]);
}

TEST_F(GridTest, EnterInTheEditorStoresTheValueAndReachesTheGrid) {
    std::vector<int> keys;
    QObject::connect(grid, &DataGrid::keyPressed, grid, [&](QKeyEvent* e) { keys.push_back(e->key()); });
    QModelIndex index = grid->model()->index(1, 4);
    grid->view()->setCurrentIndex(index);
    grid->view()->edit(index);
    auto* editor = grid->view()->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "7.25"_L1);
    QTest::keyClick(editor, Qt::Key_Return);
    ds.setCurrentRow(1);
    EXPECT_DOUBLE_EQ(wsje->asFloat(), 7.25);
    EXPECT_EQ(keys, std::vector<int>{Qt::Key_Return});
}

TEST_F(GridTest, CtrlDeleteAsksOrHandsOverToTheHandler) {
    trunaccount::testing::MessageBoxRecorder boxes;
    boxes.answer(platform::IDCANCEL);
    ds.setCurrentRow(1);
    QTest::keyClick(grid->view(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds.recordCount(), 6);
    QTest::keyClick(grid->view(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ds.recordCount(), 5);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].caption, "提示");

    int handled = 0;
    grid->setDeleteRowHandler([&] { ++handled; });
    QTest::keyClick(grid->view(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(ds.recordCount(), 5);
    grid->setReadOnly(true);
    QTest::keyClick(grid->view(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(handled, 1);
}

TEST_F(GridTest, ClickingARowMovesTheDatasetAndTheDatasetMovesTheGrid) {
    clickCell(3, 2);
    EXPECT_EQ(ds.currentRow(), 3);
    EXPECT_EQ(grid->currentColumn(), 2);
    ds.last();
    EXPECT_EQ(grid->view()->currentIndex().row(), 5);
    EXPECT_EQ(grid->view()->currentIndex().column(), 2);
}

TEST_F(GridTest, FrozenColumnsStayWhileTheRestScrolls) {
    grid->column(2).setWidth(400);
    grid->setFrozenCols(2);
    QTableView* frozen = grid->frozenView();
    ASSERT_NE(frozen, nullptr);
    EXPECT_TRUE(frozen->isVisible());
    EXPECT_FALSE(frozen->isColumnHidden(0));
    EXPECT_FALSE(frozen->isColumnHidden(1));
    EXPECT_TRUE(frozen->isColumnHidden(2));
    EXPECT_EQ(frozen->width(), grid->column(0).width() + grid->column(1).width());
    grid->column(4).setTitle(QStringLiteral("一个很长的标题需要换行显示"));
    grid->column(4).setWidth(60);  // wraps in the scrolling part only
    EXPECT_GT(grid->view()->horizontalHeader()->height(), 2 * grid->fontMetrics().height());
    EXPECT_EQ(frozen->horizontalHeader()->height(), grid->view()->horizontalHeader()->height());
    EXPECT_EQ(frozen->visualRect(grid->model()->index(2, 0)).top(), grid->view()->visualRect(grid->model()->index(2, 0)).top());
    int left = frozen->geometry().left();
    grid->view()->horizontalScrollBar()->setValue(200);
    EXPECT_EQ(frozen->geometry().left(), left);
    grid->column(0).setVisible(false);  // the first two visible columns stay frozen
    EXPECT_TRUE(frozen->isColumnHidden(0));
    EXPECT_FALSE(frozen->isColumnHidden(2));
}

TEST(GridLifetime, ADatasetDestroyedFirstLeavesTheGridEmpty) {
    QWidget top;
    auto* grid = new DataGrid(&top);
    auto ds = std::make_unique<ClientDataSet>("cds");
    ds->loadPacket(makePacket({{"f_hsje", ColumnKind::Float, 0}}, {{1.5}, {2.5}}));
    grid->setDataset(ds.get());
    grid->addColumnsForFields();
    grid->column(0).setFooterValueType(fvtSum);
    grid->setFooterVisible(true);
    top.show();
    EXPECT_EQ(grid->footerText(0), "4"_L1);
    grid->setMultiSelect(true);
    ds->first();
    grid->selectedRows().setCurrentRowSelected(true);
    ds.reset();
    EXPECT_EQ(grid->dataset(), nullptr);
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_EQ(grid->footerText(0), ""_L1);
    EXPECT_EQ(grid->selectedRows().count(), 0);
    EXPECT_EQ(grid->column(0).title(), "f_hsje"_L1);
    grid->grab();
}

TEST_F(GridTest, RendersTitlesFooterAndCheckBoxes) {
    grid->setFooterColor(Qt::yellow);
    grid->column(2).setTitle(QStringLiteral("供应商名称（全称）"));
    grid->column(2).setWidth(70);  // wraps onto two lines
    grid->column(1).setSortMarker(smUpEh);
    grid->column(3).setSortMarker(smDownEh);
    grid->setCellColorHook([&](const CellInfo& c, CellStyle& s) {
        if (!c.selected) s.background = tick->textAt(c.record) == "1" ? kTicked : kUnticked;
    });
    QImage image = grid->grab().toImage();
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(header()->height(), 2 * header()->fontMetrics().height());
    // The footer is yellow where it shows no text (the totals text starts at the
    // left and may run on over the supplier's empty footer cell: sampled at its end).
    QRect footer = grid->footerBar()->geometry().translated(grid->view()->mapTo(grid, QPoint(0, 0)));
    const int emptyCellEnd = header()->sectionViewportPosition(2) + header()->sectionSize(2) - 4;
    EXPECT_EQ(QColor(image.pixel(footer.left() + emptyCellEnd, footer.center().y())), QColor(Qt::yellow));
    QByteArray dir = qgetenv("TRUNACCOUNT_GRAB_DIR");
    if (!dir.isEmpty()) image.save(QString::fromLocal8Bit(dir) + "/data_grid.png"_L1);
}

}  // namespace
