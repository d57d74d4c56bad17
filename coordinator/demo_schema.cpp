#include "coordinator/demo_schema.h"

#include <algorithm>
#include <stdexcept>

#include "platform/text.h"

namespace trunaccount::coord {

namespace {

// The searches compare remarks, ticks and payment details with texts and
// zero; a null there would hide a document from every search (null is neither
// like nor not like '%退补单%', neither '0' nor '1'). Documents written without
// them get these defaults instead.

// The tick-off columns every ticked source table carries: flag, time, operator.
const std::vector<ColumnDef>& tickColumns() {
    static const std::vector<ColumnDef> cols = {
        {"f_zzgdbz", "char(1) not null default '0'"},
        {"f_zzgdrq", "varchar(20) not null default ''"},
        {"f_zzgdrbm", "varchar(10) not null default ''"},
        {"f_zzgdrmc", "varchar(20) not null default ''"},
    };
    return cols;
}

std::vector<ColumnDef> withTicks(std::vector<ColumnDef> cols) {
    cols.insert(cols.end(), tickColumns().begin(), tickColumns().end());
    return cols;
}

// A monthly document prepared by an operator on a date: its unit, number and
// supplier, then `rest`, then the tick-off columns.
std::vector<ColumnDef> preparedDocument(std::initializer_list<ColumnDef> rest) {
    std::vector<ColumnDef> cols = {{"f_hsdwh", "varchar(8)"},
                                   {"f_djh", "varchar(12)"},
                                   {"f_gysbm", "varchar(12)"},
                                   {"f_zdrq", "char(8)"},
                                   {"f_zdrbm", "varchar(10)"}};
    cols.insert(cols.end(), rest);
    return withTicks(std::move(cols));
}

constexpr std::string_view kMonthlySuffixes[] = {"_fptjdzb", "_fptjdcb", "_ygys", "_jsfksp", "_tdsfb"};

// The monthly table of a suffix, for the given month.
TableDef monthlyTable(std::string_view ym, std::string_view suffix) {
    std::string name = "tb" + std::string(ym) + std::string(suffix);
    if (suffix == "_fptjdzb")  // invoice submissions
        return {name,
                preparedDocument({{"f_bz", "varchar(100) not null default ''"},
                                  {"f_gdje", "double precision not null default 0"},
                                  {"f_zzse", "double precision not null default 0"},
                                  {"f_zzsl", "double precision not null default 0"}}),
                {"f_hsdwh", "f_djh"}};
    if (suffix == "_fptjdcb")  // their invoices
        return {name,
                {{"f_hsdwh", "varchar(8)"},
                 {"f_djh", "varchar(12)"},
                 {"f_xh", "integer"},
                 {"f_fphm", "varchar(20)"},
                 {"f_fprq", "char(8)"},
                 {"f_fpje", "double precision"},
                 {"f_sl", "double precision"},
                 {"f_fpsj", "double precision"}},
                {"f_hsdwh", "f_djh", "f_xh"}};
    if (suffix == "_ygys")  // goods receipts estimated without tax, by invoice submission
        return {name,
                {{"f_hsdwh", "varchar(8)"},
                 {"f_ysdh", "varchar(12)"},
                 {"f_fptjdh", "varchar(12)"},
                 {"f_ysrq", "char(8)"},
                 {"f_ygws", "double precision"}},
                {"f_hsdwh", "f_ysdh"}};
    if (suffix == "_jsfksp")  // payment approvals with their payment details
        return {name,
                preparedDocument({{"f_fkyybm", "varchar(4)"},
                                  {"f_spje", "double precision"},
                                  {"f_zzpjhm", "varchar(20) not null default ''"},
                                  {"f_zzzffs", "varchar(100) not null default ''"},
                                  {"f_zzyh", "varchar(50) not null default ''"},
                                  {"f_zzzfrq", "varchar(8) not null default ''"}}),
                {"f_hsdwh", "f_djh"}};
    if (suffix == "_tdsfb")  // fee collections by channel
        return {name,
                withTicks({{"f_hsdwh", "varchar(8)"},
                           {"f_djh", "varchar(12)"},
                           {"f_zdrhsdwh", "varchar(6)"},
                           {"f_gysbm", "varchar(12)"},
                           {"f_tdbm", "varchar(4)"},
                           {"f_zffsbm", "varchar(4)"},
                           {"f_skje", "double precision"},
                           {"f_rzrq", "char(8)"}}),
                {"f_hsdwh", "f_djh"}};
    throw std::invalid_argument("no monthly table with the suffix " + std::string(suffix));
}

bool isYearMonth(std::string_view s) {
    return s.size() == 6 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           s.substr(4) >= "01" && s.substr(4) <= "12";
}

}  // namespace

std::vector<std::string> TableDef::columnNames() const {
    std::vector<std::string> names;
    for (const auto& c : columns) names.emplace_back(c.name);
    return names;
}

std::string TableDef::createSql() const {
    std::string sql = "create table " + name + " (";
    for (const auto& c : columns) sql += std::string(c.name) + " " + c.type + ", ";
    sql += "primary key (";
    for (std::size_t i = 0; i < key.size(); ++i) sql += (i ? "," : "") + std::string(key[i]);
    return sql + "))";
}

const std::vector<TableDef>& fixedTables() {
    static const std::vector<TableDef> tables = {
        {"tbhsdwda",  // accounting units
         {{"f_hsdwh", "varchar(8)"}, {"f_hsdwmc", "varchar(100)"}, {"f_dwdz", "varchar(100)"}, {"f_lxdh", "varchar(20)"}},
         {"f_hsdwh"}},
        {"tbcsda",  // suppliers
         {{"f_csbm", "varchar(12)"},
          {"f_csmc", "varchar(60)"},
          {"f_lxr", "varchar(20)"},
          {"f_lxdh", "varchar(20)"},
          {"f_sh", "varchar(20)"}},
         {"f_csbm"}},
        {"tbtdda", {{"f_tdbm", "varchar(4)"}, {"f_tdmc", "varchar(30)"}}, {"f_tdbm"}},        // channels
        {"tbzffs", {{"f_zffsbm", "varchar(4)"}, {"f_zffsmc", "varchar(30)"}}, {"f_zffsbm"}},  // payment methods
        {"tbyyda", {{"f_yybm", "varchar(4)"}, {"f_yymc", "varchar(30)"}}, {"f_yybm"}},        // payment reasons
        {"tbcwfkyh",                                                                          // paying banks
         {{"f_yhbm", "varchar(6)"}, {"f_yhmc", "varchar(50)"}, {"f_yhzh", "varchar(30)"}},
         {"f_yhbm"}},
        {"tbcwfkd",  // payment vouchers; type '0' pays a payment approval
         {{"f_hsdwh", "varchar(8)"},
          {"f_djh", "varchar(12)"},
          {"f_djlx", "char(1)"},
          {"f_fkdh", "varchar(12)"},
          {"f_hchbm", "varchar(6)"},
          {"f_fkrq", "char(8)"},
          {"f_fkje", "double precision"}},
         {"f_hsdwh", "f_djh", "f_djlx"}},
        {"tbtdspzb",  // project approval sheets
         withTicks({{"f_hsdwh", "varchar(8)"},
                    {"f_djh", "varchar(12)"},
                    {"f_zdrhsdwh", "varchar(6)"},
                    {"f_gysbm", "varchar(12)"},
                    {"f_xmmc", "varchar(60)"},
                    {"f_tdbm", "varchar(4)"},
                    {"f_zffsbm", "varchar(4)"},
                    {"f_rzrq", "char(8)"},
                    {"f_zt", "char(1)"}}),
         {"f_hsdwh", "f_djh"}},
        {"tbtdspcb",  // their lines
         {{"f_hsdwh", "varchar(8)"},
          {"f_djh", "varchar(12)"},
          {"f_xh", "integer"},
          {"f_fymc", "varchar(60)"},
          {"f_ssje", "double precision"}},
         {"f_hsdwh", "f_djh", "f_xh"}},
        {"tbzyda",  // operators
         {{"f_zybm", "varchar(10)"}, {"f_zymc", "varchar(20)"}, {"f_hsdwh", "varchar(8)"}},
         {"f_zybm"}},
        {"tbxtcs",  // system parameters
         {{"f_csmc", "varchar(30)"}, {"f_csz", "varchar(100)"}, {"f_cssm", "varchar(60)"}},
         {"f_csmc"}},
    };
    return tables;
}

std::vector<TableDef> monthlyTables(std::string_view ym) {
    if (!isYearMonth(ym)) throw std::invalid_argument("'" + std::string(ym) + "' is not a year and month YYYYMM");
    std::vector<TableDef> tables;
    for (auto suffix : kMonthlySuffixes) tables.push_back(monthlyTable(ym, suffix));
    return tables;
}

TableDef demoTable(std::string_view name) {
    std::string lower = platform::asciiLower(name);
    for (const auto& t : fixedTables())
        if (t.name == lower) return t;
    std::string_view n = lower;
    if (n.starts_with("tb") && n.size() > 8 && isYearMonth(n.substr(2, 6)))
        for (auto suffix : kMonthlySuffixes)
            if (n.substr(8) == suffix) return monthlyTable(n.substr(2, 6), suffix);
    throw std::invalid_argument("no demo table named " + std::string(name));
}

bool isDemoTableName(std::string_view name) {
    try {
        demoTable(name);
        return true;
    } catch (const std::invalid_argument&) {
        return false;
    }
}

}  // namespace trunaccount::coord
