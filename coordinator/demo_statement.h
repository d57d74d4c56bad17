// Bank statements made from listed documents, with the truth known: for the
// demonstration ("导入对账单" on the demo database), the matching benchmark and
// tests. The mix is meant to be hard: references present and absent, names
// written the many ways banks write them, amounts several suppliers share,
// payments of several documents, payments of documents not listed, bank fees,
// movements listed twice, money in on a paying account.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reconcile/statement_match.h"
#include "statement/statement.h"

namespace trunaccount::coord {

struct GeneratedLine {
    statement::StatementLine line;
    std::vector<std::string> truth;  // the listed documents it pays, ascending; empty: none
    std::string kind;                // single, split, outside, fee, decoy, duplicate, reverse
};

// `count` lines (fewer when the documents run out) over the listed documents;
// `unlisted` are documents of the same kind outside the listed range.
std::vector<GeneratedLine> generateStatement(const std::vector<MatchDocument>& listed,
                                             const std::vector<MatchDocument>& unlisted, MoneyDirection direction,
                                             std::size_t count, std::uint64_t seed);

// The lines written in a format, for our own account; the readers read them back.
std::string writeCamt053(const std::vector<statement::StatementLine>& lines);
std::string writeMt940(const std::vector<statement::StatementLine>& lines);
std::string writeOfx(const std::vector<statement::StatementLine>& lines);
// A bank's CSV export: account lines, a header, one row per line; GBK or UTF-8,
// comma or tab.
std::string writeBankCsv(const std::vector<statement::StatementLine>& lines, bool gbk, char separator);

}  // namespace trunaccount::coord
