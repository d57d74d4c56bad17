// The SQLite backend: one database file, the embedded default.
#pragma once

#include <string>
#include <string_view>

#include "coordinator/database.h"

struct sqlite3;

namespace trunaccount::coord {

class SqliteDatabase : public Database {
public:
    SqliteDatabase(const std::string& path, OpenMode mode);
    ~SqliteDatabase() override;
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    std::string_view typeName() const override { return "SQLITE"; }
    std::shared_ptr<DataPacket> query(std::string_view sql) override;
    std::optional<BatchFailure> execBatch(std::span<const std::string> statements) override;
    void execute(std::string_view sql) override;
    std::unique_ptr<TableWriter> writeTable(const std::string& table, const std::vector<std::string>& columns) override;
    std::vector<std::string> tableNames() override;

    sqlite3* handle() const { return db_; }

private:
    void runAll(std::string_view sql);
    void rollbackQuietly();
    long long busyTimeoutMs();
    std::vector<std::string> errorLines() const;

    sqlite3* db_ = nullptr;
};

// SQLite reads LEFT and RIGHT as join words, so a call left(…) or right(…)
// does not parse there. This returns the text with every such call's name
// quoted ("left"(…)), which calls the functions of the same names that the
// backend registers; string literals, quoted names and comments stay as they are.
std::string quoteTextFunctionCalls(std::string_view sql);

}  // namespace trunaccount::coord
