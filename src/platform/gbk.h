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

// The settings file as Windows writes it in code page 936: decoded as GB18030
// (which holds all of GBK and its user-defined areas, such as AA A1 -> U+E000),
// the one-byte euro sign 0x80 included. Never fails: a byte that still does not
// convert becomes U+FFFD and is counted in `invalidBytes` when given. Line
// feeds stay where they are, one for one.
std::string systemFileTextToUtf8(std::string_view bytes, std::size_t* invalidBytes = nullptr);
// The reverse for text written back to such a file: GBK wherever GBK holds the
// character, the two-byte GB18030 code (the user-defined areas, the vertical
// forms) where only that exists. Characters without a two-byte code (emoji,
// for example) raise EncodingError naming their offset.
std::string utf8ToSystemFileText(std::string_view utf8);

// Number of GBK bytes the UTF-8 text takes; characters GBK cannot hold count as
// two bytes (the width they would take as a substitute character).
std::size_t gbkByteLength(std::string_view utf8);

}  // namespace trunaccount::platform
