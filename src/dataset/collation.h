// The order of texts in indexes and filter comparisons: the order of their bytes
// in the system code page (GBK). It puts ASCII before Chinese and the common
// Chinese characters in pinyin order, the order accountants know from their
// lists. Texts are UTF-8; characters GBK lacks come after all others.
#pragma once

#include <string_view>

namespace trunaccount {

// <0, 0, >0. With `ignoreAsciiCase` the letters A-Z equal a-z.
int compareText(std::string_view a, std::string_view b, bool ignoreAsciiCase);

}  // namespace trunaccount
