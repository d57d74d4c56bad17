#include "platform/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace trunaccount::platform {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw EncodingError(std::string("cannot convert from ") + from + " to " + to + ": " +
                                std::strerror(errno));
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of `in`; on a byte sequence that does not convert, returns false
    // with `failedAt` set to its offset.
    bool convert(std::string_view in, std::string& out, std::size_t& failedAt) {
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
            failedAt = in.size() - srcLeft;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            return false;
        }
        out.resize(done);
        return true;
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
        int len = (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
        // Every non-ASCII character GBK holds takes two bytes (0x80, the euro
        // sign, is the one-byte exception; it counts as one).
        bool euro = len == 3 && utf8.substr(i, 3) == "\xE2\x82\xAC";
        n += euro ? 1 : 2;
        i += len;
    }
    return n;
}

}  // namespace trunaccount::platform
