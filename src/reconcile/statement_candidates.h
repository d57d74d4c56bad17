// Between the reconciliation list and the statement matching: the listed rows
// a statement can tick, the invoice numbers of invoice submissions, and the
// result of every statement line (bad ones included) in file order, as the
// window and the command line show it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dataset/client_dataset.h"
#include "trunaccount/coordinator.h"
#include "reconcile/statement_match.h"

namespace trunaccount {

struct MatchCandidates {
    std::vector<MatchDocument> documents;
    std::vector<RecordId> records;  // the row of each document
};

// The unticked rows of the reconciliation row set (every row with
// `untickedOnly` false), in view order.
MatchCandidates matchCandidates(const ClientDataSet& rowSet, bool untickedOnly = true);

// The query of the invoice numbers of the documents' invoice submissions (the
// detail tables of the months their numbers name, of the accounting unit);
// empty for the other business types.
std::string invoiceNumberQuery(BusinessType type, const std::vector<MatchDocument>& documents, const std::string& unit);
// Adds the invoice numbers of a packet (f_hsdwh, f_djh, f_fphm) to the documents.
void attachInvoiceNumbers(std::vector<MatchDocument>& documents, const DataPacket& packet);
// Asks the coordinator for the invoice numbers and adds them. Returns what
// went wrong (the matching then goes on without them), or "" when nothing did.
std::string loadInvoiceNumbers(ICoorDisp& coordinator, BusinessType type, std::vector<MatchDocument>& documents,
                               const std::string& unit);

// What is shown for one line of the statement file.
struct LineResult {
    int sourceLine = 0;
    std::optional<std::int64_t> amountCents;  // none for a line that could not be read
    MatchStatus status = MatchStatus::Unmatched;
    MatchProposal proposal;                   // documents: indexes into the candidates
    std::vector<MatchProposal> alternatives;
    std::vector<std::string> reasons;         // the proposal's reasons, then the notes
    std::optional<std::size_t> line;          // index into the statement's lines
};

// Every line of the statement, good and bad, in the order of the file.
std::vector<LineResult> lineResults(const statement::Statement& statement, const std::vector<LineMatch>& matches);

}  // namespace trunaccount
