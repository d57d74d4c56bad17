// SWIFT MT940 customer statements: fields ":tag:" at the start of a line,
// continued on the following lines. Each movement is a :61: field, usually
// followed by a :86: field with the counterparty and the purpose, either
// structured (a three-digit code and "?nn" subfields, or "/NAME/…/REMI/…") or
// free text.
#include <cctype>

#include "statement/statement.h"
#include "statement/statement_text.h"

namespace trunaccount::statement {

namespace {

struct Field {
    std::string tag;
    std::string value;  // continuation lines joined with '\n'
    int line = 0;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }

// ":61:" → "61"; nothing when the line starts no field.
std::optional<std::string> fieldTag(std::string_view line) {
    if (line.size() < 4 || line[0] != ':') return std::nullopt;
    std::size_t i = 1;
    while (i < line.size() && i <= 4 && (isDigit(line[i]) || isUpper(line[i]))) ++i;
    if (i < 3 || i >= line.size() || line[i] != ':' || !isDigit(line[1]) || !isDigit(line[2])) return std::nullopt;
    return std::string(line.substr(1, i - 1));
}

std::vector<Field> splitFields(std::string_view text) {
    std::vector<Field> fields;
    int number = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++number;
        pos = end + 1;
        // Block headers and trailers of the SWIFT envelope.
        std::string_view t = trimText(line);
        while (t.starts_with("{")) {
            if (t.starts_with("{4:")) {  // the text block: the fields follow
                t.remove_prefix(3);
                break;
            }
            const std::size_t close = t.find('}');
            if (close == std::string_view::npos) {
                t = {};
                break;
            }
            t = t.substr(close + 1);
        }
        if (t == "-" || t == "-}" || t.starts_with("-}")) continue;
        if (auto tag = fieldTag(t)) {
            fields.push_back({*tag, std::string(t.substr(tag->size() + 2)), number});
        } else if (!fields.empty() && !t.empty()) {
            fields.back().value += '\n';
            fields.back().value += std::string(line);
        }
        if (end == text.size()) break;
    }
    return fields;
}

std::string oneLine(std::string_view s) {
    std::string out;
    for (char c : s) out += (c == '\n' || c == '\r') ? ' ' : c;
    return std::string(trimText(out));
}

void appendText(std::string& to, std::string_view text) {
    const std::string t = oneLine(text);
    if (t.empty()) return;
    if (!to.empty()) to += ' ';
    to += t;
}

// The :86: details into the line.
void readDetails(std::string_view raw, StatementLine& line) {
    std::string value;
    for (char c : raw)
        if (c != '\n' && c != '\r') value += c;  // subfields run on over line breaks
    // "166?00…?20…": a three-digit code, then subfields introduced by a separator.
    if (value.size() >= 4 && isDigit(value[0]) && isDigit(value[1]) && isDigit(value[2]) && !isDigit(value[3]) &&
        !std::isalnum(static_cast<unsigned char>(value[3])) && value[3] != ' ') {
        const char sep = value[3];
        std::string name;
        std::size_t pos = 3;
        while (pos < value.size() && value[pos] == sep) {
            std::size_t next = value.find(sep, pos + 1);
            if (next == std::string::npos) next = value.size();
            std::string_view sub = std::string_view(value).substr(pos + 1, next - pos - 1);
            pos = next;
            if (sub.size() < 2 || !isDigit(sub[0]) || !isDigit(sub[1])) continue;
            const int code = (sub[0] - '0') * 10 + (sub[1] - '0');
            const std::string_view content = sub.substr(2);
            if ((code >= 20 && code <= 29) || (code >= 60 && code <= 63)) line.remittance += std::string(content);
            else if (code == 32 || code == 33) name += std::string(content);
            else if (code == 31) line.counterpartyAccount = std::string(trimText(content));
        }
        line.counterpartyName = std::string(trimText(name));
        line.remittance = std::string(trimText(line.remittance));
        return;
    }
    // "/NAME/…/REMI/…": known codes between slashes.
    static constexpr std::string_view kCodes[] = {"NAME", "REMI", "ACCT", "IBAN", "EREF", "NARR", "PURP",
                                                  "ORDP", "BENM", "ADDR", "CDTR", "DBTR", "BUSI", "TEXT"};
    auto codeAt = [&](std::size_t p) -> std::string_view {
        if (p >= value.size() || value[p] != '/') return {};
        for (std::string_view c : kCodes)
            if (value.compare(p + 1, c.size(), c) == 0 && p + 1 + c.size() < value.size() && value[p + 1 + c.size()] == '/')
                return c;
        return {};
    };
    if (!codeAt(0).empty()) {
        std::size_t pos = 0;
        while (pos < value.size()) {
            const std::string_view code = codeAt(pos);
            const std::size_t start = pos + code.size() + 2;
            std::size_t end = start;
            while (end < value.size() && codeAt(end).empty()) ++end;
            std::string content(trimText(std::string_view(value).substr(start, end - start)));
            while (!content.empty() && content.back() == '/') content.pop_back();
            if (code == "NAME") line.counterpartyName = content;
            else if (code == "ACCT" || code == "IBAN") line.counterpartyAccount = content;
            else if (code == "REMI" || code == "EREF" || code == "NARR" || code == "PURP" || code == "TEXT")
                appendText(line.remittance, content);
            pos = end;
        }
        return;
    }
    appendText(line.remittance, raw);
}

// A :61: field into the line; the message says what is wrong with it.
std::optional<std::string> readMovement(std::string_view value, StatementLine& line) {
    const std::size_t eol = value.find('\n');
    std::string_view first = value.substr(0, eol);
    const std::string_view more = eol == std::string_view::npos ? std::string_view() : value.substr(eol + 1);
    std::size_t i = 0;
    auto digits = [&](std::size_t n) {
        if (i + n > first.size()) return false;
        for (std::size_t k = 0; k < n; ++k)
            if (!isDigit(first[i + k])) return false;
        return true;
    };
    auto number = [&](std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t k = 0; k < n; ++k) v = v * 10 + (first[at + k] - '0');
        return v;
    };
    if (!digits(6)) return "起息日应为 YYMMDD";
    const int yy = number(0, 2), vm = number(2, 2), vd = number(4, 2);
    const int year = yy < 80 ? 2000 + yy : 1900 + yy;
    if (!makeDate(year, vm, vd)) return "起息日不是有效日期";
    std::string booking = *makeDate(year, vm, vd);
    i = 6;
    if (digits(4)) {  // the booking date, month and day
        const int bm = number(6, 2), bd = number(8, 2);
        int by = year;
        if (bm == 12 && vm == 1) --by;
        else if (bm == 1 && vm == 12) ++by;
        const auto d = makeDate(by, bm, bd);
        if (!d) return "记账日不是有效日期";
        booking = *d;
        i += 4;
    }
    int sign = 0;
    if (first.substr(i).starts_with("RC")) sign = -1, i += 2;  // a credit reversed
    else if (first.substr(i).starts_with("RD")) sign = 1, i += 2;
    else if (first.substr(i).starts_with("C")) sign = 1, i += 1;
    else if (first.substr(i).starts_with("D")) sign = -1, i += 1;
    else return "借贷标记应为 C, D, RC 或 RD";
    if (i < first.size() && isUpper(first[i])) ++i;  // the third letter of the currency
    const std::size_t amountStart = i;
    while (i < first.size() && (isDigit(first[i]) || first[i] == ',')) ++i;
    const std::string_view amountText = first.substr(amountStart, i - amountStart);
    if (amountText.find(',') == std::string_view::npos) return "金额无法识别: '" + std::string(amountText) + "'";
    const auto cents = parseCents(amountText, ',', false);
    if (!cents) return "金额无法识别: '" + std::string(amountText) + "'";
    if (i + 4 > first.size() || (first[i] != 'N' && first[i] != 'S' && first[i] != 'F'))
        return "交易类型应为 N, S 或 F 加三个字符";
    i += 4;
    std::string_view refs = first.substr(i);
    std::string_view customer = refs, bank;
    if (const std::size_t slashes = refs.find("//"); slashes != std::string_view::npos) {
        customer = refs.substr(0, slashes);
        bank = refs.substr(slashes + 2);
    }
    line.bookingDate = booking;
    line.amountCents = sign * *cents;
    line.reference = std::string(trimText(bank));
    const std::string customerRef(trimText(customer));
    if (!customerRef.empty() && customerRef != "NONREF") appendText(line.remittance, customerRef);
    appendText(line.remittance, more);
    return std::nullopt;
}

}  // namespace

Statement parseMt940(std::string_view bytes, const std::string& fileName) {
    const std::string text = statementText(bytes, fileName);
    const auto fields = splitFields(text);
    bool header = false;
    for (const auto& f : fields) header = header || f.tag == "20" || f.tag == "25" || f.tag == "60F" || f.tag == "61";
    if (!header) throw StatementError(fileName, 0, ":20:", "不是 MT940 对账单 (没有 :20:, :25:, :60F: 或 :61: 字段)");
    Statement st;
    st.fileName = fileName;
    st.format = StatementFormat::Mt940;
    bool lastGood = false;
    for (const auto& f : fields) {
        if (f.tag == "61") {
            StatementLine line;
            line.sourceLine = f.line;
            if (auto problem = readMovement(f.value, line)) {
                st.badLines.push_back({f.line, ":61:", *problem});
                lastGood = false;
                continue;
            }
            st.lines.push_back(std::move(line));
            lastGood = true;
        } else if (f.tag == "86") {
            if (lastGood) {
                StatementLine& line = st.lines.back();
                std::string fromField = line.remittance;
                line.remittance.clear();
                readDetails(f.value, line);
                if (!fromField.empty()) line.remittance = fromField + (line.remittance.empty() ? "" : " ") + line.remittance;
            }
            lastGood = false;
        } else {
            lastGood = false;
        }
    }
    return st;
}

}  // namespace trunaccount::statement
