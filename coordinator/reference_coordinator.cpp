#include "coordinator/reference_coordinator.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>

#include "coordinator/audit.h"
#include "coordinator/json.h"
#include "coordinator/trace.h"
#include "data/sql_quote.h"
#include "platform/coordinator_server.h"

namespace trunaccount::coord {

namespace {

// What one call did, for the trace.
struct CallRecord {
    explicit CallRecord(std::string_view name) : op(name) {}
    std::string_view op;
    std::string args = "{}";  // a JSON object
    bool ok = false;
    std::optional<std::size_t> rows;
    std::optional<std::size_t> statements;
    std::optional<std::string> value;
    std::vector<std::string> error;
    std::optional<std::string> exception;
};

// Hands the error lines back in the by-reference argument, as callers expect.
bool fail(Variant& arg, std::vector<std::string> lines, CallRecord& rec) {
    Variant::Array a;
    for (auto& l : lines) a.emplace_back(l);
    arg = Variant(std::move(a));
    rec.error = std::move(lines);
    return false;
}

// A NUL character ends a text for the database's parser: SQL with one inside
// would be cut short or refused with the raw tokenizer text. Names where it is.
std::optional<std::string> nulCharacterProblem(std::string_view sql) {
    auto at = sql.find('\0');
    if (at == std::string_view::npos) return std::nullopt;
    return "SQL 文本的第 " + std::to_string(at + 1) +
           " 个字节是空字符（NUL，代码 0），数据库不接受；请删去值中的这个不可见字符";
}

// The statement as it can be shown: NUL characters written as "[NUL]".
std::string shownStatement(std::string_view sql) {
    std::string s;
    for (char c : sql) {
        if (c == '\0') s += "[NUL]";
        else s += c;
    }
    return s;
}

std::string wallClockNow() {
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    return buf;
}

class ReferenceCoordinator : public platform::CoordinatorServer {
public:
    ReferenceCoordinator(std::unique_ptr<Database> db, Clock clock, std::unique_ptr<TraceFile> trace)
        : db_(std::move(db)), clock_(std::move(clock)), trace_(std::move(trace)) {}

protected:
    bool queryData(const Variant& sql, Variant& data) override {
        CallRecord rec{"QueryData"};
        if (trace_) rec.args = objectWith("sql", sql);
        return traced(rec, [&] {
            if (!sql.isText())
                return fail(data, {"QueryData 需要一条 SQL 文本，收到的是 " + std::string(sql.typeName())}, rec);
            if (auto nul = nulCharacterProblem(sql.asText()))
                return fail(data, {*nul, "出错的查询：" + shownStatement(sql.asText())}, rec);
            try {
                std::shared_ptr<const DataPacket> packet = db_->query(sql.asText());
                rec.rows = packet->rowCount();
                data = Variant(std::move(packet));
                return true;
            } catch (const DatabaseError& e) {
                return fail(data, e.lines(), rec);
            }
        });
    }

    bool execBatch(Variant& statements) override {
        CallRecord rec{"ExecBatch"};
        if (trace_) rec.args = objectWith("statements", statements);
        return traced(rec, [&] {
            // Nothing to carry out is not an error: an empty list arrives as an
            // empty variant or an empty array.
            if (statements.isEmpty()) {
                rec.statements = 0;
                return true;
            }
            if (!statements.isArray())
                return fail(statements,
                            {"ExecBatch 需要一个 SQL 语句数组，收到的是 " + std::string(statements.typeName())}, rec);
            std::vector<std::string> texts;
            const auto& items = statements.asArray();
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (!items[i].isText())
                    return fail(statements,
                                {"批处理第 " + std::to_string(i + 1) + " 条语句不是文本（" +
                                 std::string(items[i].typeName()) + "），全部语句均未执行"},
                                rec);
                texts.push_back(items[i].asText());
                if (auto nul = nulCharacterProblem(texts.back()))
                    return fail(statements,
                                {"批处理第 " + std::to_string(i + 1) + " 条语句有误，全部语句均未执行：", *nul,
                                 "出错的语句：" + shownStatement(texts.back())},
                                rec);
            }
            std::optional<BatchFailure> failure;
            try {
                failure = db_->execBatch(texts);
            } catch (const DatabaseError& e) {
                auto lines = e.lines();
                lines.insert(lines.begin(), "批处理无法开始事务，全部语句均未执行：");
                return fail(statements, std::move(lines), rec);
            }
            if (!failure) {
                rec.statements = texts.size();
                return true;
            }
            const std::string count = std::to_string(texts.size());
            std::vector<std::string> lines;
            if (failure->index < texts.size())
                lines.push_back("批处理第 " + std::to_string(failure->index + 1) + " 条语句出错（共 " + count +
                                " 条），全部语句已撤销：");
            else if (failure->outcomeUnknown)
                lines.push_back("批处理提交时与数据库的连接断开（共 " + count +
                                " 条语句），无法确定是否已保存，请重新查询核对：");
            else
                lines.push_back("批处理提交时出错（共 " + count + " 条语句），全部语句已撤销：");
            lines.insert(lines.end(), failure->lines.begin(), failure->lines.end());
            if (failure->index < texts.size()) lines.push_back("出错的语句：" + texts[failure->index]);
            return fail(statements, std::move(lines), rec);
        });
    }

    bool getYearMonth(Variant& value) override {
        return clockValue("GetYearMonth", value, [](const ClockReading& c) { return c.date.substr(0, 6); });
    }

    bool getServerDate(Variant& value) override {
        return clockValue("GetServerDate", value, [](const ClockReading& c) { return c.date; });
    }

    bool getServerDateTime(Variant& value) override {
        return clockValue("GetServerDateTime", value, [](const ClockReading& c) { return c.date + c.time; });
    }

    bool getOperatorName(std::int32_t kind, Variant& value) override {
        CallRecord rec{"GetOperatorName"};
        if (trace_) {
            rec.args = "{\"kind\":" + std::to_string(kind) + ",\"code\":";
            appendJsonValue(rec.args, value);
            rec.args += '}';
        }
        return traced(rec, [&] {
            if (kind != 1)
                return fail(value, {"GetOperatorName 只支持查询方式 1，收到的是 " + std::to_string(kind)}, rec);
            if (!value.isText())
                return fail(value, {"职员编码应为文本，收到的是 " + std::string(value.typeName())}, rec);
            const std::string code = value.asText();
            try {
                std::shared_ptr<const DataPacket> packet = db_->query(
                    "select f_zymc from " + std::string(kOperatorTable) + " where f_zybm='" + SqlValue(code) + "'");
                rec.rows = packet->rowCount();
                if (packet->rowCount() == 0) return fail(value, {"没有编码为“" + code + "”的职员"}, rec);
                value = Variant(std::move(packet));
                return true;
            } catch (const DatabaseError& e) {
                return fail(value, e.lines(), rec);
            }
        });
    }

    Variant getDbType() override {
        CallRecord rec{"GetDbType"};
        traced(rec, [&] {
            rec.value = std::string(db_->typeName());
            return true;
        });
        return Variant(db_->typeName());
    }

    bool getSystemParams(Variant& value) override {
        CallRecord rec{"GetSystemParams"};
        return traced(rec, [&] {
            try {
                // The key keeps the letter case callers look it up by.
                std::shared_ptr<const DataPacket> packet = db_->query(
                    "select f_csmc as \"f_Csmc\",f_csz from " + std::string(kParameterTable) + " order by f_csmc");
                rec.rows = packet->rowCount();
                value = Variant(std::move(packet));
                return true;
            } catch (const DatabaseError& e) {
                return fail(value, e.lines(), rec);
            }
        });
    }

private:
    static std::string objectWith(std::string_view key, const Variant& v) {
        std::string s = "{";
        appendJsonString(s, key);
        s += ':';
        appendJsonValue(s, v);
        s += '}';
        return s;
    }

    bool clockValue(std::string_view op, Variant& value, std::string (*pick)(const ClockReading&)) {
        CallRecord rec{op};
        return traced(rec, [&] {
            value = Variant(pick(clock_.now()));
            rec.value = value.asText();
            return true;
        });
    }

    // Runs one operation and appends its record to the trace, also when an
    // error escapes it (the dispatch turns that into an exception status).
    bool traced(CallRecord& rec, const std::function<bool()>& body) {
        if (!trace_) return body();
        const std::string started = wallClockNow();
        const auto t0 = std::chrono::steady_clock::now();
        try {
            rec.ok = body();
        } catch (const std::exception& e) {
            rec.ok = false;
            rec.exception = e.what();
            writeTrace(rec, started, t0);
            throw;
        }
        writeTrace(rec, started, t0);
        return rec.ok;
    }

    void writeTrace(const CallRecord& rec, const std::string& started, std::chrono::steady_clock::time_point t0) {
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        std::string line = "{\"time\":";
        appendJsonString(line, started);
        line += ",\"op\":";
        appendJsonString(line, rec.op);
        line += ",\"args\":" + rec.args + ",\"ok\":" + (rec.ok ? "true" : "false");
        if (rec.rows) line += ",\"rows\":" + std::to_string(*rec.rows);
        if (rec.statements) line += ",\"statements\":" + std::to_string(*rec.statements);
        if (rec.value) {
            line += ",\"value\":";
            appendJsonString(line, *rec.value);
        }
        if (!rec.error.empty()) {
            line += ",\"error\":[";
            for (std::size_t i = 0; i < rec.error.size(); ++i) {
                if (i) line += ',';
                appendJsonString(line, rec.error[i]);
            }
            line += ']';
        }
        if (rec.exception) {
            line += ",\"exception\":";
            appendJsonString(line, *rec.exception);
        }
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.3f", ms);
        line += ",\"ms\":";
        line += buf;
        line += '}';
        trace_->writeLine(line);
    }

    std::unique_ptr<Database> db_;
    Clock clock_;
    std::unique_ptr<TraceFile> trace_;
};

}  // namespace

CoordinatorRef makeCoordinator(std::unique_ptr<Database> database, Clock clock, std::string traceFile) {
    std::unique_ptr<TraceFile> trace;
    if (!traceFile.empty()) trace = std::make_unique<TraceFile>(traceFile);
    database->setBatchObserver(makeAuditRecorder());  // seals the tick audit's entries of every batch
    return CoordinatorRef(new ReferenceCoordinator(std::move(database), std::move(clock), std::move(trace)));
}

CoordinatorRef openCoordinator(const CoordinatorOptions& options, std::vector<std::string>* notices) {
    if (options.database.empty()) throw DatabaseError({"no database given (an SQLite file or a postgresql:// URI)"});
    Clock clock = options.fixedClock.empty() ? Clock() : Clock::fixedAt(options.fixedClock);
    auto database = openDatabase(options.database, OpenMode::Existing);
    if (notices && database->readOnly())
        notices->push_back("数据库 " + options.database +
                           " 只能读取（没有写权限）：可以查询，保存会失败；改正文件权限后，下一次操作即以读写方式重新打开");
    return makeCoordinator(std::move(database), std::move(clock), options.traceFile);
}

}  // namespace trunaccount::coord
