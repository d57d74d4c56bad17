// Matching a bank statement against the listed documents: for every statement
// line, the document (or the two to five documents of one supplier) it pays or
// collects, with a score in [0, 1] and the reasons for it. Lines that match
// nothing, or whose best candidates are too close to tell apart, are said to
// be so and never guessed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "reconcile/business_type.h"
#include "statement/statement.h"

namespace trunaccount {

// A listed document as the matching sees it.
struct MatchDocument {
    std::string number;          // f_Djh
    std::string unit;            // f_hsdwh
    std::string supplierCode;    // f_Gysbm
    std::string supplierName;    // f_Csmc
    std::string date;            // f_Rzrq, YYYYMMDD: prepared or entered
    std::int64_t amountCents = 0;  // f_hsje
    std::vector<std::string> invoiceNumbers;
};

struct MatchSettings {
    int dateWindowDays = 30;        // a payment is booked on or after the document date, within this
    double ambiguityMargin = 0.05;  // candidates closer than this in score cannot be told apart
    double minimumScore = 0.4;      // weaker candidates are not proposed
    // Splits without references: the supplier's documents nearest before the
    // booking date that are searched, and the search steps allowed per line.
    std::size_t splitPoolSize = 16;
    int splitStepBudget = 20000;
    // A group of lines competing for documents is assigned exactly while the
    // search stays within this many steps; beyond, greedily by score.
    int assignmentStepBudget = 200000;
};

// Fee collections are money coming in; every other business type pays out.
enum class MoneyDirection { Outgoing, Incoming };
MoneyDirection directionOf(BusinessType type);

enum class MatchStatus { Matched, Ambiguous, Unmatched, Bad };
// "matched", "ambiguous", "unmatched", "bad".
const char* statusName(MatchStatus status);
// "已匹配", "有歧义", "未匹配", "无法读取".
const char* statusCaption(MatchStatus status);

struct MatchProposal {
    std::vector<std::size_t> documents;  // indexes into the documents, ascending
    double score = 0;
    std::vector<std::string> reasons;
};

struct LineMatch {
    MatchStatus status = MatchStatus::Unmatched;
    // Matched: the proposal. Ambiguous: the best candidate, not to be taken
    // without a choice. Unmatched: empty.
    MatchProposal proposal;
    // The other candidates, best first.
    std::vector<MatchProposal> alternatives;
    // Why the line is ambiguous or unmatched.
    std::vector<std::string> notes;
};

// How the assignment went: groups of lines competing for documents, how many
// were too large for the exact search and were assigned greedily, the largest.
struct MatchStats {
    std::size_t groups = 0;
    std::size_t greedyGroups = 0;
    std::size_t largestGroup = 0;
};

// One result per line, in the order of `lines`. Deterministic: the same lines
// and documents give the same result.
std::vector<LineMatch> matchStatement(const std::vector<statement::StatementLine>& lines,
                                      const std::vector<MatchDocument>& documents, MoneyDirection direction,
                                      const MatchSettings& settings = {}, MatchStats* stats = nullptr);

// A company name reduced to what tells companies apart: half-width, lower
// case, no blanks, brackets or punctuation, without the legal form
// (有限公司, 有限责任公司, 股份有限公司, …), province abbreviations spelt out.
std::string normaliseName(std::string_view name);
// How alike two names are, 0 to 1, after normalising both.
double nameSimilarity(std::string_view a, std::string_view b);

}  // namespace trunaccount
