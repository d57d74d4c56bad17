#include "coordinator/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace trunaccount::coord {

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when it is not one.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    std::size_t n;
    char32_t cp;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) n = 2, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) n = 3, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) n = 4, cp = c & 0x07;
    else return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not valid.
    static constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

const char* kindName(ColumnKind k) {
    switch (k) {
    case ColumnKind::Text: return "text";
    case ColumnKind::Float: return "float";
    case ColumnKind::Integer: return "integer";
    }
    return "text";
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            }
            }
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (std::size_t n = utf8SequenceLength(text, i)) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            out += "\xEF\xBF\xBD";  // U+FFFD for a byte that begins no valid sequence
            ++i;
        }
    }
    out += '"';
}

void appendJsonNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buf[40];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);  // shortest text that reads back the same
    out.append(buf, end);
}

void appendJsonValue(std::string& out, const Variant& v) {
    switch (v.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null: out += "null"; break;
    case Variant::Type::Bool: out += v.asBool() ? "true" : "false"; break;
    case Variant::Type::Integer: out += std::to_string(v.asInteger()); break;
    case Variant::Type::Double: appendJsonNumber(out, v.asDouble()); break;
    case Variant::Type::Text: appendJsonString(out, v.asText()); break;
    case Variant::Type::Array: {
        out += '[';
        bool first = true;
        for (const auto& e : v.asArray()) {
            if (!first) out += ',';
            first = false;
            appendJsonValue(out, e);
        }
        out += ']';
        break;
    }
    case Variant::Type::Packet:
        if (v.asPacket()) appendJsonPacket(out, *v.asPacket());
        else out += "null";
        break;
    }
}

void appendJsonPacket(std::string& out, const DataPacket& p) {
    out += "{\"columns\":[";
    for (std::size_t c = 0; c < p.columnCount(); ++c) {
        const auto& col = p.columns()[c];
        if (c) out += ',';
        out += "{\"name\":";
        appendJsonString(out, col.name);
        out += ",\"kind\":\"";
        out += kindName(col.kind);
        out += "\",\"width\":";
        out += std::to_string(col.width);
        out += '}';
    }
    out += "],\"rows\":[";
    for (std::size_t r = 0; r < p.rowCount(); ++r) {
        if (r) out += ',';
        out += '[';
        for (std::size_t c = 0; c < p.columnCount(); ++c) {
            if (c) out += ',';
            appendJsonValue(out, p.value(r, c));
        }
        out += ']';
    }
    out += "]}";
}

}  // namespace trunaccount::coord
