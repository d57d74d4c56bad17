// trunaccount-admin as a user runs it: exit status, output and messages.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <sstream>

#include "coordinator/admin.h"
#include "coordinator/database.h"
#include "support/test_databases.h"

using namespace Qt::StringLiterals;

namespace trunaccount {
namespace {

using testing::Backend;
using testing::TempDir;
using testing::TestDatabase;

struct Run {
    int status;
    std::string out, err;
};

Run admin(std::vector<std::string> args) {
    std::ostringstream out, err;
    int status = coord::runAdmin(args, out, err);
    return {status, out.str(), err.str()};
}

// A one-month demo database in the folder, for the commands to work on.
std::string smallDemo(const TempDir& dir, const char* docsPerMonth = "3") {
    const std::string db = dir.file("d.sqlite");
    auto r = admin({"create-demo", "--db", db, "--today", "20250110", "--months", "1", "--docs-per-month", docsPerMonth});
    EXPECT_EQ(r.status, 0) << r.err;
    return db;
}

const std::string kChannelsCsv =
    "f_tdbm,f_tdmc\n01,银联刷卡\n02,支付宝\n03,微信支付\n04,京东到家\n05,美团外卖\n06,商场联营收款\n07,银行代收\n"
    "08,现金缴款\n";
const std::string kChannelsSql = "select f_tdbm,f_tdmc from tbtdda order by f_tdbm ";

TEST(Admin, CreateDemoThenQueryTheChannels) {
    TempDir dir;
    const std::string db = dir.file("d.sqlite");
    auto created = admin({"create-demo", "--db", db, "--today", "20250110", "--months", "2", "--docs-per-month", "5"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_NE(created.out.find("202412 to 202501"), std::string::npos) << created.out;

    auto csv = admin({"query", "--db", db, "--sql", kChannelsSql});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, kChannelsCsv);

    auto json = admin({"query", "--db", db, "--sql", kChannelsSql, "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    QJsonParseError error;
    auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(json.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out;
    auto columns = doc.object()["columns"_L1].toArray();
    ASSERT_EQ(columns.size(), 2);
    EXPECT_EQ(columns[1].toObject()["name"_L1].toString(), "f_tdmc"_L1);
    EXPECT_EQ(columns[1].toObject()["width"_L1].toInt(), 30);
    auto rows = doc.object()["rows"_L1].toArray();
    ASSERT_EQ(rows.size(), 8);
    EXPECT_EQ(rows[4].toArray()[1].toString(), QString::fromUtf8("美团外卖"));
}

TEST(Admin, CreateDemoRefusesADatabaseWithTablesUnlessForced) {
    TempDir dir;
    const std::string db = dir.file("d.sqlite");
    const std::vector<std::string> create = {"create-demo", "--db", db, "--today", "20250110", "--months", "1",
                                             "--docs-per-month", "3"};
    ASSERT_EQ(admin(create).status, 0);
    ASSERT_EQ(admin({"exec", "--db", db, "--file", "/dev/null"}).status, 0);
    auto again = admin(create);
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("--force"), std::string::npos) << again.err;

    auto forcedArgs = create;
    forcedArgs.push_back("--force");
    forcedArgs[6] = "3";  // three months this time
    auto forced = admin(forcedArgs);
    ASSERT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(admin({"query", "--db", db, "--sql", kChannelsSql}).out, kChannelsCsv);
    auto months = admin({"query", "--db", db, "--sql", "select f_csz from tbxtcs where f_csmc='qyny'"});
    EXPECT_EQ(months.out, "f_csz\n202411\n");
}

TEST(Admin, ExecRunsTheLinesOfAFileAsOneBatch) {
    TempDir dir;
    const std::string db = smallDemo(dir);
    const std::string good = dir.file("good.sql"), bad = dir.file("bad.sql");
    TempDir::writeFile(good, "update tbzyda set f_zymc='甲' where f_zybm='0001';\r\n\n   \nupdate tbzyda set f_zymc='乙' where f_zybm='0002';\n");
    TempDir::writeFile(bad, "update tbzyda set f_zymc='丙' where f_zybm='0001';\nupdate tbnowhere set x=1;\n");

    auto ok = admin({"exec", "--db", db, "--file", good});
    ASSERT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out, "executed 2 statements in one transaction\n");
    auto failed = admin({"exec", "--db", db, "--file", bad});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("第 2 条"), std::string::npos) << failed.err;
    EXPECT_NE(failed.err.find("tbnowhere"), std::string::npos) << failed.err;
    auto names = admin({"query", "--db", db, "--sql", "select f_zymc from tbzyda where f_zybm in ('0001','0002') order by f_zybm"});
    EXPECT_EQ(names.out, "f_zymc\n甲\n乙\n");
}

TEST(Admin, CsvQuotesWhatNeedsQuoting) {
    TempDir dir;
    const std::string db = smallDemo(dir, "1");
    auto r = admin({"query", "--db", db, "--sql", "select 'a,b' x, 'say \"hi\"' y, null z, 1.5 w, 'two\nlines' v"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "x,y,z,w,v\n\"a,b\",\"say \"\"hi\"\"\",,1.5,\"two\nlines\"\n");
}

TEST(Admin, WrongUseAndFailuresExitWithTheReason) {
    TempDir dir;
    const std::string db = smallDemo(dir, "1");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"exec", "--db", db, "--file", dir.file("missing.sql")}, 1, "cannot read the file"},
        {{"query", "--db", "postgresql://u@host/x?colour=blue", "--sql", "select 1"}, 1, "bad PostgreSQL URI"},
        {{"query", "--db", dir.file("missing.sqlite"), "--sql", "select 1"}, 1, "unable to open"},
        {{"query", "--db", db, "--sql", "select f_tdbm from tbnowhere"}, 1, "no such table: tbnowhere"},
        {{"query", "--sql", "select 1"}, 2, "--db is required"},
        {{"query", "--db", db, "--sql"}, 2, "needs a value"},
        {{"query", "--db", db, "--sql", "select 1", "--fast"}, 2, "unknown option '--fast'"},
        {{"create-demo", "--db", dir.file("x.sqlite"), "--months", "many"}, 2, "needs a number"},
        {{"create-demo", "--db", dir.file("x.sqlite"), "--months", "4294967297"}, 2, "must lie between 1 and 1200"},
        {{"create-demo", "--db", dir.file("x.sqlite"), "--today", "20250231"}, 2, "not a date"},
        {{"query", "--db", db, "--sql", "select 1", "--clock", "tomorrow"}, 2, "fixed clock"},
        {{"vacuum"}, 2, "unknown command 'vacuum'"},
        {{}, 2, "usage:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0] + " " + (c.args.size() > 1 ? c.args.back() : ""));
        auto r = admin(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.sqlite")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.sqlite")));

    auto help = admin({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"create-demo", "query", "exec"}) EXPECT_NE(help.out.find(command), std::string::npos);
    // Every summary stands apart from its command's name, all in one column.
    std::istringstream commandLines(help.out.substr(help.out.find("commands:\n") + 10));
    std::size_t summaryColumn = std::string::npos;
    for (std::string line; std::getline(commandLines, line) && !line.empty();) {
        SCOPED_TRACE(line);
        const std::size_t gap = line.find("  ", 2);  // a name may hold one blank ("audit verify")
        ASSERT_NE(gap, std::string::npos);
        const std::size_t summary = line.find_first_not_of(' ', gap);
        if (summaryColumn == std::string::npos) summaryColumn = summary;
        EXPECT_EQ(summary, summaryColumn);
    }
    auto commandHelp = admin({"create-demo", "--help"});
    EXPECT_EQ(commandHelp.status, 0);
    EXPECT_NE(commandHelp.out.find("--docs-per-month N"), std::string::npos);
}

// The tick audit from the command line: the entries of ticks made with exec,
// listed as text and JSON, verified, and an entry changed with the database's
// own tools named.
TEST(Admin, AuditListsVerifiesAndNamesTheEntryChangedInTheDatabase) {
    TempDir dir;
    const std::string db = smallDemo(dir, "20");
    auto unticked = admin({"query", "--db", db, "--sql",
                           "select f_hsdwh,f_djh from tb202501_fptjdzb where f_zzgdbz='0' order by f_hsdwh,f_djh"});
    ASSERT_EQ(unticked.status, 0) << unticked.err;
    std::vector<std::pair<std::string, std::string>> docs;  // unit, number
    std::istringstream lines(unticked.out);
    std::string line;
    std::getline(lines, line);  // the header
    while (docs.size() < 3 && std::getline(lines, line)) docs.emplace_back(line.substr(0, line.find(',')), line.substr(line.find(',') + 1));
    ASSERT_EQ(docs.size(), 3u);
    auto tick = [&](const std::pair<std::string, std::string>& d, const char* to, const char* time, const char* op,
                    const char* name) {
        return std::string("update tb202501_fptjdzb set f_zzgdbz='") + to + "',f_zzgdrq='" + time + "',f_zzgdrbm='" +
               op + "' ,f_zzgdrmc='" + name + "' where f_djh='" + d.second + "' and f_hsdwh='" + d.first + "';\n";
    };
    const std::string save = dir.file("save.sql"), revoke = dir.file("revoke.sql");
    TempDir::writeFile(save, tick(docs[0], "1", "2025011010:30:00", "0001", "张丽华") +
                                 tick(docs[1], "1", "2025011010:30:00", "0001", "张丽华") +
                                 tick(docs[2], "1", "2025011010:30:00", "0001", "张丽华"));
    TempDir::writeFile(revoke, tick(docs[1], "0", "2025011011:45:00", "0002", "王建国"));
    ASSERT_EQ(admin({"exec", "--db", db, "--file", save}).status, 0);
    ASSERT_EQ(admin({"exec", "--db", db, "--file", revoke}).status, 0);

    auto json = admin({"audit", "--db", db, "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    QJsonParseError error;
    auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(json.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out;
    auto list = doc.array();
    ASSERT_EQ(list.size(), 4);
    const QStringList keys = {"after"_L1,         "batch"_L1, "before"_L1, "document"_L1, "hash"_L1, "operator"_L1,
                              "operator_name"_L1, "seq"_L1,   "table"_L1,  "time"_L1,     "unit"_L1};
    EXPECT_EQ(list[0].toObject().keys(), keys);
    auto last = list[3].toObject();
    EXPECT_EQ(last["seq"_L1].toInt(), 4);
    EXPECT_EQ(last["operator"_L1].toString(), "0002"_L1);
    EXPECT_EQ(last["operator_name"_L1].toString(), QStringLiteral("王建国"));
    EXPECT_EQ(last["time"_L1].toString(), "2025011011:45:00"_L1);
    EXPECT_EQ(last["before"_L1].toString(), "1"_L1);
    EXPECT_EQ(last["after"_L1].toString(), "0"_L1);
    EXPECT_EQ(last["table"_L1].toString(), "tb202501_fptjdzb"_L1);
    EXPECT_EQ(last["document"_L1].toString().toStdString(), docs[1].second);
    EXPECT_EQ(last["unit"_L1].toString().toStdString(), docs[1].first);
    EXPECT_EQ(last["hash"_L1].toString().size(), 64);
    EXPECT_EQ(list[0].toObject()["batch"_L1], list[2].toObject()["batch"_L1]);
    EXPECT_NE(list[0].toObject()["batch"_L1], list[3].toObject()["batch"_L1]);

    auto one = admin({"audit", "--db", db, "--document", docs[1].second});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_NE(one.out.find("2  2025011010:30:00  0001 张丽华  tb202501_fptjdzb  " + docs[1].first + "  " + docs[1].second +
                           "  0->1  batch "),
              std::string::npos)
        << one.out;
    EXPECT_NE(one.out.find("4  2025011011:45:00  0002 王建国"), std::string::npos) << one.out;
    EXPECT_NE(one.out.find("\n2 entries\n"), std::string::npos) << one.out;

    auto intact = admin({"audit", "verify", "--db", db});
    EXPECT_EQ(intact.status, 0) << intact.err;
    EXPECT_TRUE(intact.out.starts_with("the audit chain is intact: 4 entries, head " +
                                       list[3].toObject()["hash"_L1].toString().toStdString()))
        << intact.out;

    {
        auto raw = coord::openDatabase(db);
        raw->execute("drop trigger trgdrz_guard_update");
        raw->execute("update tbgdrz set f_gdrq='2025011009:00:00' where f_xh=4");
    }
    auto broken = admin({"audit", "verify", "--db", db});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("audit verify: entry 4 was altered"), std::string::npos) << broken.err;
    EXPECT_TRUE(broken.out.empty());
}

TEST(Admin, AuditEnableAddsTheAuditToADatabaseWithoutIt) {
    TempDir dir;
    const std::string db = dir.file("d.sqlite");
    ASSERT_EQ(admin({"create-demo", "--db", db, "--today", "20250110", "--months", "1", "--docs-per-month", "3",
                     "--no-audit"})
                  .status,
              0);
    for (auto args : std::vector<std::vector<std::string>>{{"audit", "--db", db}, {"audit", "verify", "--db", db}}) {
        auto r = admin(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("has no tick audit (trunaccount-admin audit enable adds it)"), std::string::npos) << r.err;
    }
    auto enabled = admin({"audit", "enable", "--db", db});
    ASSERT_EQ(enabled.status, 0) << enabled.err;
    EXPECT_EQ(enabled.out, "the tick audit is enabled; triggers installed on 4 tables\n");  // three of the month, tbtdspzb
    auto verified = admin({"audit", "verify", "--db", db});
    EXPECT_EQ(verified.status, 0) << verified.err;
    EXPECT_TRUE(verified.out.starts_with("the audit chain is intact: 0 entries")) << verified.out;

    auto help = admin({"--help"});
    for (const char* command : {"audit verify", "audit enable"}) EXPECT_NE(help.out.find(command), std::string::npos);
    EXPECT_EQ(admin({"audit", "verify", "--help"}).out.find("usage: trunaccount-admin audit verify --db DB"), 0u);
}

TEST(Admin, CreateDemoOnPostgres) {
    TA_REQUIRE_BACKEND(Backend::Postgres);
    TestDatabase pg(Backend::Postgres, std::nullopt);
    auto created = admin({"create-demo", "--db", pg.location(), "--today", "20250110", "--months", "2"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(admin({"query", "--db", pg.location(), "--sql", kChannelsSql}).out, kChannelsCsv);
    EXPECT_EQ(admin({"create-demo", "--db", pg.location()}).status, 1);
}

}  // namespace
}  // namespace trunaccount
