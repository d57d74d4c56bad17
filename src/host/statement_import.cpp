#include "host/statement_import.h"

#include <QDate>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#include "data/settings.h"
#include "host/frm_statement_review.h"
#include "host/frm_trun_account.h"
#include "host/host_values.h"
#include "host/icons.h"
#include "host/window_support.h"
#include "platform/coordinator_calls.h"
#include "platform/errors.h"
#include "platform/gbk.h"
#include "reconcile/document_query.h"
#include "statement/statement_text.h"
#include "tools/adv_grid.h"

namespace trunaccount::host {

namespace {

constexpr const char* kSettingsFile = "Quorvexpos.ini";
constexpr const char* kSection = "StatementMatch";

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string shiftedDate(const std::string& date, int days) {
    const QDate d = QDate::fromString(QString::fromStdString(date), QStringLiteral("yyyyMMdd"));
    return d.isValid() ? d.addDays(days).toString(QStringLiteral("yyyyMMdd")).toStdString() : date;
}

// Lines that fit no listed document may pay one that is ticked already (the
// statement imported a second time, or the payment ticked by hand): they say
// which, instead of that no amount fits. Only a hint: a query that fails
// leaves the reasons as they are.
void noteTickedBefore(TFrmTrunAccount& w, StatementReviewData& data, const MatchSettings& settings) {
    std::vector<statement::StatementLine> lines;
    std::vector<std::size_t> results;
    std::string first, last;
    for (std::size_t i = 0; i < data.results.size(); ++i) {
        const LineResult& r = data.results[i];
        if (r.status != MatchStatus::Unmatched || !r.line) continue;
        const statement::StatementLine& l = data.statement.lines[*r.line];
        lines.push_back(l);
        results.push_back(i);
        if (first.empty() || l.bookingDate < first) first = l.bookingDate;
        if (last.empty() || l.bookingDate > last) last = l.bookingDate;
    }
    if (lines.empty()) return;
    // Documents dated up to the date window before the first booking, within
    // the months a search may cover.
    const auto& m = moduleState();
    DocumentSearch search;
    search.startDate = std::max(shiftedDate(first, -settings.dateWindowDays), m.startYearMonth + "01");
    search.endDate = m.currentDate.empty() ? last : std::min(last, m.currentDate);
    if (search.startDate > search.endDate) return;
    search.type = data.type;
    search.tickState = TickState::Ticked;
    search.unit = w.parameters().hsdwh;
    Variant packet;
    if (!platform::QueryData(currentCoordinator(), buildDocumentQuery(search), packet) || !packet.isPacket() || !packet.asPacket())
        return;
    ClientDataSet ticked("ticked");
    try {
        ticked.loadPacket(*packet.asPacket());
    } catch (const std::exception&) {
        return;
    }
    const MatchCandidates earlier = matchCandidates(ticked, false);
    const auto matches = matchStatement(lines, earlier.documents, directionOf(data.type), settings);
    for (std::size_t k = 0; k < matches.size(); ++k) {
        if (matches[k].status == MatchStatus::Unmatched) continue;
        std::string numbers;
        for (std::size_t d : matches[k].proposal.documents)
            numbers += (numbers.empty() ? "" : "、") + earlier.documents[d].number;
        data.results[results[k]].reasons = {"金额相符的单据 " + numbers + " 已勾对, 对账单可能已导入过"};
    }
}

}  // namespace

MatchSettings statementMatchSettings() {
    MatchSettings s;
    try {
        const std::string days = ReadSetting(kSettingsFile, kSection, "DateWindowDays", "30", "");
        const int n = std::atoi(days.c_str());
        if (n >= 0 && n <= 3660) s.dateWindowDays = n;
    } catch (const std::exception&) {
        // an unreadable settings file: the defaults
    }
    return s;
}

double statementAcceptThreshold() {
    try {
        const double t = std::atof(ReadSetting(kSettingsFile, kSection, "AcceptThreshold", "0.9", "").c_str());
        if (t > 0 && t <= 1) return t;
    } catch (const std::exception&) {
    }
    return 0.9;
}

void storeStatementAcceptThreshold(double threshold) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.2f", threshold);
    WriteSetting(kSettingsFile, kSection, "AcceptThreshold", buf, "");
}

StatementReviewData prepareStatementReview(TFrmTrunAccount& w, const std::string& path) {
    StatementReviewData data;
    data.statement = statement::readStatementFile(path);
    data.candidates = matchCandidates(w.cdspass);
    data.generation = w.cdspass.active() ? w.cdspass.bookmark().generation : 0;
    const auto selected = w.businessType();
    if (!selected) throw Error("请选择业务类型。", "statement import: no business type selected");
    const BusinessType type = *selected;
    data.type = type;
    data.notice = loadInvoiceNumbers(currentCoordinator(), type, data.candidates.documents, w.parameters().hsdwh);
    const MatchSettings settings = statementMatchSettings();
    const auto matches = matchStatement(data.statement.lines, data.candidates.documents, directionOf(type), settings);
    data.results = lineResults(data.statement, matches);
    noteTickedBefore(w, data, settings);
    return data;
}

std::string tickFromStatement(TFrmTrunAccount& w, const StatementReviewData& data, const std::vector<std::size_t>& documents,
                              const statement::StatementLine& line) {
    ClientDataSet& ds = w.cdspass;
    if (documents.empty()) return "没有单据";
    std::vector<Bookmark> rows;
    for (auto d : documents) {
        const Bookmark b{data.candidates.records.at(d), data.generation};
        if (!ds.active() || !ds.bookmarkValid(b) || ds.rowOfBookmark(b) < 0)
            return "单据 " + data.candidates.documents[d].number + " 已不在列表中";
        if (w.cdspassf_zzgdbz->textAt(b.record) == "1") return "单据 " + data.candidates.documents[d].number + " 已勾对";
        rows.push_back(b);
    }
    // The payment details go in only where the user could type them.
    auto editable = [&](Field* f) { return f->visible() && !f->readOnly() && !w.dgdView->readOnly(); };
    const bool fillDate = editable(w.cdspassf_Zzzfrq);
    const bool fillBill = editable(w.cdspassf_zzpjhm) && !line.reference.empty() &&
                          platform::gbkByteLength(line.reference) <= static_cast<std::size_t>(w.cdspassf_zzpjhm->size());
    for (const Bookmark& b : rows) {
        ds.gotoBookmark(b);
        ds.edit();
        try {
            w.cdspassf_zzgdbz->setAsString("1");
            if (fillDate) w.cdspassf_Zzzfrq->setAsString(line.bookingDate);
            if (fillBill) w.cdspassf_zzpjhm->setAsString(line.reference);
            ds.post();
        } catch (...) {
            ds.cancel();
            throw;
        }
    }
    return {};
}

std::string followUpCsv(const StatementReviewData& data, const std::vector<bool>& accepted) {
    std::string csv = "\xEF\xBB\xBF行号,记账日期,金额,对方户名,对方账号,附言,流水号,状态,原因\r\n";
    for (std::size_t i = 0; i < data.results.size(); ++i) {
        const LineResult& r = data.results[i];
        if (r.status == MatchStatus::Matched || (i < accepted.size() && accepted[i])) continue;
        std::string reasons;
        for (const auto& t : r.reasons) reasons += (reasons.empty() ? "" : "; ") + t;
        std::vector<std::string> cells = {std::to_string(r.sourceLine)};
        if (r.line) {
            const auto& l = data.statement.lines[*r.line];
            cells.insert(cells.end(), {l.bookingDate, statement::formatCents(l.amountCents), l.counterpartyName,
                                       l.counterpartyAccount, l.remittance, l.reference});
        } else {
            cells.insert(cells.end(), 6, std::string());
        }
        cells.push_back(statusCaption(r.status));
        cells.push_back(reasons);
        for (std::size_t c = 0; c < cells.size(); ++c) csv += (c ? "," : "") + csvField(cells[c]);
        csv += "\r\n";
    }
    return csv;
}

QToolButton* addStatementButton(TFrmTrunAccount& w, QHBoxLayout* row, QToolButton* after) {
    auto* b = new QToolButton(after->parentWidget());
    b->setObjectName(QStringLiteral("btnStatement"));
    b->setText(QStringLiteral("导入对账单"));
    b->setToolTip(QStringLiteral("Ctrl+I"));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setIconSize(QSize(16, 16));
    b->setIcon(toolIcon("import"));
    b->setFixedSize(QFontMetrics(b->font()).horizontalAdvance(b->text()) + 14, after->maximumHeight());
    row->insertWidget(row->indexOf(after) + 1, b);
    QObject::connect(b, &QToolButton::clicked, &w, [&w] { guarded(&w, [&] { w.btnStatementClick(); }); });
    return b;
}

void TFrmTrunAccount::btnStatementClick() {
    if (inSearchMode()) return;
    if (!businessType()) {
        platform::messageBox(this, "请选择业务类型。", "警告", platform::MB_OK | platform::MB_ICONWARNING);
        return;
    }
    if (!cdspass.active()) {
        platform::messageBox(this, "请先查出要勾对的单据 (F2), 再导入对账单", "提示", platform::MB_OK | platform::MB_ICONINFORMATION);
        return;
    }
    dgdView->postEditor();
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("导入对账单"), QString(),
        QStringLiteral("对账单 (*.xml *.053 *.sta *.940 *.mt940 *.txt *.ofx *.qfx *.csv);;所有文件 (*)"));
    if (path.isEmpty()) return;
    StatementReviewData data;
    try {
        data = prepareStatementReview(*this, path.toStdString());
    } catch (const statement::StatementError& e) {
        platform::messageBox(this, e.what(), "错误", platform::MB_OK | platform::MB_ICONERROR);
        return;
    }
    TFrmStatementReview review(*this, std::move(data));
    review.exec();
}

}  // namespace trunaccount::host
