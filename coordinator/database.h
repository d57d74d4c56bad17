// The database behind the reference coordinator: one interface, two backends
// (SQLite in a file, PostgreSQL on a server).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"
#include "trunaccount/variant.h"

namespace trunaccount::coord {

// A failure as the database reports it, one or more lines of text.
class DatabaseError : public Error {
public:
    explicit DatabaseError(std::vector<std::string> lines);
    const std::vector<std::string>& lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

// Where a batch stopped: the index of the failing statement (the statement
// count when the commit itself failed) and the database's message.
struct BatchFailure {
    std::size_t index = 0;
    std::vector<std::string> lines;
    // The connection was lost while the commit was on its way: the server may
    // have carried it out or not.
    bool outcomeUnknown = false;
};

// Fast loading of many rows into one table; values in the column order given.
class TableWriter {
public:
    virtual ~TableWriter() = default;
    virtual void addRow(std::span<const Variant> values) = 0;
    // Sends what is left; the rows are in the table afterwards.
    virtual void finish() = 0;
};

class Database;

// Told of every batch a backend runs, inside the batch's transaction: once it
// has begun, before the first statement, and after the last statement, before
// the commit. A DatabaseError raised by either step fails the whole batch.
class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    virtual void batchBegun(Database& db) = 0;
    virtual void batchEnding(Database& db) = 0;
};

class Database {
public:
    virtual ~Database() = default;

    // The observer told of every batch from now on (none: null).
    void setBatchObserver(std::shared_ptr<BatchObserver> observer) { observer_ = std::move(observer); }

    // The backend's name as the coordinator's GetDbType reports it.
    virtual std::string_view typeName() const = 0;

    // Runs one query and returns its result set: column names, kinds (text with
    // the declared width when known, float, integer) and rows.
    virtual std::shared_ptr<DataPacket> query(std::string_view sql) = 0;

    // Runs the statements in one transaction: all of them or, when one fails,
    // none. Each text is one statement: a text that goes on with a second one
    // fails, so that no value can carry a statement of its own in. Raises
    // DatabaseError when the transaction cannot begin.
    virtual std::optional<BatchFailure> execBatch(std::span<const std::string> statements) = 0;

    // Runs SQL text of one or more statements as it stands (schema, transaction
    // control).
    virtual void execute(std::string_view sql) = 0;

    // Loads rows into a table; only one writer at a time, inside a transaction
    // the caller opened with execute("begin").
    virtual std::unique_ptr<TableWriter> writeTable(const std::string& table,
                                                    const std::vector<std::string>& columns) = 0;

    // The tables of the database (for PostgreSQL those of the current schema),
    // in lower case, sorted.
    virtual std::vector<std::string> tableNames() = 0;

    // True while the database can only be read (an SQLite file without write
    // permission); writing batches fail then.
    virtual bool readOnly() const { return false; }

protected:
    // The observer's steps for the backends' execBatch: the error lines when
    // the step failed (the batch must then be rolled back), nothing when it went well.
    std::optional<std::vector<std::string>> notifyBatchBegun();
    std::optional<std::vector<std::string>> notifyBatchEnding();

private:
    std::optional<std::vector<std::string>> notify(void (BatchObserver::*step)(Database&));
    std::shared_ptr<BatchObserver> observer_;
};

enum class OpenMode {
    Existing,  // the database must exist already
    Create,    // an SQLite file is created when missing
};

// True for a location of the form postgresql://… or postgres://….
bool isPostgresUri(std::string_view location);

// Opens the database at `location`: a postgresql:// URI or the path of an
// SQLite file. Raises DatabaseError with the reason when it cannot.
std::unique_ptr<Database> openDatabase(const std::string& location, OpenMode mode = OpenMode::Existing);

// What a writer is told when another one held the database for longer than it
// waited (`waitedMs` milliseconds): nothing of its batch was written.
std::vector<std::string> writerBusyLines(long long waitedMs);

// The lines of a multi-line message, without empty ones and line ends.
std::vector<std::string> messageLines(std::string_view text);

}  // namespace trunaccount::coord
