// The tables of the demo database: everything the window's queries read and its
// saving writes, the lookup tables, and the operator and parameter tables.
// One text serves both backends (varchar, char, double precision, integer).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trunaccount::coord {

struct ColumnDef {
    const char* name;
    const char* type;
};

struct TableDef {
    std::string name;
    std::vector<ColumnDef> columns;
    std::vector<const char*> key;

    std::vector<std::string> columnNames() const;
    std::string createSql() const;
};

// The tables that exist once: lookups, units, suppliers, payment vouchers, the
// project approvals, operators and system parameters.
const std::vector<TableDef>& fixedTables();

// The five tables of one month, named "tb" + YYYYMM + suffix.
std::vector<TableDef> monthlyTables(std::string_view yearMonth);

// The table of this name (a monthly one for any valid month); throws when none.
TableDef demoTable(std::string_view name);

// True for the name of a demo table (fixed or monthly, in any letter case).
bool isDemoTableName(std::string_view name);

}  // namespace trunaccount::coord
