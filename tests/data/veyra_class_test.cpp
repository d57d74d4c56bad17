#include <gtest/gtest.h>

#include <map>

#include "data/veyra_class.h"
#include "support/message_box_recorder.h"
#include "support/scripted_coordinator.h"

using namespace trunaccount;
using trunaccount::testing::MessageBoxRecorder;
using trunaccount::testing::ScriptedCoordinator;
using Op = CoordinatorOp;

namespace {

using Params = std::vector<std::pair<std::string, std::string>>;

// A coordinator answering every operation, with the parameter table given.
struct Fixture {
    explicit Fixture(Params table = {{"dwlx", "00"}, {"qyny", "202401"}, {"hsdwh", "0101"}, {"zbbm", "Z01"}})
        : params(std::move(table)) {
        ref = ScriptedCoordinator::create(&sc);
        sc->onGetDbType = [] { return Variant("SQLITE"); };
        sc->onGetYearMonth = [](Variant& v) { return v = Variant("202612"), true; };
        sc->onGetServerDateTime = [](Variant& v) { return v = Variant("2026120922:12:26"), true; };
        sc->onGetServerDate = [](Variant& v) { return v = Variant("20261209 extra"), true; };
        sc->onGetOperatorName = [](std::int32_t, Variant& v) {
            v = Variant(ScriptedCoordinator::textPacket({"f_zymc"}, {{"王会计"}}));
            return true;
        };
        sc->onGetSystemParams = [this](Variant& v) {
            std::vector<std::vector<std::string>> rows;
            for (auto& [k, val] : this->params) rows.push_back({k, val});
            v = Variant(ScriptedCoordinator::textPacket({"f_Csmc", "f_csz"}, rows));
            return true;
        };
    }
    void set(const std::string& key, const std::string& value) { params.push_back({key, value}); }

    // Loads with the request; returns the message ("" on success).
    std::string load(const ParameterRequest& request, SystemParameters& record) {
        TVeyraClass loader(ref, nullptr);
        std::string message;
        bool ok = loader.LoadParameters(record, request, message);
        EXPECT_EQ(ok, message.empty()) << message;
        return message;
    }

    Params params;
    ScriptedCoordinator* sc = nullptr;
    CoordinatorRef ref;
};

}  // namespace

TEST(ParameterRequest, SixteenBytesOneBitPerNumber) {
    ParameterRequest r{0, 9, 63, 127};
    auto bytes = r.toBytes();
    std::array<std::uint8_t, 16> expected{};
    expected[0] = 0x01;
    expected[1] = 0x02;
    expected[7] = 0x80;
    expected[15] = 0x80;
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(ParameterRequest::fromBytes(bytes), r);
    EXPECT_TRUE(r.hasOtherThan({1, 3, 4}));
    EXPECT_FALSE(ParameterRequest({1, 3}).hasOtherThan({1, 3, 4}));
    EXPECT_THROW(ParameterRequest({128}), std::out_of_range);
}

TEST(TVeyraClass, CallsMadeForEachRequest) {
    struct Case {
        const char* name;
        ParameterRequest request;
        std::string operatorCode;
        std::vector<Op> calls;  // after GetDbType
    } cases[] = {
        {"coordinator values only", {1, 3, 4}, "0001", {Op::GetYearMonth, Op::GetServerDate, Op::GetOperatorName}},
        {"no operator code", {1, 3, 4}, "", {Op::GetYearMonth, Op::GetServerDate}},
        {"date and time needs the table", {2}, "", {Op::GetServerDateTime, Op::GetSystemParams}},
        {"a number that asks for nothing still fetches the table", {12}, "", {Op::GetSystemParams}},
        {"the window's request",
         windowParameterRequest(),
         "0001",
         {Op::GetYearMonth, Op::GetServerDateTime, Op::GetServerDate, Op::GetOperatorName, Op::GetSystemParams}},
        {"nothing asked", {}, "0001", {}},
    };
    for (auto& c : cases) {
        Fixture f;
        SystemParameters record;
        record.operatorCode = c.operatorCode;
        EXPECT_EQ(f.load(c.request, record), "") << c.name;
        std::vector<Op> expected{Op::GetDbType};
        expected.insert(expected.end(), c.calls.begin(), c.calls.end());
        EXPECT_EQ(f.sc->ops(), expected) << c.name;
    }
}

TEST(TVeyraClass, WindowRequestFillsTheRecord) {
    Fixture f;
    SystemParameters record;
    record.operatorCode = "0001";
    ASSERT_EQ(f.load(windowParameterRequest(), record), "");
    EXPECT_EQ(record.databaseType, "SQLITE");
    EXPECT_EQ(record.qyny, "202401");
    EXPECT_EQ(record.currentYearMonth, "202612");
    EXPECT_EQ(record.serverDateTime, "2026120922:12:26");
    EXPECT_EQ(record.serverDate, "20261209");
    EXPECT_EQ(record.operatorName, "王会计");
    EXPECT_EQ(record.dwlx, "00");
    EXPECT_EQ(record.hsdwh, "0101");
    EXPECT_EQ(record.zbbm, "Z01");
    EXPECT_EQ(f.sc->calls()[4].args[1], Variant("0001"));  // the staff code goes to GetOperatorName
    EXPECT_EQ(f.sc->calls()[4].args[0], Variant(1));
}

TEST(TVeyraClass, MissingEntriesOfTheWindowsRequest) {
    struct Case {
        const char* without;
        std::string message;
    } cases[] = {
        {"hsdwh", "没有可利用的核算单位号！"},
        {"dwlx", "没有可利用的单位类型！"},
        {"qyny", "没有可利用的启用年月！"},
        {"zbbm", ""},
    };
    for (auto& c : cases) {
        Fixture f;
        std::erase_if(f.params, [&](auto& p) { return p.first == c.without; });
        SystemParameters record;
        record.zbbm = "previous";
        EXPECT_EQ(f.load(windowParameterRequest(), record), c.message) << c.without;
        if (c.message.empty()) {
            EXPECT_EQ(record.zbbm, "");
        }
        if (std::string(c.without) == "hsdwh") {
            EXPECT_EQ(record.qyny, "202401");  // filled before the failure, kept
            EXPECT_EQ(record.serverDate, "20261209");
        }
    }
}

TEST(TVeyraClass, CoordinatorFailuresStopTheLoadWithTheirOwnMessage) {
    struct Case {
        std::function<void(ScriptedCoordinator&)> breakIt;
        std::string message;
    } cases[] = {
        {[](auto& s) { s.onGetYearMonth = nullptr; }, "取得当前年月时出错！"},
        {[](auto& s) { s.onGetServerDateTime = nullptr; }, "取得当前日期时间时出错！"},
        {[](auto& s) { s.onGetServerDate = nullptr; }, "取得当前日期时出错！"},
        {[](auto& s) { s.onGetOperatorName = nullptr; }, "取得制单人名称时出错！！"},
        {[](auto& s) { s.onGetSystemParams = nullptr; }, "取得系统参数时出错！"},
        {[](auto& s) {
             s.onGetSystemParams = [](Variant& v) {
                 return v = Variant(ScriptedCoordinator::textPacket({"name", "value"}, {})), true;
             };
         },
         "Field 'f_Csmc' not found"},
    };
    for (auto& c : cases) {
        Fixture f;
        c.breakIt(*f.sc);
        SystemParameters record;
        record.operatorCode = "0001";
        EXPECT_EQ(f.load(windowParameterRequest(), record), c.message);
    }
}

TEST(TVeyraClass, KeysMatchWhateverTheirCaseButOne) {
    Fixture f(Params{{"DWLX", "00"}, {"Qyny", "202401"}, {"HSDWH", "0102"}, {"YPTHPHKZ", "2"}});
    SystemParameters record;
    ASSERT_EQ(f.load({0, 22, 63}, record), "");
    EXPECT_EQ(record.hsdwh, "0102");
    EXPECT_EQ(record.ypthphkz, "1");  // the capitalised key is not it: the default applies

    Fixture g(Params{{"dwlx", "00"}, {"ypthphkz", "2"}});
    ASSERT_EQ(g.load({22}, record), "");
    EXPECT_EQ(record.ypthphkz, "0");
}

TEST(TVeyraClass, ConversionsAndDefaults) {
    struct Case {
        const char* name;
        Params extra;
        ParameterRequest request;
        std::function<void(const SystemParameters&)> check;
        std::string message = "";
    } cases[] = {
        {"blank quantity limit is missing", {{"psxzsl", "   "}}, {77}, [](auto& r) { EXPECT_EQ(r.psxzsl, 100000); }},
        {"quantity limit", {{"xsxzsl", " 250"}}, {78}, [](auto& r) { EXPECT_EQ(r.xsxzsl, 250); }},
        {"quantity limit not a number", {{"psxzsl", "abc"}}, {77},
         [](auto& r) { EXPECT_EQ(r.psxzsl, 0); }, "'abc' is not a valid integer value"},
        {"precision 3", {{"sljd", "3"}}, {14}, [](auto& r) { EXPECT_EQ(r.sljd, "0.000"); }},
        {"precision 0", {{"sljd", "0"}}, {14}, [](auto& r) { EXPECT_EQ(r.sljd, "0."); }},
        {"precision negative", {{"sljd", "-2"}}, {14}, [](auto& r) { EXPECT_EQ(r.sljd, "0."); }},
        {"precision missing", {}, {14}, nullptr, "没有可利用的数量精度！"},
        {"empty gives 0", {{"spfzflx", ""}, {"hykxc", ""}}, {75, 83},
         [](auto& r) { EXPECT_EQ(r.spfzflx + r.hykxc, 0); }},
        {"blank is not empty", {{"hykxc", " "}}, {83}, nullptr, "' ' is not a valid integer value"},
        {"sphsfs may be missing for unit type 00", {}, {19}, [](auto& r) { EXPECT_EQ(r.sphsfs, 1); }},
        {"dybm may be missing for unit type 00", {}, {13}, [](auto& r) { EXPECT_EQ(r.dybm, ""); }},
        {"acceptance confirmation other than 1", {{"ysqr", "2"}}, {11}, [](auto& r) { EXPECT_EQ(r.ysqr, "0"); }},
        {"acceptance confirmation missing", {}, {11}, nullptr, "没有可利用的验收确认！"},
        {"switch equals 1", {{"lskz", "1"}, {"cskz", "yes"}}, {15, 17},
         [](auto& r) { EXPECT_TRUE(r.lskz); EXPECT_FALSE(r.cskz); }},
        {"switch defaults", {}, {16, 73, 110},
         [](auto& r) { EXPECT_FALSE(r.jjkz); EXPECT_TRUE(r.kpyxcfsp); EXPECT_TRUE(r.pdyxcfsp); }},
        {"number", {{"xpdjmrsl", "2.5"}}, {99}, [](auto& r) { EXPECT_EQ(r.xpdjmrsl, 2.5); }},
        {"number missing", {}, {99}, [](auto& r) { EXPECT_EQ(r.xpdjmrsl, 17.0); }},
        {"integer by the value's own conversion", {{"fgckjb", " 12 "}}, {18}, [](auto& r) { EXPECT_EQ(r.fgckjb, 12); }},
        {"print lines default", {}, {103}, [](auto& r) { EXPECT_EQ(r.psfpbdyhs, 25); }},
        {"both store switches on", {{"mdzdysj", "1"}, {"mdzdyjj", "1"}}, {89},
         [](auto& r) { EXPECT_TRUE(r.mdzdysj); EXPECT_TRUE(r.mdzdyjj); }},
        {"second switch ignored when the first is off", {{"mdzdysj", "0"}, {"mdzdyjj", "1"}}, {89},
         [](auto& r) { EXPECT_FALSE(r.mdzdysj); EXPECT_FALSE(r.mdzdyjj); }},
        {"second switch ignored when the first is missing", {{"mdzdyjj", "1"}}, {89},
         [](auto& r) { EXPECT_FALSE(r.mdzdyjj); }},
    };
    for (auto& c : cases) {
        Fixture f(Params{{"dwlx", "00"}});
        for (auto& p : c.extra) f.set(p.first, p.second);
        SystemParameters record;
        EXPECT_EQ(f.load(c.request, record), c.message) << c.name;
        if (c.check) c.check(record);
    }
}

TEST(TVeyraClass, UnitTypeDecidesWhetherCodesMayBeMissing) {
    struct Case {
        const char* dwlx;
        int number;
        std::string message;
    } cases[] = {
        {"01", 13, "没有可利用的连锁编码及前台销售柜组编码！"},
        {"02", 13, "没有可利用的连锁编码及前台销售柜组编码！"},
        {"11", 13, "没有可利用的连锁编码及前台销售柜组编码！"},
        {"03", 13, ""},
        {"01", 19, "没有可利用的商品核算方式！"},
        {"00", 19, ""},
    };
    for (auto& c : cases) {
        Fixture f(Params{{"dwlx", c.dwlx}});
        SystemParameters record;
        EXPECT_EQ(f.load({c.number}, record), c.message) << c.dwlx << " #" << c.number;
    }
}

TEST(TVeyraClass, EveryCatalogueEntryLandsInAFieldOfItsType) {
    // A table that holds every key with the value "1" loads for a request of all numbers.
    Params all;
    for (const auto& f : systemParameterFields()) all.push_back({std::string(f.name), "1"});
    Fixture f(all);
    ParameterRequest everything;
    for (int n = 0; n < 128; ++n) everything.insert(n);
    SystemParameters record;
    record.operatorCode = "0001";
    ASSERT_EQ(f.load(everything, record), "");
    EXPECT_EQ(record.dwmc, "1");
    EXPECT_EQ(record.sljd, "0.0");
    EXPECT_TRUE(record.zysqzlyx);
    EXPECT_EQ(record.Psdjzycts, 1);
    EXPECT_EQ(record.xpdjmrsl, 1.0);
    EXPECT_TRUE(record.mdzdyjj);
    EXPECT_FALSE(record.reserved1);  // never filled
}

TEST(TVeyraClass, DatabaseTypeFailureWarnsAndAssumesSqlServer) {
    MessageBoxRecorder boxes;
    int owner = 0;
    {
        Fixture f;
        f.sc->onGetDbType = nullptr;  // the call fails
        TVeyraClass loader(f.ref, &owner);
        EXPECT_EQ(loader.databaseType(), "SQLSERVER");
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "获取数据库类型失败!");
        EXPECT_EQ(boxes.shown()[0].caption, "警告");
        EXPECT_EQ(boxes.shown()[0].icon(), platform::MB_ICONWARNING);
        EXPECT_EQ(boxes.shown()[0].owner, &owner);
        SystemParameters record;
        std::string message;
        EXPECT_TRUE(loader.LoadParameters(record, {0}, message)) << message;  // still usable
        EXPECT_EQ(record.databaseType, "SQLSERVER");
    }
    boxes.clear();
    Fixture g;
    TVeyraClass ok(g.ref, nullptr);
    EXPECT_EQ(ok.databaseType(), "SQLITE");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST(TVeyraClass, HoldsItsCoordinatorUntilDestroyed) {
    Fixture f;
    auto before = f.sc->refCount();
    {
        TVeyraClass loader(f.ref, nullptr);
        EXPECT_EQ(f.sc->refCount(), before + 1);
    }
    EXPECT_EQ(f.sc->refCount(), before);
}
