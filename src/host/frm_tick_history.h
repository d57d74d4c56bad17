// The tick history of one document: when it was ticked and revoked, and by
// whom, oldest first; opened from the search window's row menu "勾对历史".
#pragma once

#include <QDialog>
#include <vector>

#include "reconcile/tick_history.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace trunaccount::host {

class TFrmTickHistory : public QDialog {
    Q_OBJECT
public:
    TFrmTickHistory(QWidget* owner, const QString& document, const QString& unit,
                    const std::vector<TickHistoryStep>& steps);

    QLabel* labDocument() const { return labDocument_; }
    QTableWidget* lvwHistory() const { return lvwHistory_; }
    QPushButton* btnClose() const { return btnClose_; }

private:
    QLabel* labDocument_;
    QTableWidget* lvwHistory_;
    QPushButton* btnClose_;
};

}  // namespace trunaccount::host
