#include "dataset/client_dataset.h"

#include <algorithm>
#include <numeric>

#include "dataset/collation.h"
#include "dataset/dataset_error.h"
#include "dataset/filter_expression.h"
#include "data/text_functions.h"
#include "platform/text.h"

namespace trunaccount {

namespace {

// The names of a list "a;b;c", trimmed, empty ones left out.
std::vector<std::string_view> splitNames(std::string_view list) {
    std::vector<std::string_view> names;
    while (!list.empty()) {
        auto semi = list.find(';');
        auto name = platform::trimBlanks(list.substr(0, semi));
        if (!name.empty()) names.push_back(name);
        if (semi == std::string_view::npos) break;
        list.remove_prefix(semi + 1);
    }
    return names;
}

bool listHas(const std::vector<std::string_view>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(),
                       [&](std::string_view n) { return platform::equalsIgnoreAsciiCase(n, name); });
}

FieldKind kindOf(ColumnKind k) {
    switch (k) {
    case ColumnKind::Text: return FieldKind::Text;
    case ColumnKind::Float: return FieldKind::Float;
    case ColumnKind::Integer: return FieldKind::Integer;
    }
    return FieldKind::Text;
}

Field* findIn(const std::vector<std::unique_ptr<Field>>& fields, std::string_view name) {
    for (const auto& f : fields)
        if (platform::equalsIgnoreAsciiCase(f->name(), name)) return f.get();
    return nullptr;
}

}  // namespace

ClientDataSet::ClientDataSet(std::string name) : name_(std::move(name)) {}

ClientDataSet::~ClientDataSet() {
    auto observers = observers_;
    for (auto* o : observers) o->datasetDestroyed();
}

// ---- notification ----

template <typename F>
void ClientDataSet::notify(F&& f) {
    if (disableCount_ > 0) return;
    auto observers = observers_;  // an observer may remove itself
    for (auto* o : observers) f(*o);
}

void ClientDataSet::notifyActive(bool active) {
    notify([&](DatasetObserver& o) { o.datasetActiveChanged(active); });
}

void ClientDataSet::notifyChanged() {
    notify([](DatasetObserver& o) { o.datasetChanged(); });
}

template <typename F>
void ClientDataSet::reorderView(F&& reorder) {
    notify([](DatasetObserver& o) { o.orderAboutToChange(); });
    reorder();
    notify([](DatasetObserver& o) { o.orderChanged(); });
}

void ClientDataSet::addObserver(DatasetObserver* o) {
    if (std::find(observers_.begin(), observers_.end(), o) == observers_.end()) observers_.push_back(o);
}

void ClientDataSet::removeObserver(DatasetObserver* o) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void ClientDataSet::disableControls() {
    if (disableCount_++ == 0) activeAtDisable_ = active();
}

void ClientDataSet::enableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ > 0) return;
    if (active() != activeAtDisable_) notifyActive(active());
    notifyChanged();
}

void ClientDataSet::fieldDefinitionChanged() {
    notify([](DatasetObserver& o) { o.fieldsChanged(); });
}

// ---- fields ----

Field& ClientDataSet::addField(std::string name, FieldKind kind, int size) {
    if (active()) throw DatasetError("cannot add field '" + name + "' to the open dataset " + name_);
    if (findField(name)) throw DatasetError("duplicate field name '" + name + "'");
    if (fieldsFromPacket_) {
        fields_.clear();
        fieldsFromPacket_ = false;
    }
    fields_.push_back(std::unique_ptr<Field>(new Field(this, fieldCount(), std::move(name), kind, size)));
    return *fields_.back();
}

Field* ClientDataSet::findField(std::string_view name) const { return findIn(fields_, name); }

Field& ClientDataSet::fieldByName(std::string_view name) const {
    if (Field* f = findField(name)) return *f;
    throw DatasetError(name_.empty() ? "field '" + std::string(name) + "' not found"
                                     : name_ + ": field '" + std::string(name) + "' not found");
}

// ---- content ----

void ClientDataSet::prepareFilter(FilterExpression& expr, const std::vector<std::unique_ptr<Field>>& fields) const {
    expr.prepare([&](std::string_view n) -> const Field* { return findIn(fields, n); });
}

void ClientDataSet::loadPacket(const DataPacket& packet) {
    // Work out everything that can fail before the current content is touched.
    std::vector<std::unique_ptr<Field>> newFields;
    std::vector<int> columnOf;
    bool fromPacket = fields_.empty() || fieldsFromPacket_;
    if (fromPacket) {
        for (std::size_t c = 0; c < packet.columnCount(); ++c) {
            const auto& col = packet.columns()[c];
            if (findIn(newFields, col.name)) continue;  // a repeated name: the first column counts
            newFields.push_back(std::unique_ptr<Field>(
                new Field(this, static_cast<int>(newFields.size()), col.name, kindOf(col.kind), col.width)));
            columnOf.push_back(static_cast<int>(c));
        }
    } else {
        for (const auto& f : fields_) {
            int c = packet.columnIndex(f->name());
            if (c < 0) throw DatasetError(name_ + ": field '" + f->name() + "' not found in the data");
            columnOf.push_back(c);
        }
    }
    const auto& fields = fromPacket ? newFields : fields_;
    // Texts that must become numbers are checked before anything changes.
    for (std::size_t i = 0; i < fields.size(); ++i) {
        auto c = static_cast<std::size_t>(columnOf[i]);
        if (fields[i]->isText() || packet.columns()[c].kind != ColumnKind::Text) continue;
        for (std::size_t r = 0; r < packet.rowCount(); ++r)
            if (!packet.isNull(r, c) && !platform::trimBlanks(packet.text(r, c)).empty())
                fields[i]->convert(Variant(packet.text(r, c)));
    }
    std::unique_ptr<FilterExpression> expr;
    if (filterExpr_) {
        expr = std::make_unique<FilterExpression>(filterExpr_->text());
        prepareFilter(*expr, fields);
    }

    if (state_ == DatasetState::Edit) cancel();
    if (active()) {
        state_ = DatasetState::Inactive;
        notifyActive(false);
    }
    if (fromPacket) {
        fields_ = std::move(newFields);
        fieldsFromPacket_ = true;
    }
    filterExpr_ = std::move(expr);
    resetContent();

    std::size_t rows = packet.rowCount();
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        Field& f = *fields_[i];
        auto c = static_cast<std::size_t>(columnOf[i]);
        std::size_t bytes = 0;
        if (f.isText() && packet.columns()[c].kind == ColumnKind::Text)
            for (std::size_t r = 0; r < rows; ++r) bytes += packet.text(r, c).size();
        f.reserve(rows, bytes);
        for (std::size_t r = 0; r < rows; ++r) f.appendFrom(packet, r, c);
    }
    slots_ = rows;
    live_.assign(rows, 1);
    rowOf_.assign(rows, -1);

    state_ = DatasetState::Browse;
    if (!indexName_.empty()) {
        const IndexDef* def = findIndex(indexName_);
        try {
            sortKeys_ = def ? resolveIndex(*def) : std::vector<SortKey>{};
        } catch (const DatasetError&) {
            // An index over fields this content lacks: record order.
            sortKeys_.clear();
            indexName_.clear();
        }
    }
    sortOrder();
    evaluateFilter();
    rebuildView();
    setCursor(view_.empty() ? -1 : 0, false);
    notifyActive(true);
}

void ClientDataSet::resetContent() {
    for (auto& f : fields_) f->clearValues();
    ++generation_;
    ++dataVersion_;
    slots_ = 0;
    live_.clear();
    passes_.clear();
    order_.clear();
    view_.clear();
    rowOf_.clear();
    undo_.clear();
    editRecord_ = Bookmark::kNone;
    current_ = -1;
    bof_ = eof_ = true;
    lookups_.clear();
}

void ClientDataSet::close() {
    if (!active()) return;
    if (state_ == DatasetState::Edit) cancel();
    state_ = DatasetState::Inactive;
    resetContent();
    live_.shrink_to_fit();
    if (fieldsFromPacket_) {
        fields_.clear();
        fieldsFromPacket_ = false;
    }
    notifyActive(false);
}

void ClientDataSet::emptyDataSet() {
    checkActive();
    if (state_ == DatasetState::Edit) cancel();
    resetContent();
    notifyChanged();
}

void ClientDataSet::checkActive() const {
    if (!active()) throw DatasetError(name_.empty() ? "cannot perform this operation on a closed dataset"
                                                    : name_ + ": cannot perform this operation on a closed dataset");
}

void ClientDataSet::checkBrowseMode() {
    checkActive();
    if (state_ == DatasetState::Edit) post();
}

// ---- cursor ----

void ClientDataSet::setCursor(int row, bool notifyMove) {
    int old = current_;
    current_ = view_.empty() ? -1 : std::clamp(row, 0, recordCount() - 1);
    if (notifyMove && current_ != old) notify([&](DatasetObserver& o) { o.currentRowChanged(current_); });
}

void ClientDataSet::first() {
    checkBrowseMode();
    setCursor(0);
    bof_ = true;
    eof_ = view_.empty();
}

void ClientDataSet::last() {
    checkBrowseMode();
    setCursor(recordCount() - 1);
    eof_ = true;
    bof_ = view_.empty();
}

void ClientDataSet::next() {
    checkBrowseMode();
    if (current_ + 1 < recordCount()) {
        setCursor(current_ + 1);
        bof_ = eof_ = false;
    } else {
        eof_ = true;
    }
}

void ClientDataSet::prior() {
    checkBrowseMode();
    if (current_ > 0) {
        setCursor(current_ - 1);
        bof_ = eof_ = false;
    } else {
        bof_ = true;
    }
}

void ClientDataSet::setCurrentRow(int row) {
    checkBrowseMode();
    setCursor(row);
    bof_ = eof_ = view_.empty();
}

RecordId ClientDataSet::currentRecord() const {
    checkActive();
    if (state_ == DatasetState::Edit) return editRecord_;
    if (current_ < 0) throw DatasetError(name_.empty() ? "the dataset has no current record"
                                                       : name_ + ": the dataset has no current record");
    return view_[static_cast<std::size_t>(current_)];
}

// ---- editing ----

void ClientDataSet::edit() {
    checkActive();
    if (state_ == DatasetState::Edit) return;
    if (current_ < 0) throw DatasetError(name_ + ": cannot edit an empty dataset");
    editRecord_ = view_[static_cast<std::size_t>(current_)];
    undo_.clear();
    state_ = DatasetState::Edit;
}

void ClientDataSet::storeFieldValue(Field& f, const Variant& value) {
    checkActive();
    if (state_ != DatasetState::Edit) throw DatasetError(name_ + ": dataset not in edit mode");
    if (f.readOnly()) throw DatasetError("field '" + f.displayLabel() + "' cannot be modified");
    Variant converted = f.convert(value);
    if (f.onValidate_) f.onValidate_(f, converted);
    RecordId r = editRecord_;
    Variant before = f.valueAt(r);
    // A text wider than its field is refused, unless it is the value the record
    // already holds (a loaded text may be longer than the width).
    if (converted.isText() && !f.fitsSize(converted.asText()) && !(before.isText() && before.asText() == converted.asText()))
        throw ConversionError(f.displayLabel() + "最多可录入" + std::to_string(f.size()) + "个字节（一个汉字占两个字节）。",
                              "'" + converted.asText() + "' is wider than the " + std::to_string(f.size()) +
                                  " bytes of field '" + f.name() + "'");
    bool saved = std::any_of(undo_.begin(), undo_.end(), [&](const auto& u) { return u.first == f.index(); });
    if (!saved) undo_.emplace_back(f.index(), before);
    f.store(r, converted);
    ++dataVersion_;
    f.before_ = std::move(before);
    if (f.onChange_) f.onChange_(f);
    int row = rowOf(r);
    if (row >= 0) notify([&](DatasetObserver& o) { o.rowChanged(row); });
}

void ClientDataSet::post() {
    if (state_ != DatasetState::Edit) return;
    RecordId r = editRecord_;
    std::vector<int> changed;
    for (const auto& u : undo_) changed.push_back(u.first);
    state_ = DatasetState::Browse;
    undo_.clear();
    editRecord_ = Bookmark::kNone;

    auto touches = [&](int fieldIndex) { return std::find(changed.begin(), changed.end(), fieldIndex) != changed.end(); };
    bool reorder = std::any_of(sortKeys_.begin(), sortKeys_.end(), [&](const SortKey& k) { return touches(k.field->index()); });
    bool refilter = false;
    if (filtered_ && filterExpr_) {
        auto cols = filterExpr_->referencedColumns();
        refilter = std::any_of(cols.begin(), cols.end(), touches);
    }
    if (!reorder && !refilter) return;

    int oldRow = rowOf(r);
    auto moveRecord = [&] {
        if (reorder) {
            order_.erase(std::find(order_.begin(), order_.end(), r));
            auto at = std::lower_bound(order_.begin(), order_.end(), r,
                                       [&](RecordId a, RecordId b) { return recordLess(a, b); });
            order_.insert(at, r);
        }
        if (refilter) passes_[r] = filterExpr_->matches(r) ? 1 : 0;
        rebuildView();
        int row = rowOf(r);
        setCursor(row >= 0 ? row : oldRow, false);
    };
    if (refilter) {
        // The record may leave the view or come into it.
        moveRecord();
        notifyChanged();
    } else {
        reorderView(moveRecord);
    }
}

void ClientDataSet::cancel() {
    if (state_ != DatasetState::Edit) return;
    RecordId r = editRecord_;
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) fields_[static_cast<std::size_t>(it->first)]->store(r, it->second);
    bool any = !undo_.empty();
    undo_.clear();
    state_ = DatasetState::Browse;
    editRecord_ = Bookmark::kNone;
    if (any) {
        ++dataVersion_;
        int row = rowOf(r);
        if (row >= 0) notify([&](DatasetObserver& o) { o.rowChanged(row); });
    }
}

void ClientDataSet::deleteRecord() {
    checkActive();
    if (state_ == DatasetState::Edit) cancel();
    if (current_ < 0) throw DatasetError(name_ + ": cannot delete from an empty dataset");
    int row = current_;
    RecordId r = view_[static_cast<std::size_t>(row)];
    notify([&](DatasetObserver& o) { o.rowAboutToBeRemoved(row); });
    live_[r] = 0;
    order_.erase(std::find(order_.begin(), order_.end(), r));
    view_.erase(view_.begin() + row);
    rowOf_[r] = -1;
    for (std::size_t i = static_cast<std::size_t>(row); i < view_.size(); ++i)
        rowOf_[view_[i]] = static_cast<std::int32_t>(i);
    ++dataVersion_;
    current_ = view_.empty() ? -1 : std::min(row, recordCount() - 1);
    eof_ = bof_ = view_.empty();
    notify([&](DatasetObserver& o) { o.rowRemoved(row); });
    notify([&](DatasetObserver& o) { o.currentRowChanged(current_); });
}

// ---- bookmarks ----

Bookmark ClientDataSet::bookmark() const {
    if (!active() || current_ < 0) return {};
    return {currentRecord(), generation_};
}

bool ClientDataSet::bookmarkValid(const Bookmark& b) const {
    return active() && b.generation == generation_ && b.record < slots_ && live_[b.record];
}

void ClientDataSet::gotoBookmark(const Bookmark& b) {
    checkBrowseMode();
    int row = rowOfBookmark(b);
    if (row < 0) throw DatasetError(name_ + ": record not found");
    setCursor(row);
    bof_ = eof_ = false;
}

// ---- indexes ----

const IndexDef* ClientDataSet::findIndex(std::string_view name) const {
    for (const auto& d : indexDefs_)
        if (platform::equalsIgnoreAsciiCase(d.name, name)) return &d;
    return nullptr;
}

void ClientDataSet::addIndex(std::string name, std::string fields, unsigned options, std::string descFields,
                             std::string caseInsFields, int groupingLevel) {
    if (findIndex(name)) throw DatasetError(name_ + ": index '" + name + "' already exists");
    IndexDef def{std::move(name), std::move(fields), options, std::move(descFields), std::move(caseInsFields),
                 groupingLevel};
    if (!fields_.empty()) resolveIndex(def);  // refuse unknown fields at once
    indexDefs_.push_back(std::move(def));
}

void ClientDataSet::deleteIndex(std::string_view name) {
    auto it = std::find_if(indexDefs_.begin(), indexDefs_.end(),
                           [&](const IndexDef& d) { return platform::equalsIgnoreAsciiCase(d.name, name); });
    if (it == indexDefs_.end()) throw DatasetError(name_ + ": index '" + std::string(name) + "' not found");
    bool current = platform::equalsIgnoreAsciiCase(indexName_, name);
    indexDefs_.erase(it);
    if (current) setIndexName({});
}

std::vector<ClientDataSet::SortKey> ClientDataSet::resolveIndex(const IndexDef& def) const {
    auto names = splitNames(def.fields);
    auto desc = splitNames(def.descFields);
    auto caseIns = splitNames(def.caseInsFields);
    std::vector<SortKey> keys;
    for (auto n : names) {
        const Field* f = findField(n);
        if (!f) throw DatasetError(name_ + ": field '" + std::string(n) + "' not found");
        keys.push_back({f, (def.options & ixDescending) != 0 || listHas(desc, n),
                        (def.options & ixCaseInsensitive) != 0 || listHas(caseIns, n)});
    }
    for (auto n : desc)
        if (!listHas(names, n)) throw DatasetError(name_ + ": field '" + std::string(n) + "' is not in the index");
    return keys;
}

// Collation keys of one text field for every record, prepared once per sort.
struct ClientDataSet::PreparedKeys {
    std::string arena;
    std::vector<std::uint32_t> ends;  // by record: end of its key in arena
    std::string_view key(RecordId r) const {
        std::uint32_t begin = r == 0 ? 0 : ends[r - 1];
        return std::string_view(arena).substr(begin, ends[r] - begin);
    }
};

bool ClientDataSet::recordLess(RecordId a, RecordId b, const std::vector<PreparedKeys>* prepared) const {
    for (std::size_t i = 0; i < sortKeys_.size(); ++i) {
        const SortKey& k = sortKeys_[i];
        const Field& f = *k.field;
        bool an = f.isNullAt(a);
        bool bn = f.isNullAt(b);
        int c;
        if (an || bn) {
            c = an == bn ? 0 : (an ? -1 : 1);
        } else if (f.isText()) {
            c = prepared ? (*prepared)[i].key(a).compare((*prepared)[i].key(b))
                         : compareText(f.textAt(a), f.textAt(b), k.caseInsensitive);
        } else if (f.kind() == FieldKind::Integer) {
            auto x = f.integerAt(a), y = f.integerAt(b);
            c = x < y ? -1 : (y < x ? 1 : 0);
        } else {
            double x = f.floatAt(a), y = f.floatAt(b);
            c = x < y ? -1 : (y < x ? 1 : 0);
        }
        if (c != 0) return k.descending ? c > 0 : c < 0;
    }
    return a < b;  // equal keys keep record order
}

void ClientDataSet::sortOrder() {
    order_.clear();
    order_.reserve(slots_);
    for (RecordId r = 0; r < slots_; ++r)
        if (live_[r]) order_.push_back(r);
    if (sortKeys_.empty()) return;
    std::vector<PreparedKeys> prepared(sortKeys_.size());
    for (std::size_t i = 0; i < sortKeys_.size(); ++i) {
        const Field& f = *sortKeys_[i].field;
        if (!f.isText()) continue;
        PreparedKeys& p = prepared[i];
        p.ends.resize(slots_);
        for (RecordId r = 0; r < slots_; ++r) {
            if (live_[r] && !f.isNullAt(r)) appendCollationKey(p.arena, f.textAt(r), sortKeys_[i].caseInsensitive);
            p.ends[r] = static_cast<std::uint32_t>(p.arena.size());
        }
    }
    std::sort(order_.begin(), order_.end(), [&](RecordId a, RecordId b) { return recordLess(a, b, &prepared); });
}

void ClientDataSet::setIndexName(std::string name) {
    std::vector<SortKey> keys;
    if (!name.empty()) {
        const IndexDef* def = findIndex(name);
        if (!def) throw DatasetError(name_ + ": index '" + name + "' not found");
        if (active()) keys = resolveIndex(*def);
    }
    if (active()) checkBrowseMode();
    indexName_ = std::move(name);
    sortKeys_ = std::move(keys);
    if (!active()) return;
    RecordId keep = current_ >= 0 ? view_[static_cast<std::size_t>(current_)] : Bookmark::kNone;
    reorderView([&] {
        sortOrder();
        rebuildView();
        setCursor(keep != Bookmark::kNone ? rowOf(keep) : 0, false);
    });
}

// ---- filter ----

void ClientDataSet::evaluateFilter() {
    passes_.assign(slots_, 1);
    if (!filtered_ || !filterExpr_) return;
    for (RecordId r = 0; r < slots_; ++r)
        if (live_[r]) passes_[r] = filterExpr_->matches(r) ? 1 : 0;
}

void ClientDataSet::rebuildView() {
    for (RecordId r : view_) rowOf_[r] = -1;
    view_.clear();
    view_.reserve(order_.size());
    for (RecordId r : order_)
        if (passes_[r]) {
            rowOf_[r] = static_cast<std::int32_t>(view_.size());
            view_.push_back(r);
        }
}

void ClientDataSet::setFilter(std::string text) {
    std::unique_ptr<FilterExpression> expr;
    if (!platform::trimBlanks(text).empty()) {
        expr = std::make_unique<FilterExpression>(text);
        if (!fields_.empty()) prepareFilter(*expr, fields_);
    }
    if (active()) checkBrowseMode();
    filterText_ = std::move(text);
    filterExpr_ = std::move(expr);
    if (filtered_ && active()) {
        evaluateFilter();
        rebuildView();
        first();
        notifyChanged();
    }
}

void ClientDataSet::setFiltered(bool on) {
    if (on == filtered_) return;
    // Without fields (they come with the first packet) the condition is bound at loading.
    if (on && filterExpr_ && !filterExpr_->prepared() && !fields_.empty()) prepareFilter(*filterExpr_, fields_);
    if (active()) checkBrowseMode();
    filtered_ = on;
    if (!active()) return;
    evaluateFilter();
    rebuildView();
    first();
    notifyChanged();
}

std::vector<RecordId> ClientDataSet::recordsMatching(std::string_view condition) const {
    std::vector<RecordId> records;
    if (!active()) return records;
    std::unique_ptr<FilterExpression> expr;
    if (!platform::trimBlanks(condition).empty()) {
        expr = std::make_unique<FilterExpression>(condition);
        prepareFilter(*expr, fields_);
    }
    for (RecordId r : order_)
        if (!expr || expr->matches(r)) records.push_back(r);
    return records;
}

// ---- lookups ----

bool ClientDataSet::locate(std::string_view fieldName, std::string_view text) {
    checkBrowseMode();
    const Field& f = fieldByName(fieldName);
    for (std::size_t i = 0; i < view_.size(); ++i) {
        RecordId r = view_[i];
        if (!f.isNullAt(r) && (f.isText() ? f.textAt(r) == text : f.asStringAt(r) == text)) {
            setCursor(static_cast<int>(i));
            bof_ = eof_ = false;
            return true;
        }
    }
    return false;
}

std::optional<std::string> ClientDataSet::lookup(std::string_view keyField, std::string_view key,
                                                 std::string_view resultField) const {
    if (!active()) return std::nullopt;
    const Field& k = fieldByName(keyField);
    const Field& result = fieldByName(resultField);
    LookupIndex& index = lookups_[k.index()];
    if (index.version != dataVersion_) {
        index.firstByKey.clear();
        for (RecordId r : order_)
            if (!k.isNullAt(r)) index.firstByKey.emplace(k.asStringAt(r), r);
        index.version = dataVersion_;
    }
    auto it = index.firstByKey.find(std::string(key));
    if (it == index.firstByKey.end()) return std::nullopt;
    return result.asStringAt(it->second);
}

std::size_t ClientDataSet::memoryBytes() const {
    std::size_t n = live_.capacity() + passes_.capacity() + (order_.capacity() + view_.capacity()) * sizeof(RecordId) +
                    rowOf_.capacity() * sizeof(std::int32_t);
    for (const auto& f : fields_) n += f->memoryBytes();
    return n;
}

}  // namespace trunaccount
