// The order of texts in indexes and filter comparisons: the order of their bytes
// in the system code page (GBK). It puts ASCII before Chinese and the common
// Chinese characters in pinyin order, the order accountants know from their
// lists. Texts are UTF-8; characters GBK lacks come after all others.
#pragma once

#include <string_view>

namespace trunaccount {

// <0, 0, >0. With `ignoreAsciiCase` the letters A-Z equal a-z.
int compareText(std::string_view a, std::string_view b, bool ignoreAsciiCase);

// Appends to `out` a key whose byte order is the order of compareText: the
// text's GBK bytes (letters folded when asked), a character GBK lacks as 0xFF
// and three bytes of its code point. Sorting many texts by prepared keys saves
// looking every character up again in every comparison.
void appendCollationKey(std::string& out, std::string_view text, bool ignoreAsciiCase);

}  // namespace trunaccount
