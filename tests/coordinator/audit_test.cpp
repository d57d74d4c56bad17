// The tick audit on real databases: what saving and revoking record, that a
// failed batch records nothing, that tampering of every kind is named by
// verifying, and that tables made later and databases without the audit are
// covered. The administration commands are tried in admin_test.cpp.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "coordinator/admin.h"
#include "coordinator/audit.h"
#include "coordinator/demo_schema.h"
#include "data/text_functions.h"
#include "platform/coordinator_calls.h"
#include "reconcile/tick_statements.h"
#include "support/test_databases.h"

namespace trunaccount {
namespace {

using coord::AuditEntry;
using testing::Backend;
using testing::TestDatabase;

struct Doc {
    std::string table, unit, number;
    friend bool operator==(const Doc&, const Doc&) = default;
};

// A document as an entry names it, and how its tick changed.
struct Step {
    Doc doc;
    std::string before, after, time, operatorCode, operatorName;
    friend bool operator==(const Step&, const Step&) = default;
};
void PrintTo(const Step& s, std::ostream* os) {
    *os << s.doc.table << "/" << s.doc.unit << "/" << s.doc.number << " " << s.before << "->" << s.after << " at "
        << s.time << " by " << s.operatorCode << " " << s.operatorName;
}

std::vector<Step> stepsOf(const std::vector<AuditEntry>& entries) {
    std::vector<Step> steps;
    for (const auto& e : entries)
        steps.push_back({{e.table.value_or("?"), e.unit.value_or("?"), e.document.value_or("?")},
                         e.before.value_or("?"),
                         e.after.value_or("?"),
                         e.time.value_or("?"),
                         e.operatorCode.value_or("?"),
                         e.operatorName.value_or("?")});
    return steps;
}

// Runs the statements as one batch; the error text when it failed.
std::optional<std::string> runBatch(ICoorDisp& c, const std::vector<std::string>& statements) {
    Variant batch = ListToVariantArray(statements);
    if (platform::ExecBatch(c, batch)) return std::nullopt;
    return platform::ReportError(nullptr, batch, "");
}

// Unticked documents of a table, in key order.
std::vector<Doc> untickedDocs(coord::Database& db, const std::string& table, std::size_t count) {
    auto p = db.query("select f_hsdwh,f_djh from " + table + " where f_zzgdbz='0' order by f_hsdwh,f_djh");
    std::vector<Doc> docs;
    for (std::size_t r = 0; r < p->rowCount() && docs.size() < count; ++r)
        docs.push_back({table, std::string(p->text(r, 0)), std::string(p->text(r, 1))});
    EXPECT_EQ(docs.size(), count) << table;
    return docs;
}

std::string tickOf(coord::Database& db, const Doc& d) {
    auto p = db.query("select f_zzgdbz from " + d.table + " where f_hsdwh='" + d.unit + "' and f_djh='" + d.number + "'");
    return p->rowCount() ? std::string(p->text(0, 0)) : "(none)";
}

// An update of the tick the way saving of fee collections writes it.
std::string setTick(const Doc& d, const std::string& tick, const std::string& time, const std::string& op = "0001",
                    const std::string& name = "张丽华") {
    return "update " + d.table + " set f_zzgdbz='" + tick + "',f_zzgdrq='" + time + "',f_zzgdrbm='" + op +
           "' ,f_zzgdrmc='" + name + "' where f_djh='" + d.number + "' and f_hsdwh='" + d.unit + "';";
}

TickRow rowOf(const Doc& d, const char* tick) {
    TickRow r;
    r.djh = d.number;
    r.hsdwh = d.unit;
    r.tick = tick;
    return r;
}

class Audit : public testing::BackendTest {
protected:
    coord::AuditVerdict verify() { return coord::verifyAudit(*db().openDatabase()); }
    std::vector<AuditEntry> entries() { return coord::readAudit(*db().openDatabase()); }
    // Five ticks of five documents, one batch each.
    std::vector<Doc> fiveEntries(ICoorDisp& c) {
        auto docs = untickedDocs(*db().openDatabase(), "tb202501_tdsfb", 5);
        for (std::size_t i = 0; i < docs.size(); ++i) {
            auto failed = runBatch(c, {setTick(docs[i], "1", "2025011010:3" + std::to_string(i) + ":00")});
            EXPECT_FALSE(failed) << *failed;
        }
        return docs;
    }
};

TEST_P(Audit, SavingAndRevokingRecordEveryTransitionOfEveryBusinessType) {
    auto coordinator = db().openCoordinator();
    auto raw = db().openDatabase();
    struct Case {
        BusinessType type;
        const char* table;
        bool writesUnticked;  // saving writes the unticked row too (with "0": no transition)
    } cases[] = {
        {BusinessType::InvoiceSubmission, "tb202411_fptjdzb", true},
        {BusinessType::InvoiceAdjustment, "tb202412_fptjdzb", false},
        {BusinessType::PaymentApproval, "tb202411_jsfksp", true},
        {BusinessType::ProjectApproval, "tbtdspzb", false},
        {BusinessType::FeeCollection, "tb202412_tdsfb", false},
    };
    const TickStamp saved{"2025011010:30:00", "0001", "张丽华"};
    const TickStamp revoked{"2025011016:05:00", "0007", "O'Neil 王"};
    std::vector<Step> expected;
    std::set<std::string> batches;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        auto docs = untickedDocs(*raw, c.table, 2);
        std::vector<std::string> save;
        for (const auto& [doc, tick] : {std::pair{docs[0], "1"}, std::pair{docs[1], "0"}})
            if (auto s = SaveStatement(c.type, rowOf(doc, tick), saved)) save.push_back(*s);
        ASSERT_EQ(save.size(), c.writesUnticked ? 2u : 1u);
        ASSERT_FALSE(runBatch(*coordinator, save));
        ASSERT_FALSE(runBatch(*coordinator, {RevokeStatement(c.type, rowOf(docs[0], "1"), revoked)}));
        expected.push_back({docs[0], "0", "1", saved.time, saved.operatorCode, saved.operatorName});
        expected.push_back({docs[0], "1", "0", revoked.time, revoked.operatorCode, revoked.operatorName});

        // A document number may stand in the tables of other business types too.
        auto of = [&](const Doc& d) {
            auto list = coord::readAudit(*raw, d.number);
            std::erase_if(list, [&](const AuditEntry& e) { return e.table != d.table || e.unit != d.unit; });
            return list;
        };
        auto mine = of(docs[0]);
        ASSERT_EQ(mine.size(), 2u);
        EXPECT_NE(mine[0].batch, mine[1].batch);
        EXPECT_EQ(*mine[1].seq, *mine[0].seq + 1);
        EXPECT_TRUE(of(docs[1]).empty());
        batches.insert(mine[0].batch.value_or(""));
        batches.insert(mine[1].batch.value_or(""));
    }
    const auto all = entries();
    EXPECT_EQ(stepsOf(all), expected);
    EXPECT_EQ(batches.size(), 10u);
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].seq, static_cast<std::int64_t>(i + 1));
        EXPECT_EQ(all[i].previousHash, i ? all[i - 1].hash : coord::auditGenesisHash());
    }
    auto verdict = verify();
    EXPECT_TRUE(verdict.intact) << verdict.problem;
    EXPECT_EQ(verdict.entries, 10u);
    EXPECT_EQ(verdict.head, all.back().hash);
    EXPECT_TRUE(verdict.warnings.empty());
}

TEST_P(Audit, AFailingBatchRecordsNothing) {
    auto coordinator = db().openCoordinator();
    auto raw = db().openDatabase();
    auto docs = untickedDocs(*raw, "tb202501_fptjdzb", 10);
    // Batch i ticks document i and unticks document i-1; every third batch has a
    // statement that fails (in the middle), so the whole batch must go.
    std::map<std::string, std::string> state;
    for (const auto& d : docs) state[d.number] = "0";
    std::vector<Step> expected;
    for (std::size_t i = 1; i < docs.size(); ++i) {
        const std::string time = "20250110" + std::to_string(10 + i) + ":00:00";
        std::vector<std::string> batch = {setTick(docs[i], "1", time)};
        const bool fails = i % 3 == 0;
        if (fails) batch.push_back("update tb202501_fptjdzb set f_nosuchcolumn=1 where f_djh='" + docs[0].number + "'");
        batch.push_back(setTick(docs[i - 1], "0", time));
        auto error = runBatch(*coordinator, batch);
        ASSERT_EQ(error.has_value(), fails) << error.value_or("");
        if (fails) continue;
        for (const auto& [d, tick] : {std::pair{docs[i], "1"}, std::pair{docs[i - 1], "0"}}) {
            if (state[d.number] == tick) continue;
            expected.push_back({d, state[d.number], tick, time, "0001", "张丽华"});
            state[d.number] = tick;
        }
    }
    EXPECT_EQ(stepsOf(entries()), expected);
    for (const auto& d : docs) EXPECT_EQ(tickOf(*raw, d), state[d.number]) << d.number;
    auto verdict = verify();
    EXPECT_TRUE(verdict.intact) << verdict.problem;
    EXPECT_EQ(verdict.entries, expected.size());
}

// Someone with the database's tools changes the audit: verifying names the
// first entry that is no longer what was recorded.
TEST_P(Audit, VerifyingNamesTheFirstAlteredMissingOrReorderedEntry) {
    const bool sqlite = GetParam() == Backend::Sqlite;
    struct Case {
        const char* name;
        std::function<void(coord::Database&)> tamper;
        std::string problem;  // the beginning of what verifying says
    } cases[] = {
        {"untouched", [](coord::Database&) {}, ""},
        {"an operator name changed",
         [](coord::Database& d) { d.execute("update tbgdrz set f_gdrmc='李四' where f_xh=3"); },
         "entry 3 was altered: its content no longer matches its hash"},
        {"a tick direction changed",
         [](coord::Database& d) { d.execute("update tbgdrz set f_gdbzh='0' where f_xh=4"); },
         "entry 4 was altered: its content no longer matches its hash"},
        {"an entry deleted", [](coord::Database& d) { d.execute("delete from tbgdrz where f_xh=2"); },
         "entry 2 is missing"},
        {"the first entry deleted", [](coord::Database& d) { d.execute("delete from tbgdrz where f_xh=1"); },
         "entry 1 is missing"},
        {"two entries swapped",
         [](coord::Database& d) {
             d.execute("update tbgdrz set f_xh=-3 where f_xh=3");
             d.execute("update tbgdrz set f_xh=3 where f_xh=4");
             d.execute("update tbgdrz set f_xh=4 where f_xh=-3");
         },
         "entry 3 is out of order: it was recorded after entry 4"},
        {"an entry altered and its hash recomputed",
         [](coord::Database& d) {
             auto e = coord::readAudit(d).at(1);
             e.operatorName = "李四";
             d.execute("update tbgdrz set f_gdrmc='李四',f_hash='" + coord::auditEntryHash(e, *e.previousHash) +
                       "' where f_xh=2");
         },
         "entry 2 was altered: its hash was recomputed, but entry 3 was chained to another"},
        {"a tick changed past the coordinator",
         [](coord::Database& d) {
             d.execute("update tb202412_tdsfb set f_zzgdbz='1' where f_djh=(select min(f_djh) from tb202412_tdsfb "
                       "where f_zzgdbz='0')");
         },
         "a tick change was recorded past the coordinator and never sealed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestDatabase fresh(GetParam());
        auto coordinator = fresh.openCoordinator();
        auto docs = untickedDocs(*fresh.openDatabase(), "tb202501_tdsfb", 5);
        for (std::size_t i = 0; i < docs.size(); ++i)
            ASSERT_FALSE(runBatch(*coordinator, {setTick(docs[i], "1", "2025011010:3" + std::to_string(i) + ":00")}));
        auto raw = fresh.openDatabase();
        // The guard goes first, as it would for anyone set on changing the record.
        if (sqlite) {
            raw->execute("drop trigger trgdrz_guard_update");
            raw->execute("drop trigger trgdrz_guard_delete");
        } else {
            raw->execute("drop trigger trgdrz_guard on tbgdrz");
        }
        c.tamper(*raw);
        auto verdict = coord::verifyAudit(*raw);
        if (c.problem.empty()) {
            EXPECT_TRUE(verdict.intact) << verdict.problem;
            EXPECT_EQ(verdict.entries, 5u);
        } else {
            EXPECT_FALSE(verdict.intact);
            EXPECT_TRUE(verdict.problem.starts_with(c.problem)) << verdict.problem;
        }
    }
}

TEST_P(Audit, EntriesCannotBeChangedOrRemovedWhileTheGuardStands) {
    auto coordinator = db().openCoordinator();
    fiveEntries(*coordinator);
    auto raw = db().openDatabase();
    std::vector<std::string> attempts = {"update tbgdrz set f_gdrmc='李四' where f_xh=2", "delete from tbgdrz where f_xh=5",
                                         "delete from tbgdrz"};
    if (GetParam() == Backend::Postgres) attempts.push_back("truncate tbgdrz");
    for (const auto& sql : attempts) {
        SCOPED_TRACE(sql);
        try {
            raw->execute(sql);
            ADD_FAILURE() << "the audit took the change";
        } catch (const coord::DatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find("append-only"), std::string::npos) << e.what();
        }
    }
    auto verdict = verify();
    EXPECT_TRUE(verdict.intact) << verdict.problem;
    EXPECT_EQ(verdict.entries, 5u);
}

TEST_P(Audit, AMonthlyTableMadeLaterIsCoveredFromTheNextBatch) {
    auto coordinator = db().openCoordinator();
    fiveEntries(*coordinator);  // the coordinator has found every table covered
    auto raw = db().openDatabase();
    raw->execute(coord::demoTable("tb202502_tdsfb").createSql());
    raw->execute("insert into tb202502_tdsfb (f_hsdwh,f_djh,f_tdbm,f_skje,f_rzrq) values "
                 "('1001','202502000001','01',100,'20250201')");
    auto before = verify();
    EXPECT_TRUE(before.intact) << before.problem;
    ASSERT_EQ(before.warnings.size(), 1u);
    EXPECT_NE(before.warnings[0].find("tb202502_tdsfb"), std::string::npos);

    const Doc doc{"tb202502_tdsfb", "1001", "202502000001"};
    ASSERT_FALSE(runBatch(*coordinator, {setTick(doc, "1", "2025020109:00:00")}));
    auto all = entries();
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(stepsOf({all.back()}), (std::vector<Step>{{doc, "0", "1", "2025020109:00:00", "0001", "张丽华"}}));
    auto after = verify();
    EXPECT_TRUE(after.intact) << after.problem;
    EXPECT_TRUE(after.warnings.empty());
}

TEST_P(Audit, ADatabaseWithoutTheAuditWorksAndGetsItWithAuditEnable) {
    auto options = testing::testDemoOptions();
    options.audit = false;
    TestDatabase plain(GetParam(), options);
    auto raw = plain.openDatabase();
    ASSERT_FALSE(coord::auditEnabled(*raw));
    auto coordinator = plain.openCoordinator();
    auto docs = untickedDocs(*raw, "tb202412_jsfksp", 2);
    ASSERT_FALSE(runBatch(*coordinator, {setTick(docs[0], "1", "2025011010:30:00")}));
    EXPECT_FALSE(coord::auditEnabled(*raw));
    EXPECT_FALSE(coord::verifyAudit(*raw).intact);

    std::ostringstream out, err;
    ASSERT_EQ(coord::runAdmin({"audit", "enable", "--db", plain.location()}, out, err), 0) << err.str();
    // Four months of three monthly tables with ticks, and the project approvals.
    EXPECT_EQ(out.str(), "the tick audit is enabled; triggers installed on 13 tables\n");
    // The coordinator that was open before takes it up at its next batch.
    ASSERT_FALSE(runBatch(*coordinator, {setTick(docs[0], "0", "2025011011:00:00"),
                                         setTick(docs[1], "1", "2025011011:00:00")}));
    EXPECT_EQ(stepsOf(coord::readAudit(*raw)),
              (std::vector<Step>{{docs[0], "1", "0", "2025011011:00:00", "0001", "张丽华"},
                                 {docs[1], "0", "1", "2025011011:00:00", "0001", "张丽华"}}));
    auto verdict = coord::verifyAudit(*raw);
    EXPECT_TRUE(verdict.intact) << verdict.problem;

    std::ostringstream again, againErr;
    ASSERT_EQ(coord::runAdmin({"audit", "enable", "--db", plain.location()}, again, againErr), 0) << againErr.str();
    EXPECT_EQ(again.str(), "the tick audit was enabled already; triggers installed on 0 tables\n");
}

TA_INSTANTIATE_BACKEND_TESTS(Audit);

}  // namespace
}  // namespace trunaccount
