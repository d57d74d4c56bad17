// The databases the benchmarks run on: a year of demo documents, made once and
// kept, the SQLite file in the build folder and the PostgreSQL database on the
// server, under a name that says what they hold.
#pragma once

#include <string>

#include "coordinator/demo_data.h"
#include "trunaccount/coordinator.h"

namespace trunaccount::bench {

// The year 2024 up to its last day, with this many invoice submissions a month
// (and the other documents that follow from them).
coord::DemoOptions benchYear(int docsPerMonth);

// The SQLite file with that data, made when missing.
std::string sqliteDatabase(const coord::DemoOptions& demo);
// The database with that data on the PostgreSQL server named by the URI, made
// when missing.
std::string postgresDatabase(const std::string& adminUri, const coord::DemoOptions& demo);

// A coordinator over the database whose clock stands on the year's last day.
CoordinatorRef openBenchCoordinator(const std::string& location);
inline constexpr const char* kBenchClock = "20241231 17:30:00";

}  // namespace trunaccount::bench
