// The demo database: the schema and realistic, deterministic data over many
// months, for demonstrations, tests and benchmarks.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "coordinator/database.h"

namespace trunaccount::coord {

// The accounting unit the demo's parameter "hsdwh" names, and an operator.
inline constexpr const char* kDemoUnit = "1001";
inline constexpr const char* kDemoOperator = "0001";

struct DemoOptions {
    std::string today;           // YYYYMMDD: the last day with documents
    int months = 12;             // monthly tables from the start-of-use month "qyny" up to today's month
    int docsPerMonth = 200;      // invoice submissions a month; the other kinds follow from it
    std::uint64_t seed = 1;      // the same seed gives the same data
    bool audit = true;           // with the tick audit (audit.h), enabled after the data is in
};

struct DemoSummary {
    std::string firstMonth;  // the start-of-use month (parameter "qyny")
    std::string lastMonth;   // today's month
    std::map<std::string, std::size_t> rows;  // rows written, by table
    std::size_t totalRows() const;
};

// The start-of-use month of these options: `months` - 1 months before today's.
std::string demoFirstMonth(const DemoOptions& options);

// Creates the tables and fills them, in one transaction, on a database without
// demo tables. Raises std::invalid_argument for bad options and DatabaseError
// when the database refuses.
DemoSummary createDemoDatabase(Database& db, const DemoOptions& options);

// Drops every demo table (fixed and monthly) and the tick audit the database
// holds; other tables stay.
void dropDemoTables(Database& db);

}  // namespace trunaccount::coord
