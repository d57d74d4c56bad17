#include "bench_databases.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "coordinator/demo_schema.h"
#include "coordinator/postgres_database.h"
#include "coordinator/reference_coordinator.h"

namespace trunaccount::bench {

namespace {

// Names what the kept databases hold: the options and the schema they were
// made with (a changed schema makes new ones).
std::string demoTag(const coord::DemoOptions& o) {
    std::uint32_t hash = 2166136261u;  // FNV-1a over the schema's text
    auto add = [&](const coord::TableDef& t) {
        for (char ch : t.createSql()) hash = (hash ^ static_cast<unsigned char>(ch)) * 16777619u;
    };
    for (const auto& t : coord::fixedTables()) add(t);
    for (const auto& t : coord::monthlyTables("202401")) add(t);
    char schema[16];
    std::snprintf(schema, sizeof schema, "%08x", hash);
    return o.today + "_" + std::to_string(o.months) + "_" + std::to_string(o.docsPerMonth) + "_" +
           std::to_string(o.seed) + "_" + schema + (o.audit ? "_audit" : "");
}

void fill(coord::Database& db, const std::string& where, const coord::DemoOptions& demo) {
    std::cerr << "creating the benchmark database " << where << " (once) ..." << std::flush;
    auto t0 = std::chrono::steady_clock::now();
    auto summary = coord::createDemoDatabase(db, demo);
    std::cerr << " " << summary.totalRows() << " rows in "
              << std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() << " s\n";
}

}  // namespace

coord::DemoOptions benchYear(int docsPerMonth) {
    coord::DemoOptions o;
    o.today = "20241231";
    o.months = 12;
    o.docsPerMonth = docsPerMonth;
    o.seed = 1;
    return o;
}

std::string sqliteDatabase(const coord::DemoOptions& demo) {
    std::filesystem::create_directories(TA_BENCH_DATA_DIR);
    std::string path = std::string(TA_BENCH_DATA_DIR) + "/demo_" + demoTag(demo) + ".sqlite";
    if (!std::filesystem::exists(path)) {
        std::string partial = path + ".partial";
        std::filesystem::remove(partial);
        {
            auto db = coord::openDatabase(partial, coord::OpenMode::Create);
            fill(*db, partial, demo);
        }
        std::filesystem::rename(partial, path);
    }
    return path;
}

std::string postgresDatabase(const std::string& adminUri, const coord::DemoOptions& demo) {
    const std::string name = "ta_bench_" + demoTag(demo);
    const std::string uri = coord::postgresUriWithDatabase(adminUri, name);
    auto admin = coord::openDatabase(adminUri);
    auto exists = admin->query("select count(*) from pg_database where datname='" + name + "'");
    if (exists->integerValue(0, 0) == 0) {
        admin->execute("create database " + name);
        try {
            auto db = coord::openDatabase(uri);
            fill(*db, coord::postgresUriForDisplay(uri), demo);
            db->execute("analyze");
        } catch (...) {
            admin->execute("drop database if exists " + name + " with (force)");
            throw;
        }
    }
    return uri;
}

CoordinatorRef openBenchCoordinator(const std::string& location) {
    coord::CoordinatorOptions o;
    o.database = location;
    o.fixedClock = kBenchClock;
    return coord::openCoordinator(o);
}

}  // namespace trunaccount::bench
