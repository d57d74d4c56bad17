#include "coordinator/sqlite_database.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/text.h"

namespace trunaccount::coord {

namespace {

// ---- left(text, n) and right(text, n), counted in characters of UTF-8 ----

bool isContinuationByte(unsigned char c) { return (c & 0xC0) == 0x80; }

// Byte offset of the character numbered `chars` (from 0), or the text's end.
std::size_t offsetOfChar(std::string_view s, std::int64_t chars) {
    std::size_t i = 0;
    for (std::int64_t k = 0; k < chars && i < s.size(); ++k) {
        ++i;
        while (i < s.size() && isContinuationByte(static_cast<unsigned char>(s[i]))) ++i;
    }
    return i;
}

std::int64_t charCount(std::string_view s) {
    return std::count_if(s.begin(), s.end(), [](char c) { return !isContinuationByte(static_cast<unsigned char>(c)); });
}

// As PostgreSQL defines them: left(s, n) is the first n characters, or all but
// the last |n| when n is negative; right(s, n) the last n, or all but the first |n|.
void textPart(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool fromLeft) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    std::string_view s(p ? p : "", static_cast<std::size_t>(sqlite3_value_bytes(argv[0])));
    std::int64_t n = sqlite3_value_int64(argv[1]);
    std::int64_t len = charCount(s);
    std::int64_t keep = n >= 0 ? std::min(n, len) : std::max<std::int64_t>(0, len + n);
    std::string_view part = fromLeft ? s.substr(0, offsetOfChar(s, keep)) : s.substr(offsetOfChar(s, len - keep));
    sqlite3_result_text(ctx, part.data(), static_cast<int>(part.size()), SQLITE_TRANSIENT);
}

void leftFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) { textPart(ctx, argc, argv, true); }
void rightFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) { textPart(ctx, argc, argv, false); }

// ---- column kinds ----

std::optional<ColumnKind> kindOfDeclaredType(const char* decl, int& width) {
    width = 0;
    if (!decl) return std::nullopt;
    std::string t = platform::asciiLower(decl);
    // SQLite's own affinity rules, in its order.
    if (t.find("int") != std::string::npos) return ColumnKind::Integer;
    if (t.find("char") != std::string::npos || t.find("clob") != std::string::npos ||
        t.find("text") != std::string::npos) {
        auto open = t.find('(');
        if (open != std::string::npos) {
            int w = 0;
            auto [ptr, ec] = std::from_chars(t.data() + open + 1, t.data() + t.size(), w);
            if (ec == std::errc() && w > 0) width = w;
        }
        return ColumnKind::Text;
    }
    if (t.find("real") != std::string::npos || t.find("floa") != std::string::npos ||
        t.find("doub") != std::string::npos)
        return ColumnKind::Float;
    return std::nullopt;  // numeric or none: decided by the values
}

// The cells of a result, row by row, before the column kinds are known.
struct CellBuffer {
    std::vector<unsigned char> types;  // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB, SQLITE_NULL
    std::vector<std::int64_t> integers;
    std::vector<double> floats;
    std::vector<std::size_t> textEnds;
    std::string chars;
    std::size_t nextInteger = 0, nextFloat = 0, nextText = 0;
};

struct Statement {
    sqlite3_stmt* stmt = nullptr;
    ~Statement() { sqlite3_finalize(stmt); }
};

// True when the text from p to end holds no statement: only blanks,
// semicolons and comments, as SQLite's own tokenizer reads them.
bool holdsNoStatement(sqlite3* db, const char* p, const char* end) {
    while (p < end) {
        Statement s;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, p, static_cast<int>(end - p), &s.stmt, &tail) != SQLITE_OK || s.stmt ||
            !tail || tail <= p)
            return false;
        p = tail;
    }
    return true;
}

// Opens the file with the flags and makes it ready for the coordinator's SQL.
sqlite3* openHandle(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string why = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw DatabaseError({"cannot open the SQLite database '" + path + "': " + why});
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    for (auto [name, fn] : {std::pair{"left", &leftFunction}, std::pair{"right", &rightFunction}})
        sqlite3_create_function_v2(db, name, 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fn, nullptr, nullptr,
                                   nullptr);
    // A file that is not a database opens without complaint; reading tells.
    Statement s;
    rc = sqlite3_prepare_v2(db, "select count(*) from sqlite_master", -1, &s.stmt, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(s.stmt) == SQLITE_ROW ? SQLITE_OK : sqlite3_errcode(db);
    if (rc != SQLITE_OK) {
        std::string why = sqlite3_errmsg(db);
        sqlite3_finalize(s.stmt);
        s.stmt = nullptr;
        sqlite3_close(db);
        throw DatabaseError({"cannot open the SQLite database '" + path + "': " + why});
    }
    return db;
}

}  // namespace

std::string quoteTextFunctionCalls(std::string_view sql) {
    auto isWordChar = [](char c) {
        unsigned char u = static_cast<unsigned char>(c);
        return std::isalnum(u) || c == '_' || c == '$' || u >= 0x80;
    };
    std::string out;
    out.reserve(sql.size() + 8);
    std::size_t i = 0, n = sql.size();
    auto copyUntil = [&](std::size_t end) {
        out.append(sql.substr(i, end - i));
        i = end;
    };
    while (i < n) {
        char c = sql[i];
        if (c == '\'' || c == '"' || c == '`' || c == '[') {
            char close = c == '[' ? ']' : c;
            std::size_t j = i + 1;
            for (;;) {
                j = sql.find(close, j);
                if (j == std::string_view::npos) { j = n; break; }
                ++j;
                if (close != ']' && j < n && sql[j] == close) { ++j; continue; }  // doubled quote
                break;
            }
            copyUntil(j);
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            auto j = sql.find('\n', i);
            copyUntil(j == std::string_view::npos ? n : j);
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            auto j = sql.find("*/", i + 2);
            copyUntil(j == std::string_view::npos ? n : j + 2);
        } else if (isWordChar(c)) {
            std::size_t j = i;
            while (j < n && isWordChar(sql[j])) ++j;
            std::string_view word = sql.substr(i, j - i);
            std::size_t k = j;
            while (k < n && platform::isBlankOrControl(sql[k])) ++k;
            bool call = k < n && sql[k] == '(' &&
                        (platform::equalsIgnoreAsciiCase(word, "left") || platform::equalsIgnoreAsciiCase(word, "right"));
            if (call) {
                out += '"';
                out.append(word);
                out += '"';
                i = j;
            } else {
                copyUntil(j);
            }
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

SqliteDatabase::SqliteDatabase(const std::string& path, OpenMode mode) : path_(path) {
    // Read and write where the file's permission allows it, else read only.
    int flags = SQLITE_OPEN_READWRITE;
    if (mode == OpenMode::Create) flags |= SQLITE_OPEN_CREATE;
    db_ = openHandle(path, flags);
    readOnly_ = sqlite3_db_readonly(db_, "main") == 1;
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close(db_); }

void SqliteDatabase::reopenIfReadOnly() {
    if (!readOnly_ || !sqlite3_get_autocommit(db_)) return;
    sqlite3* fresh = nullptr;
    try {
        fresh = openHandle(path_, SQLITE_OPEN_READWRITE);
    } catch (const DatabaseError&) {
        return;  // the file went away or broke: the handle open so far tells on use
    }
    if (sqlite3_db_readonly(fresh, "main") == 1) {
        sqlite3_close(fresh);
        return;
    }
    sqlite3_close(db_);
    db_ = fresh;
    readOnly_ = false;
}

std::vector<std::string> SqliteDatabase::errorLines() const { return messageLines(sqlite3_errmsg(db_)); }

// Runs every statement of the text, stepping each to its end.
void SqliteDatabase::runAll(std::string_view sql) {
    std::string text = quoteTextFunctionCalls(sql);
    const char* p = text.data();
    const char* end = text.data() + text.size();
    while (p < end) {
        Statement s;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db_, p, static_cast<int>(end - p), &s.stmt, &tail) != SQLITE_OK)
            throw DatabaseError(errorLines());
        p = tail;
        if (!s.stmt) continue;  // blanks or a comment
        int rc;
        while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) throw DatabaseError(errorLines());
    }
}

void SqliteDatabase::runOne(std::string_view sql) {
    std::string text = quoteTextFunctionCalls(sql);
    const char* end = text.data() + text.size();
    Statement s;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, text.data(), static_cast<int>(text.size()), &s.stmt, &tail) != SQLITE_OK)
        throw DatabaseError(errorLines());
    if (!s.stmt) throw DatabaseError({"the statement text holds no statement"});
    if (!holdsNoStatement(db_, tail, end))
        throw DatabaseError({"a statement text runs one statement; the text goes on after it: " + std::string(tail, end)});
    int rc;
    while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) throw DatabaseError(errorLines());
}

void SqliteDatabase::execute(std::string_view sql) { runAll(sql); }

std::shared_ptr<DataPacket> SqliteDatabase::query(std::string_view sql) {
    reopenIfReadOnly();
    std::string text = quoteTextFunctionCalls(sql);
    Statement s;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, text.data(), static_cast<int>(text.size()), &s.stmt, &tail) != SQLITE_OK)
        throw DatabaseError(errorLines());
    if (!s.stmt) throw DatabaseError({"the query text holds no statement"});
    const char* end = text.c_str() + text.size();
    if (!holdsNoStatement(db_, tail, end))
        throw DatabaseError({"a query runs one statement; the text goes on after it: " + std::string(tail, end)});

    const int cols = sqlite3_column_count(s.stmt);
    CellBuffer cells;
    int rc;
    while ((rc = sqlite3_step(s.stmt)) == SQLITE_ROW) {
        for (int c = 0; c < cols; ++c) {
            int t = sqlite3_column_type(s.stmt, c);
            cells.types.push_back(static_cast<unsigned char>(t));
            switch (t) {
            case SQLITE_INTEGER: cells.integers.push_back(sqlite3_column_int64(s.stmt, c)); break;
            case SQLITE_FLOAT: cells.floats.push_back(sqlite3_column_double(s.stmt, c)); break;
            case SQLITE_TEXT:
            case SQLITE_BLOB: {
                const void* data = t == SQLITE_TEXT ? static_cast<const void*>(sqlite3_column_text(s.stmt, c))
                                                    : sqlite3_column_blob(s.stmt, c);
                int bytes = sqlite3_column_bytes(s.stmt, c);
                if (bytes > 0) cells.chars.append(static_cast<const char*>(data), static_cast<std::size_t>(bytes));
                cells.textEnds.push_back(cells.chars.size());
                break;
            }
            default: break;
            }
        }
    }
    if (rc != SQLITE_DONE) throw DatabaseError(errorLines());
    const std::size_t rows = cols ? cells.types.size() / static_cast<std::size_t>(cols) : 0;

    // Kinds: the declared type where the values agree with it, else what the
    // values are (text over float over integer; a column of nulls only is text).
    std::vector<PacketColumn> columns;
    for (int c = 0; c < cols; ++c) {
        bool seenText = false, seenFloat = false, seenInteger = false;
        for (std::size_t r = 0; r < rows; ++r) {
            switch (cells.types[r * cols + c]) {
            case SQLITE_INTEGER: seenInteger = true; break;
            case SQLITE_FLOAT: seenFloat = true; break;
            case SQLITE_TEXT:
            case SQLITE_BLOB: seenText = true; break;
            }
        }
        int width = 0;
        auto declared = kindOfDeclaredType(sqlite3_column_decltype(s.stmt, c), width);
        ColumnKind kind;
        if (seenText) kind = ColumnKind::Text;
        else if (declared) kind = *declared == ColumnKind::Integer && seenFloat ? ColumnKind::Float : *declared;
        else kind = seenFloat ? ColumnKind::Float : seenInteger ? ColumnKind::Integer : ColumnKind::Text;
        if (kind != ColumnKind::Text || declared != ColumnKind::Text) width = 0;
        columns.push_back({sqlite3_column_name(s.stmt, c), kind, width});
    }

    auto packet = std::make_shared<DataPacket>(std::move(columns));
    packet->reserve(rows);
    std::size_t textStart = 0;
    for (std::size_t i = 0; i < cells.types.size(); ++i) {
        switch (cells.types[i]) {
        case SQLITE_INTEGER: packet->addInteger(cells.integers[cells.nextInteger++]); break;
        case SQLITE_FLOAT: packet->addFloat(cells.floats[cells.nextFloat++]); break;
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            std::size_t end = cells.textEnds[cells.nextText++];
            packet->addText(std::string_view(cells.chars).substr(textStart, end - textStart));
            textStart = end;
            break;
        }
        default: packet->addNull(); break;
        }
        if ((i + 1) % static_cast<std::size_t>(cols) == 0) packet->endRow();
    }
    return packet;
}

std::optional<BatchFailure> SqliteDatabase::execBatch(std::span<const std::string> statements) {
    reopenIfReadOnly();
    // Immediate: the write lock is taken now, so no statement waits half way.
    try {
        runAll("begin immediate");
    } catch (const DatabaseError&) {
        // Another writer held the lock for longer than the busy timeout.
        if ((sqlite3_extended_errcode(db_) & 0xFF) == SQLITE_BUSY) throw DatabaseError(writerBusyLines(busyTimeoutMs()));
        throw;
    }
    if (auto lines = notifyBatchBegun()) {
        rollbackQuietly();
        throw DatabaseError(std::move(*lines));
    }
    for (std::size_t i = 0; i < statements.size(); ++i) {
        try {
            runOne(statements[i]);
        } catch (const DatabaseError& e) {
            try {
                runAll("rollback");
            } catch (const DatabaseError&) {
                // A failed statement may have ended the transaction already.
            }
            return BatchFailure{i, e.lines()};
        }
    }
    if (auto lines = notifyBatchEnding()) {
        rollbackQuietly();
        return BatchFailure{statements.size(), std::move(*lines)};
    }
    try {
        runAll("commit");
    } catch (const DatabaseError& e) {
        rollbackQuietly();
        return BatchFailure{statements.size(), e.lines()};
    }
    return std::nullopt;
}

void SqliteDatabase::rollbackQuietly() {
    try {
        runAll("rollback");
    } catch (const DatabaseError&) {
        // A failed statement may have ended the transaction already.
    }
}

long long SqliteDatabase::busyTimeoutMs() {
    try {
        auto p = query("pragma busy_timeout");
        return p->rowCount() ? p->integerValue(0, 0) : 0;
    } catch (const DatabaseError&) {
        return 0;
    }
}

namespace {

class SqliteTableWriter : public TableWriter {
public:
    SqliteTableWriter(sqlite3* db, const std::string& table, const std::vector<std::string>& columns) : db_(db) {
        std::string sql = "insert into " + table + " (";
        std::string marks;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            sql += (i ? "," : "") + columns[i];
            marks += i ? ",?" : "?";
        }
        sql += ") values (" + marks + ")";
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s_.stmt, nullptr) != SQLITE_OK)
            throw DatabaseError(messageLines(sqlite3_errmsg(db_)));
        columns_ = static_cast<int>(columns.size());
    }

    void addRow(std::span<const Variant> values) override {
        if (static_cast<int>(values.size()) != columns_)
            throw DatabaseError({"a row of " + std::to_string(values.size()) + " values for " +
                                 std::to_string(columns_) + " columns"});
        sqlite3_reset(s_.stmt);
        for (int i = 0; i < columns_; ++i) {
            const Variant& v = values[static_cast<std::size_t>(i)];
            switch (v.type()) {
            case Variant::Type::Integer: sqlite3_bind_int64(s_.stmt, i + 1, v.asInteger()); break;
            case Variant::Type::Double: sqlite3_bind_double(s_.stmt, i + 1, v.asDouble()); break;
            case Variant::Type::Bool: sqlite3_bind_int(s_.stmt, i + 1, v.asBool() ? 1 : 0); break;
            case Variant::Type::Text:
                sqlite3_bind_text(s_.stmt, i + 1, v.asText().data(), static_cast<int>(v.asText().size()),
                                  SQLITE_STATIC);
                break;
            default: sqlite3_bind_null(s_.stmt, i + 1); break;
            }
        }
        if (sqlite3_step(s_.stmt) != SQLITE_DONE) throw DatabaseError(messageLines(sqlite3_errmsg(db_)));
    }

    void finish() override {}

private:
    sqlite3* db_;
    Statement s_;
    int columns_ = 0;
};

}  // namespace

std::unique_ptr<TableWriter> SqliteDatabase::writeTable(const std::string& table,
                                                        const std::vector<std::string>& columns) {
    return std::make_unique<SqliteTableWriter>(db_, table, columns);
}

std::vector<std::string> SqliteDatabase::tableNames() {
    auto p = query("select lower(name) from sqlite_master where type='table' and name not like 'sqlite!_%' escape '!' order by 1");
    std::vector<std::string> names;
    for (std::size_t r = 0; r < p->rowCount(); ++r) names.emplace_back(p->text(r, 0));
    return names;
}

}  // namespace trunaccount::coord
