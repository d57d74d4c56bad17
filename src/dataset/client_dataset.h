// The in-memory client dataset: a table of records loaded from a data packet,
// with persistent or packet-made fields, a cursor, edit/post/cancel, deletion,
// bookmarks, named indexes, a filter condition, and notification of the
// controls bound to it (which can be suspended).
//
// Records keep their id for as long as they live; the view is the list of the
// live records that pass the filter, in the order of the current index. Rows
// are positions in the view, from 0.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dataset/field.h"
#include "trunaccount/variant.h"

namespace trunaccount {

class FilterExpression;

// A record remembered across sorting and filtering. A bookmark from an earlier
// content of the dataset (before a reload or emptying) is no longer valid.
struct Bookmark {
    static constexpr RecordId kNone = 0xFFFFFFFFu;
    RecordId record = kNone;
    std::uint32_t generation = 0;
    friend bool operator==(const Bookmark&, const Bookmark&) = default;
};

struct BookmarkHash {
    std::size_t operator()(const Bookmark& b) const {
        return std::hash<std::uint64_t>()((static_cast<std::uint64_t>(b.generation) << 32) | b.record);
    }
};

// What the controls bound to a dataset are told. While the dataset's controls
// are suspended nothing is told; resuming tells datasetChanged once (and
// datasetActiveChanged first when the dataset was opened or closed meanwhile).
class DatasetObserver {
public:
    virtual ~DatasetObserver() = default;
    virtual void datasetActiveChanged(bool active) {}
    // Rows, their order, the filter or everything else may have changed.
    virtual void datasetChanged() {}
    // The same rows are about to take another order (a new index, a posted
    // record moving to its place); orderChanged follows once they have. The
    // records stay: an observer can remember them by record before and find
    // their new rows after. An observer that does not care for the difference
    // takes it as any change.
    virtual void orderAboutToChange() {}
    virtual void orderChanged() { datasetChanged(); }
    // A value of the record at this row changed.
    virtual void rowChanged(int row) {}
    virtual void rowAboutToBeRemoved(int row) {}
    virtual void rowRemoved(int row) {}
    virtual void currentRowChanged(int row) {}
    // A field's label, visibility, read-only state, format or text handler changed.
    virtual void fieldsChanged() {}
    // The dataset is being destroyed; the observer must forget it.
    virtual void datasetDestroyed() {}
};

enum class DatasetState : std::uint8_t { Inactive, Browse, Edit };

// Index options, combined with |.
enum IndexOption : unsigned {
    ixPrimary = 0x1,
    ixUnique = 0x2,
    ixDescending = 0x4,        // every field descending
    ixCaseInsensitive = 0x8,   // every text field ignores ASCII letter case
};

struct IndexDef {
    std::string name;
    std::string fields;         // "f_Djh;f_hsje"
    unsigned options = 0;
    std::string descFields;     // fields sorted descending
    std::string caseInsFields;  // text fields that ignore letter case
    int groupingLevel = 0;
};

class ClientDataSet {
public:
    explicit ClientDataSet(std::string name = {});
    ~ClientDataSet();
    ClientDataSet(const ClientDataSet&) = delete;
    ClientDataSet& operator=(const ClientDataSet&) = delete;

    const std::string& name() const { return name_; }

    // ---- Fields ----
    // Defines a persistent field (dataset closed). Loading a packet fills the
    // persistent fields from the columns of the same names, ignoring letter case;
    // a dataset without persistent fields makes one field per packet column.
    Field& addField(std::string name, FieldKind kind, int size = 0);
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    Field& field(int index) const { return *fields_.at(static_cast<std::size_t>(index)); }
    Field* findField(std::string_view name) const;
    // Raises DatasetError when there is no such field.
    Field& fieldByName(std::string_view name) const;

    // ---- Content ----
    // Replaces the content with the packet's rows and opens the dataset on its
    // first row, sorted by the current index and filtered by the filter. Texts
    // longer than their field's width are kept whole. When a persistent field has
    // no column in the packet, or the filter does not fit the packet's fields,
    // raises DatasetError and leaves the dataset as it was.
    void loadPacket(const DataPacket& packet);
    void close();
    // Removes every record; the dataset stays open.
    void emptyDataSet();
    bool active() const { return state_ != DatasetState::Inactive; }
    DatasetState state() const { return state_; }
    bool isEmpty() const { return view_.empty(); }
    // Rows in the view.
    int recordCount() const { return static_cast<int>(view_.size()); }
    // Rows held, also those the filter hides.
    int heldRecordCount() const { return static_cast<int>(order_.size()); }

    // ---- Cursor ----
    // The current row, -1 when the view is empty.
    int currentRow() const { return current_; }
    void first();
    void last();
    void next();
    void prior();
    // Makes `row` current (clamped to the view). Posts a pending edit first, as
    // every move does.
    void setCurrentRow(int row);
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    RecordId currentRecord() const;
    RecordId recordAt(int row) const { return view_[static_cast<std::size_t>(row)]; }
    // Row of a record in the view, -1 when it is not there.
    int rowOf(RecordId r) const { return r < rowOf_.size() ? rowOf_[r] : -1; }

    // ---- Editing ----
    // Puts the current record in edit; fields can then be stored into.
    void edit();
    // Ends the edit. A record whose new values move it in the index or out of
    // the filter takes its new place in the view; the cursor follows it.
    void post();
    // Ends the edit and gives every field stored since edit() its earlier value.
    void cancel();
    // Removes the current record (an edit is cancelled first); the row after it
    // becomes current, or the new last row.
    void deleteRecord();

    // ---- Bookmarks ----
    Bookmark bookmark() const;
    Bookmark bookmarkAt(int row) const { return {recordAt(row), generation_}; }
    bool bookmarkValid(const Bookmark& b) const;
    int rowOfBookmark(const Bookmark& b) const { return bookmarkValid(b) ? rowOf(b.record) : -1; }
    // Raises DatasetError when the record is gone or not in the view.
    void gotoBookmark(const Bookmark& b);

    // ---- Bound controls ----
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disableCount_ > 0; }
    void addObserver(DatasetObserver* o);
    void removeObserver(DatasetObserver* o);

    // ---- Indexes ----
    // The definitions are always current; refreshing is kept for callers that
    // refresh before they look.
    void updateIndexDefs() {}
    const std::vector<IndexDef>& indexDefs() const { return indexDefs_; }
    const IndexDef* findIndex(std::string_view name) const;
    void addIndex(std::string name, std::string fields, unsigned options, std::string descFields = {},
                  std::string caseInsFields = {}, int groupingLevel = 0);
    // Removing the current index returns the view to record order.
    void deleteIndex(std::string_view name);
    const std::string& indexName() const { return indexName_; }
    // "" orders the view by record (load) order. Equal keys keep record order.
    // The cursor stays on its record.
    void setIndexName(std::string name);

    // ---- Filter ----
    // A blank text lets every record through. A text that is not a valid
    // condition raises FilterError and changes nothing.
    void setFilter(std::string text);
    const std::string& filter() const { return filterText_; }
    // Switching the filter on or off (or changing the text while it is on)
    // rebuilds the view and makes its first row current.
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }
    // The live records, in the order of the current index, that satisfy
    // `condition`, whatever the filter; every live record for a blank condition
    // and none while the dataset is closed. Raises FilterError for a condition
    // that is not valid over the fields of an open dataset. Changes neither the
    // view nor the cursor.
    std::vector<RecordId> recordsMatching(std::string_view condition) const;

    // ---- Lookups ----
    // Makes current the first row whose field holds exactly this text.
    bool locate(std::string_view fieldName, std::string_view text);
    // The text of `resultField` in the first record (index order, filter ignored)
    // whose `keyField` holds exactly `key`. Answers from a hash index that is
    // rebuilt after any change.
    std::optional<std::string> lookup(std::string_view keyField, std::string_view key,
                                      std::string_view resultField) const;

    // Bytes the stored values take (for measurements).
    std::size_t memoryBytes() const;

private:
    friend class Field;
    struct SortKey {
        const Field* field;
        bool descending;
        bool caseInsensitive;
    };

    void checkActive() const;
    void checkBrowseMode();
    void storeFieldValue(Field& f, const Variant& value);
    void fieldDefinitionChanged();
    std::vector<SortKey> resolveIndex(const IndexDef& def) const;
    struct PreparedKeys;
    bool recordLess(RecordId a, RecordId b, const std::vector<PreparedKeys>* prepared = nullptr) const;
    void sortOrder();
    void evaluateFilter();
    void rebuildView();
    void setCursor(int row, bool notify = true);
    void resetContent();
    void prepareFilter(FilterExpression& expr, const std::vector<std::unique_ptr<Field>>& fields) const;

    template <typename F>
    void notify(F&& f);
    void notifyActive(bool active);
    void notifyChanged();
    // Runs `reorder`, which changes the order of the view but not its records,
    // between orderAboutToChange and orderChanged.
    template <typename F>
    void reorderView(F&& reorder);

    std::string name_;
    std::vector<std::unique_ptr<Field>> fields_;
    bool fieldsFromPacket_ = false;
    DatasetState state_ = DatasetState::Inactive;
    std::uint32_t generation_ = 1;
    std::uint64_t dataVersion_ = 0;

    std::size_t slots_ = 0;                // records stored, deleted ones included
    std::vector<std::uint8_t> live_;       // by record: not deleted
    std::vector<std::uint8_t> passes_;     // by record: lets the filter through
    std::vector<RecordId> order_;          // live records in index order
    std::vector<RecordId> view_;           // records of the view, in order
    std::vector<std::int32_t> rowOf_;      // by record: row in the view or -1
    int current_ = -1;
    bool bof_ = true;
    bool eof_ = true;

    RecordId editRecord_ = Bookmark::kNone;
    std::vector<std::pair<int, Variant>> undo_;  // field index, value before the edit

    int disableCount_ = 0;
    bool activeAtDisable_ = false;
    std::vector<DatasetObserver*> observers_;

    std::vector<IndexDef> indexDefs_;
    std::string indexName_;
    std::vector<SortKey> sortKeys_;

    std::string filterText_;
    bool filtered_ = false;
    std::unique_ptr<FilterExpression> filterExpr_;  // null for a blank text

    struct LookupIndex {
        std::uint64_t version = ~0ull;
        std::unordered_map<std::string, RecordId> firstByKey;
    };
    mutable std::unordered_map<int, LookupIndex> lookups_;
};

// Suspends the controls bound to a dataset for as long as it lives.
class ControlsSuspended {
public:
    explicit ControlsSuspended(ClientDataSet& ds) : ds_(ds) { ds_.disableControls(); }
    ~ControlsSuspended() { ds_.enableControls(); }
    ControlsSuspended(const ControlsSuspended&) = delete;
    ControlsSuspended& operator=(const ControlsSuspended&) = delete;

private:
    ClientDataSet& ds_;
};

}  // namespace trunaccount
