// Feeds arbitrary bytes to the settings reader as the file on disk would: code
// page 936 decoding, parsing, a lookup, a write and a re-read. The reader must
// never crash, an unchanged document must give back the bytes it was read from,
// and a written value must read back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/ini_file.h"
#include "platform/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    auto doc = trunaccount::IniDocument::decode(bytes);
    (void)doc.value("FrmTrunAccountInput", "cbywlx");
    if (doc.encode() != bytes) std::abort();
    std::string text = doc.serialize();
    if (trunaccount::IniDocument::parse(text).serialize() != text) std::abort();

    doc.setValue("FrmTrunAccountInput", "cbywlx", "3");
    auto again = trunaccount::IniDocument::decode(doc.encode());  // only ASCII lines changed: always encodes
    if (again.value("frmtrunaccountinput", "CBYWLX") != std::optional<std::string>("3")) std::abort();
    return 0;
}
