#include "dataset/collation.h"

#include <string>

#include <iconv.h>

#include <array>
#include <cstdint>
#include <memory>

#include "platform/text.h"

namespace trunaccount {

namespace {

// GBK code of every code point of the basic plane: one byte (ASCII, the euro
// sign), two bytes as a big-endian number, 0 when GBK lacks the character.
class GbkKeys {
public:
    GbkKeys() : keys_(std::make_unique<std::array<std::uint16_t, 0x10000>>()) {
        auto& keys = *keys_;
        keys.fill(0);
        iconv_t cd = iconv_open("CP936", "UTF-32LE");
        // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv's own failure value
        if (cd == reinterpret_cast<iconv_t>(-1)) return;  // no converter: code point order
        for (std::uint32_t cp = 0; cp < 0x10000; ++cp) {
            if (cp < 0x80) {
                keys[cp] = static_cast<std::uint16_t>(cp);
                continue;
            }
            if (cp >= 0xD800 && cp < 0xE000) continue;
            char in[4] = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF), 0, 0};
            char out[8];
            char* src = in;
            char* dst = out;
            std::size_t srcLeft = 4, dstLeft = sizeof out;
            if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                continue;
            }
            std::size_t n = sizeof out - dstLeft;
            auto b0 = static_cast<unsigned char>(out[0]);
            if (n == 1) keys[cp] = b0;
            else if (n == 2) keys[cp] = static_cast<std::uint16_t>((b0 << 8) | static_cast<unsigned char>(out[1]));
        }
        iconv_close(cd);
    }

    // Sort key of a code point: its GBK code, or past every GBK code when it has none.
    std::uint32_t key(char32_t cp) const {
        if (cp < 0x10000) {
            std::uint16_t k = (*keys_)[cp];
            if (k != 0 || cp == 0) return k;
        }
        return 0x10000u + static_cast<std::uint32_t>(cp);
    }

private:
    std::unique_ptr<std::array<std::uint16_t, 0x10000>> keys_;
};

const GbkKeys& gbkKeys() {
    static const GbkKeys keys;
    return keys;
}

// Decodes one UTF-8 character at s[i] and advances i; an invalid byte is taken
// alone, after every valid character.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    auto b = static_cast<unsigned char>(s[i]);
    int len = (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
        ++i;
        return 0x110000u + b;
    }
    char32_t cp = len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return 0x110000u + b;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    i += len;
    return cp;
}

}  // namespace

void appendCollationKey(std::string& out, std::string_view text, bool ignoreAsciiCase) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += ignoreAsciiCase ? platform::asciiLower(static_cast<char>(c)) : static_cast<char>(c);
            ++i;
            continue;
        }
        std::uint32_t k = gbkKeys().key(nextCodePoint(text, i));
        if (k < 0x100) {
            out += static_cast<char>(k);
        } else if (k < 0x10000) {
            out += static_cast<char>(k >> 8);
            out += static_cast<char>(k & 0xFF);
        } else {
            std::uint32_t cp = k - 0x10000;  // past every GBK lead byte (0x81-0xFE)
            out += static_cast<char>(0xFF);
            out += static_cast<char>((cp >> 16) & 0xFF);
            out += static_cast<char>((cp >> 8) & 0xFF);
            out += static_cast<char>(cp & 0xFF);
        }
    }
}

int compareText(std::string_view a, std::string_view b, bool ignoreAsciiCase) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[j]);
        if (ca < 0x80 && cb < 0x80) {
            if (ignoreAsciiCase) {
                ca = static_cast<unsigned char>(platform::asciiLower(static_cast<char>(ca)));
                cb = static_cast<unsigned char>(platform::asciiLower(static_cast<char>(cb)));
            }
            if (ca != cb) return ca < cb ? -1 : 1;
            ++i, ++j;
            continue;
        }
        std::uint32_t ka = ca < 0x80 ? ca : gbkKeys().key(nextCodePoint(a, i));
        std::uint32_t kb = cb < 0x80 ? cb : gbkKeys().key(nextCodePoint(b, j));
        if (ca < 0x80) {
            if (ignoreAsciiCase) ka = static_cast<unsigned char>(platform::asciiLower(static_cast<char>(ca)));
            ++i;
        }
        if (cb < 0x80) {
            if (ignoreAsciiCase) kb = static_cast<unsigned char>(platform::asciiLower(static_cast<char>(cb)));
            ++j;
        }
        if (ka != kb) return ka < kb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace trunaccount
