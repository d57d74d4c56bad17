#include "coordinator/audit.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <map>

#include "coordinator/json.h"
#include "data/sql_quote.h"
#include "platform/text.h"

namespace trunaccount::coord {

namespace {

constexpr const char* kColumns =
    "f_id,f_xh,f_gdrq,f_gdrbm,f_gdrmc,f_bm,f_hsdwh,f_djh,f_gdbzq,f_gdbzh,f_pch,f_qhash,f_hash";

constexpr const char* kAppendOnly = "the tick audit tbgdrz is append-only: its entries cannot be changed or removed";

// PostgreSQL advisory lock keys: the chain (numbering and hashing) and the
// installation of triggers on new tables.
constexpr const char* kChainLock = "select pg_advisory_xact_lock(7411,1)";
constexpr const char* kInstallLock = "select pg_advisory_xact_lock(7411,2)";

bool isSqlite(const Database& db) { return db.typeName() == "SQLITE"; }

std::string hex(const unsigned char* bytes, std::size_t n) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[bytes[i] >> 4];
        s += digits[bytes[i] & 0xF];
    }
    return s;
}

std::string newBatchId() {
    unsigned char bytes[8];
    if (RAND_bytes(bytes, sizeof bytes) != 1) throw DatabaseError({"no random bytes for a batch number (OpenSSL)"});
    return hex(bytes, sizeof bytes);
}

// A name that may stand in SQL text as it is.
bool plainName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
}

AuditText cellText(const DataPacket& p, std::size_t r, std::size_t c) {
    if (p.isNull(r, c)) return std::nullopt;
    switch (p.columns()[c].kind) {
    case ColumnKind::Text: return std::string(p.text(r, c));
    case ColumnKind::Integer: return std::to_string(p.integerValue(r, c));
    case ColumnKind::Float: return platform::formatGeneral(p.floatValue(r, c));
    }
    return std::nullopt;
}

std::vector<AuditEntry> entriesOf(const DataPacket& p) {
    std::vector<AuditEntry> entries;
    entries.reserve(p.rowCount());
    for (std::size_t r = 0; r < p.rowCount(); ++r) {
        AuditEntry e;
        e.id = p.integerValue(r, 0);
        if (!p.isNull(r, 1)) e.seq = p.integerValue(r, 1);
        AuditText* texts[] = {&e.time,  &e.operatorCode, &e.operatorName, &e.table,        &e.unit,
                              &e.document, &e.before,    &e.after,        &e.batch,        &e.previousHash,
                              &e.hash};
        for (std::size_t i = 0; i < std::size(texts); ++i) *texts[i] = cellText(p, r, i + 2);
        entries.push_back(std::move(e));
    }
    return entries;
}

std::string literal(const AuditText& v) { return v ? "'" + SqlValue(*v) + "'" : std::string("null"); }

// ---- the schema, per backend ----

std::string createTableSql(bool sqlite) {
    return std::string("create table if not exists tbgdrz (") +
           (sqlite ? "f_id integer primary key, f_xh integer" : "f_id bigserial primary key, f_xh bigint") +
           ", f_gdrq text, f_gdrbm text, f_gdrmc text, f_bm text, f_hsdwh text, f_djh text, f_gdbzq text, "
           "f_gdbzh text, f_pch text, f_qhash text, f_hash text)";
}

// The tables with every tick-off column and the keys, that have no trigger yet.
std::string uncoveredTablesSql(bool sqlite) {
    if (sqlite)
        return "select m.name from sqlite_master m where m.type='table' and m.name not like 'sqlite!_%' escape '!' "
               "and (select count(*) from pragma_table_info(m.name) c where lower(c.name) in "
               "('f_zzgdbz','f_zzgdrq','f_zzgdrbm','f_zzgdrmc','f_hsdwh','f_djh'))=6 "
               "and not exists (select 1 from sqlite_master t where t.type='trigger' and t.tbl_name=m.name "
               "and lower(t.name)='trgdrz_'||lower(m.name)) order by 1";
    return "select c.relname from pg_class c join pg_namespace n on n.oid=c.relnamespace "
           "where n.nspname=current_schema() and c.relkind='r' "
           "and (select count(*) from pg_attribute a where a.attrelid=c.oid and a.attnum>0 and not a.attisdropped "
           "and a.attname in ('f_zzgdbz','f_zzgdrq','f_zzgdrbm','f_zzgdrmc','f_hsdwh','f_djh'))=6 "
           "and not exists (select 1 from pg_trigger t where t.tgrelid=c.oid and t.tgname='trgdrz') order by 1";
}

std::string triggerSql(bool sqlite, const std::string& table) {
    const std::string lower = platform::asciiLower(table);
    if (sqlite)
        return "create trigger if not exists trgdrz_" + lower + " after update of f_zzgdbz on " + table +
               " for each row when old.f_zzgdbz is not new.f_zzgdbz begin "
               "insert into tbgdrz (f_gdrq,f_gdrbm,f_gdrmc,f_bm,f_hsdwh,f_djh,f_gdbzq,f_gdbzh) values "
               "(new.f_zzgdrq,new.f_zzgdrbm,new.f_zzgdrmc,'" +
               SqlValue(lower) + "',new.f_hsdwh,new.f_djh,old.f_zzgdbz,new.f_zzgdbz); end";
    return "create trigger trgdrz after update of f_zzgdbz on " + table +
           " for each row when (old.f_zzgdbz is distinct from new.f_zzgdbz) execute function fn_gdrz()";
}

void createSupport(Database& db, bool sqlite) {
    if (sqlite) {
        db.execute(std::string("create trigger if not exists trgdrz_guard_update before update on tbgdrz for each row "
                               "when old.f_hash is not null begin select raise(abort, '") +
                   kAppendOnly + "'); end");
        db.execute(std::string("create trigger if not exists trgdrz_guard_delete before delete on tbgdrz for each row "
                               "begin select raise(abort, '") +
                   kAppendOnly + "'); end");
        return;
    }
    // The entry of a change; the batch comes from the coordinator's session setting.
    db.execute(
        "create or replace function fn_gdrz() returns trigger language plpgsql as $f$ begin "
        "insert into tbgdrz (f_gdrq,f_gdrbm,f_gdrmc,f_bm,f_hsdwh,f_djh,f_gdbzq,f_gdbzh,f_pch) values "
        "(new.f_zzgdrq,new.f_zzgdrbm,new.f_zzgdrmc,lower(tg_table_name),new.f_hsdwh,new.f_djh,old.f_zzgdbz,"
        "new.f_zzgdbz,nullif(current_setting('trunaccount.batch',true),'')); return null; end $f$");
    // Sealing fills in an unsealed entry; nothing else may change or remove one.
    db.execute(std::string("create or replace function fn_gdrz_guard() returns trigger language plpgsql as $f$ begin "
                           "if tg_op = 'UPDATE' then if old.f_hash is null then return new; end if; end if; "
                           "raise exception '") +
               kAppendOnly + "'; end $f$");
    auto existing = db.query("select tgname from pg_trigger where tgrelid='tbgdrz'::regclass");
    auto has = [&](std::string_view name) {
        for (std::size_t r = 0; r < existing->rowCount(); ++r)
            if (existing->text(r, 0) == name) return true;
        return false;
    };
    if (!has("trgdrz_guard"))
        db.execute("create trigger trgdrz_guard before update or delete on tbgdrz for each row "
                   "execute function fn_gdrz_guard()");
    if (!has("trgdrz_guard_truncate"))
        db.execute("create trigger trgdrz_guard_truncate before truncate on tbgdrz for each statement "
                   "execute function fn_gdrz_guard()");
}

std::vector<std::string> namesOf(const DataPacket& p) {
    std::vector<std::string> names;
    for (std::size_t r = 0; r < p.rowCount(); ++r) names.emplace_back(p.text(r, 0));
    return names;
}

// Installs the triggers the tables lack; returns the tables covered now.
AuditCoverage coverTables(Database& db, bool sqlite) {
    AuditCoverage coverage;
    auto missing = namesOf(*db.query(uncoveredTablesSql(sqlite)));
    if (missing.empty()) return coverage;
    if (!sqlite) {
        // Another coordinator may be covering the same new table: one at a time.
        db.query(kInstallLock);
        missing = namesOf(*db.query(uncoveredTablesSql(sqlite)));
    }
    for (const auto& table : missing) {
        if (!plainName(table)) {
            coverage.uncovered.push_back(table);
            continue;
        }
        db.execute(triggerSql(sqlite, table));
        coverage.covered.push_back(platform::asciiLower(table));
    }
    return coverage;
}

void appendHashField(std::string& out, const AuditText& v) {
    if (!v) {
        out += "-\n";
        return;
    }
    out += std::to_string(v->size());
    out += ':';
    out += *v;
    out += '\n';
}

// ---- sealing each batch ----

class AuditRecorder : public BatchObserver {
public:
    void batchBegun(Database& db) override {
        active_ = false;
        const bool sqlite = isSqlite(db);
        batch_ = newBatchId();
        // What tells that tables or triggers may have changed: SQLite's schema
        // version; on PostgreSQL the count and newest of the schema's tables and
        // the count of audit triggers (one cheap query, which also hands the
        // batch to the triggers).
        std::string schema;
        if (sqlite) {
            schema = std::to_string(db.query("pragma schema_version")->integerValue(0, 0));
        } else {
            auto p = db.query("select set_config('trunaccount.batch','" + SqlValue(batch_) +
                              "',true),(select count(*)||'/'||coalesce(max(c.oid::bigint),0) from pg_class c "
                              "where c.relkind='r' and c.relnamespace=(select oid from pg_namespace where "
                              "nspname=current_schema()))||'/'||(select count(*) from pg_trigger where tgname like "
                              "'trgdrz%')");
            schema = std::string(p->text(0, 1));
        }
        if (absentAt_ == schema) return;
        if (coveredAt_ != schema) {
            if (!auditEnabled(db)) {
                absentAt_ = schema;
                return;
            }
            // Remembered only when nothing was installed: an installation
            // inside this batch goes if the batch is rolled back.
            if (coverTables(db, sqlite).covered.empty()) coveredAt_ = schema;
        }
        if (sqlite) lastId_ = db.query("select coalesce(max(f_id),0) from tbgdrz")->integerValue(0, 0);
        active_ = true;
    }

    void batchEnding(Database& db) override {
        if (!active_) return;
        active_ = false;
        const bool sqlite = isSqlite(db);
        const std::string mine =
            sqlite ? "f_id>" + std::to_string(lastId_) : "f_pch='" + SqlValue(batch_) + "'";
        auto pending = entriesOf(
            *db.query(std::string("select ") + kColumns + " from tbgdrz where f_hash is null and " + mine +
                      " order by f_id"));
        if (pending.empty()) return;
        if (!sqlite) db.query(kChainLock);  // held until the commit: the next batch chains onto this one
        auto head = db.query("select f_xh,f_hash from tbgdrz where f_xh=(select max(f_xh) from tbgdrz)");
        std::int64_t seq = head->rowCount() ? head->integerValue(0, 0) : 0;
        std::string previous = head->rowCount() ? cellText(*head, 0, 1).value_or("") : auditGenesisHash();
        for (auto& e : pending) {
            e.seq = ++seq;
            e.batch = batch_;
            e.previousHash = previous;
            e.hash = auditEntryHash(e, previous);
            previous = *e.hash;
        }
        constexpr std::size_t kChunk = 500;
        for (std::size_t from = 0; from < pending.size(); from += kChunk) {
            std::string values;
            for (std::size_t i = from; i < std::min(pending.size(), from + kChunk); ++i) {
                const auto& e = pending[i];
                values += (i > from ? ",(" : "(") + std::to_string(e.id) + "," + std::to_string(*e.seq) + "," +
                          literal(e.batch) + "," + literal(e.previousHash) + "," + literal(e.hash) + ")";
            }
            db.execute("with v(id,xh,pch,qh,h) as (values " + values +
                       ") update tbgdrz set f_xh=v.xh,f_pch=v.pch,f_qhash=v.qh,f_hash=v.h from v "
                       "where tbgdrz.f_id=v.id");
        }
    }

private:
    bool active_ = false;
    std::string batch_;
    std::int64_t lastId_ = 0;
    std::optional<std::string> coveredAt_;  // the schema as it was when every table was found covered
    std::optional<std::string> absentAt_;   // the schema as it was when the audit table was found missing
};

std::string describe(const AuditEntry& e) {
    auto v = [](const AuditText& t) { return t ? *t : std::string("null"); };
    return "table " + v(e.table) + ", unit " + v(e.unit) + ", document " + v(e.document) + ", tick " + v(e.before) +
           " -> " + v(e.after) + ", operator " + v(e.operatorCode) + " at " + v(e.time);
}

}  // namespace

const std::string& auditGenesisHash() {
    static const std::string genesis(64, '0');
    return genesis;
}

std::string auditEntryHash(const AuditEntry& e, std::string_view previousHash) {
    std::string data = "tbgdrz-entry-1\n";
    appendHashField(data, e.seq ? AuditText(std::to_string(*e.seq)) : std::nullopt);
    for (const AuditText* t : {&e.time, &e.operatorCode, &e.operatorName, &e.table, &e.unit, &e.document, &e.before,
                               &e.after, &e.batch})
        appendHashField(data, *t);
    appendHashField(data, std::string(previousHash));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        throw DatabaseError({"SHA-256 failed (OpenSSL)"});
    return hex(digest, length);
}

bool auditEnabled(Database& db) {
    const std::string sql = isSqlite(db) ? "select count(*) from sqlite_master where type='table' and name='tbgdrz'"
                                         : "select count(*) from pg_class c join pg_namespace n on "
                                           "n.oid=c.relnamespace where n.nspname=current_schema() and c.relname='tbgdrz'";
    return db.query(sql)->integerValue(0, 0) > 0;
}

AuditCoverage enableAudit(Database& db) {
    const bool sqlite = isSqlite(db);
    db.execute(createTableSql(sqlite));
    db.execute("create unique index if not exists ixgdrz_xh on tbgdrz (f_xh)");
    db.execute("create index if not exists ixgdrz_djh on tbgdrz (f_djh)");
    createSupport(db, sqlite);
    return coverTables(db, sqlite);
}

std::vector<std::string> auditUncoveredTables(Database& db) { return namesOf(*db.query(uncoveredTablesSql(isSqlite(db)))); }

std::vector<AuditEntry> readAudit(Database& db, const std::optional<std::string>& document) {
    std::string sql = std::string("select ") + kColumns + " from tbgdrz";
    if (document) sql += " where f_djh='" + SqlValue(*document) + "'";
    sql += " order by case when f_xh is null then 1 else 0 end,f_xh,f_id";
    return entriesOf(*db.query(sql));
}

AuditVerdict verifyAudit(Database& db) {
    AuditVerdict v;
    v.head = auditGenesisHash();
    if (!auditEnabled(db)) {
        v.problem = "the database has no tick audit (trunaccount-admin audit enable adds it)";
        return v;
    }
    for (const auto& table : auditUncoveredTables(db))
        v.warnings.push_back("table " + table +
                             " has no audit trigger yet: its tick changes are not recorded until the coordinator's "
                             "next batch or audit enable installs it");
    const auto entries = readAudit(db);
    std::map<std::string, std::int64_t> seqOfHash;
    for (const auto& e : entries)
        if (e.seq && e.hash) seqOfHash.emplace(*e.hash, *e.seq);

    std::int64_t expected = 1;
    std::string previous = auditGenesisHash();
    const AuditEntry* last = nullptr;
    for (const auto& e : entries) {
        if (!e.seq) break;  // the unsealed ones come last
        const std::int64_t seq = *e.seq;
        const std::string n = std::to_string(seq);
        if (seq > expected) {
            v.problem = seq == expected + 1 ? "entry " + std::to_string(expected) + " is missing"
                                            : "entries " + std::to_string(expected) + " to " +
                                                  std::to_string(seq - 1) + " are missing";
            return v;
        }
        if (seq < expected) {
            v.problem = "entry " + n + " is recorded twice";
            return v;
        }
        const std::string chainedTo = e.previousHash.value_or("");
        if (chainedTo != previous) {
            auto other = seqOfHash.find(chainedTo);
            if (other != seqOfHash.end() && other->second != seq - 1)
                v.problem = "entry " + n + " is out of order: it was recorded after entry " +
                            std::to_string(other->second);
            else if (last && last->hash == auditEntryHash(*last, last->previousHash.value_or("")))
                v.problem = "entry " + std::to_string(seq - 1) +
                            " was altered: its hash was recomputed, but entry " + n + " was chained to another";
            else
                v.problem = "entry " + n + " does not follow entry " + std::to_string(seq - 1) +
                            ": the hash it was chained to belongs to no entry";
            return v;
        }
        if (!e.hash || *e.hash != auditEntryHash(e, chainedTo)) {
            v.problem = "entry " + n + " was altered: its content no longer matches its hash (" + describe(e) + ")";
            return v;
        }
        previous = *e.hash;
        last = &e;
        ++expected;
        ++v.entries;
    }
    for (const auto& e : entries) {
        if (e.sealed()) continue;
        v.problem = "a tick change was recorded past the coordinator and never sealed (entry id " +
                    std::to_string(e.id) + ": " + describe(e) + ")";
        return v;
    }
    v.head = previous;
    v.intact = true;
    return v;
}

std::shared_ptr<BatchObserver> makeAuditRecorder() { return std::make_shared<AuditRecorder>(); }

void appendAuditJson(std::string& out, const AuditEntry& e) {
    auto field = [&](const char* name, const AuditText& value) {
        out += ',';
        appendJsonString(out, name);
        out += ':';
        if (value) appendJsonString(out, *value);
        else out += "null";
    };
    out += "{\"seq\":";
    out += e.seq ? std::to_string(*e.seq) : "null";
    field("time", e.time);
    field("operator", e.operatorCode);
    field("operator_name", e.operatorName);
    field("table", e.table);
    field("unit", e.unit);
    field("document", e.document);
    field("before", e.before);
    field("after", e.after);
    field("batch", e.batch);
    field("hash", e.hash);
    out += '}';
}

}  // namespace trunaccount::coord
