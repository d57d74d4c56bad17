// ISO 20022 CAMT.053 bank-to-customer statements: Document/BkToCstmrStmt/Stmt,
// one Ntry per booked entry. An entry that books a batch carries one TxDtls per
// transaction, each with its own amount; each becomes a line of its own.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

#include "statement/statement.h"
#include "statement/statement_text.h"

namespace trunaccount::statement {

namespace {

using Node = xmlNode*;

std::string_view localName(Node n) { return reinterpret_cast<const char*>(n->name); }

bool isElement(Node n, std::string_view name) { return n && n->type == XML_ELEMENT_NODE && localName(n) == name; }

Node child(Node n, std::string_view name) {
    if (!n) return nullptr;
    for (Node c = n->children; c; c = c->next)
        if (isElement(c, name)) return c;
    return nullptr;
}

// The element at the end of a path of child names.
Node path(Node n, std::initializer_list<std::string_view> names) {
    for (auto name : names) n = child(n, name);
    return n;
}

std::vector<Node> children(Node n, std::string_view name) {
    std::vector<Node> out;
    if (!n) return out;
    for (Node c = n->children; c; c = c->next)
        if (isElement(c, name)) out.push_back(c);
    return out;
}

// The element's own text (its text and CDATA children; entity references are
// not expanded).
std::string text(Node n) {
    std::string t;
    if (!n) return t;
    for (Node c = n->children; c; c = c->next)
        if ((c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) && c->content)
            t += reinterpret_cast<const char*>(c->content);
    return std::string(trimText(t));
}

void append(std::string& to, const std::string& t) {
    if (t.empty() || to.find(t) != std::string::npos) return;
    if (!to.empty()) to += ' ';
    to += t;
}

int lineOf(Node n) { return static_cast<int>(xmlGetLineNo(n)); }

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct CtxtFree {
    void operator()(xmlParserCtxt* c) const { xmlFreeParserCtxt(c); }
};

// The account of a party: IBAN, or the other identification.
std::string accountOf(Node acct) {
    Node id = child(acct, "Id");
    if (Node iban = child(id, "IBAN")) return text(iban);
    return text(path(id, {"Othr", "Id"}));
}

// Reads the parties, references and remittance of a transaction into the line.
void readDetails(Node tx, bool debit, StatementLine& line) {
    if (!tx) return;
    Node parties = child(tx, "RltdPties");
    Node party = child(parties, debit ? "Cdtr" : "Dbtr");
    if (Node nm = child(party, "Nm")) line.counterpartyName = text(nm);
    else line.counterpartyName = text(path(party, {"Pty", "Nm"}));
    line.counterpartyAccount = accountOf(child(parties, debit ? "CdtrAcct" : "DbtrAcct"));
    Node refs = child(tx, "Refs");
    if (line.reference.empty()) line.reference = text(child(refs, "AcctSvcrRef"));
    Node rmt = child(tx, "RmtInf");
    for (Node u : children(rmt, "Ustrd")) append(line.remittance, text(u));
    for (Node s : children(rmt, "Strd")) {
        append(line.remittance, text(path(s, {"CdtrRefInf", "Ref"})));
        for (Node d : children(s, "RfrdDocInf")) append(line.remittance, text(child(d, "Nb")));
        for (Node a : children(s, "AddtlRmtInf")) append(line.remittance, text(a));
    }
    for (const char* id : {"EndToEndId", "InstrId", "PmtInfId"}) {
        const std::string t = text(child(refs, id));
        if (t != "NOTPROVIDED") append(line.remittance, t);
    }
    append(line.remittance, text(child(tx, "AddtlTxInf")));
    if (line.reference.empty()) line.reference = text(child(refs, "TxId"));
}

// The amount and direction of an element (Ntry or TxDtls); the message says
// what is wrong.
std::optional<std::string> readAmount(Node n, Node amt, const std::optional<bool>& debitDefault,
                                      StatementLine& line, bool& debit) {
    const std::string amountText = text(amt);
    const auto cents = parseCents(amountText);
    if (!amt || !cents || *cents < 0) return "金额无法识别: '" + amountText + "'";
    const std::string ind = text(child(n, "CdtDbtInd"));
    if (ind == "DBIT") debit = true;
    else if (ind == "CRDT") debit = false;
    else if (ind.empty() && debitDefault) debit = *debitDefault;
    else return "借贷标记应为 CRDT 或 DBIT, 不是 '" + ind + "'";
    line.amountCents = debit ? -*cents : *cents;
    return std::nullopt;
}

}  // namespace

Statement parseCamt053(std::string_view bytes, const std::string& fileName) {
    std::unique_ptr<xmlParserCtxt, CtxtFree> ctxt(xmlNewParserCtxt());
    if (!ctxt) throw StatementError(fileName, 0, "", "内存不足");
    // No network, no entity expansion, no DTD loading; errors come back here
    // instead of going to the console.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) throw StatementError(fileName, 0, "", "文件太大");
    std::unique_ptr<xmlDoc, DocFree> doc(
        xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()), fileName.c_str(), nullptr, options));
    if (!doc) {
        const xmlError* e = xmlCtxtGetLastError(ctxt.get());
        std::string message = e && e->message ? std::string(trimText(e->message)) : "无法解析";
        throw StatementError(fileName, e ? e->line : 0, "", "XML 格式错误: " + message);
    }
    Node root = xmlDocGetRootElement(doc.get());
    Node report = root && isElement(root, "Document") ? child(root, "BkToCstmrStmt") : nullptr;
    if (!report)
        throw StatementError(fileName, root ? lineOf(root) : 0, root ? std::string(localName(root)) : "",
                             "不是 CAMT.053 对账单 (需要 Document/BkToCstmrStmt)");
    Statement st;
    st.fileName = fileName;
    st.format = StatementFormat::Camt053;
    for (Node stmt : children(report, "Stmt")) {
        for (Node entry : children(stmt, "Ntry")) {
            StatementLine base;
            base.sourceLine = lineOf(entry);
            auto bad = [&](Node at, const std::string& element, const std::string& message) {
                st.badLines.push_back({at ? lineOf(at) : base.sourceLine, element, message});
            };
            // The booking date, or the value date when the bank gives none.
            Node dateElement = child(entry, "BookgDt");
            if (!dateElement) dateElement = child(entry, "ValDt");
            Node dt = child(dateElement, "Dt");
            if (!dt) dt = child(dateElement, "DtTm");
            const std::string dateText = text(dt);
            const auto date = dateText.size() >= 10 && dateText[4] == '-' && dateText[7] == '-'
                                  ? parseBankDate(dateText.substr(0, 10))
                                  : std::nullopt;
            if (!date) {
                bad(dt ? dt : entry, "Ntry/BookgDt", "记账日期无法识别: '" + dateText + "'");
                continue;
            }
            base.bookingDate = *date;
            base.reference = text(child(entry, "AcctSvcrRef"));
            bool debit = false;
            StatementLine whole = base;
            if (auto problem = readAmount(entry, child(entry, "Amt"), std::nullopt, whole, debit)) {
                bad(child(entry, "Amt") ? child(entry, "Amt") : entry, "Ntry/Amt", *problem);
                continue;
            }
            std::vector<Node> txs;
            for (Node details : children(entry, "NtryDtls"))
                for (Node tx : children(details, "TxDtls")) txs.push_back(tx);
            const std::string entryInfo = text(child(entry, "AddtlNtryInf"));
            if (txs.size() <= 1) {
                readDetails(txs.empty() ? nullptr : txs.front(), debit, whole);
                append(whole.remittance, entryInfo);
                st.lines.push_back(std::move(whole));
                continue;
            }
            // A batch: a line per transaction, each with its own amount.
            for (Node tx : txs) {
                StatementLine line = base;
                line.sourceLine = lineOf(tx);
                line.reference.clear();
                Node amt = path(tx, {"AmtDtls", "TxAmt", "Amt"});
                if (!amt) amt = child(tx, "Amt");
                bool txDebit = debit;
                if (auto problem = readAmount(tx, amt, debit, line, txDebit)) {
                    bad(amt ? amt : tx, "TxDtls/Amt", *problem);
                    continue;
                }
                readDetails(tx, txDebit, line);
                if (line.reference.empty()) line.reference = base.reference;
                append(line.remittance, entryInfo);
                st.lines.push_back(std::move(line));
            }
        }
    }
    return st;
}

}  // namespace trunaccount::statement
