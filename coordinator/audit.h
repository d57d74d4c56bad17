// The tick audit: every change of a document's tick flag (f_zzgdbz) recorded in
// the append-only table tbgdrz, in the transaction of the change, and chained by
// SHA-256 so that an altered, missing or reordered entry shows.
//
// How entries come about. Every table with the tick-off columns (the monthly
// invoice submission, payment approval and fee collection tables, the project
// approval sheets) carries a trigger that writes an entry whenever an update
// changes the flag, whoever runs the update. The coordinator, at the end of each
// batch and before its commit, seals the entries its batch wrote: it numbers
// them after the last sealed entry, notes the batch and chains their hashes.
// Entries of changes made past the coordinator stay unsealed, and verifying
// names them. Tables that appear later (a new month) get their trigger at the
// start of the next batch the coordinator runs, inside that batch's transaction;
// `audit enable` installs everything at once.
//
// An entry's hash covers its sequence number, time, operator code and name,
// table, unit, document, tick before and after, batch and the hash of the entry
// before it. Without a secret nothing stops someone who rewrites the whole rest
// of the chain; the head hash that verifying prints is what to keep elsewhere.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "coordinator/database.h"

namespace trunaccount::coord {

// The audit table and what the triggers are called.
inline constexpr const char* kAuditTable = "tbgdrz";

// A value that may be null in the database.
using AuditText = std::optional<std::string>;

struct AuditEntry {
    std::int64_t id = 0;               // order of recording (internal)
    std::optional<std::int64_t> seq;   // place in the chain; none while unsealed
    AuditText time;                    // the tick time written with the change (f_zzgdrq)
    AuditText operatorCode;            // f_zzgdrbm written with the change
    AuditText operatorName;            // f_zzgdrmc written with the change
    AuditText table;                   // the document's table, lower case
    AuditText unit;                    // f_hsdwh
    AuditText document;                // f_djh
    AuditText before;                  // the tick before the change
    AuditText after;                   // the tick after it
    AuditText batch;                   // the coordinator's batch; none for a change made past it
    AuditText previousHash;            // the hash of the entry before (64 zeros for the first)
    AuditText hash;                    // SHA-256 in lower-case hex; none while unsealed

    bool sealed() const { return seq.has_value() && hash.has_value(); }
};

// The hash an entry must carry, chained to `previousHash`.
std::string auditEntryHash(const AuditEntry& entry, std::string_view previousHash);
// The previous hash of the first entry.
const std::string& auditGenesisHash();

// True when the database has the audit table.
bool auditEnabled(Database& db);

struct AuditCoverage {
    std::vector<std::string> covered;    // tables whose trigger was installed now
    std::vector<std::string> uncovered;  // tables with tick columns that cannot carry one (odd names)
};

// Creates the audit table, its guard against changes and removals, and the
// triggers of every table with the tick-off columns that lacks one. Runs inside
// the caller's transaction; doing it again only adds what is missing.
AuditCoverage enableAudit(Database& db);

// The tables with tick-off columns that have no audit trigger.
std::vector<std::string> auditUncoveredTables(Database& db);

// The entries, sealed ones in chain order, then unsealed ones in the order
// they were recorded; only those of one document number when given.
std::vector<AuditEntry> readAudit(Database& db, const std::optional<std::string>& document = std::nullopt);

struct AuditVerdict {
    bool intact = false;
    std::size_t entries = 0;       // sealed entries checked
    std::string head;              // the last sealed entry's hash (the genesis hash when none)
    std::string problem;           // the first fault, naming its entry, when not intact
    std::vector<std::string> warnings;  // tables whose changes are not recorded
};

// Walks the chain from the first entry and stops at the first fault: a missing,
// duplicated, reordered or altered entry, or one recorded past the coordinator.
AuditVerdict verifyAudit(Database& db);

// The observer that seals each batch's entries (install it on the database of
// a coordinator). On a database without the audit table it does nothing, and
// starts working once the table is there.
std::shared_ptr<BatchObserver> makeAuditRecorder();

// An entry as a JSON object: seq, time, operator, operator_name, table, unit,
// document, before, after, batch, hash.
void appendAuditJson(std::string& out, const AuditEntry& entry);

}  // namespace trunaccount::coord
