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
    bool readOnly() const override { return readOnly_; }

    sqlite3* handle() const { return db_; }

private:
    void runAll(std::string_view sql);
    // Runs the one statement of the text; text after it other than blanks,
    // semicolons and comments makes it fail before anything runs.
    void runOne(std::string_view sql);
    // A file opened read-only (no write permission then) is opened again for
    // writing once the permission allows it, between transactions.
    void reopenIfReadOnly();
    void rollbackQuietly();
    long long busyTimeoutMs();
    std::vector<std::string> errorLines() const;

    std::string path_;
    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
};

// SQLite reads LEFT and RIGHT as join words, so a call left(…) or right(…)
// does not parse there. This returns the text with every such call's name
// quoted ("left"(…)), which calls the functions of the same names that the
// backend registers; string literals, quoted names and comments stay as they are.
std::string quoteTextFunctionCalls(std::string_view sql);

}  // namespace trunaccount::coord
