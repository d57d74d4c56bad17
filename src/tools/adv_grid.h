// The enhanced data grid of the reconciliation window: sorts its dataset by
// the title markers through the index "customindex", keeps the condition rows
// of the last accepted filter, writes the condition text of the active query
// and filter, stores each column's visibility and width in the settings file,
// can write a record-count footer and lets the user choose the columns shown.
#pragma once

#include "data/settings.h"
#include "tools/condition_rows.h"
#include "widgets/data_grid.h"

namespace trunaccount {

class TAdvCustomDBGridEh : public DataGrid {
    Q_OBJECT
    Q_PROPERTY(bool AutoSorted MEMBER AutoSorted)
    Q_PROPERTY(bool ShowSumCount MEMBER ShowSumCount)
public:
    explicit TAdvCustomDBGridEh(QWidget* parent = nullptr);
    ~TAdvCustomDBGridEh() override;

    // Sort the dataset whenever the sort markers change.
    bool AutoSorted = false;
    // Run ShowCountFooter each time the dataset is opened or closed.
    bool ShowSumCount = false;
    // The query conditions (nothing in this system fills them).
    ConditionRows searchConditions;
    // The condition rows of the last accepted run of the condition builder.
    ConditionRows savedConditions;

    // The three texts the sort markers make, in marking order: the field list
    // "a;b", the descending fields "b" and the sort text "a ASC,b DESC".
    struct SortTexts {
        QString fieldList;
        QString descendingList;
        QString sortText;
    };
    SortTexts sortTexts() const;

    // Orders the dataset by the marked columns through the index "customindex"
    // (ignoring letter case). Does nothing to an empty or closed dataset or
    // without markers. Dataset errors pass to the caller.
    void ApplySortMarkers();
    // The text that describes the query (`extra` and searchConditions) and the
    // filter (savedConditions), lines ended by CR LF.
    QString ConditionText(const QString& extra) const;
    // Reads "visible,width" per column from `section` of the settings file,
    // default "1,0". An empty folder means the host program's folder.
    void LoadColumnLayout(const QString& fileName, const QString& section, const QString& folder);
    // The same from a file read already for more than the layout.
    void ReadColumnLayout(const SettingsReader& settings, const QString& section);
    // Writes "1,width" or "0,width" per column, in one replacement of the file.
    void SaveColumnLayout(const QString& fileName, const QString& section, const QString& folder);
    // The same keys and values, added to a batch that stores more than the layout.
    void WriteColumnLayout(SettingsBatch& batch, const QString& section) const;
    // Clears the "合计" texts of static footers and writes "合计:" count "条"
    // under the first visible column when its footer is static or none.
    void ShowCountFooter();
    void ClearSortMarkers();
    // Lets the user choose the shown columns in the column chooser (modal).
    // A right-click on the titles (or the menu key in the grid) offers it too,
    // as the menu item "选择项目…".
    void ChooseColumns();
    // Opens the condition builder (modal) over the grid's dataset with the rows
    // of the last accepted filter. After "过  滤(&O)" its rows become
    // savedConditions and the dataset's filter. True when a filter was applied;
    // false after cancel, or after an error, which is shown (caption "错误",
    // error icon): the saved rows are then already replaced, the filter is not.
    bool RunQuerySet(const QString& caption, bool visibleOnly);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void notifySortMarkingChanged() override;
    void linkActiveChanged(bool active) override;
};

class TAdvDBGridEh : public TAdvCustomDBGridEh {
    Q_OBJECT
public:
    using TAdvCustomDBGridEh::TAdvCustomDBGridEh;
};

// The folder the column layout is read from and written to: an empty folder
// becomes "\" (the host program's folder); a real folder gets its separator.
QString CompleteLayoutFolder(const QString& folder);

}  // namespace trunaccount
