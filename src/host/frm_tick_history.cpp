#include "host/frm_tick_history.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "host/window_support.h"

namespace trunaccount::host {

TFrmTickHistory::TFrmTickHistory(QWidget* owner, const QString& document, const QString& unit,
                                 const std::vector<TickHistoryStep>& steps)
    : QDialog(owner) {
    setObjectName(QStringLiteral("FrmTickHistory"));
    setWindowTitle(QStringLiteral("勾对历史"));
    setFont(interfaceFont(12));

    labDocument_ = new QLabel(QStringLiteral("单据号：%1    核算单位：%2").arg(document, unit), this);
    labDocument_->setObjectName(QStringLiteral("labDocument"));

    lvwHistory_ = new QTableWidget(static_cast<int>(steps.size()), 3, this);
    lvwHistory_->setObjectName(QStringLiteral("lvwHistory"));
    lvwHistory_->setAccessibleName(QStringLiteral("勾对历史"));
    lvwHistory_->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("操作员"), QStringLiteral("操作")});
    lvwHistory_->verticalHeader()->setVisible(false);
    lvwHistory_->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 8);
    lvwHistory_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwHistory_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwHistory_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int r = 0; r < static_cast<int>(steps.size()); ++r) {
        const auto& s = steps[static_cast<std::size_t>(r)];
        const QString who = QString::fromStdString(s.operatorCode) + QLatin1Char(' ') + QString::fromStdString(s.operatorName);
        const QString texts[] = {QString::fromStdString(TickTimeText(s.time)), who.trimmed(),
                                 s.ticked ? QStringLiteral("勾对") : QStringLiteral("注销")};
        for (int c = 0; c < 3; ++c) lvwHistory_->setItem(r, c, new QTableWidgetItem(texts[c]));
    }
    lvwHistory_->resizeColumnsToContents();
    lvwHistory_->horizontalHeader()->setStretchLastSection(true);
    if (!steps.empty()) lvwHistory_->selectRow(static_cast<int>(steps.size()) - 1);  // the latest step

    btnClose_ = new QPushButton(QStringLiteral("关  闭(&C)"), this);
    btnClose_->setObjectName(QStringLiteral("btnClose"));
    btnClose_->setDefault(true);
    connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(labDocument_);
    layout->addWidget(lvwHistory_);
    layout->addLayout(buttons);
    resize(460, 260);
    lvwHistory_->setFocus();
}

}  // namespace trunaccount::host
