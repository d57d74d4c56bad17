#include "platform/text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace trunaccount::platform {

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlankOrControl(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlankOrControl(s.back())) s.remove_suffix(1);
    return s;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string asciiLower(std::string_view s) {
    std::string r(s);
    for (auto& c : r) c = asciiLower(c);
    return r;
}

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

std::string formatGeneral(double value) {
    if (value == 0) return "0";  // also for -0
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    std::string s(buf);
    // "1.5E+20" -> "1.5E20", "1E-05" -> "1E-5": the exponent without padding.
    auto e = s.find('E');
    if (e != std::string::npos) {
        std::string mant = s.substr(0, e);
        int exp = std::atoi(s.c_str() + e + 1);
        s = mant + "E" + std::to_string(exp);
    }
    return s;
}

std::string formatFixed(double value, int decimals) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
    // Round the shortest decimal form of the value, not its binary expansion, so
    // that 2.675 shows as 2.68 the way it was typed: digits in plain notation,
    // then decimal rounding half away from zero.
    char buf[400];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    std::string digits(buf, ec == std::errc() ? end : buf);
    auto dot = digits.find('.');
    std::string intPart = dot == std::string::npos ? digits : digits.substr(0, dot);
    std::string frac = dot == std::string::npos ? std::string() : digits.substr(dot + 1);
    if (static_cast<int>(frac.size()) > decimals) {
        bool up = frac[decimals] >= '5';
        frac.resize(decimals);
        if (up) {
            std::string all = intPart + frac;
            int i = static_cast<int>(all.size()) - 1;
            while (i >= 0 && all[i] == '9') all[i--] = '0';
            if (i >= 0) ++all[i];
            else all.insert(all.begin(), '1');
            intPart = all.substr(0, all.size() - frac.size());
            frac = all.substr(all.size() - frac.size());
        }
    }
    frac.resize(decimals, '0');
    if (intPart.empty()) intPart = "0";
    bool zero = intPart.find_first_not_of('0') == std::string::npos && frac.find_first_not_of('0') == std::string::npos;
    std::string s = (value < 0 && !zero) ? "-" : "";
    s += intPart;
    if (decimals > 0) s += "." + frac;
    return s;
}

std::u32string toCodePoints(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        bool ok = len > 0 && i + len <= s.size();
        for (int k = 1; ok && k < len; ++k) {
            auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out.push_back(U'\uFFFD');
            ++i;
            continue;
        }
        out.push_back(cp);
        i += len;
    }
    return out;
}

std::string fromCodePoints(std::u32string_view cps) {
    std::string out;
    out.reserve(cps.size());
    for (char32_t c : cps) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace trunaccount::platform
