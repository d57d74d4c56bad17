// A column of the data grid: the field it shows, its title, width, visibility,
// tag, read-only state, check-box or pick-list editing, sort marker and footer.
#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

namespace trunaccount {

class DataGrid;
class Field;

// The marker a title shows: none, descending (arrow down) or ascending (arrow up).
enum SortMarker { smNoneEh, smDownEh, smUpEh };

// What the footer cell under a column shows: nothing, the sum of the column over
// the rows in view (in the field's display format), the number of rows in view,
// or a text set by the program.
enum FooterValueType { fvtNon, fvtSum, fvtCount, fvtStaticText };

class GridColumn {
public:
    GridColumn(const GridColumn&) = delete;
    GridColumn& operator=(const GridColumn&) = delete;

    DataGrid& grid() const { return *grid_; }
    // Position in the grid's column collection.
    int index() const;

    const QString& fieldName() const { return fieldName_; }
    void setFieldName(const QString& name);
    // The bound field, or null while the dataset lacks it or is closed.
    Field* field() const;

    // The title caption: the one set, or else the field's display label. A
    // caption wraps onto several lines when the column is too narrow; "\n"
    // breaks it explicitly.
    QString title() const;
    void setTitle(const QString& caption);
    bool titleButton() const { return titleButton_; }
    void setTitleButton(bool on) { titleButton_ = on; }
    SortMarker sortMarker() const { return sortMarker_; }
    // Sets the marker; the grid's list of marked columns follows (a newly marked
    // column goes last). No change is signalled.
    void setSortMarker(SortMarker marker);

    bool visible() const { return visible_; }
    void setVisible(bool visible);
    // Width in pixels: the one set, or one that fits the field's width.
    int width() const;
    void setWidth(int width);
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool readOnly);

    // A check box instead of text: ticked when the field holds `checked`; a
    // click stores `checked` or `unchecked`.
    bool checkBox() const { return checkBox_; }
    const QString& checkedValue() const { return checked_; }
    const QString& uncheckedValue() const { return unchecked_; }
    void setCheckBox(bool on, const QString& checked = QStringLiteral("1"), const QString& unchecked = QStringLiteral("0"));
    // Values the cell editor offers in a drop-down list.
    const QStringList& pickList() const { return pickList_; }
    void setPickList(const QStringList& items) { pickList_ = items; }

    FooterValueType footerValueType() const { return footerType_; }
    void setFooterValueType(FooterValueType type);
    // The text of a static-text footer.
    const QString& footerValue() const { return footerValue_; }
    void setFooterValue(const QString& text);
    Qt::Alignment footerAlignment() const { return footerAlignment_; }
    void setFooterAlignment(Qt::Alignment a);

private:
    friend class DataGrid;
    GridColumn(DataGrid* grid, const QString& fieldName) : grid_(grid), fieldName_(fieldName) {}

    DataGrid* grid_;
    QString fieldName_;
    QString title_;
    bool titleButton_ = false;
    SortMarker sortMarker_ = smNoneEh;
    bool visible_ = true;
    int width_ = 0;  // 0: not set
    int tag_ = 0;
    bool readOnly_ = false;
    bool checkBox_ = false;
    QString checked_ = QStringLiteral("1");
    QString unchecked_ = QStringLiteral("0");
    QStringList pickList_;
    FooterValueType footerType_ = fvtNon;
    QString footerValue_;
    Qt::Alignment footerAlignment_ = Qt::AlignLeft | Qt::AlignVCenter;
};

}  // namespace trunaccount
