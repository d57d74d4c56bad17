#include "platform/gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/errors.h"

namespace trunaccount::platform {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv's own failure value
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw EncodingError(std::string("cannot convert from ") + from + " to " + to + ": " +
                                std::strerror(errno));
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of `in`. A byte sequence that does not convert is handed to
    // `standIn` with the offset of its first byte: a text to put in its place
    // (the conversion goes on after that one byte), or nullopt to stop. On a stop
    // the result is false, `failedAt` holds the offset and `out` what converted
    // before it.
    template <class StandIn>
    bool convert(std::string_view in, std::string& out, std::size_t& failedAt, StandIn standIn) {
        out.clear();
        out.resize(in.size() * 2 + 16);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        std::size_t done = 0;
        while (srcLeft > 0) {
            char* dst = out.data() + done;
            std::size_t dstLeft = out.size() - done;
            std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            done = out.size() - dstLeft;
            if (r != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ, or EINVAL for a character cut off at the end.
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            std::size_t at = in.size() - srcLeft;
            std::optional<std::string_view> instead = standIn(at);
            if (!instead) {
                failedAt = at;
                out.resize(done);
                return false;
            }
            if (out.size() - done < instead->size()) out.resize(out.size() * 2 + instead->size());
            std::memcpy(out.data() + done, instead->data(), instead->size());
            done += instead->size();
            ++src;
            --srcLeft;
        }
        out.resize(done);
        return true;
    }

    bool convert(std::string_view in, std::string& out, std::size_t& failedAt) {
        return convert(in, out, failedAt, [](std::size_t) { return std::optional<std::string_view>(); });
    }

private:
    iconv_t cd_;
};

std::string hexBytes(std::string_view s, std::size_t at) {
    static const char* digits = "0123456789ABCDEF";
    std::string r;
    for (std::size_t i = at; i < s.size() && i < at + 2; ++i) {
        auto b = static_cast<unsigned char>(s[i]);
        if (!r.empty()) r += ' ';
        r += digits[b >> 4];
        r += digits[b & 15];
    }
    return r;
}

// Bytes of the UTF-8 character that begins with `lead` (1 for a stray byte).
std::size_t utf8CharLength(unsigned char lead) {
    return (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 1;
}

}  // namespace

// A converter per call: a thread-local one would pin the plug-in in memory
// until the host's thread ends, so that unloading it would not release it.
std::string gbkToUtf8(std::string_view gbk) {
    Converter c("UTF-8", "CP936");
    std::string out;
    std::size_t at = 0;
    if (!c.convert(gbk, out, at))
        throw EncodingError("invalid GBK text: bytes " + hexBytes(gbk, at) + " at offset " + std::to_string(at));
    return out;
}

std::string utf8ToGbk(std::string_view utf8) {
    Converter c("CP936", "UTF-8");
    std::string out;
    std::size_t at = 0;
    if (!c.convert(utf8, out, at))
        throw EncodingError("text cannot be written in GBK: bytes " + hexBytes(utf8, at) + " at offset " +
                            std::to_string(at));
    return out;
}

std::string systemFileTextToUtf8(std::string_view bytes, std::size_t* invalidBytes) {
    Converter c("UTF-8", "GB18030");
    std::string out;
    std::size_t at = 0;
    std::size_t invalid = 0;
    c.convert(bytes, out, at, [&](std::size_t offset) {
        // Code page 936 writes the euro sign as the single byte 0x80, which
        // GB18030 does not know.
        if (static_cast<unsigned char>(bytes[offset]) == 0x80) return std::optional<std::string_view>("\xE2\x82\xAC");
        ++invalid;
        return std::optional<std::string_view>("\xEF\xBF\xBD");
    });
    if (invalidBytes) *invalidBytes = invalid;
    return out;
}

std::string utf8ToSystemFileText(std::string_view utf8) {
    Converter gbk("CP936", "UTF-8");
    std::optional<Converter> gb18030;
    std::string out;
    std::string part;
    std::size_t base = 0;
    std::size_t at = 0;
    while (!gbk.convert(utf8.substr(base), part, at)) {
        out += part;
        std::size_t pos = base + at;
        std::size_t len = std::min(utf8CharLength(static_cast<unsigned char>(utf8[pos])), utf8.size() - pos);
        if (!gb18030) gb18030.emplace("GB18030", "UTF-8");
        std::size_t ignored = 0;
        if (!gb18030->convert(utf8.substr(pos, len), part, ignored) || part.size() != 2)
            throw EncodingError("text cannot be written in GBK: bytes " + hexBytes(utf8, pos) + " at offset " +
                                std::to_string(pos));
        out += part;
        base = pos + len;
    }
    out += part;
    return out;
}

std::size_t gbkByteLength(std::string_view utf8) {
    std::size_t n = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            ++n;
            ++i;
            continue;
        }
        std::size_t len = utf8CharLength(b);
        // Every non-ASCII character GBK holds takes two bytes (0x80, the euro
        // sign, is the one-byte exception; it counts as one).
        bool euro = len == 3 && utf8.substr(i, 3) == "\xE2\x82\xAC";
        n += euro ? 1 : 2;
        i += len;
    }
    return n;
}

}  // namespace trunaccount::platform
