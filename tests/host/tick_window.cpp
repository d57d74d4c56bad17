#include "tick_window.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QTableView>
#include <gtest/gtest.h>
#include <ostream>

#include "platform/coordinator_calls.h"
#include "tools/adv_grid.h"
#include "ui_frm_trun_account.h"

namespace trunaccount::testing {

void searchDocuments(host::TFrmTrunAccount& w, BusinessType type, const char* from, const char* to, int tickType) {
    w.ui().cbywlx->setCurrentIndex(static_cast<int>(type));
    w.cbywlxChange();
    w.ui().edtrzrq_b->setDate(QDate::fromString(QString::fromLatin1(from), QStringLiteral("yyyyMMdd")));
    w.ui().edtrzrq_e->setDate(QDate::fromString(QString::fromLatin1(to), QStringLiteral("yyyyMMdd")));
    if (w.inSearchMode()) w.ui().cbgdlx->setCurrentIndex(tickType);
    w.btnSearchClick();
}

ListState listState(const host::TFrmTrunAccount& w) {
    ListState s;
    const ClientDataSet& ds = w.cdspass;
    if (ds.active())
        for (int row = 0; row < ds.recordCount(); ++row) {
            std::vector<std::string> values;
            for (int f = 0; f < ds.fieldCount(); ++f) {
                const Field& field = ds.field(f);
                values.push_back(field.isNullAt(ds.recordAt(row)) ? "<null>" : field.asStringAt(ds.recordAt(row)));
            }
            s.rows.push_back(std::move(values));
        }
    s.totals = totalsLine(w);
    s.tickedCount = w.tickedCount();
    s.tickedAmount = w.tickedAmount().text(2);
    return s;
}

void PrintTo(const ListState& s, std::ostream* os) {
    *os << s.rows.size() << " rows, ticked " << s.tickedCount << " / " << s.tickedAmount << ", totals";
    for (const auto& t : s.totals) *os << " [" << t.toStdString() << "]";
}

std::vector<std::string> column(const host::TFrmTrunAccount& w, const char* field) {
    std::vector<std::string> values;
    const Field& f = w.cdspass.fieldByName(field);
    for (int row = 0; row < w.cdspass.recordCount(); ++row) values.push_back(f.asStringAt(w.cdspass.recordAt(row)));
    return values;
}

std::vector<std::vector<std::string>> batchesSent(const ScriptedCoordinator& c) {
    std::vector<std::vector<std::string>> batches;
    for (const auto& call : c.calls()) {
        if (call.op != CoordinatorOp::ExecBatch) continue;
        std::vector<std::string> texts;
        if (call.args.at(0).isArray())
            for (const auto& v : call.args.at(0).asArray()) texts.push_back(v.toText());
        batches.push_back(std::move(texts));
    }
    return batches;
}

CoordinatorRef forwardingTo(CoordinatorRef real, ScriptedCoordinator** raw) {
    ScriptedCoordinator* c = nullptr;
    CoordinatorRef ref = ScriptedCoordinator::create(&c);
    using namespace platform;
    c->onQueryData = [real](const std::string& sql, Variant& data) { return QueryData(*real, sql, data); };
    c->onExecBatch = [real](Variant& statements) { return ExecBatch(*real, statements); };
    c->onGetYearMonth = [real](Variant& v) { return GetYearMonth(*real, v); };
    c->onGetServerDate = [real](Variant& v) { return GetServerDate(*real, v); };
    c->onGetServerDateTime = [real](Variant& v) { return GetServerDateTime(*real, v); };
    c->onGetOperatorName = [real](std::int32_t kind, Variant& v) { return GetOperatorName(*real, kind, v); };
    c->onGetDbType = [real] { return GetDbType(*real); };
    c->onGetSystemParams = [real](Variant& v) { return GetSystemParams(*real, v); };
    if (raw) *raw = c;
    return ref;
}

void PrintTo(const SourceTick& t, std::ostream* os) {
    *os << "{" << t.tick << ", " << t.time << ", " << t.operatorCode << ", " << t.operatorName << "}";
}

std::vector<std::vector<std::string>> queryRows(coord::Database& db, const std::string& sql) {
    auto p = db.query(sql);
    std::vector<std::vector<std::string>> rows;
    for (std::size_t r = 0; r < p->rowCount(); ++r) {
        std::vector<std::string> values;
        for (std::size_t c = 0; c < p->columnCount(); ++c)
            values.push_back(p->isNull(r, c) ? "<null>" : p->value(r, c).toText());
        rows.push_back(std::move(values));
    }
    return rows;
}

SourceTick sourceTick(coord::Database& db, const std::string& table, const std::string& unit,
                      const std::string& number) {
    auto rows = queryRows(db, "select f_zzgdbz,f_zzgdrq,f_zzgdrbm,f_zzgdrmc from " + table + " where f_hsdwh='" +
                                  unit + "' and f_djh='" + number + "'");
    if (rows.size() != 1) {
        ADD_FAILURE() << rows.size() << " rows for " << unit << "/" << number << " in " << table;
        return {};
    }
    return {rows[0][0], rows[0][1], rows[0][2], rows[0][3]};
}

std::string sourceTable(BusinessType type, const std::string& number) {
    const std::string m = number.substr(0, 6);
    switch (type) {
    case BusinessType::InvoiceSubmission:
    case BusinessType::InvoiceAdjustment: return "tb" + m + "_fptjdzb";
    case BusinessType::PaymentApproval: return "tb" + m + "_jsfksp";
    case BusinessType::ProjectApproval: return "tbtdspzb";
    case BusinessType::FeeCollection: return "tb" + m + "_tdsfb";
    }
    return {};
}

QPoint cellCentre(const host::TFrmTrunAccount& w, int row, int column) {
    QTableView* view = w.dgdView->view();
    QModelIndex index = view->model()->index(row, column);
    view->scrollTo(index);
    return view->visualRect(index).center();
}

}  // namespace trunaccount::testing
