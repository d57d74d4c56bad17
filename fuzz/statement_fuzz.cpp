// Feeds arbitrary bytes to one bank statement reader (STATEMENT_READER names
// it). A reader must never crash; it either refuses the file with an error that
// names it, or returns lines that hold what a line promises: a real date, a
// line number in the file, and bad lines that say what is wrong.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "statement/statement.h"
#include "statement/statement_text.h"

using namespace trunaccount::statement;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string name = "fuzz.input";
    Statement st;
    try {
        st = STATEMENT_READER(bytes, name);
    } catch (const StatementError& e) {
        if (std::string(e.what()).find(name) == std::string::npos) std::abort();
        return 0;
    }
    // Lines end with LF, CR LF or a lone CR.
    int lines = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        lines += bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) ? 1 : 0;
    for (const auto& l : st.lines) {
        if (l.bookingDate.size() != 8 || !parseBankDate(l.bookingDate)) std::abort();
        if (l.sourceLine < 1 || l.sourceLine > lines) std::abort();
    }
    for (const auto& b : st.badLines)
        if (b.message.empty() || b.sourceLine < 0 || b.sourceLine > lines) std::abort();
    return 0;
}
