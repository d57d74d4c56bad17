// Values exchanged with the host's coordinator: the variant and the data packet.
//
// Both sides of the plug-in boundary include this header and are built with the
// same compiler and standard library, so the types cross the boundary as they are.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace trunaccount {

class DataPacket;

// Raised when a variant is asked for a form it cannot give.
class VariantError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value forms the coordinator exchanges: empty (unassigned), null, boolean,
// integer, double, text (UTF-8), a one-dimensional array of variants with lower
// bound 0, and a data packet.
class Variant {
public:
    enum class Type : std::uint8_t { Empty, Null, Bool, Integer, Double, Text, Array, Packet };
    using Array = std::vector<Variant>;

    Variant() = default;
    Variant(bool b) : v_(b) {}
    Variant(int i) : v_(static_cast<std::int64_t>(i)) {}
    Variant(std::int64_t i) : v_(i) {}
    Variant(double d) : v_(d) {}
    Variant(std::string s) : v_(std::move(s)) {}
    Variant(std::string_view s) : v_(std::string(s)) {}
    Variant(const char* s) : v_(std::string(s)) {}
    Variant(Array a) : v_(std::move(a)) {}
    Variant(std::shared_ptr<const DataPacket> p) : v_(std::move(p)) {}

    static Variant null() {
        Variant v;
        v.v_ = NullTag{};
        return v;
    }

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isEmpty() const { return type() == Type::Empty; }
    bool isNull() const { return type() == Type::Null; }
    bool isText() const { return type() == Type::Text; }
    bool isArray() const { return type() == Type::Array; }
    bool isPacket() const { return type() == Type::Packet; }

    // Direct access; raises VariantError when the variant holds another form.
    bool asBool() const;
    std::int64_t asInteger() const;
    double asDouble() const;
    const std::string& asText() const;
    const Array& asArray() const;
    Array& asArray();
    const std::shared_ptr<const DataPacket>& asPacket() const;

    // The value's text form: empty gives "", booleans "True"/"False", numbers
    // their decimal text (doubles with up to 15 significant digits). Null, arrays
    // and packets have no text form.
    std::optional<std::string> textForm() const;
    // As textForm(), raising VariantError when there is none.
    std::string toText() const;
    // The value's own conversion to a 32-bit integer: integers in range, doubles
    // rounded half to even, booleans as -1/0, texts holding a decimal number.
    std::int32_t toInt32() const;
    // Conversion to a double: numbers, booleans, texts holding a number.
    double toDouble() const;
    // Automation boolean: non-zero numbers and true are true.
    bool isTrue() const;

    // Name of the form for messages ("Empty", "Null", "Text", ...).
    std::string_view typeName() const;

    friend bool operator==(const Variant& a, const Variant& b);

private:
    struct NullTag {
        friend bool operator==(NullTag, NullTag) { return true; }
    };
    std::variant<std::monostate, NullTag, bool, std::int64_t, double, std::string, Array,
                 std::shared_ptr<const DataPacket>>
        v_;
};

// The kind of a packet column.
enum class ColumnKind : std::uint8_t { Text, Float, Integer };

struct PacketColumn {
    std::string name;
    ColumnKind kind = ColumnKind::Text;
    // Declared width of a text column in bytes of the system code page (GBK);
    // 0 when the source declares none.
    int width = 0;
};

// A result set as the coordinator returns it: named, typed columns and rows.
// Storage is by column so that large results load quickly and compactly.
class DataPacket {
public:
    DataPacket() = default;
    explicit DataPacket(std::vector<PacketColumn> columns);

    const std::vector<PacketColumn>& columns() const { return columns_; }
    std::size_t columnCount() const { return columns_.size(); }
    std::size_t rowCount() const { return rows_; }
    // Index of the column with this name, ignoring ASCII letter case; -1 when absent.
    int columnIndex(std::string_view name) const;

    // Appending a row: call one add* per column, in column order, then endRow().
    // A value of another kind than the column's is converted (numbers to text,
    // numeric texts to numbers); raises VariantError when it cannot be.
    void addNull();
    void addText(std::string_view text);
    void addFloat(double value);
    void addInteger(std::int64_t value);
    void addValue(const Variant& value);
    void endRow();
    void reserve(std::size_t rows);

    bool isNull(std::size_t row, std::size_t col) const;
    // Text column cell (raises VariantError for other kinds).
    std::string_view text(std::size_t row, std::size_t col) const;
    double floatValue(std::size_t row, std::size_t col) const;
    std::int64_t integerValue(std::size_t row, std::size_t col) const;
    // The cell as a variant (null cells give a null variant).
    Variant value(std::size_t row, std::size_t col) const;

    friend bool operator==(const DataPacket& a, const DataPacket& b);

private:
    struct Column {
        std::vector<double> floats;
        std::vector<std::int64_t> integers;
        std::string chars;
        std::vector<std::uint32_t> ends;  // end offset of each row's text in chars
        std::vector<bool> nulls;
    };
    void checkCell(std::size_t row, std::size_t col) const;
    Column& nextColumn();

    std::vector<PacketColumn> columns_;
    std::vector<Column> data_;
    std::size_t rows_ = 0;
    std::size_t filled_ = 0;  // columns filled in the row being appended
};

}  // namespace trunaccount
