#include "support/test_databases.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "coordinator/postgres_database.h"

namespace trunaccount::testing {

namespace {

std::string environment(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string uniqueDatabaseName() {
    static std::atomic<int> counter{0};
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return "ta_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" +
           std::to_string(static_cast<unsigned long long>(ticks) % 1000000007ULL);
}

}  // namespace

std::string backendName(Backend backend) { return backend == Backend::Sqlite ? "SQLite" : "PostgreSQL"; }

coord::DemoOptions testDemoOptions() {
    coord::DemoOptions o;
    o.today = "20250110";
    o.months = 4;
    o.docsPerMonth = 24;
    o.seed = 7;
    return o;
}

bool postgresRequired() { return environment("TRUNACCOUNT_REQUIRE_PG") == "1"; }

std::optional<std::string> backendUnavailable(Backend backend) {
    if (backend == Backend::Sqlite) return std::nullopt;
    if (environment("TRUNACCOUNT_PG_URI").empty())
        return std::string("no PostgreSQL server: TRUNACCOUNT_PG_URI is not set (./test starts one and sets it)");
    return std::nullopt;
}

TestDatabase::TestDatabase(Backend backend, std::optional<coord::DemoOptions> demo, std::string postgresServer)
    : backend_(backend) {
    if (backend == Backend::Sqlite) {
        dir_ = std::make_unique<TempDir>();
        location_ = dir_->file("demo.sqlite");
        auto db = coord::openDatabase(location_, coord::OpenMode::Create);
        if (demo) coord::createDemoDatabase(*db, *demo);
        return;
    }
    if (postgresServer.empty()) {
        if (auto why = backendUnavailable(backend)) throw std::runtime_error(*why);
        postgresServer = environment("TRUNACCOUNT_PG_URI");
    }
    adminUri_ = std::move(postgresServer);
    name_ = uniqueDatabaseName();
    coord::openDatabase(adminUri_)->execute("create database " + name_);
    location_ = coord::postgresUriWithDatabase(adminUri_, name_);
    try {
        auto db = coord::openDatabase(location_);
        if (demo) coord::createDemoDatabase(*db, *demo);
    } catch (...) {
        coord::openDatabase(adminUri_)->execute("drop database if exists " + name_ + " with (force)");
        throw;
    }
}

TestDatabase::~TestDatabase() {
    if (name_.empty()) return;
    try {
        coord::openDatabase(adminUri_)->execute("drop database if exists " + name_ + " with (force)");
    } catch (const std::exception& e) {
        ADD_FAILURE() << "dropping the test database " << name_ << " failed: " << e.what();
    }
}

coord::CoordinatorOptions TestDatabase::options() const {
    coord::CoordinatorOptions o;
    o.database = location_;
    o.fixedClock = kTestClock;
    return o;
}

CoordinatorRef TestDatabase::openCoordinator(const std::string& traceFile) const {
    auto o = options();
    o.traceFile = traceFile;
    return coord::openCoordinator(o);
}

std::unique_ptr<coord::Database> TestDatabase::openDatabase() const { return coord::openDatabase(location_); }

namespace {

// Runs scripts/postgres.sh with the arguments; its standard output, or
// std::runtime_error with its messages when it fails.
std::string postgresScript(const std::vector<std::string>& args) {
    std::string command = "'" TRUNACCOUNT_SOURCE_DIR "/scripts/postgres.sh'";
    for (const auto& a : args) command += " '" + a + "'";
    command += " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string out;
    char buf[512];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
    int status = ::pclose(pipe);
    if (status != 0) throw std::runtime_error(command + " failed:\n" + out);
    return out;
}

}  // namespace

std::optional<std::string> OwnPostgresServer::unavailable() {
    if (::access(TRUNACCOUNT_SOURCE_DIR "/scripts/postgres.sh", X_OK) != 0)
        return std::string(TRUNACCOUNT_SOURCE_DIR "/scripts/postgres.sh cannot be run");
    if (::system("ls /usr/lib/postgresql/*/bin/initdb >/dev/null 2>&1 || command -v initdb >/dev/null 2>&1") != 0)
        return std::string("no PostgreSQL server programs (package postgresql)");
    return std::nullopt;
}

OwnPostgresServer::OwnPostgresServer(const std::vector<std::string>& settings) {
    std::string parent = environment("TRUNACCOUNT_PG_SCRATCH");
    if (parent.empty()) parent = environment("TMPDIR");
    if (parent.empty()) parent = "/tmp";
    std::string pattern = parent + "/own-pg.XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder in " + parent);
    dir_ = pattern;
    std::vector<std::string> args = {"start", dir_};
    args.insert(args.end(), settings.begin(), settings.end());
    try {
        auto out = postgresScript(args);
        auto begin = out.rfind("postgresql://");
        if (begin == std::string::npos) throw std::runtime_error("scripts/postgres.sh printed no URI:\n" + out);
        uri_ = out.substr(begin, out.find('\n', begin) - begin);
    } catch (...) {
        try {
            postgresScript({"remove", dir_});
        } catch (const std::exception&) {
        }
        throw;
    }
}

OwnPostgresServer::~OwnPostgresServer() {
    try {
        postgresScript({"remove", dir_});
    } catch (const std::exception& e) {
        ADD_FAILURE() << "removing the test's own PostgreSQL server failed: " << e.what();
    }
}

void OwnPostgresServer::stop() { postgresScript({"stop", dir_}); }

void OwnPostgresServer::start() { postgresScript({"restart", dir_}); }

void BackendTest::SetUp() {
    TA_REQUIRE_BACKEND(GetParam());
    db_ = std::make_unique<TestDatabase>(GetParam());
}

std::string backendParamName(const ::testing::TestParamInfo<Backend>& info) { return backendName(info.param); }

}  // namespace trunaccount::testing
