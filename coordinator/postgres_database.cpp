#include "coordinator/postgres_database.h"

#include <libpq-fe.h>

#include <charconv>
#include <cstring>

namespace trunaccount::coord {

namespace {

// Type identifiers of the server's built-in types.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
              kBpchar = 1042, kVarchar = 1043, kNumeric = 1700;

struct Result {
    PGresult* res;
    explicit Result(PGresult* r) : res(r) {}
    ~Result() { PQclear(res); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
};

std::vector<std::string> resultErrorLines(PGconn* conn, const PGresult* res) {
    const char* msg = res ? PQresultErrorMessage(res) : nullptr;
    auto lines = messageLines(msg && *msg ? msg : PQerrorMessage(conn));
    if (lines.empty()) lines.emplace_back("the PostgreSQL server gave no message");
    return lines;
}

bool succeeded(const PGresult* res) {
    auto st = PQresultStatus(res);
    return st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK || st == PGRES_EMPTY_QUERY;
}

void ignoreNotice(void*, const char*) {}

// Runs SQL text of one or more statements; raises DatabaseError on failure.
void run(PGconn* conn, std::string_view sql) {
    std::string text(sql);
    Result r(PQexec(conn, text.c_str()));
    if (!r.res || !succeeded(r.res)) throw DatabaseError(resultErrorLines(conn, r.res));
}

// Runs exactly one statement: the extended protocol refuses a text that holds
// a second one ("cannot insert multiple commands into a prepared statement").
PGresult* runOne(PGconn* conn, const std::string& sql) {
    return PQexecParams(conn, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0);
}

std::vector<std::string> joinedLines(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

ColumnKind kindOf(Oid type) {
    switch (type) {
    case kBool:
    case kInt8:
    case kInt2:
    case kInt4:
    case kOid: return ColumnKind::Integer;
    case kFloat4:
    case kFloat8:
    case kNumeric: return ColumnKind::Float;
    default: return ColumnKind::Text;
    }
}

}  // namespace

std::string postgresUriWithDatabase(std::string_view uri, std::string_view database) {
    auto scheme = uri.find("://");
    std::size_t authority = scheme == std::string_view::npos ? 0 : scheme + 3;
    auto query = uri.find('?', authority);
    auto slash = uri.find('/', authority);
    if (slash != std::string_view::npos && query != std::string_view::npos && slash > query)
        slash = std::string_view::npos;
    std::size_t pathEnd = query == std::string_view::npos ? uri.size() : query;
    std::size_t hostEnd = slash == std::string_view::npos ? pathEnd : slash;
    std::string out(uri.substr(0, hostEnd));
    out += '/';
    out += database;
    out.append(uri.substr(pathEnd));
    return out;
}

std::string postgresUriForDisplay(std::string_view uri) {
    auto scheme = uri.find("://");
    if (scheme == std::string_view::npos) return std::string(uri);
    auto at = uri.find('@', scheme + 3);
    auto slash = uri.find('/', scheme + 3);
    if (at == std::string_view::npos || (slash != std::string_view::npos && slash < at)) return std::string(uri);
    auto colon = uri.find(':', scheme + 3);
    if (colon == std::string_view::npos || colon > at) return std::string(uri);
    return std::string(uri.substr(0, colon + 1)) + "***" + std::string(uri.substr(at));
}

PostgresDatabase::PostgresDatabase(const std::string& uri) : shown_(postgresUriForDisplay(uri)) {
    char* err = nullptr;
    PQconninfoOption* opts = PQconninfoParse(uri.c_str(), &err);
    if (!opts) {
        std::string why = err ? err : "not a valid connection URI";
        PQfreemem(err);
        auto lines = messageLines(why);
        lines.insert(lines.begin(), "bad PostgreSQL URI '" + shown_ + "':");
        throw DatabaseError(lines);
    }
    PQconninfoFree(opts);
    conn_ = PQconnectdb(uri.c_str());
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
        auto lines = messageLines(conn_ ? PQerrorMessage(conn_) : "out of memory");
        lines.insert(lines.begin(), "cannot connect to PostgreSQL at '" + shown_ + "':");
        PQfinish(conn_);
        conn_ = nullptr;
        throw DatabaseError(lines);
    }
    PQsetNoticeProcessor(conn_, ignoreNotice, nullptr);
    try {
        setUpSession();
    } catch (...) {
        PQfinish(conn_);
        conn_ = nullptr;
        throw;
    }
}

PostgresDatabase::~PostgresDatabase() { PQfinish(conn_); }

void PostgresDatabase::setUpSession() {
    if (PQsetClientEncoding(conn_, "UTF8") != 0)
        throw DatabaseError({"the PostgreSQL server at '" + shown_ + "' does not accept UTF8 as client encoding"});
    // With standard_conforming_strings off, a backslash in a quoted value
    // escapes the closing quote, and doubling quotes no longer keeps a value
    // inside its literal. The server's or the database's default does not
    // matter: every session of ours sets it, or is refused.
    std::vector<std::string> why;
    try {
        run(conn_, "set standard_conforming_strings = on");
    } catch (const DatabaseError& e) {
        why = e.lines();
    }
    const char* now = PQparameterStatus(conn_, "standard_conforming_strings");
    if (!why.empty() || !now || std::strcmp(now, "on") != 0) {
        why.insert(why.begin(), "the PostgreSQL server at '" + shown_ +
                                    "' cannot use standard_conforming_strings = on; values holding a backslash "
                                    "would not stay inside their quotes, so it is not used");
        throw DatabaseError(why);
    }
}

void PostgresDatabase::requireStandardStrings() {
    const char* now = PQparameterStatus(conn_, "standard_conforming_strings");
    if (!now || std::strcmp(now, "on") != 0) setUpSession();
}

bool PostgresDatabase::connectionLost() const { return PQstatus(conn_) == CONNECTION_BAD; }

void PostgresDatabase::reconnect(const std::vector<std::string>& lostWith) {
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK) {
        auto lines = lostWith;
        lines.push_back("与数据库服务器 " + shown_ + " 的连接已断开，重新连接失败：");
        auto why = messageLines(PQerrorMessage(conn_));
        lines.insert(lines.end(), why.begin(), why.end());
        throw DatabaseError(lines);
    }
    try {
        setUpSession();
    } catch (const DatabaseError& e) {
        throw DatabaseError(joinedLines(lostWith, e.lines()));
    }
}

void PostgresDatabase::execute(std::string_view sql) { run(conn_, sql); }

// A call finding the connection lost connects again once and is tried again, as
// long as nothing of it can have been carried out: a query, or a batch whose
// transaction had not begun. The next call after a batch cut off half way
// connects again before it starts.
std::shared_ptr<DataPacket> PostgresDatabase::query(std::string_view sql) {
    std::string text(sql);
    bool reconnected = false;
    if (connectionLost()) {
        reconnect({});
        reconnected = true;
    }
    // Inside a transaction the caller opened, the work of a new connection
    // would not belong to it.
    const bool outsideTransaction = PQtransactionStatus(conn_) == PQTRANS_IDLE;
    try {
        return runQuery(text);
    } catch (const DatabaseError& e) {
        if (reconnected || !outsideTransaction || !connectionLost()) throw;
        reconnect(e.lines());
        return runQuery(text);
    }
}

std::shared_ptr<DataPacket> PostgresDatabase::runQuery(const std::string& text) {
    requireStandardStrings();
    Result r(runOne(conn_, text));
    if (!r.res || !succeeded(r.res)) throw DatabaseError(resultErrorLines(conn_, r.res));
    if (PQresultStatus(r.res) == PGRES_EMPTY_QUERY) throw DatabaseError({"the query text holds no statement"});

    const int cols = PQnfields(r.res);
    const int rows = PQntuples(r.res);
    std::vector<PacketColumn> columns;
    std::vector<Oid> types;
    for (int c = 0; c < cols; ++c) {
        Oid t = PQftype(r.res, c);
        int mod = PQfmod(r.res, c);
        int width = (t == kBpchar || t == kVarchar) && mod >= 4 ? mod - 4 : 0;  // the modifier counts its own 4 bytes
        columns.push_back({PQfname(r.res, c), kindOf(t), width});
        types.push_back(t);
    }
    auto packet = std::make_shared<DataPacket>(std::move(columns));
    packet->reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        for (int c = 0; c < cols; ++c) {
            if (PQgetisnull(r.res, row, c)) {
                packet->addNull();
                continue;
            }
            const char* v = PQgetvalue(r.res, row, c);
            const int len = PQgetlength(r.res, row, c);
            switch (kindOf(types[static_cast<std::size_t>(c)])) {
            case ColumnKind::Integer: {
                if (types[static_cast<std::size_t>(c)] == kBool) {
                    packet->addInteger(v[0] == 't' ? 1 : 0);
                    break;
                }
                std::int64_t n = 0;
                std::from_chars(v, v + len, n);
                packet->addInteger(n);
                break;
            }
            case ColumnKind::Float: {
                double d = 0;
                auto [p, ec] = std::from_chars(v, v + len, d);
                if (ec != std::errc()) d = std::strtod(v, nullptr);  // NaN, Infinity
                packet->addFloat(d);
                break;
            }
            case ColumnKind::Text: packet->addText(std::string_view(v, static_cast<std::size_t>(len))); break;
            }
        }
        packet->endRow();
    }
    return packet;
}

std::optional<BatchFailure> PostgresDatabase::execBatch(std::span<const std::string> statements) {
    bool reconnected = false;
    if (connectionLost()) {
        reconnect({});
        reconnected = true;
    }
    try {
        requireStandardStrings();
        run(conn_, "begin");
    } catch (const DatabaseError& e) {
        // Nothing of the batch has run: a lost connection is made again, once.
        if (reconnected || !connectionLost()) throw;
        reconnect(e.lines());
        run(conn_, "begin");
    }
    if (auto lines = notifyBatchBegun()) {
        PQclear(PQexec(conn_, "rollback"));
        throw DatabaseError(std::move(*lines));
    }
    return runBatch(statements);
}

std::optional<BatchFailure> PostgresDatabase::runBatch(std::span<const std::string> statements) {
    // Once the transaction has begun nothing is tried again: a lost connection
    // takes the transaction with it, and the batch fails as a whole.
    auto failed = [&](std::size_t index, std::vector<std::string> lines) {
        if (connectionLost())
            lines.push_back("与数据库服务器的连接已断开；下一次操作时将重新连接");
        else
            PQclear(PQexec(conn_, "rollback"));
        return BatchFailure{index, std::move(lines)};
    };
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const char* now = PQparameterStatus(conn_, "standard_conforming_strings");
        if (!now || std::strcmp(now, "on") != 0)
            return failed(i, {"standard_conforming_strings was turned off by an earlier statement of the batch"});
        Result r(runOne(conn_, statements[i]));
        if (!r.res || !succeeded(r.res)) return failed(i, resultErrorLines(conn_, r.res));
    }
    if (auto lines = notifyBatchEnding()) return failed(statements.size(), std::move(*lines));
    // A commit that cannot be carried out answers "ROLLBACK" or an error.
    Result r(PQexec(conn_, "commit"));
    if (!r.res || !succeeded(r.res) || std::strcmp(PQcmdStatus(r.res), "COMMIT") != 0) {
        auto lines = r.res && succeeded(r.res) ? std::vector<std::string>{"the transaction was rolled back at commit"}
                                               : resultErrorLines(conn_, r.res);
        auto failure = failed(statements.size(), std::move(lines));
        failure.outcomeUnknown = connectionLost();
        return failure;
    }
    return std::nullopt;
}

namespace {

// COPY … FROM STDIN in text format, sent in chunks.
class PostgresTableWriter : public TableWriter {
public:
    PostgresTableWriter(PGconn* conn, const std::string& table, const std::vector<std::string>& columns)
        : conn_(conn), columns_(columns.size()) {
        std::string sql = "copy " + table + " (";
        for (std::size_t i = 0; i < columns.size(); ++i) sql += (i ? "," : "") + columns[i];
        sql += ") from stdin";
        Result r(PQexec(conn_, sql.c_str()));
        if (!r.res || PQresultStatus(r.res) != PGRES_COPY_IN) throw DatabaseError(resultErrorLines(conn_, r.res));
        open_ = true;
    }

    ~PostgresTableWriter() override {
        if (open_) {
            PQputCopyEnd(conn_, "abandoned");
            while (PGresult* r = PQgetResult(conn_)) PQclear(r);
        }
    }

    void addRow(std::span<const Variant> values) override {
        if (values.size() != columns_)
            throw DatabaseError({"a row of " + std::to_string(values.size()) + " values for " +
                                 std::to_string(columns_) + " columns"});
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i) buffer_ += '\t';
            const Variant& v = values[i];
            switch (v.type()) {
            case Variant::Type::Empty:
            case Variant::Type::Null: buffer_ += "\\N"; break;
            case Variant::Type::Text:
                for (char c : v.asText()) {
                    switch (c) {
                    case '\\': buffer_ += "\\\\"; break;
                    case '\t': buffer_ += "\\t"; break;
                    case '\n': buffer_ += "\\n"; break;
                    case '\r': buffer_ += "\\r"; break;
                    default: buffer_ += c;
                    }
                }
                break;
            case Variant::Type::Double: {
                char buf[40];
                auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v.asDouble());
                buffer_.append(buf, end);
                break;
            }
            default: buffer_ += v.toText(); break;
            }
        }
        buffer_ += '\n';
        if (buffer_.size() >= 1 << 16) flush();
    }

    void finish() override {
        flush();
        open_ = false;
        if (PQputCopyEnd(conn_, nullptr) != 1) throw DatabaseError(messageLines(PQerrorMessage(conn_)));
        std::vector<std::string> error;
        while (PGresult* r = PQgetResult(conn_)) {
            if (PQresultStatus(r) != PGRES_COMMAND_OK && error.empty()) error = resultErrorLines(conn_, r);
            PQclear(r);
        }
        if (!error.empty()) throw DatabaseError(error);
    }

private:
    void flush() {
        if (buffer_.empty()) return;
        if (PQputCopyData(conn_, buffer_.data(), static_cast<int>(buffer_.size())) != 1)
            throw DatabaseError(messageLines(PQerrorMessage(conn_)));
        buffer_.clear();
    }

    PGconn* conn_;
    std::size_t columns_;
    std::string buffer_;
    bool open_ = false;
};

}  // namespace

std::unique_ptr<TableWriter> PostgresDatabase::writeTable(const std::string& table,
                                                          const std::vector<std::string>& columns) {
    return std::make_unique<PostgresTableWriter>(conn_, table, columns);
}

std::vector<std::string> PostgresDatabase::tableNames() {
    auto p = query("select lower(table_name) from information_schema.tables where table_schema=current_schema() "
                   "and table_type='BASE TABLE' order by 1");
    std::vector<std::string> names;
    for (std::size_t r = 0; r < p->rowCount(); ++r) names.emplace_back(p->text(r, 0));
    return names;
}

}  // namespace trunaccount::coord
