#include "dataset/field.h"

#include <cmath>
#include <limits>

#include "dataset/client_dataset.h"
#include "dataset/dataset_error.h"
#include "platform/errors.h"
#include "platform/gbk.h"
#include "platform/text.h"

namespace trunaccount {

Field::Field(ClientDataSet* ds, int index, std::string name, FieldKind kind, int size)
    : dataSet_(ds), index_(index), name_(std::move(name)), kind_(kind), size_(size) {}

Field::~Field() = default;

void Field::setDisplayLabel(std::string label) {
    label_ = std::move(label);
    dataSet_->fieldDefinitionChanged();
}

void Field::setVisible(bool visible) {
    visible_ = visible;
    dataSet_->fieldDefinitionChanged();
}

void Field::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    dataSet_->fieldDefinitionChanged();
}

void Field::setDisplayFormat(std::string pattern) {
    format_ = DisplayFormat(pattern);
    formatText_ = std::move(pattern);
    dataSet_->fieldDefinitionChanged();
}

void Field::setOnGetText(GetTextHandler h) {
    onGetText_ = std::move(h);
    dataSet_->fieldDefinitionChanged();
}

// ---- values of the current record ----

RecordId Field::currentRecord() const {
    // While the record is in edit, the field reads the edited record.
    return dataSet_->currentRecord();
}

bool Field::isNull() const { return isNullAt(currentRecord()); }
Variant Field::value() const { return valueAt(currentRecord()); }
std::string Field::asString() const { return asStringAt(currentRecord()); }
double Field::asFloat() const { return floatAt(currentRecord()); }
std::int64_t Field::asInteger() const { return integerAt(currentRecord()); }
std::string Field::displayText() const { return displayTextAt(currentRecord()); }
std::string Field::editText() const { return editTextAt(currentRecord()); }

void Field::setValue(const Variant& value) { dataSet_->storeFieldValue(*this, value); }

void Field::setAsString(std::string_view text) {
    if (!isText() && platform::trimBlanks(text).empty()) {
        setValue(Variant::null());
        return;
    }
    setValue(Variant(text));
}

// ---- values of any record ----

std::string_view Field::textAt(RecordId r) const {
    const Span& s = spans_[r];
    return std::string_view(chars_).substr(s.offset, s.length);
}

double Field::floatAt(RecordId r) const {
    switch (kind_) {
    case FieldKind::Float: return floats_[r];
    case FieldKind::Integer: return static_cast<double>(integers_[r]);
    case FieldKind::Text: return 0;
    }
    return 0;
}

std::int64_t Field::integerAt(RecordId r) const {
    switch (kind_) {
    case FieldKind::Float: return static_cast<std::int64_t>(floats_[r]);
    case FieldKind::Integer: return integers_[r];
    case FieldKind::Text: return 0;
    }
    return 0;
}

Variant Field::valueAt(RecordId r) const {
    if (nulls_[r]) return Variant::null();
    switch (kind_) {
    case FieldKind::Text: return Variant(textAt(r));
    case FieldKind::Float: return Variant(floats_[r]);
    case FieldKind::Integer: return Variant(integers_[r]);
    }
    return {};
}

std::string Field::asStringAt(RecordId r) const {
    if (nulls_[r]) return {};
    switch (kind_) {
    case FieldKind::Text: return std::string(textAt(r));
    case FieldKind::Float: return platform::formatGeneral(floats_[r]);
    case FieldKind::Integer: return std::to_string(integers_[r]);
    }
    return {};
}

std::string Field::displayTextAt(RecordId r) const {
    if (onGetText_) return onGetText_(*this, r, true);
    if (nulls_[r]) return {};
    switch (kind_) {
    case FieldKind::Text: return std::string(textAt(r));
    case FieldKind::Float: return format_.format(floats_[r]);
    case FieldKind::Integer:
        return format_.isGeneral() ? std::to_string(integers_[r])
                                   : format_.format(static_cast<double>(integers_[r]));
    }
    return {};
}

bool Field::changedAsShown() const {
    const Variant now = value();
    if (kind_ == FieldKind::Float && !now.isNull() && !before_.isNull() && !before_.isEmpty())
        return platform::formatGeneral(now.toDouble()) != platform::formatGeneral(before_.toDouble());
    return !(now == before_);
}

std::string Field::editTextAt(RecordId r) const {
    if (onGetText_) return onGetText_(*this, r, false);
    return asStringAt(r);
}

// ---- storage ----

void Field::clearValues() {
    nulls_ = {};
    floats_ = {};
    integers_ = {};
    spans_ = {};
    chars_ = {};
    deadChars_ = 0;
}

void Field::reserve(std::size_t records, std::size_t textBytes) {
    nulls_.reserve(records);
    switch (kind_) {
    case FieldKind::Text:
        spans_.reserve(records);
        chars_.reserve(textBytes);
        break;
    case FieldKind::Float: floats_.reserve(records); break;
    case FieldKind::Integer: integers_.reserve(records); break;
    }
}

namespace {
void checkArena(const std::string& chars, std::size_t more, const std::string& name) {
    if (chars.size() + more > std::numeric_limits<std::uint32_t>::max())
        throw DatasetError("field '" + name + "' holds more than 4 GiB of text");
}
}  // namespace

void Field::appendNull() {
    nulls_.push_back(true);
    switch (kind_) {
    case FieldKind::Text: spans_.push_back({static_cast<std::uint32_t>(chars_.size()), 0}); break;
    case FieldKind::Float: floats_.push_back(0); break;
    case FieldKind::Integer: integers_.push_back(0); break;
    }
}

void Field::appendText(std::string_view text) {
    checkArena(chars_, text.size(), name_);
    spans_.push_back({static_cast<std::uint32_t>(chars_.size()), static_cast<std::uint32_t>(text.size())});
    chars_.append(text);
    nulls_.push_back(false);
}

void Field::appendNumber(double value) {
    floats_.push_back(value);
    nulls_.push_back(false);
}

void Field::appendInteger(std::int64_t value) {
    integers_.push_back(value);
    nulls_.push_back(false);
}

void Field::appendFrom(const DataPacket& p, std::size_t row, std::size_t col) {
    if (p.isNull(row, col)) {
        appendNull();
        return;
    }
    ColumnKind ck = p.columns()[col].kind;
    if (kind_ == FieldKind::Text) {
        if (ck == ColumnKind::Text) appendText(p.text(row, col));
        else appendText(p.value(row, col).toText());
        return;
    }
    bool isFloat = kind_ == FieldKind::Float;
    if (ck != ColumnKind::Text) {
        if (isFloat) appendNumber(p.floatValue(row, col));
        else appendInteger(p.integerValue(row, col));
        return;
    }
    // A number sent as text: blank is null, anything else must convert.
    auto t = p.text(row, col);
    if (platform::trimBlanks(t).empty()) {
        appendNull();
        return;
    }
    Variant v = convert(Variant(t));
    if (isFloat) appendNumber(v.asDouble());
    else appendInteger(v.asInteger());
}

Variant Field::convert(const Variant& v) const {
    if (v.isNull() || v.isEmpty()) return Variant::null();
    auto refuse = [&](const char* kind, const char* what) {
        std::string shown = v.textForm().value_or(std::string(v.typeName()));
        return ConversionError(displayLabel() + what,
                               "'" + shown + "' is not a valid " + kind + " for field '" + displayLabel() + "'");
    };
    try {
        switch (kind_) {
        case FieldKind::Text:
            if (v.isText()) return v;
            return Variant(v.toText());
        case FieldKind::Float: {
            // Only a finite number is a number here: "nan" and "inf" are not amounts.
            const double d = v.toDouble();
            if (!std::isfinite(d)) throw refuse("number", "必须是数字。");
            return Variant(d);
        }
        case FieldKind::Integer:
            if (v.type() == Variant::Type::Integer) return v;
            return Variant(static_cast<std::int64_t>(v.toInt32()));
        }
    } catch (const VariantError&) {
        throw refuse(kind_ == FieldKind::Float ? "number" : kind_ == FieldKind::Integer ? "integer" : "text",
                     kind_ == FieldKind::Integer ? "必须是整数。" : kind_ == FieldKind::Float ? "必须是数字。" : "必须是文字。");
    }
    return v;
}

bool Field::fitsSize(std::string_view text) const {
    return !isText() || size_ <= 0 || platform::gbkByteLength(text) <= static_cast<std::size_t>(size_);
}

void Field::store(RecordId r, const Variant& v) {
    if (v.isNull()) {
        nulls_[r] = true;
        if (kind_ == FieldKind::Text) {
            deadChars_ += spans_[r].length;
            spans_[r].length = 0;
        }
        return;
    }
    nulls_[r] = false;
    switch (kind_) {
    case FieldKind::Float: floats_[r] = v.asDouble(); return;
    case FieldKind::Integer: integers_[r] = v.asInteger(); return;
    case FieldKind::Text: break;
    }
    const std::string& t = v.asText();
    Span& s = spans_[r];
    if (t.size() <= s.length) {
        // Fits where the old text was: overwrite in place.
        chars_.replace(s.offset, t.size(), t);
        deadChars_ += s.length - t.size();
        s.length = static_cast<std::uint32_t>(t.size());
        return;
    }
    checkArena(chars_, t.size(), name_);
    deadChars_ += s.length;
    s = {static_cast<std::uint32_t>(chars_.size()), static_cast<std::uint32_t>(t.size())};
    chars_.append(t);
    if (deadChars_ > 4096 && deadChars_ * 2 > chars_.size()) compactText();
}

void Field::compactText() {
    std::string packed;
    packed.reserve(chars_.size() - deadChars_);
    for (auto& s : spans_) {
        auto offset = static_cast<std::uint32_t>(packed.size());
        packed.append(chars_, s.offset, s.length);
        s.offset = offset;
    }
    chars_.swap(packed);
    deadChars_ = 0;
}

std::size_t Field::memoryBytes() const {
    return nulls_.capacity() / 8 + floats_.capacity() * sizeof(double) +
           integers_.capacity() * sizeof(std::int64_t) + spans_.capacity() * sizeof(Span) + chars_.capacity();
}

}  // namespace trunaccount
