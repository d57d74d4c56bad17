#include "reconcile/document_query.h"

#include <stdexcept>

#include "data/sql_quote.h"
#include "data/text_functions.h"
#include "reconcile/row_set.h"

namespace trunaccount {

namespace {

// Select list and grouping of the invoice submissions (types 0 and 1).
constexpr std::string_view kInvoiceSelect =
    "select f_zzgdbz,z.f_hsdwh,f_hsdwmc,' ' f_zdrhsdwh,z.f_djh,z.f_gysbm,f_csmc,' ' f_tdmc,sum(f_fpje) "
    "f_hsje,sum(y.f_ygws) f_wsje,case when f_zzse=0 then sum(c.f_Fpsj) else f_zzse end f_zzse,case when "
    "f_zzse=0 then min(c.f_sl) else f_zzsl end f_zzsl, ' ' f_zzpjhm,' ' f_zzzffs, ' ' f_zzyh,' ' f_zzzfrq,f_zdrq "
    "f_rzrq,f_zzgdrq from tb000000_fptjdzb z left join (select f_hsdwh,f_fptjdh,sum(f_ygws) f_ygws from "
    "tb000000_ygys group by f_hsdwh,f_fptjdh) y on z.f_hsdwh=y.f_hsdwh and z.f_djh=y.f_fptjdh left join (select "
    "f_hsdwh,f_djh,sum(f_fpje) f_fpje,sum(f_fpsj) f_fpsj,min(f_sl) f_sl from tb000000_fptjdcb group by "
    "f_hsdwh,f_djh) c on z.f_hsdwh=c.f_hsdwh and z.f_djh=c.f_djh,tbhsdwda h,tbcsda cs ";
constexpr std::string_view kInvoiceGroup =
    "group by f_zzgdbz,z.f_hsdwh,f_gdje,f_hsdwmc,z.f_djh,z.f_gysbm,f_csmc,f_zzsl,f_zzse,f_zdrq,f_zzgdrq ";
constexpr std::string_view kInvoiceJoinWithoutAdjustments =
    "and cs.f_csbm=z.f_gysbm and z.f_hsdwh=h.f_hsdwh and not f_bz like '%退补单%' ";
constexpr std::string_view kInvoiceJoinAdjustments =
    "and cs.f_csbm=z.f_gysbm and z.f_hsdwh=h.f_hsdwh and f_bz like '%退补单%' ";

constexpr std::string_view kPaymentSelect =
    "select f_zzgdbz,z.f_hsdwh,f_hsdwmc,' ' f_zdrhsdwh,z.f_djh,z.f_gysbm,f_csmc,f_yymc f_tdmc,z.f_spje "
    "f_hsje,cast(0 as float) f_wsje,cast(0 as float) f_zzse,cast(0 as float) f_zzsl,f_zzpjhm,f_zzzffs,case when "
    "f_zzyh='' then (select f_hchbm from tbcwfkd c where c.f_djlx='0' and z.f_hsdwh=c.f_hsdwh and  "
    "z.f_djh=c.f_djh)  else f_zzyh end f_zzyh,case when f_zzzfrq='' then c.f_fkrq else f_zzzfrq end f_zzzfrq, "
    "z.f_zdrq f_rzrq,f_zzgdrq from tb000000_jsfksp z left join tbyyda on f_fkyybm=f_yybm left join tbcwfkd c on "
    "c.f_djlx='0' and z.f_hsdwh=c.f_hsdwh and  z.f_djh=c.f_djh,tbhsdwda h,tbcsda cs ";

constexpr std::string_view kProjectSelect =
    "select f_zzgdbz,z.f_hsdwh,f_hsdwmc,f_zdrhsdwh,z.f_djh,z.f_gysbm,f_csmc,f_tdmc,sum(f_ssje) f_hsje,cast(0 as "
    "float) f_wsje,cast(0 as float) f_zzse,cast(0 as float) f_zzsl,' ' f_zzpjhm,z.f_zffsbm f_zzzffs, ' ' f_zzyh,' "
    "' f_zzzfrq,f_rzrq,f_zzgdrq from tbtdspzb z left join tbtdda t on z.f_tdbm=t.f_tdbm,tbhsdwda h,tbtdspcb c "
    ",tbcsda cs ";

constexpr std::string_view kFeeSelect =
    "select f_zzgdbz,z.f_hsdwh,f_hsdwmc,f_zdrhsdwh,z.f_djh,z.f_gysbm,f_csmc,f_tdmc,f_skje f_hsje,cast(0 as float) "
    "f_wsje,cast(0 as float) f_zzse,cast(0 as float) f_zzsl,' ' f_zzpjhm,f_Zffsbm f_zzzffs, ' ' f_zzyh,' ' "
    "f_zzzfrq,f_rzrq,f_zzgdrq from tb000000_tdsfb z left join tbtdda t on z.f_tdbm=t.f_tdbm,tbhsdwda h,tbcsda cs ";

constexpr std::string_view kRowSetColumns =
    "select f_zzgdbz,f_hsdwh,f_hsdwmc,f_zdrhsdwh,f_djh,f_gysbm,f_csmc,f_tdmc,f_hsje,f_wsje,f_zzse,f_zzsl,f_zzpjhm,"
    "f_zzzffs,f_zzyh,f_zzzfrq,f_rzrq,f_zzgdrq from (";

// "and z.f_hsdwh='" unit "' ": the unit goes through the quoting helper like
// every value, so a quote in it cannot change the statement.
std::string unitCondition(std::string_view lead, const DocumentSearch& s) {
    return std::string(lead) + SqlValue(s.unit) + "' ";
}

}  // namespace

std::string dateTickCondition(const DocumentSearch& s) {
    const std::string_view column = listedByEntryDate(s.type) ? "z.f_rzrq" : "z.f_zdrq";
    std::string w = " where " + std::string(column) + ">='" + SqlValue(s.startDate) + "' and " + std::string(column) +
                    "<='" + SqlValue(s.endDate) + "' ";
    if (s.tickState != TickState::All)
        w += " and f_zzgdbz='" + std::string(tickText(s.tickState == TickState::Ticked)) + "' ";
    return w;
}

std::string listCondition(std::string_view prefix, const ListSelection& selection) {
    if (selection.index == 0) return {};
    return std::string(prefix) + SqlValue(CodeOfItem(selection.text)) + "' ";
}

std::string businessTypeQuery(const DocumentSearch& s) {
    const std::string w = dateTickCondition(s);
    switch (s.type) {
    case BusinessType::InvoiceSubmission:
    case BusinessType::InvoiceAdjustment:
        return std::string(kInvoiceSelect) + w +
               std::string(s.type == BusinessType::InvoiceSubmission ? kInvoiceJoinWithoutAdjustments
                                                                     : kInvoiceJoinAdjustments) +
               unitCondition("and z.f_hsdwh='", s) + std::string(kInvoiceGroup);
    case BusinessType::PaymentApproval:
        return std::string(kPaymentSelect) + w + listCondition(kPaymentReasonPrefix, s.paymentReason) +
               "and left(right(z.f_djh,4),1)<>'6' " +
               unitCondition("and z.f_hsdwh=h.f_hsdwh and cs.f_csbm=z.f_gysbm and z.f_hsdwh='", s);
    case BusinessType::ProjectApproval:
        return std::string(kProjectSelect) + w +
               "and z.f_hsdwh=c.f_hsdwh and z.f_hsdwh=h.f_hsdwh and  z.f_djh=c.f_djh " +
               unitCondition("and cs.f_csbm=z.f_gysbm and f_zt='2' and z.f_hsdwh='", s) +
               listCondition(kChannelPrefix, s.channel) + listCondition(kPaymentMethodPrefix, s.paymentMethod) +
               "group by f_zzgdbz,z.f_hsdwh,f_hsdwmc,z.f_djh,z.f_gysbm,f_csmc,f_tdmc,f_rzrq,z.f_zffsbm,f_zzgdrq,"
               "f_zdrhsdwh " +
               "having abs(sum(f_ssje))>0.005 ";
    case BusinessType::FeeCollection:
        // Fee collections of every accounting unit: no unit condition.
        return std::string(kFeeSelect) + w + listCondition(kChannelPrefix, s.channel) +
               listCondition(kPaymentMethodPrefix, s.paymentMethod) +
               "and z.f_hsdwh=h.f_hsdwh and cs.f_csbm=z.f_gysbm ";
    }
    throw std::invalid_argument("no business type " + std::to_string(static_cast<int>(s.type)));
}

std::string buildDocumentQuery(const DocumentSearch& s) {
    const std::string q = businessTypeQuery(s);
    // Project approvals live in one table: their query runs once for the range.
    const std::string u = s.type == BusinessType::ProjectApproval
                              ? q
                              : ExpandMonthTables(q, std::string_view(s.startDate).substr(0, 6),
                                                  std::string_view(s.endDate).substr(0, 6), false);
    return documentQueryOver(u);
}

std::string documentQueryOver(std::string_view queries) {
    return "select * from (" + std::string(kRowSetColumns) + std::string(queries) + ") a " + ") a " +
           " order by f_hsdwh,f_rzrq,f_djh";
}

}  // namespace trunaccount
