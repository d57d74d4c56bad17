// Bank statements read from the files banks export: ISO 20022 CAMT.053 (XML),
// SWIFT MT940, OFX/QFX, and the CSV exports of Chinese banks. Every format is
// turned into one kind of line; amounts are exact cents.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace trunaccount::statement {

enum class StatementFormat { Camt053, Mt940, Ofx, BankCsv };

// "CAMT.053", "MT940", "OFX", "CSV".
const char* formatName(StatementFormat format);

// One booked movement of the account.
struct StatementLine {
    std::string bookingDate;          // YYYYMMDD
    std::int64_t amountCents = 0;     // money in is positive, money out negative
    std::string counterpartyName;
    std::string counterpartyAccount;
    std::string remittance;           // the payer's text: purpose, references, notes
    std::string reference;            // the bank's own reference of the movement
    int sourceLine = 0;               // line of the file where the movement starts (from 1)
};

// A movement of the file that could not be read; nothing is taken from it.
struct BadLine {
    int sourceLine = 0;
    std::string element;  // the XML element, field or column at fault; may be empty
    std::string message;
};

struct Statement {
    std::string fileName;
    StatementFormat format = StatementFormat::BankCsv;
    std::vector<StatementLine> lines;  // in file order
    std::vector<BadLine> badLines;     // in file order
};

// The file as a whole cannot be read: its text names the file and the line or
// the element at fault.
class StatementError : public std::runtime_error {
public:
    StatementError(const std::string& fileName, int line, const std::string& element, const std::string& what);
    const std::string& fileName() const { return fileName_; }
    int line() const { return line_; }  // 0 when the fault has no line
    const std::string& element() const { return element_; }

private:
    std::string fileName_;
    int line_;
    std::string element_;
};

// The format the content looks like; the file name's extension only decides
// between formats the content leaves open.
StatementFormat detectFormat(std::string_view bytes, std::string_view fileName);

// Reads a statement from the bytes of a file; `fileName` is used in messages.
Statement parseStatement(std::string_view bytes, const std::string& fileName);
// Reads the statement file at `path`.
Statement readStatementFile(const std::string& path);

// The readers of one format each. They raise StatementError when the file as a
// whole is not of the format or cannot be read, and list single bad movements.
Statement parseCamt053(std::string_view bytes, const std::string& fileName);
Statement parseMt940(std::string_view bytes, const std::string& fileName);
Statement parseOfx(std::string_view bytes, const std::string& fileName);
Statement parseBankCsv(std::string_view bytes, const std::string& fileName);

}  // namespace trunaccount::statement
