// Small text utilities shared by every layer. Texts are UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trunaccount::platform {

// True for blanks and control characters (bytes 0..32).
constexpr bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }

// The text without leading and trailing blanks and control characters.
std::string_view trimBlanks(std::string_view s);

// ASCII letter case folding; other bytes are left alone.
char asciiLower(char c);
std::string asciiLower(std::string_view s);
bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Decimal text of a double in general format with up to 15 significant digits,
// as accountants see it: 17 → "17", 0.1 → "0.1", 1234.5 → "1234.5".
std::string formatGeneral(double value);

// A double with exactly `decimals` decimals, at least one integer digit, no
// digit grouping, rounded half away from zero on the decimal value; a result
// that rounds to zero never carries a minus sign ("0.00", not "-0.00").
std::string formatFixed(double value, int decimals);

// The code points of a UTF-8 text (invalid bytes are taken one by one as
// U+FFFD so that no input is lost to a miscount).
std::u32string toCodePoints(std::string_view utf8);
std::string fromCodePoints(std::u32string_view cps);

}  // namespace trunaccount::platform
