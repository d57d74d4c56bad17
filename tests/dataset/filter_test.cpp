#include <gtest/gtest.h>

#include <cmath>

#include "dataset/client_dataset.h"
#include "dataset/dataset_error.h"
#include "dataset/filter/nodes.h"
#include "dataset/filter_expression.h"
#include "support/packets.h"

using namespace trunaccount;
using trunaccount::testing::makePacket;

namespace {

// Six documents A-F; D has no supplier name and no count.
class FilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ds.loadPacket(makePacket({{"f_Djh", ColumnKind::Text, 12},
                                  {"f_Csmc", ColumnKind::Text, 60},
                                  {"f_hsje", ColumnKind::Float, 0},
                                  {"f_n", ColumnKind::Integer, 0},
                                  {"f_zzgdbz", ColumnKind::Text, 1}},
                                 {
                                     {"A", "abc食品", 100.0, 1, "0"},
                                     {"B", "华联abc", 150.5, 2, "1"},
                                     {"C", "永辉", 200.0, 3, "0"},
                                     {"D", Variant::null(), 250.0, Variant::null(), "1"},
                                     {"E", "O'Brien", -20.0, 5, "0"},
                                     {"F", "ABC饮料", 99.99, 6, "1"},
                                 }));
    }

    // The documents the filter lets through, in view order ("ABC").
    std::string shown(const std::string& filter) {
        ds.setFiltered(false);
        ds.setFilter(filter);
        ds.setFiltered(true);
        std::string s;
        for (ds.first(); !ds.eof(); ds.next()) s += ds.fieldByName("f_Djh").asString();
        return s;
    }

    ClientDataSet ds{"cds"};
};

TEST_F(FilterTest, SelectsTheRowsOfEachCondition) {
    struct Case {
        const char* filter;
        const char* rows;
    } cases[] = {
        // the texts the condition builder writes
        {"( f_Csmc LIKE '%abc%' ) And ( f_hsje > 100 )", "B"},
        {"( 1=1  And f_hsje Between '100' And '200' )", "ABC"},
        {"( f_Csmc<>'temp@temp@temp' ) and (f_Csmc<>'abc食品' and f_Csmc<>'永辉')", "BDEF"},
        {"( f_hsje = 100 )", "A"},
        {"( f_Csmc = 'abc食品' )", "A"},
        {"( f_Csmc LIKE 'abc%' )", "A"},
        // a number field against a quoted number compares numerically
        {"f_hsje = '100'", "A"},
        {"f_hsje = '100.00'", "A"},
        {"f_hsje >= '99.99' and f_hsje < 150.5", "AF"},
        {"f_hsje < 0", "E"},
        {"f_hsje > -20.5", "ABCDEF"},
        {"f_n Between 2 And 5", "BCE"},
        {"f_n = 3", "C"},
        // a null equals nothing, differs from everything, matches no pattern
        {"f_n <> 3", "ABDEF"},
        {"f_Csmc = ''", ""},
        {"f_Csmc LIKE '%'", "ABCEF"},
        {"f_Csmc NOT LIKE '%abc%'", "CDEF"},
        // texts: exact, case-sensitive, quotes doubled
        {"f_Csmc LIKE '%abc'", "B"},
        {"f_Csmc LIKE '%食%'", "A"},
        {"f_Csmc LIKE '%a%c%'", "AB"},
        {"f_Csmc = 'O''Brien'", "E"},
        {"f_Djh Between 'B' And 'D'", "BCD"},
        {"f_Djh NOT BETWEEN 'B' AND 'E'", "AF"},
        {"f_zzgdbz = 1", "BDF"},
        // words in any case, precedence, parentheses, NOT, field names in any case
        {"f_zzgdbz = '1' or f_hsje < 0 AND f_n = 5", "BDEF"},
        {"(f_zzgdbz = '1' OR f_hsje < 0) aNd f_n = 5", "E"},
        {"NOT (f_zzgdbz = '1')", "ACE"},
        {"F_HSJE > 200", "D"},
        {"1=0", ""},
        {"1=1", "ABCDEF"},
        {"'a' < 'b'", "ABCDEF"},
    };
    for (const auto& c : cases) EXPECT_EQ(shown(c.filter), c.rows) << c.filter;
}

TEST_F(FilterTest, ReportsWhatIsWrongAndWhere) {
    struct Case {
        std::string filter;
        const char* problem;
        std::size_t position;
    } cases[] = {
        {"f_xx = 1", "unknown field 'f_xx'", 1},
        {"( f_hsje > 100", "expected ')' to close the '(' at position 1, found end of text", 15},
        {"f_Csmc = 'abc", "text without its closing quote", 10},
        {"f_hsje > 100 # 1", "unexpected character '#'", 14},
        {"f_hsje = 'abc'", "'abc' is not a number", 10},
        {"f_hsje Between '1' And 'x'", "'x' is not a number", 24},
        {"f_hsje >", "expected a value after >, found end of text", 9},
        {"f_hsje", "expected a comparison (= <> < <= > >= LIKE BETWEEN) after f_hsje, found end of text", 7},
        {"f_hsje Between 1 2", "expected AND between the two values of BETWEEN, found number 2", 18},
        {"f_Csmc = f_hsje", "cannot compare f_Csmc (text) with f_hsje (number)", 1},
        {"f_hsje = 1 f_n = 2", "unexpected 'f_n' after the end of the condition", 12},
        {"()", "expected a condition, found ')'", 2},
        {"", "expected a condition, found end of text", 1},
        {"f_hsje = -", "expected a number after '-', found end of text", 11},
        {"f_hsje = 1e999", "number 1e999 is out of range", 10},
        // positions count characters, not bytes
        {"f_Csmc = '供应商' AND 名称 = 1", "unexpected character '名'", 20},
        {"f_Csmc = 'x' AND F_CSMCX = 1", "unknown field 'F_CSMCX'", 18},
        {"f_Csmc = '供应商' ？", "unexpected character '？'", 16},
        {std::string(300, '(') + "1=1" + std::string(300, ')'), "conditions nested too deeply", 201},
    };
    for (const auto& c : cases) {
        try {
            FilterExpression e(c.filter);
            e.prepare([this](std::string_view n) -> const Field* { return ds.findField(n); });
            ADD_FAILURE() << "accepted: " << c.filter;
        } catch (const FilterError& e) {
            EXPECT_EQ(e.problem(), c.problem) << c.filter;
            EXPECT_EQ(e.position(), c.position) << c.filter;
            EXPECT_EQ(e.detail(), "Filter: " + std::string(c.problem) + " at position " + std::to_string(c.position));
            // The user reads Chinese: the value to mend where there is one, else that the condition is unusable.
            const std::string shown = e.what();
            const std::string_view problem(c.problem);
            if (problem.ends_with("is not a number") || problem.ends_with("is out of range"))
                EXPECT_TRUE(shown.starts_with("过滤条件无法执行：")) << shown;
            else
                EXPECT_EQ(shown, "过滤条件有误，无法过滤。");
        }
    }
}

TEST(FilterSyntax, BuildsTheTreeWithAndOverOrPrecedence) {
    struct Case {
        const char* filter;
        const char* tree;
    } cases[] = {
        {"a = 1 OR b = 2 AND c = 3", "(or (= a 1) (and (= b 2) (= c 3)))"},
        {"( 1=1  And f_hsje Between '100' And '200' )", "(and (= 1 1) (between f_hsje '100' '200'))"},
        {"a=1 and b=2 and c=3 and d=4", "(and (= a 1) (= b 2) (= c 3) (= d 4))"},
        {"NOT x LIKE 'a%'", "(not (like x 'a%'))"},
        {"x NOT BETWEEN -1 AND 2.5e1", "(not-between x -1 2.5e1)"},
        {"f = 'it''s' or g<>h", "(or (= f 'it''s') (<> g h))"},
        {"((a>=1))", "(>= a 1)"},
    };
    for (const auto& c : cases) EXPECT_EQ(FilterExpression(c.filter).dump(), c.tree) << c.filter;
}

TEST(FilterSyntax, NamesTheFieldsItReads) {
    ClientDataSet ds;
    ds.loadPacket(makePacket({{"a", ColumnKind::Text, 0}, {"b", ColumnKind::Float, 0}, {"c", ColumnKind::Text, 0}}, {}));
    FilterExpression e("(C = 'x' or b > 1) and c like '%y%' and 1=1");
    e.prepare([&](std::string_view n) -> const Field* { return ds.findField(n); });
    EXPECT_EQ(e.referencedColumns(), (std::vector<int>{2, 1}));
}

TEST(LikePattern, PercentStandsForAnyRun) {
    using filter::likeMatch;
    struct Case {
        const char* text;
        const char* pattern;
        bool match;
    } cases[] = {
        {"abc", "abc", true},   {"abc", "ab", false},     {"", "%", true},       {"", "", true},
        {"abc", "%%", true},    {"abc", "a%", true},      {"abc", "%c", true},   {"abc", "%b%", true},
        {"abc", "a%b%c", true}, {"abc", "a%c%b", false},  {"aba", "a%ba", true}, {"ab", "a%b%b", false},
        {"a_c", "a_c", true},   {"abc", "a_c", false},    {"中文ab", "%文a%", true}, {"abab", "%ab%ab%", true},
        {"aXbXc", "a%X%c", true}, {"ab", "ab%ab", false},
    };
    for (const auto& c : cases) EXPECT_EQ(likeMatch(c.text, c.pattern), c.match) << c.text << " LIKE " << c.pattern;
}

TEST_F(FilterTest, RejectedTextLeavesTheFilterAsItWas) {
    EXPECT_EQ(shown("f_zzgdbz = '1'"), "BDF");
    EXPECT_THROW(ds.setFilter("f_zzgdbz = '1' and"), FilterError);
    EXPECT_EQ(ds.filter(), "f_zzgdbz = '1'");
    EXPECT_TRUE(ds.filtered());
    EXPECT_EQ(ds.recordCount(), 3);
}

TEST_F(FilterTest, BlankTextAndSwitchingOffShowEveryRow) {
    EXPECT_EQ(shown("  "), "ABCDEF");
    EXPECT_EQ(shown("f_hsje > 200"), "D");
    ds.setFiltered(false);
    EXPECT_EQ(ds.recordCount(), 6);
    ds.setFiltered(true);
    EXPECT_EQ(ds.recordCount(), 1);
}

TEST_F(FilterTest, FilterStaysOverAReloadAndAnEditThatLeavesItHidesTheRow) {
    shown("f_zzgdbz = '1'");
    ds.loadPacket(makePacket({{"f_djh", ColumnKind::Text, 12},
                              {"f_csmc", ColumnKind::Text, 60},
                              {"f_hsje", ColumnKind::Float, 0},
                              {"f_n", ColumnKind::Integer, 0},
                              {"f_zzgdbz", ColumnKind::Text, 1}},
                             {{"X", "x", 1.0, 1, "1"}, {"Y", "y", 2.0, 2, "0"}, {"Z", "z", 3.0, 3, "1"}}));
    ASSERT_EQ(ds.recordCount(), 2);
    ds.first();
    ds.edit();
    ds.fieldByName("f_zzgdbz").setAsString("0");
    ds.post();
    EXPECT_EQ(ds.recordCount(), 1);
    EXPECT_EQ(ds.fieldByName("f_djh").asString(), "Z");
}

TEST(FilterOnClosedDataset, BindsToTheFieldsOfTheFirstPacket) {
    ClientDataSet pub("cdspub");  // fields come with the packet
    pub.setFilter("f_tdbm >= '02'");
    pub.setFiltered(true);
    EXPECT_THROW(pub.setFilter("f_tdbm >="), FilterError);  // syntax is checked at once
    pub.loadPacket(makePacket({{"f_tdbm", ColumnKind::Text, 4}}, {{"01"}, {"02"}, {"03"}}));
    EXPECT_EQ(pub.recordCount(), 2);
    EXPECT_THROW(pub.loadPacket(makePacket({{"f_other", ColumnKind::Text, 4}}, {{"01"}})), FilterError);
    EXPECT_EQ(pub.recordCount(), 2);
}

}  // namespace

namespace {

// Long chains of comparisons of one field with literals, as the exclusion of a
// "does not contain" condition writes them. Each chain must select exactly the
// rows that the same terms select when written so that they cannot be gathered
// into a set: "NOT (f = x)" for "f <> x", "NOT (f <> x)" for "f = x".
class ValueChainTest : public ::testing::Test {
protected:
    void SetUp() override {
        DataPacket p({{"f_Djh", ColumnKind::Text, 12},
                      {"f_Csmc", ColumnKind::Text, 60},
                      {"f_hsje", ColumnKind::Float, 0},
                      {"f_n", ColumnKind::Integer, 0}});
        for (int i = 0; i < 80; ++i) {
            p.addText("D" + std::to_string(i));
            if (i % 7 == 3) p.addNull();
            else if (i % 11 == 5) p.addText("O'x" + std::to_string(i % 3));
            else p.addText("n" + std::to_string(i % 20));
            if (i % 9 == 4) p.addNull();
            else if (i == 10) p.addFloat(-0.0);
            else if (i == 20) p.addFloat(std::nan(""));
            else p.addFloat(0.5 * (i % 16));
            if (i % 13 == 6) p.addNull();
            else p.addInteger(i % 12);
            p.endRow();
        }
        ds.loadPacket(p);
    }
    std::string shown(const std::string& filter) {
        ds.setFiltered(false);
        ds.setFilter(filter);
        ds.setFiltered(true);
        std::string s;
        for (int r = 0; r < ds.recordCount(); ++r) s += std::string(ds.field(0).textAt(ds.recordAt(r))) + " ";
        return s;
    }
    std::string prepared(const std::string& filter) {
        FilterExpression e(filter);
        e.prepare([this](std::string_view n) -> const Field* { return ds.findField(n); });
        return e.dump();
    }
    ClientDataSet ds{"cds"};
};

// "f <> 'a' and f <> 'b' ..." (or "f = 'a' or ..."), and its reference form.
std::pair<std::string, std::string> chain(const std::string& field, const std::vector<std::string>& literals,
                                          bool equal = false, bool literalFirst = false) {
    std::string text, reference;
    for (const auto& l : literals) {
        if (!text.empty()) {
            text += equal ? " or " : " and ";
            reference += equal ? " or " : " and ";
        }
        std::string term = literalFirst ? l + (equal ? " = " : "<>") + field : field + (equal ? " = " : "<>") + l;
        text += term;
        reference += "not (" + field + (equal ? " <> " : " = ") + l + ")";
    }
    return {text, reference};
}

std::vector<std::string> literals(const std::string& prefix, int n, const std::string& quote = "'") {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i) v.push_back(quote + prefix + std::to_string(i) + quote);
    return v;
}

TEST_F(ValueChainTest, GatheredChainsSelectWhatTheirTermsSelect) {
    auto with = [](std::vector<std::string> v, std::initializer_list<const char*> more) {
        v.insert(v.end(), more.begin(), more.end());
        return v;
    };
    struct Case {
        const char* what;
        std::pair<std::string, std::string> texts;
        const char* set;  // the set the prepared tree shows, "" when the chain stays as it is
    } cases[] = {
        {"texts", chain("f_Csmc", with(literals("n", 12), {"'O''x1'", "'absent'", "''"})), "(not-in f_Csmc 'n0' 'n1'"},
        {"texts, literal first", chain("f_Csmc", literals("n", 9), false, true), "(not-in f_Csmc 'n0'"},
        {"texts, any of", chain("f_Csmc", with(literals("n", 10), {"'O''x2'"}), true), "(in f_Csmc 'n0'"},
        {"numbers quoted", chain("f_hsje", with(literals("", 8), {"'0.5'", "'-0'", "'7.5'"})), "(not-in f_hsje '0'"},
        {"numbers unquoted", chain("f_hsje", with(literals("", 6, ""), {"1.5", "-0", "2.50"})), "(not-in f_hsje 0"},
        {"numbers, any of", chain("f_hsje", with(literals("", 6, ""), {"0.5", "0"}), true), "(in f_hsje 0"},
        {"integers", chain("f_n", literals("", 10, "")), "(not-in f_n 0"},
        {"text field and unquoted numbers", chain("f_Djh", literals("", 9, "")), "(not-in f_Djh 0"},
        {"a literal that is no number stays a term", chain("f_hsje", with(literals("", 8), {"'nan'"})),
         "(not-in f_hsje '0'"},
        {"seven terms stay terms", chain("f_Csmc", literals("n", 7)), ""},
    };
    for (const auto& c : cases) {
        const auto& [text, reference] = c.texts;
        EXPECT_EQ(shown(text), shown(reference)) << c.what;
        std::string tree = prepared(text);
        if (*c.set) EXPECT_NE(tree.find(c.set), std::string::npos) << c.what << ": " << tree;
        else EXPECT_EQ(tree.find("in "), std::string::npos) << c.what << ": " << tree;
    }
}

TEST_F(ValueChainTest, ChainsMixWithOtherConditionsAndEachFieldGetsItsSet) {
    auto names = chain("f_Csmc", literals("n", 10));
    auto amounts = chain("f_hsje", literals("", 9, ""));
    const std::string text = "f_n > 2 and " + names.first + " and f_Djh <> 'D7' and " + amounts.first + " and f_n < 11";
    const std::string reference =
        "f_n > 2 and " + names.second + " and f_Djh <> 'D7' and " + amounts.second + " and f_n < 11";
    EXPECT_EQ(shown(text), shown(reference));
    EXPECT_NE(shown(text), "");
    std::string tree = prepared(text);
    EXPECT_EQ(tree.rfind("(and (> f_n 2) (not-in f_Csmc 'n0'", 0), 0u) << tree;
    EXPECT_NE(tree.find("(<> f_Djh 'D7') (not-in f_hsje 0"), std::string::npos) << tree;
    // The fields it reads are still known (the grid relies on them to refilter after an edit).
    FilterExpression e(text);
    e.prepare([this](std::string_view n) -> const Field* { return ds.findField(n); });
    EXPECT_EQ(e.referencedColumns(), (std::vector<int>{3, 1, 0, 2}));
}

TEST_F(ValueChainTest, AnEditThatPutsAValueIntoTheSetHidesTheRow) {
    shown(chain("f_Csmc", literals("n", 10)).first);
    const int before = ds.recordCount();
    ASSERT_TRUE(ds.locate("f_Csmc", "n10"));
    ds.edit();
    ds.fieldByName("f_Csmc").setAsString("n3");
    ds.post();
    EXPECT_EQ(ds.recordCount(), before - 1);
}

TEST_F(ValueChainTest, AWrongTermInALongChainIsReportedWhereItStands) {
    auto terms = literals("", 12);
    terms[9] = "'x9'";
    const std::string text = chain("f_hsje", terms).first;
    try {
        ds.setFilter(text);
        ADD_FAILURE() << "accepted";
    } catch (const FilterError& e) {
        EXPECT_EQ(e.problem(), "'x9' is not a number");
        EXPECT_EQ(e.position(), text.find("'x9'") + 1);
    }
}

TEST_F(ValueChainTest, RecordsMatchingIgnoresTheFilterAndMovesNothing) {
    shown("f_n = 1");
    ds.last();
    const int row = ds.currentRow();
    auto records = ds.recordsMatching("f_Csmc LIKE 'n1%'");
    std::string s, expected;
    for (RecordId r : records) s += std::string(ds.field(0).textAt(r)) + " ";
    for (int i = 0; i < 80; ++i)  // the names n1 and n10 to n19, in load order
        if (i % 7 != 3 && i % 11 != 5 && (i % 20 == 1 || i % 20 >= 10)) expected += "D" + std::to_string(i) + " ";
    EXPECT_EQ(s, expected);
    EXPECT_EQ(ds.recordsMatching("  ").size(), 80u);
    EXPECT_EQ(ds.currentRow(), row);
    EXPECT_EQ(ds.filter(), "f_n = 1");
    EXPECT_THROW(ds.recordsMatching("f_Csmc LIKE"), FilterError);
    ds.addIndex("by_amount", "f_hsje", ixDescending);
    ds.setIndexName("by_amount");
    records = ds.recordsMatching("f_hsje >= 7");
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(ds.field(2).floatAt(records.front()), 7.5);
    ds.close();
    EXPECT_TRUE(ds.recordsMatching("f_hsje >= 7").empty());
}

}  // namespace
