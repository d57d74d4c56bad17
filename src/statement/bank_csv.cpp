// CSV exports of Chinese banks: some lines about the account, then a header
// row naming the columns, then one row per movement, sometimes summary rows at
// the end. UTF-8 or GBK, comma or tab between fields, quoted fields.
#include <algorithm>
#include <array>

#include "statement/statement.h"
#include "statement/statement_text.h"

namespace trunaccount::statement {

namespace {

struct Record {
    int line = 0;  // the line where the record starts
    std::vector<std::string> fields;
};

// Splits the text into records; a quoted field may hold separators, doubled
// quotes and line breaks.
std::vector<Record> splitRecords(std::string_view text, char separator) {
    std::vector<Record> records;
    Record current;
    std::string field;
    int line = 1;
    current.line = 1;
    bool quoted = false, wasQuoted = false;
    auto endField = [&] {
        current.fields.push_back(wasQuoted ? field : std::string(trimText(field)));
        field.clear();
        wasQuoted = false;
    };
    auto endRecord = [&](int nextLine) {
        endField();
        records.push_back(std::move(current));
        current = Record{};
        current.line = nextLine;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n') ++line;
                field += c;
            }
            continue;
        }
        if (c == '"' && trimText(field).empty()) {
            field.clear();
            quoted = wasQuoted = true;
        } else if (c == separator) {
            endField();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++line;
            endRecord(line);
        } else if (!wasQuoted) {
            field += c;
        }
        // text after a closing quote up to the separator is dropped
    }
    if (!field.empty() || !current.fields.empty() || wasQuoted) endRecord(line);
    return records;
}

// A cell as banks sometimes write it so that spreadsheets keep it as text:
// ="6222…", '6222…, or with a trailing tab.
std::string cellText(std::string_view cell) {
    std::string_view s = trimText(cell);
    if (s.size() >= 3 && s.starts_with("=\"") && s.ends_with("\"")) s = s.substr(2, s.size() - 3);
    if (s.starts_with("'")) s.remove_prefix(1);
    return std::string(trimText(s));
}

enum Column { Date, Amount, Debit, Credit, Direction, Name, Account, Summary, Purpose, Note, Serial, TradeSerial, kColumns };

// Header names of each column; a header cell names a column when it begins with
// one of them ("交易金额(元)" is the amount).
const std::array<std::vector<std::string_view>, kColumns>& headerNames() {
    static const std::array<std::vector<std::string_view>, kColumns> names = {{
        {"交易日期", "记账日期", "入账日期"},
        {"交易金额", "发生额"},
        {"借方发生额", "借方金额", "支出金额"},
        {"贷方发生额", "贷方金额", "收入金额"},
        {"借贷标志", "借贷方向", "收支标志", "收支方向", "交易方向"},
        {"对方户名", "对方账户名称", "对方名称", "对方单位名称"},
        {"对方账号", "对方账户", "对方卡号"},
        {"摘要"},
        {"用途"},
        {"附言"},
        {"流水号"},
        {"交易流水号"},
    }};
    return names;
}

struct Header {
    int line = 0;
    std::array<int, kColumns> at;
    bool complete() const { return at[Date] >= 0 && (at[Amount] >= 0 || (at[Debit] >= 0 && at[Credit] >= 0)); }
};

Header readHeader(const Record& r) {
    Header h;
    h.line = r.line;
    h.at.fill(-1);
    for (std::size_t c = 0; c < r.fields.size(); ++c) {
        const std::string cell = cellText(r.fields[c]);
        int best = -1;
        std::size_t bestLength = 0;
        for (int k = 0; k < kColumns; ++k)
            for (std::string_view name : headerNames()[static_cast<std::size_t>(k)])
                if (cell.starts_with(name) && name.size() > bestLength) {
                    best = k;
                    bestLength = name.size();
                }
        if (best >= 0 && h.at[static_cast<std::size_t>(best)] < 0) h.at[static_cast<std::size_t>(best)] = static_cast<int>(c);
    }
    return h;
}

// The sign a direction cell gives: -1 money out, +1 money in, 0 unknown.
int directionSign(std::string_view cell) {
    static constexpr std::string_view out[] = {"借", "支出", "支", "出", "D", "DR", "-"};
    static constexpr std::string_view in[] = {"贷", "收入", "收", "入", "C", "CR", "+"};
    for (auto w : out)
        if (cell == w) return -1;
    for (auto w : in)
        if (cell == w) return 1;
    return 0;
}

bool isSummaryRow(const Record& r) {
    for (const auto& f : r.fields) {
        const std::string cell = cellText(f);
        if (cell.empty()) continue;
        for (std::string_view w : {"合计", "总计", "本页", "小计", "共"})
            if (cell.starts_with(w)) return true;
        return false;
    }
    return true;  // blank row
}

}  // namespace

Statement parseBankCsv(std::string_view bytes, const std::string& fileName) {
    const std::string text = statementText(bytes, fileName);
    // The separator of the header row: tabs when the header splits on tabs.
    Header header;
    std::vector<Record> records;
    std::size_t headerIndex = 0;
    bool found = false;
    for (char separator : {',', '\t', ';'}) {
        records = splitRecords(text, separator);
        for (std::size_t i = 0; i < records.size() && i < 60; ++i) {
            Header h = readHeader(records[i]);
            if (h.complete()) {
                header = h;
                headerIndex = i;
                found = true;
                break;
            }
        }
        if (found) break;
    }
    if (!found)
        throw StatementError(fileName, 0, "",
                             "找不到表头行 (需要 交易日期 或 记账日期, 以及 交易金额 或 借方发生额 和 贷方发生额)");

    Statement st;
    st.fileName = fileName;
    st.format = StatementFormat::BankCsv;
    const auto& at = header.at;
    auto cell = [&](const Record& r, Column c) {
        const int i = at[c];
        return i >= 0 && static_cast<std::size_t>(i) < r.fields.size() ? cellText(r.fields[static_cast<std::size_t>(i)])
                                                                         : std::string();
    };
    for (std::size_t i = headerIndex + 1; i < records.size(); ++i) {
        const Record& r = records[i];
        if (isSummaryRow(r)) continue;
        auto bad = [&](const char* column, const std::string& message) {
            st.badLines.push_back({r.line, column, message});
        };
        const std::string dateText = cell(r, Date);
        const auto date = parseBankDate(dateText);
        if (!date) {
            bad(at[Date] >= 0 ? "日期" : "", "日期无法识别: '" + dateText + "'");
            continue;
        }
        std::int64_t cents = 0;
        if (at[Amount] >= 0) {
            const std::string amountText = cell(r, Amount);
            const auto amount = parseCents(amountText, '.', true);
            if (!amount) {
                bad("交易金额", "金额无法识别: '" + amountText + "'");
                continue;
            }
            cents = *amount;
            if (at[Direction] >= 0) {
                const std::string d = cell(r, Direction);
                const int sign = directionSign(d);
                if (sign == 0) {
                    bad("借贷标志", "借贷标志无法识别: '" + d + "'");
                    continue;
                }
                cents = sign * (cents < 0 ? -cents : cents);
            }
        } else {
            const std::string debitText = cell(r, Debit), creditText = cell(r, Credit);
            const auto debit = debitText.empty() ? std::optional<std::int64_t>(0) : parseCents(debitText, '.', true);
            const auto credit = creditText.empty() ? std::optional<std::int64_t>(0) : parseCents(creditText, '.', true);
            if (!debit) {
                bad("借方发生额", "金额无法识别: '" + debitText + "'");
                continue;
            }
            if (!credit) {
                bad("贷方发生额", "金额无法识别: '" + creditText + "'");
                continue;
            }
            if ((*debit != 0) == (*credit != 0)) {
                bad("借方发生额", *debit == 0 ? "借方和贷方发生额都为空" : "借方和贷方发生额都有金额");
                continue;
            }
            cents = *debit != 0 ? -(*debit < 0 ? -*debit : *debit) : (*credit < 0 ? -*credit : *credit);
        }
        StatementLine line;
        line.bookingDate = *date;
        line.amountCents = cents;
        line.counterpartyName = cell(r, Name);
        line.counterpartyAccount = cell(r, Account);
        for (Column c : {Summary, Purpose, Note}) {
            const std::string t = cell(r, c);
            if (t.empty()) continue;
            if (!line.remittance.empty()) line.remittance += ' ';
            line.remittance += t;
        }
        line.reference = cell(r, TradeSerial);
        if (line.reference.empty()) line.reference = cell(r, Serial);
        line.sourceLine = r.line;
        st.lines.push_back(std::move(line));
    }
    return st;
}

}  // namespace trunaccount::statement
