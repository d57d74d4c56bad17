// The PostgreSQL backend: a server reached through a postgresql:// URI.
#pragma once

#include <string>
#include <string_view>

#include "coordinator/database.h"

struct pg_conn;

namespace trunaccount::coord {

class PostgresDatabase : public Database {
public:
    explicit PostgresDatabase(const std::string& uri);
    ~PostgresDatabase() override;
    PostgresDatabase(const PostgresDatabase&) = delete;
    PostgresDatabase& operator=(const PostgresDatabase&) = delete;

    std::string_view typeName() const override { return "POSTGRESQL"; }
    std::shared_ptr<DataPacket> query(std::string_view sql) override;
    std::optional<BatchFailure> execBatch(std::span<const std::string> statements) override;
    void execute(std::string_view sql) override;
    std::unique_ptr<TableWriter> writeTable(const std::string& table, const std::vector<std::string>& columns) override;
    std::vector<std::string> tableNames() override;

private:
    // Session settings every connection gets, also after a reconnect: UTF-8 and
    // standard-conforming strings. Raises DatabaseError when the server refuses.
    void setUpSession();
    // Sets standard-conforming strings again if a statement turned them off.
    void requireStandardStrings();
    bool connectionLost() const;
    // Connects again after a lost connection; raises DatabaseError, with the
    // lines of the failure that showed the loss first, when that fails too.
    void reconnect(const std::vector<std::string>& lostWith);
    std::shared_ptr<DataPacket> runQuery(const std::string& sql);
    std::optional<BatchFailure> runBatch(std::span<const std::string> statements);

    std::string shown_;  // the URI without its password
    pg_conn* conn_ = nullptr;
};

// The URI with its database name replaced by `database` (other parts kept).
std::string postgresUriWithDatabase(std::string_view uri, std::string_view database);

// The URI as it may be shown: any password replaced by "***".
std::string postgresUriForDisplay(std::string_view uri);

}  // namespace trunaccount::coord
