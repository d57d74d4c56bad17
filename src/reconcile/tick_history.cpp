#include "reconcile/tick_history.h"

#include <algorithm>

#include "data/sql_quote.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace trunaccount {

namespace {

bool digits(const std::string& s, std::size_t from, std::size_t count) {
    return s.size() >= from + count &&
           std::all_of(s.begin() + static_cast<std::ptrdiff_t>(from),
                       s.begin() + static_cast<std::ptrdiff_t>(from + count), [](char c) { return c >= '0' && c <= '9'; });
}

std::string cell(const DataPacket& p, std::size_t r, int c) {
    if (c < 0 || p.isNull(r, static_cast<std::size_t>(c))) return {};
    return p.value(r, static_cast<std::size_t>(c)).toText();
}

}  // namespace

std::string DocumentTable(BusinessType type, const std::string& djh) {
    if (type == BusinessType::ProjectApproval) return "tbtdspzb";
    if (!digits(djh, 0, 6)) throw Error("单据号 '" + djh + "' 不是以年月开头的单据号，无法确定其所在的月表");
    const std::string month = djh.substr(0, 6);
    switch (type) {
    case BusinessType::InvoiceSubmission:
    case BusinessType::InvoiceAdjustment: return "tb" + month + "_fptjdzb";
    case BusinessType::PaymentApproval: return "tb" + month + "_jsfksp";
    case BusinessType::FeeCollection: return "tb" + month + "_tdsfb";
    case BusinessType::ProjectApproval: break;
    }
    return "tbtdspzb";
}

std::string TickHistoryQuery(BusinessType type, const std::string& unit, const std::string& djh) {
    return "select f_gdrq,f_gdrbm,f_gdrmc,f_gdbzh from tbgdrz where f_bm='" + SqlValue(DocumentTable(type, djh)) +
           "' and f_hsdwh='" + SqlValue(unit) + "' and f_djh='" + SqlValue(djh) + "' order by f_id";
}

std::string AuditTableProbe(const std::string& dbType) {
    if (platform::equalsIgnoreAsciiCase(dbType, "SQLITE"))
        return "select count(*) from sqlite_master where type='table' and lower(name)='tbgdrz'";
    return "select count(*) from information_schema.tables where lower(table_name)='tbgdrz'";
}

std::vector<TickHistoryStep> TickHistorySteps(const DataPacket& p) {
    const int time = p.columnIndex("f_gdrq"), code = p.columnIndex("f_gdrbm"), name = p.columnIndex("f_gdrmc"),
              after = p.columnIndex("f_gdbzh");
    std::vector<TickHistoryStep> steps;
    for (std::size_t r = 0; r < p.rowCount(); ++r)
        steps.push_back({cell(p, r, time), cell(p, r, code), cell(p, r, name), cell(p, r, after) == "1"});
    return steps;
}

std::string TickTimeText(const std::string& s) {
    if (s.size() == 16 && digits(s, 0, 10) && s[10] == ':' && digits(s, 11, 2) && s[13] == ':' && digits(s, 14, 2))
        return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) + " " + s.substr(8);
    return s;
}

}  // namespace trunaccount
