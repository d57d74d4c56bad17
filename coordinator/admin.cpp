#include "coordinator/admin.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <sstream>
#include <optional>
#include <variant>
#include <stdexcept>
#include <string_view>

#include "coordinator/audit.h"
#include "coordinator/demo_data.h"
#include "coordinator/demo_statement.h"
#include "data/text_functions.h"
#include "data/veyra_class.h"
#include "coordinator/json.h"
#include "coordinator/postgres_database.h"
#include "coordinator/reference_coordinator.h"
#include "platform/coordinator_calls.h"
#include "platform/text.h"
#include "reconcile/document_query.h"
#include "reconcile/row_set.h"
#include "reconcile/statement_candidates.h"
#include "statement/statement_text.h"

namespace trunaccount::coord {

namespace {

constexpr std::string_view kProgram = "trunaccount-admin";

// The command line is wrong: exit status 2 with the usage hint.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The work failed: exit status 1.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OptionSpec {
    std::string_view name;  // with the dashes
    std::string_view value; // the value's placeholder; empty for a flag
    std::string_view help;
    bool required = false;
};

class Options {
public:
    Options(const std::vector<OptionSpec>& defs, const std::vector<std::string>& args) {
        for (std::size_t i = 0; i < args.size(); ++i) {
            std::string_view a = args[i];
            std::string value;
            bool inlineValue = false;
            if (auto eq = a.find('='); a.starts_with("--") && eq != std::string_view::npos) {
                value = std::string(a.substr(eq + 1));
                a = a.substr(0, eq);
                inlineValue = true;
            }
            const OptionSpec* known = nullptr;
            for (const auto& s : defs)
                if (s.name == a) known = &s;
            if (!known) throw UsageError("unknown option '" + std::string(a) + "'");
            if (known->value.empty()) {
                if (inlineValue) throw UsageError("option " + std::string(a) + " takes no value");
                values_[std::string(a)] = "";
                continue;
            }
            if (!inlineValue) {
                if (i + 1 >= args.size()) throw UsageError("option " + std::string(a) + " needs a value");
                value = args[++i];
            }
            values_[std::string(a)] = value;
        }
        for (const auto& s : defs)
            if (s.required && !has(s.name)) throw UsageError("option " + std::string(s.name) + " is required");
    }

    bool has(std::string_view name) const { return values_.count(std::string(name)) > 0; }
    std::string get(std::string_view name, std::string fallback = {}) const {
        auto it = values_.find(std::string(name));
        return it == values_.end() ? fallback : it->second;
    }
    long long number(std::string_view name, long long fallback, long long least, long long most) const {
        if (!has(name)) return fallback;
        std::string v = get(name);
        std::size_t used = 0;
        long long n = 0;
        try {
            n = std::stoll(v, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != v.size()) throw UsageError("option " + std::string(name) + " needs a number, not '" + v + "'");
        if (n < least || n > most)
            throw UsageError("option " + std::string(name) + " must lie between " + std::to_string(least) + " and " +
                             std::to_string(most));
        return n;
    }

private:
    std::map<std::string, std::string> values_;
};

struct Command {
    std::string_view name;
    std::string_view summary;
    std::vector<OptionSpec> options;
    std::function<int(const Options&, std::ostream& out, std::ostream& err)> run;
};

const OptionSpec kDb{"--db", "DB", "an SQLite file or a postgresql://user@host:port/database URI", true};
const OptionSpec kClock{"--clock", "YYYYMMDD[ HH:MM:SS]", "the coordinator's clock stands still at this moment"};
const OptionSpec kTrace{"--trace", "FILE", "append every coordinator call to FILE as a JSON line"};

// The coordinator over --db; what the user should know about the database
// (it can only be read) goes to `err`.
CoordinatorRef openFor(const Options& o, std::ostream& err) {
    CoordinatorOptions c;
    c.database = o.get("--db");
    c.fixedClock = o.get("--clock");
    c.traceFile = o.get("--trace");
    try {
        std::vector<std::string> notices;
        auto coordinator = openCoordinator(c, &notices);
        for (const auto& n : notices) err << kProgram << ": " << n << "\n";
        return coordinator;
    } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());
    } catch (const std::exception& e) {
        throw Failure(e.what());
    }
}

std::string errorText(const Variant& lines) {
    std::string text;
    if (lines.isArray())
        for (const auto& l : lines.asArray()) text += "  " + l.textForm().value_or("?") + "\n";
    return text;
}

// ---- create-demo ----

int createDemo(const Options& o, std::ostream& out, std::ostream& err) {
    DemoOptions demo;
    demo.today = o.get("--today", Clock().now().date);
    demo.months = static_cast<int>(o.number("--months", 12, 1, 1200));
    demo.docsPerMonth = static_cast<int>(o.number("--docs-per-month", 200, 1, 1000000));
    demo.seed = static_cast<std::uint64_t>(o.number("--seed", 1, 0, std::numeric_limits<long long>::max()));
    demo.audit = !o.has("--no-audit");
    try {
        demoFirstMonth(demo);  // checks today and months before anything is touched
    } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());
    }
    const std::string location = o.get("--db");
    const bool sqlite = !isPostgresUri(location);
    const bool fileExisted = sqlite && std::filesystem::exists(location);
    std::unique_ptr<Database> db;
    try {
        db = openDatabase(location, OpenMode::Create);
    } catch (const DatabaseError& e) {
        throw Failure(e.what());
    }
    auto started = std::chrono::steady_clock::now();
    try {
        auto tables = db->tableNames();
        if (!tables.empty()) {
            if (!o.has("--force"))
                throw Failure("the database " + location + " is not empty (" + std::to_string(tables.size()) +
                              " tables, the first " + tables.front() +
                              "); use --force to replace its demo tables");
            dropDemoTables(*db);
        }
        auto summary = createDemoDatabase(*db, demo);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        char took[32];
        std::snprintf(took, sizeof took, "%.1f", seconds);
        out << "created the demo database " << (sqlite ? location : postgresUriForDisplay(location)) << ": months "
            << summary.firstMonth << " to " << summary.lastMonth << ", " << summary.rows.size() << " tables, "
            << summary.totalRows() << " rows, " << took << " s\n";
        return 0;
    } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());
    } catch (const DatabaseError& e) {
        db.reset();
        if (sqlite && !fileExisted) std::filesystem::remove(location);
        throw Failure(std::string("creating the demo database failed: ") + e.what());
    }
}

// ---- query ----

void writeCsvField(std::ostream& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out << text;
        return;
    }
    out << '"';
    for (char c : text) {
        if (c == '"') out << '"';
        out << c;
    }
    out << '"';
}

void writeCsv(std::ostream& out, const DataPacket& p) {
    for (std::size_t c = 0; c < p.columnCount(); ++c) {
        if (c) out << ',';
        writeCsvField(out, p.columns()[c].name);
    }
    out << '\n';
    for (std::size_t r = 0; r < p.rowCount(); ++r) {
        for (std::size_t c = 0; c < p.columnCount(); ++c) {
            if (c) out << ',';
            if (p.isNull(r, c)) continue;
            switch (p.columns()[c].kind) {
            case ColumnKind::Text: writeCsvField(out, p.text(r, c)); break;
            case ColumnKind::Float: out << platform::formatGeneral(p.floatValue(r, c)); break;
            case ColumnKind::Integer: out << p.integerValue(r, c); break;
            }
        }
        out << '\n';
    }
}

int query(const Options& o, std::ostream& out, std::ostream& err) {
    auto coordinator = openFor(o, err);
    Variant data;
    if (!platform::QueryData(*coordinator, o.get("--sql"), data))
        throw Failure("the query failed:\n" + errorText(data));
    if (!data.isPacket() || !data.asPacket()) throw Failure("the coordinator returned no data packet");
    if (o.has("--json")) {
        std::string json;
        appendJsonPacket(json, *data.asPacket());
        out << json << '\n';
    } else {
        writeCsv(out, *data.asPacket());
    }
    return 0;
}

// ---- exec ----

int exec(const Options& o, std::ostream& out, std::ostream& err) {
    const std::string path = o.get("--file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure("cannot read the file '" + path + "'");
    std::vector<std::string> statements;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!platform::trimBlanks(line).empty()) statements.push_back(line);
    }
    if (in.bad()) throw Failure("reading the file '" + path + "' failed");
    auto coordinator = openFor(o, err);
    Variant batch;
    if (!statements.empty()) {
        Variant::Array a;
        for (auto& s : statements) a.emplace_back(s);
        batch = Variant(std::move(a));
    }
    if (!platform::ExecBatch(*coordinator, batch)) throw Failure("the batch failed:\n" + errorText(batch));
    out << "executed " << statements.size() << " statement" << (statements.size() == 1 ? "" : "s")
        << " in one transaction\n";
    return 0;
}

// ---- params ----

// The request numbers of a comma-separated list ("0,1,63").
ParameterRequest parseRequest(const std::string& list) {
    ParameterRequest r;
    std::size_t pos = 0;
    while (pos <= list.size()) {
        auto comma = list.find(',', pos);
        std::string item(platform::trimBlanks(std::string_view(list).substr(pos, comma == std::string::npos ? std::string::npos : comma - pos)));
        if (item.empty() || !IsIntegerText(item)) throw UsageError("--request takes numbers 0 to 127 separated by commas");
        long n = std::stol(item);
        if (n < 0 || n > 127) throw UsageError("--request takes numbers 0 to 127 separated by commas");
        r.insert(static_cast<int>(n));
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return r;
}

void appendParameters(std::string& json, const SystemParameters& record) {
    json += "{";
    bool first = true;
    for (const auto& f : systemParameterFields()) {
        if (!first) json += ",";
        first = false;
        json += "\n  ";
        appendJsonString(json, f.name);
        json += ": ";
        std::visit(
            [&](auto member) {
                const auto& v = record.*member;
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::string>) appendJsonString(json, v);
                else if constexpr (std::is_same_v<T, bool>) json += v ? "true" : "false";
                else appendJsonNumber(json, static_cast<double>(v));
            },
            f.field);
    }
    json += "\n}";
}

int params(const Options& o, std::ostream& out, std::ostream& err) {
    auto request = o.has("--request") ? parseRequest(o.get("--request")) : windowParameterRequest();
    auto coordinator = openFor(o, err);
    TVeyraClass loader(coordinator, nullptr);
    SystemParameters record;
    record.operatorCode = o.has("--operator") ? o.get("--operator") : std::string("0001");
    std::string message;
    if (!loader.LoadParameters(record, request, message)) {
        // The loader's own words first; then why the coordinator refused, if it did.
        for (const auto& line : loader.coordinatorReason()) message += "\n" + line;
        throw Failure(message);
    }
    std::string json;
    appendParameters(json, record);
    out << json << '\n';
    return 0;
}

// ---- match and demo-statement ----

// The business type and date range of a command line, checked.
struct ListedRange {
    BusinessType type;
    std::string from, to;
};

ListedRange listedRange(const Options& o) {
    ListedRange r;
    r.type = static_cast<BusinessType>(o.number("--type", 0, 0, 4));
    r.from = o.get("--from");
    r.to = o.get("--to");
    for (const auto& d : {r.from, r.to})
        if (!statement::parseBankDate(d) || d.size() != 8) throw UsageError("'" + d + "' is not a date YYYYMMDD");
    if (r.from > r.to) throw UsageError("--from " + r.from + " lies after --to " + r.to);
    return r;
}

// The accounting unit: the option, or the parameter "hsdwh" a window loads.
std::string unitFor(const Options& o, ICoorDisp& coordinator) {
    if (o.has("--unit")) return o.get("--unit");
    TVeyraClass loader(CoordinatorRef(&coordinator), nullptr);
    SystemParameters record;
    record.operatorCode = "0001";
    std::string message;
    if (!loader.LoadParameters(record, windowParameterRequest(), message)) throw Failure(message);
    return record.hsdwh;
}

// The documents the input window lists for the range: unticked, every channel,
// payment method and reason; with their invoice numbers.
MatchCandidates listedDocuments(ICoorDisp& coordinator, BusinessType type, const std::string& from,
                                const std::string& to, const std::string& unit, std::ostream& err) {
    DocumentSearch search;
    search.startDate = from;
    search.endDate = to;
    search.type = type;
    search.tickState = TickState::Unticked;
    search.unit = unit;
    Variant data;
    if (!platform::QueryData(coordinator, buildDocumentQuery(search), data))
        throw Failure("the document search failed:\n" + errorText(data));
    if (!data.isPacket() || !data.asPacket()) throw Failure("the coordinator returned no data packet");
    ClientDataSet rows("cdspass");
    defineReconciliationFields(rows);
    rows.loadPacket(*data.asPacket());
    MatchCandidates candidates = matchCandidates(rows);
    if (auto problem = loadInvoiceNumbers(coordinator, type, candidates.documents, unit); !problem.empty())
        err << kProgram << " match: " << problem << "\n";
    return candidates;
}

int match(const Options& o, std::ostream& out, std::ostream& err) {
    const ListedRange range = listedRange(o);
    statement::Statement st;
    try {
        st = statement::readStatementFile(o.get("--statement"));
    } catch (const std::exception& e) {
        throw Failure(e.what());
    }
    auto coordinator = openFor(o, err);
    const std::string unit = unitFor(o, *coordinator);
    const MatchCandidates candidates = listedDocuments(*coordinator, range.type, range.from, range.to, unit, err);
    const auto matches = matchStatement(st.lines, candidates.documents, directionOf(range.type));
    for (const auto& r : lineResults(st, matches)) {
        std::vector<std::string> numbers;
        for (auto d : r.proposal.documents) numbers.push_back(candidates.documents[d].number);
        char score[16];
        std::snprintf(score, sizeof score, "%.2f", r.proposal.score);
        if (o.has("--json")) {
            std::string j = "{\"line\":" + std::to_string(r.sourceLine) + ",\"amount\":";
            j += r.amountCents ? statement::formatCents(*r.amountCents) : "null";
            j += ",\"documents\":[";
            for (std::size_t i = 0; i < numbers.size(); ++i) {
                if (i) j += ",";
                appendJsonString(j, numbers[i]);
            }
            j += std::string("],\"score\":") + score + ",\"reasons\":[";
            for (std::size_t i = 0; i < r.reasons.size(); ++i) {
                if (i) j += ",";
                appendJsonString(j, r.reasons[i]);
            }
            j += "],\"status\":";
            appendJsonString(j, statusName(r.status));
            out << j << "}\n";
        } else {
            std::string docs;
            for (const auto& n : numbers) docs += (docs.empty() ? "" : ",") + n;
            std::string reasons;
            for (const auto& t : r.reasons) reasons += (reasons.empty() ? "" : "; ") + t;
            out << "line " << r.sourceLine << "\t" << (r.amountCents ? statement::formatCents(*r.amountCents) : "-")
                << "\t" << statusName(r.status) << "\t" << score << "\t" << (docs.empty() ? "-" : docs) << "\t"
                << reasons << "\n";
        }
    }
    return 0;
}

int demoStatement(const Options& o, std::ostream& out, std::ostream& err) {
    const ListedRange range = listedRange(o);
    const std::string format = o.get("--format", "camt");
    if (format != "camt" && format != "mt940" && format != "ofx" && format != "csv" && format != "csv-gbk")
        throw UsageError("--format is one of camt, mt940, ofx, csv, csv-gbk");
    auto coordinator = openFor(o, err);
    const std::string unit = unitFor(o, *coordinator);
    const MatchCandidates listed = listedDocuments(*coordinator, range.type, range.from, range.to, unit, err);
    // Documents of the month before the range: paid, but not listed.
    std::vector<MatchDocument> unlisted;
    {
        int y = std::stoi(range.from.substr(0, 4)), m = std::stoi(range.from.substr(4, 2)) - 1;
        if (m < 1) m = 12, --y;
        char first[32], last[32];
        std::snprintf(first, sizeof first, "%04d%02d01", y, m);
        std::snprintf(last, sizeof last, "%04d%02d28", y, m);
        try {
            std::ostringstream quiet;
            unlisted = listedDocuments(*coordinator, range.type, first, last, unit, quiet).documents;
        } catch (const Failure&) {
            // no tables for that month: no such lines
        }
    }
    const auto lines = generateStatement(listed.documents, unlisted, directionOf(range.type),
                                         static_cast<std::size_t>(o.number("--lines", 40, 1, 1000000)),
                                         static_cast<std::uint64_t>(o.number("--seed", 1, 0, std::numeric_limits<long long>::max())));
    std::vector<statement::StatementLine> plain;
    for (const auto& l : lines) plain.push_back(l.line);
    std::string text = format == "camt"    ? writeCamt053(plain)
                       : format == "mt940" ? writeMt940(plain)
                       : format == "ofx"   ? writeOfx(plain)
                                           : writeBankCsv(plain, format == "csv-gbk", ',');
    const std::string path = o.get("--out");
    std::ofstream file(path, std::ios::binary);
    if (!file || !(file << text) || !file.flush()) throw Failure("cannot write the file '" + path + "'");
    std::size_t matchable = 0;
    for (const auto& l : lines) matchable += l.truth.empty() ? 0 : 1;
    out << "wrote " << lines.size() << " statement lines (" << matchable << " paying listed documents) to " << path
        << "\n";
    return 0;
}

// ---- audit ----

std::unique_ptr<Database> openExisting(const Options& o) {
    try {
        return openDatabase(o.get("--db"), OpenMode::Existing);
    } catch (const DatabaseError& e) {
        throw Failure(e.what());
    }
}

int auditList(const Options& o, std::ostream& out, std::ostream& err) {
    auto db = openExisting(o);
    std::vector<AuditEntry> entries;
    try {
        if (!auditEnabled(*db)) throw Failure("the database has no tick audit (trunaccount-admin audit enable adds it)");
        std::optional<std::string> document;
        if (o.has("--document")) document = o.get("--document");
        entries = readAudit(*db, document);
    } catch (const DatabaseError& e) {
        throw Failure(e.what());
    }
    if (o.has("--json")) {
        std::string json = "[";
        for (std::size_t i = 0; i < entries.size(); ++i) {
            json += i ? ",\n " : "\n ";
            appendAuditJson(json, entries[i]);
        }
        out << json << (entries.empty() ? "]\n" : "\n]\n");
        return 0;
    }
    auto v = [](const AuditText& t) { return t ? *t : std::string("-"); };
    for (const auto& e : entries)
        out << (e.seq ? std::to_string(*e.seq) : std::string("(unsealed)")) << "  " << v(e.time) << "  "
            << v(e.operatorCode) << " " << v(e.operatorName) << "  " << v(e.table) << "  " << v(e.unit) << "  "
            << v(e.document) << "  " << v(e.before) << "->" << v(e.after) << "  batch " << v(e.batch) << "  hash "
            << (e.hash ? e.hash->substr(0, 16) : std::string("-")) << "\n";
    out << entries.size() << (entries.size() == 1 ? " entry\n" : " entries\n");
    return 0;
}

int auditVerify(const Options& o, std::ostream& out, std::ostream& err) {
    auto db = openExisting(o);
    AuditVerdict verdict;
    try {
        verdict = verifyAudit(*db);
    } catch (const DatabaseError& e) {
        throw Failure(e.what());
    }
    for (const auto& w : verdict.warnings) err << "warning: " << w << "\n";
    if (!verdict.intact) throw Failure(verdict.problem);
    out << "the audit chain is intact: " << verdict.entries << (verdict.entries == 1 ? " entry" : " entries")
        << ", head " << verdict.head << "\n";
    return 0;
}

int auditEnable(const Options& o, std::ostream& out, std::ostream& err) {
    auto db = openExisting(o);
    AuditCoverage coverage;
    bool already = false;
    try {
        db->execute("begin");
        try {
            already = auditEnabled(*db);
            coverage = enableAudit(*db);
            db->execute("commit");
        } catch (...) {
            try {
                db->execute("rollback");
            } catch (const DatabaseError&) {
            }
            throw;
        }
    } catch (const DatabaseError& e) {
        throw Failure("enabling the tick audit failed: " + std::string(e.what()));
    }
    for (const auto& t : coverage.uncovered)
        err << "warning: the table '" << t << "' has tick columns but a name a trigger cannot be made for\n";
    out << (already ? "the tick audit was enabled already; " : "the tick audit is enabled; ") << "triggers installed on "
        << coverage.covered.size() << (coverage.covered.size() == 1 ? " table" : " tables") << "\n";
    return 0;
}

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"create-demo",
         "create the demo schema and fill it with deterministic data",
         {kDb,
          {"--today", "YYYYMMDD", "the last day with documents (default: today)"},
          {"--months", "N", "months of data up to today's month (default 12)"},
          {"--docs-per-month", "N", "invoice submissions a month; other documents follow (default 200)"},
          {"--seed", "S", "the same seed gives the same data (default 1)"},
          {"--force", "", "replace the demo tables of a database that has tables already"},
          {"--no-audit", "", "without the tick audit (audit enable adds it later)"}},
         createDemo},
        {"query",
         "run one query through the coordinator and print its rows (CSV with a header line)",
         {kDb, {"--sql", "TEXT", "the query", true}, {"--json", "", "print JSON instead of CSV"}, kClock, kTrace},
         query},
        {"exec",
         "run the statements of a file, one a line, as one batch (all or nothing)",
         {kDb, {"--file", "F", "the statements, one a line; blank lines are skipped", true}, kClock, kTrace},
         exec},
        {"params",
         "load the system parameters a window loads and print them as JSON (why a window refuses to start)",
         {kDb,
          {"--operator", "CODE", "the operator's staff code (default 0001)"},
          {"--request", "LIST", "request numbers, e.g. 0,1,2,3,4,12,63,100 (default: the window's)"},
          kClock,
          kTrace},
         params},
        {"match",
         "read a bank statement and propose the listed documents each line pays, as the input window does",
         {kDb,
          {"--statement", "FILE", "the statement: CAMT.053, MT940, OFX/QFX or a bank's CSV export", true},
          {"--type", "N", "the business type 0 to 4, as the window's list", true},
          {"--from", "YYYYMMDD", "the first document date of the list", true},
          {"--to", "YYYYMMDD", "the last document date of the list", true},
          {"--unit", "CODE", "the accounting unit (default: the system parameter hsdwh)"},
          {"--json", "", "one JSON object a line: line, amount, documents, score, reasons, status"},
          kClock,
          kTrace},
         match},
        {"demo-statement",
         "write a bank statement that pays documents of the list (and some it does not), for trying the import",
         {kDb,
          {"--type", "N", "the business type 0 to 4", true},
          {"--from", "YYYYMMDD", "the first document date of the list", true},
          {"--to", "YYYYMMDD", "the last document date of the list", true},
          {"--out", "FILE", "the statement file to write", true},
          {"--format", "F", "camt (default), mt940, ofx, csv or csv-gbk"},
          {"--lines", "N", "statement lines (default 40)"},
          {"--seed", "S", "the same seed gives the same statement (default 1)"},
          {"--unit", "CODE", "the accounting unit (default: the system parameter hsdwh)"},
          kClock},
         demoStatement},
        {"audit",
         "list the tick audit: every tick and revoke, in order",
         {kDb, {"--document", "DJH", "only the entries of this document number"}, {"--json", "", "print JSON"}},
         auditList},
        {"audit verify",
         "check the audit's hash chain: exit 0 with the number of entries, 1 naming the first fault",
         {kDb},
         auditVerify},
        {"audit enable",
         "add the tick audit to a database (the table, its guard, a trigger on every table with tick columns)",
         {kDb},
         auditEnable},
    };
    return list;
}

void printUsage(std::ostream& out) {
    out << "usage: " << kProgram << " COMMAND [OPTIONS]\n\ncommands:\n";
    // The summaries line up two blanks after the longest command name.
    std::size_t width = 0;
    for (const auto& c : commands()) width = std::max(width, c.name.size() + 2);
    for (const auto& c : commands()) {
        std::string name(c.name);
        name.resize(width, ' ');
        out << "  " << name << c.summary << "\n";
    }
    out << "\nDB is the path of an SQLite file or a postgresql:// URI.\n"
        << "'" << kProgram << " COMMAND --help' lists the options of a command.\n";
}

void printCommandHelp(std::ostream& out, const Command& c) {
    out << "usage: " << kProgram << " " << c.name;
    for (const auto& o : c.options) {
        std::string part = std::string(o.name) + (o.value.empty() ? "" : " " + std::string(o.value));
        out << " " << (o.required ? part : "[" + part + "]");
    }
    out << "\n\n" << c.summary << "\n\noptions:\n";
    for (const auto& o : c.options) {
        std::string head = std::string(o.name) + (o.value.empty() ? "" : " " + std::string(o.value));
        head.resize(std::max<std::size_t>(head.size() + 2, 28), ' ');
        out << "  " << head << o.help << "\n";
    }
}

}  // namespace

int runAdmin(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printUsage(args.empty() ? err : out);
        return args.empty() ? 2 : 0;
    }
    // A command of two words ("audit verify") takes its second word along.
    std::string name = args[0];
    std::size_t used = 1;
    if (args.size() > 1 && !args[1].starts_with("-")) {
        for (const auto& c : commands())
            if (c.name == args[0] + " " + args[1]) {
                name = std::string(c.name);
                used = 2;
            }
    }
    const Command* command = nullptr;
    for (const auto& c : commands())
        if (c.name == name) command = &c;
    if (!command) {
        err << kProgram << ": unknown command '" << args[0] << "'\n\n";
        printUsage(err);
        return 2;
    }
    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(used), args.end());
    for (const auto& a : rest)
        if (a == "--help" || a == "-h") {
            printCommandHelp(out, *command);
            return 0;
        }
    try {
        Options options(command->options, rest);
        return command->run(options, out, err);
    } catch (const UsageError& e) {
        err << kProgram << " " << command->name << ": " << e.what() << "\n"
            << "see '" << kProgram << " " << command->name << " --help'\n";
        return 2;
    } catch (const std::exception& e) {
        err << kProgram << " " << command->name << ": " << e.what() << "\n";
        return 1;
    }
}

}  // namespace trunaccount::coord
