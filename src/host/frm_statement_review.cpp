#include "host/frm_statement_review.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "host/frm_trun_account.h"
#include "host/window_support.h"
#include "statement/statement_text.h"

namespace trunaccount::host {

namespace {

enum Col { ColLine, ColDate, ColAmount, ColName, ColRemittance, ColReference, ColStatus, ColDocuments, ColSupplier, ColScore, ColReasons, kCols };

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TFrmStatementReview::TFrmStatementReview(TFrmTrunAccount& window, StatementReviewData data)
    : QDialog(&window), window_(window), data_(std::move(data)) {
    setObjectName(QStringLiteral("FrmStatementReview"));
    setWindowTitle(QStringLiteral("对账单匹配结果"));
    setFont(interfaceFont(12));
    const std::size_t n = data_.results.size();
    accepted_.assign(n, false);
    chosenByHand_.assign(n, false);
    problems_.assign(n, QString());

    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("labSummary"));
    summary_->setWordWrap(true);
    layout->addWidget(summary_);

    auto* filters = new QHBoxLayout;
    auto* showLabel = new QLabel(QStringLiteral("显示(&S):"), this);
    show_ = new QComboBox(this);
    show_->setObjectName(QStringLiteral("cbShow"));
    show_->addItems({QStringLiteral("全部"), QStringLiteral("已匹配"), QStringLiteral("有歧义"), QStringLiteral("未匹配")});
    show_->setAccessibleName(QStringLiteral("显示"));
    showLabel->setBuddy(show_);
    auto* thresholdLabel = new QLabel(QStringLiteral("全部接受的得分下限(&T):"), this);
    threshold_ = new QDoubleSpinBox(this);
    threshold_->setObjectName(QStringLiteral("edtThreshold"));
    threshold_->setRange(0.0, 1.0);
    threshold_->setSingleStep(0.05);
    threshold_->setDecimals(2);
    threshold_->setValue(statementAcceptThreshold());
    threshold_->setAccessibleName(QStringLiteral("全部接受的得分下限"));
    thresholdLabel->setBuddy(threshold_);
    filters->addWidget(showLabel);
    filters->addWidget(show_);
    filters->addSpacing(24);
    filters->addWidget(thresholdLabel);
    filters->addWidget(threshold_);
    filters->addStretch();
    layout->addLayout(filters);

    table_ = new QTableWidget(static_cast<int>(n), kCols, this);
    table_->setObjectName(QStringLiteral("tblLines"));
    table_->setHorizontalHeaderLabels({QStringLiteral("行号"), QStringLiteral("记账日期"), QStringLiteral("金额"),
                                       QStringLiteral("对方户名"), QStringLiteral("附言"), QStringLiteral("流水号"),
                                       QStringLiteral("状态"), QStringLiteral("单据号"), QStringLiteral("供应商"),
                                       QStringLiteral("得分"), QStringLiteral("理由")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->verticalHeader()->hide();
    table_->setWordWrap(false);
    for (int r = 0; r < static_cast<int>(n); ++r) fillRow(r);
    table_->resizeColumnsToContents();
    for (int c : {ColName, ColRemittance, ColDocuments, ColSupplier})
        table_->setColumnWidth(c, std::min(table_->columnWidth(c), 200));
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const QString& text, const char* name, auto handler) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, handler] { guarded(this, [&] { handler(); }); });
        buttons->addWidget(b);
        return b;
    };
    button(QStringLiteral("接受(&A)"), "btnAccept", [this] { acceptSelected(); });
    button(QStringLiteral("全部接受(&L)"), "btnAcceptAll", [this] { acceptAll(); });
    button(QStringLiteral("选择单据(&D)..."), "btnChoose", [this] { chooseForCurrentRow(); });
    button(QStringLiteral("导出待查行(&E)..."), "btnExport", [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出待查行"), QStringLiteral("待查对账单行.csv"),
                                                          QStringLiteral("CSV (*.csv)"));
        if (!path.isEmpty()) exportFollowUp(path);
    });
    buttons->addStretch();
    button(QStringLiteral("关闭(&C)"), "btnClose", [this] { accept(); });
    layout->addLayout(buttons);

    connect(show_, &QComboBox::currentIndexChanged, this, [this] { applyFilter(); });
    connect(threshold_, &QDoubleSpinBox::valueChanged, this, [](double v) {
        try {
            storeStatementAcceptThreshold(v);
        } catch (const std::exception&) {
            // a settings file that cannot be written: the value holds for this review
        }
    });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { guarded(this, [&] { chooseForCurrentRow(); }); });
    updateSummary();
    resize(1100, 560);
}

TFrmStatementReview::~TFrmStatementReview() = default;

QString TFrmStatementReview::documentsText(const std::vector<std::size_t>& documents) const {
    QStringList numbers;
    for (auto d : documents) numbers << q(data_.candidates.documents[d].number);
    return numbers.join(QLatin1Char(','));
}

void TFrmStatementReview::fillRow(int row) {
    const LineResult& r = data_.results[static_cast<std::size_t>(row)];
    auto set = [&](int col, const QString& text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        auto* item = table_->item(row, col);
        if (!item) {
            item = new QTableWidgetItem;
            table_->setItem(row, col, item);
        }
        item->setText(text);
        item->setTextAlignment(align);
    };
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    set(ColLine, QString::number(r.sourceLine), right);
    if (r.line) {
        const auto& l = data_.statement.lines[*r.line];
        set(ColDate, q(l.bookingDate));
        set(ColAmount, q(statement::formatCents(l.amountCents)), right);
        set(ColName, q(l.counterpartyName));
        set(ColRemittance, q(l.remittance));
        set(ColReference, q(l.reference));
    }
    const std::size_t i = static_cast<std::size_t>(row);
    QString status = QString::fromUtf8(statusCaption(r.status));
    if (chosenByHand_[i]) status = QStringLiteral("人工选择");
    if (accepted_[i]) status = QStringLiteral("已接受");
    set(ColStatus, status);
    set(ColDocuments, documentsText(r.proposal.documents));
    QString supplier;
    if (!r.proposal.documents.empty()) supplier = q(data_.candidates.documents[r.proposal.documents.front()].supplierName);
    set(ColSupplier, supplier);
    set(ColScore, r.proposal.documents.empty() || chosenByHand_[i] ? QString() : QString::number(r.proposal.score, 'f', 2), right);
    QStringList reasons;
    if (!problems_[i].isEmpty()) reasons << problems_[i];
    for (const auto& t : r.reasons) reasons << q(t);
    set(ColReasons, reasons.join(QStringLiteral("; ")));
    table_->item(row, ColReasons)->setToolTip(reasons.join(QLatin1Char('\n')));
    const QColor background = accepted_[i] ? QColor(221, 221, 255)
                              : r.status == MatchStatus::Matched || chosenByHand_[i] ? QColor(225, 245, 225)
                              : r.status == MatchStatus::Ambiguous ? QColor(255, 243, 205)
                                                                   : QColor(255, 255, 255);
    for (int c = 0; c < kCols; ++c) table_->item(row, c)->setBackground(background);
}

void TFrmStatementReview::updateSummary() {
    int counts[4] = {0, 0, 0, 0};
    int done = 0;
    for (std::size_t i = 0; i < data_.results.size(); ++i) {
        ++counts[static_cast<int>(data_.results[i].status)];
        done += accepted_[i] ? 1 : 0;
    }
    QString text = QStringLiteral("%1 (%2): %3 行; 已匹配 %4, 有歧义 %5, 未匹配 %6, 无法读取 %7; 已接受 %8; 可勾对单据 %9 张")
                       .arg(q(data_.statement.fileName), QString::fromLatin1(statement::formatName(data_.statement.format)))
                       .arg(data_.results.size())
                       .arg(counts[0])
                       .arg(counts[1])
                       .arg(counts[2])
                       .arg(counts[3])
                       .arg(done)
                       .arg(data_.candidates.documents.size());
    if (!data_.notice.empty()) text += QStringLiteral("\n") + q(data_.notice);
    summary_->setText(text);
}

void TFrmStatementReview::setShow(Show show) { show_->setCurrentIndex(static_cast<int>(show)); }

void TFrmStatementReview::applyFilter() {
    const int show = show_->currentIndex();
    for (int r = 0; r < table_->rowCount(); ++r) {
        const MatchStatus s = data_.results[static_cast<std::size_t>(r)].status;
        bool visible = true;
        if (show == 1) visible = s == MatchStatus::Matched;
        else if (show == 2) visible = s == MatchStatus::Ambiguous;
        else if (show == 3) visible = s == MatchStatus::Unmatched || s == MatchStatus::Bad;
        table_->setRowHidden(r, !visible);
    }
}

bool TFrmStatementReview::acceptRow(int row) {
    const std::size_t i = static_cast<std::size_t>(row);
    const LineResult& r = data_.results[i];
    if (accepted_[i] || !r.line || r.proposal.documents.empty()) return false;
    if (r.status != MatchStatus::Matched && !chosenByHand_[i]) {
        problems_[i] = QStringLiteral("请先选择单据");
        fillRow(row);
        return false;
    }
    const std::string problem = tickFromStatement(window_, data_, r.proposal.documents, data_.statement.lines[*r.line]);
    problems_[i] = q(problem);
    accepted_[i] = problem.empty();
    fillRow(row);
    return accepted_[i];
}

int TFrmStatementReview::acceptSelected() {
    std::vector<int> rows;
    for (const auto& range : table_->selectedRanges())
        for (int r = range.topRow(); r <= range.bottomRow(); ++r)
            if (!table_->isRowHidden(r)) rows.push_back(r);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    int n = 0;
    for (int r : rows) n += acceptRow(r) ? 1 : 0;
    updateSummary();
    return n;
}

int TFrmStatementReview::acceptAll() {
    const double least = threshold_->value() - 1e-9;
    int n = 0;
    for (int r = 0; r < table_->rowCount(); ++r) {
        const LineResult& res = data_.results[static_cast<std::size_t>(r)];
        if (res.status == MatchStatus::Matched && res.proposal.score >= least) n += acceptRow(r) ? 1 : 0;
    }
    updateSummary();
    return n;
}

void TFrmStatementReview::chooseDocuments(int row, std::vector<std::size_t> documents) {
    const std::size_t i = static_cast<std::size_t>(row);
    if (accepted_[i] || !data_.results[i].line) return;
    std::sort(documents.begin(), documents.end());
    LineResult& r = data_.results[i];
    r.proposal.documents = std::move(documents);
    r.proposal.reasons.clear();
    r.reasons.clear();
    chosenByHand_[i] = !r.proposal.documents.empty();
    problems_[i].clear();
    fillRow(row);
    // The table may have opened with these columns narrow (nothing matched):
    // what the user chose reads in full.
    for (int c : {ColStatus, ColDocuments, ColSupplier}) {
        const int before = table_->columnWidth(c);
        table_->resizeColumnToContents(c);
        table_->setColumnWidth(c, std::max(before, std::min(table_->columnWidth(c), 200)));
    }
}

void TFrmStatementReview::chooseForCurrentRow() {
    const int row = table_->currentRow();
    if (row < 0) return;
    const std::size_t i = static_cast<std::size_t>(row);
    const LineResult& r = data_.results[i];
    if (accepted_[i] || !r.line) return;
    const auto& line = data_.statement.lines[*r.line];
    // The line's candidates first, then documents of the same amount, then the rest.
    std::vector<std::size_t> order;
    for (const auto& p : r.alternatives)
        for (auto d : p.documents) order.push_back(d);
    for (auto d : r.proposal.documents) order.insert(order.begin(), d);
    const std::int64_t want = (directionOf(data_.type) == MoneyDirection::Outgoing ? -1 : 1) * line.amountCents;
    for (std::size_t d = 0; d < data_.candidates.documents.size(); ++d)
        if (data_.candidates.documents[d].amountCents == want) order.push_back(d);
    for (std::size_t d = 0; d < data_.candidates.documents.size(); ++d) order.push_back(d);
    std::vector<std::size_t> unique;
    std::vector<bool> seen(data_.candidates.documents.size(), false);
    for (auto d : order)
        if (!seen[d]) seen[d] = true, unique.push_back(d);

    QDialog pick(this);
    pick.setWindowTitle(QStringLiteral("选择单据 - 第 %1 行, 金额 %2").arg(r.sourceLine).arg(q(statement::formatCents(line.amountCents))));
    auto* layout = new QVBoxLayout(&pick);
    auto* filter = new QLineEdit(&pick);
    filter->setPlaceholderText(QStringLiteral("按单据号、供应商或金额筛选"));
    filter->setAccessibleName(QStringLiteral("筛选"));
    auto* list = new QListWidget(&pick);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (auto d : unique) {
        const auto& doc = data_.candidates.documents[d];
        auto* item = new QListWidgetItem(QStringLiteral("%1  %2  %3  %4")
                                             .arg(q(doc.number), q(doc.date), q(statement::formatCents(doc.amountCents)),
                                                  q(doc.supplierName)),
                                         list);
        item->setData(Qt::UserRole, static_cast<qulonglong>(d));
    }
    list->setCurrentRow(0);
    connect(filter, &QLineEdit::textChanged, list, [list](const QString& text) {
        for (int k = 0; k < list->count(); ++k) list->item(k)->setHidden(!list->item(k)->text().contains(text));
    });
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &pick);
    box->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确  认(&O)"));
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取  消(&C)"));
    connect(box, &QDialogButtonBox::accepted, &pick, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, &pick, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, &pick, &QDialog::accept);
    layout->addWidget(filter);
    layout->addWidget(list);
    layout->addWidget(box);
    pick.resize(560, 420);
    if (pick.exec() != QDialog::Accepted) return;
    std::vector<std::size_t> chosen;
    for (auto* item : list->selectedItems())
        if (!item->isHidden()) chosen.push_back(static_cast<std::size_t>(item->data(Qt::UserRole).toULongLong()));
    if (!chosen.empty()) chooseDocuments(row, chosen);
}

bool TFrmStatementReview::exportFollowUp(const QString& path) {
    const std::string csv = followUpCsv(data_, accepted_);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(csv.data(), static_cast<qint64>(csv.size())) != static_cast<qint64>(csv.size()) || !file.flush()) {
        platform::messageBox(this, "无法写入文件 " + path.toStdString() + ": " + file.errorString().toStdString(), "错误",
                             platform::MB_OK | platform::MB_ICONERROR);
        return false;
    }
    return true;
}

}  // namespace trunaccount::host
