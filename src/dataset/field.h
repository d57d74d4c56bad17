// A field of the client dataset: its definition (name, label, kind, width,
// visibility, read-only state, display format), its handlers, and the column of
// values it holds for every record of the dataset.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/display_format.h"
#include "trunaccount/variant.h"

namespace trunaccount {

class ClientDataSet;

// A record's place in the dataset's storage. It stays the same while the record
// lives, whatever the order or the filter of the view.
using RecordId = std::uint32_t;

enum class FieldKind : std::uint8_t { Text, Float, Integer };

class Field {
public:
    // Runs after a value has been stored into the field of the current record.
    using ChangeHandler = std::function<void(Field&)>;
    // Runs before a value is stored; raising an error rejects the value and the
    // field keeps its previous one. Reading the field inside gives the previous value.
    using ValidateHandler = std::function<void(Field&, const Variant& newValue)>;
    // Gives the text shown (displayText true) or put into the cell editor for a record.
    using GetTextHandler = std::function<std::string(const Field&, RecordId, bool displayText)>;

    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;
    ~Field();

    ClientDataSet& dataSet() const { return *dataSet_; }
    int index() const { return index_; }
    const std::string& name() const { return name_; }
    FieldKind kind() const { return kind_; }
    bool isText() const { return kind_ == FieldKind::Text; }
    // Declared width of a text field in GBK bytes (0: not declared). Loading
    // keeps longer texts whole; storing a new value longer than the width is
    // refused, so that what an editor hands in always fits the database column.
    int size() const { return size_; }
    // Whether a text fits the width (counted in GBK bytes, a Chinese character
    // taking two); always for number fields and fields without a width.
    bool fitsSize(std::string_view text) const;

    // The label shown in titles; the field name while none is set.
    const std::string& displayLabel() const { return label_.empty() ? name_ : label_; }
    void setDisplayLabel(std::string label);
    bool visible() const { return visible_; }
    void setVisible(bool visible);
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly);
    const std::string& displayFormat() const { return formatText_; }
    void setDisplayFormat(std::string pattern);
    const DisplayFormat& format() const { return format_; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    void setOnChange(ChangeHandler h) { onChange_ = std::move(h); }
    // Inside the change handler: what the field held before this store (so that
    // a handler can tell a real change of state from storing the same value).
    const Variant& valueBeforeChange() const { return before_; }
    // Inside the change handler: whether the store changed the value as its text
    // shows it. A number typed back as it was shown differs from the binary one
    // only beyond the fifteen significant digits its text carries.
    bool changedAsShown() const;
    void setOnValidate(ValidateHandler h) { onValidate_ = std::move(h); }
    // An empty handler removes the one installed; the stored value is then shown.
    void setOnGetText(GetTextHandler h);
    bool hasGetText() const { return static_cast<bool>(onGetText_); }

    // The value in the current record. Raise DatasetError when the dataset is
    // closed or has no current record.
    bool isNull() const;
    Variant value() const;
    std::string asString() const;
    double asFloat() const;
    std::int64_t asInteger() const;
    std::string displayText() const;
    std::string editText() const;

    // Stores a value into the current record, which must be in edit: the value is
    // converted to the field's kind (null stays null), checked against the width,
    // validated, stored, then the change handler runs. A text "" stored into a
    // number field makes it null; a text that is no finite number is refused
    // (ConversionError: "<label>必须是数字。", the value in its detail).
    void setValue(const Variant& value);
    void setAsString(std::string_view text);
    void setAsFloat(double value) { setValue(Variant(value)); }
    void clear() { setValue(Variant::null()); }

    // The value in any record, by its id (no checks beyond the id's range).
    bool isNullAt(RecordId r) const { return nulls_[r]; }
    std::string_view textAt(RecordId r) const;  // text fields only
    double floatAt(RecordId r) const;           // number fields: the number; text: 0
    std::int64_t integerAt(RecordId r) const;
    Variant valueAt(RecordId r) const;
    // Text of the value without handlers or formats (numbers in general form).
    std::string asStringAt(RecordId r) const;
    std::string displayTextAt(RecordId r) const;
    std::string editTextAt(RecordId r) const;

private:
    friend class ClientDataSet;
    Field(ClientDataSet* ds, int index, std::string name, FieldKind kind, int size);

    struct Span {
        std::uint32_t offset;
        std::uint32_t length;
    };

    // Storage, driven by the dataset.
    void clearValues();
    void reserve(std::size_t records, std::size_t textBytes);
    void appendNull();
    void appendText(std::string_view text);
    void appendNumber(double value);
    void appendInteger(std::int64_t value);
    void appendFrom(const DataPacket& packet, std::size_t row, std::size_t column);
    Variant convert(const Variant& value) const;
    void store(RecordId r, const Variant& converted);
    void compactText();
    std::size_t memoryBytes() const;
    RecordId currentRecord() const;

    ClientDataSet* dataSet_;
    int index_;
    std::string name_;
    FieldKind kind_;
    int size_;
    std::string label_;
    bool visible_ = true;
    bool readOnly_ = false;
    int tag_ = 0;
    std::string formatText_;
    DisplayFormat format_;
    ChangeHandler onChange_;
    ValidateHandler onValidate_;
    GetTextHandler onGetText_;
    Variant before_;

    // Values by record id: numbers in a vector, texts as spans of one arena
    // (a text that grows moves to the arena's end; the arena is compacted when
    // half of it is dead).
    std::vector<bool> nulls_;
    std::vector<double> floats_;
    std::vector<std::int64_t> integers_;
    std::vector<Span> spans_;
    std::string chars_;
    std::size_t deadChars_ = 0;
};

}  // namespace trunaccount
