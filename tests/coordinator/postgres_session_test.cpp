// The PostgreSQL backend's sessions: standard-conforming strings whatever the
// server's or the database's default, and a connection that is made again when
// the server cut it, without ever running half a batch twice.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <chrono>
#include <thread>

#include "coordinator/postgres_database.h"
#include "data/sql_quote.h"
#include "platform/coordinator_calls.h"
#include "reconcile/tick_statements.h"
#include "support/test_databases.h"

namespace trunaccount {
namespace {

using testing::Backend;
using testing::TestDatabase;

std::string joined(const Variant& v) { return platform::ReportError(nullptr, v, ""); }

Variant batch(std::vector<std::string> statements) {
    Variant::Array a;
    for (auto& s : statements) a.emplace_back(s);
    return Variant(std::move(a));
}

std::vector<std::vector<std::string>> rows(ICoorDisp& c, const std::string& sql) {
    Variant data;
    EXPECT_TRUE(platform::QueryData(c, sql, data)) << joined(data);
    std::vector<std::vector<std::string>> out;
    if (!data.isPacket()) return out;
    const auto& p = *data.asPacket();
    for (std::size_t r = 0; r < p.rowCount(); ++r) {
        out.emplace_back();
        for (std::size_t col = 0; col < p.columnCount(); ++col) out.back().push_back(p.value(r, col).toText());
    }
    return out;
}

// What a session of the database starts with, asked over a plain connection.
std::string sessionDefault(const std::string& uri, const char* setting) {
    PGconn* conn = PQconnectdb(uri.c_str());
    std::string value = PQstatus(conn) == CONNECTION_OK && PQparameterStatus(conn, setting)
                            ? PQparameterStatus(conn, setting)
                            : "<no connection>";
    PQfinish(conn);
    return value;
}

const std::string kHostileBill = "\\'; update tbzyda set f_zymc=current_user; --";

// The save statement of a ticked payment approval with the bill number.
std::string saveWithBill(const std::string& number, const std::string& bill) {
    TickRow row{number, coord::kDemoUnit, "1", Variant(), Variant(), bill, "03", "0101", "20241020"};
    return *SaveStatement(BusinessType::PaymentApproval, row, {"2025011010:30:00", "0001", "张丽华"});
}

class PostgresSession : public ::testing::Test {
protected:
    void SetUp() override {
        TA_REQUIRE_BACKEND(Backend::Postgres);
        db = std::make_unique<TestDatabase>(Backend::Postgres);
    }

    // Cuts the coordinator's connection from the server's side, as a restart
    // of the server does, and waits until its session has gone.
    void cutConnections() {
        auto other = db->openDatabase();
        other->query("select pg_terminate_backend(pid) from pg_stat_activity where datname=current_database() "
                     "and pid<>pg_backend_pid()");
        for (int i = 0; i < 100; ++i) {
            auto left = other->query("select count(*) from pg_stat_activity where datname=current_database() "
                                     "and pid<>pg_backend_pid()");
            if (left->integerValue(0, 0) == 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        FAIL() << "the cut sessions did not end";
    }

    std::unique_ptr<TestDatabase> db;
};

// A database whose sessions start with standard_conforming_strings off reads a
// backslash before a quote as an escape: the hostile bill number would end its
// literal early and run an update of its own. The coordinator's sessions turn
// the setting on, so the number is stored as typed and nothing else changes.
TEST_F(PostgresSession, StandardStringsHoldWhereTheDatabaseTurnsThemOff) {
    auto d = db->openDatabase();
    d->execute("alter database " + std::string(d->query("select current_database()")->text(0, 0)) +
               " set standard_conforming_strings = off");
    // Wide enough for the whole text to be seen stored.
    d->execute("alter table tb202410_jsfksp alter column f_zzpjhm type varchar(60)");
    ASSERT_EQ(sessionDefault(db->location(), "standard_conforming_strings"), "off");

    auto c = db->openCoordinator();
    const auto operatorsBefore = rows(*c, "select f_zybm,f_zymc from tbzyda order by f_zybm");
    const auto billsBefore = rows(*c, "select f_djh,f_zzpjhm from tb202410_jsfksp order by f_hsdwh,f_djh");
    const std::string number = billsBefore.at(0).at(0);

    Variant save = batch({saveWithBill(number, kHostileBill)});
    ASSERT_TRUE(platform::ExecBatch(*c, save)) << joined(save);

    EXPECT_EQ(rows(*c, "select f_zzpjhm from tb202410_jsfksp where f_hsdwh='1001' and f_djh='" + number + "'"),
              (std::vector<std::vector<std::string>>{{kHostileBill}}));
    EXPECT_EQ(rows(*c, "select f_zybm,f_zymc from tbzyda order by f_zybm"), operatorsBefore);
    auto expectedBills = billsBefore;
    expectedBills[0][1] = kHostileBill;
    EXPECT_EQ(rows(*c, "select f_djh,f_zzpjhm from tb202410_jsfksp order by f_hsdwh,f_djh"), expectedBills);
}

// After the server cut the connection, the next query and the next batch
// connect again and succeed: the user's next attempt works without a restart.
TEST_F(PostgresSession, TheNextCallAfterALostConnectionSucceeds) {
    auto c = db->openCoordinator();
    ASSERT_EQ(rows(*c, "select f_zymc from tbzyda where f_zybm='0002'").size(), 1u);

    cutConnections();
    EXPECT_EQ(rows(*c, "select f_zymc from tbzyda where f_zybm='0002'"),
              (std::vector<std::vector<std::string>>{{"王建国"}}));

    cutConnections();
    Variant save = batch({"update tbzyda set f_zymc='王建国（出纳）' where f_zybm='0002';"});
    EXPECT_TRUE(platform::ExecBatch(*c, save)) << joined(save);

    // The new sessions hold standard strings too.
    EXPECT_EQ(rows(*c, "select current_setting('standard_conforming_strings')"),
              (std::vector<std::vector<std::string>>{{"on"}}));
    EXPECT_EQ(rows(*c, "select f_zymc from tbzyda where f_zybm='0002'"),
              (std::vector<std::vector<std::string>>{{"王建国（出纳）"}}));
}

// A connection lost inside a batch takes the transaction with it: the batch
// fails as a whole and is not carried on over a new connection (which would
// save its second half alone); the call after it connects again.
TEST_F(PostgresSession, ABatchCutOffHalfWayIsNotCarriedOn) {
    auto c = db->openCoordinator();
    const auto before = rows(*c, "select f_zybm,f_zymc from tbzyda order by f_zybm");
    Variant cut = batch({"update tbzyda set f_zymc='甲' where f_zybm='0001';",
                         "select pg_terminate_backend(pg_backend_pid()), pg_sleep(5);",
                         "update tbzyda set f_zymc='乙' where f_zybm='0002';"});
    EXPECT_FALSE(platform::ExecBatch(*c, cut));
    const std::string message = joined(cut);
    EXPECT_NE(message.find("批处理第 2 条语句出错（共 3 条），全部语句已撤销："), std::string::npos) << message;
    EXPECT_NE(message.find("连接已断开"), std::string::npos) << message;
    EXPECT_EQ(rows(*c, "select f_zybm,f_zymc from tbzyda order by f_zybm"), before);

    // Lost at the commit itself: the server may or may not have committed.
    auto d = db->openDatabase();
    d->execute("create function cut_at_commit() returns trigger language plpgsql as "
               "$$ begin perform pg_terminate_backend(pg_backend_pid()); perform pg_sleep(5); return null; end $$;"
               "create constraint trigger cut after update on tbhsdwda deferrable initially deferred "
               "for each row execute function cut_at_commit();");
    Variant atCommit = batch({"update tbhsdwda set f_lxdh=f_lxdh where f_hsdwh='1001';"});
    EXPECT_FALSE(platform::ExecBatch(*c, atCommit));
    EXPECT_NE(joined(atCommit).find("批处理提交时与数据库的连接断开（共 1 条语句），无法确定是否已保存"),
              std::string::npos)
        << joined(atCommit);
    Variant after = batch({"update tbzyda set f_zymc='乙' where f_zybm='0002';"});
    EXPECT_TRUE(platform::ExecBatch(*c, after)) << joined(after);
}

}  // namespace
}  // namespace trunaccount
