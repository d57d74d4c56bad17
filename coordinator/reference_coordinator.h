// The reference coordinator: the eight operations of the host's coordinator
// object over a real database (an SQLite file or a PostgreSQL server).
//
//   auto coord = coord::openCoordinator({.database = "demo.sqlite"});
//   platform::QueryData(*coord, "select f_tdbm,f_tdmc from tbtdda order by f_tdbm ", data);
#pragma once

#include <memory>
#include <string>

#include "coordinator/clock.h"
#include "coordinator/database.h"
#include "trunaccount/coordinator.h"

namespace trunaccount::coord {

// Tables the coordinator reads besides those the queries name.
inline constexpr const char* kOperatorTable = "tbzyda";   // f_zybm staff code, f_zymc name
inline constexpr const char* kParameterTable = "tbxtcs";  // f_csmc parameter key, f_csz value

struct CoordinatorOptions {
    // The path of an SQLite file (which must exist) or a postgresql:// URI.
    std::string database;
    // Empty: the machine's local time. Otherwise the moment the clock always
    // shows: "YYYYMMDD" or "YYYYMMDD HH:MM:SS" (see Clock::fixedAt).
    std::string fixedClock;
    // Empty: no trace. Otherwise the file every call is appended to as a JSON line.
    std::string traceFile;
};

// Opens the database and returns the coordinator holding it, with one reference
// owned by the result. Raises DatabaseError (database cannot be opened, bad
// URI), std::invalid_argument (bad clock) or std::runtime_error (trace file).
// What the user should know before working (a database that can only be
// read) is appended to `notices`, one line each, when it is given.
CoordinatorRef openCoordinator(const CoordinatorOptions& options, std::vector<std::string>* notices = nullptr);

// The same over a database already open (the coordinator takes it over).
CoordinatorRef makeCoordinator(std::unique_ptr<Database> database, Clock clock, std::string traceFile = {});

}  // namespace trunaccount::coord
