// Many accountants at once: clients of the reference coordinator, each on its
// own connection, saving and revoking random overlapping sets of documents for
// a fixed time, and the check that the tick audit holds exactly what happened.
// Used by the concurrency test and the benchmark.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "coordinator/database.h"

namespace trunaccount::testing {

struct TickDoc {
    std::string table, unit, number;
    std::string key() const { return table + "/" + unit + "/" + number; }
};

struct TickLoadOptions {
    std::string location;                       // the database (SQLite file or postgresql:// URI)
    int clients = 8;
    std::chrono::milliseconds duration{2000};   // how long the clients keep sending
    int failEvery = 7;                          // every n-th batch of a client carries a failing statement
    std::size_t poolSize = 40;                  // the documents the sets are drawn from
    std::size_t largestSet = 6;                 // documents in a batch: 1 to this
    std::uint64_t seed = 1;
};

struct TickBatch {
    int client = 0;
    std::string stamp;              // the tick time written, unique to the batch
    std::vector<TickDoc> docs;      // in the order sent
    std::string tick;               // "1" save, "0" revoke
    bool planned = false;           // carried a statement meant to fail
    bool ok = false;                // ExecBatch said it was carried out
    std::string error;
};

struct TickLoadResult {
    std::vector<TickDoc> pool;
    std::vector<std::string> ticksBefore;  // of the pool, when the clients started
    std::int64_t seqBefore = 0;            // the audit's last entry then
    std::vector<TickBatch> batches;
    double seconds = 0;                    // from the first client's start to the last one's end
};

// The first documents of the invoice submissions of two months, whatever their ticks.
std::vector<TickDoc> tickPool(coord::Database& db, std::size_t size, const char* firstMonth, const char* secondMonth);

// Runs the clients. Raises when a client cannot open its coordinator.
TickLoadResult runTickLoad(const TickLoadOptions& options, std::vector<TickDoc> pool);

struct TickLoadCheck {
    std::vector<std::string> problems;  // empty when the audit holds what happened
    std::size_t transitions = 0;        // audit entries the run added
    std::size_t succeeded = 0, failed = 0;
    // Batches refused without a failing statement (a writer that waited too long).
    std::size_t unplannedFailures = 0;
    std::string firstUnplannedFailure;
};

// Holds the audit against the batches: the chain verifies; every entry belongs
// to a batch that succeeded, one batch id each, the entries of one batch
// together; replaying the entries over the ticks before gives each entry's
// "before", leaves every document of a batch at the batch's tick once its
// entries are in, and ends at the ticks the tables hold now.
TickLoadCheck checkTickLoad(coord::Database& db, const TickLoadResult& run);

}  // namespace trunaccount::testing
