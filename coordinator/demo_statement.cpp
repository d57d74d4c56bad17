#include "coordinator/demo_statement.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "platform/gbk.h"
#include "platform/text.h"
#include "statement/statement_text.h"

namespace trunaccount::coord {

namespace {

using statement::StatementLine;

// The standard's Mersenne Twister gives the same numbers everywhere; the
// library's distributions do not, so they are not used.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : engine_(seed) {}
    std::size_t below(std::size_t n) { return n ? static_cast<std::size_t>(engine_() % n) : 0; }
    int between(int lo, int hi) { return lo + static_cast<int>(below(static_cast<std::size_t>(hi - lo + 1))); }
    bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }

private:
    std::mt19937_64 engine_;
};

// A date moved by some days.
std::string addDays(const std::string& date, int days) {
    int y = std::stoi(date.substr(0, 4)), m = std::stoi(date.substr(4, 2)), d = std::stoi(date.substr(6, 2)) + days;
    auto length = [](int yy, int mm) {
        static constexpr int len[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        return len[mm - 1] + (mm == 2 && ((yy % 4 == 0 && yy % 100 != 0) || yy % 400 == 0) ? 1 : 0);
    };
    while (d > length(y, m)) {
        d -= length(y, m);
        if (++m > 12) m = 1, ++y;
    }
    while (d < 1) {
        if (--m < 1) m = 12, --y;
        d += length(y, m);
    }
    return *statement::makeDate(y, m, d);
}

std::u32string points(const std::string& s) { return platform::toCodePoints(s); }
std::string utf8(const std::u32string& s) { return platform::fromCodePoints(s); }

std::string withoutSuffix(const std::string& name, const std::string& suffix) {
    return name.size() > suffix.size() && name.ends_with(suffix) ? name.substr(0, name.size() - suffix.size()) : name;
}

// The supplier's name as a bank might print it.
std::string nameVariant(const std::string& name, Rng& rng) {
    const std::string base = withoutSuffix(name, "有限公司");
    const auto roll = rng.below(100);
    if (roll < 40) return name;
    if (roll < 55) return base;                                  // the legal form left out
    if (roll < 60) return base + "有限责任公司";               // another legal form
    if (roll < 65) {                                             // full-width letters and blanks
        std::u32string p = points(base);
        if (p.size() > 2) p.insert(2, 1, U'\u3000');
        return utf8(p) + "有限公司";
    }
    if (roll < 73) {  // the city moved into brackets
        const std::u32string p = points(base);
        if (p.size() > 4) return utf8(p.substr(2)) + "（" + utf8(p.substr(0, 2)) + "）有限公司";
        return name;
    }
    if (roll < 83) {  // cut short by the bank's field
        const std::u32string p = points(name);
        const std::size_t keep = std::min<std::size_t>(p.size(), 7 + rng.below(3));
        return utf8(p.substr(0, keep));
    }
    if (roll < 88) return base.starts_with("上海") ? "沪" + base.substr(6) : base + "有限";  // abbreviated
    if (roll < 91) return "";                                    // no name at all
    return base + "有限公司 ";                                   // a stray blank
}

std::string numbersText(const std::vector<std::string>& numbers) {
    std::string t;
    for (const auto& n : numbers) t += (t.empty() ? "" : ",") + n;
    return t;
}

}  // namespace

std::vector<GeneratedLine> generateStatement(const std::vector<MatchDocument>& listed,
                                             const std::vector<MatchDocument>& unlisted, MoneyDirection direction,
                                             std::size_t count, std::uint64_t seed) {
    Rng rng(seed);
    const std::int64_t sign = direction == MoneyDirection::Outgoing ? -1 : 1;
    std::vector<GeneratedLine> out;
    std::vector<char> used(listed.size(), 0);
    // Documents by supplier, by date, for payments of several documents.
    std::map<std::string, std::vector<std::size_t>> bySupplier;
    for (std::size_t d = 0; d < listed.size(); ++d)
        if (listed[d].amountCents * sign * sign > 0) bySupplier[listed[d].supplierCode].push_back(d);
    for (auto& [code, list] : bySupplier)
        std::stable_sort(list.begin(), list.end(), [&](std::size_t a, std::size_t b) { return listed[a].date < listed[b].date; });
    // Amounts several suppliers share: their payments are the hard ones.
    std::map<std::int64_t, std::set<std::string>> suppliersOfAmount;
    for (const auto& d : listed) suppliersOfAmount[d.amountCents].insert(d.supplierCode);
    std::vector<std::size_t> shared;
    for (std::size_t d = 0; d < listed.size(); ++d)
        if (suppliersOfAmount[listed[d].amountCents].size() > 1) shared.push_back(d);

    int serial = 0;
    auto bankRef = [&] {
        char buf[24];
        std::snprintf(buf, sizeof buf, "B%08d", ++serial);
        return std::string(buf);
    };
    auto paymentDate = [&](const std::string& date) {
        const auto roll = rng.below(100);
        return addDays(date, roll < 90 ? rng.between(0, 20) : roll < 95 ? rng.between(21, 30) : rng.between(31, 60));
    };
    auto remittanceFor = [&](const MatchDocument& d) -> std::string {
        const auto roll = rng.below(100);
        if (roll < 40) return (rng.chance(50) ? "付货款 " : "单据号:") + d.number;
        if (roll < 55 && !d.invoiceNumbers.empty()) return "发票" + d.invoiceNumbers[rng.below(d.invoiceNumbers.size())];
        static const char* plain[] = {"货款", "付款", "结算款", "", "往来款"};
        return plain[rng.below(5)];
    };
    auto pickUnused = [&]() -> std::optional<std::size_t> {
        if (!shared.empty() && rng.chance(10)) {
            const std::size_t d = shared[rng.below(shared.size())];
            if (!used[d]) return d;
        }
        for (int tries = 0; tries < 50; ++tries) {
            const std::size_t d = rng.below(listed.size());
            if (!used[d] && listed[d].amountCents != 0) return d;
        }
        return std::nullopt;
    };
    std::vector<std::string> supplierNames;
    for (const auto& d : listed)
        if (std::find(supplierNames.begin(), supplierNames.end(), d.supplierName) == supplierNames.end())
            supplierNames.push_back(d.supplierName);

    while (out.size() < count && !listed.empty()) {
        const auto roll = rng.below(100);
        GeneratedLine g;
        StatementLine& l = g.line;
        l.reference = bankRef();
        if (roll < 70) {  // one document
            auto d = pickUnused();
            if (!d) break;
            used[*d] = 1;
            const MatchDocument& doc = listed[*d];
            l.bookingDate = paymentDate(doc.date);
            l.amountCents = sign * doc.amountCents;
            l.counterpartyName = nameVariant(doc.supplierName, rng);
            l.remittance = remittanceFor(doc);
            g.truth = {doc.number};
            g.kind = "single";
        } else if (roll < 78) {  // several documents of one supplier
            auto d = pickUnused();
            if (!d) break;
            const auto& list = bySupplier[listed[*d].supplierCode];
            std::vector<std::size_t> group;
            const std::size_t k = 2 + rng.below(4);
            for (auto it = std::find(list.begin(), list.end(), *d); it != list.end() && group.size() < k; ++it)
                if (!used[*it] && statement::daysBetween(listed[*d].date, listed[*it].date) <= 10) group.push_back(*it);
            if (group.size() < 2) continue;
            const bool named = group.size() > 2 || rng.chance(50);  // larger splits name their documents
            std::int64_t sum = 0;
            std::vector<std::string> numbers;
            std::string latest;
            for (auto x : group) {
                used[x] = 1;
                sum += listed[x].amountCents;
                numbers.push_back(listed[x].number);
                latest = std::max(latest, listed[x].date);
            }
            std::sort(numbers.begin(), numbers.end());
            l.bookingDate = addDays(latest, rng.between(0, 10));
            l.amountCents = sign * sum;
            l.counterpartyName = nameVariant(listed[*d].supplierName, rng);
            l.remittance = named ? "合并付款 " + numbersText(numbers) : "货款";
            g.truth = numbers;
            g.kind = "split";
        } else if (roll < 84) {  // a document outside the list
            if (unlisted.empty()) continue;
            const MatchDocument& doc = unlisted[rng.below(unlisted.size())];
            l.bookingDate = paymentDate(doc.date);
            l.amountCents = sign * doc.amountCents;
            l.counterpartyName = nameVariant(doc.supplierName, rng);
            l.remittance = remittanceFor(doc);
            g.kind = "outside";
        } else if (roll < 89) {  // bank fees
            static const char* fees[] = {"手续费", "汇划费", "短信服务费", "账户管理费"};
            static const std::int64_t amounts[] = {50, 500, 1000, 2000, 1550};
            l.bookingDate = listed[rng.below(listed.size())].date;
            l.amountCents = -amounts[rng.below(5)];
            l.counterpartyName = rng.chance(50) ? "中国工商银行" : "";
            l.remittance = fees[rng.below(4)];
            g.kind = "fee";
        } else if (roll < 93) {  // the amount of a listed document, paid to another company
            const MatchDocument& doc = listed[rng.below(listed.size())];
            std::string other = supplierNames[rng.below(supplierNames.size())];
            if (other == doc.supplierName) other = "宁波恒丰服饰有限公司";
            if (suppliersOfAmount[doc.amountCents].size() > 1) continue;  // may be a real payment of the other's
            l.bookingDate = paymentDate(doc.date);
            l.amountCents = sign * doc.amountCents;
            l.counterpartyName = "深圳" + withoutSuffix(other, "有限公司").substr(6) + "贸易有限公司";
            l.remittance = "服务费";
            g.kind = "decoy";
        } else if (roll < 96) {  // a movement listed twice
            if (out.empty()) continue;
            g = out[rng.below(out.size())];
            g.truth.clear();
            g.kind = "duplicate";
        } else {  // money the other way: a refund, interest
            const MatchDocument& doc = listed[rng.below(listed.size())];
            l.bookingDate = paymentDate(doc.date);
            l.amountCents = -sign * (rng.chance(50) ? doc.amountCents : rng.between(100, 99999));
            l.counterpartyName = rng.chance(50) ? doc.supplierName : "";
            l.remittance = rng.chance(50) ? "退款" : "利息";
            g.kind = "reverse";
        }
        g.line.sourceLine = static_cast<int>(out.size()) + 1;
        out.push_back(std::move(g));
    }
    return out;
}

// ---- Writers ----

namespace {

std::string xmlEscaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string dashed(const std::string& d) { return d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2); }

std::string absCents(std::int64_t c) { return statement::formatCents(c < 0 ? -c : c); }

constexpr const char* kOwnAccount = "1001234509000123456";

}  // namespace

std::string writeCamt053(const std::vector<StatementLine>& lines) {
    std::string x =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Document xmlns=\"urn:iso:std:iso:20022:tech:xsd:camt.053.001.02\">\n"
        "  <BkToCstmrStmt>\n"
        "    <GrpHdr><MsgId>DEMO</MsgId><CreDtTm>2024-01-01T00:00:00</CreDtTm></GrpHdr>\n"
        "    <Stmt>\n"
        "      <Id>DEMO-1</Id>\n"
        "      <Acct><Id><Othr><Id>" + std::string(kOwnAccount) + "</Id></Othr></Id><Ccy>CNY</Ccy></Acct>\n";
    for (const auto& l : lines) {
        const bool debit = l.amountCents < 0;
        x += "      <Ntry>\n        <Amt Ccy=\"CNY\">" + absCents(l.amountCents) + "</Amt>\n";
        x += std::string("        <CdtDbtInd>") + (debit ? "DBIT" : "CRDT") + "</CdtDbtInd>\n        <Sts>BOOK</Sts>\n";
        x += "        <BookgDt><Dt>" + dashed(l.bookingDate) + "</Dt></BookgDt>\n";
        x += "        <ValDt><Dt>" + dashed(l.bookingDate) + "</Dt></ValDt>\n";
        if (!l.reference.empty()) x += "        <AcctSvcrRef>" + xmlEscaped(l.reference) + "</AcctSvcrRef>\n";
        x += "        <BkTxCd><Prtry><Cd>TRF</Cd></Prtry></BkTxCd>\n        <NtryDtls><TxDtls>\n";
        x += "          <Refs><EndToEndId>NOTPROVIDED</EndToEndId></Refs>\n";
        if (!l.counterpartyName.empty() || !l.counterpartyAccount.empty()) {
            const char* party = debit ? "Cdtr" : "Dbtr";
            x += std::string("          <RltdPties><") + party + "><Nm>" + xmlEscaped(l.counterpartyName) + "</Nm></" + party + ">";
            if (!l.counterpartyAccount.empty())
                x += std::string("<") + party + "Acct><Id><Othr><Id>" + xmlEscaped(l.counterpartyAccount) + "</Id></Othr></Id></" +
                     party + "Acct>";
            x += "</RltdPties>\n";
        }
        if (!l.remittance.empty()) x += "          <RmtInf><Ustrd>" + xmlEscaped(l.remittance) + "</Ustrd></RmtInf>\n";
        x += "        </TxDtls></NtryDtls>\n      </Ntry>\n";
    }
    x += "    </Stmt>\n  </BkToCstmrStmt>\n</Document>\n";
    return x;
}

std::string writeMt940(const std::vector<StatementLine>& lines) {
    std::string t = "{1:F01BANKCNBJAXXX0000000000}{2:O940BANKCNBJAXXXN}{4:\n:20:DEMO\n:25:" + std::string(kOwnAccount) +
                    "\n:28C:1/1\n:60F:C" + (lines.empty() ? std::string("240101") : lines.front().bookingDate.substr(2)) +
                    "CNY0,00\n";
    for (const auto& l : lines) {
        std::string amount = absCents(l.amountCents);
        amount[amount.size() - 3] = ',';
        t += ":61:" + l.bookingDate.substr(2) + l.bookingDate.substr(4) + (l.amountCents < 0 ? "D" : "C") + amount +
             "NTRFNONREF//" + l.reference.substr(0, 16) + "\n";
        t += ":86:/NAME/" + l.counterpartyName;
        if (!l.counterpartyAccount.empty()) t += "/ACCT/" + l.counterpartyAccount;
        t += "/REMI/" + l.remittance + "\n";
    }
    t += ":62F:C" + (lines.empty() ? std::string("240101") : lines.back().bookingDate.substr(2)) + "CNY0,00\n-}\n";
    return t;
}

std::string writeOfx(const std::vector<StatementLine>& lines) {
    std::string t =
        "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\nSECURITY:NONE\nENCODING:UTF-8\nCHARSET:NONE\nCOMPRESSION:NONE\n"
        "OLDFILEUID:NONE\nNEWFILEUID:NONE\n\n<OFX>\n<BANKMSGSRSV1><STMTTRNRS><TRNUID>1<STATUS><CODE>0<SEVERITY>INFO</STATUS>\n"
        "<STMTRS><CURDEF>CNY<BANKACCTFROM><BANKID>0101<ACCTID>" + std::string(kOwnAccount) +
        "<ACCTTYPE>CHECKING</BANKACCTFROM>\n<BANKTRANLIST>\n";
    for (const auto& l : lines) {
        t += "<STMTTRN>\n<TRNTYPE>" + std::string(l.amountCents < 0 ? "DEBIT" : "CREDIT") + "\n<DTPOSTED>" + l.bookingDate +
             "\n<TRNAMT>" + statement::formatCents(l.amountCents) + "\n<FITID>" + l.reference + "\n";
        if (!l.counterpartyName.empty()) t += "<NAME>" + xmlEscaped(l.counterpartyName) + "\n";
        if (!l.remittance.empty()) t += "<MEMO>" + xmlEscaped(l.remittance) + "\n";
        t += "</STMTTRN>\n";
    }
    t += "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\n";
    return t;
}

std::string writeBankCsv(const std::vector<StatementLine>& lines, bool gbk, char separator) {
    auto field = [&](const std::string& s) {
        if (s.find_first_of(std::string("\"\r\n") + separator) == std::string::npos) return s;
        std::string q = "\"";
        for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
        return q + "\"";
    };
    auto grouped = [](std::int64_t cents) {
        std::string plain = absCents(cents);
        std::string integer = plain.substr(0, plain.size() - 3), out;
        for (std::size_t i = 0; i < integer.size(); ++i) {
            if (i && (integer.size() - i) % 3 == 0) out += ',';
            out += integer[i];
        }
        return out + plain.substr(plain.size() - 3);
    };
    const std::string sep(1, separator);
    std::string t = "账号" + sep + kOwnAccount + "\n户名" + sep + "上海浦江商贸有限公司\n";
    t += "交易日期" + sep + "交易时间" + sep + "借方发生额" + sep + "贷方发生额" + sep + "对方户名" + sep + "对方账号" + sep +
         "摘要" + sep + "交易流水号\n";
    for (const auto& l : lines) {
        const std::string amount = grouped(l.amountCents);
        t += dashed(l.bookingDate) + sep + "10:00:00" + sep + field(l.amountCents < 0 ? amount : "") + sep +
             field(l.amountCents < 0 ? "" : amount) + sep + field(l.counterpartyName) + sep + field(l.counterpartyAccount) +
             sep + field(l.remittance) + sep + field(l.reference) + "\n";
    }
    return gbk ? platform::utf8ToGbk(t) : t;
}

}  // namespace trunaccount::coord
