// The demo database: the same data from the same seed, the tables of the months
// from the start-of-use month to today, texts within their widths, and the same
// content on both backends.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "coordinator/audit.h"
#include "coordinator/demo_schema.h"
#include "data/text_functions.h"
#include "platform/gbk.h"
#include "support/test_databases.h"

namespace trunaccount {
namespace {

using testing::Backend;
using testing::TestDatabase;

// Every demo table's rows in key order.
std::map<std::string, std::shared_ptr<DataPacket>> content(coord::Database& db) {
    std::map<std::string, std::shared_ptr<DataPacket>> tables;
    for (const auto& name : db.tableNames()) {
        if (name == coord::kAuditTable) continue;  // empty in a new demo database
        auto def = coord::demoTable(name);
        std::string order;
        for (const char* k : def.key) order += (order.empty() ? "" : ",") + std::string(k);
        tables[name] = db.query("select * from " + name + " order by " + order);
    }
    return tables;
}

TEST(DemoData, SameSeedGivesTheSameData) {
    TestDatabase a(Backend::Sqlite), b(Backend::Sqlite);
    auto other = testing::testDemoOptions();
    other.seed = 8;
    TestDatabase c(Backend::Sqlite, other);
    auto contentA = content(*a.openDatabase());
    auto contentB = content(*b.openDatabase());
    auto contentC = content(*c.openDatabase());
    ASSERT_EQ(contentA.size(), contentB.size());
    for (const auto& [name, packet] : contentA) EXPECT_TRUE(*packet == *contentB[name]) << name;
    EXPECT_FALSE(*contentA["tb202412_fptjdzb"] == *contentC["tb202412_fptjdzb"]);
}

TEST(DemoData, MonthlyTablesRunFromTheStartMonthToToday) {
    TestDatabase db(Backend::Sqlite);
    auto d = db.openDatabase();
    std::set<std::string> expected;
    for (const auto& t : coord::fixedTables()) expected.insert(t.name);
    expected.insert(coord::kAuditTable);
    for (const char* ym : {"202410", "202411", "202412", "202501"})
        for (const auto& t : coord::monthlyTables(ym)) expected.insert(t.name);
    auto names = d->tableNames();
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);

    auto qyny = d->query("select f_csz from tbxtcs where f_csmc='qyny'");
    ASSERT_EQ(qyny->rowCount(), 1u);
    EXPECT_EQ(qyny->text(0, 0), "202410");

    // Nothing dated after today, and every document number begins with its
    // month, which names the monthly table its tick is saved to.
    for (const char* ym : {"202410", "202411", "202412", "202501"}) {
        SCOPED_TRACE(ym);
        const std::string m(ym);
        for (const auto& [table, date] : {std::pair{"_fptjdzb", "f_zdrq"}, std::pair{"_jsfksp", "f_zdrq"},
                                          std::pair{"_tdsfb", "f_rzrq"}}) {
            auto p = d->query("select count(*), max(" + std::string(date) + "), sum(case when substr(f_djh,1,6)<>'" + m +
                              "' then 1 else 0 end), sum(case when substr(" + date + ",1,6)<>'" + m +
                              "' then 1 else 0 end) from tb" + m + table);
            EXPECT_GT(p->integerValue(0, 0), 0) << table;
            EXPECT_LE(std::string(p->text(0, 1)), "20250110") << table;
            EXPECT_EQ(p->integerValue(0, 2), 0) << table;
            EXPECT_EQ(p->integerValue(0, 3), 0) << table;
        }
    }
    auto approvals = d->query("select count(*), sum(case when substr(f_djh,1,6)<>substr(f_rzrq,1,6) then 1 else 0 end), "
                              "max(f_rzrq) from tbtdspzb");
    EXPECT_GT(approvals->integerValue(0, 0), 0);
    EXPECT_EQ(approvals->integerValue(0, 1), 0);
    EXPECT_LE(std::string(approvals->text(0, 2)), "20250110");
}

std::int64_t cents(double amount) { return std::llround(amount * 100); }

// What an accountant checks first: every invoice line's amount is its amount
// before tax plus the tax at a rate in use, rounded to the cent; the goods
// receipts an invoice settles come to its amount before tax; a payment is made
// after its approval and booked (ticked off) no earlier than it was made.
TEST(DemoData, AmountsTaxesAndDatesAgreeAsInTheBooks) {
    TestDatabase db(Backend::Sqlite);
    auto d = db.openDatabase();
    const std::set<std::int64_t> rates = {13, 9, 6, 3, 1, 0};
    std::set<std::int64_t> ratesSeen;
    for (const char* ym : {"202410", "202411", "202412", "202501"}) {
        SCOPED_TRACE(ym);
        const std::string m(ym);
        auto lines = d->query("select f_djh,f_fpje,f_sl,f_fpsj from tb" + m + "_fptjdcb order by f_djh,f_xh");
        ASSERT_GT(lines->rowCount(), 0u);
        for (std::size_t r = 0; r < lines->rowCount(); ++r) {
            const std::int64_t rate = std::llround(lines->floatValue(r, 2));
            const std::int64_t tax = cents(lines->floatValue(r, 3));
            const std::int64_t preTax = cents(lines->floatValue(r, 1)) - tax;
            const std::int64_t p = preTax * rate;
            ASSERT_TRUE(rates.count(rate)) << lines->text(r, 0) << " rate " << rate;
            ASSERT_EQ(tax, p >= 0 ? (p + 50) / 100 : -((-p + 50) / 100)) << lines->text(r, 0);
            ratesSeen.insert(rate);
        }
        // Receipts against invoices: their sum is the invoice's amount before tax.
        auto receipts = d->query(
            "select y.f_fptjdh, y.total, c.pretax from (select f_hsdwh,f_fptjdh,sum(f_ygws) total from tb" + m +
            "_ygys group by f_hsdwh,f_fptjdh) y join (select f_hsdwh,f_djh,sum(f_fpje)-sum(f_fpsj) pretax from tb" +
            m + "_fptjdcb group by f_hsdwh,f_djh) c on y.f_hsdwh=c.f_hsdwh and y.f_fptjdh=c.f_djh");
        ASSERT_GT(receipts->rowCount(), 0u);
        for (std::size_t r = 0; r < receipts->rowCount(); ++r)
            EXPECT_EQ(cents(receipts->floatValue(r, 1)), cents(receipts->floatValue(r, 2))) << receipts->text(r, 0);
        // Receipts without their invoice, or dated after it: none.
        EXPECT_EQ(d->query("select count(*) from tb" + m + "_ygys y left join tb" + m +
                           "_fptjdzb z on y.f_hsdwh=z.f_hsdwh and y.f_fptjdh=z.f_djh "
                           "where z.f_djh is null or y.f_ysrq>z.f_zdrq")
                      ->integerValue(0, 0),
                  0);

        // Payments: after the approval, not after today; ticked off on or after the payment.
        auto pay = d->query("select count(*), sum(case when f_zzzfrq<=f_zdrq or f_zzzfrq>'20250110' then 1 else 0 end), "
                            "sum(case when f_zzgdrq<>'' and substr(f_zzgdrq,1,8)<f_zzzfrq then 1 else 0 end) "
                            "from tb" + m + "_jsfksp where f_zzzfrq<>''");
        EXPECT_GT(pay->integerValue(0, 0), 0);
        EXPECT_EQ(pay->integerValue(0, 1), 0);
        EXPECT_EQ(pay->integerValue(0, 2), 0);
        auto vouchers = d->query("select count(*), sum(case when c.f_fkrq<=z.f_zdrq or c.f_fkrq>'20250110' then 1 "
                                 "else 0 end), sum(case when z.f_zzgdrq<>'' and substr(z.f_zzgdrq,1,8)<c.f_fkrq "
                                 "then 1 else 0 end) from tbcwfkd c join tb" + m +
                                 "_jsfksp z on c.f_hsdwh=z.f_hsdwh and c.f_djh=z.f_djh");
        EXPECT_GT(vouchers->integerValue(0, 0), 0);
        EXPECT_EQ(vouchers->integerValue(0, 1), 0);
        EXPECT_EQ(vouchers->integerValue(0, 2), 0);
    }
    EXPECT_EQ(ratesSeen, rates);
    // Nothing ticked off before its document or after today.
    for (const char* table : {"tb202412_fptjdzb", "tb202501_jsfksp", "tb202412_tdsfb"}) {
        const std::string date = std::string(table).ends_with("_tdsfb") ? "f_rzrq" : "f_zdrq";
        auto p = d->query("select count(*) from " + std::string(table) + " where f_zzgdrq<>'' and (substr(f_zzgdrq,1,8)<" +
                          date + " or substr(f_zzgdrq,1,8)>'20250110')");
        EXPECT_EQ(p->integerValue(0, 0), 0) << table;
    }
}

// The row set holds texts in GBK bytes; no demo text is wider than its column.
TEST(DemoData, TextsFitTheirColumnsInGbkBytes) {
    TestDatabase db(Backend::Sqlite);
    for (const auto& [name, packet] : content(*db.openDatabase())) {
        for (std::size_t c = 0; c < packet->columnCount(); ++c) {
            const auto& col = packet->columns()[c];
            if (col.kind != ColumnKind::Text) continue;
            ASSERT_GT(col.width, 0) << name << "." << col.name;
            for (std::size_t r = 0; r < packet->rowCount(); ++r) {
                if (packet->isNull(r, c)) continue;
                ASSERT_LE(platform::gbkByteLength(packet->text(r, c)), static_cast<std::size_t>(col.width))
                    << name << "." << col.name << ": " << packet->text(r, c);
            }
        }
    }
}

TEST(DemoData, BadOptionsAreRefusedBeforeAnythingIsWritten) {
    TestDatabase db(Backend::Sqlite, std::nullopt);
    auto d = db.openDatabase();
    for (auto change : std::vector<std::function<void(coord::DemoOptions&)>>{
             [](auto& o) { o.today = "20250230"; }, [](auto& o) { o.months = 0; },
             [](auto& o) { o.docsPerMonth = 0; }}) {
        auto o = testing::testDemoOptions();
        change(o);
        EXPECT_THROW(coord::createDemoDatabase(*d, o), std::invalid_argument);
        EXPECT_TRUE(d->tableNames().empty());
    }
}

// Loading by COPY (PostgreSQL) and by prepared inserts (SQLite) keeps every
// value as it was; the demo data is the same on both.
class DemoOnBothBackends : public testing::BackendTest {};

TEST_P(DemoOnBothBackends, TableWriterKeepsEveryCharacter) {
    auto d = db().openDatabase();
    d->execute("create table tbcs (f_xh integer, f_wb varchar(40), f_je double precision, primary key (f_xh))");
    const std::vector<std::vector<Variant>> rows = {
        {1, "tab\there", 0.1},          {2, "back\\slash \\N", -1234.5}, {3, "new\nline\r", 1e-7},
        {4, "", 0.0},                  {5, Variant::null(), Variant::null()},
        {6, "引号'\"退补单", 99999999.99}, {7, "\\", 3.0}};
    d->execute("begin");
    auto w = d->writeTable("tbcs", {"f_xh", "f_wb", "f_je"});
    for (const auto& r : rows) w->addRow(r);
    w->finish();
    d->execute("commit");
    auto p = d->query("select f_xh,f_wb,f_je from tbcs order by f_xh");
    ASSERT_EQ(p->rowCount(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < 3; ++c) {
            Variant want = rows[r][c];
            if (want.type() == Variant::Type::Integer) want = Variant(want.asInteger());
            EXPECT_EQ(p->value(r, c), want) << "row " << r << " column " << c;
        }
}

TA_INSTANTIATE_BACKEND_TESTS(DemoOnBothBackends);

TEST(DemoData, PostgresHoldsTheSameDataAsSqlite) {
    TA_REQUIRE_BACKEND(Backend::Postgres);
    TestDatabase lite(Backend::Sqlite), pg(Backend::Postgres);
    auto expected = content(*lite.openDatabase());
    auto actual = content(*pg.openDatabase());
    ASSERT_EQ(actual.size(), expected.size());
    for (const auto& [name, packet] : expected) {
        ASSERT_TRUE(actual.count(name)) << name;
        EXPECT_TRUE(*packet == *actual[name]) << name;
    }
}

}  // namespace
}  // namespace trunaccount
