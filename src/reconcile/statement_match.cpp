#include "reconcile/statement_match.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

#include "platform/text.h"
#include "statement/statement_text.h"

namespace trunaccount {

using statement::StatementLine;

MoneyDirection directionOf(BusinessType type) {
    return type == BusinessType::FeeCollection ? MoneyDirection::Incoming : MoneyDirection::Outgoing;
}

const char* statusName(MatchStatus status) {
    switch (status) {
    case MatchStatus::Matched: return "matched";
    case MatchStatus::Ambiguous: return "ambiguous";
    case MatchStatus::Unmatched: return "unmatched";
    case MatchStatus::Bad: return "bad";
    }
    return "?";
}

const char* statusCaption(MatchStatus status) {
    switch (status) {
    case MatchStatus::Matched: return "已匹配";
    case MatchStatus::Ambiguous: return "有歧义";
    case MatchStatus::Unmatched: return "未匹配";
    case MatchStatus::Bad: return "无法读取";
    }
    return "?";
}

// ---- Names ----

namespace {

bool isPunctuation(char32_t c) {
    if (c < 128) return !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'));
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0x2010 && c <= 0x206F) || c == 0x00B7 || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
           (c >= 0xFF5B && c <= 0xFF65);
}

std::u32string normalisedPoints(std::string_view name) {
    std::u32string out;
    for (char32_t c : platform::toCodePoints(name)) {
        if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFEE0;  // full width to half width
        if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
        if (c <= 32 || c == 0x3000 || isPunctuation(c)) continue;
        out += c;
    }
    // The legal form says nothing about who the company is; banks often cut it
    // short ("有限", "有限责", …).
    static const std::u32string kSuffixes[] = {U"股份有限公司", U"有限责任公司", U"有限公司", U"股份公司", U"责任公司",
                                               U"公司",         U"有限责任",     U"有限责",   U"有限",     U"股份"};
    for (bool again = true; again;) {
        again = false;
        for (const auto& s : kSuffixes)
            if (out.size() > s.size() + 1 && out.ends_with(s)) {
                out.resize(out.size() - s.size());
                again = true;
                break;
            }
    }
    if (out.starts_with(U"沪")) out = U"上海" + out.substr(1);
    return out;
}

std::vector<std::uint64_t> bigrams(const std::u32string& s) {
    std::vector<std::uint64_t> g;
    for (std::size_t i = 0; i + 1 < s.size(); ++i) g.push_back((static_cast<std::uint64_t>(s[i]) << 32) | s[i + 1]);
    std::sort(g.begin(), g.end());
    return g;
}

double similarityOf(const std::u32string& a, const std::vector<std::uint64_t>& ga, const std::u32string& b,
                    const std::vector<std::uint64_t>& gb) {
    if (a.empty() || b.empty()) return 0;
    if (a == b) return 1;
    const auto& shorter = a.size() <= b.size() ? a : b;
    const auto& longer = a.size() <= b.size() ? b : a;
    double contained = 0;
    // A name cut short, or without its city: the rest of it stands whole in the other.
    if (shorter.size() >= 4 && longer.find(shorter) != std::u32string::npos)
        contained = 0.85 + 0.15 * static_cast<double>(shorter.size()) / static_cast<double>(longer.size());
    if (ga.empty() || gb.empty()) return contained;
    std::size_t common = 0, i = 0, j = 0;
    while (i < ga.size() && j < gb.size()) {
        if (ga[i] == gb[j]) ++common, ++i, ++j;
        else if (ga[i] < gb[j]) ++i;
        else ++j;
    }
    const double dice = 2.0 * static_cast<double>(common) / static_cast<double>(ga.size() + gb.size());
    // The same characters in another order: the city moved into brackets after
    // the name ("宏达食品(上海)" for "上海宏达食品").
    double reordered = 0;
    if (a.size() == b.size() && a.size() >= 4) {
        std::u32string sa = a, sb = b;
        std::sort(sa.begin(), sa.end());
        std::sort(sb.begin(), sb.end());
        if (sa == sb) reordered = 0.95;
    }
    return std::max({contained, dice, reordered});
}

}  // namespace

std::string normaliseName(std::string_view name) { return platform::fromCodePoints(normalisedPoints(name)); }

double nameSimilarity(std::string_view a, std::string_view b) {
    const auto na = normalisedPoints(a), nb = normalisedPoints(b);
    return similarityOf(na, bigrams(na), nb, bigrams(nb));
}

// ---- Matching ----

namespace {

// How much each piece of evidence weighs. A proposal scores at least 0.9 only
// with two strong pieces besides the amount, or a reference.
constexpr double kAmountSingle = 0.50;
constexpr double kAmountSplit[6] = {0, 0, 0.45, 0.42, 0.38, 0.35};  // by the number of documents
constexpr double kReference = 0.40;
constexpr double kName = 0.35;
constexpr double kNameContradicts = -0.25;
constexpr double kDateInWindow = 0.10;
constexpr double kDateBefore = -0.40;
constexpr double kDateLate = -0.15;
constexpr std::size_t kMaxOptions = 8;
constexpr std::size_t kMaxSplit = 5;

std::string twoDecimals(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

double roundScore(double s) { return std::round(std::clamp(s, 0.0, 1.0) * 1000.0) / 1000.0; }

struct Option {
    std::vector<std::size_t> docs;  // ascending
    double score = 0;
    std::vector<std::string> reasons;
};

// A document the line's texts name, and how.
struct Reference {
    std::size_t doc;
    std::string invoice;  // the invoice number that named it; empty for the document number
};

// Documents by a key, without a container per key: the first document of
// each key, and for each entry the next one with the same key.
template <typename Key>
class DocumentIndex {
public:
    void reserve(std::size_t n) {
        head_.reserve(n);
        next_.reserve(n);
        doc_.reserve(n);
    }
    void add(Key key, std::size_t d) {
        const auto entry = static_cast<std::uint32_t>(doc_.size());
        doc_.push_back(static_cast<std::uint32_t>(d));
        auto [it, added] = head_.try_emplace(key, entry);
        next_.push_back(added ? kEnd : it->second);
        it->second = entry;
    }
    // The documents of the key, in the order they were added.
    std::vector<std::size_t> find(Key key) const {
        std::vector<std::size_t> out;
        auto it = head_.find(key);
        if (it == head_.end()) return out;
        for (std::uint32_t e = it->second; e != kEnd; e = next_[e]) out.push_back(doc_[e]);
        std::reverse(out.begin(), out.end());
        return out;
    }

private:
    static constexpr std::uint32_t kEnd = ~std::uint32_t{0};
    std::unordered_map<Key, std::uint32_t> head_;
    std::vector<std::uint32_t> next_, doc_;
};

struct Supplier {
    std::string name;
    std::u32string normalised;
    std::vector<std::uint64_t> grams;
    std::vector<std::size_t> docs;  // by date, then index
};

class Matcher {
public:
    Matcher(const std::vector<StatementLine>& lines, const std::vector<MatchDocument>& docs, MoneyDirection direction,
            const MatchSettings& settings)
        : lines_(lines), docs_(docs), sign_(direction == MoneyDirection::Outgoing ? -1 : 1), settings_(settings) {
        byAmount_.reserve(docs.size());
        byNumber_.reserve(docs.size());
        std::size_t invoices = 0;
        for (const auto& doc : docs) invoices += doc.invoiceNumbers.size();
        byInvoice_.reserve(invoices);
        supplierOf_.reserve(docs.size());
        for (std::size_t d = 0; d < docs.size(); ++d) {
            const MatchDocument& doc = docs[d];
            byAmount_.add(doc.amountCents, d);
            byNumber_.add(doc.number, d);
            for (const auto& inv : doc.invoiceNumbers)
                if (!inv.empty()) byInvoice_.add(inv, d);
            auto [it, added] = supplierIndex_.try_emplace(std::string_view(doc.supplierCode), suppliers_.size());
            if (added) {
                Supplier s;
                s.name = doc.supplierName;
                s.normalised = normalisedPoints(doc.supplierName);
                s.grams = bigrams(s.normalised);
                suppliers_.push_back(std::move(s));
            }
            supplierOf_.push_back(it->second);
            suppliers_[it->second].docs.push_back(d);
        }
        for (std::size_t s = 0; s < suppliers_.size(); ++s) {
            auto& list = suppliers_[s].docs;
            std::stable_sort(list.begin(), list.end(),
                             [&](std::size_t a, std::size_t b) { return docs_[a].date < docs_[b].date; });
            auto grams = suppliers_[s].grams;
            grams.erase(std::unique(grams.begin(), grams.end()), grams.end());
            for (auto g : grams) suppliersByGram_[g].push_back(s);
        }
    }

    MatchStats stats;

    std::vector<LineMatch> run() {
        const std::size_t n = lines_.size();
        options_.assign(n, {});
        notes_.assign(n, {});
        duplicateOf_.assign(n, -1);
        markDuplicates();
        for (std::size_t i = 0; i < n; ++i)
            if (duplicateOf_[i] < 0) options_[i] = optionsFor(i);
        return assign();
    }

private:
    std::int64_t expected(std::size_t i) const { return sign_ * lines_[i].amountCents; }

    // A second line with the same date, amount, counterparty and bank reference
    // is the same movement listed twice.
    void markDuplicates() {
        std::map<std::tuple<std::string, std::int64_t, std::string, std::string>, std::size_t> seen;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const auto& l = lines_[i];
            if (l.reference.empty()) continue;
            auto [it, added] = seen.try_emplace({l.bookingDate, l.amountCents, normaliseName(l.counterpartyName), l.reference}, i);
            if (!added) {
                duplicateOf_[i] = static_cast<long>(it->second);
                notes_[i].push_back("与第 " + std::to_string(lines_[it->second].sourceLine) + " 行重复 (同日同额同流水号)");
            }
        }
    }

    // The similarity of the line's counterparty to a supplier, remembered.
    double nameScore(std::size_t line, std::size_t supplier) {
        const std::size_t name = lineName(line);
        auto key = std::make_pair(name, supplier);
        auto it = nameScores_.find(key);
        if (it != nameScores_.end()) return it->second;
        const auto& s = suppliers_[supplier];
        const double v = similarityOf(lineNames_[name].first, lineNames_[name].second, s.normalised, s.grams);
        nameScores_.emplace(key, v);
        return v;
    }

    // An id for the line's normalised counterparty name.
    std::size_t lineName(std::size_t line) {
        if (lineNameIds_.size() < lines_.size()) lineNameIds_.assign(lines_.size(), kUnset);
        std::size_t& id = lineNameIds_[line];
        if (id == kUnset) {
            auto norm = normalisedPoints(lines_[line].counterpartyName);
            auto [it, added] = lineNameIndex_.try_emplace(norm, lineNames_.size());
            if (added) lineNames_.emplace_back(norm, bigrams(norm));
            id = it->second;
        }
        return id;
    }

    // Suppliers whose names are at least `least` alike to the line's
    // counterparty, most alike first.
    std::vector<std::size_t> likelySuppliers(std::size_t line, double least, std::size_t most) {
        if (lines_[line].counterpartyName.empty()) return {};
        const std::size_t id = lineName(line);
        std::vector<std::size_t> candidates;
        for (auto g : lineNames_[id].second)
            if (auto it = suppliersByGram_.find(g); it != suppliersByGram_.end())
                candidates.insert(candidates.end(), it->second.begin(), it->second.end());
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
        std::vector<std::pair<double, std::size_t>> scored;
        for (auto s : candidates)
            if (double v = nameScore(line, s); v >= least) scored.emplace_back(-v, s);
        std::sort(scored.begin(), scored.end());
        std::vector<std::size_t> out;
        for (std::size_t k = 0; k < scored.size() && k < most; ++k) out.push_back(scored[k].second);
        return out;
    }

    // The documents the line's texts name: document numbers and invoice numbers
    // standing as words of letters and digits, or as runs of digits in them.
    std::vector<Reference> referencesOf(std::size_t i) const {
        std::vector<Reference> refs;
        const std::string text = lines_[i].remittance + " " + lines_[i].reference;
        auto look = [&](const std::string& token) {
            if (token.size() < 6) return;
            for (auto d : byNumber_.find(token)) refs.push_back({d, {}});
            for (auto d : byInvoice_.find(token)) refs.push_back({d, token});
        };
        auto isAlnum = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
        for (std::size_t p = 0; p < text.size();) {
            if (!isAlnum(text[p])) {
                ++p;
                continue;
            }
            std::size_t e = p;
            while (e < text.size() && isAlnum(text[e])) ++e;
            const std::string word = text.substr(p, e - p);
            look(word);
            for (std::size_t q = 0; q < word.size();) {  // digit runs inside a word such as "FP88001234"
                if (word[q] < '0' || word[q] > '9') {
                    ++q;
                    continue;
                }
                std::size_t r = q;
                while (r < word.size() && word[r] >= '0' && word[r] <= '9') ++r;
                if (r - q < word.size()) look(word.substr(q, r - q));
                q = r;
            }
            p = e;
        }
        std::sort(refs.begin(), refs.end(), [](const Reference& a, const Reference& b) {
            return a.doc != b.doc ? a.doc < b.doc : a.invoice < b.invoice;
        });
        refs.erase(std::unique(refs.begin(), refs.end(),
                               [](const Reference& a, const Reference& b) { return a.doc == b.doc; }),
                   refs.end());
        return refs;
    }

    Option score(std::size_t i, std::vector<std::size_t> docs, const std::vector<Reference>& refs) {
        std::sort(docs.begin(), docs.end());
        const auto& line = lines_[i];
        Option o;
        const std::size_t k = docs.size();
        double s = k == 1 ? kAmountSingle : kAmountSplit[k];
        const std::string amount = statement::formatCents(expected(i) < 0 ? -expected(i) : expected(i));
        o.reasons.push_back(k == 1 ? "金额相符 " + amount
                                   : std::to_string(k) + " 张单据合计 " + amount + " (拆分付款)");
        std::size_t referenced = 0;
        for (auto d : docs)
            for (const auto& r : refs)
                if (r.doc == d) {
                    ++referenced;
                    o.reasons.push_back(r.invoice.empty() ? "附言含单据号 " + docs_[d].number
                                                          : "附言含发票号 " + r.invoice + " (单据 " + docs_[d].number + ")");
                }
        s += kReference * static_cast<double>(referenced) / static_cast<double>(k);
        const MatchDocument& first = docs_[docs.front()];
        if (line.counterpartyName.empty()) {
            o.reasons.emplace_back("对方户名为空");
        } else {
            const double sim = nameScore(i, supplierOf_[docs.front()]);
            if (sim >= 0.5) {
                s += kName * sim;
                o.reasons.push_back("户名相似度 " + twoDecimals(sim) + " (" + first.supplierName + ")");
            } else if (sim < 0.3) {
                s += kNameContradicts;
                o.reasons.push_back("户名不符 " + twoDecimals(sim) + " (" + first.supplierName + ")");
            } else {
                o.reasons.push_back("户名相似度低 " + twoDecimals(sim) + " (" + first.supplierName + ")");
            }
        }
        std::string earliest = first.date, latest = first.date;
        for (auto d : docs) {
            earliest = std::min(earliest, docs_[d].date);
            latest = std::max(latest, docs_[d].date);
        }
        const int afterLatest = statement::daysBetween(latest, line.bookingDate);
        const int afterEarliest = statement::daysBetween(earliest, line.bookingDate);
        if (afterLatest < 0) {
            s += kDateBefore;
            o.reasons.push_back("记账日早于单据日 " + std::to_string(-afterLatest) + " 天");
        } else if (afterEarliest > settings_.dateWindowDays) {
            s += kDateLate;
            o.reasons.push_back("记账日在单据日后 " + std::to_string(afterEarliest) + " 天, 超出 " +
                                std::to_string(settings_.dateWindowDays) + " 天");
        } else {
            s += kDateInWindow;
            o.reasons.push_back("记账日在单据日后 " + std::to_string(afterEarliest) + " 天");
        }
        o.docs = std::move(docs);
        o.score = roundScore(s);
        return o;
    }

    // Subsets of 2 to 5 of `pool` (sorted by amount, all of the target's sign)
    // whose amounts add up to the target; at most `most` of them, within the
    // step budget.
    void splits(const std::vector<std::size_t>& pool, std::int64_t target, std::size_t most, int& steps,
                std::vector<std::vector<std::size_t>>& found) const {
        std::vector<std::size_t> chosen;
        const std::int64_t sgn = target < 0 ? -1 : 1;
        auto walk = [&](auto&& self, std::size_t start, std::int64_t left) -> void {
            for (std::size_t p = start; p < pool.size(); ++p) {
                if (found.size() >= most || steps > settings_.splitStepBudget) return;
                ++steps;
                const std::int64_t a = sgn * docs_[pool[p]].amountCents;
                if (a > left) return;  // sorted: every later one is larger
                chosen.push_back(pool[p]);
                if (a == left) {
                    if (chosen.size() >= 2) found.push_back(chosen);
                } else if (chosen.size() < kMaxSplit) {
                    self(self, p + 1, left - a);
                }
                chosen.pop_back();
            }
        };
        walk(walk, 0, sgn * target);
    }

    std::vector<Option> optionsFor(std::size_t i) {
        const std::int64_t want = expected(i);
        std::vector<Option> options;
        const auto refs = referencesOf(i);
        if (want == 0) {
            notes_[i].push_back("金额为零");
            return options;
        }
        for (auto d : byAmount_.find(want)) options.push_back(score(i, {d}, refs));
        const std::int64_t sgn = want < 0 ? -1 : 1;
        auto fits = [&](std::size_t d) {
            const std::int64_t a = sgn * docs_[d].amountCents;
            return a > 0 && a < sgn * want;
        };
        auto byAmount = [&](std::size_t a, std::size_t b) {
            const auto x = sgn * docs_[a].amountCents, y = sgn * docs_[b].amountCents;
            return x != y ? x < y : a < b;
        };
        // Splits the texts name: the named documents of one supplier.
        std::map<std::size_t, std::vector<std::size_t>> namedBySupplier;
        for (const auto& r : refs)
            if (fits(r.doc)) namedBySupplier[supplierOf_[r.doc]].push_back(r.doc);
        for (auto& [supplier, pool] : namedBySupplier) {
            if (pool.size() < 2) continue;
            if (pool.size() > 12) pool.resize(12);
            std::sort(pool.begin(), pool.end(), byAmount);
            int steps = 0;
            std::vector<std::vector<std::size_t>> found;
            splits(pool, want, 4, steps, found);
            for (auto& f : found) options.push_back(score(i, f, refs));
        }
        // Splits without references, only where no single document fits well:
        // the supplier's documents nearest before the booking date within the
        // window, for the suppliers the counterparty clearly names.
        double bestSingle = 0;
        for (const auto& o : options) bestSingle = std::max(bestSingle, o.score);
        if (bestSingle < 0.9) {
            const std::string& booking = lines_[i].bookingDate;
            for (std::size_t s : likelySuppliers(i, 0.8, 3)) {
                const auto& list = suppliers_[s].docs;
                auto end = std::upper_bound(list.begin(), list.end(), booking,
                                            [&](const std::string& b, std::size_t d) { return b < docs_[d].date; });
                std::vector<std::size_t> pool;
                for (auto it = end; it != list.begin() && pool.size() < settings_.splitPoolSize;) {
                    --it;
                    if (statement::daysBetween(docs_[*it].date, booking) > settings_.dateWindowDays) break;
                    if (fits(*it)) pool.push_back(*it);
                }
                std::sort(pool.begin(), pool.end(), byAmount);
                int steps = 0;
                std::vector<std::vector<std::size_t>> found;
                splits(pool, want, 3, steps, found);
                if (steps > settings_.splitStepBudget) notes_[i].push_back("拆分组合太多, 未查完");
                for (auto& f : found) options.push_back(score(i, f, refs));
            }
        }
        // Why nothing fits, for the record.
        if (options.empty()) {
            if (want < 0) notes_[i].push_back(sign_ < 0 ? "收入款项, 本业务类型的单据都是付款" : "付出款项, 本业务类型的单据都是收款");
            for (const auto& r : refs)
                notes_[i].push_back("附言所指单据 " + docs_[r.doc].number + " 金额 " +
                                    statement::formatCents(docs_[r.doc].amountCents) + ", 与本行不符");
            if (notes_[i].empty()) notes_[i].push_back("没有金额相符的单据");
        }
        std::sort(options.begin(), options.end(), [](const Option& a, const Option& b) {
            return a.score != b.score ? a.score > b.score : a.docs < b.docs;
        });
        options.erase(std::unique(options.begin(), options.end(),
                                  [](const Option& a, const Option& b) { return a.docs == b.docs; }),
                      options.end());
        std::vector<Option> kept;
        for (auto& o : options)
            if (o.score >= settings_.minimumScore && kept.size() < kMaxOptions) kept.push_back(std::move(o));
        if (kept.empty() && !options.empty())
            notes_[i].push_back("最好的候选 " + docs_[options.front().docs.front()].number + " 得分只有 " +
                                twoDecimals(options.front().score));
        return kept;
    }

    // ---- The assignment ----

    // The best choice of options for a group of lines that compete for
    // documents: each line takes one of its options or none, no document twice,
    // the total score as high as it can be. Lines are tried best first and
    // options in their order, and a choice replaces the best only when it is
    // strictly better, so the same group always gives the same answer.
    struct Solution {
        std::vector<int> choice;  // by line of the group: the option, or -1
        double total = -1;
        bool complete = true;  // false: the step budget ran out
    };

    Solution solve(const std::vector<std::size_t>& group, long forcedLine, int forbidden, bool forbidNone) {
        const std::size_t n = group.size();
        std::vector<std::size_t> order(n);
        std::iota(order.begin(), order.end(), 0);
        auto best = [&](std::size_t g) { return options_[group[g]].empty() ? 0.0 : options_[group[g]].front().score; };
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return best(a) > best(b); });
        std::vector<double> rest(n + 1, 0.0);
        for (std::size_t p = n; p-- > 0;) rest[p] = rest[p + 1] + best(order[p]);
        Solution sol;
        sol.choice.assign(n, -1);
        std::vector<int> choice(n, -1);
        int steps = 0;
        auto walk = [&](auto&& self, std::size_t pos, double total) -> void {
            if (++steps > settings_.assignmentStepBudget) {
                sol.complete = false;
                return;
            }
            if (pos == n) {
                if (total > sol.total + 1e-9) {
                    sol.total = total;
                    sol.choice = choice;
                }
                return;
            }
            if (total + rest[pos] <= sol.total + 1e-9) return;
            const std::size_t g = order[pos];
            const bool forced = static_cast<long>(g) == forcedLine;
            const auto& opts = options_[group[g]];
            for (std::size_t o = 0; o < opts.size(); ++o) {
                if (forced && static_cast<int>(o) == forbidden) continue;
                bool free = true;
                for (auto d : opts[o].docs) free = free && used_[d] == 0;
                if (!free) continue;
                for (auto d : opts[o].docs) used_[d] = 1;
                choice[g] = static_cast<int>(o);
                self(self, pos + 1, total + opts[o].score);
                choice[g] = -1;
                for (auto d : opts[o].docs) used_[d] = 0;
                if (!sol.complete) return;
            }
            if (!(forced && forbidNone)) self(self, pos + 1, total);
        };
        walk(walk, 0, 0.0);
        return sol;
    }

    // Greedily by score when the exact search is too large: the strongest
    // proposal first, each line and document taken once.
    Solution greedy(const std::vector<std::size_t>& group) {
        struct Entry {
            double score;
            std::size_t g;
            int o;
        };
        std::vector<Entry> entries;
        for (std::size_t g = 0; g < group.size(); ++g)
            for (std::size_t o = 0; o < options_[group[g]].size(); ++o)
                entries.push_back({options_[group[g]][o].score, g, static_cast<int>(o)});
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.score > b.score; });
        Solution sol;
        sol.choice.assign(group.size(), -1);
        sol.total = 0;
        std::vector<std::size_t> taken;
        for (const auto& e : entries) {
            if (sol.choice[e.g] >= 0) continue;
            const auto& docs = options_[group[e.g]][static_cast<std::size_t>(e.o)].docs;
            bool free = true;
            for (auto d : docs) free = free && used_[d] == 0;
            if (!free) continue;
            for (auto d : docs) used_[d] = 1, taken.push_back(d);
            sol.choice[e.g] = e.o;
            sol.total += e.score;
        }
        for (auto d : taken) used_[d] = 0;
        sol.complete = false;
        return sol;
    }

    MatchProposal proposal(const Option& o) const { return {o.docs, o.score, o.reasons}; }

    // The line of the group that holds any of these documents in a solution.
    long holder(const std::vector<std::size_t>& group, const Solution& sol, const std::vector<std::size_t>& docs) const {
        for (std::size_t g = 0; g < group.size(); ++g) {
            if (sol.choice[g] < 0) continue;
            for (auto d : options_[group[g]][static_cast<std::size_t>(sol.choice[g])].docs)
                if (std::find(docs.begin(), docs.end(), d) != docs.end()) return static_cast<long>(group[g]);
        }
        return -1;
    }

    std::vector<LineMatch> assign() {
        const std::size_t n = lines_.size();
        used_.assign(docs_.size(), 0);
        // Lines that share a candidate document form a group.
        std::vector<std::size_t> parent(n);
        std::iota(parent.begin(), parent.end(), 0);
        auto root = [&](std::size_t x) {
            while (parent[x] != x) x = parent[x] = parent[parent[x]];
            return x;
        };
        std::unordered_map<std::size_t, std::size_t> firstLineOf;
        for (std::size_t i = 0; i < n; ++i)
            for (const auto& o : options_[i])
                for (auto d : o.docs) {
                    auto [it, added] = firstLineOf.try_emplace(d, i);
                    if (!added) parent[root(i)] = root(it->second);
                }
        std::map<std::size_t, std::vector<std::size_t>> groups;
        for (std::size_t i = 0; i < n; ++i)
            if (!options_[i].empty()) groups[root(i)].push_back(i);

        std::vector<LineMatch> result(n);
        for (std::size_t i = 0; i < n; ++i) {
            result[i].notes = notes_[i];
            for (const auto& o : options_[i]) result[i].alternatives.push_back(proposal(o));
        }
        const double margin = settings_.ambiguityMargin;
        for (const auto& [key, group] : groups) {
            Solution sol = solve(group, -1, -1, false);
            const bool exact = sol.complete;
            if (!exact) sol = greedy(group);
            ++stats.groups;
            stats.greedyGroups += exact ? 0 : 1;
            stats.largestGroup = std::max(stats.largestGroup, group.size());
            for (std::size_t g = 0; g < group.size(); ++g) {
                const std::size_t i = group[g];
                const auto& opts = options_[i];
                LineMatch& m = result[i];
                const int chosen = sol.choice[g];
                // The best the group can do otherwise for this line, and what the line takes then.
                int otherChoice = -1;
                bool close = false;
                long otherHolder = -1;
                if (exact) {
                    Solution alt = solve(group, static_cast<long>(g), chosen, chosen < 0);
                    if (alt.complete && alt.total >= 0) {
                        close = alt.total >= sol.total - margin + 1e-9;
                        otherChoice = alt.choice[g];
                        if (chosen >= 0 && otherChoice < 0)
                            otherHolder = holder(group, alt, opts[static_cast<std::size_t>(chosen)].docs);
                        if (chosen < 0 && otherChoice >= 0)
                            otherHolder = holder(group, sol, opts[static_cast<std::size_t>(otherChoice)].docs);
                    } else if (!alt.complete) {
                        close = true;  // cannot tell: not proposed as certain
                    }
                } else {
                    // Greedy groups: any other candidate near the chosen one makes the line ambiguous.
                    const double mine = chosen >= 0 ? opts[static_cast<std::size_t>(chosen)].score : 0.0;
                    for (std::size_t o = 0; o < opts.size(); ++o)
                        if (static_cast<int>(o) != chosen && opts[o].score >= mine - margin) {
                            close = true;
                            otherChoice = static_cast<int>(o);
                            break;
                        }
                    for (std::size_t h = 0; h < group.size() && !close && chosen >= 0; ++h) {
                        if (h == g) continue;
                        for (const auto& o : options_[group[h]])
                            for (auto d : opts[static_cast<std::size_t>(chosen)].docs)
                                if (o.score >= mine - margin && std::find(o.docs.begin(), o.docs.end(), d) != o.docs.end()) {
                                    close = true;
                                    otherHolder = static_cast<long>(group[h]);
                                }
                    }
                    if (!close) m.notes.emplace_back("候选太多, 按得分先后分配");
                }
                auto lineText = [&](long line) { return std::to_string(lines_[static_cast<std::size_t>(line)].sourceLine); };
                if (chosen >= 0) {
                    const Option& o = opts[static_cast<std::size_t>(chosen)];
                    m.proposal = proposal(o);
                    m.status = close ? MatchStatus::Ambiguous : MatchStatus::Matched;
                    if (close && otherChoice >= 0) {
                        const Option& other = opts[static_cast<std::size_t>(otherChoice)];
                        std::string numbers;
                        for (auto d : other.docs) numbers += (numbers.empty() ? "" : ",") + docs_[d].number;
                        m.notes.push_back("另有候选 " + numbers + " (" + twoDecimals(other.score) + ")");
                    } else if (close && otherHolder >= 0) {
                        m.notes.push_back("候选单据也符合第 " + lineText(otherHolder) + " 行");
                    } else if (close) {
                        m.notes.emplace_back("候选之间分不清");
                    }
                } else if (close && otherChoice >= 0) {
                    m.proposal = proposal(opts[static_cast<std::size_t>(otherChoice)]);
                    m.status = MatchStatus::Ambiguous;
                    m.notes.push_back(otherHolder >= 0 ? "候选单据也符合第 " + lineText(otherHolder) + " 行"
                                                       : "候选之间分不清");
                } else {
                    m.status = MatchStatus::Unmatched;
                    const long h = holder(group, sol, opts.front().docs);
                    m.notes.push_back(h >= 0 ? "候选单据已分给第 " + lineText(h) + " 行" : "候选单据已分给别的行");
                }
            }
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (!options_[i].empty()) continue;
            result[i].status = MatchStatus::Unmatched;
            if (result[i].notes.empty()) result[i].notes.emplace_back("没有候选单据");
        }
        // The chosen proposal is not also an alternative.
        for (auto& m : result)
            m.alternatives.erase(std::remove_if(m.alternatives.begin(), m.alternatives.end(),
                                                [&](const MatchProposal& p) { return p.documents == m.proposal.documents; }),
                                 m.alternatives.end());
        return result;
    }

    static constexpr std::size_t kUnset = ~std::size_t{0};

    const std::vector<StatementLine>& lines_;
    const std::vector<MatchDocument>& docs_;
    const std::int64_t sign_;
    const MatchSettings& settings_;

    // Keys are views of the documents' own texts, which outlive the matcher.
    DocumentIndex<std::int64_t> byAmount_;
    DocumentIndex<std::string_view> byNumber_;
    DocumentIndex<std::string_view> byInvoice_;
    std::unordered_map<std::string_view, std::size_t> supplierIndex_;
    std::vector<Supplier> suppliers_;
    std::vector<std::size_t> supplierOf_;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> suppliersByGram_;

    std::vector<std::size_t> lineNameIds_;
    std::map<std::u32string, std::size_t> lineNameIndex_;
    std::vector<std::pair<std::u32string, std::vector<std::uint64_t>>> lineNames_;
    std::map<std::pair<std::size_t, std::size_t>, double> nameScores_;

    std::vector<std::vector<Option>> options_;
    std::vector<std::vector<std::string>> notes_;
    std::vector<long> duplicateOf_;
    std::vector<char> used_;
};

}  // namespace

std::vector<LineMatch> matchStatement(const std::vector<StatementLine>& lines, const std::vector<MatchDocument>& documents,
                                      MoneyDirection direction, const MatchSettings& settings, MatchStats* stats) {
    Matcher matcher(lines, documents, direction, settings);
    auto result = matcher.run();
    if (stats) *stats = matcher.stats;
    return result;
}

}  // namespace trunaccount
