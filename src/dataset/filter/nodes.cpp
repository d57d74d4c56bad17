#include "dataset/filter/nodes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "dataset/collation.h"
#include "dataset/dataset_error.h"
#include "platform/text.h"

namespace trunaccount::filter {

namespace {

const char* opText(CompareOp op) {
    switch (op) {
    case CompareOp::Equal: return "=";
    case CompareOp::NotEqual: return "<>";
    case CompareOp::Less: return "<";
    case CompareOp::LessEqual: return "<=";
    case CompareOp::Greater: return ">";
    case CompareOp::GreaterEqual: return ">=";
    }
    return "?";
}

CompareMode decideMode(const ValueNode& a, const ValueNode& b) {
    bool aNumber = a.type() == ValueType::Number;
    bool bNumber = b.type() == ValueType::Number;
    if (!aNumber && !bNumber) return CompareMode::Text;
    if (aNumber && bNumber) return CompareMode::Number;
    const ValueNode& textSide = aNumber ? b : a;
    const ValueNode& numberSide = aNumber ? a : b;
    if (dynamic_cast<const TextLiteral*>(&textSide)) {
        textSide.requireNumber();
        return CompareMode::Number;
    }
    if (dynamic_cast<const NumberLiteral*>(&numberSide)) return CompareMode::Text;
    throw FilterError("cannot compare " + textSide.dump() + " (text) with " + numberSide.dump() + " (number)",
                      textSide.position());
}

int compareValues(const ValueNode& a, const ValueNode& b, CompareMode mode, RecordId r) {
    bool aNull = a.isNull(r);
    bool bNull = b.isNull(r);
    if (aNull || bNull) return aNull == bNull ? 0 : (aNull ? -1 : 1);
    if (mode == CompareMode::Number) {
        double x = a.number(r);
        double y = b.number(r);
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    std::string sa, sb;
    return compareText(a.text(r, sa), b.text(r, sb), false);
}

bool equalValues(const ValueNode& a, const ValueNode& b, CompareMode mode, RecordId r) {
    if (mode == CompareMode::Number) return compareValues(a, b, mode, r) == 0;
    bool aNull = a.isNull(r);
    bool bNull = b.isNull(r);
    if (aNull || bNull) return aNull == bNull;
    std::string sa, sb;
    return a.text(r, sa) == b.text(r, sb);
}

void collect(std::vector<int>& out, const ValueNode& v) { v.referencedColumns(out); }

}  // namespace

void FieldNode::prepare(const FieldResolver& resolve) {
    field_ = resolve(name_);
    if (!field_) throw FilterError("unknown field '" + name_ + "'", position());
}

void FieldNode::referencedColumns(std::vector<int>& out) const {
    if (field_) out.push_back(field_->index());
}

ValueType FieldNode::type() const { return field_->isText() ? ValueType::Text : ValueType::Number; }

void FieldNode::requireNumber() const {
    if (field_->isText()) throw FilterError("field '" + name_ + "' holds texts, not numbers", position());
}

std::string_view FieldNode::text(RecordId r, std::string& scratch) const {
    if (field_->isText()) return field_->textAt(r);
    scratch = field_->asStringAt(r);
    return scratch;
}

std::string TextLiteral::dump() const {
    std::string s = "'";
    for (char c : value_) {
        s += c;
        if (c == '\'') s += '\'';
    }
    return s + "'";
}

void TextLiteral::requireNumber() const {
    std::string_view s = platform::trimBlanks(value_);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double d = 0;
    auto [p, ec] = s.empty() ? std::from_chars_result{s.data(), std::errc::invalid_argument}
                             : std::from_chars(s.data(), s.data() + s.size(), d);
    if (ec != std::errc() || p != s.data() + s.size())
        throw FilterError("'" + value_ + "' is not a number", position(), "“" + value_ + "”不是数字");
    number_ = d;
}

void Comparison::prepare(const FieldResolver& resolve) {
    lhs_->prepare(resolve);
    rhs_->prepare(resolve);
    mode_ = decideMode(*lhs_, *rhs_);
}

void Comparison::referencedColumns(std::vector<int>& out) const {
    collect(out, *lhs_);
    collect(out, *rhs_);
}

std::string Comparison::dump() const {
    return std::string("(") + opText(op_) + " " + lhs_->dump() + " " + rhs_->dump() + ")";
}

bool Comparison::eval(RecordId r) const {
    switch (op_) {
    case CompareOp::Equal: return equalValues(*lhs_, *rhs_, mode_, r);
    case CompareOp::NotEqual: return !equalValues(*lhs_, *rhs_, mode_, r);
    case CompareOp::Less: return compareValues(*lhs_, *rhs_, mode_, r) < 0;
    case CompareOp::LessEqual: return compareValues(*lhs_, *rhs_, mode_, r) <= 0;
    case CompareOp::Greater: return compareValues(*lhs_, *rhs_, mode_, r) > 0;
    case CompareOp::GreaterEqual: return compareValues(*lhs_, *rhs_, mode_, r) >= 0;
    }
    return false;
}

const FieldNode* Comparison::fieldSide() const {
    auto isLiteral = [](const ValueNode& v) {
        return dynamic_cast<const TextLiteral*>(&v) || dynamic_cast<const NumberLiteral*>(&v);
    };
    if (auto* f = dynamic_cast<const FieldNode*>(lhs_.get()); f && f->field() && isLiteral(*rhs_)) return f;
    if (auto* f = dynamic_cast<const FieldNode*>(rhs_.get()); f && f->field() && isLiteral(*lhs_)) return f;
    return nullptr;
}

const ValueNode* Comparison::literalSide() const {
    const FieldNode* f = fieldSide();
    if (!f) return nullptr;
    return f == lhs_.get() ? rhs_.get() : lhs_.get();
}

void Like::prepare(const FieldResolver& resolve) {
    value_->prepare(resolve);
    pattern_->prepare(resolve);
}

void Like::referencedColumns(std::vector<int>& out) const {
    collect(out, *value_);
    collect(out, *pattern_);
}

std::string Like::dump() const {
    return std::string(negated_ ? "(not-like " : "(like ") + value_->dump() + " " + pattern_->dump() + ")";
}

bool Like::eval(RecordId r) const {
    if (value_->isNull(r) || pattern_->isNull(r)) return negated_;
    std::string sv, sp;
    return likeMatch(value_->text(r, sv), pattern_->text(r, sp)) != negated_;
}

void Between::prepare(const FieldResolver& resolve) {
    value_->prepare(resolve);
    low_->prepare(resolve);
    high_->prepare(resolve);
    lowMode_ = decideMode(*value_, *low_);
    highMode_ = decideMode(*value_, *high_);
}

void Between::referencedColumns(std::vector<int>& out) const {
    collect(out, *value_);
    collect(out, *low_);
    collect(out, *high_);
}

std::string Between::dump() const {
    return std::string(negated_ ? "(not-between " : "(between ") + value_->dump() + " " + low_->dump() + " " +
           high_->dump() + ")";
}

bool Between::eval(RecordId r) const {
    // A null value lies in no range.
    bool inside = !value_->isNull(r) && compareValues(*value_, *low_, lowMode_, r) >= 0 &&
                  compareValues(*value_, *high_, highMode_, r) <= 0;
    return inside != negated_;
}

void Logical::prepare(const FieldResolver& resolve) {
    for (auto& o : operands_) o->prepare(resolve);
    gatherValueSets();
}

void Logical::gatherValueSets() {
    const ValueSet::Kind setKind = kind_ == Kind::And ? ValueSet::Kind::NotIn : ValueSet::Kind::In;
    // Operands that can join a set, by field and compare mode, in operand order.
    std::map<std::pair<const Field*, CompareMode>, std::vector<std::size_t>> runs;
    for (std::size_t i = 0; i < operands_.size(); ++i) {
        auto* c = dynamic_cast<Comparison*>(operands_[i].get());
        if (c && ValueSet::accepts(setKind, *c)) runs[{c->fieldSide()->field(), c->mode()}].push_back(i);
    }
    bool gathered = false;
    for (auto& [key, members] : runs) {
        if (members.size() < kMinSetTerms) continue;
        std::vector<std::unique_ptr<Comparison>> terms;
        terms.reserve(members.size());
        for (std::size_t i : members)
            terms.emplace_back(static_cast<Comparison*>(operands_[i].release()));
        // The set takes the place of the run's first term; the conditions are
        // free of side effects, so the order of testing changes nothing.
        std::size_t at = terms.front()->position();
        operands_[members.front()] = std::make_unique<ValueSet>(setKind, std::move(terms), at);
        gathered = true;
    }
    if (gathered)
        operands_.erase(std::remove(operands_.begin(), operands_.end(), nullptr), operands_.end());
}

void Logical::referencedColumns(std::vector<int>& out) const {
    for (const auto& o : operands_) o->referencedColumns(out);
}

std::string Logical::dump() const {
    std::string s = kind_ == Kind::And ? "(and" : "(or";
    for (const auto& o : operands_) s += " " + o->dump();
    return s + ")";
}

bool Logical::eval(RecordId r) const {
    if (kind_ == Kind::And) {
        for (const auto& o : operands_)
            if (!o->eval(r)) return false;
        return true;
    }
    for (const auto& o : operands_)
        if (o->eval(r)) return true;
    return false;
}

ValueSet::ValueSet(Kind kind, std::vector<std::unique_ptr<Comparison>> terms, std::size_t position)
    : ConditionNode(position), kind_(kind), terms_(std::move(terms)) {
    build();
}

bool ValueSet::accepts(Kind kind, const Comparison& c) {
    if (c.op() != (kind == Kind::In ? CompareOp::Equal : CompareOp::NotEqual)) return false;
    const ValueNode* literal = c.literalSide();
    if (!literal) return false;
    // A literal that is not a number (NaN) equals everything in the comparison's
    // own arithmetic; it stays a term of its own.
    return c.mode() == CompareMode::Text || !std::isnan(literal->number(0));
}

void ValueSet::prepare(const FieldResolver& resolve) {
    for (auto& t : terms_) t->prepare(resolve);
    build();
}

void ValueSet::build() {
    texts_.clear();
    numbers_.clear();
    const Comparison& first = *terms_.front();
    field_ = first.fieldSide();
    mode_ = first.mode();
    asChain_ = false;
    for (const auto& t : terms_)
        if (!field_ || !accepts(kind_, *t) || t->fieldSide()->field() != field_->field() || t->mode() != mode_)
            asChain_ = true;
    if (asChain_) return;
    std::string scratch;
    for (const auto& t : terms_) {
        const ValueNode* literal = t->literalSide();
        if (mode_ == CompareMode::Number) {
            double x = literal->number(0);
            numbers_.insert(x == 0 ? 0.0 : x);  // -0 equals 0
        } else {
            texts_.emplace(literal->text(0, scratch));
        }
    }
}

void ValueSet::referencedColumns(std::vector<int>& out) const {
    for (const auto& t : terms_) t->referencedColumns(out);
}

std::string ValueSet::dump() const {
    std::string s = kind_ == Kind::In ? "(in" : "(not-in";
    if (field_) s += " " + field_->dump();
    for (const auto& t : terms_) s += " " + (t->literalSide() ? t->literalSide()->dump() : t->dump());
    return s + ")";
}

bool ValueSet::eval(RecordId r) const {
    if (asChain_) {
        for (const auto& t : terms_)
            if (t->eval(r) != (kind_ == Kind::NotIn)) return kind_ == Kind::In;
        return kind_ == Kind::NotIn;
    }
    if (field_->isNull(r)) return kind_ == Kind::NotIn;
    bool found;
    if (mode_ == CompareMode::Number) {
        double x = field_->number(r);
        // NaN compares equal to every literal.
        if (std::isnan(x)) return kind_ == Kind::In;
        found = numbers_.count(x == 0 ? 0.0 : x) > 0;
    } else {
        std::string scratch;
        found = texts_.find(field_->text(r, scratch)) != texts_.end();
    }
    return found == (kind_ == Kind::In);
}

bool likeMatch(std::string_view text, std::string_view pattern) {
    auto firstWild = pattern.find('%');
    if (firstWild == std::string_view::npos) return text == pattern;
    // Fixed head and tail, then every middle piece found left to right in what
    // lies between them.
    std::string_view head = pattern.substr(0, firstWild);
    auto lastWild = pattern.rfind('%');
    std::string_view tail = pattern.substr(lastWild + 1);
    if (text.size() < head.size() + tail.size()) return false;
    if (text.substr(0, head.size()) != head) return false;
    if (text.substr(text.size() - tail.size()) != tail) return false;
    std::string_view rest = text.substr(head.size(), text.size() - head.size() - tail.size());
    std::string_view middle = pattern.substr(firstWild + 1, lastWild - firstWild);
    while (!middle.empty()) {
        auto wild = middle.find('%');
        std::string_view piece = middle.substr(0, wild);
        if (!piece.empty()) {
            auto at = rest.find(piece);
            if (at == std::string_view::npos) return false;
            rest.remove_prefix(at + piece.size());
        }
        if (wild == std::string_view::npos) break;
        middle.remove_prefix(wild + 1);
    }
    return true;
}

}  // namespace trunaccount::filter
