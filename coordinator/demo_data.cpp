#include "coordinator/demo_data.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "coordinator/audit.h"
#include "coordinator/clock.h"
#include "coordinator/demo_schema.h"
#include "data/text_functions.h"

namespace trunaccount::coord {

namespace {

// SplitMix64: small, fast and the same on every platform (the standard
// library's distributions are not).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <class T, std::size_t N>
    const T& pick(const std::array<T, N>& a) {
        return a[static_cast<std::size_t>(below(static_cast<int>(N)))];
    }
    template <class T>
    const T& pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(below(static_cast<int>(v.size())))];
    }

private:
    std::uint64_t state_;
};

std::string format(const char* fmt, int a) {
    char buf[32];
    std::snprintf(buf, sizeof buf, fmt, a);
    return buf;
}

// An amount of money from cents, exactly as it would be typed.
double money(std::int64_t cents) { return static_cast<double>(cents) / 100.0; }

struct Unit {
    const char *code, *name, *address, *phone;
};
constexpr std::array<Unit, 4> kUnits = {{
    {"1001", "上海浦江商贸有限公司", "上海市浦东新区张杨路1001号", "021-58881001"},
    {"1002", "杭州西溪百货有限公司", "杭州市西湖区文二西路88号", "0571-88012345"},
    {"1003", "南京金陵购物中心有限公司", "南京市秦淮区中山南路49号", "025-84561234"},
    {"1004", "苏州姑苏连锁超市有限公司", "苏州市姑苏区人民路1288号", "0512-65223344"},
}};

using CodeName = std::pair<const char*, const char*>;
constexpr std::array<CodeName, 8> kChannels = {{{"01", "银联刷卡"},
                                                {"02", "支付宝"},
                                                {"03", "微信支付"},
                                                {"04", "京东到家"},
                                                {"05", "美团外卖"},
                                                {"06", "商场联营收款"},
                                                {"07", "银行代收"},
                                                {"08", "现金缴款"}}};
constexpr std::array<CodeName, 6> kPaymentMethods = {
    {{"01", "现金"}, {"02", "转账支票"}, {"03", "电汇"}, {"04", "银行汇票"}, {"05", "网银转账"}, {"06", "银行承兑汇票"}}};
constexpr std::array<CodeName, 7> kReasons = {{{"01", "货款"},
                                               {"02", "预付货款"},
                                               {"03", "费用报销"},
                                               {"04", "保证金退还"},
                                               {"05", "场地租金"},
                                               {"06", "工程款"},
                                               {"07", "促销服务费"}}};
struct Bank {
    const char *code, *name, *account;
};
constexpr std::array<Bank, 6> kBanks = {{
    {"0101", "中国工商银行上海浦东支行", "1001234509000123456"},
    {"0102", "中国建设银行上海分行营业部", "31001520313050012345"},
    {"0103", "中国农业银行杭州西溪支行", "19015101040012345"},
    {"0104", "交通银行南京新街口支行", "320006600018010012345"},
    {"0105", "招商银行苏州分行", "512902345610001"},
    {"0106", "上海浦东发展银行陆家嘴支行", "98470154740012345"},
}};
struct Operator {
    const char *code, *name, *unit;
};
constexpr std::array<Operator, 5> kOperators = {{
    {"0001", "张丽华", "1001"},
    {"0002", "王建国", "1001"},
    {"0003", "李晓梅", "1002"},
    {"0004", "陈志强", "1003"},
    {"0005", "刘芳", "1004"},
}};

constexpr std::array<const char*, 10> kCities = {"上海", "杭州", "宁波", "广州", "深圳",
                                                 "青岛", "无锡", "温州", "厦门", "成都"};
constexpr std::array<const char*, 12> kBrands = {"宏达", "鑫源", "恒丰", "华联", "金鼎", "永盛",
                                                 "联创", "天润", "嘉禾", "瑞丰", "新世纪", "百川"};
constexpr std::array<const char*, 10> kTrades = {"食品", "日化", "电器", "服饰",   "粮油",
                                                 "酒业", "乳业", "家居用品", "文具", "饮料"};
constexpr std::array<const char*, 8> kSurnames = {"赵", "钱", "孙", "李", "周", "吴", "郑", "王"};
constexpr std::array<const char*, 8> kGivenNames = {"伟", "敏", "静", "磊", "洋", "艳", "杰", "娟"};

constexpr std::array<const char*, 8> kRemarks = {"", "", "月结货款", "季度返利发票", "促销费用发票",
                                                 "年度框架协议货款", "新品进场费", "运输费发票"};
constexpr std::array<const char*, 3> kAdjustmentRemarks = {"退补单：价格调整", "退补单：数量差异冲减",
                                                           "退补单：退货冲红"};
constexpr std::array<const char*, 7> kProjects = {"门店装修工程", "收银系统升级", "冷链设备采购", "节日促销活动",
                                                  "仓储叉车租赁", "外墙广告位租赁", "监控系统维护"};
constexpr std::array<const char*, 5> kCostItems = {"材料费", "人工费", "设备款", "服务费", "运输费"};
// The value-added tax rates in use, in per cent, with how often a line of a
// supplier's invoice carries each: most goods 13, farm produce and food 9,
// services 6, small-scale taxpayers 3 or 1, exempt goods 0.
struct TaxRate {
    int percent, weight;
};
constexpr std::array<TaxRate, 6> kTaxRates = {{{13, 50}, {9, 20}, {6, 12}, {3, 8}, {1, 6}, {0, 4}}};

// One table's rows, collected before they are written in one go.
struct TableRows {
    TableDef def;
    std::vector<std::vector<Variant>> rows;
};

void write(Database& db, TableRows& t, DemoSummary& summary) {
    auto writer = db.writeTable(t.def.name, t.def.columnNames());
    for (const auto& r : t.rows) writer->addRow(r);
    writer->finish();
    summary.rows[t.def.name] += t.rows.size();
    t.rows.clear();
}

int daysInMonth(int year, int month) {
    return static_cast<int>(unsigned(std::chrono::year_month_day_last(
        std::chrono::year(year), std::chrono::month_day_last(std::chrono::month(static_cast<unsigned>(month)))).day()));
}

// The date YYYYMMDD `days` days after `date`.
std::string addDays(const std::string& date, int days) {
    using namespace std::chrono;
    year_month_day d{year(std::stoi(date.substr(0, 4))), month(static_cast<unsigned>(std::stoi(date.substr(4, 2)))),
                     day(static_cast<unsigned>(std::stoi(date.substr(6, 2))))};
    year_month_day later{sys_days(d) + std::chrono::days(days)};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02u%02u", static_cast<int>(later.year()), unsigned(later.month()),
                  unsigned(later.day()));
    return buf;
}

// Cents × per cent, rounded half away from zero to whole cents.
std::int64_t taxOf(std::int64_t cents, int percent) {
    std::int64_t p = cents * percent;
    return p >= 0 ? (p + 50) / 100 : -((-p + 50) / 100);
}

class Generator {
public:
    Generator(const DemoOptions& o, std::string firstMonth)
        : options_(o), rng_(o.seed), firstMonth_(std::move(firstMonth)), today_(o.today) {}

    void run(Database& db, DemoSummary& summary) {
        for (const auto& t : fixedTables()) db.execute(t.createSql());
        writeLookups(db, summary);
        TableRows approvals{demoTable("tbtdspzb"), {}}, approvalLines{demoTable("tbtdspcb"), {}},
            vouchers{demoTable("tbcwfkd"), {}};
        auto months = MonthList(firstMonth_, today_.substr(0, 6));
        std::reverse(months.begin(), months.end());
        for (std::size_t m = 0; m < months.size(); ++m) {
            const int monthsAgo = static_cast<int>(months.size() - 1 - m);
            auto tables = monthlyTables(months[m]);
            for (const auto& t : tables) db.execute(t.createSql());
            std::array<TableRows, 5> rows = {TableRows{tables[0], {}}, TableRows{tables[1], {}},
                                             TableRows{tables[2], {}}, TableRows{tables[3], {}},
                                             TableRows{tables[4], {}}};
            Month month(months[m], monthsAgo, today_);
            invoices(month, rows[0], rows[1], rows[2]);
            paymentApprovals(month, rows[3], vouchers);
            feeCollections(month, rows[4]);
            projectApprovals(month, approvals, approvalLines);
            for (auto& t : rows) write(db, t, summary);
        }
        write(db, approvals, summary);
        write(db, approvalLines, summary);
        write(db, vouchers, summary);
    }

private:
    struct Month {
        std::string ym;
        int lastDay;     // the last day with documents
        int tickChance;  // older documents are ticked off more often
        Month(std::string m, int monthsAgo, const std::string& today) : ym(std::move(m)) {
            int year = std::stoi(ym.substr(0, 4)), month = std::stoi(ym.substr(4, 2));
            lastDay = ym == today.substr(0, 6) ? std::stoi(today.substr(6, 2)) : daysInMonth(year, month);
            tickChance = monthsAgo >= 2 ? 75 : monthsAgo == 1 ? 50 : 15;
        }
        std::string date(int day) const { return ym + format("%02d", day); }
    };

    // The tick-off columns of one document: ticked, revoked (tick "0" with the
    // time and operator of the revoke) or never ticked. A tick-off follows the
    // transfer it books: it is made on `from` (the document's date, or the
    // payment's) or a few days later, and not after today.
    std::vector<Variant> tickValues(const std::string& from, bool ticked) {
        bool revoked = !ticked && rng_.chance(5);
        if (!ticked && !revoked) return {"0", "", "", ""};
        const auto& op = rng_.pick(kOperators);
        const std::string tickDate = std::min(addDays(from, rng_.below(5)), today_);
        // One draw per statement: the order of draws must not depend on the compiler.
        std::string time = format("%02d", rng_.between(8, 19));
        time += format(":%02d", rng_.below(60));
        time += format(":%02d", rng_.below(60));
        return {ticked ? "1" : "0", tickDate + time, op.code, op.name};
    }

    int taxRate() {
        int draw = rng_.below(100);
        for (const auto& r : kTaxRates) {
            if (draw < r.weight) return r.percent;
            draw -= r.weight;
        }
        return kTaxRates.front().percent;
    }

    const char* ownOrOtherUnit(int i, int every) {
        return i % every == every - 1 ? kUnits[static_cast<std::size_t>(1 + rng_.below(3))].code : kDemoUnit;
    }

    void invoices(const Month& m, TableRows& heads, TableRows& lines, TableRows& receipts) {
        int receiptNo = 0;
        for (int i = 0; i < options_.docsPerMonth; ++i) {
            const char* unit = ownOrOtherUnit(i, 6);
            const std::string djh = m.ym + format("%06d", i + 1);
            const int day = rng_.between(1, m.lastDay);
            const bool adjustment = i % 7 == 3;
            const std::string remark = adjustment ? rng_.pick(kAdjustmentRemarks) : rng_.pick(kRemarks);
            // Each invoice line: the amount before tax, the tax at the line's
            // rate, and the invoice amount of both.
            std::int64_t total = 0, tax = 0, preTax = 0;
            int minRate = 100;
            const int n = rng_.between(1, 4);
            for (int k = 1; k <= n; ++k) {
                std::int64_t amount = rng_.between(10000, 5000000);
                if (adjustment && k == 1) amount = -amount / 10;  // an adjustment reduces the invoice
                const int rate = taxRate();
                const std::int64_t t = taxOf(amount, rate);
                preTax += amount;
                total += amount + t;
                tax += t;
                minRate = std::min(minRate, rate);
                lines.rows.push_back({unit, djh, k, format("%08d", rng_.between(1000000, 99999999)),
                                      m.date(day), money(amount + t), static_cast<double>(rate), money(t)});
            }
            // The goods receipts the invoice settles, received before it and
            // estimated at its amount before tax, shared out among them.
            struct Receipt {
                std::string date;
                std::int64_t weight;
            };
            std::vector<Receipt> received;
            for (int k = rng_.below(4); k > 0; --k) {
                std::string date = m.date(rng_.between(1, day));
                received.push_back({std::move(date), rng_.between(5000, 2000000)});
            }
            std::int64_t weights = 0, shared = 0;
            for (const auto& r : received) weights += r.weight;
            for (std::size_t k = 0; k < received.size() && preTax > 0; ++k) {
                const std::int64_t share =
                    k + 1 == received.size() ? preTax - shared : preTax * received[k].weight / weights;
                shared += share;
                receipts.rows.push_back(
                    {unit, m.ym + format("%06d", ++receiptNo), djh, received[k].date, money(share)});
            }
            const bool ticked = rng_.chance(m.tickChance);
            std::vector<Variant> row = {unit,
                                        djh,
                                        supplier(),
                                        m.date(day),
                                        rng_.pick(kOperators).code,
                                        remark,
                                        ticked ? money(total) : 0.0,
                                        // a saved tick also stored the tax and the rate shown
                                        ticked ? money(tax) : 0.0,
                                        ticked ? static_cast<double>(minRate) : 0.0};
            auto tick = tickValues(m.date(day), ticked);
            row.insert(row.end(), tick.begin(), tick.end());
            heads.rows.push_back(std::move(row));
        }
    }

    void paymentApprovals(const Month& m, TableRows& heads, TableRows& vouchers) {
        const int count = std::max(1, options_.docsPerMonth / 2);
        int serial = 0, excludedSerial = 0, voucherNo = 0;
        for (int i = 0; i < count; ++i) {
            const char* unit = ownOrOtherUnit(i, 6);
            // Numbers whose fourth character from the right is '6' belong to
            // approvals the reconciliation leaves out; the others never have it.
            int number;
            if (i % 8 == 2) {
                number = (excludedSerial / 1000) * 10000 + 6000 + excludedSerial % 1000;
                ++excludedSerial;
            } else {
                do ++serial;
                while ((serial / 1000) % 10 == 6);
                number = serial;
            }
            const std::string djh = m.ym + format("%06d", number);
            const int day = rng_.between(1, m.lastDay);
            const std::int64_t amount = rng_.between(50000, 20000000);
            const bool tickDrawn = rng_.chance(m.tickChance);
            const auto& bank = rng_.pick(kBanks);
            // Paid one to six days after the approval; an approval whose day
            // of payment has not come yet is unpaid, and nothing is ticked off.
            const std::string payDate = addDays(m.date(day), 1 + rng_.below(6));
            const bool paid = payDate <= today_;
            const bool ticked = tickDrawn && paid;
            // Payment details: entered with the tick, or left empty so that the
            // voucher's bank and date show instead.
            const bool entered = paid && (ticked || i % 3 != 0);
            std::vector<Variant> row = {unit,
                                        djh,
                                        supplier(),
                                        m.date(day),
                                        rng_.pick(kOperators).code,
                                        rng_.pick(kReasons).first,
                                        money(amount),
                                        entered && rng_.chance(80) ? format("%08d", rng_.between(10000000, 99999999))
                                                                   : std::string(),
                                        entered ? rng_.pick(kPaymentMethods).first : "",
                                        entered ? bank.code : "",
                                        entered ? payDate : std::string()};
            auto tick = paid ? tickValues(payDate, ticked) : std::vector<Variant>{"0", "", "", ""};
            row.insert(row.end(), tick.begin(), tick.end());
            heads.rows.push_back(std::move(row));
            if (!paid) continue;
            if (i % 10 < 7)
                vouchers.rows.push_back({unit, djh, "0", "FK" + m.ym + format("%04d", ++voucherNo % 10000),
                                         rng_.pick(kBanks).code, payDate, money(amount)});
            if (i % 10 == 8)  // a voucher of another type, which the reconciliation does not read
                vouchers.rows.push_back({unit, djh, "1", "FK" + m.ym + format("%04d", ++voucherNo % 10000),
                                         rng_.pick(kBanks).code, payDate, money(amount / 2)});
        }
    }

    void feeCollections(const Month& m, TableRows& rows) {
        const int count = std::max(1, options_.docsPerMonth / 2);
        for (int i = 0; i < count; ++i) {
            const char* unit = kUnits[static_cast<std::size_t>(i % 4)].code;
            const char* preparer = i % 9 == 4 ? kUnits[static_cast<std::size_t>((i + 1) % 4)].code : unit;
            const int day = rng_.between(1, m.lastDay);
            std::vector<Variant> row = {unit,
                                        m.ym + format("%06d", i + 1),
                                        preparer,
                                        supplier(),
                                        rng_.pick(kChannels).first,
                                        rng_.pick(kPaymentMethods).first,
                                        money(rng_.between(1000, 3000000)),
                                        m.date(day)};
            auto tick = tickValues(m.date(day), rng_.chance(m.tickChance));
            row.insert(row.end(), tick.begin(), tick.end());
            rows.rows.push_back(std::move(row));
        }
    }

    void projectApprovals(const Month& m, TableRows& heads, TableRows& lines) {
        const int count = std::max(1, options_.docsPerMonth / 5);
        for (int i = 0; i < count; ++i) {
            const char* unit = ownOrOtherUnit(i, 5);
            const std::string djh = m.ym + format("%06d", i + 1);
            const int day = rng_.between(1, m.lastDay);
            // '2' is approved; drafts, submitted and cancelled sheets are not listed.
            static constexpr std::array<const char*, 3> notApproved = {"0", "1", "3"};
            const char* state = i % 4 == 1 ? notApproved[static_cast<std::size_t>((i / 4) % 3)] : "2";
            std::vector<Variant> row = {unit,
                                        djh,
                                        unit,
                                        supplier(),
                                        rng_.pick(kProjects),
                                        rng_.pick(kChannels).first,
                                        rng_.pick(kPaymentMethods).first,
                                        m.date(day),
                                        state};
            auto tick = tickValues(m.date(day), std::string_view(state) == "2" && rng_.chance(m.tickChance));
            row.insert(row.end(), tick.begin(), tick.end());
            heads.rows.push_back(std::move(row));
            if (i % 10 == 3) {  // lines that cancel out: nothing to pay, not listed
                std::int64_t amount = rng_.between(10000, 500000);
                lines.rows.push_back({unit, djh, 1, "设备款", money(amount)});
                lines.rows.push_back({unit, djh, 2, "设备款冲回", money(-amount)});
                continue;
            }
            for (int k = 1, n = rng_.between(1, 3); k <= n; ++k)
                lines.rows.push_back({unit, djh, k, rng_.pick(kCostItems), money(rng_.between(20000, 8000000))});
        }
    }

    std::string supplier() { return suppliers_.empty() ? std::string() : rng_.pick(suppliers_); }

    void writeLookups(Database& db, DemoSummary& summary) {
        TableRows units{demoTable("tbhsdwda"), {}};
        for (const auto& u : kUnits) units.rows.push_back({u.code, u.name, u.address, u.phone});
        write(db, units, summary);

        TableRows suppliers{demoTable("tbcsda"), {}};
        std::vector<std::string> names;
        while (names.size() < 36) {
            std::string name = rng_.pick(kCities);
            name += rng_.pick(kBrands);
            name += rng_.pick(kTrades);
            name += "有限公司";
            if (std::find(names.begin(), names.end(), name) != names.end()) continue;
            names.push_back(name);
            std::string code = "G" + format("%04d", static_cast<int>(names.size()));
            suppliers_.push_back(code);
            std::string contact = rng_.pick(kSurnames);
            contact += rng_.pick(kGivenNames);
            std::string phone = "1" + format("%010d", rng_.between(300000000, 999999999));
            std::string taxNo = "91" + format("%06d", rng_.between(100000, 999999));
            taxNo += "MA" + format("%08d", rng_.between(10000000, 99999999)) + "X";
            suppliers.rows.push_back({code, name, contact, phone, taxNo});
        }
        write(db, suppliers, summary);

        auto codeNames = [&](const char* table, auto const& list) {
            TableRows t{demoTable(table), {}};
            for (const auto& [code, name] : list) t.rows.push_back({code, name});
            write(db, t, summary);
        };
        codeNames("tbtdda", kChannels);
        codeNames("tbzffs", kPaymentMethods);
        codeNames("tbyyda", kReasons);

        TableRows banks{demoTable("tbcwfkyh"), {}};
        for (const auto& b : kBanks) banks.rows.push_back({b.code, b.name, b.account});
        write(db, banks, summary);

        TableRows operators{demoTable("tbzyda"), {}};
        for (const auto& o : kOperators) operators.rows.push_back({o.code, o.name, o.unit});
        write(db, operators, summary);

        TableRows params{demoTable("tbxtcs"), {}};
        for (const auto& [key, value, meaning] : parameters()) params.rows.push_back({key, value, meaning});
        write(db, params, summary);
    }

    struct Parameter {
        std::string key, value, meaning;
    };
    std::vector<Parameter> parameters() const {
        return {
            {"dwlx", "00", "单位类型"},
            {"qyny", firstMonth_, "启用年月"},
            {"hsdwh", kDemoUnit, "核算单位号"},
            {"zbbm", "1000", "总部编码"},
            {"dwmc", kUnits[0].name, "单位名称"},
            {"sh", "91310115MA1K3Y8N2X", "税号"},
            {"dz", kUnits[0].address, "单位地址"},
            {"lxdh", kUnits[0].phone, "联系电话"},
            {"khh", kBanks[0].name, "开户行"},
            {"zh", kBanks[0].account, "账号"},
            {"dybm", "01", "连锁编码"},
            {"sljd", "2", "数量精度"},
            {"lskz", "1", "连锁控制"},
            {"jjkz", "0", "进价控制"},
            {"cskz", "1", "厂商控制"},
            {"zrrkz", "0", "责任人控制"},
            {"rqssj", "00:00:00", "日起始时间"},
            {"hykls", "0", "会员卡连锁"},
            {"ysqr", "1", "验收确认"},
            {"fgckjb", "2", "分割仓库级别"},
            {"sphsfs", "1", "商品核算方式"},
            {"jsxtfs", "1", "结算系统方式"},
            {"jjcbhsff", "1", "进价成本核算方法"},
            {"sjcbhsff", "1", "售价成本核算方法"},
            {"cbjzfs", "1", "成本结转方式"},
            {"psxzsl", "100000", "配送限制数量"},
            {"xsxzsl", "100000", "销售限制数量"},
            {"jhxzsl", "100000", "进货限制数量"},
            {"dddyhs", "20", "订货单打印行数"},
            {"ysddyhs", "20", "验收单打印行数"},
            {"ysdhscfs", "1", "验收单号生成方式"},
            {"djfgfs", "0", "单据分割方式"},
            {"kckz", "1", "库存控制"},
            {"xpdjmrsl", "13", "新品登记默认税率"},
            {"sjkbbh", "6.2.0", "数据库版本号"},
        };
    }

    const DemoOptions& options_;
    Rng rng_;
    std::string firstMonth_;
    std::string today_;
    std::vector<std::string> suppliers_;
};

}  // namespace

std::size_t DemoSummary::totalRows() const {
    std::size_t n = 0;
    for (const auto& [table, count] : rows) n += count;
    return n;
}

std::string demoFirstMonth(const DemoOptions& o) {
    if (!isValidDate(o.today)) throw std::invalid_argument("today '" + o.today + "' is not a date YYYYMMDD");
    if (o.months < 1 || o.months > 1200) throw std::invalid_argument("months must lie between 1 and 1200");
    int index = std::stoi(o.today.substr(0, 4)) * 12 + std::stoi(o.today.substr(4, 2)) - 1 - (o.months - 1);
    if (index < 12) throw std::invalid_argument("the first month would lie before the year 1");
    return format("%04d", index / 12) + format("%02d", index % 12 + 1);
}

DemoSummary createDemoDatabase(Database& db, const DemoOptions& options) {
    std::string first = demoFirstMonth(options);
    if (options.docsPerMonth < 1 || options.docsPerMonth > 1000000)
        throw std::invalid_argument("documents per month must lie between 1 and 1000000");
    DemoSummary summary{first, options.today.substr(0, 6), {}};
    db.execute("begin");
    try {
        Generator(options, first).run(db, summary);
        if (options.audit) enableAudit(db);
        db.execute("commit");
    } catch (...) {
        try {
            db.execute("rollback");
        } catch (const DatabaseError&) {
        }
        throw;
    }
    return summary;
}

void dropDemoTables(Database& db) {
    std::string sql;
    for (const auto& name : db.tableNames())
        if (isDemoTableName(name) || name == kAuditTable) sql += "drop table " + name + ";";
    if (!sql.empty()) db.execute("begin;" + sql + "commit;");
}

}  // namespace trunaccount::coord
