#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <type_traits>
#include <variant>

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

namespace {

// A field of the record as text: texts as they are, numbers in decimal, switches "true" or "false".
std::string fieldText(const SystemParameters& r, const ParameterFieldInfo& info) {
    return std::visit(
        [&](auto member) -> std::string {
            const auto& v = r.*member;
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) return v;
            else if constexpr (std::is_same_v<T, bool>) return v ? "true" : "false";
            else if constexpr (std::is_same_v<T, double>) {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%g", v);
                return buf;
            } else return std::to_string(v);
        },
        info.field);
}

// Gives the field a value other than `unlike`, so that a test sees it replaced.
void presetOther(SystemParameters& r, const ParameterFieldInfo& info, const std::string& unlike) {
    std::visit(
        [&](auto member) {
            auto& v = r.*member;
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) v = "before";
            else if constexpr (std::is_same_v<T, bool>) v = unlike != "true";
            else v = static_cast<T>(-7);
        },
        info.field);
}

}  // namespace

TEST(TVeyraClass, EveryCatalogueEntryWhoseKeyIsMissing) {
    // Request number, key, and what a missing key gives: "!" and the message
    // that fails the load, or the value stored (unit type "03").
    struct Entry {
        int number;
        const char* key;
        const char* missing;
    } entries[] = {
        {0, "qyny", "!没有可利用的启用年月！"},
        {39, "rqssj", "!取得日起始时间时出错！"},
        {13, "dybm", ""},
        {5, "dwmc", "!没有可利用的单位名称！"},
        {74, "ysjscdjdbm", "!没有可利用的验收价生成定价单部门！"},
        {71, "sjkbbh", "!没有可利用的数据库版本号！"},
        {70, "hykls", "!没有可利用的会员卡连锁！"},
        {76, "djfgfs", "0"},
        {11, "ysqr", "!没有可利用的验收确认！"},
        {22, "ypthphkz", "1"},
        {6, "sh", "!没有可利用的税号！"},
        {7, "dz", "!没有可利用的单位地址！"},
        {18, "fgckjb", "!没有可利用的分割仓库级别！"},
        {19, "sphsfs", "!没有可利用的商品核算方式！"},
        {61, "jsxtfs", "!没有可利用的结算系统方式！"},
        {62, "pslssj", "0"},
        {20, "jjcbhsff", "!没有可利用的进价成本核算方法！"},
        {21, "sjcbhsff", "!没有可利用的售价成本核算方法！"},
        {77, "psxzsl", "100000"},
        {78, "xsxzsl", "100000"},
        {79, "jhxzsl", "100000"},
        {23, "cbjzfs", "!没有可利用的成本结转方式！"},
        {8, "lxdh", "!没有可利用的联系电话！"},
        {9, "khh", "!没有可利用的开户行！"},
        {10, "zh", "!没有可利用的账号！"},
        {14, "sljd", "!没有可利用的数量精度！"},
        {16, "jjkz", "false"},
        {15, "lskz", "!没有可利用的连锁控制！"},
        {73, "kpyxcfsp", "true"},
        {31, "cpzkspyzbkz", "0"},
        {40, "jzscltjbc", "0"},
        {41, "jzsclyxjjsxzpzdp", "0"},
        {72, "psysjscdjd", "!没有可利用的配送验收价生成定价单！"},
        {17, "cskz", "!没有可利用的厂商控制！"},
        {25, "zrrkz", "!没有可利用的责任人控制！"},
        {26, "dddyhs", "!没有可利用的订货单打印行数！"},
        {75, "spfzflx", "0"},
        {27, "brddyhs", "!没有可利用的拨入单打印行数！"},
        {28, "brdhscfs", "!没有可利用的拨入单号生成方式！"},
        {80, "dddysjj", "0"},
        {50, "psdahsfg", "1"},
        {51, "ysdahsfg", "1"},
        {52, "xsdahsfg", "1"},
        {29, "bcddyhs", "!没有可利用的拨出单打印行数！"},
        {60, "tjddyhs", "!没有可利用的调价单打印行数！"},
        {30, "bcdhscfs", "!没有可利用的拨出单号生成方式！"},
        {37, "sgddyhs", "!没有可利用的上柜（直配）单打印行数！"},
        {38, "sgdhscfs", "!没有可利用的上柜（直配）单号生成方式！"},
        {44, "ykddyhs", "!没有可利用的移库单打印行数！"},
        {45, "ykdhscfs", "!没有可利用的移库单号生成方式！"},
        {33, "dbddyhs", "!没有可利用的调拨单打印行数！"},
        {34, "dbdhscfs", "!没有可利用的调拨单号生成方式！"},
        {35, "jgddyhs", "!没有可利用的加工单打印行数！"},
        {36, "jgdhscfs", "!没有可利用的加工单号生成方式！"},
        {42, "tbddyhs", "!没有可利用的退补单打印行数！"},
        {43, "tbdhscfs", "!没有可利用的退补单号生成方式！"},
        {46, "syddyhs", "!没有可利用的损溢单打印行数！"},
        {47, "sydhscfs", "!没有可利用的损溢单号生成方式！"},
        {48, "ysddyhs", "!没有可利用的验收单打印行数！"},
        {49, "ysdhscfs", "!没有可利用的验收单号生成方式！"},
        {54, "pdbdyhs", "!没有可利用的盘点单打印行数！"},
        {53, "pdbhscfs", "!没有可利用的盘点单号生成方式！"},
        {55, "thddyhs", "!没有可利用的提货单打印行数！"},
        {56, "ptfpdyhs", "!没有可利用的普通发票打印行数！"},
        {57, "thcpbxxdythqd", "!没有可利用的退货出票必须先打印退货清单！"},
        {58, "zjdyfs", "!没有可利用的整件打印方式！"},
        {59, "ddysfs", "!没有可利用的订单验收方式！"},
        {63, "hsdwh", "!没有可利用的核算单位号！"},
        {64, "dpckbm", "!没有可利用的代配仓库编码！"},
        {65, "dpjfs", "!没有可利用的代配价方式！"},
        {66, "thjjclfs", "!没有可利用的退货进价处理方式！"},
        {67, "ddyszzfs", "!没有可利用的订单验收终止方式！"},
        {68, "ddyxrqqy", "!没有可利用的订单有效日期启用！"},
        {69, "ysfs", "!没有可利用的验收方式！"},
        {81, "khzqqy", "!没有可利用的客户账期启用！"},
        {82, "zkhwlqy", "!没有可利用的总客户往来启用！"},
        {83, "hykxc", "0"},
        {84, "xsfkz", "!没有可利用的小数分控制！"},
        {85, "kckz", "1"},
        {86, "hyklwms", "!没有可利用的会员卡联网模式！"},
        {87, "yckqzj", "!没有可利用的远程卡前置机！"},
        {89, "mdzdysj", "false"},
        {89, "mdzdyjj", "false"},
        {90, "dchy", "false"},
        {91, "xstbqyrq", ""},
        {92, "ddbrkz", "false"},
        {93, "ypphqy", "0"},
        {94, "zmqy", "0"},
        {95, "djphmrz", "0"},
        {96, "ypphchsclfs", "0"},
        {97, "sxcycbft", "0"},
        {98, "sxqmpkc", "0"},
        {99, "xpdjmrsl", "17"},
        {100, "zbbm", ""},
        {101, "dztqy", "false"},
        {102, "ddzxqy", "false"},
        {103, "psfpbdyhs", "25"},
        {104, "jjbkzzxzbjj", "false"},
        {105, "fmlspyjzdsy", "false"},
        {106, "sxpdsyflfs", "0"},
        {107, "sxpdsyfzfl", "0"},
        {108, "ddzxyslxsl", "0"},
        {109, "ddsczb", "false"},
        {110, "pdyxcfsp", "true"},
        {32, "ysxzpssp", "false"},
        {111, "jekzsptj", "false"},
        {112, "mdqyrjxstb", "false"},
        {113, "jzsjzdtj", "false"},
        {114, "tyspddcsf", "0"},
        {115, "jhddyhs", "!没有可利用的拣货单打印行数！"},
        {116, "ycspl", ""},
        {117, "hykcszt", "0"},
        {118, "ddzxsqdtqhb", "1"},
        {119, "typdrfbmjz", "0"},
        {121, "hykkhxe", "0"},
        {122, "dcjdbzrck", ""},
        {123, "Psdjzycts", "0"},
        {124, "bbcszbsz", "false"},
        {125, "djbzkz", "0"},
        {126, "zysqzlyx", "true"},
    };
    for (const auto& e : entries) {
        SCOPED_TRACE(std::string(e.key) + " #" + std::to_string(e.number));
        const ParameterFieldInfo* field = findSystemParameterField(e.key);
        ASSERT_NE(field, nullptr);
        const bool fails = e.missing[0] == '!';
        Fixture f(Params{{"dwlx", "03"}});
        SystemParameters record;
        presetOther(record, *field, e.missing);
        if (fails) {
            EXPECT_EQ(f.load({e.number}, record), e.missing + 1);
        } else {
            EXPECT_EQ(f.load({e.number}, record), "");
            EXPECT_EQ(fieldText(record, *field), e.missing);
        }
    }
}

TEST(TVeyraClass, EveryCatalogueEntryWithASpecialRuleForItsValue) {
    struct Case {
        const char* name;
        Params table;  // besides dwlx "03"
        int number;
        const char* key;
        const char* expected;  // the field as text, or "!" and the load's message
    } cases[] = {
        {"quantity limit blank", {{"psxzsl", "   "}}, 77, "psxzsl", "100000"},
        {"sales limit blank", {{"xsxzsl", ""}}, 78, "xsxzsl", "100000"},
        {"purchase limit blank", {{"jhxzsl", "  "}}, 79, "jhxzsl", "100000"},
        {"purchase limit", {{"jhxzsl", "12"}}, 79, "jhxzsl", "12"},
        {"purchase limit not a number", {{"jhxzsl", "x1"}}, 79, "jhxzsl", "!'x1' is not a valid integer value"},
        {"grouping type empty", {{"spfzflx", ""}}, 75, "spfzflx", "0"},
        {"grouping type", {{"spfzflx", "3"}}, 75, "spfzflx", "3"},
        {"card discount empty", {{"hykxc", ""}}, 83, "hykxc", "0"},
        {"card discount blank is no number", {{"hykxc", "  "}}, 83, "hykxc", "!'  ' is not a valid integer value"},
        {"acceptance confirmed", {{"ysqr", "1"}}, 11, "ysqr", "1"},
        {"acceptance other than 1", {{"ysqr", "yes"}}, 11, "ysqr", "0"},
        {"batch control 1", {{"ypthphkz", "1"}}, 22, "ypthphkz", "1"},
        {"batch control other than 1", {{"ypthphkz", "0"}}, 22, "ypthphkz", "0"},
        {"batch control key in capitals is not it", {{"YPTHPHKZ", "0"}}, 22, "ypthphkz", "1"},
        {"other keys in any case", {{"DWMC", "总店"}}, 5, "dwmc", "总店"},
        {"precision 2", {{"sljd", "2"}}, 14, "sljd", "0.00"},
        {"precision 0", {{"sljd", "0"}}, 14, "sljd", "0."},
        {"precision negative", {{"sljd", "-1"}}, 14, "sljd", "0."},
        {"goods accounting missing for a unit type other than 00", {}, 19, "sphsfs", "!没有可利用的商品核算方式！"},
        {"goods accounting stored", {{"sphsfs", "3"}}, 19, "sphsfs", "3"},
        {"chain code stored", {{"dybm", "A01"}}, 13, "dybm", "A01"},
        {"store price switch on, second missing", {{"mdzdysj", "1"}}, 89, "mdzdyjj", "false"},
        {"store price switches both on", {{"mdzdysj", "1"}, {"mdzdyjj", "1"}}, 89, "mdzdyjj", "true"},
        {"store price switch off leaves the second unread", {{"mdzdysj", "2"}, {"mdzdyjj", "1"}}, 89, "mdzdyjj", "false"},
        {"switch other than 1", {{"dchy", "Y"}}, 90, "dchy", "false"},
        {"switch 1", {{"dchy", "1"}}, 90, "dchy", "true"},
        {"number", {{"xpdjmrsl", "0.5"}}, 99, "xpdjmrsl", "0.5"},
        {"integer by the value's own conversion", {{"dddyhs", "2.5"}}, 26, "dddyhs", "2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(Params{{"dwlx", "03"}});
        for (const auto& p : c.table) f.set(p.first, p.second);
        SystemParameters record;
        const ParameterFieldInfo* field = findSystemParameterField(c.key);
        ASSERT_NE(field, nullptr);
        presetOther(record, *field, c.expected);
        const std::string message = f.load({c.number}, record);
        if (c.expected[0] == '!') {
            EXPECT_EQ(message, c.expected + 1);
        } else {
            EXPECT_EQ(message, "");
            EXPECT_EQ(fieldText(record, *field), c.expected);
        }
    }
}
