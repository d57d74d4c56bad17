#include "reconcile/tick_statements.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "data/sql_quote.h"
#include "platform/errors.h"
#include "reconcile/row_set.h"

namespace trunaccount {

namespace {

// The month of the table a document lives in: the first six characters of its
// number, which must be a year and month for the table name to be one.
std::string monthOf(const std::string& djh) {
    std::string m = djh.substr(0, 6);
    if (m.size() != 6 || !std::all_of(m.begin(), m.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw Error("单据号 '" + djh + "' 不是以年月开头的单据号，无法确定其所在的月表");
    return m;
}

// A number written into SQL as it stands: only a plain, finite decimal number
// passes (not "nan" or "inf", which the number reader would take).
std::string numberLiteral(const Variant& value, const char* label) {
    std::string t = SqlNumberText(value);
    double d = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
    if (ec != std::errc() || p != t.data() + t.size() || !std::isfinite(d))
        throw Error(std::string(label) + "必须是数字。", std::string(label) + " '" + t + "' is not a finite number");
    return t;
}

std::string stampAndKey(const TickStamp& s, const TickRow& r, const char* whereDjh, const char* andHsdwh,
                        const char* end) {
    return std::string("f_zzgdrbm='") + SqlValue(s.operatorCode) + "' ,f_zzgdrmc='" + SqlValue(s.operatorName) +
           "' " + whereDjh + SqlValue(r.djh) + andHsdwh + SqlValue(r.hsdwh) + end;
}

}  // namespace

std::string SqlNumberText(const Variant& value) {
    if (value.isNull()) return "0";
    std::string t = value.toText();
    if (t.empty()) return "0";
    if (t.back() == '%') t.pop_back();
    return t;
}

std::optional<std::string> SaveStatement(BusinessType type, const TickRow& r, const TickStamp& s) {
    const bool ticked = isTicked(r.tick);
    const std::string T = SqlValue(s.time);
    switch (type) {
    case BusinessType::InvoiceSubmission:
        return "update tb" + monthOf(r.djh) + "_fptjdzb set " + "f_zzse=" + numberLiteral(r.zzse, "税额") +
               ",f_zzsl=" + numberLiteral(r.zzsl, "税率") + "," + "f_zzgdbz='" + SqlValue(r.tick) +
               "',f_zzgdrq='" + T + "'," + stampAndKey(s, r, "where f_djh = '", "' and f_Hsdwh='", "';");
    case BusinessType::InvoiceAdjustment:
        if (!ticked) return std::nullopt;
        return "update tb" + monthOf(r.djh) + "_fptjdzb " + "set f_zzgdbz='1',f_zzgdrq='" + T + "'," +
               stampAndKey(s, r, "where f_djh='", "' and f_hsdwh='", "';");
    case BusinessType::PaymentApproval:
        return "update tb" + monthOf(r.djh) + "_jsfksp set " + "f_zzpjhm='" + SqlValue(SqlNumberText(Variant(r.zzpjhm))) +
               "',f_zzzffs='" + SqlValue(r.zzZffs) + "'," + "f_zzyh='" + SqlValue(r.zzyh) + "',f_zzzfrq='" +
               SqlValue(r.zzzfrq) + "'," + "f_zzgdbz='" + SqlValue(r.tick) + "',f_zzgdrq='" + T + "'," +
               stampAndKey(s, r, "where f_djh = '", "' and f_Hsdwh='", "';");
    case BusinessType::ProjectApproval:
        if (!ticked) return std::nullopt;
        return "update tbtdspzb set f_zzgdbz='1',f_zzgdrq='" + T + "'," +
               stampAndKey(s, r, "where f_djh='", "' and f_hsdwh='", "';");
    case BusinessType::FeeCollection:
        if (!ticked) return std::nullopt;
        return "update tb" + monthOf(r.djh) + "_tdsfb " + "set f_zzgdbz='1',f_zzgdrq='" + T + "'," +
               stampAndKey(s, r, "where f_djh='", "' and f_hsdwh='", "';");
    }
    return std::nullopt;
}

std::string RevokeStatement(BusinessType type, const TickRow& r, const TickStamp& s) {
    std::string table;
    switch (type) {
    case BusinessType::InvoiceSubmission:
    case BusinessType::InvoiceAdjustment: table = "update tb" + monthOf(r.djh) + "_fptjdzb set "; break;
    case BusinessType::PaymentApproval: table = "update tb" + monthOf(r.djh) + "_jsfksp set "; break;
    case BusinessType::ProjectApproval: table = "update tbtdspzb set "; break;
    case BusinessType::FeeCollection: table = "update tb" + monthOf(r.djh) + "_tdsfb set "; break;
    }
    return table + "f_zzgdbz='0',f_zzgdrq='" + SqlValue(s.time) + "'," +
           stampAndKey(s, r, "where f_djh='", "' and f_Hsdwh='", "'; ");
}

}  // namespace trunaccount
