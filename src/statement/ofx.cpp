// OFX and QFX statements (SGML version 1 and XML version 2), read by libofx.
// Each STMTTRN is a movement; FITID is the bank's reference, NAME the
// counterparty, MEMO, CHECKNUM and REFNUM what the payer wrote.
#include <libofx/libofx.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/text.h"
#include "statement/statement.h"
#include "statement/statement_text.h"

namespace trunaccount::statement {

namespace {

struct Collected {
    std::vector<OfxTransactionData> transactions;
};

int onTransaction(const struct OfxTransactionData data, void* user) {
    static_cast<Collected*>(user)->transactions.push_back(data);
    return 0;
}

// A <STMTTRN> of the raw file: the line it opens on and its text up to the
// closing tag (or the next transaction).
struct RawTransaction {
    int line = 0;
    std::string text;  // lower-case tags, values as they stand
};

std::vector<RawTransaction> rawTransactions(std::string_view bytes) {
    std::vector<RawTransaction> out;
    const std::string lower = platform::asciiLower(bytes);
    int line = 1;
    std::size_t counted = 0;
    for (std::size_t pos = lower.find("<stmttrn>"); pos != std::string::npos; pos = lower.find("<stmttrn>", pos + 1)) {
        for (; counted < pos; ++counted)
            if (lower[counted] == '\n') ++line;
        std::size_t end = std::min(lower.find("</stmttrn>", pos), lower.find("<stmttrn>", pos + 1));
        if (end == std::string::npos) end = lower.size();
        RawTransaction t;
        t.line = line;
        t.text = std::string(bytes.substr(pos, end - pos));
        for (std::size_t i = 0; i < t.text.size();) {  // tags in lower case, values untouched
            if (t.text[i] != '<') {
                ++i;
                continue;
            }
            for (; i < t.text.size() && t.text[i] != '>'; ++i) t.text[i] = platform::asciiLower(t.text[i]);
        }
        out.push_back(std::move(t));
    }
    return out;
}

// The value of an element in a raw transaction: up to the next tag or line end.
std::string rawValue(const RawTransaction& t, std::string_view tag) {
    const std::string open = "<" + std::string(tag) + ">";
    const std::size_t pos = t.text.find(open);
    if (pos == std::string::npos) return {};
    const std::size_t start = pos + open.size();
    std::size_t end = t.text.find_first_of("<\r\n", start);
    if (end == std::string::npos) end = t.text.size();
    return std::string(trimText(std::string_view(t.text).substr(start, end - start)));
}

// A temporary file holding the bytes, removed with the object: libofx reads files only.
class TempFile {
public:
    explicit TempFile(std::string_view bytes) {
        std::string dir = std::filesystem::temp_directory_path().string();
        std::string pattern = dir + "/trunaccount-ofx-XXXXXX";
        const int fd = mkstemp(pattern.data());
        if (fd < 0) return;
        path_ = pattern;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ok_ = done == bytes.size();
        ::close(fd);
    }
    ~TempFile() {
        if (!path_.empty()) std::remove(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool ok_ = false;
};

std::string field(const char* s, int valid) { return valid ? std::string(trimText(s)) : std::string(); }

void appendText(std::string& to, const std::string& t) {
    if (t.empty()) return;
    if (!to.empty()) to += ' ';
    to += t;
}

}  // namespace

Statement parseOfx(std::string_view bytes, const std::string& fileName) {
    const std::string head = platform::asciiLower(bytes.substr(0, 4096));
    if (head.find("ofxheader") == std::string::npos && head.find("<ofx>") == std::string::npos)
        throw StatementError(fileName, 0, "OFX", "不是 OFX 对账单 (没有 OFXHEADER 或 <OFX>)");
    TempFile file(bytes);
    if (!file.ok()) throw StatementError(fileName, 0, "", "无法写临时文件");

    Collected collected;
    {
        // libofx keeps its settings in globals: one file at a time, and quiet.
        static std::mutex libofxLock;
        std::lock_guard lock(libofxLock);
        ofx_PARSER_msg = ofx_DEBUG_msg = ofx_DEBUG1_msg = ofx_DEBUG2_msg = ofx_DEBUG3_msg = 0;
        ofx_DEBUG4_msg = ofx_DEBUG5_msg = ofx_STATUS_msg = ofx_INFO_msg = ofx_WARNING_msg = ofx_ERROR_msg = 0;
        LibofxContextPtr ctx = libofx_get_new_context();
        ofx_set_transaction_cb(ctx, onTransaction, &collected);
        libofx_proc_file(ctx, file.path().c_str(), OFX);
        libofx_free_context(ctx);
    }
    // libofx is lenient with amounts and dates it cannot read (it takes them as 0
    // and as some day): each is checked against the file's own text.
    const std::vector<RawTransaction> raw = rawTransactions(bytes);
    if (collected.transactions.empty() && !raw.empty())
        throw StatementError(fileName, raw.front().line, "STMTTRN", "OFX 文件无法解析");
    if (collected.transactions.size() != raw.size())
        throw StatementError(fileName, 0, "STMTTRN",
                             "OFX 文件有 " + std::to_string(raw.size()) + " 笔交易, 只读出 " +
                                 std::to_string(collected.transactions.size()) + " 笔");

    Statement st;
    st.fileName = fileName;
    st.format = StatementFormat::Ofx;
    for (std::size_t i = 0; i < collected.transactions.size(); ++i) {
        const OfxTransactionData& t = collected.transactions[i];
        const int sourceLine = raw[i].line;
        const std::string amountText = rawValue(raw[i], "trnamt");
        auto cents = parseCents(amountText);
        if (!cents) cents = parseCents(amountText, ',');
        if (!cents || !t.amount_valid || std::llround(t.amount * 100.0) != *cents) {
            st.badLines.push_back({sourceLine, "STMTTRN/TRNAMT", "金额无法识别: '" + amountText + "'"});
            continue;
        }
        // The bank's day is the date part of DTPOSTED, whatever time and zone follow.
        const std::string dateText = rawValue(raw[i], "dtposted");
        const auto date = dateText.size() >= 8 ? parseBankDate(dateText.substr(0, 8)) : std::nullopt;
        if (!date || !t.date_posted_valid || (dateText.size() > 8 && std::isdigit(static_cast<unsigned char>(dateText[8])) == 0 &&
                                             dateText[8] != '[' && dateText[8] != '.')) {
            st.badLines.push_back({sourceLine, "STMTTRN/DTPOSTED", "记账日期无法识别: '" + dateText + "'"});
            continue;
        }
        StatementLine line;
        line.bookingDate = *date;
        line.amountCents = *cents;
        line.counterpartyName = field(t.name, t.name_valid);
        line.reference = field(t.fi_id, t.fi_id_valid);
        appendText(line.remittance, field(t.memo, t.memo_valid));
        appendText(line.remittance, field(t.check_number, t.check_number_valid));
        appendText(line.remittance, field(t.reference_number, t.reference_number_valid));
        line.sourceLine = sourceLine;
        st.lines.push_back(std::move(line));
    }
    return st;
}

}  // namespace trunaccount::statement
