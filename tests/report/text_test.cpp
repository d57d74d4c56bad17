// Widths and line breaks of cell text: widths summed from character advances
// agree with the font's own measure, numbers are never broken, Chinese text
// breaks between characters but not before a closing mark, other words break
// at blanks and only when too long between characters.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QStringList>

#include "report/report_text.h"

namespace trunaccount::testing {
namespace {

using namespace report;

const FontSpec kSong{QStringLiteral("宋体"), 9, false};

TEST(ReportText, WidthIsTheFontsOwnMeasureOfTheWholeText) {
    const TextMeasure m(kSong);
    const QFontMetricsF fm = layoutMetrics(kSong);
    for (const char* text :
         {"上海市浦东新区张江高科技园区", "供应商;0 ABC-123", "合计:150条", "12,345.67", "", "（备注）Ünïcödé"}) {
        const QString s = QString::fromUtf8(text);
        EXPECT_NEAR(m.width(s), fm.horizontalAdvance(s), 0.05) << text;
        bool number = false;
        EXPECT_NEAR(m.width(std::string_view(text), &number), m.width(s), 1e-9) << text;
        EXPECT_EQ(number, isNumberLike(s)) << text;
    }
    EXPECT_LT(m.width(std::string_view("两行\n文字")), 0) << "a text holding a line break is not one line";
}

TEST(ReportText, NumberLikeTextsAreDigitsWithSignsAndSeparators) {
    const struct {
        const char* text;
        bool number;
    } cases[] = {
        {"202501000001", true}, {"-12,345.67", true}, {"2025-01-10", true}, {"10:20:30", true},
        {"(1,234.00)", true},   {"12.5%", true},      {"￥100.00", true},   {"D0001", false},
        {"12 345", false},      {"-", false},         {"", false},          {"合计:150条", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isNumberLike(QString::fromUtf8(c.text)), c.number) << c.text;
}

struct BreakCase {
    const char* text;
    const char* room;      // the line is as wide as this text (plus a hair)
    const char* expected;  // the lines joined with "|"
};

TEST(ReportText, LinesBreakWhereChineseTextAllowsAndNeverInsideANumber) {
    const TextMeasure m(kSong);
    const BreakCase cases[] = {
        // Numbers stay whole, however narrow the line.
        {"202501000001", "20", "202501000001"},
        {"-12,345.67", "1", "-12,345.67"},
        {"2025-01-10", "20", "2025-01-10"},
        {"2024010408:14:50", "2024", "2024010408:14:50"},
        // A number inside text keeps together; the text breaks around it.
        {"合计:150条", "合计:1", "合计:|150条"},
        {"已勾金额:4667863353.09", "已勾金额:", "已勾金额:|4667863353.09"},
        {"单据号202501000001共3张", "单据号", "单据号|202501000001|共3张"},
        // Chinese text breaks between any two characters...
        {"上海市浦东新区", "上海市", "上海市|浦东新|区"},
        // ...but a closing mark stays with the character before it, an opening one with the one after.
        {"供应商，有限公司", "供应商", "供应|商，有|限公司"},
        {"甲（备注）乙", "甲（", "甲|（备|注）|乙"},
        {"供应商;0", "供应商;", "供应商;|0"},
        // Other words break at blanks; a word longer than the line between characters.
        {"Hello world", "Hello w", "Hello|world"},
        {"XXXXXXXXXX", "XXXX", "XXXX|XXXX|XX"},
        // Paragraphs; a closing line break adds no empty line; empty text is one empty line.
        {"第一行\n第二行", "第一行第二行", "第一行|第二行"},
        {"一\r\n\r\n二\n", "一二", "一||二"},
        {"", "一", ""},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const double room = m.width(QString::fromUtf8(c.room)) + 0.01;
        QStringList lines;
        for (const QString& line : m.breakLines(text, room)) lines << line;
        EXPECT_EQ(lines.join(QLatin1Char('|')), QString::fromUtf8(c.expected))
            << c.text << " in the room of " << c.room;
        EXPECT_EQ(m.lineCount(text, room), lines.size()) << c.text;
        for (const QString& line : lines) {
            if (!isNumberLike(line)) {
                EXPECT_LE(m.width(line), room) << c.text << ": " << line.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace trunaccount::testing
