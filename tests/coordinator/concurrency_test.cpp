// Several writers at once: eight coordinators on one PostgreSQL database with
// overlapping batches, and two writers on one SQLite file, where the second
// waits for the first up to its busy timeout.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "coordinator/audit.h"
#include "coordinator/reference_coordinator.h"
#include "data/text_functions.h"
#include "platform/coordinator_calls.h"
#include "support/test_databases.h"
#include "support/tick_load.h"

namespace trunaccount {
namespace {

using testing::Backend;
using testing::TestDatabase;

TEST(Concurrency, EightClientsOnPostgresLeaveNoPartBatchAndOneEntryPerTransition) {
    TA_REQUIRE_BACKEND(Backend::Postgres);
    TestDatabase db(Backend::Postgres);
    testing::TickLoadOptions o;
    o.location = db.location();
    o.clients = 8;
    o.duration = std::chrono::milliseconds(2500);
    o.poolSize = 30;  // small enough that the sets overlap all the time
    auto raw = db.openDatabase();
    auto run = testing::runTickLoad(o, testing::tickPool(*raw, o.poolSize, "202411", "202412"));
    auto check = testing::checkTickLoad(*raw, run);
    for (const auto& p : check.problems) ADD_FAILURE() << p;
    EXPECT_EQ(check.unplannedFailures, 0u) << check.firstUnplannedFailure;
    EXPECT_GT(check.succeeded, 8u);
    EXPECT_GT(check.failed, 0u);  // the planned failures came round
    EXPECT_GT(check.transitions, 8u);
    std::printf("[ info ] %zu batches in %.2f s (%.0f a second) from %d clients, %zu failed as planned, "
                "%zu transitions recorded\n",
                run.batches.size(), run.seconds, static_cast<double>(run.batches.size()) / run.seconds, o.clients,
                check.failed, check.transitions);
}

// Two writers on one SQLite file: while the first holds its transaction, the
// second waits up to its busy timeout; it goes through when the first ends in
// time, and otherwise fails with a message that says so, having written nothing.
TEST(Concurrency, TheSecondSqliteWriterWaitsUpToItsBusyTimeout) {
    struct Case {
        const char* name;
        int timeoutMs;
        int holdMs;  // how long the first writer keeps its transaction
        bool succeeds;
    } cases[] = {
        {"the first writer ends in time", 3000, 300, true},
        {"the first writer holds on", 400, 2500, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDatabase db(Backend::Sqlite);
        auto raw = db.openDatabase();
        auto pool = testing::tickPool(*raw, 2, "202412", "202501");
        auto entriesBefore = coord::readAudit(*raw).size();

        auto database = coord::openDatabase(db.location());
        database->execute("pragma busy_timeout=" + std::to_string(c.timeoutMs));
        auto second = coord::makeCoordinator(std::move(database), coord::Clock::fixedAt(testing::kTestClock));

        auto first = db.openDatabase();
        first->execute("begin immediate");
        first->execute("update " + pool[0].table + " set f_zzgdbz='1',f_zzgdrq='first' where f_djh='" +
                       pool[0].number + "' and f_hsdwh='" + pool[0].unit + "'");
        std::thread finisher([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(c.holdMs));
            first->execute("commit");
        });
        const std::string update = "update " + pool[1].table + " set f_zzgdbz='1',f_zzgdrq='second' where f_djh='" +
                                   pool[1].number + "' and f_hsdwh='" + pool[1].unit + "'";
        Variant batch = ListToVariantArray({update});
        const auto started = std::chrono::steady_clock::now();
        const bool ok = platform::ExecBatch(*second, batch);
        const auto waited = std::chrono::steady_clock::now() - started;
        const std::string error = ok ? "" : platform::ReportError(nullptr, batch, "");
        finisher.join();

        EXPECT_EQ(ok, c.succeeds) << error;
        auto times = raw->query("select f_zzgdrq from " + pool[1].table + " where f_djh='" + pool[1].number + "'");
        if (c.succeeds) {
            EXPECT_GE(waited, std::chrono::milliseconds(c.holdMs - 50));  // it did wait for the first
            EXPECT_EQ(times->text(0, 0), "second");
            EXPECT_EQ(coord::readAudit(*raw).size(), entriesBefore + 2);
        } else {
            EXPECT_GE(waited, std::chrono::milliseconds(c.timeoutMs - 50));
            EXPECT_EQ(error,
                      "批处理无法开始事务，全部语句均未执行：\r\n"
                      "数据库正被另一位用户写入，等待 0.4 秒后仍未轮到，本次没有写入任何数据。\r\n"
                      "请稍后再试一次。");
            EXPECT_NE(times->text(0, 0), "second");
            // Only the first writer's change is in the audit (unsealed: it came past the coordinator).
            EXPECT_EQ(coord::readAudit(*raw).size(), entriesBefore + 1);
            // Once the first writer is done, the same batch goes through.
            Variant again = ListToVariantArray({update});
            EXPECT_TRUE(platform::ExecBatch(*second, again)) << platform::ReportError(nullptr, again, "");
        }
    }
}

}  // namespace
}  // namespace trunaccount
