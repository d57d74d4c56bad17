// Matching statement lines to listed documents: the evidence and its reasons,
// splits, the global assignment, and the lines that must not be guessed.
#include <gtest/gtest.h>

#include <algorithm>

#include "reconcile/statement_match.h"

using namespace trunaccount;
using statement::StatementLine;

namespace {

MatchDocument doc(const char* number, const char* supplier, const char* name, const char* date, std::int64_t cents,
                  std::vector<std::string> invoices = {}) {
    return {number, "1001", supplier, name, date, cents, std::move(invoices)};
}

StatementLine pay(const char* date, std::int64_t cents, const char* name, const char* remittance = "",
                  const char* reference = "", int sourceLine = 0) {
    StatementLine l;
    l.bookingDate = date;
    l.amountCents = cents;
    l.counterpartyName = name;
    l.remittance = remittance;
    l.reference = reference;
    l.sourceLine = sourceLine;
    return l;
}

std::vector<std::string> numbers(const std::vector<MatchDocument>& docs, const MatchProposal& p) {
    std::vector<std::string> out;
    for (auto d : p.documents) out.push_back(docs[d].number);
    return out;
}

bool hasReason(const MatchProposal& p, const std::string& start) {
    return std::any_of(p.reasons.begin(), p.reasons.end(), [&](const std::string& r) { return r.rfind(start, 0) == 0; });
}

const char* kHongda = "上海宏达食品有限公司";
const char* kXinyuan = "杭州鑫源日化有限公司";

}  // namespace

TEST(CompanyNames, NormalisedAndCompared) {
    struct Case {
        const char* name;
        const char* normalised;
    } cases[] = {
        {"上海宏达食品有限公司", "上海宏达食品"},
        {"上海宏达食品有限责任公司", "上海宏达食品"},
        {"上海 宏达食品股份有限公司", "上海宏达食品"},
        {"上海宏达食品（有限公司）", "上海宏达食品"},
        {"ＡＢＣ　Trading Co.", "abctradingco"},
        {"沪宏达食品有限", "上海宏达食品"},
        {"有限公司", "有限"},  // never stripped to nothing
    };
    for (const auto& c : cases) EXPECT_EQ(normaliseName(c.name), c.normalised) << c.name;

    struct Pair {
        const char* a;
        const char* b;
        double least, most;
    } pairs[] = {
        {kHongda, "上海宏达食品有限", 1.0, 1.0},
        {kHongda, "宏达食品(上海)有限公司", 0.95, 0.95},  // the city in brackets
        {kHongda, "上海宏达食", 0.95, 0.99},   // cut short by the bank
        {kHongda, "宏达食品", 0.9, 0.99},      // without the city
        {kHongda, kXinyuan, 0.0, 0.1},
        {kHongda, "上海宏达电器有限公司", 0.3, 0.7},
        {kHongda, "", 0.0, 0.0},
    };
    for (const auto& p : pairs) {
        const double s = nameSimilarity(p.a, p.b);
        EXPECT_GE(s, p.least) << p.b;
        EXPECT_LE(s, p.most) << p.b;
    }
}

TEST(StatementMatch, EvidenceAddsUpAndIsGivenAsReasons) {
    const std::vector<MatchDocument> docs = {
        doc("202405000001", "G0001", kHongda, "20240502", 123456, {"88001234"}),
        doc("202405000002", "G0002", kXinyuan, "20240502", 500000),
        doc("202405000003", "G0002", kXinyuan, "20240520", 777700),
    };
    const std::vector<StatementLine> lines = {
        pay("20240503", -123456, "", "付货款 202405000001"),         // reference, no name
        pay("20240503", -123456, "", "发票FP88001234"),              // invoice number inside a word
        pay("20240504", -500000, "杭州鑫源日化"),                    // name and date
        pay("20240504", -500000, "上海宏达食品有限公司"),            // amount of one supplier, name of another
        pay("20240510", -777700, kXinyuan),                          // booked before the document
        pay("20240503", 123456, kHongda, "202405000001"),            // money in on a paying type
        pay("20240503", -999, kHongda),                              // nothing of that amount
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // each line alone, so that no line competes with another here
        const auto m = matchStatement({lines[i]}, docs, MoneyDirection::Outgoing).front();
        SCOPED_TRACE("line " + std::to_string(i));
        switch (i) {
        case 0:
            EXPECT_EQ(m.status, MatchStatus::Matched);
            EXPECT_GE(m.proposal.score, 0.9);
            EXPECT_TRUE(hasReason(m.proposal, "附言含单据号 202405000001"));
            EXPECT_TRUE(hasReason(m.proposal, "金额相符 1234.56"));
            EXPECT_TRUE(hasReason(m.proposal, "对方户名为空"));
            EXPECT_TRUE(hasReason(m.proposal, "记账日在单据日后 1 天"));
            break;
        case 1:
            EXPECT_EQ(m.status, MatchStatus::Matched);
            EXPECT_TRUE(hasReason(m.proposal, "附言含发票号 88001234 (单据 202405000001)"));
            break;
        case 2:
            EXPECT_EQ(m.status, MatchStatus::Matched);
            EXPECT_GE(m.proposal.score, 0.9);
            EXPECT_TRUE(hasReason(m.proposal, "户名相似度 1.00"));
            break;
        case 3:
            EXPECT_LT(m.proposal.score, 0.9);  // an amount alone against a contrary name is never accepted in bulk
            break;
        case 4:
            EXPECT_LT(m.proposal.score, 0.9);
            EXPECT_TRUE(hasReason(m.proposal, "记账日早于单据日 10 天"));
            break;
        case 5:
            EXPECT_EQ(m.status, MatchStatus::Unmatched);
            ASSERT_FALSE(m.notes.empty());
            EXPECT_EQ(m.notes.front(), "收入款项, 本业务类型的单据都是付款");
            break;
        case 6:
            EXPECT_EQ(m.status, MatchStatus::Unmatched);
            EXPECT_TRUE(m.proposal.documents.empty());
            break;
        }
        EXPECT_GE(m.proposal.score, 0.0);
        EXPECT_LE(m.proposal.score, 1.0);
    }
}

TEST(StatementMatch, CloseCandidatesAreAmbiguousNotGuessed) {
    // Two open documents of one supplier with the same amount, a payment that names neither.
    const std::vector<MatchDocument> docs = {
        doc("202405000001", "G0001", kHongda, "20240502", 100000),
        doc("202405000002", "G0001", kHongda, "20240503", 100000),
    };
    auto m = matchStatement({pay("20240505", -100000, kHongda)}, docs, MoneyDirection::Outgoing).front();
    EXPECT_EQ(m.status, MatchStatus::Ambiguous);
    EXPECT_EQ(m.alternatives.size(), 1u);
    // A reference settles it.
    m = matchStatement({pay("20240505", -100000, kHongda, "202405000002")}, docs, MoneyDirection::Outgoing).front();
    EXPECT_EQ(m.status, MatchStatus::Matched);
    EXPECT_EQ(numbers(docs, m.proposal), std::vector<std::string>{"202405000002"});
    // Two payments for the two documents: which pays which cannot be told, so neither is certain.
    const auto both = matchStatement({pay("20240505", -100000, kHongda, "", "B1"), pay("20240506", -100000, kHongda, "", "B2")},
                                     docs, MoneyDirection::Outgoing);
    for (const auto& b : both) EXPECT_EQ(b.status, MatchStatus::Ambiguous);
}

TEST(StatementMatch, OneLinePaysSeveralDocumentsOfOneSupplier) {
    const std::vector<MatchDocument> docs = {
        doc("202405000001", "G0001", kHongda, "20240502", 10000),
        doc("202405000002", "G0001", kHongda, "20240503", 20000),
        doc("202405000003", "G0001", kHongda, "20240504", 40000),
        doc("202405000004", "G0002", kXinyuan, "20240504", 30000),
    };
    // Named in the text: the three documents of the supplier.
    auto m = matchStatement({pay("20240510", -70000, "", "202405000001 202405000002 202405000003")}, docs,
                            MoneyDirection::Outgoing)
                 .front();
    EXPECT_EQ(m.status, MatchStatus::Matched);
    EXPECT_EQ(numbers(docs, m.proposal), (std::vector<std::string>{"202405000001", "202405000002", "202405000003"}));
    EXPECT_TRUE(hasReason(m.proposal, "3 张单据合计 700.00 (拆分付款)"));
    EXPECT_GE(m.proposal.score, 0.9);
    // Unnamed: found by the name and the amounts, one way only.
    m = matchStatement({pay("20240510", -60000, kHongda)}, docs, MoneyDirection::Outgoing).front();
    EXPECT_EQ(m.status, MatchStatus::Matched);
    EXPECT_EQ(numbers(docs, m.proposal), (std::vector<std::string>{"202405000002", "202405000003"}));
    // Documents of two suppliers never make one payment.
    m = matchStatement({pay("20240510", -40000, "", "202405000001 202405000004")}, docs, MoneyDirection::Outgoing).front();
    EXPECT_NE(numbers(docs, m.proposal), (std::vector<std::string>{"202405000001", "202405000004"}));
}

TEST(StatementMatch, AssignmentGivesEachDocumentToOneLine) {
    const std::vector<MatchDocument> docs = {
        doc("202405000001", "G0001", kHongda, "20240502", 100000),
        doc("202405000002", "G0001", kHongda, "20240420", 100000),  // older than the window allows for line 1
    };
    // Line 1 fits both (the first better); line 2 only the first. The best total
    // gives line 2 the first and line 1 the second.
    const std::vector<StatementLine> lines = {pay("20240503", -100000, kHongda, "", "B1", 1),
                                              pay("20240503", -100000, kHongda, "202405000001", "B2", 2)};
    const auto m = matchStatement(lines, docs, MoneyDirection::Outgoing);
    EXPECT_EQ(numbers(docs, m[1].proposal), std::vector<std::string>{"202405000001"});
    EXPECT_EQ(m[1].status, MatchStatus::Matched);
    EXPECT_EQ(numbers(docs, m[0].proposal), std::vector<std::string>{"202405000002"});

    // The same movement listed twice: the copy is not a second payment.
    const auto twice = matchStatement({pay("20240503", -100000, kHongda, "202405000001", "B1", 1),
                                       pay("20240503", -100000, kHongda, "202405000001", "B1", 2)},
                                      docs, MoneyDirection::Outgoing);
    EXPECT_EQ(twice[0].status, MatchStatus::Matched);
    EXPECT_EQ(twice[1].status, MatchStatus::Unmatched);
    EXPECT_EQ(twice[1].notes, std::vector<std::string>{"与第 1 行重复 (同日同额同流水号)"});

    // Two payments (different bank references) of the one document: neither is certain.
    const auto paidTwice = matchStatement({pay("20240503", -100000, kHongda, "202405000001", "B1", 1),
                                           pay("20240504", -100000, kHongda, "202405000001", "B2", 2)},
                                          {docs[0]}, MoneyDirection::Outgoing);
    EXPECT_EQ(paidTwice[0].status, MatchStatus::Ambiguous);
    EXPECT_EQ(paidTwice[1].status, MatchStatus::Ambiguous);
}

TEST(StatementMatch, FeeCollectionsMatchMoneyComingIn) {
    const std::vector<MatchDocument> docs = {doc("202405000001", "G0001", kHongda, "20240502", 8810)};
    EXPECT_EQ(matchStatement({pay("20240503", 8810, kHongda)}, docs, MoneyDirection::Incoming).front().status,
              MatchStatus::Matched);
    EXPECT_EQ(matchStatement({pay("20240503", -8810, kHongda)}, docs, MoneyDirection::Incoming).front().status,
              MatchStatus::Unmatched);
    EXPECT_EQ(directionOf(BusinessType::FeeCollection), MoneyDirection::Incoming);
    EXPECT_EQ(directionOf(BusinessType::PaymentApproval), MoneyDirection::Outgoing);
}

TEST(StatementMatch, SameInputSameResult) {
    std::vector<MatchDocument> docs;
    std::vector<StatementLine> lines;
    for (int i = 0; i < 60; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "2024050000%02d", i);
        docs.push_back(doc("", i % 2 ? "G0001" : "G0002", i % 2 ? kHongda : kXinyuan, "20240502", 1000 * (i % 7 + 1)));
        docs.back().number = number;
        lines.push_back(pay("20240505", -1000 * (i % 5 + 1), i % 3 ? kHongda : kXinyuan, "", "", i + 1));
    }
    const auto a = matchStatement(lines, docs, MoneyDirection::Outgoing);
    const auto b = matchStatement(lines, docs, MoneyDirection::Outgoing);
    ASSERT_EQ(a.size(), b.size());
    std::vector<std::size_t> used;
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].status, b[i].status);
        EXPECT_EQ(a[i].proposal.documents, b[i].proposal.documents);
        EXPECT_EQ(a[i].proposal.reasons, b[i].proposal.reasons);
        if (a[i].status == MatchStatus::Matched) used.insert(used.end(), a[i].proposal.documents.begin(), a[i].proposal.documents.end());
    }
    std::sort(used.begin(), used.end());
    EXPECT_EQ(std::adjacent_find(used.begin(), used.end()), used.end()) << "a document proposed for two lines";
}
