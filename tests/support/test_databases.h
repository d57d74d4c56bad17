// Real databases for tests: a fresh SQLite file or a fresh PostgreSQL database
// with the demo schema and a small fixed data set, and the coordinator options
// (with a fixed clock) to open them.
//
//   class MyTest : public testing::BackendTest {};
//   TEST_P(MyTest, Something) { auto c = db().openCoordinator(); ... }
//   TA_INSTANTIATE_BACKEND_TESTS(MyTest);
//
// PostgreSQL databases are made on the server named by TRUNACCOUNT_PG_URI
// (./test starts one). Without it the PostgreSQL cases skip with a message,
// unless TRUNACCOUNT_REQUIRE_PG=1 is set (as ./test does): then they fail.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "coordinator/database.h"
#include "coordinator/demo_data.h"
#include "coordinator/reference_coordinator.h"
#include "support/temp_dir.h"

namespace trunaccount::testing {

enum class Backend { Sqlite, Postgres };

std::string backendName(Backend backend);  // "SQLite", "PostgreSQL"
inline void PrintTo(Backend backend, std::ostream* os) { *os << backendName(backend); }

// The fixed data set: four months, 202410 to 202501, up to 10 January 2025;
// 24 invoice submissions a month (12 payment approvals, 12 fee collections and
// 4 project approvals), seed 7. Accounting unit coord::kDemoUnit ("1001").
coord::DemoOptions testDemoOptions();

// The moment the coordinators of test databases show: the data set's last day.
inline constexpr const char* kTestClock = "20250110 10:30:00";

// Why the backend cannot be used here, or nothing when it can.
std::optional<std::string> backendUnavailable(Backend backend);
// True when PostgreSQL tests must run (TRUNACCOUNT_REQUIRE_PG=1).
bool postgresRequired();

// One database for one test, removed with the object.
class TestDatabase {
public:
    // With demo data (the default set, or the options given), or empty when
    // `demo` is nullopt. PostgreSQL databases are made on the server of
    // `postgresServer` (a postgresql:// URI), by default the one of
    // TRUNACCOUNT_PG_URI. Raises when the database cannot be made.
    explicit TestDatabase(Backend backend, std::optional<coord::DemoOptions> demo = testDemoOptions(),
                          std::string postgresServer = {});
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    Backend backend() const { return backend_; }
    // The SQLite file's path or the postgresql:// URI.
    const std::string& location() const { return location_; }
    // The location and the fixed clock kTestClock.
    coord::CoordinatorOptions options() const;
    CoordinatorRef openCoordinator(const std::string& traceFile = {}) const;
    // Direct access, for preparing and checking what a test needs.
    std::unique_ptr<coord::Database> openDatabase() const;

private:
    Backend backend_;
    std::unique_ptr<TempDir> dir_;  // SQLite
    std::string adminUri_;          // PostgreSQL: where the database is created and dropped
    std::string name_;              // PostgreSQL: the database's name
    std::string location_;
};

// A PostgreSQL server of the test's own, made by scripts/postgres.sh, for a
// test that stops it and starts it again or needs other server settings. Below
// TRUNACCOUNT_PG_SCRATCH when ./test set it, so that a server a killed test
// leaves behind is stopped with ./test's own. Stopped and removed with the object.
class OwnPostgresServer {
public:
    // `settings` are server settings "name=value". Raises std::runtime_error
    // with the script's messages when the server does not start.
    explicit OwnPostgresServer(const std::vector<std::string>& settings = {});
    ~OwnPostgresServer();
    OwnPostgresServer(const OwnPostgresServer&) = delete;
    OwnPostgresServer& operator=(const OwnPostgresServer&) = delete;

    // postgresql://postgres@127.0.0.1:PORT/postgres
    const std::string& uri() const { return uri_; }
    // Stops the server at once (connections are cut), or starts it again on its port.
    void stop();
    void start();

    // Why no server of a test's own can be made here, or nothing when it can.
    static std::optional<std::string> unavailable();

private:
    std::string dir_;
    std::string uri_;
};

// Fails (PostgreSQL required) or skips the running test when the backend cannot be used.
#define TA_REQUIRE_BACKEND(backend)                                                  \
    do {                                                                             \
        if (auto why_ = ::trunaccount::testing::backendUnavailable(backend)) {       \
            if (::trunaccount::testing::postgresRequired()) FAIL() << *why_;         \
            GTEST_SKIP() << *why_;                                                   \
        }                                                                            \
    } while (0)

// A test run once per backend with a fresh demo database.
class BackendTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override;
    TestDatabase& db() { return *db_; }

private:
    std::unique_ptr<TestDatabase> db_;
};

std::string backendParamName(const ::testing::TestParamInfo<Backend>& info);

#define TA_INSTANTIATE_BACKEND_TESTS(suite)                                                                      \
    INSTANTIATE_TEST_SUITE_P(Backends, suite,                                                                    \
                             ::testing::Values(::trunaccount::testing::Backend::Sqlite,                          \
                                               ::trunaccount::testing::Backend::Postgres),                       \
                             ::trunaccount::testing::backendParamName)

}  // namespace trunaccount::testing
