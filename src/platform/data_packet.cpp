#include <limits>

#include "platform/text.h"
#include "trunaccount/variant.h"

namespace trunaccount {

DataPacket::DataPacket(std::vector<PacketColumn> columns)
    : columns_(std::move(columns)), data_(columns_.size()) {}

int DataPacket::columnIndex(std::string_view name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (platform::equalsIgnoreAsciiCase(columns_[i].name, name)) return static_cast<int>(i);
    return -1;
}

void DataPacket::reserve(std::size_t rows) {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        auto& c = data_[i];
        c.nulls.reserve(rows);
        switch (columns_[i].kind) {
        case ColumnKind::Text: c.ends.reserve(rows); break;
        case ColumnKind::Float: c.floats.reserve(rows); break;
        case ColumnKind::Integer: c.integers.reserve(rows); break;
        }
    }
}

DataPacket::Column& DataPacket::nextColumn() {
    if (filled_ >= columns_.size()) throw VariantError("data packet row has more values than columns");
    return data_[filled_];
}

void DataPacket::addNull() {
    auto& c = nextColumn();
    c.nulls.push_back(true);
    switch (columns_[filled_].kind) {
    case ColumnKind::Text: c.ends.push_back(static_cast<std::uint32_t>(c.chars.size())); break;
    case ColumnKind::Float: c.floats.push_back(0); break;
    case ColumnKind::Integer: c.integers.push_back(0); break;
    }
    ++filled_;
}

void DataPacket::addText(std::string_view text) {
    auto& c = nextColumn();
    switch (columns_[filled_].kind) {
    case ColumnKind::Text:
        if (c.chars.size() + text.size() > std::numeric_limits<std::uint32_t>::max())
            throw VariantError("data packet column '" + columns_[filled_].name + "' holds more than 4 GiB of text");
        c.chars.append(text);
        c.ends.push_back(static_cast<std::uint32_t>(c.chars.size()));
        break;
    case ColumnKind::Float: c.floats.push_back(Variant(text).toDouble()); break;
    case ColumnKind::Integer: c.integers.push_back(Variant(text).toInt32()); break;
    }
    c.nulls.push_back(false);
    ++filled_;
}

void DataPacket::addFloat(double value) {
    auto& c = nextColumn();
    switch (columns_[filled_].kind) {
    case ColumnKind::Text: {
        auto t = platform::formatGeneral(value);
        c.chars.append(t);
        c.ends.push_back(static_cast<std::uint32_t>(c.chars.size()));
        break;
    }
    case ColumnKind::Float: c.floats.push_back(value); break;
    case ColumnKind::Integer: c.integers.push_back(static_cast<std::int64_t>(value)); break;
    }
    c.nulls.push_back(false);
    ++filled_;
}

void DataPacket::addInteger(std::int64_t value) {
    auto& c = nextColumn();
    switch (columns_[filled_].kind) {
    case ColumnKind::Text: {
        auto t = std::to_string(value);
        c.chars.append(t);
        c.ends.push_back(static_cast<std::uint32_t>(c.chars.size()));
        break;
    }
    case ColumnKind::Float: c.floats.push_back(static_cast<double>(value)); break;
    case ColumnKind::Integer: c.integers.push_back(value); break;
    }
    c.nulls.push_back(false);
    ++filled_;
}

void DataPacket::addValue(const Variant& v) {
    switch (v.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null: addNull(); break;
    case Variant::Type::Bool: addInteger(v.asBool() ? 1 : 0); break;
    case Variant::Type::Integer: addInteger(v.asInteger()); break;
    case Variant::Type::Double: addFloat(v.asDouble()); break;
    case Variant::Type::Text: addText(v.asText()); break;
    default: throw VariantError("a data packet cell cannot hold a value of type " + std::string(v.typeName()));
    }
}

void DataPacket::endRow() {
    if (filled_ != columns_.size())
        throw VariantError("data packet row has " + std::to_string(filled_) + " values for " +
                           std::to_string(columns_.size()) + " columns");
    filled_ = 0;
    ++rows_;
}

void DataPacket::checkCell(std::size_t row, std::size_t col) const {
    if (row >= rows_ || col >= columns_.size())
        throw VariantError("data packet cell (" + std::to_string(row) + ", " + std::to_string(col) +
                           ") is out of range");
}

bool DataPacket::isNull(std::size_t row, std::size_t col) const {
    checkCell(row, col);
    return data_[col].nulls[row];
}

std::string_view DataPacket::text(std::size_t row, std::size_t col) const {
    checkCell(row, col);
    if (columns_[col].kind != ColumnKind::Text)
        throw VariantError("data packet column '" + columns_[col].name + "' is not a text column");
    const auto& c = data_[col];
    std::uint32_t begin = row == 0 ? 0 : c.ends[row - 1];
    return std::string_view(c.chars).substr(begin, c.ends[row] - begin);
}

double DataPacket::floatValue(std::size_t row, std::size_t col) const {
    checkCell(row, col);
    switch (columns_[col].kind) {
    case ColumnKind::Float: return data_[col].floats[row];
    case ColumnKind::Integer: return static_cast<double>(data_[col].integers[row]);
    case ColumnKind::Text: return Variant(text(row, col)).toDouble();
    }
    return 0;
}

std::int64_t DataPacket::integerValue(std::size_t row, std::size_t col) const {
    checkCell(row, col);
    switch (columns_[col].kind) {
    case ColumnKind::Integer: return data_[col].integers[row];
    case ColumnKind::Float: return static_cast<std::int64_t>(data_[col].floats[row]);
    case ColumnKind::Text: return Variant(text(row, col)).toInt32();
    }
    return 0;
}

Variant DataPacket::value(std::size_t row, std::size_t col) const {
    if (isNull(row, col)) return Variant::null();
    switch (columns_[col].kind) {
    case ColumnKind::Text: return Variant(text(row, col));
    case ColumnKind::Float: return Variant(data_[col].floats[row]);
    case ColumnKind::Integer: return Variant(data_[col].integers[row]);
    }
    return {};
}

bool operator==(const DataPacket& a, const DataPacket& b) {
    if (a.rows_ != b.rows_ || a.columns_.size() != b.columns_.size()) return false;
    for (std::size_t c = 0; c < a.columns_.size(); ++c) {
        const auto& ca = a.columns_[c];
        const auto& cb = b.columns_[c];
        if (ca.name != cb.name || ca.kind != cb.kind || ca.width != cb.width) return false;
    }
    for (std::size_t r = 0; r < a.rows_; ++r)
        for (std::size_t c = 0; c < a.columns_.size(); ++c)
            if (!(a.value(r, c) == b.value(r, c))) return false;
    return true;
}

}  // namespace trunaccount
