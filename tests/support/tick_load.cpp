#include "support/tick_load.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "coordinator/audit.h"
#include "coordinator/reference_coordinator.h"
#include "data/sql_quote.h"
#include "data/text_functions.h"
#include "platform/coordinator_calls.h"

namespace trunaccount::testing {

namespace {

std::string tickStatement(const TickDoc& d, const std::string& tick, const std::string& stamp, int client) {
    return "update " + d.table + " set f_zzgdbz='" + tick + "',f_zzgdrq='" + SqlValue(stamp) + "',f_zzgdrbm='" +
           std::to_string(9000 + client) + "' ,f_zzgdrmc='会计" + std::to_string(client) + "' where f_djh='" +
           SqlValue(d.number) + "' and f_hsdwh='" + SqlValue(d.unit) + "';";
}

std::string tickOf(coord::Database& db, const TickDoc& d) {
    auto p = db.query("select f_zzgdbz from " + d.table + " where f_djh='" + SqlValue(d.number) + "' and f_hsdwh='" +
                      SqlValue(d.unit) + "'");
    return p->rowCount() ? std::string(p->text(0, 0)) : std::string("(none)");
}

void runClient(const TickLoadOptions& o, const std::vector<TickDoc>& pool, int client,
               std::chrono::steady_clock::time_point deadline, std::vector<TickBatch>& out) {
    coord::CoordinatorOptions co;
    co.database = o.location;
    auto coordinator = coord::openCoordinator(co);
    std::mt19937_64 random(o.seed * 1000 + static_cast<std::uint64_t>(client));
    std::vector<std::size_t> indexes(pool.size());
    for (int n = 1; std::chrono::steady_clock::now() < deadline; ++n) {
        TickBatch b;
        b.client = client;
        b.stamp = "L" + std::to_string(client) + "-" + std::to_string(n);
        b.tick = random() % 2 ? "1" : "0";
        b.planned = o.failEvery > 0 && n % o.failEvery == 0;
        for (std::size_t i = 0; i < indexes.size(); ++i) indexes[i] = i;
        std::shuffle(indexes.begin(), indexes.end(), random);
        const std::size_t size = 1 + random() % std::min(o.largestSet, pool.size());
        std::sort(indexes.begin(), indexes.begin() + static_cast<std::ptrdiff_t>(size));  // as a list is sorted
        std::vector<std::string> statements;
        for (std::size_t i = 0; i < size; ++i) {
            b.docs.push_back(pool[indexes[i]]);
            statements.push_back(tickStatement(pool[indexes[i]], b.tick, b.stamp, client));
        }
        if (b.planned)
            statements.insert(statements.begin() + static_cast<std::ptrdiff_t>(size / 2),
                              "update " + pool[0].table + " set f_zzgdbz='1' where f_nosuchcolumn=1");
        Variant batch = ListToVariantArray(statements);
        b.ok = platform::ExecBatch(*coordinator, batch);
        if (!b.ok) b.error = platform::ReportError(nullptr, batch, "");
        out.push_back(std::move(b));
    }
}

}  // namespace

std::vector<TickDoc> tickPool(coord::Database& db, std::size_t size, const char* firstMonth, const char* secondMonth) {
    std::vector<TickDoc> pool;
    for (const char* month : {firstMonth, secondMonth}) {
        const std::string table = std::string("tb") + month + "_fptjdzb";
        auto p = db.query("select f_hsdwh,f_djh from " + table + " order by f_hsdwh,f_djh");
        const std::size_t wanted = pool.size() + (month == firstMonth ? size / 2 : size - size / 2);
        for (std::size_t r = 0; r < p->rowCount() && pool.size() < wanted; ++r)
            pool.push_back({table, std::string(p->text(r, 0)), std::string(p->text(r, 1))});
    }
    return pool;
}

TickLoadResult runTickLoad(const TickLoadOptions& o, std::vector<TickDoc> pool) {
    TickLoadResult run;
    {
        auto db = coord::openDatabase(o.location);
        for (const auto& d : pool) run.ticksBefore.push_back(tickOf(*db, d));
        if (coord::auditEnabled(*db))
            run.seqBefore = db->query("select coalesce(max(f_xh),0) from tbgdrz")->integerValue(0, 0);
    }
    run.pool = std::move(pool);
    std::vector<std::vector<TickBatch>> perClient(static_cast<std::size_t>(o.clients));
    std::vector<std::string> failures(static_cast<std::size_t>(o.clients));
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + o.duration;
    std::vector<std::thread> threads;
    for (int c = 0; c < o.clients; ++c)
        threads.emplace_back([&, c] {
            try {
                runClient(o, run.pool, c, deadline, perClient[static_cast<std::size_t>(c)]);
            } catch (const std::exception& e) {
                failures[static_cast<std::size_t>(c)] = e.what();
            }
        });
    for (auto& t : threads) t.join();
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const auto& f : failures)
        if (!f.empty()) throw std::runtime_error("a client failed: " + f);
    for (auto& batches : perClient)
        for (auto& b : batches) run.batches.push_back(std::move(b));
    return run;
}

TickLoadCheck checkTickLoad(coord::Database& db, const TickLoadResult& run) {
    TickLoadCheck check;
    auto problem = [&](std::string text) {
        if (check.problems.size() < 20) check.problems.push_back(std::move(text));
    };
    for (const auto& b : run.batches) {
        (b.ok ? check.succeeded : check.failed)++;
        if (b.ok && b.planned) problem("batch " + b.stamp + " succeeded with a failing statement");
        if (!b.ok && !b.planned && check.unplannedFailures++ == 0) check.firstUnplannedFailure = b.stamp + ": " + b.error;
    }
    auto verdict = coord::verifyAudit(db);
    if (!verdict.intact) problem("audit verify: " + verdict.problem);

    std::map<std::string, const TickBatch*> byStamp;
    for (const auto& b : run.batches) byStamp[b.stamp] = &b;
    std::map<std::string, std::string> state;
    for (std::size_t i = 0; i < run.pool.size(); ++i) state[run.pool[i].key()] = run.ticksBefore[i];

    std::set<std::string> batchesSeen, stampsSeen;
    const TickBatch* current = nullptr;
    std::string currentBatchId;
    // The documents of a batch whose entries are all in hold its tick.
    auto closeRun = [&] {
        if (!current) return;
        for (const auto& d : current->docs)
            if (state[d.key()] != current->tick)
                problem("after the entries of batch " + current->stamp + " document " + d.key() + " is " +
                        state[d.key()] + ", not " + current->tick + ": the batch was applied in part");
    };
    for (const auto& e : coord::readAudit(db)) {
        if (!e.seq || *e.seq <= run.seqBefore) {
            if (!e.seq) problem("an unsealed entry (id " + std::to_string(e.id) + ")");
            continue;
        }
        const std::string n = "entry " + std::to_string(*e.seq);
        const std::string stamp = e.time.value_or("");
        auto it = byStamp.find(stamp);
        if (it == byStamp.end()) {
            problem(n + " has the tick time '" + stamp + "' of no batch sent");
            continue;
        }
        const TickBatch& b = *it->second;
        if (!b.ok) problem(n + " belongs to batch " + stamp + ", which failed");
        const std::string batchId = e.batch.value_or("");
        if (&b != current) {
            closeRun();
            if (!stampsSeen.insert(stamp).second) problem(n + ": the entries of batch " + stamp + " are not together");
            if (!batchesSeen.insert(batchId).second) problem(n + ": batch id " + batchId + " serves two batches");
            current = &b;
            currentBatchId = batchId;
        } else if (batchId != currentBatchId) {
            problem(n + ": one batch, two batch ids");
        }
        const std::string key = TickDoc{e.table.value_or(""), e.unit.value_or(""), e.document.value_or("")}.key();
        auto doc = state.find(key);
        if (doc == state.end()) {
            problem(n + " names " + key + ", which no batch sent");
            continue;
        }
        if (e.before != doc->second || e.after != b.tick || e.before == e.after)
            problem(n + " for " + key + " says " + e.before.value_or("null") + " -> " + e.after.value_or("null") +
                    " where the document was " + doc->second + " and batch " + stamp + " set " + b.tick);
        doc->second = b.tick;
        ++check.transitions;
    }
    closeRun();
    for (const auto& d : run.pool)
        if (tickOf(db, d) != state[d.key()])
            problem("document " + d.key() + " is " + tickOf(db, d) + " but its entries end at " + state[d.key()]);
    return check;
}

}  // namespace trunaccount::testing
