#include <gtest/gtest.h>

#include "data/sql_quote.h"
#include "data/text_functions.h"
#include "platform/errors.h"

using namespace trunaccount;

TEST(IfElseText, PicksByCondition) {
    EXPECT_EQ(IfElseText(true, "a", "b"), "a");
    EXPECT_EQ(IfElseText(false, "a", "b"), "b");
}

TEST(IsIntegerText, AcceptsOnlyWholeSigned64BitIntegers) {
    struct Case {
        const char* text;
        bool expected;
    } cases[] = {
        {" 12", true},   {"12 ", false},  {"   ", false}, {"", false},   {"-5", true},
        {"+5", true},    {"0", true},     {"1.5", false}, {"12a", false}, {"\t7", true},
        {"9223372036854775807", true},    {"9223372036854775808", false}, {"-9223372036854775808", true},
        {"- 5", false},  {"+-5", false},  {"--5", false}, {"\n", false}, {"1,46", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsIntegerText(c.text), c.expected) << '"' << c.text << '"';
}

TEST(NumberToFixedWidth, PadsOrCuts) {
    struct Case {
        int width;
        bool keep;
        std::int64_t value;
        const char* text;
    } cases[] = {
        {3, false, 5, "005"}, {2, true, 2024, "24"}, {2, false, 2024, "2024"}, {4, false, -5, "00-5"},
        {0, true, 0, ""},     {2, true, 0, "00"},    {-1, true, 7, ""},        {1, false, 0, "0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberToFixedWidth(c.width, c.keep, c.value), c.text) << c.width << ' ' << c.value;
}

TEST(MonthList, LatestFirstAcrossTheYearEnd) {
    EXPECT_EQ(MonthList("202312", "202402"), (std::vector<std::string>{"202402", "202401", "202312"}));
    EXPECT_EQ(MonthList("202405", "202405"), (std::vector<std::string>{"202405"}));
    EXPECT_TRUE(MonthList("202406", "202405").empty());
    EXPECT_EQ(MonthList("202301", "202412").size(), 24u);
}

TEST(MonthList, InvalidMonthsRaiseConversionErrors) {
    for (const char* bad : {"202413", "202400", "2024AB", "20241", "abcdef"})
        EXPECT_THROW(MonthList("000101", bad), ConversionError) << bad;
    // The end before the start never looks at the months.
    EXPECT_TRUE(MonthList("999999", "202413").empty());
}

TEST(ExpandMonthTables, OneCopyPerMonthEarliestFirst) {
    const std::string q = "select * from tb000000_fptjdzb z join tb000000_ygys y on 1=1";
    EXPECT_EQ(ExpandMonthTables(q, "202312", "202402", false),
              "select * from tb202312_fptjdzb z join tb202312_ygys y on 1=1 Union All "
              "select * from tb202401_fptjdzb z join tb202401_ygys y on 1=1 Union All "
              "select * from tb202402_fptjdzb z join tb202402_ygys y on 1=1");
    EXPECT_EQ(ExpandMonthTables(q, "202405", "202405", false),
              "select * from tb202405_fptjdzb z join tb202405_ygys y on 1=1");
    EXPECT_EQ(ExpandMonthTables(q, "202406", "202405", false), "");
    EXPECT_EQ(ExpandMonthTables("x", "202401", "202402", true), "x Union x");
    EXPECT_EQ(ExpandMonthTables("tb000000tb000000", "202401", "202401", false), "tb202401tb202401");
    EXPECT_THROW(ExpandMonthTables(q, "202401", "202413", false), ConversionError);
}

TEST(CountFieldsAndNthField, SplitBySeparator) {
    EXPECT_EQ(CountFields("", ";"), 0);
    EXPECT_EQ(CountFields("a;b;;c", ";"), 4);
    EXPECT_EQ(CountFields("abc", ";"), 1);
    EXPECT_EQ(CountFields("a;b", ";;"), 1);
    EXPECT_EQ(CountFields("甲，乙，丙", "，"), 3);

    struct Case {
        const char* text;
        int n;
        const char* field;
    } cases[] = {
        {"a,b,c", 1, "a"}, {"a,b,c", 2, "b"}, {"a,b,c", 3, "c"}, {"a,b,c", 4, ""},  {"abc", 1, ""},
        {",b", 1, ""},     {",b", 2, "b"},    {"a,", 2, ""},     {"a,,c", 2, ""},   {"a,,c", 3, "c"},
        {"", 1, ""},       {"a,b", 0, ""},    {"100|200,5", 2, "5"}, {"甲,乙", 2, "乙"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NthField(c.text, ",", static_cast<std::uint8_t>(c.n)), c.field) << c.text << " #" << c.n;
}

TEST(ListToVariantArray, ArrayOfTextsOrEmpty) {
    EXPECT_TRUE(ListToVariantArray({}).isEmpty());
    auto v = ListToVariantArray({"update a;", "update b;"});
    ASSERT_TRUE(v.isArray());
    ASSERT_EQ(v.asArray().size(), 2u);
    EXPECT_EQ(v.asArray()[1], Variant("update b;"));
}

TEST(CodeOfItem, TextBeforeTheFirstBlank) {
    EXPECT_EQ(CodeOfItem("01 现金"), "01");
    EXPECT_EQ(CodeOfItem("全部"), "");
    EXPECT_EQ(CodeOfItem("05 某 渠道"), "05");
    EXPECT_EQ(CodeOfItem(" x"), "");
}

TEST(SqlValue, DoublesSingleQuotes) {
    EXPECT_EQ(SqlValue("abc"), "abc");
    EXPECT_EQ(SqlValue("O'Brien"), "O''Brien");
    EXPECT_EQ(SqlValue("'; drop table x; --"), "''; drop table x; --");
    EXPECT_EQ(SqlValue(""), "");
}
