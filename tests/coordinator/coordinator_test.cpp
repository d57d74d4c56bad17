// The reference coordinator's eight operations on both backends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <map>

#include "coordinator/sqlite_database.h"
#include "data/sql_quote.h"
#include "platform/coordinator_calls.h"
#include "support/ordinary_user.h"
#include "support/test_databases.h"

namespace trunaccount {
namespace {

using testing::Backend;
using testing::BackendTest;
using testing::TestDatabase;

std::vector<std::string> lines(const Variant& v) {
    std::vector<std::string> out;
    if (v.isArray())
        for (const auto& l : v.asArray()) out.push_back(l.toText());
    return out;
}

std::string joined(const Variant& v) { return platform::ReportError(nullptr, v, ""); }

std::shared_ptr<const DataPacket> query(ICoorDisp& c, const std::string& sql) {
    Variant data;
    EXPECT_TRUE(platform::QueryData(c, sql, data)) << joined(data);
    return data.isPacket() ? data.asPacket() : std::make_shared<DataPacket>();
}

Variant batch(std::vector<std::string> statements) {
    Variant::Array a;
    for (auto& s : statements) a.emplace_back(s);
    return Variant(std::move(a));
}

class Coordinator : public BackendTest {};

TEST_P(Coordinator, QueryDataGivesNamesKindsWidthsAndRows) {
    auto c = db().openCoordinator();
    auto channels = query(*c, "select f_tdbm,f_tdmc from tbtdda order by f_tdbm ");
    ASSERT_EQ(channels->rowCount(), 8u);
    EXPECT_EQ(channels->columns()[0].name, "f_tdbm");
    EXPECT_EQ(channels->columns()[0].kind, ColumnKind::Text);
    EXPECT_EQ(channels->columns()[0].width, 4);
    EXPECT_EQ(channels->columns()[1].width, 30);
    EXPECT_EQ(channels->text(4, 0), "05");
    EXPECT_EQ(channels->text(4, 1), "美团外卖");

    auto mixed = query(*c,
                       "select f_djh,f_spje,f_zzgdbz,count(*) n,sum(f_spje) total,cast(null as varchar(5)) missing "
                       "from tb202501_jsfksp group by f_djh,f_spje,f_zzgdbz order by f_djh");
    ASSERT_GT(mixed->rowCount(), 0u);
    struct Expected {
        const char* name;
        ColumnKind kind;
        int width;
    };
    const Expected expected[] = {{"f_djh", ColumnKind::Text, 12},     {"f_spje", ColumnKind::Float, 0},
                                 {"f_zzgdbz", ColumnKind::Text, 1},   {"n", ColumnKind::Integer, 0},
                                 {"total", ColumnKind::Float, 0},     {"missing", ColumnKind::Text, 0}};
    ASSERT_EQ(mixed->columnCount(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(mixed->columns()[i].name, expected[i].name);
        EXPECT_EQ(mixed->columns()[i].kind, expected[i].kind);
        if (expected[i].kind == ColumnKind::Text && i != 5) {
            EXPECT_EQ(mixed->columns()[i].width, expected[i].width);
        }
    }
    EXPECT_EQ(mixed->integerValue(0, 3), 1);
    EXPECT_DOUBLE_EQ(mixed->floatValue(0, 4), mixed->floatValue(0, 1));
    EXPECT_TRUE(mixed->isNull(0, 5));
}

TEST_P(Coordinator, QueryFailureHandsBackTheDatabasesLines) {
    auto c = db().openCoordinator();
    Variant data;
    EXPECT_FALSE(platform::QueryData(*c, "select f_tdbm from tbnowhere", data));
    auto l = lines(data);
    ASSERT_FALSE(l.empty());
    EXPECT_NE(joined(data).find("tbnowhere"), std::string::npos) << joined(data);

    Variant none;
    EXPECT_FALSE(platform::QueryData(*c, "  ", none));
    EXPECT_EQ(lines(none), std::vector<std::string>{"the query text holds no statement"});
}

// left() and right() count characters, also of Chinese text, the same way on
// both backends (negative lengths drop characters from the other end).
TEST_P(Coordinator, LeftAndRightCountCharacters) {
    struct Case {
        const char* expression;
        const char* expected;  // nullptr: null
    };
    const Case cases[] = {
        {"left('退补单abc',2)", "退补"},
        {"right('退补单abc',4)", "单abc"},
        {"left('abc',-1)", "ab"},
        {"right('abc',-1)", "bc"},
        {"left('abc',10)", "abc"},
        {"right('abc',0)", ""},
        {"left(right('202412006123',4),1)", "6"},
        {"left(cast(null as varchar(5)),1)", nullptr},
    };
    auto c = db().openCoordinator();
    for (const auto& k : cases) {
        SCOPED_TRACE(k.expression);
        auto p = query(*c, std::string("select ") + k.expression + " v");
        ASSERT_EQ(p->rowCount(), 1u);
        if (!k.expected) {
            EXPECT_TRUE(p->isNull(0, 0));
            continue;
        }
        EXPECT_EQ(p->value(0, 0), Variant(k.expected));
    }
}

// The statements the batch runs: updates of three document tables and of an
// operator, and a new operator. Each failing statement is one the database
// refuses only while running it.
std::vector<std::string> goodBatch() {
    return {
        "update tb202412_fptjdzb set f_zzgdbz='1',f_zzgdrq='2025011010:30:00' where f_djh='202412000001';",
        "update tb202501_jsfksp set f_zzpjhm='12345678',f_zzgdbz='1' where f_djh='202501000001';",
        "update tbtdspzb set f_zzgdbz='1',f_zzgdrmc='王建国' where f_djh='202411000001';",
        "insert into tbzyda (f_zybm,f_zymc,f_hsdwh) values ('0099','新职员','1001');",
        "update tbzyda set f_zymc='张丽华（财务）' where f_zybm='0001'; ",
    };
}

std::string snapshot(ICoorDisp& c) {
    std::string s;
    for (const char* sql : {"select * from tb202412_fptjdzb order by f_hsdwh,f_djh",
                            "select * from tb202501_jsfksp order by f_hsdwh,f_djh",
                            "select * from tbtdspzb order by f_hsdwh,f_djh", "select * from tbzyda order by f_zybm"}) {
        auto p = query(c, sql);
        for (std::size_t r = 0; r < p->rowCount(); ++r) {
            for (std::size_t col = 0; col < p->columnCount(); ++col) s += p->value(r, col).textForm().value_or("<null>") + "|";
            s += "\n";
        }
    }
    return s;
}

TEST_P(Coordinator, AFailingStatementLeavesTheDatabaseAsItWas) {
    auto c = db().openCoordinator();
    const std::string before = snapshot(*c);
    const std::string failing[] = {
        "insert into tbzyda (f_zybm,f_zymc,f_hsdwh) values ('0002','重复编码','1001');",  // key taken
        "update tb209901_fptjdzb set f_zzgdbz='1';",                                        // no such table
        "update tb202412_fptjdzb set f_nothing='1';",                                        // no such column
    };
    for (std::size_t k = 0; k < 5; ++k) {
        SCOPED_TRACE("failing statement " + std::to_string(k));
        auto statements = goodBatch();
        statements[k] = failing[k % std::size(failing)];
        Variant arg = batch(statements);
        EXPECT_FALSE(platform::ExecBatch(*c, arg));
        auto l = lines(arg);
        ASSERT_GE(l.size(), 2u);
        EXPECT_NE(l.front().find("第 " + std::to_string(k + 1) + " 条"), std::string::npos) << l.front();
        EXPECT_EQ(l.back(), "出错的语句：" + statements[k]);
        EXPECT_EQ(snapshot(*c), before);
    }
    Variant all = batch(goodBatch());
    ASSERT_TRUE(platform::ExecBatch(*c, all)) << joined(all);
    EXPECT_NE(snapshot(*c), before);
    auto changed = query(*c, "select f_zymc from tbzyda where f_zybm in ('0001','0099') order by f_zybm");
    ASSERT_EQ(changed->rowCount(), 2u);
    EXPECT_EQ(changed->text(0, 0), "张丽华（财务）");
    EXPECT_EQ(changed->text(1, 0), "新职员");
}

TEST_P(Coordinator, QuotedValuesAreStoredLiterally) {
    auto c = db().openCoordinator();
    const std::string remark = "O'Brien's 退补单 '; delete from tbzyda; --";
    const std::string name = "欧'阳";
    Variant arg = batch({"update tb202412_fptjdzb set f_bz='" + SqlValue(remark) + "' where f_djh='202412000002';",
                         "insert into tbzyda (f_zybm,f_zymc,f_hsdwh) values ('" + SqlValue("07'") + "','" +
                             SqlValue(name) + "','1001');"});
    ASSERT_TRUE(platform::ExecBatch(*c, arg)) << joined(arg);
    auto p = query(*c, "select f_bz from tb202412_fptjdzb where f_djh='202412000002'");
    ASSERT_EQ(p->rowCount(), 1u);
    EXPECT_EQ(p->text(0, 0), remark);
    Variant code("07'");
    ASSERT_TRUE(platform::GetOperatorName(*c, 1, code)) << joined(code);
    EXPECT_EQ(code.asPacket()->text(0, 0), name);
    EXPECT_EQ(query(*c, "select count(*) from tbzyda")->integerValue(0, 0), 6);
}

// Each text of a batch is one statement: whatever a value does to the quoting,
// it cannot add a statement of its own. Blanks, semicolons and comments after
// the statement are fine.
TEST_P(Coordinator, ATextOfTheBatchRunsOneStatementOnly) {
    auto c = db().openCoordinator();
    const std::string before = snapshot(*c);
    const std::string update = "update tbzyda set f_zymc='新名' where f_zybm='0002'";
    const std::string second[] = {
        update + "; update tbzyda set f_zymc='x'",
        update + ";update tbzyda set f_zymc='x';",
        update + "; -- note\n delete from tbzyda",
    };
    for (const auto& text : second) {
        SCOPED_TRACE(text);
        Variant arg = batch({"update tb202501_jsfksp set f_zzpjhm='1' where f_djh='202501000001';", text});
        EXPECT_FALSE(platform::ExecBatch(*c, arg));
        EXPECT_NE(joined(arg).find("第 2 条"), std::string::npos) << joined(arg);
        EXPECT_EQ(snapshot(*c), before);
    }
    for (const std::string& text : {update + ";", update + " ; ;  ", update + "; -- 备注\n/* 说明 */;"}) {
        SCOPED_TRACE(text);
        Variant arg = batch({text});
        EXPECT_TRUE(platform::ExecBatch(*c, arg)) << joined(arg);
    }
    EXPECT_EQ(query(*c, "select f_zymc from tbzyda where f_zybm='0002'")->text(0, 0), "新名");
}

// A NUL character cannot be stored or parsed: the message says so and shows
// where, instead of a tokenizer's raw text (or a statement cut short).
TEST_P(Coordinator, ANulCharacterIsNamedAndNothingRuns) {
    auto c = db().openCoordinator();
    const std::string before = snapshot(*c);
    const std::string withNul = std::string("update tb202501_jsfksp set f_zzpjhm='PJ") + '\0' +
                                "01' where f_djh='202501000001';";
    Variant arg = batch({"update tbzyda set f_zymc='x' where f_zybm='0001';", withNul});
    EXPECT_FALSE(platform::ExecBatch(*c, arg));
    const auto l = lines(arg);
    ASSERT_EQ(l.size(), 3u) << joined(arg);
    EXPECT_EQ(l[0], "批处理第 2 条语句有误，全部语句均未执行：");
    EXPECT_NE(l[1].find("第 40 个字节是空字符（NUL"), std::string::npos) << l[1];
    EXPECT_EQ(l[2], "出错的语句：update tb202501_jsfksp set f_zzpjhm='PJ[NUL]01' where f_djh='202501000001';");
    EXPECT_EQ(snapshot(*c), before);

    Variant data;
    EXPECT_FALSE(platform::QueryData(*c, std::string("select 'a") + '\0' + "b' v", data));
    EXPECT_NE(joined(data).find("第 10 个字节是空字符（NUL"), std::string::npos) << joined(data);
}

TEST_P(Coordinator, BatchesWithNothingToDoOrOfTheWrongForm) {
    auto c = db().openCoordinator();
    const std::string before = snapshot(*c);
    Variant empty;
    EXPECT_TRUE(platform::ExecBatch(*c, empty));
    Variant emptyArray{Variant::Array{}};
    EXPECT_TRUE(platform::ExecBatch(*c, emptyArray));

    Variant text("update tbzyda set f_zymc='x'");
    EXPECT_FALSE(platform::ExecBatch(*c, text));
    EXPECT_NE(joined(text).find("数组"), std::string::npos);

    // A non-text element is refused before anything runs.
    Variant mixed{Variant::Array{Variant("update tbzyda set f_zymc='x'"), Variant(42)}};
    EXPECT_FALSE(platform::ExecBatch(*c, mixed));
    EXPECT_NE(joined(mixed).find("第 2 条"), std::string::npos);
    EXPECT_EQ(snapshot(*c), before);
}

TEST_P(Coordinator, OperatorName) {
    auto c = db().openCoordinator();
    Variant known("0001");
    ASSERT_TRUE(platform::GetOperatorName(*c, 1, known)) << joined(known);
    ASSERT_TRUE(known.isPacket());
    EXPECT_EQ(known.asPacket()->text(0, known.asPacket()->columnIndex("f_zymc")), "张丽华");

    Variant unknown("9'99");
    EXPECT_FALSE(platform::GetOperatorName(*c, 1, unknown));
    EXPECT_EQ(lines(unknown), std::vector<std::string>{"没有编码为“9'99”的职员"});

    Variant otherKind("0001");
    EXPECT_FALSE(platform::GetOperatorName(*c, 2, otherKind));
    EXPECT_FALSE(lines(otherKind).empty());
}

TEST_P(Coordinator, SystemParametersAndDatabaseType) {
    auto c = db().openCoordinator();
    Variant v;
    ASSERT_TRUE(platform::GetSystemParams(*c, v)) << joined(v);
    const auto& p = *v.asPacket();
    ASSERT_EQ(p.columnCount(), 2u);
    EXPECT_EQ(p.columns()[0].name, "f_Csmc");
    EXPECT_EQ(p.columns()[1].name, "f_csz");
    std::map<std::string, std::string> params;
    for (std::size_t r = 0; r < p.rowCount(); ++r) params[std::string(p.text(r, 0))] = p.text(r, 1);
    EXPECT_EQ(params["qyny"], "202410");
    EXPECT_EQ(params["hsdwh"], "1001");
    EXPECT_EQ(params["dwlx"], "00");
    EXPECT_EQ(params["zbbm"], "1000");
    EXPECT_EQ(platform::GetDbType(*c), Variant(GetParam() == Backend::Sqlite ? "SQLITE" : "POSTGRESQL"));
}

TA_INSTANTIATE_BACKEND_TESTS(Coordinator);

// ---- the clock ----

std::string clockValue(ICoorDisp& c, bool (*op)(ICoorDisp&, Variant&)) {
    Variant v;
    EXPECT_TRUE(op(c, v));
    return v.toText();
}

TEST(CoordinatorClock, FixedMomentGivesTheDateValues) {
    TestDatabase db(Backend::Sqlite, std::nullopt);
    auto o = db.options();
    o.fixedClock = "20251231 23:59:58";
    auto c = coord::openCoordinator(o);
    EXPECT_EQ(clockValue(*c, platform::GetYearMonth), "202512");
    EXPECT_EQ(clockValue(*c, platform::GetServerDate), "20251231");
    EXPECT_EQ(clockValue(*c, platform::GetServerDateTime), "2025123123:59:58");
    o.fixedClock = "20240229";
    EXPECT_EQ(clockValue(*coord::openCoordinator(o), platform::GetServerDateTime), "2024022909:00:00");
}

TEST(CoordinatorClock, LocalTimeHasTheSameForm) {
    TestDatabase db(Backend::Sqlite, std::nullopt);
    auto o = db.options();
    o.fixedClock.clear();
    auto c = coord::openCoordinator(o);
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char today[16];
    std::strftime(today, sizeof today, "%Y%m%d", &tm);
    const std::string dateTime = clockValue(*c, platform::GetServerDateTime);
    ASSERT_EQ(dateTime.size(), 16u);
    EXPECT_EQ(dateTime.substr(0, 8), today);  // (fails only in the second around midnight)
    EXPECT_EQ(dateTime[10], ':');
    EXPECT_EQ(dateTime[13], ':');
    EXPECT_EQ(clockValue(*c, platform::GetServerDate), today);
    EXPECT_EQ(clockValue(*c, platform::GetYearMonth), std::string(today).substr(0, 6));
}

TEST(CoordinatorClock, BadFixedMomentsAreRefused) {
    TestDatabase db(Backend::Sqlite, std::nullopt);
    for (const char* bad : {"2025123", "20251301", "20250230", "2025-01-01", "20250101 24:00:00", "2025010112:00",
                            "20250101x12:00:00"}) {
        SCOPED_TRACE(bad);
        auto o = db.options();
        o.fixedClock = bad;
        EXPECT_THROW(coord::openCoordinator(o), std::invalid_argument);
    }
}

// ---- opening ----

TEST(CoordinatorOpen, RefusesWhatIsNoDatabaseWithTheReason) {
    testing::TempDir dir;
    testing::TempDir::writeFile(dir.file("notes.txt"), "这不是数据库，只是一段普通的文字。\n");
    struct Case {
        std::string location;
        std::string reason;
    };
    const Case cases[] = {
        {dir.file("missing.sqlite"), "unable to open"},
        {dir.path(), "unable to open"},
        {dir.file("notes.txt"), "not a database"},
        {"postgresql://host/db?colour=blue", "bad PostgreSQL URI"},
        {"postgresql://user@host:port/db", "invalid integer value \"port\""},
        {"postgresql://postgres@127.0.0.1:1/postgres", "cannot connect"},
        {"", "no database given"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        coord::CoordinatorOptions o;
        o.database = c.location;
        try {
            coord::openCoordinator(o);
            ADD_FAILURE() << "opened";
        } catch (const coord::DatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.sqlite")));
}

// A database file without write permission opens read-only, and says so; once
// the permission is given, the next call writes without a restart.
TEST(CoordinatorOpen, AReadOnlyFileIsNamedAndWritableOnceThePermissionIsBack) {
    TestDatabase db(Backend::Sqlite);
    ASSERT_EQ(::chmod(db.location().c_str(), 0444), 0);
    testing::AsOrdinaryUser user;  // root would write anyway
    std::vector<std::string> notices;
    auto c = coord::openCoordinator(db.options(), &notices);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(db.location() + " 只能读取"), std::string::npos) << notices[0];

    const std::string rename = "update tbzyda set f_zymc='新名' where f_zybm='0002';";
    Variant refused = batch({rename});
    EXPECT_FALSE(platform::ExecBatch(*c, refused));
    EXPECT_NE(joined(refused).find("readonly"), std::string::npos) << joined(refused);
    EXPECT_EQ(query(*c, "select f_zymc from tbzyda where f_zybm='0002'")->text(0, 0), "王建国");

    ASSERT_EQ(::chmod(db.location().c_str(), 0644), 0);
    Variant saved = batch({rename});
    EXPECT_TRUE(platform::ExecBatch(*c, saved)) << joined(saved);
    EXPECT_EQ(query(*c, "select f_zymc from tbzyda where f_zybm='0002'")->text(0, 0), "新名");

    std::vector<std::string> none;
    coord::openCoordinator(db.options(), &none);
    EXPECT_TRUE(none.empty());
}

// SQLite reads LEFT and RIGHT as join words; calls are quoted, nothing else.
TEST(SqliteTextFunctions, OnlyCallsAreQuoted) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"and left(right(z.f_djh,4),1)<>'6' ", "and \"left\"(\"right\"(z.f_djh,4),1)<>'6' "},
        {"select LEFT (a,1) from t left join u on 1=1", "select \"LEFT\" (a,1) from t left join u on 1=1"},
        {"left join (select 1) x", "left join (select 1) x"},
        {"select 'left(x)', \"right\"(a,1), f_left(a) -- left(b)\n/* right(c) */",
         "select 'left(x)', \"right\"(a,1), f_left(a) -- left(b)\n/* right(c) */"},
        {"select 'it''s left(' || left(a,1)", "select 'it''s left(' || \"left\"(a,1)"},
    };
    for (const auto& c : cases) EXPECT_EQ(coord::quoteTextFunctionCalls(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace trunaccount
