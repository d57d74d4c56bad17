#include "trunaccount/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/text.h"

namespace trunaccount {

namespace {

[[noreturn]] void castError(const Variant& v, std::string_view target) {
    throw VariantError("Could not convert variant of type (" + std::string(v.typeName()) +
                       ") into type (" + std::string(target) + ")");
}

std::optional<double> parseNumber(std::string_view s) {
    s = platform::trimBlanks(s);
    if (s.empty()) return std::nullopt;
    if (s.front() == '+') s.remove_prefix(1);
    double d = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return d;
}

std::int32_t roundToInt32(double d, const Variant& v) {
    if (!std::isfinite(d)) castError(v, "Integer");
    double r = std::nearbyint(d);  // default rounding mode: half to even
    if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
        castError(v, "Integer");
    return static_cast<std::int32_t>(r);
}

}  // namespace

std::string_view Variant::typeName() const {
    switch (type()) {
    case Type::Empty: return "Empty";
    case Type::Null: return "Null";
    case Type::Bool: return "Boolean";
    case Type::Integer: return "Integer";
    case Type::Double: return "Double";
    case Type::Text: return "String";
    case Type::Array: return "Array";
    case Type::Packet: return "DataPacket";
    }
    return "Unknown";
}

bool Variant::asBool() const {
    if (auto* p = std::get_if<bool>(&v_)) return *p;
    castError(*this, "Boolean");
}

std::int64_t Variant::asInteger() const {
    if (auto* p = std::get_if<std::int64_t>(&v_)) return *p;
    castError(*this, "Integer");
}

double Variant::asDouble() const {
    if (auto* p = std::get_if<double>(&v_)) return *p;
    castError(*this, "Double");
}

const std::string& Variant::asText() const {
    if (auto* p = std::get_if<std::string>(&v_)) return *p;
    castError(*this, "String");
}

const Variant::Array& Variant::asArray() const {
    if (auto* p = std::get_if<Array>(&v_)) return *p;
    castError(*this, "Array");
}

Variant::Array& Variant::asArray() {
    if (auto* p = std::get_if<Array>(&v_)) return *p;
    castError(*this, "Array");
}

const std::shared_ptr<const DataPacket>& Variant::asPacket() const {
    if (auto* p = std::get_if<std::shared_ptr<const DataPacket>>(&v_)) return *p;
    castError(*this, "DataPacket");
}

std::optional<std::string> Variant::textForm() const {
    switch (type()) {
    case Type::Empty: return std::string();
    case Type::Bool: return std::string(asBool() ? "True" : "False");
    case Type::Integer: return std::to_string(asInteger());
    case Type::Double: return platform::formatGeneral(asDouble());
    case Type::Text: return asText();
    case Type::Null:
    case Type::Array:
    case Type::Packet: return std::nullopt;
    }
    return std::nullopt;
}

std::string Variant::toText() const {
    if (auto t = textForm()) return std::move(*t);
    castError(*this, "String");
}

std::int32_t Variant::toInt32() const {
    switch (type()) {
    case Type::Empty: return 0;
    case Type::Bool: return asBool() ? -1 : 0;
    case Type::Integer: {
        auto i = asInteger();
        if (i < std::numeric_limits<std::int32_t>::min() || i > std::numeric_limits<std::int32_t>::max())
            castError(*this, "Integer");
        return static_cast<std::int32_t>(i);
    }
    case Type::Double: return roundToInt32(asDouble(), *this);
    case Type::Text: {
        if (auto d = parseNumber(asText())) return roundToInt32(*d, *this);
        castError(*this, "Integer");
    }
    default: castError(*this, "Integer");
    }
}

double Variant::toDouble() const {
    switch (type()) {
    case Type::Empty: return 0;
    case Type::Bool: return asBool() ? -1 : 0;
    case Type::Integer: return static_cast<double>(asInteger());
    case Type::Double: return asDouble();
    case Type::Text:
        if (auto d = parseNumber(asText())) return *d;
        castError(*this, "Double");
    default: castError(*this, "Double");
    }
}

bool Variant::isTrue() const {
    switch (type()) {
    case Type::Bool: return asBool();
    case Type::Integer: return asInteger() != 0;
    case Type::Double: return asDouble() != 0;
    default: return false;
    }
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.type() == Variant::Type::Packet && b.type() == Variant::Type::Packet) {
        const auto& pa = a.asPacket();
        const auto& pb = b.asPacket();
        if (!pa || !pb) return pa == pb;
        return *pa == *pb;
    }
    return a.v_ == b.v_;
}

}  // namespace trunaccount
