#include "data/veyra_class.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "platform/coordinator_calls.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace trunaccount {

namespace {

// How a found value becomes the field's value.
enum class Conversion {
    Text,           // the value as text
    ToInteger,      // the value's own conversion to a 32-bit integer
    TextToInteger,  // the value as text, read as a decimal integer
    EqualsOne,      // true exactly when the value is "1"
    Number,         // the value as a double
    OneOrZero,      // the value as text, any value other than "1" stored as "0"
    Precision,      // n decimals of quantities: "0." followed by n zeros
};

enum class Missing {
    Message,            // the load fails with the text
    Default,            // the text, read as the field's type, is stored
    DependsOnUnitType,  // decided by the unit type "dwlx" (see below)
};

constexpr int kAlways = -1;  // looked up whatever the request holds

struct CatalogueEntry {
    int number;
    std::string_view key;
    Conversion conversion;
    Missing missing;
    std::string_view missingText;  // message or default value
};

// Every entry of the parameter table the loader knows, in processing order.
constexpr CatalogueEntry kCatalogue[] = {
    {kAlways, "dwlx", Conversion::Text, Missing::Message, "没有可利用的单位类型！"},
    {0, "qyny", Conversion::Text, Missing::Message, "没有可利用的启用年月！"},
    {39, "rqssj", Conversion::Text, Missing::Message, "取得日起始时间时出错！"},
    {13, "dybm", Conversion::Text, Missing::DependsOnUnitType, "没有可利用的连锁编码及前台销售柜组编码！"},
    {5, "dwmc", Conversion::Text, Missing::Message, "没有可利用的单位名称！"},
    {74, "ysjscdjdbm", Conversion::Text, Missing::Message, "没有可利用的验收价生成定价单部门！"},
    {71, "sjkbbh", Conversion::Text, Missing::Message, "没有可利用的数据库版本号！"},
    {70, "hykls", Conversion::Text, Missing::Message, "没有可利用的会员卡连锁！"},
    {76, "djfgfs", Conversion::Text, Missing::Default, "0"},
    {11, "ysqr", Conversion::OneOrZero, Missing::Message, "没有可利用的验收确认！"},
    {22, "ypthphkz", Conversion::OneOrZero, Missing::Default, "1"},
    {6, "sh", Conversion::Text, Missing::Message, "没有可利用的税号！"},
    {7, "dz", Conversion::Text, Missing::Message, "没有可利用的单位地址！"},
    {18, "fgckjb", Conversion::ToInteger, Missing::Message, "没有可利用的分割仓库级别！"},
    {19, "sphsfs", Conversion::TextToInteger, Missing::DependsOnUnitType, "没有可利用的商品核算方式！"},
    {61, "jsxtfs", Conversion::TextToInteger, Missing::Message, "没有可利用的结算系统方式！"},
    {62, "pslssj", Conversion::Text, Missing::Default, "0"},
    {20, "jjcbhsff", Conversion::TextToInteger, Missing::Message, "没有可利用的进价成本核算方法！"},
    {21, "sjcbhsff", Conversion::TextToInteger, Missing::Message, "没有可利用的售价成本核算方法！"},
    {77, "psxzsl", Conversion::TextToInteger, Missing::Default, "100000"},
    {78, "xsxzsl", Conversion::TextToInteger, Missing::Default, "100000"},
    {79, "jhxzsl", Conversion::TextToInteger, Missing::Default, "100000"},
    {23, "cbjzfs", Conversion::TextToInteger, Missing::Message, "没有可利用的成本结转方式！"},
    {8, "lxdh", Conversion::Text, Missing::Message, "没有可利用的联系电话！"},
    {9, "khh", Conversion::Text, Missing::Message, "没有可利用的开户行！"},
    {10, "zh", Conversion::Text, Missing::Message, "没有可利用的账号！"},
    {14, "sljd", Conversion::Precision, Missing::Message, "没有可利用的数量精度！"},
    {16, "jjkz", Conversion::EqualsOne, Missing::Default, "false"},
    {15, "lskz", Conversion::EqualsOne, Missing::Message, "没有可利用的连锁控制！"},
    {73, "kpyxcfsp", Conversion::EqualsOne, Missing::Default, "true"},
    {31, "cpzkspyzbkz", Conversion::Text, Missing::Default, "0"},
    {40, "jzscltjbc", Conversion::Text, Missing::Default, "0"},
    {41, "jzsclyxjjsxzpzdp", Conversion::Text, Missing::Default, "0"},
    {72, "psysjscdjd", Conversion::EqualsOne, Missing::Message, "没有可利用的配送验收价生成定价单！"},
    {17, "cskz", Conversion::EqualsOne, Missing::Message, "没有可利用的厂商控制！"},
    {25, "zrrkz", Conversion::EqualsOne, Missing::Message, "没有可利用的责任人控制！"},
    {26, "dddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的订货单打印行数！"},
    {75, "spfzflx", Conversion::TextToInteger, Missing::Default, "0"},
    {27, "brddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的拨入单打印行数！"},
    {28, "brdhscfs", Conversion::Text, Missing::Message, "没有可利用的拨入单号生成方式！"},
    {80, "dddysjj", Conversion::Text, Missing::Default, "0"},
    {50, "psdahsfg", Conversion::Text, Missing::Default, "1"},
    {51, "ysdahsfg", Conversion::Text, Missing::Default, "1"},
    {52, "xsdahsfg", Conversion::Text, Missing::Default, "1"},
    {29, "bcddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的拨出单打印行数！"},
    {60, "tjddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的调价单打印行数！"},
    {30, "bcdhscfs", Conversion::Text, Missing::Message, "没有可利用的拨出单号生成方式！"},
    {37, "sgddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的上柜（直配）单打印行数！"},
    {38, "sgdhscfs", Conversion::Text, Missing::Message, "没有可利用的上柜（直配）单号生成方式！"},
    {44, "ykddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的移库单打印行数！"},
    {45, "ykdhscfs", Conversion::Text, Missing::Message, "没有可利用的移库单号生成方式！"},
    {33, "dbddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的调拨单打印行数！"},
    {34, "dbdhscfs", Conversion::Text, Missing::Message, "没有可利用的调拨单号生成方式！"},
    {35, "jgddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的加工单打印行数！"},
    {36, "jgdhscfs", Conversion::Text, Missing::Message, "没有可利用的加工单号生成方式！"},
    {42, "tbddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的退补单打印行数！"},
    {43, "tbdhscfs", Conversion::Text, Missing::Message, "没有可利用的退补单号生成方式！"},
    {46, "syddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的损溢单打印行数！"},
    {47, "sydhscfs", Conversion::Text, Missing::Message, "没有可利用的损溢单号生成方式！"},
    {48, "ysddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的验收单打印行数！"},
    {49, "ysdhscfs", Conversion::Text, Missing::Message, "没有可利用的验收单号生成方式！"},
    {54, "pdbdyhs", Conversion::ToInteger, Missing::Message, "没有可利用的盘点单打印行数！"},
    {53, "pdbhscfs", Conversion::Text, Missing::Message, "没有可利用的盘点单号生成方式！"},
    {55, "thddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的提货单打印行数！"},
    {56, "ptfpdyhs", Conversion::ToInteger, Missing::Message, "没有可利用的普通发票打印行数！"},
    {57, "thcpbxxdythqd", Conversion::Text, Missing::Message, "没有可利用的退货出票必须先打印退货清单！"},
    {58, "zjdyfs", Conversion::Text, Missing::Message, "没有可利用的整件打印方式！"},
    {59, "ddysfs", Conversion::Text, Missing::Message, "没有可利用的订单验收方式！"},
    {63, "hsdwh", Conversion::Text, Missing::Message, "没有可利用的核算单位号！"},
    {64, "dpckbm", Conversion::Text, Missing::Message, "没有可利用的代配仓库编码！"},
    {65, "dpjfs", Conversion::Text, Missing::Message, "没有可利用的代配价方式！"},
    {66, "thjjclfs", Conversion::Text, Missing::Message, "没有可利用的退货进价处理方式！"},
    {67, "ddyszzfs", Conversion::ToInteger, Missing::Message, "没有可利用的订单验收终止方式！"},
    {68, "ddyxrqqy", Conversion::ToInteger, Missing::Message, "没有可利用的订单有效日期启用！"},
    {69, "ysfs", Conversion::ToInteger, Missing::Message, "没有可利用的验收方式！"},
    {81, "khzqqy", Conversion::Text, Missing::Message, "没有可利用的客户账期启用！"},
    {82, "zkhwlqy", Conversion::Text, Missing::Message, "没有可利用的总客户往来启用！"},
    {83, "hykxc", Conversion::TextToInteger, Missing::Default, "0"},
    {84, "xsfkz", Conversion::TextToInteger, Missing::Message, "没有可利用的小数分控制！"},
    {85, "kckz", Conversion::Text, Missing::Default, "1"},
    {86, "hyklwms", Conversion::Text, Missing::Message, "没有可利用的会员卡联网模式！"},
    {87, "yckqzj", Conversion::Text, Missing::Message, "没有可利用的远程卡前置机！"},
    {89, "mdzdysj", Conversion::EqualsOne, Missing::Default, "false"},
    {89, "mdzdyjj", Conversion::EqualsOne, Missing::Default, "false"},
    {90, "dchy", Conversion::EqualsOne, Missing::Default, "false"},
    {91, "xstbqyrq", Conversion::Text, Missing::Default, ""},
    {92, "ddbrkz", Conversion::EqualsOne, Missing::Default, "false"},
    {93, "ypphqy", Conversion::Text, Missing::Default, "0"},
    {94, "zmqy", Conversion::Text, Missing::Default, "0"},
    {95, "djphmrz", Conversion::Text, Missing::Default, "0"},
    {96, "ypphchsclfs", Conversion::Text, Missing::Default, "0"},
    {97, "sxcycbft", Conversion::Text, Missing::Default, "0"},
    {98, "sxqmpkc", Conversion::Text, Missing::Default, "0"},
    {99, "xpdjmrsl", Conversion::Number, Missing::Default, "17"},
    {100, "zbbm", Conversion::Text, Missing::Default, ""},
    {101, "dztqy", Conversion::EqualsOne, Missing::Default, "false"},
    {102, "ddzxqy", Conversion::EqualsOne, Missing::Default, "false"},
    {103, "psfpbdyhs", Conversion::ToInteger, Missing::Default, "25"},
    {104, "jjbkzzxzbjj", Conversion::EqualsOne, Missing::Default, "false"},
    {105, "fmlspyjzdsy", Conversion::EqualsOne, Missing::Default, "false"},
    {106, "sxpdsyflfs", Conversion::ToInteger, Missing::Default, "0"},
    {107, "sxpdsyfzfl", Conversion::ToInteger, Missing::Default, "0"},
    {108, "ddzxyslxsl", Conversion::Text, Missing::Default, "0"},
    {109, "ddsczb", Conversion::EqualsOne, Missing::Default, "false"},
    {110, "pdyxcfsp", Conversion::EqualsOne, Missing::Default, "true"},
    {32, "ysxzpssp", Conversion::EqualsOne, Missing::Default, "false"},
    {111, "jekzsptj", Conversion::EqualsOne, Missing::Default, "false"},
    {112, "mdqyrjxstb", Conversion::EqualsOne, Missing::Default, "false"},
    {113, "jzsjzdtj", Conversion::EqualsOne, Missing::Default, "false"},
    {114, "tyspddcsf", Conversion::Text, Missing::Default, "0"},
    {115, "jhddyhs", Conversion::ToInteger, Missing::Message, "没有可利用的拣货单打印行数！"},
    {116, "ycspl", Conversion::Text, Missing::Default, ""},
    {117, "hykcszt", Conversion::Text, Missing::Default, "0"},
    {118, "ddzxsqdtqhb", Conversion::Text, Missing::Default, "1"},
    {119, "typdrfbmjz", Conversion::Text, Missing::Default, "0"},
    {121, "hykkhxe", Conversion::ToInteger, Missing::Default, "0"},
    {122, "dcjdbzrck", Conversion::Text, Missing::Default, ""},
    {123, "Psdjzycts", Conversion::ToInteger, Missing::Default, "0"},
    {124, "bbcszbsz", Conversion::EqualsOne, Missing::Default, "false"},
    {125, "djbzkz", Conversion::Text, Missing::Default, "0"},
    {126, "zysqzlyx", Conversion::EqualsOne, Missing::Default, "true"},
};

// Entries whose blank value counts as missing, and entries whose empty value gives 0.
constexpr std::string_view kBlankIsMissing[] = {"psxzsl", "xsxzsl", "jhxzsl"};
constexpr std::string_view kEmptyIsZero[] = {"spfzflx", "hykxc"};
// The one key matched with its exact letter case.
constexpr std::string_view kCaseSensitiveKey = "ypthphkz";

template <std::size_t N>
bool among(const std::string_view (&set)[N], std::string_view key) {
    for (auto k : set)
        if (k == key) return true;
    return false;
}

class LoadFailed {
public:
    explicit LoadFailed(std::string m) : message(std::move(m)) {}
    std::string message;
};

std::int32_t textToInt32(const std::string& text) {
    std::string_view s = text;
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    std::int32_t value = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size() || (s.front() == '-' && s.size() == 1))
        throw ConversionError("'" + text + "' is not a valid integer value");
    return value;
}

std::string firstChars(const std::string& s, std::size_t n) {
    auto cps = platform::toCodePoints(s);
    if (cps.size() <= n) return s;
    return platform::fromCodePoints(std::u32string_view(cps).substr(0, n));
}

// The parameter table as received: key lookup and the values' conversions.
class ParameterTable {
public:
    explicit ParameterTable(const DataPacket& p) : packet_(p) {
        keyCol_ = column("f_Csmc");
        valueCol_ = column("f_csz");
    }

    // The value of the first row whose key matches; null cells read as empty text.
    std::optional<Variant> find(std::string_view key) const {
        bool exact = key == kCaseSensitiveKey;
        for (std::size_t r = 0; r < packet_.rowCount(); ++r) {
            Variant k = packet_.value(r, static_cast<std::size_t>(keyCol_));
            std::string ks = k.isNull() ? std::string() : k.toText();
            if (exact ? ks == key : platform::equalsIgnoreAsciiCase(ks, key)) {
                Variant v = packet_.value(r, static_cast<std::size_t>(valueCol_));
                return v.isNull() ? Variant(std::string()) : v;
            }
        }
        return std::nullopt;
    }

private:
    int column(std::string_view name) const {
        int c = packet_.columnIndex(name);
        if (c < 0) throw Error("Field '" + std::string(name) + "' not found");
        return c;
    }
    const DataPacket& packet_;
    int keyCol_ = -1;
    int valueCol_ = -1;
};

// Stores a converted value into the record field named by the entry's key.
class FieldWriter {
public:
    FieldWriter(SystemParameters& record, std::string_view key) : record_(record) {
        const auto* info = findSystemParameterField(key);
        if (!info) throw Error("no record field for parameter '" + std::string(key) + "'");
        field_ = info->field;
    }

    // Converts first, stores after: a failed conversion leaves the field untouched.
    void convertAndStore(const Variant& value, Conversion conversion) {
        switch (conversion) {
        case Conversion::Text: storeText(value.toText()); break;
        case Conversion::OneOrZero: storeText(value.toText() == "1" ? "1" : "0"); break;
        case Conversion::ToInteger: storeInt(value.toInt32()); break;
        case Conversion::TextToInteger: storeInt(textToInt32(value.toText())); break;
        case Conversion::EqualsOne: storeBool(value.toText() == "1"); break;
        case Conversion::Number: storeDouble(value.toDouble()); break;
        case Conversion::Precision: {
            std::int32_t n = value.toInt32();
            storeText("0." + std::string(n > 0 ? static_cast<std::size_t>(n) : 0, '0'));
            break;
        }
        }
    }

    void storeDefault(std::string_view text) {
        std::visit(
            [&](auto member) {
                using T = std::remove_reference_t<decltype(record_.*member)>;
                if constexpr (std::is_same_v<T, std::string>) record_.*member = std::string(text);
                else if constexpr (std::is_same_v<T, bool>) record_.*member = text == "true";
                else if constexpr (std::is_same_v<T, std::int32_t>) record_.*member = textToInt32(std::string(text));
                else record_.*member = std::stod(std::string(text));
            },
            field_);
    }

private:
    template <typename T>
    void store(T value) {
        auto* member = std::get_if<T SystemParameters::*>(&field_);
        if (!member) throw Error("parameter field has another type");
        record_.**member = std::move(value);
    }
    void storeText(std::string v) { store<std::string>(std::move(v)); }
    void storeInt(std::int32_t v) { store<std::int32_t>(v); }
    void storeBool(bool v) { store<bool>(v); }
    void storeDouble(double v) { store<double>(v); }

    SystemParameters& record_;
    ParameterField field_;
};

}  // namespace

ParameterRequest windowParameterRequest() { return {0, 1, 2, 3, 4, 12, 63, 100}; }

TVeyraClass::TVeyraClass(CoordinatorRef coordinator, platform::WindowHandle owner)
    : coordinator_(std::move(coordinator)), owner_(owner) {
    bool ok = false;
    try {
        if (coordinator_) {
            auto text = platform::GetDbType(*coordinator_).textForm();
            if (text) {
                databaseType_ = std::move(*text);
                ok = true;
            }
        }
    } catch (const std::exception&) {
    }
    if (!ok) {
        platform::messageBox(owner_, "获取数据库类型失败!", "警告", platform::MB_OK | platform::MB_ICONWARNING);
        databaseType_ = "SQLSERVER";
    }
}

bool TVeyraClass::LoadParameters(SystemParameters& record, const ParameterRequest& request, std::string& message) {
    message.clear();
    coordinatorReason_.clear();
    try {
        if (!coordinator_) throw Error("no coordinator");
        auto& coord = *coordinator_;
        Variant call;
        auto require = [&](bool ok, const char* failure) {
            if (ok) return;
            if (call.isArray())
                for (const auto& line : call.asArray())
                    if (auto text = line.textForm()) coordinatorReason_.push_back(std::move(*text));
            throw LoadFailed(failure);
        };

        record.databaseType = databaseType_;
        if (request.contains(1)) {
            require(platform::GetYearMonth(coord, call), "取得当前年月时出错！");
            record.currentYearMonth = call.toText();
        }
        if (request.contains(2)) {
            require(platform::GetServerDateTime(coord, call), "取得当前日期时间时出错！");
            record.serverDateTime = call.toText();
        }
        if (request.contains(3)) {
            require(platform::GetServerDate(coord, call), "取得当前日期时出错！");
            record.serverDate = firstChars(call.toText(), 8);
        }
        if (request.contains(4) && !record.operatorCode.empty()) {
            call = Variant(record.operatorCode);
            require(platform::GetOperatorName(coord, 1, call), "取得制单人名称时出错！！");
            if (!call.isPacket() || !call.asPacket()) throw Error("the operator name did not come as a data packet");
            packetTable_ = call.asPacket();
            int col = packetTable_->columnIndex("f_zymc");
            if (col < 0) throw Error("Field 'f_zymc' not found");
            record.operatorName =
                packetTable_->rowCount() == 0 || packetTable_->isNull(0, static_cast<std::size_t>(col))
                    ? std::string()
                    : packetTable_->value(0, static_cast<std::size_t>(col)).toText();
        }
        if (!request.hasOtherThan({1, 3, 4})) return true;

        require(platform::GetSystemParams(coord, call), "取得系统参数时出错！");
        if (!call.isPacket() || !call.asPacket()) throw Error("the system parameters did not come as a data packet");
        packetTable_ = call.asPacket();
        ParameterTable table(*packetTable_);

        for (const auto& entry : kCatalogue) {
            if (entry.number != kAlways && !request.contains(entry.number)) continue;
            if (entry.key == "mdzdyjj") continue;  // read together with "mdzdysj"

            FieldWriter field(record, entry.key);
            auto value = table.find(entry.key);
            if (value && among(kBlankIsMissing, entry.key) && platform::trimBlanks(value->toText()).empty())
                value.reset();
            if (value && among(kEmptyIsZero, entry.key) && value->toText().empty()) value = Variant("0");

            if (entry.key == "mdzdysj") {
                // The second switch counts only when the first one is on.
                bool on = value && value->toText() == "1";
                bool second = false;
                if (on) {
                    auto v2 = table.find("mdzdyjj");
                    second = v2 && v2->toText() == "1";
                }
                record.mdzdysj = on;
                record.mdzdyjj = second;
                continue;
            }
            if (value) {
                field.convertAndStore(*value, entry.conversion);
                continue;
            }
            switch (entry.missing) {
            case Missing::Message: throw LoadFailed(std::string(entry.missingText));
            case Missing::Default: field.storeDefault(entry.missingText); break;
            case Missing::DependsOnUnitType:
                if (entry.key == "dybm") {
                    // Chain stores and front-desk sales need their chain code.
                    if (record.dwlx == "02" || record.dwlx == "01" || record.dwlx == "11")
                        throw LoadFailed(std::string(entry.missingText));
                    field.storeDefault("");
                } else {  // "sphsfs": only unit type "00" may go without, and then counts as 1
                    if (record.dwlx != "00") throw LoadFailed(std::string(entry.missingText));
                    field.storeDefault("1");
                }
                break;
            }
        }
        return true;
    } catch (const LoadFailed& f) {
        message = f.message;
    } catch (const std::exception& e) {
        message = e.what();
    }
    return false;
}

}  // namespace trunaccount
