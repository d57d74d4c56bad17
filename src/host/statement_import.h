// "导入对账单" in the input window: a bank statement read, matched against the
// listed unticked documents, and the accepted proposals ticked as a click
// ticks them. Nothing is saved here; "保  存" saves as always.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "dataset/client_dataset.h"
#include "reconcile/statement_candidates.h"

class QHBoxLayout;
class QToolButton;

namespace trunaccount::host {

class TFrmTrunAccount;

// A statement and what the matching made of it, for one review.
struct StatementReviewData {
    BusinessType type = BusinessType::InvoiceSubmission;  // of the listed documents
    statement::Statement statement;
    MatchCandidates candidates;
    std::uint32_t generation = 0;         // of the row set the candidates were taken from
    std::vector<LineResult> results;      // every line of the file, in file order
    std::string notice;                   // something the user should know (invoice numbers not read, …)
};

// The settings of the matching: the date window and the threshold of
// "全部接受", from the window's settings file (section "StatementMatch").
MatchSettings statementMatchSettings();
double statementAcceptThreshold();
void storeStatementAcceptThreshold(double threshold);

// Reads the file and matches it against the window's unticked rows. Raises
// statement::StatementError when the file cannot be read.
StatementReviewData prepareStatementReview(TFrmTrunAccount& w, const std::string& path);

// Ticks the rows of the documents through the same path as a click, and fills
// the payment date (the booking date) and the bill number (the bank's
// reference) where the business type lets the user edit them. Nothing happens
// when a row is gone or ticked already; the result then says why ("" when done).
std::string tickFromStatement(TFrmTrunAccount& w, const StatementReviewData& data, const std::vector<std::size_t>& documents,
                              const statement::StatementLine& line);

// The lines that still need following up (unmatched, ambiguous, unreadable,
// unless accepted), as CSV in UTF-8 with a byte order mark.
std::string followUpCsv(const StatementReviewData& data, const std::vector<bool>& accepted);

// The tool button "导入对账单", put in the window's second toolbar row after "保  存".
QToolButton* addStatementButton(TFrmTrunAccount& w, QHBoxLayout* row, QToolButton* after);

}  // namespace trunaccount::host
