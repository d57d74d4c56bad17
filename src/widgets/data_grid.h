// The data grid: a table bound to a client dataset, with columns in display
// order bound to fields, titles that wrap onto several lines and act as sort
// buttons with markers, a footer row under the columns (sums, counts, static
// texts), check-box columns, whole-row multi-selection held as bookmarks, a
// read-only mode, frozen columns at the left and a per-cell colour hook.
//
// Sort marking: a click on a title button advances that column's marker
// none -> ascending (smUpEh) -> descending (smDownEh) -> ascending ...; without
// Ctrl every other marker is cleared and the change is signalled at once; with
// Ctrl held the other markers stay and the change is signalled when Ctrl is
// released, so several columns can be marked in one go. The marked columns are
// kept in the order they were marked.
#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "dataset/client_dataset.h"
#include "widgets/dataset_model.h"
#include "widgets/grid_column.h"
#include "widgets/selected_rows.h"

class QEvent;
class QKeyEvent;
class QPainter;
class QResizeEvent;
class QStyleOptionViewItem;
class QTableView;

namespace trunaccount {

class GridTableView;

// The cell being drawn, for the colour hook.
struct CellInfo {
    int row;
    RecordId record;
    int column;
    const GridColumn* gridColumn;
    bool selected;  // drawn in the selected state
    bool focused;   // the current cell of a focused grid
};

// Colours and font of the cell; the hook may change them.
struct CellStyle {
    QColor background;
    QColor foreground;
    QFont font;
};

class DataGrid : public QWidget {
    Q_OBJECT
public:
    using CellColorHook = std::function<void(const CellInfo&, CellStyle&)>;

    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    // ---- data ----
    void setDataset(ClientDataSet* ds);
    ClientDataSet* dataset() const;
    DatasetModel* model() const { return model_; }

    // ---- columns, in display order ----
    GridColumn& addColumn(const QString& fieldName);
    // One column per field of the dataset, in field order.
    void addColumnsForFields();
    void clearColumns();
    int columnCount() const { return static_cast<int>(columns_.size()); }
    GridColumn& column(int index) const { return *columns_.at(static_cast<std::size_t>(index)); }
    GridColumn* findColumn(const QString& fieldName) const;
    // The first `count` visible columns stay at the left while the rest scroll.
    void setFrozenCols(int count);
    int frozenCols() const { return frozenCols_; }

    // ---- options ----
    void setReadOnly(bool readOnly);
    bool readOnly() const { return readOnly_; }
    // Whole-row selection of several rows (held in selectedRows()).
    void setMultiSelect(bool on);
    bool multiSelect() const { return multiSelect_; }
    // Ctrl+Delete removes the current row (after a question) unless a handler
    // is set, which then decides.
    void setAllowDelete(bool on) { allowDelete_ = on; }
    bool allowDelete() const { return allowDelete_; }
    void setDeleteRowHandler(std::function<void()> handler) { deleteHandler_ = std::move(handler); }
    // Sees every key typed in the grid, after keyPressed() and before the grid's
    // own handling; returning true uses the key up (the grid does nothing more with it).
    void setKeyHandler(std::function<bool(QKeyEvent*)> handler) { keyHandler_ = std::move(handler); }
    void setFooterVisible(bool on);
    bool footerVisible() const { return footerVisible_; }
    void setFooterColor(const QColor& c);
    QColor footerColor() const { return footerColor_; }
    void setTitleColor(const QColor& c);
    QColor titleColor() const { return titleColor_; }
    void setTitleFontColor(const QColor& c);
    QColor titleFontColor() const { return titleFontColor_; }
    void setCellColorHook(CellColorHook hook);

    // ---- sort markers ----
    // Marked columns, first marked first.
    const std::vector<GridColumn*>& sortMarkedColumns() const { return sortMarked_; }
    // Signals a change of markers when the design just loaded carries any.
    void designLoaded();
    // What a click on a title does (the mouse handler calls it).
    void clickTitle(int column, Qt::KeyboardModifiers modifiers);

    // ---- selection and current cell ----
    SelectedRows& selectedRows() { return selected_; }
    const SelectedRows& selectedRows() const { return selected_; }
    int currentColumn() const { return currentColumn_; }
    void setCurrentColumn(int column);
    // Hands the value of an open cell editor in to the dataset and closes the
    // editor, wherever the focus is (a toolbar click leaves it in the editor).
    void postEditor();
    // A cell editor is open (Esc then takes back its edit, nothing more).
    bool editorOpen() const;

    // ---- footer ----
    // The text the footer shows under a column now.
    QString footerText(int column) const;

    // The scrolling part of the grid (tests click into it).
    QTableView* view() const;
    QTableView* frozenView() const;
    QWidget* titleBar() const;
    QWidget* footerBar() const;

    // ---- used by the grid's parts ----
    void paintCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // Tells keyPressed() and the key handler, then does the grid's own keys; true
    // when the key was used up.
    bool handleKeyPress(QKeyEvent* event);
    void handleRowClick(int row, Qt::KeyboardModifiers modifiers);
    void viewCurrentChanged(const QModelIndex& current);
    void reportError(const QString& message);

signals:
    // The set of sort-marked columns changed (when the grid does not sort itself).
    void sortMarkingChanged();
    // A key reached the grid, before the grid's own handling.
    void keyPressed(QKeyEvent* event);
    void titleClicked(int column);
    void currentCellChanged(int row, int column);
    // The dataset was opened or closed, or another dataset bound.
    void dataLinkActiveChanged(bool active);

protected:
    // The markers changed: the base raises sortMarkingChanged().
    virtual void notifySortMarkingChanged();
    // The dataset became active or inactive (or another was bound).
    virtual void linkActiveChanged(bool active);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class GridColumn;
    void columnStructureChanged();
    void columnLayoutChanged(GridColumn& column);
    void columnSortMarkerChanged(GridColumn& column);
    void columnAppearanceChanged();
    void applyColumnLayout();
    int defaultWidth(const GridColumn& column) const;
    void invalidateSums();
    void syncCurrentFromDataset();
    void placeFrozenView();
    void updateEditTriggers();
    void watchCtrlRelease(bool on);
    void finishCtrlMarking();
    void deleteCurrentRow();
    void repaintCells();
    std::vector<GridTableView*> views() const;

    DatasetModel* model_ = nullptr;
    GridTableView* main_ = nullptr;
    GridTableView* frozen_ = nullptr;
    std::vector<std::unique_ptr<GridColumn>> columns_;
    std::vector<GridColumn*> sortMarked_;
    SelectedRows selected_;
    int frozenCols_ = 0;
    bool readOnly_ = false;
    bool multiSelect_ = false;
    bool allowDelete_ = true;
    bool footerVisible_ = false;
    QColor footerColor_;
    QColor titleColor_;
    QColor titleFontColor_;
    CellColorHook colorHook_;
    std::function<void()> deleteHandler_;
    std::function<bool(QKeyEvent*)> keyHandler_;
    int currentColumn_ = 0;
    int anchorRow_ = -1;
    bool syncing_ = false;
    bool ctrlMarking_ = false;
    mutable std::vector<QString> sumTexts_;
    mutable bool sumsValid_ = false;
};

}  // namespace trunaccount
