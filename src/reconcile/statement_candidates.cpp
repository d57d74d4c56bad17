#include "reconcile/statement_candidates.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <unordered_map>

#include "data/sql_quote.h"
#include "data/text_functions.h"
#include "platform/coordinator_calls.h"

namespace trunaccount {

MatchCandidates matchCandidates(const ClientDataSet& rowSet, bool untickedOnly) {
    MatchCandidates c;
    if (!rowSet.active()) return c;
    const Field& tick = rowSet.fieldByName("f_zzgdbz");
    const Field& number = rowSet.fieldByName("f_Djh");
    const Field& unit = rowSet.fieldByName("f_hsdwh");
    const Field& supplier = rowSet.fieldByName("f_Gysbm");
    const Field& name = rowSet.fieldByName("f_Csmc");
    const Field& date = rowSet.fieldByName("f_Rzrq");
    const Field& amount = rowSet.fieldByName("f_hsje");
    auto text = [](const Field& f, RecordId r) {
        return f.isNullAt(r) ? std::string() : std::string(f.textAt(r));
    };
    for (int row = 0; row < rowSet.recordCount(); ++row) {
        const RecordId r = rowSet.recordAt(row);
        if (untickedOnly && text(tick, r) == "1") continue;
        MatchDocument d;
        d.number = text(number, r);
        d.unit = text(unit, r);
        d.supplierCode = text(supplier, r);
        d.supplierName = text(name, r);
        d.date = text(date, r);
        d.amountCents = amount.isNullAt(r) ? 0 : static_cast<std::int64_t>(std::llround(amount.floatAt(r) * 100.0));
        c.documents.push_back(std::move(d));
        c.records.push_back(r);
    }
    return c;
}

std::string invoiceNumberQuery(BusinessType type, const std::vector<MatchDocument>& documents, const std::string& unit) {
    if (type != BusinessType::InvoiceSubmission && type != BusinessType::InvoiceAdjustment) return {};
    // The month of a document is the first six characters of its number.
    std::set<std::string> months;
    for (const auto& d : documents) {
        const std::string m = d.number.substr(0, 6);
        if (m.size() == 6 && IsIntegerText(m) && m.substr(4) >= "01" && m.substr(4) <= "12") months.insert(m);
    }
    if (months.empty()) return {};
    const std::string one = "select f_hsdwh,f_djh,f_fphm from tb000000_fptjdcb where f_hsdwh='" + SqlValue(unit) + "' ";
    return ExpandMonthTables(one, *months.begin(), *months.rbegin(), false);
}

void attachInvoiceNumbers(std::vector<MatchDocument>& documents, const DataPacket& packet) {
    const int unitColumn = packet.columnIndex("f_hsdwh"), numberColumn = packet.columnIndex("f_djh"),
              invoiceColumn = packet.columnIndex("f_fphm");
    if (unitColumn < 0 || numberColumn < 0 || invoiceColumn < 0) return;
    std::unordered_map<std::string, std::size_t> byKey;
    for (std::size_t i = 0; i < documents.size(); ++i) byKey.emplace(documents[i].unit + '\x1f' + documents[i].number, i);
    auto text = [&](std::size_t r, int c) {
        const auto col = static_cast<std::size_t>(c);
        return packet.isNull(r, col) ? std::string() : packet.value(r, col).toText();
    };
    for (std::size_t r = 0; r < packet.rowCount(); ++r) {
        auto it = byKey.find(text(r, unitColumn) + '\x1f' + text(r, numberColumn));
        const std::string invoice = text(r, invoiceColumn);
        if (it == byKey.end() || invoice.empty()) continue;
        auto& list = documents[it->second].invoiceNumbers;
        if (std::find(list.begin(), list.end(), invoice) == list.end()) list.push_back(invoice);
    }
}

std::string loadInvoiceNumbers(ICoorDisp& coordinator, BusinessType type, std::vector<MatchDocument>& documents,
                               const std::string& unit) {
    const std::string sql = invoiceNumberQuery(type, documents, unit);
    if (sql.empty()) return {};
    Variant data;
    if (!platform::QueryData(coordinator, sql, data)) return "发票号码未能读取: " + platform::ReportError(nullptr, data, "");
    if (!data.isPacket() || !data.asPacket()) return "发票号码未能读取";
    attachInvoiceNumbers(documents, *data.asPacket());
    return {};
}

std::vector<LineResult> lineResults(const statement::Statement& st, const std::vector<LineMatch>& matches) {
    std::vector<LineResult> out;
    for (std::size_t i = 0; i < st.lines.size() && i < matches.size(); ++i) {
        const LineMatch& m = matches[i];
        LineResult r;
        r.sourceLine = st.lines[i].sourceLine;
        r.amountCents = st.lines[i].amountCents;
        r.status = m.status;
        r.proposal = m.proposal;
        r.alternatives = m.alternatives;
        r.reasons = m.proposal.reasons;
        r.reasons.insert(r.reasons.end(), m.notes.begin(), m.notes.end());
        r.line = i;
        out.push_back(std::move(r));
    }
    for (const auto& b : st.badLines) {
        LineResult r;
        r.sourceLine = b.sourceLine;
        r.status = MatchStatus::Bad;
        r.reasons.push_back(b.element.empty() ? b.message : "<" + b.element + "> " + b.message);
        out.push_back(std::move(r));
    }
    std::stable_sort(out.begin(), out.end(), [](const LineResult& a, const LineResult& b) { return a.sourceLine < b.sourceLine; });
    return out;
}

}  // namespace trunaccount
