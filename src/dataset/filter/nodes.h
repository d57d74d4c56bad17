// The syntax tree of a filter condition. Parsing builds it; prepare() binds the
// field names to the dataset's fields and fixes how each comparison compares
// (as numbers or as texts), raising FilterError for what cannot work; eval()
// then tests one record without allocating.
//
// Comparison rules: a number field or number compared with a quoted text
// compares numerically, the text must then hold a number; two texts compare in
// the dataset's text order; a text field compared with an unquoted number
// compares with the number as written. A null value comes before every other
// value, as in the dataset's indexes: it equals nothing but null, is unequal to
// every value, and never matches LIKE.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "dataset/field.h"

namespace trunaccount::filter {

using FieldResolver = std::function<const Field*(std::string_view name)>;

enum class ValueType { Text, Number };

class Node {
public:
    explicit Node(std::size_t position) : position_(position) {}
    virtual ~Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Character position (from 1) of the node's first token in the filter text.
    std::size_t position() const { return position_; }
    virtual void prepare(const FieldResolver& resolve) = 0;
    // Indexes of the fields the node reads (after prepare).
    virtual void referencedColumns(std::vector<int>& out) const = 0;
    // The tree in prefix notation, for tests and diagnostics.
    virtual std::string dump() const = 0;

private:
    std::size_t position_;
};

class ValueNode : public Node {
public:
    using Node::Node;
    virtual ValueType type() const = 0;
    // Makes the value usable as a number; raises FilterError when it cannot be.
    virtual void requireNumber() const {}
    virtual bool isNull(RecordId r) const = 0;
    virtual double number(RecordId r) const = 0;
    // The value as text; `scratch` holds it when it has to be made.
    virtual std::string_view text(RecordId r, std::string& scratch) const = 0;
};

class ConditionNode : public Node {
public:
    using Node::Node;
    virtual bool eval(RecordId r) const = 0;
};

using ValuePtr = std::unique_ptr<ValueNode>;
using ConditionPtr = std::unique_ptr<ConditionNode>;

class FieldNode : public ValueNode {
public:
    FieldNode(std::string name, std::size_t position) : ValueNode(position), name_(std::move(name)) {}
    void prepare(const FieldResolver& resolve) override;
    void referencedColumns(std::vector<int>& out) const override;
    std::string dump() const override { return name_; }
    ValueType type() const override;
    void requireNumber() const override;
    bool isNull(RecordId r) const override { return field_->isNullAt(r); }
    double number(RecordId r) const override { return field_->floatAt(r); }
    std::string_view text(RecordId r, std::string& scratch) const override;
    const Field* field() const { return field_; }

private:
    std::string name_;
    const Field* field_ = nullptr;
};

class TextLiteral : public ValueNode {
public:
    TextLiteral(std::string value, std::size_t position) : ValueNode(position), value_(std::move(value)) {}
    void prepare(const FieldResolver&) override {}
    void referencedColumns(std::vector<int>&) const override {}
    std::string dump() const override;
    ValueType type() const override { return ValueType::Text; }
    void requireNumber() const override;
    bool isNull(RecordId) const override { return false; }
    double number(RecordId) const override { return number_; }
    std::string_view text(RecordId, std::string&) const override { return value_; }
    const std::string& value() const { return value_; }

private:
    std::string value_;
    mutable double number_ = 0;
};

class NumberLiteral : public ValueNode {
public:
    NumberLiteral(double value, std::string spelling, std::size_t position)
        : ValueNode(position), value_(value), spelling_(std::move(spelling)) {}
    void prepare(const FieldResolver&) override {}
    void referencedColumns(std::vector<int>&) const override {}
    std::string dump() const override { return spelling_; }
    ValueType type() const override { return ValueType::Number; }
    bool isNull(RecordId) const override { return false; }
    double number(RecordId) const override { return value_; }
    std::string_view text(RecordId, std::string&) const override { return spelling_; }

private:
    double value_;
    std::string spelling_;
};

enum class CompareOp { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

// How two values compare: as numbers or as texts; decided in prepare.
enum class CompareMode { Number, Text };

class Comparison : public ConditionNode {
public:
    Comparison(CompareOp op, ValuePtr lhs, ValuePtr rhs, std::size_t position)
        : ConditionNode(position), op_(op), lhs_(std::move(lhs)), rhs_(std::move(rhs)) {}
    void prepare(const FieldResolver& resolve) override;
    void referencedColumns(std::vector<int>& out) const override;
    std::string dump() const override;
    bool eval(RecordId r) const override;

    CompareOp op() const { return op_; }
    CompareMode mode() const { return mode_; }
    // After prepare: the field compared with a literal (field = 'x', 3 <> field),
    // or null when the comparison has another shape.
    const FieldNode* fieldSide() const;
    const ValueNode* literalSide() const;

private:
    CompareOp op_;
    ValuePtr lhs_, rhs_;
    CompareMode mode_ = CompareMode::Text;
};

class Like : public ConditionNode {
public:
    Like(ValuePtr value, ValuePtr pattern, bool negated, std::size_t position)
        : ConditionNode(position), value_(std::move(value)), pattern_(std::move(pattern)), negated_(negated) {}
    void prepare(const FieldResolver& resolve) override;
    void referencedColumns(std::vector<int>& out) const override;
    std::string dump() const override;
    bool eval(RecordId r) const override;

private:
    ValuePtr value_, pattern_;
    bool negated_;
};

class Between : public ConditionNode {
public:
    Between(ValuePtr value, ValuePtr low, ValuePtr high, bool negated, std::size_t position)
        : ConditionNode(position),
          value_(std::move(value)),
          low_(std::move(low)),
          high_(std::move(high)),
          negated_(negated) {}
    void prepare(const FieldResolver& resolve) override;
    void referencedColumns(std::vector<int>& out) const override;
    std::string dump() const override;
    bool eval(RecordId r) const override;

private:
    ValuePtr value_, low_, high_;
    bool negated_;
    CompareMode lowMode_ = CompareMode::Text, highMode_ = CompareMode::Text;
};

// AND or OR over any number of conditions, evaluated left to right with the
// usual short cut. Preparing gathers a long run of comparisons of one field
// with literals, joined by the same word (f <> 'a' AND f <> 'b' AND ..., or
// f = 'a' OR f = 'b' OR ...), into one ValueSet, so that such a chain costs one
// lookup per record instead of one comparison per term.
class Logical : public ConditionNode {
public:
    enum class Kind { And, Or };
    // Runs shorter than this stay as they are.
    static constexpr std::size_t kMinSetTerms = 8;

    Logical(Kind kind, std::vector<ConditionPtr> operands, std::size_t position)
        : ConditionNode(position), kind_(kind), operands_(std::move(operands)) {}
    void prepare(const FieldResolver& resolve) override;
    void referencedColumns(std::vector<int>& out) const override;
    std::string dump() const override;
    bool eval(RecordId r) const override;

private:
    void gatherValueSets();

    Kind kind_;
    std::vector<ConditionPtr> operands_;
};

// Comparisons of one field with literals, all = joined by OR (kind In: the
// value is one of the literals) or all <> joined by AND (kind NotIn: it is none
// of them), tested with one hash lookup. The meaning is that of the chain, nulls
// included: a null equals no literal, so it is in no set and outside every one.
class ValueSet : public ConditionNode {
public:
    enum class Kind { In, NotIn };
    // `terms` are prepared comparisons of one field, in one compare mode, with
    // the operator of the kind (see accepts()).
    ValueSet(Kind kind, std::vector<std::unique_ptr<Comparison>> terms, std::size_t position);
    // True when `c` (prepared) can be a term of a set of this kind.
    static bool accepts(Kind kind, const Comparison& c);

    void prepare(const FieldResolver& resolve) override;
    void referencedColumns(std::vector<int>& out) const override;
    std::string dump() const override;
    bool eval(RecordId r) const override;

private:
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    void build();

    Kind kind_;
    std::vector<std::unique_ptr<Comparison>> terms_;
    const FieldNode* field_ = nullptr;
    CompareMode mode_ = CompareMode::Text;
    bool asChain_ = false;  // the terms no longer share a field and mode: tested one by one
    std::unordered_set<std::string, TextHash, std::equal_to<>> texts_;
    std::unordered_set<double> numbers_;
};

class Not : public ConditionNode {
public:
    Not(ConditionPtr operand, std::size_t position) : ConditionNode(position), operand_(std::move(operand)) {}
    void prepare(const FieldResolver& resolve) override { operand_->prepare(resolve); }
    void referencedColumns(std::vector<int>& out) const override { operand_->referencedColumns(out); }
    std::string dump() const override { return "(not " + operand_->dump() + ")"; }
    bool eval(RecordId r) const override { return !operand_->eval(r); }

private:
    ConditionPtr operand_;
};

// True when `text` matches `pattern`, where '%' stands for any run of
// characters (also none) and every other character for itself.
bool likeMatch(std::string_view text, std::string_view pattern);

}  // namespace trunaccount::filter
