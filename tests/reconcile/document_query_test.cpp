// The search's SQL text, checked against texts put together here from the
// query fragments as the reconciliation defines them (not from the builder's
// own pieces).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reconcile/document_query.h"

namespace trunaccount {
namespace {

// ---- the fragments, as written for the search ----

const std::string kS01 =
    "select f_zzgdbz,z.f_hsdwh,f_hsdwmc,' ' f_zdrhsdwh,z.f_djh,z.f_gysbm,f_csmc,' ' f_tdmc,"
    "sum(f_fpje) f_hsje,sum(y.f_ygws) f_wsje,case when f_zzse=0 then sum(c.f_Fpsj) else f_zzse end "
    "f_zzse,case when f_zzse=0 then min(c.f_sl) else f_zzsl end f_zzsl, ' ' f_zzpjhm,' ' f_zzzffs, ' "
    "' f_zzyh,' ' f_zzzfrq,f_zdrq f_rzrq,f_zzgdrq from tb000000_fptjdzb z left join (select f_hsdwh,"
    "f_fptjdh,sum(f_ygws) f_ygws from tb000000_ygys group by f_hsdwh,f_fptjdh) y on "
    "z.f_hsdwh=y.f_hsdwh and z.f_djh=y.f_fptjdh left join (select f_hsdwh,f_djh,sum(f_fpje) f_fpje,"
    "sum(f_fpsj) f_fpsj,min(f_sl) f_sl from tb000000_fptjdcb group by f_hsdwh,f_djh) c on "
    "z.f_hsdwh=c.f_hsdwh and z.f_djh=c.f_djh,tbhsdwda h,tbcsda cs ";
const std::string kG01 =
    "group by f_zzgdbz,z.f_hsdwh,f_gdje,f_hsdwmc,z.f_djh,z.f_gysbm,f_csmc,f_zzsl,f_zzse,f_zdrq,"
    "f_zzgdrq ";
const std::string kType0Join =
    "and cs.f_csbm=z.f_gysbm and z.f_hsdwh=h.f_hsdwh and not f_bz like '%退补单%' ";
const std::string kType1Join =
    "and cs.f_csbm=z.f_gysbm and z.f_hsdwh=h.f_hsdwh and f_bz like '%退补单%' ";
const std::string kUnitLead =
    "and z.f_hsdwh='";
const std::string kType2Select =
    "select f_zzgdbz,z.f_hsdwh,f_hsdwmc,' ' f_zdrhsdwh,z.f_djh,z.f_gysbm,f_csmc,f_yymc f_tdmc,"
    "z.f_spje f_hsje,cast(0 as float) f_wsje,cast(0 as float) f_zzse,cast(0 as float) f_zzsl,"
    "f_zzpjhm,f_zzzffs,case when f_zzyh='' then (select f_hchbm from tbcwfkd c where c.f_djlx='0' "
    "and z.f_hsdwh=c.f_hsdwh and  z.f_djh=c.f_djh)  else f_zzyh end f_zzyh,case when f_zzzfrq='' "
    "then c.f_fkrq else f_zzzfrq end f_zzzfrq, z.f_zdrq f_rzrq,f_zzgdrq from tb000000_jsfksp z left "
    "join tbyyda on f_fkyybm=f_yybm left join tbcwfkd c on c.f_djlx='0' and z.f_hsdwh=c.f_hsdwh and  "
    "z.f_djh=c.f_djh,tbhsdwda h,tbcsda cs ";
const std::string kType2NumberCondition =
    "and left(right(z.f_djh,4),1)<>'6' ";
const std::string kType2UnitLead =
    "and z.f_hsdwh=h.f_hsdwh and cs.f_csbm=z.f_gysbm and z.f_hsdwh='";
const std::string kType3Select =
    "select f_zzgdbz,z.f_hsdwh,f_hsdwmc,f_zdrhsdwh,z.f_djh,z.f_gysbm,f_csmc,f_tdmc,sum(f_ssje) "
    "f_hsje,cast(0 as float) f_wsje,cast(0 as float) f_zzse,cast(0 as float) f_zzsl,' ' f_zzpjhm,"
    "z.f_zffsbm f_zzzffs, ' ' f_zzyh,' ' f_zzzfrq,f_rzrq,f_zzgdrq from tbtdspzb z left join tbtdda t "
    "on z.f_tdbm=t.f_tdbm,tbhsdwda h,tbtdspcb c ,tbcsda cs ";
const std::string kType3Join =
    "and z.f_hsdwh=c.f_hsdwh and z.f_hsdwh=h.f_hsdwh and  z.f_djh=c.f_djh ";
const std::string kType3UnitLead =
    "and cs.f_csbm=z.f_gysbm and f_zt='2' and z.f_hsdwh='";
const std::string kType3Group =
    "group by f_zzgdbz,z.f_hsdwh,f_hsdwmc,z.f_djh,z.f_gysbm,f_csmc,f_tdmc,f_rzrq,z.f_zffsbm,f_zzgdrq,"
    "f_zdrhsdwh ";
const std::string kType3Having =
    "having abs(sum(f_ssje))>0.005 ";
const std::string kType4Select =
    "select f_zzgdbz,z.f_hsdwh,f_hsdwmc,f_zdrhsdwh,z.f_djh,z.f_gysbm,f_csmc,f_tdmc,f_skje f_hsje,"
    "cast(0 as float) f_wsje,cast(0 as float) f_zzse,cast(0 as float) f_zzsl,' ' f_zzpjhm,f_Zffsbm "
    "f_zzzffs, ' ' f_zzyh,' ' f_zzzfrq,f_rzrq,f_zzgdrq from tb000000_tdsfb z left join tbtdda t on "
    "z.f_tdbm=t.f_tdbm,tbhsdwda h,tbcsda cs ";
const std::string kType4Join =
    "and z.f_hsdwh=h.f_hsdwh and cs.f_csbm=z.f_gysbm ";
const std::string kRowSetSelect =
    "select f_zzgdbz,f_hsdwh,f_hsdwmc,f_zdrhsdwh,f_djh,f_gysbm,f_csmc,f_tdmc,f_hsje,f_wsje,f_zzse,"
    "f_zzsl,f_zzpjhm,f_zzzffs,f_zzyh,f_zzzfrq,f_rzrq,f_zzgdrq from (";


const std::string kOrder = " order by f_hsdwh,f_rzrq,f_djh";

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
    return text;
}

// The query with the placeholder month replaced, as it runs for one month.
std::string inMonth(const std::string& q, const std::string& ym) { return replaceAll(q, "tb000000", "tb" + ym); }

std::string wrapped(const std::string& u) { return "select * from (" + kRowSetSelect + u + ") a " + ") a " + kOrder; }

std::string where(const std::string& column, const std::string& start, const std::string& end, int tick) {
    std::string w = " where " + column + ">='" + start + "' and " + column + "<='" + end + "' ";
    if (tick == 1) w += " and f_zzgdbz='0' ";
    if (tick == 2) w += " and f_zzgdbz='1' ";
    return w;
}

DocumentSearch search(BusinessType type, std::string start, std::string end, int tick = 0) {
    DocumentSearch s;
    s.type = type;
    s.startDate = std::move(start);
    s.endDate = std::move(end);
    s.tickState = static_cast<TickState>(tick);
    s.unit = "1001";
    s.paymentReason = {0, "全部"};
    s.channel = {0, "全部"};
    s.paymentMethod = {0, "全部"};
    return s;
}

int occurrences(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) ++n;
    return n;
}

struct QueryCase {
    const char* name;
    DocumentSearch input;
    std::string expected;
};

std::vector<QueryCase> queryCases() {
    std::vector<QueryCase> cases;
    {
        auto s = search(BusinessType::InvoiceSubmission, "20241202", "20241210");
        s.channel = {5, "05 美团外卖"};  // not read for invoices
        s.paymentReason = {2, "02 预付货款"};
        cases.push_back({"InvoiceSubmissionAllTicks", s,
                         wrapped(inMonth(kS01 + where("z.f_zdrq", "20241202", "20241210", 0) + kType0Join + kUnitLead +
                                             "1001" + "' " + kG01,
                                         "202412"))});
    }
    cases.push_back({"InvoiceAdjustmentUnticked", search(BusinessType::InvoiceAdjustment, "20241101", "20241130", 1),
                     wrapped(inMonth(kS01 + where("z.f_zdrq", "20241101", "20241130", 1) + kType1Join + kUnitLead +
                                         "1001" + "' " + kG01,
                                     "202411"))});
    {
        auto s = search(BusinessType::PaymentApproval, "20250101", "20250110", 2);
        s.paymentReason = {2, "02 预付货款"};
        s.channel = {5, "05 美团外卖"};  // channel and method are not read for payment approvals
        s.paymentMethod = {3, "03 电汇"};
        cases.push_back({"PaymentApprovalTickedWithReason", s,
                         wrapped(inMonth(kType2Select + where("z.f_zdrq", "20250101", "20250110", 2) +
                                             "and z.f_fkyybm='" + "02" + "' " + kType2NumberCondition +
                                             kType2UnitLead + "1001" + "' ",
                                         "202501"))});
    }
    cases.push_back({"PaymentApprovalAllReasons", search(BusinessType::PaymentApproval, "20241001", "20241031"),
                     wrapped(inMonth(kType2Select + where("z.f_zdrq", "20241001", "20241031", 0) +
                                         kType2NumberCondition + kType2UnitLead + "1001" + "' ",
                                     "202410"))});
    {
        // Several months, but the approvals live in one table: one query.
        auto s = search(BusinessType::ProjectApproval, "20241015", "20250110", 1);
        s.channel = {5, "05 某渠道"};
        s.paymentReason = {2, "02 预付货款"};  // not read for project approvals
        cases.push_back({"ProjectApprovalWithChannel", s,
                         wrapped(kType3Select + where("z.f_rzrq", "20241015", "20250110", 1) + kType3Join +
                                 kType3UnitLead + "1001" + "' " + "and z.f_tdbm='" + "05" + "' " + kType3Group +
                                 kType3Having)});
    }
    {
        auto s = search(BusinessType::ProjectApproval, "20241201", "20241231", 2);
        s.channel = {1, "01 银联刷卡"};
        s.paymentMethod = {3, "03 电汇"};
        cases.push_back({"ProjectApprovalWithChannelAndMethod", s,
                         wrapped(kType3Select + where("z.f_rzrq", "20241201", "20241231", 2) + kType3Join +
                                 kType3UnitLead + "1001" + "' " + "and z.f_tdbm='01' " + "and z.f_zffsbm='03' " +
                                 kType3Group + kType3Having)});
    }
    {
        auto s = search(BusinessType::FeeCollection, "20241105", "20241120", 1);
        s.paymentMethod = {3, "03 电汇"};
        cases.push_back({"FeeCollectionWithMethod", s,
                         wrapped(inMonth(kType4Select + where("z.f_rzrq", "20241105", "20241120", 1) +
                                             "and z.f_zffsbm='03' " + kType4Join,
                                         "202411"))});
    }
    cases.push_back({"FeeCollectionAllLists", search(BusinessType::FeeCollection, "20241105", "20241120"),
                     wrapped(inMonth(kType4Select + where("z.f_rzrq", "20241105", "20241120", 0) + kType4Join,
                                     "202411"))});
    return cases;
}

void PrintTo(const QueryCase& c, std::ostream* os) { *os << c.name; }

class DocumentQueryText : public ::testing::TestWithParam<QueryCase> {};

TEST_P(DocumentQueryText, EqualsTheFragmentsByteForByte) {
    EXPECT_EQ(buildDocumentQuery(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DocumentQueryText, ::testing::ValuesIn(queryCases()),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(DocumentQuery, DecemberToJanuaryRunsOneCopyPerMonth) {
    auto s = search(BusinessType::InvoiceSubmission, "20241202", "20250110");
    const std::string q = kS01 + where("z.f_zdrq", "20241202", "20250110", 0) + kType0Join + kUnitLead + "1001" +
                          "' " + kG01;
    const std::string sql = buildDocumentQuery(s);
    EXPECT_EQ(sql, wrapped(inMonth(q, "202412") + " Union All " + inMonth(q, "202501")));
    // Both copies carry the same date condition.
    EXPECT_EQ(occurrences(sql, " where z.f_zdrq>='20241202' and z.f_zdrq<='20250110' "), 2);
    EXPECT_LT(sql.find("tb202412_fptjdcb"), sql.find("tb202501_fptjdzb"));
}

TEST(DocumentQuery, MonthsOfTheRangeAreJoinedOnlyBetweenMonths) {
    for (auto type : {BusinessType::InvoiceSubmission, BusinessType::InvoiceAdjustment, BusinessType::PaymentApproval,
                      BusinessType::ProjectApproval, BusinessType::FeeCollection}) {
        SCOPED_TRACE(static_cast<int>(type));
        const std::string one = buildDocumentQuery(search(type, "20241103", "20241128"));
        EXPECT_EQ(occurrences(one, "Union All"), 0);
        EXPECT_EQ(occurrences(one, "tb000000"), 0);
        const std::string four = buildDocumentQuery(search(type, "20241003", "20250105"));
        EXPECT_EQ(occurrences(four, " Union All "), type == BusinessType::ProjectApproval ? 0 : 3);
    }
}

TEST(DocumentQuery, DateAndTickCondition) {
    struct Case {
        BusinessType type;
        int tick;
        const char* expected;
    };
    const Case cases[] = {
        {BusinessType::InvoiceSubmission, 0, " where z.f_zdrq>='20241201' and z.f_zdrq<='20241231' "},
        {BusinessType::InvoiceAdjustment, 1,
         " where z.f_zdrq>='20241201' and z.f_zdrq<='20241231'  and f_zzgdbz='0' "},
        {BusinessType::PaymentApproval, 2, " where z.f_zdrq>='20241201' and z.f_zdrq<='20241231'  and f_zzgdbz='1' "},
        {BusinessType::ProjectApproval, 0, " where z.f_rzrq>='20241201' and z.f_rzrq<='20241231' "},
        {BusinessType::FeeCollection, 2, " where z.f_rzrq>='20241201' and z.f_rzrq<='20241231'  and f_zzgdbz='1' "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        EXPECT_EQ(dateTickCondition(search(c.type, "20241201", "20241231", c.tick)), c.expected);
    }
}

TEST(DocumentQuery, ListConditions) {
    EXPECT_EQ(listCondition(kChannelPrefix, {0, "全部"}), "");
    EXPECT_EQ(listCondition(kChannelPrefix, {5, "05 某渠道"}), "and z.f_tdbm='05' ");
    EXPECT_EQ(listCondition(kPaymentMethodPrefix, {2, "02 转账支票"}), "and z.f_zffsbm='02' ");
    EXPECT_EQ(listCondition(kPaymentReasonPrefix, {7, "07 促销服务费"}), "and z.f_fkyybm='07' ");
}

// A quote in a code or in the unit is doubled: it stays inside its literal.
TEST(DocumentQuery, QuotesInValuesCannotEndTheLiteral) {
    auto s = search(BusinessType::FeeCollection, "20241201", "20241231");
    s.channel = {1, "0'5 某渠道"};
    EXPECT_NE(buildDocumentQuery(s).find("and z.f_tdbm='0''5' "), std::string::npos);

    auto p = search(BusinessType::PaymentApproval, "20241201", "20241231");
    p.unit = "10' or '1'='1";
    const std::string sql = buildDocumentQuery(p);
    EXPECT_NE(sql.find("and z.f_hsdwh='10'' or ''1''=''1' "), std::string::npos);
    EXPECT_EQ(sql.find("or '1'='1"), std::string::npos);
}

}  // namespace
}  // namespace trunaccount
