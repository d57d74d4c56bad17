#include "statement/statement.h"

#include <fstream>
#include <sstream>

#include "platform/errors.h"
#include "platform/text.h"
#include "statement/statement_text.h"

namespace trunaccount::statement {

namespace {

std::string describe(const std::string& fileName, int line, const std::string& element, const std::string& what) {
    std::string text = "对账单 " + fileName;
    if (line > 0) text += " 第 " + std::to_string(line) + " 行";
    if (!element.empty()) text += " <" + element + ">";
    return text + ": " + what;
}

bool containsIgnoringCase(std::string_view text, std::string_view word) {
    return platform::asciiLower(text).find(platform::asciiLower(word)) != std::string::npos;
}

}  // namespace

StatementError::StatementError(const std::string& fileName, int line, const std::string& element,
                               const std::string& what)
    : std::runtime_error(describe(fileName, line, element, what)), fileName_(fileName), line_(line), element_(element) {}

std::string statementText(std::string_view bytes, const std::string& fileName) {
    try {
        return decodeBankText(bytes);
    } catch (const EncodingError&) {
        throw StatementError(fileName, 0, "", "既不是 UTF-8 也不是 GBK 编码的文本");
    }
}

const char* formatName(StatementFormat format) {
    switch (format) {
    case StatementFormat::Camt053: return "CAMT.053";
    case StatementFormat::Mt940: return "MT940";
    case StatementFormat::Ofx: return "OFX";
    case StatementFormat::BankCsv: return "CSV";
    }
    return "?";
}

StatementFormat detectFormat(std::string_view bytes, std::string_view fileName) {
    const std::string_view head = bytes.substr(0, 4096);
    if (containsIgnoringCase(head, "OFXHEADER") || containsIgnoringCase(head, "<OFX>")) return StatementFormat::Ofx;
    std::size_t i = head.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (i < head.size() && platform::isBlankOrControl(head[i])) ++i;
    if (i < head.size() && head[i] == '<') return StatementFormat::Camt053;
    if (head.find(":20:") != std::string_view::npos &&
        (head.find(":61:") != std::string_view::npos || head.find(":60F:") != std::string_view::npos ||
         head.find(":25:") != std::string_view::npos))
        return StatementFormat::Mt940;
    const std::string name = platform::asciiLower(fileName);
    if (name.ends_with(".ofx") || name.ends_with(".qfx")) return StatementFormat::Ofx;
    if (name.ends_with(".xml")) return StatementFormat::Camt053;
    if (name.ends_with(".sta") || name.ends_with(".940") || name.ends_with(".mt940")) return StatementFormat::Mt940;
    return StatementFormat::BankCsv;
}

Statement parseStatement(std::string_view bytes, const std::string& fileName) {
    if (platform::trimBlanks(bytes).empty()) throw StatementError(fileName, 0, "", "文件是空的");
    switch (detectFormat(bytes, fileName)) {
    case StatementFormat::Camt053: return parseCamt053(bytes, fileName);
    case StatementFormat::Mt940: return parseMt940(bytes, fileName);
    case StatementFormat::Ofx: return parseOfx(bytes, fileName);
    case StatementFormat::BankCsv: break;
    }
    return parseBankCsv(bytes, fileName);
}

Statement readStatementFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw StatementError(path, 0, "", "无法打开文件");
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) throw StatementError(path, 0, "", "读取文件失败");
    return parseStatement(content.str(), path);
}

}  // namespace trunaccount::statement
