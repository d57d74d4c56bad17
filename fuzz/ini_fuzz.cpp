// Feeds arbitrary bytes to the settings reader as the file on disk would: GBK
// decoding, parsing, a lookup, a write and a re-read. The reader must never
// crash, and a written value must read back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/ini_file.h"
#include "platform/errors.h"
#include "platform/gbk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string text;
    try {
        text = trunaccount::platform::gbkToUtf8(bytes);
    } catch (const trunaccount::EncodingError&) {
        text = bytes;  // still parse the raw bytes
    }
    auto doc = trunaccount::IniDocument::parse(text);
    (void)doc.value("FrmTrunAccountInput", "cbywlx");
    std::string round = doc.serialize();
    if (trunaccount::IniDocument::parse(round).serialize() != round) std::abort();

    doc.setValue("FrmTrunAccountInput", "cbywlx", "3");
    auto again = trunaccount::IniDocument::parse(doc.serialize());
    if (again.value("frmtrunaccountinput", "CBYWLX") != std::optional<std::string>("3")) std::abort();
    return 0;
}
