// The page model: templates with variables and page numbers, pages that hold
// every row once under repeated titles, the header on the first page only, the
// totals line after the last row, totals-only pages, wrapping, fitting.
#include <gtest/gtest.h>

#include <QSet>

#include "report/report.h"
#include "report_fixture.h"

namespace trunaccount::testing {
namespace {

using namespace report;

struct ResolveCase {
    const char* text;
    const char* expected;
};

TEST(ReportTemplates, VariablesAndPageNumbersReplaceTheirBracketedNames) {
    auto r = documentReport(150);
    r->setVariable(QStringLiteral("Condi"), QStringLiteral("查询条件:\r\n    制单日期:从2025-01-01至2025-01-10\r\n"));
    const int pages = r->pageCount();
    ASSERT_GT(pages, 2);
    const ResolveCase cases[] = {
        {"[Title]", "收款单明细查询"},
        {"打印日期:[Date]  打印时间:[Time]", "打印日期:20250110  打印时间:10:20:30"},
        {"页    数:第[Page#]页/共[TotalPages#]页", "页    数:第2页/共%1页"},
        {"[Oper][Oper]", "张三张三"},
        {"[Unknown] stays, [] too", "[Unknown] stays, [] too"},
        {"[Title", "[Title"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(r->resolve(QString::fromUtf8(c.text), 1), QString::fromUtf8(c.expected).replace(QStringLiteral("%1"), QString::number(pages)))
            << c.text;
    // A value holding brackets is not resolved again.
    r->setVariable(QStringLiteral("Oper"), QStringLiteral("[Title]"));
    EXPECT_EQ(r->resolve(QStringLiteral("[Oper]"), 0), QStringLiteral("[Title]"));
}

TEST(ReportPages, EveryRowOnceUnderTitlesOnEveryPageWithHeaderFirstAndTotalsLast) {
    auto r = documentReport(150);
    const int pages = r->pageCount();
    ASSERT_GE(pages, 3);
    QList<int> rowsSeen;
    for (int p = 0; p < pages; ++p) {
        const Page page = r->page(p);
        const QStringList texts = pageTexts(page);
        EXPECT_EQ(texts.contains(QStringLiteral("收款单明细查询")), p == 0) << "page " << p;
        EXPECT_TRUE(texts.contains(QStringLiteral("单据号"))) << "titles repeat, page " << p;
        EXPECT_TRUE(texts.contains(QStringLiteral("No"))) << "row-number column, page " << p;
        EXPECT_TRUE(texts.contains(QStringLiteral("页    数:第%1页/共%2页").arg(p + 1).arg(pages)))
            << texts.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(texts.contains(QStringLiteral("合计:150条")), p == pages - 1) << "page " << p;
        QSet<int> rowsHere;
        for (const PageItem& item : page.items) {
            if (item.row >= 0) rowsHere.insert(item.row);
            // Nothing outside the paper's margins.
            if (item.kind == ItemKind::Text && item.row != kBandRow) {
                EXPECT_GE(item.rect.left(), r->setup.marginLeft - 0.01);
                EXPECT_LE(item.rect.right(), r->setup.width() - r->setup.marginRight + 0.01);
                EXPECT_LE(item.rect.bottom(), r->setup.height() - r->setup.marginBottom + 0.01);
            }
        }
        const PageRange& range = r->pageRange(p);
        EXPECT_EQ(rowsHere.size(), range.rowCount);
        for (int row = range.firstRow; row < range.firstRow + range.rowCount; ++row) rowsSeen << row;
    }
    ASSERT_EQ(rowsSeen.size(), 150);
    for (int i = 0; i < 150; ++i) ASSERT_EQ(rowsSeen[i], i);
    // The row numbers and the check boxes: row 0 is ticked, row 1 is not.
    const Page first = r->page(0);
    int boxes = 0;
    for (const PageItem& item : first.items)
        if (item.kind == ItemKind::CheckBox && item.row <= 1) {
            EXPECT_EQ(item.checked, item.row == 0);
            ++boxes;
        }
    EXPECT_EQ(boxes, 2);
    EXPECT_TRUE(pageTexts(first).contains(QStringLiteral("1")));
}

TEST(ReportPages, TotalsOnlyKeepsTitlesAndTotalsLineWithoutRows) {
    auto r = documentReport(500);
    const int allPages = r->pageCount();
    r->totalsOnly = true;
    r->invalidate();
    ASSERT_EQ(r->pageCount(), 1);
    EXPECT_GT(allPages, 1);
    const Page page = r->page(0);
    const QStringList texts = pageTexts(page);
    for (const char* expected : {"收款单明细查询", "勾对", "单据号", "发票金额", "合计:500条", "页    数:第1页/共1页"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(expected))) << expected;
    for (const PageItem& item : page.items) {
        EXPECT_LT(item.row, 0) << "a data row on a totals-only page: " << item.text.toStdString();
        EXPECT_NE(item.kind, ItemKind::CheckBox);
    }
}

TEST(ReportPages, LongTextsWrapIntoTallerRowsAndColumnsFitThePrintableWidth) {
    auto r = documentReport(8);
    const Page page = r->page(0);
    auto rowTop = [&](int row) {
        for (const PageItem& item : page.items)
            if (item.row == row) return item.rect.top();
        return -1.0;
    };
    // Row 3 holds the long supplier name: two lines or more, so row 4 starts lower.
    const double single = rowTop(2) - rowTop(1);
    EXPECT_GT(rowTop(4) - rowTop(3), 1.5 * single);
    int supplierLines = 0;
    for (const PageItem& item : page.items)
        if (item.row == 3 && item.column == 3) ++supplierLines;
    EXPECT_GE(supplierLines, 2);
    // Its check box stands level with the first line, where the row's texts start.
    int boxes = 0;
    for (const PageItem& item : page.items) {
        if (item.row != 3 || item.kind != ItemKind::CheckBox) continue;
        ++boxes;
        EXPECT_NEAR(item.rect.center().y() - rowTop(3), single / 2, 0.5);
    }
    EXPECT_EQ(boxes, 1);
    double width = 0;
    for (double w : r->columnWidths()) width += w;
    EXPECT_NEAR(width, r->setup.width() - r->setup.marginLeft - r->setup.marginRight, 0.01);

    // Without word wrap every row is one line high.
    r->options.wordWrap = false;
    r->invalidate();
    const Page flat = r->page(0);
    double tops[5] = {};
    for (const PageItem& item : flat.items)
        if (item.row >= 0 && item.row < 5) tops[item.row] = item.rect.top();
    EXPECT_NEAR(tops[4] - tops[3], tops[2] - tops[1], 0.01);
}

TEST(ReportPages, HeaderBandIsAtLeastItsSetHeightAndMarginsThatLeaveNoRoomAreRefused) {
    auto r = documentReport(3);
    auto titleTop = [&] {
        for (const PageItem& item : r->page(0).items)
            if (item.row == kTitleRow) return item.rect.top();
        return -1.0;
    };
    r->pageHeader.height = 40;
    r->invalidate();
    const double at40 = titleTop();
    r->pageHeader.height = 200;  // screen pixels: 200 * 254 / 96 tenths of a millimetre
    r->invalidate();
    EXPECT_NEAR(titleTop(), r->setup.marginTop + 200 * kUnitsPerScreenPixel, 0.01);
    EXPECT_GT(titleTop(), at40);

    r->setup.marginLeft = r->setup.marginRight = 1100;
    r->invalidate();
    EXPECT_THROW(r->layout(), ReportError);
}

// Amounts in columns too narrow for them: a number is printed whole on one
// line, inside its cell; its column widens and the text columns make room, and
// where even that cannot be, the number is printed smaller.
// The totals line of the window: counts and the ticked amount in narrow
// columns, then cells without totals, then the column sums.
TEST(ReportPages, TotalsTextsInNarrowColumnsShareALineAcrossTheEmptyCellsAfterThem) {
    struct Case {
        const char* name;
        int emptyAfter;  // footer cells without text after the three texts
        bool oneLine;
    };
    for (const Case& c : {Case{"RoomInTheEmptyCells", 2, true}, Case{"NoEmptyCellsAfterThem", 0, false}}) {
        SCOPED_TRACE(c.name);
        auto t = std::make_shared<MemoryTable>();
        // A wide column in front, without a total: the text columns stay narrow.
        t->columnList = {{QStringLiteral("供应商名称"), 400, Qt::AlignLeft, false, {}, false, -1},
                         {QStringLiteral("勾对"), 30, Qt::AlignHCenter, true, QStringLiteral("1"), false, -1},
                         {QStringLiteral("核算单位号"), 30, Qt::AlignLeft, false, {}, false, -1},
                         {QStringLiteral("核算单位名称"), 40, Qt::AlignLeft, false, {}, false, -1}};
        for (int e = 0; e < c.emptyAfter; ++e)
            t->columnList.push_back({QStringLiteral("单据号%1").arg(e), 150, Qt::AlignLeft, false, {}, false, -1});
        t->columnList.push_back({QStringLiteral("发票金额"), 80, Qt::AlignRight, false, {}, true, 2});
        std::vector<MemoryTable::Cell> cells = {{"青岛嘉禾酒业有限公司", std::nullopt}, {"1", std::nullopt}, {"1001", std::nullopt}, {"上海浦江", std::nullopt}};
        for (int e = 0; e < c.emptyAfter; ++e) cells.push_back({"202611000055", std::nullopt});
        cells.push_back({"15958.47", 15958.47});
        t->rows = {cells};
        t->footer = {{"", std::nullopt}, {"合计:200条", std::nullopt}, {"已勾:2条", std::nullopt}, {"已勾金额:54358.46", std::nullopt}};
        for (int e = 0; e < c.emptyAfter; ++e) t->footer.push_back({"", std::nullopt});
        t->footer.push_back({"15958.47", 15958.47});
        Report r(t);
        r.cellFont = FontSpec{QStringLiteral("宋体"), 9, false};
        const Page page = r.page(0);
        const std::vector<double>& widths = r.columnWidths();
        std::vector<double> edges{r.setup.marginLeft};
        for (double w : widths) edges.push_back(edges.back() + w);

        std::vector<const PageItem*> totals;
        for (const PageItem& item : page.items)
            if (item.kind == ItemKind::Text && item.row == kFooterRow && item.column >= 2 && item.column <= 4) totals.push_back(&item);
        if (c.oneLine) {
            ASSERT_EQ(totals.size(), 3u);
            const double footerTop = totals[0]->rect.top();
            for (std::size_t k = 0; k < 3; ++k) {
                const PageItem& item = *totals[k];
                EXPECT_EQ(item.column, static_cast<int>(k) + 2);
                EXPECT_EQ(item.text, QString::fromStdString(t->footer[k + 1].text));
                EXPECT_DOUBLE_EQ(item.origin.y(), totals[0]->origin.y());
                EXPECT_FALSE(item.clip);
                const double end = item.origin.x() + TextMeasure(r.fonts()[0]).width(item.text);
                if (k < 2) EXPECT_LT(end, totals[k + 1]->origin.x()) << "texts overlap";
                else EXPECT_LE(end, edges[5 + static_cast<std::size_t>(c.emptyAfter)]);
            }
            // No rule crosses the line of texts; the rules around it reach the foot.
            for (const PageItem& item : page.items) {
                if (item.kind != ItemKind::Line || item.rect.left() != item.rect.right()) continue;
                const double x = item.rect.left();
                const bool inside = x > edges[2] + 0.01 && x < edges[5 + static_cast<std::size_t>(c.emptyAfter)] - 0.01;
                EXPECT_EQ(item.rect.bottom() <= footerTop + 0.01, inside) << "rule at " << x;
            }
        } else {
            // Each text in its own cell, broken over lines there.
            EXPECT_GT(totals.size(), 3u);
            for (const PageItem* item : totals) {
                EXPECT_DOUBLE_EQ(item->rect.left(), edges[static_cast<std::size_t>(item->column)]);
                EXPECT_DOUBLE_EQ(item->rect.right(), edges[static_cast<std::size_t>(item->column) + 1]);
            }
        }
    }
}

struct NumberCase {
    const char* name;
    int amountColumns;
    double amountScreenWidth;  // pixels on screen, before fitting
    const char* amount;        // in every row
    const char* total;         // under every amount column
    bool fit;                  // columns fitted to the page
    bool rowsSmaller;          // the rows' amounts are printed in a smaller font
    bool totalsSmaller;
};

TEST(ReportNumbers, AreNeverBrokenTheirColumnsWidenOrTheyArePrintedSmaller) {
    const NumberCase cases[] = {
        {"NarrowColumnsWiden", 2, 20, "-1,234,567.89", "-2,469,135.78", true, false, false},
        {"UnfittedColumnsWidenToo", 2, 20, "-1,234,567.89", "-2,469,135.78", false, false, false},
        {"TotalsALittleWiderThanTheRowsTakeTheirRoom", 6, 30, "1234.56", "12345.67", true, false, false},
        {"TotalsFarWiderThanTheRowsAreSmaller", 6, 100, "1234.50", "123456789012345.67", true, false, true},
        {"MoreNumbersThanThePageHolds", 14, 100, "1234567890.12", "1234567890.12", true, true, true},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto t = std::make_shared<MemoryTable>();
        t->columnList.push_back({QStringLiteral("供应商名称"), 200, Qt::AlignLeft, false, {}, false, -1});
        t->columnList.push_back({QStringLiteral("制单日期"), 10, Qt::AlignLeft, false, {}, false, -1});
        for (int a = 0; a < c.amountColumns; ++a)
            t->columnList.push_back({QStringLiteral("金额%1").arg(a), c.amountScreenWidth, Qt::AlignRight, false, {}, true, 2});
        for (int row = 0; row < 5; ++row) {
            std::vector<MemoryTable::Cell> cells = {{"上海市浦东新区张江高科技园区第一供应商有限责任公司", std::nullopt},
                                                    {"2025-01-10", std::nullopt}};
            for (int a = 0; a < c.amountColumns; ++a) cells.push_back({c.amount, 1.0});
            t->rows.push_back(cells);
        }
        t->footer = {{"合计:5条", std::nullopt}, {"", std::nullopt}};
        for (int a = 0; a < c.amountColumns; ++a) t->footer.push_back({c.total, 2.0});
        Report r(t);
        r.cellFont = FontSpec{QStringLiteral("宋体"), 9, false};
        r.options.fitColumns = c.fit;
        const Page page = r.page(0);
        const double printable = r.setup.width() - r.setup.marginLeft - r.setup.marginRight;
        double total = 0;
        for (double w : r.columnWidths()) total += w;
        if (c.fit) {
            EXPECT_NEAR(total, printable, 0.01);
        }

        bool rowsSmaller = false, totalsSmaller = false;
        for (int row : {0, 4, kFooterRow})
            for (int column = row == kFooterRow ? 3 : 2; column < r.columnCount(); ++column) {
                std::vector<const PageItem*> items;
                for (const PageItem& item : page.items)
                    if (item.row == row && item.column == column) items.push_back(&item);
                ASSERT_EQ(items.size(), 1u) << "row " << row << " column " << column;
                const PageItem& item = *items.front();
                EXPECT_EQ(item.text.toStdString(), column == 2 ? "2025-01-10" : row == kFooterRow ? c.total : c.amount);
                const FontSpec& font = r.fonts()[static_cast<std::size_t>(item.font)];
                (row == kFooterRow ? totalsSmaller : rowsSmaller) |= font.pointSize < 9;
                // Inside its cell.
                EXPECT_FALSE(item.clip);
                EXPECT_GE(item.origin.x(), item.rect.left());
                EXPECT_LE(item.origin.x() + TextMeasure(font).width(item.text), item.rect.right() + 0.01);
            }
        EXPECT_EQ(rowsSmaller, c.rowsSmaller);
        QStringList widths;
        for (double w : r.columnWidths()) widths << QString::number(w, 'f', 1);
        EXPECT_EQ(totalsSmaller, c.totalsSmaller) << "column widths " << widths.join(QLatin1Char(' ')).toStdString();
        // The supplier still prints, broken over lines.
        QString supplier;
        for (const PageItem& item : page.items)
            if (item.row == 0 && item.column == 1) supplier += item.text;
        EXPECT_EQ(supplier, QStringLiteral("上海市浦东新区张江高科技园区第一供应商有限责任公司"));
    }
}

}  // namespace
}  // namespace trunaccount::testing
