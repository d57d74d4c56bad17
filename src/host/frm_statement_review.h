// The review of a bank statement's proposals: one row per statement line with
// the proposed documents, score and reasons; filters; "接受" for the selected
// lines, "全部接受" for every proposal at or above the threshold; another listed
// document picked by hand; the lines to follow up exported as CSV.
#pragma once

#include <QDialog>
#include <vector>

#include "host/statement_import.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace trunaccount::host {

class TFrmStatementReview : public QDialog {
    Q_OBJECT
public:
    TFrmStatementReview(TFrmTrunAccount& window, StatementReviewData data);
    ~TFrmStatementReview() override;

    // Row filters of the list.
    enum class Show { All, Matched, Ambiguous, Unmatched };
    void setShow(Show show);

    // "接受": the proposals of the selected rows that can be taken (matched or
    // chosen by hand, not yet accepted). Returns the number of lines accepted.
    int acceptSelected();
    // "全部接受": every matched proposal scoring at least the threshold.
    int acceptAll();
    // The documents chosen by hand for a row (indexes into the candidates).
    void chooseDocuments(int row, std::vector<std::size_t> documents);
    // "选择单据": picks a listed document for the current row.
    void chooseForCurrentRow();
    // Writes the lines to follow up as CSV; false with a message when it cannot.
    bool exportFollowUp(const QString& path);

    const StatementReviewData& data() const { return data_; }
    bool accepted(int row) const { return accepted_[static_cast<std::size_t>(row)]; }
    QTableWidget* table() const { return table_; }
    QDoubleSpinBox* threshold() const { return threshold_; }
    QComboBox* showList() const { return show_; }

private:
    void fillRow(int row);
    void updateSummary();
    void applyFilter();
    // Accepts one row; false when it cannot be taken now (the reason is noted on the row).
    bool acceptRow(int row);
    QString documentsText(const std::vector<std::size_t>& documents) const;

    TFrmTrunAccount& window_;
    StatementReviewData data_;
    std::vector<bool> accepted_;
    std::vector<bool> chosenByHand_;
    std::vector<QString> problems_;
    QLabel* summary_ = nullptr;
    QComboBox* show_ = nullptr;
    QDoubleSpinBox* threshold_ = nullptr;
    QTableWidget* table_ = nullptr;
};

}  // namespace trunaccount::host
