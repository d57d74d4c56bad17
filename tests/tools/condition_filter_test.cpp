#include <gtest/gtest.h>

#include "dataset/client_dataset.h"
#include "dataset/dataset_error.h"
#include "support/condition_row_helpers.h"
#include "support/packets.h"
#include "tools/condition_filter.h"

using namespace Qt::StringLiterals;

using namespace trunaccount;
using trunaccount::testing::cond;
using trunaccount::testing::makePacket;
using trunaccount::testing::rel;

namespace {

// A few documents with the labels of the reconciliation row set: a tick flag
// first (the field a lost display name falls back to), texts and amounts.
class ConditionFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ds.addField("f_zzgdbz", FieldKind::Text, 1).setDisplayLabel("勾对");
        ds.addField("f_Djh", FieldKind::Text, 12).setDisplayLabel("单据号");
        ds.addField("f_Csmc", FieldKind::Text, 60).setDisplayLabel("供应商名称");
        ds.addField("f_hsje", FieldKind::Float).setDisplayLabel("发票金额");
        ds.addField("f_wsje", FieldKind::Float);  // no label: its name is its display name
        ds.loadPacket(makePacket({{"f_zzgdbz", ColumnKind::Text, 1},
                                  {"f_djh", ColumnKind::Text, 12},
                                  {"f_csmc", ColumnKind::Text, 60},
                                  {"f_hsje", ColumnKind::Float, 0},
                                  {"f_wsje", ColumnKind::Float, 0}},
                                 {
                                     {"0", "A", "abc食品", 100.0, 1.0},
                                     {"1", "B", "华联abc", 150.5, 2.0},
                                     {"0", "C", "永辉", 200.0, 3.0},
                                     {"1", "D", Variant::null(), 250.0, 4.0},
                                     {"0", "E", "O'Brien", 0.1 + 0.2, 5.0},
                                     {"1", "F", "华联abc", 99.99, 6.0},
                                     {"0", "G", "x' Or 'a'='a", 300.0, 7.0},
                                 }));
    }

    QString built(const ConditionRows& rows) { return BuildConditionFilter(rows, ds).text; }

    // The documents the rows let through, in view order ("ABC").
    std::string shown(const ConditionRows& rows) {
        ApplyConditionRows(ds, rows);
        std::string s;
        for (int r = 0; r < ds.recordCount(); ++r) s += std::string(ds.field(1).textAt(ds.recordAt(r)));
        return s;
    }

    ClientDataSet ds{"cdspass"};
};

TEST_F(ConditionFilterTest, FindsTheFirstFieldWithTheDisplayName) {
    EXPECT_EQ(FindFieldByDisplayName(ds, QStringLiteral("供应商名称")), 2);
    EXPECT_EQ(FindFieldByDisplayName(ds, "f_wsje"_L1), 4);
    EXPECT_EQ(FindFieldByDisplayName(ds, "f_Csmc"_L1), 0);  // a field with a label answers to its label only
    EXPECT_EQ(FindFieldByDisplayName(ds, QStringLiteral("付款金额")), 0);
    ds.field(3).setDisplayLabel("供应商名称");
    EXPECT_EQ(FindFieldByDisplayName(ds, QStringLiteral("供应商名称")), 2);
}

TEST_F(ConditionFilterTest, EachRowBuildsItsPiece) {
    struct Case {
        ConditionRow row;
        const char* text;
    } cases[] = {
        // every operator word, on a text field and on a number field
        {cond("供应商名称", "等于", "abc"), "( f_Csmc = 'abc' )"},
        {cond("发票金额", "等于", "100"), "( f_hsje = 100 )"},
        {cond("发票金额", "大于", "100"), "( f_hsje > 100 )"},
        {cond("发票金额", "大于等于", "100"), "( f_hsje >= 100 )"},
        {cond("发票金额", "小于", "100"), "( f_hsje < 100 )"},
        {cond("发票金额", "小于等于", "-2.5"), "( f_hsje <= -2.5 )"},
        {cond("供应商名称", "不等于", "abc"), "( f_Csmc <> 'abc' )"},
        {cond("发票金额", "不等于", "1e3"), "( f_hsje <> 1e3 )"},
        {cond("供应商名称", "部分等于", "abc"), "( f_Csmc LIKE '%abc%' )"},
        {cond("发票金额", "部分等于", "12"), "( f_hsje LIKE '%12%' )"},
        {cond("供应商名称", "部分不等于", "abc"), "( f_Csmc<>'temp@temp@temp' )"},
        {cond("发票金额", "部分不等于", "12"), "( 1=1 )"},
        {cond("供应商名称", "左等于", "abc"), "( f_Csmc LIKE 'abc%' )"},
        {cond("单据号", "大于", "100"), "( f_Djh > '100' )"},
        {cond("f_wsje", "等于", "3"), "( f_wsje = 3 )"},
        // "," without ";" or "|" is part of one value
        {cond("供应商名称", "等于", "a,b"), "( f_Csmc = 'a,b' )"},
        // quotes are doubled, so a value matches literally and cannot change the condition
        {cond("供应商名称", "等于", "x' Or 'a'='a"), "( f_Csmc = 'x'' Or ''a''=''a' )"},
        {cond("供应商名称", "部分等于", "O'B"), "( f_Csmc LIKE '%O''B%' )"},
        {cond("供应商名称", "左等于", "'"), "( f_Csmc LIKE '''%' )"},
        // a number field takes only a number as typed; anything else becomes a quoted value
        {cond("发票金额", "等于", "abc"), "( f_hsje = 'abc' )"},
        {cond("发票金额", "大于", "0) or (1=1"), "( f_hsje > '0) or (1=1' )"},
        {cond("发票金额", "等于", "1,000"), "( f_hsje = '1,000' )"},
        // an operator word the builder does not know
        {cond("供应商名称", "包含", "abc"), "(  )"},
        // a display name no field has: the first field
        {cond("付款金额", "大于", "100"), "( f_zzgdbz > '100' )"},
        // value lists: ranges intersect, single values are alternatives
        {cond("发票金额", "等于", "100|200"), "( 1=1  And f_hsje Between '100' And '200' )"},
        {cond("发票金额", "大于", "100|200,150,180"),
         "( 1=1  And f_hsje Between '100' And '200' And ( f_hsje = '150' Or f_hsje = '180' ) )"},
        {cond("发票金额", "等于", "1|5,2|9"), "( 1=1  And f_hsje Between '1' And '5' And f_hsje Between '2' And '9' )"},
        {cond("发票金额", "等于", "1|5|7"), "( 1=1  And f_hsje Between '1' And '5' )"},
        {cond("发票金额", "等于", "|5"), "( 1=1  And f_hsje Between '' And '5' )"},
        {cond("供应商名称", "部分不等于", "永辉;x"), "( 1=1  And ( f_Csmc = '永辉;x' ) )"},
        {cond("供应商名称", "等于", "a;b,c,,O'B"), "( 1=1  And ( f_Csmc = 'a;b' Or f_Csmc = 'c' Or f_Csmc = 'O''B' ) )"},
        {cond("供应商名称", "等于", "a|z,"), "( 1=1  And f_Csmc Between 'a' And 'z' )"},
        // an emptied value is a list without entries
        {cond("供应商名称", "等于", ""), "( 1=1  )"},
        {cond("供应商名称", "包含", ""), "( 1=1  )"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(built({c.row}), QString::fromUtf8(c.text))
            << c.row.caption.toStdString() << " " << c.row.subItems[0].toStdString() << " "
            << c.row.subItems[1].toStdString();
}

TEST_F(ConditionFilterTest, RelationsJoinTheRows) {
    EXPECT_EQ(built({}), ""_L1);
    EXPECT_EQ(built({cond("供应商名称", "部分等于", "abc"), rel("并且"), cond("发票金额", "大于", "100")}),
              "( f_Csmc LIKE '%abc%' ) And ( f_hsje > 100 )"_L1);
    EXPECT_EQ(built({cond("单据号", "等于", "A"), rel("或者"), cond("单据号", "等于", "B"), rel("并且"),
                     cond("发票金额", "小于", "0")}),
              "( f_Djh = 'A' ) OR ( f_Djh = 'B' ) And ( f_hsje < 0 )"_L1);
}

TEST_F(ConditionFilterTest, EachDoesNotContainRowHasItsSideFilter) {
    auto b = BuildConditionFilter({cond("供应商名称", "部分不等于", "O'B"), rel("并且"), cond("单据号", "等于", "A"),
                                   rel("或者"), cond("发票金额", "部分不等于", "5")},
                                  ds);
    EXPECT_EQ(b.text, "( f_Csmc<>'temp@temp@temp' ) And ( f_Djh = 'A' ) OR ( 1=1 )"_L1);
    EXPECT_EQ(b.notLike, (std::vector<NotLikeCondition>{{"f_Csmc"_L1, "f_Csmc LIKE '%O''B%'"_L1},
                                                        {"f_hsje"_L1, "f_hsje LIKE '%5%'"_L1}}));
    EXPECT_TRUE(BuildConditionFilter({cond("供应商名称", "部分等于", "x")}, ds).notLike.empty());
}

TEST_F(ConditionFilterTest, ExclusionNamesEachValueOnceQuoted) {
    EXPECT_EQ(NotLikeExclusion(ds, {"f_Csmc"_L1, "f_Csmc LIKE '%abc%'"_L1}),
              QStringLiteral("f_Csmc<>'abc食品' and f_Csmc<>'华联abc'"));
    EXPECT_EQ(NotLikeExclusion(ds, {"f_Csmc"_L1, "f_Csmc LIKE '%''%'"_L1}),
              "f_Csmc<>'O''Brien' and f_Csmc<>'x'' Or ''a''=''a'"_L1);
    EXPECT_EQ(NotLikeExclusion(ds, {"f_Csmc"_L1, "f_Csmc LIKE '%zzz%'"_L1}), ""_L1);
    // numbers in the form that reads back as the same number
    EXPECT_EQ(NotLikeExclusion(ds, {"f_hsje"_L1, "f_hsje LIKE '%0.3%'"_L1}), "f_hsje<>'0.30000000000000004'"_L1);
}

TEST_F(ConditionFilterTest, AppliedRowsSelectTheDocuments) {
    struct Case {
        const char* what;
        ConditionRows rows;
        const char* shown;
    } cases[] = {
        {"no rows: every document", {}, "ABCDEFG"},
        {"contains and more than", {cond("供应商名称", "部分等于", "abc"), rel("并且"), cond("发票金额", "大于", "100")}, "B"},
        {"or", {cond("单据号", "等于", "A"), rel("或者"), cond("发票金额", "大于", "249")}, "ADG"},
        {"a quote matches literally", {cond("供应商名称", "等于", "x' Or 'a'='a")}, "G"},
        {"a quote inside a pattern", {cond("供应商名称", "部分等于", "'B")}, "E"},
        {"starts with", {cond("供应商名称", "左等于", "华联")}, "BF"},
        {"a number compared as a number", {cond("发票金额", "等于", "150.50")}, "B"},
        {"texts compare as texts", {cond("单据号", "大于", "B")}, "CDEFG"},
        {"does not contain: the rows holding it go, a missing name stays",
         {cond("供应商名称", "部分不等于", "abc")}, "CDEG"},
        {"does not contain, with a quote in the names found", {cond("供应商名称", "部分不等于", "'")}, "ABCDF"},
        {"does not contain what no row holds: every row", {cond("供应商名称", "部分不等于", "zzz")}, "ABCDEFG"},
        {"two does-not-contain conditions both exclude",
         {cond("供应商名称", "部分不等于", "abc"), rel("并且"), cond("供应商名称", "部分不等于", "永")}, "DEG"},
        {"does not contain, first of an or",
         {cond("供应商名称", "部分不等于", "abc"), rel("或者"), cond("单据号", "等于", "B")}, "BCDEG"},
        {"does not contain on amounts", {cond("发票金额", "部分不等于", "0.3")}, "ABCDFG"},
        {"ranges intersect", {cond("发票金额", "等于", "100|250,150|300")}, "BCD"},
        {"single values restrict; a ';' stays in its value", {cond("单据号", "等于", "A,D,F;")}, "AD"},
        {"single values within the ranges", {cond("发票金额", "等于", "100|300,250,100,99.99")}, "AD"},
        {"a lost display name filters the first field", {cond("付款金额", "等于", "1")}, "BDF"},
        {"an emptied value: every row", {cond("供应商名称", "等于", "")}, "ABCDEFG"},
    };
    for (const auto& c : cases) EXPECT_EQ(shown(c.rows), c.shown) << c.what;
}

TEST_F(ConditionFilterTest, TheExclusionStaysWithItsCondition) {
    ApplyConditionRows(ds, {cond("供应商名称", "部分不等于", "abc")});
    EXPECT_EQ(ds.filter(), "( f_Csmc<>'temp@temp@temp' and (f_Csmc<>'abc食品' and f_Csmc<>'华联abc') )");
    ApplyConditionRows(ds, {cond("供应商名称", "部分不等于", "zzz")});
    EXPECT_EQ(ds.filter(), "( f_Csmc<>'temp@temp@temp' )");
    ApplyConditionRows(ds, {cond("发票金额", "部分不等于", ".5")});
    EXPECT_EQ(ds.filter(), "( 1=1 and (f_hsje<>'150.5') )");
}

TEST_F(ConditionFilterTest, ARejectedTextLeavesTheFilterAsItWas) {
    EXPECT_EQ(shown({cond("发票金额", "大于", "200")}), "DG");
    struct Case {
        const char* what;
        ConditionRows rows;
    } cases[] = {
        {"a number field compared with a text", {cond("发票金额", "等于", "abc")}},
        {"a row without a known operator", {cond("供应商名称", "包含", "abc")}},
        {"a range of texts on a number field", {cond("发票金额", "等于", "a|b")}},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(ApplyConditionRows(ds, c.rows), FilterError) << c.what;
        EXPECT_EQ(ds.filter(), "( f_hsje > 200 )") << c.what;
        EXPECT_TRUE(ds.filtered()) << c.what;
        EXPECT_EQ(ds.recordCount(), 2) << c.what;
    }
}

TEST(ConditionFilterWithoutFields, IsAnError) {
    ClientDataSet empty("cdspub");
    EXPECT_THROW(BuildConditionFilter({cond("供应商名称", "等于", "a")}, empty), DatasetError);
}

}  // namespace
