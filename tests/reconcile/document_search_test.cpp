// The search's SQL text run on the demo data of both backends: the same rows in
// the same order, and exactly the documents each business type stands for,
// checked against simple queries of the source tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <set>

#include "data/text_functions.h"
#include "platform/coordinator_calls.h"
#include "reconcile/document_query.h"
#include "support/test_databases.h"

namespace trunaccount {
namespace {

using testing::Backend;
using testing::TestDatabase;

std::shared_ptr<const DataPacket> run(ICoorDisp& coordinator, const std::string& sql) {
    Variant data;
    bool ok = platform::QueryData(coordinator, sql, data);
    EXPECT_TRUE(ok) << platform::ReportError(nullptr, data, "") << "\n" << sql;
    if (!ok || !data.isPacket()) return std::make_shared<DataPacket>();
    return data.asPacket();
}

void expectSameRows(const DataPacket& a, const DataPacket& b) {
    ASSERT_EQ(a.columnCount(), b.columnCount());
    ASSERT_EQ(a.rowCount(), b.rowCount());
    for (std::size_t c = 0; c < a.columnCount(); ++c) {
        EXPECT_EQ(a.columns()[c].name, b.columns()[c].name);
        // SQLite knows the kind of a computed column only from its values.
        bool valued = false;
        for (std::size_t r = 0; r < a.rowCount() && !valued; ++r) valued = !a.isNull(r, c);
        if (valued) {
            EXPECT_EQ(a.columns()[c].kind, b.columns()[c].kind) << a.columns()[c].name;
        }
    }
    for (std::size_t r = 0; r < a.rowCount(); ++r)
        for (std::size_t c = 0; c < a.columnCount(); ++c) {
            SCOPED_TRACE("row " + std::to_string(r) + ", column " + a.columns()[c].name);
            ASSERT_EQ(a.isNull(r, c), b.isNull(r, c));
            if (a.isNull(r, c)) continue;
            if (a.columns()[c].kind == ColumnKind::Float)
                ASSERT_NEAR(a.floatValue(r, c), b.floatValue(r, c), 1e-6);
            else
                ASSERT_EQ(a.value(r, c), b.value(r, c));
        }
}

// "unit/number" of every row, in row order.
std::vector<std::string> documents(const DataPacket& p) {
    int unit = p.columnIndex("f_hsdwh"), number = p.columnIndex("f_djh");
    std::vector<std::string> docs;
    for (std::size_t r = 0; r < p.rowCount(); ++r)
        docs.push_back(std::string(p.text(r, unit)) + "/" + std::string(p.text(r, number)));
    return docs;
}

// The first column of a plain query's rows.
std::vector<std::string> firstColumn(const DataPacket& p) {
    std::vector<std::string> values;
    for (std::size_t r = 0; r < p.rowCount(); ++r) values.emplace_back(p.text(r, 0));
    return values;
}

std::vector<std::string> textColumn(const DataPacket& p, const char* name) {
    std::vector<std::string> values;
    for (std::size_t r = 0; r < p.rowCount(); ++r) values.emplace_back(p.text(r, p.columnIndex(name)));
    return values;
}

struct SearchCase {
    const char* name;
    DocumentSearch search;
    // A plain query of one month's source table (or of the single table when
    // the month is empty) for "unit/number" of the documents that must be
    // listed, and of documents of the same source that must not be.
    std::function<std::string(const std::string& ym)> listed;
    std::function<std::string(const std::string& ym)> leftOut;
    bool monthly = true;
};

DocumentSearch search(BusinessType type, const char* start, const char* end, int tick = 0) {
    DocumentSearch s;
    s.type = type;
    s.startDate = start;
    s.endDate = end;
    s.tickState = static_cast<TickState>(tick);
    s.unit = coord::kDemoUnit;
    s.paymentReason = s.channel = s.paymentMethod = {0, "全部"};
    return s;
}

std::string between(const char* column, const DocumentSearch& s) {
    return std::string(column) + " between '" + s.startDate + "' and '" + s.endDate + "'";
}

std::vector<SearchCase> searchCases() {
    std::vector<SearchCase> cases;
    {
        auto s = search(BusinessType::InvoiceSubmission, "20241202", "20250110");
        auto base = [s](const std::string& ym) {
            return "select f_hsdwh||'/'||f_djh from tb" + ym + "_fptjdzb where f_hsdwh='1001' and " +
                   between("f_zdrq", s);
        };
        cases.push_back({"InvoiceSubmission", s, [base](auto ym) { return base(ym) + " and instr(f_bz,'退补单')=0"; },
                         [base](auto ym) { return base(ym) + " and instr(f_bz,'退补单')>0"; }});
        auto a = search(BusinessType::InvoiceAdjustment, "20241001", "20250110");
        auto baseA = [a](const std::string& ym) {
            return "select f_hsdwh||'/'||f_djh from tb" + ym + "_fptjdzb where f_hsdwh='1001' and " +
                   between("f_zdrq", a);
        };
        cases.push_back({"InvoiceAdjustment", a, [baseA](auto ym) { return baseA(ym) + " and instr(f_bz,'退补单')>0"; },
                         [baseA](auto ym) { return baseA(ym) + " and instr(f_bz,'退补单')=0"; }});
        auto t = search(BusinessType::InvoiceSubmission, "20241001", "20250110", 1);
        cases.push_back({"InvoiceSubmissionUnticked", t,
                         [base = [t](const std::string& ym) {
                             return "select f_hsdwh||'/'||f_djh from tb" + ym + "_fptjdzb where f_hsdwh='1001' and " +
                                    between("f_zdrq", t) + " and instr(f_bz,'退补单')=0";
                         }](auto ym) { return base(ym) + " and f_zzgdbz='0'"; },
                         [](auto ym) {
                             return "select f_hsdwh||'/'||f_djh from tb" + ym +
                                    "_fptjdzb where f_hsdwh='1001' and f_zzgdbz='1' and instr(f_bz,'退补单')=0";
                         }});
    }
    {
        auto s = search(BusinessType::PaymentApproval, "20241115", "20250110");
        auto base = [s](const std::string& ym) {
            return "select f_hsdwh||'/'||f_djh from tb" + ym + "_jsfksp where f_hsdwh='1001' and " +
                   between("f_zdrq", s);
        };
        cases.push_back({"PaymentApproval", s,
                         [base](auto ym) { return base(ym) + " and substr(f_djh,length(f_djh)-3,1)<>'6'"; },
                         [base](auto ym) { return base(ym) + " and substr(f_djh,length(f_djh)-3,1)='6'"; }});
        auto r = search(BusinessType::PaymentApproval, "20241001", "20250110", 2);
        r.paymentReason = {6, "06 工程款"};
        auto baseR = [r](const std::string& ym) {
            return "select f_hsdwh||'/'||f_djh from tb" + ym + "_jsfksp where f_hsdwh='1001' and " +
                   between("f_zdrq", r) + " and substr(f_djh,length(f_djh)-3,1)<>'6' and f_zzgdbz='1'";
        };
        cases.push_back({"PaymentApprovalTickedForOneReason", r,
                         [baseR](auto ym) { return baseR(ym) + " and f_fkyybm='06'"; },
                         [baseR](auto ym) { return baseR(ym) + " and f_fkyybm<>'06'"; }});
    }
    {
        auto s = search(BusinessType::ProjectApproval, "20241001", "20250110");
        auto base = [s](const std::string&) {
            return "select z.f_hsdwh||'/'||z.f_djh from tbtdspzb z where z.f_hsdwh='1001' and " +
                   between("f_rzrq", s) +
                   " and (select abs(sum(f_ssje)) from tbtdspcb c where c.f_hsdwh=z.f_hsdwh and c.f_djh=z.f_djh)";
        };
        cases.push_back({"ProjectApproval", s, [base](auto ym) { return base(ym) + ">0.005 and f_zt='2'"; },
                         [s](auto) {
                             // not approved, or lines that cancel out
                             return "select z.f_hsdwh||'/'||z.f_djh from tbtdspzb z where z.f_hsdwh='1001' and " +
                                    between("f_rzrq", s) +
                                    " and (f_zt<>'2' or (select abs(sum(f_ssje)) from tbtdspcb c where "
                                    "c.f_hsdwh=z.f_hsdwh and c.f_djh=z.f_djh)<=0.005)";
                         },
                         false});
        auto c = search(BusinessType::ProjectApproval, "20241001", "20250110");
        c.channel = {2, "02 支付宝"};
        auto baseC = [c](const std::string&) {
            return "select z.f_hsdwh||'/'||z.f_djh from tbtdspzb z where z.f_hsdwh='1001' and f_zt='2' and " +
                   between("f_rzrq", c) +
                   " and (select abs(sum(f_ssje)) from tbtdspcb c where c.f_hsdwh=z.f_hsdwh and c.f_djh=z.f_djh)>0.005";
        };
        cases.push_back({"ProjectApprovalOfOneChannel", c, [baseC](auto ym) { return baseC(ym) + " and f_tdbm='02'"; },
                         [baseC](auto ym) { return baseC(ym) + " and f_tdbm<>'02'"; }, false});
    }
    {
        auto s = search(BusinessType::FeeCollection, "20241201", "20250110");
        cases.push_back({"FeeCollection", s,
                         [s](auto ym) {
                             return "select f_hsdwh||'/'||f_djh from tb" + ym + "_tdsfb where " + between("f_rzrq", s);
                         },
                         nullptr});
        auto m = search(BusinessType::FeeCollection, "20241001", "20250110", 2);
        m.channel = {5, "05 美团外卖"};
        m.paymentMethod = {6, "06 银行承兑汇票"};
        auto base = [m](const std::string& ym) {
            return "select f_hsdwh||'/'||f_djh from tb" + ym + "_tdsfb where f_zzgdbz='1' and " + between("f_rzrq", m);
        };
        cases.push_back({"FeeCollectionTickedOfOneChannelAndMethod", m,
                         [base](auto ym) { return base(ym) + " and f_tdbm='05' and f_zffsbm='06'"; },
                         [base](auto ym) { return base(ym) + " and (f_tdbm<>'05' or f_zffsbm<>'06')"; }});
    }
    return cases;
}

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.name; }

class DocumentSearchOnDemoData : public ::testing::TestWithParam<SearchCase> {};

TEST_P(DocumentSearchOnDemoData, ListsTheDocumentsOfItsTypeAlikeOnBothBackends) {
    TA_REQUIRE_BACKEND(Backend::Postgres);
    const auto& c = GetParam();
    TestDatabase lite(Backend::Sqlite), pg(Backend::Postgres);
    auto liteCoordinator = lite.openCoordinator();
    auto pgCoordinator = pg.openCoordinator();

    const std::string sql = buildDocumentQuery(c.search);
    auto fromLite = run(*liteCoordinator, sql);
    auto fromPg = run(*pgCoordinator, sql);
    expectSameRows(*fromLite, *fromPg);

    // The documents expected, from plain queries of the source tables.
    std::vector<std::string> months = c.monthly ? MonthList(c.search.startDate.substr(0, 6), c.search.endDate.substr(0, 6))
                                                : std::vector<std::string>{""};
    std::vector<std::string> expected, leftOut;
    for (const auto& ym : months) {
        for (auto d : firstColumn(*run(*liteCoordinator, c.listed(ym)))) expected.push_back(d);
        if (c.leftOut)
            for (auto d : firstColumn(*run(*liteCoordinator, c.leftOut(ym)))) leftOut.push_back(d);
    }
    auto listed = documents(*fromLite);
    ASSERT_FALSE(listed.empty());
    std::set<std::string> listedSet(listed.begin(), listed.end());
    EXPECT_EQ(listedSet.size(), listed.size()) << "a document is listed twice";
    EXPECT_EQ(listedSet, std::set<std::string>(expected.begin(), expected.end()));
    if (c.leftOut) {
        // The data holds documents the search must leave out, and it does.
        EXPECT_FALSE(leftOut.empty());
        for (const auto& d : leftOut) EXPECT_EQ(listedSet.count(d), 0u) << d;
    }

    // Sorted by unit, date and document number.
    auto units = textColumn(*fromLite, "f_hsdwh"), dates = textColumn(*fromLite, "f_rzrq");
    for (std::size_t r = 1; r < listed.size(); ++r)
        EXPECT_LE(std::tie(units[r - 1], dates[r - 1], listed[r - 1]), std::tie(units[r], dates[r], listed[r]));
}

INSTANTIATE_TEST_SUITE_P(Types, DocumentSearchOnDemoData, ::testing::ValuesIn(searchCases()),
                         [](const auto& test) { return std::string(test.param.name); });

// Fee collections are listed for every accounting unit, the others for the
// window's own only.
TEST(DocumentSearchUnits, OnlyFeeCollectionsSpanUnits) {
    TestDatabase lite(Backend::Sqlite);
    auto coordinator = lite.openCoordinator();
    for (auto type : {BusinessType::InvoiceSubmission, BusinessType::InvoiceAdjustment, BusinessType::PaymentApproval,
                      BusinessType::ProjectApproval, BusinessType::FeeCollection}) {
        SCOPED_TRACE(static_cast<int>(type));
        auto units = textColumn(*run(*coordinator, buildDocumentQuery(search(type, "20241001", "20250110"))), "f_hsdwh");
        std::set<std::string> distinct(units.begin(), units.end());
        if (type == BusinessType::FeeCollection)
            EXPECT_EQ(distinct.size(), 4u);
        else
            EXPECT_EQ(distinct, std::set<std::string>{coord::kDemoUnit});
    }
}

// Documents written with only what they are made of (no remark, tick, tax or
// payment details yet) are listed as unticked; a payment approval without
// payment details shows the bank and date of its voucher.
class NewDocuments : public testing::BackendTest {};

TEST_P(NewDocuments, AreListedUntickedWithTheVouchersDetails) {
    auto c = db().openCoordinator();
    Variant inserts{Variant::Array{
        Variant("insert into tb202501_fptjdzb (f_hsdwh,f_djh,f_gysbm,f_zdrq,f_zdrbm) "
                "values ('1001','202501999001','G0001','20250105','0001');"),
        Variant("insert into tb202501_jsfksp (f_hsdwh,f_djh,f_gysbm,f_zdrq,f_zdrbm,f_fkyybm,f_spje) "
                "values ('1001','202501999002','G0001','20250105','0001','01',880.5);"),
        Variant("insert into tbcwfkd (f_hsdwh,f_djh,f_djlx,f_fkdh,f_hchbm,f_fkrq,f_fkje) "
                "values ('1001','202501999002','0','FK2025019999','0104','20250107',880.5);")}};
    ASSERT_TRUE(platform::ExecBatch(*c, inserts)) << platform::ReportError(nullptr, inserts, "");

    auto find = [](const DataPacket& p, const char* number) -> std::optional<std::size_t> {
        for (std::size_t r = 0; r < p.rowCount(); ++r)
            if (p.text(r, p.columnIndex("f_djh")) == number) return r;
        return std::nullopt;
    };
    auto invoices = run(*c, buildDocumentQuery(search(BusinessType::InvoiceSubmission, "20250105", "20250105", 1)));
    auto invoice = find(*invoices, "202501999001");
    ASSERT_TRUE(invoice);
    EXPECT_EQ(invoices->text(*invoice, invoices->columnIndex("f_zzgdbz")), "0");

    auto approvals = run(*c, buildDocumentQuery(search(BusinessType::PaymentApproval, "20250105", "20250105", 1)));
    auto approval = find(*approvals, "202501999002");
    ASSERT_TRUE(approval);
    EXPECT_EQ(approvals->text(*approval, approvals->columnIndex("f_zzyh")), "0104");
    EXPECT_EQ(approvals->text(*approval, approvals->columnIndex("f_zzzfrq")), "20250107");
    EXPECT_DOUBLE_EQ(approvals->floatValue(*approval, approvals->columnIndex("f_hsje")), 880.5);
}

TA_INSTANTIATE_BACKEND_TESTS(NewDocuments);

}  // namespace
}  // namespace trunaccount
