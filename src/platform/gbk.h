// The system code page (GBK, code page 936) at the boundaries that are GBK by
// nature: the operator code of the entry call, the settings file on disk and the
// byte widths of text fields. Inside, texts are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace trunaccount::platform {

// Raise EncodingError naming the offset of the first byte that does not convert.
std::string gbkToUtf8(std::string_view gbk);
std::string utf8ToGbk(std::string_view utf8);

// Number of GBK bytes the UTF-8 text takes; characters GBK cannot hold count as
// two bytes (the width they would take as a substitute character).
std::size_t gbkByteLength(std::string_view utf8);

}  // namespace trunaccount::platform
