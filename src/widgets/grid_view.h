// The parts a data grid is made of: the table view with a footer strip between
// its rows and its horizontal scroll bar, the title bar that wraps captions and
// draws sort markers, and the cell delegate (colours, check boxes, pick lists).
// Internal to the grid.
#pragma once

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <vector>

namespace trunaccount {

class DataGrid;

class GridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit GridHeader(DataGrid* grid, QWidget* parent);
    // Recomputes the height the wrapped titles need.
    void refreshHeight();

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QString caption(int logicalIndex) const;
    DataGrid* grid_;
    Qt::KeyboardModifiers modifiers_;
    int pressed_ = -1;
};

// Texts of the footer strip as they are drawn. A static text (the totals line)
// keeps its place under its column when it fits; a wider one runs on to the
// right over the footer cells that show nothing, pushing the static texts after
// it along, so the columns keep their widths and every text stays readable. A
// run is such a stretch of cells, from a static text up to the next cell that
// shows another kind of text (a sum) or the strip's end; a sum or count is a
// run of its own cell.
struct FooterPiece {
    int column;
    QRect rect;  // where the text is drawn (elided when it does not fit)
    QString text;
    Qt::Alignment alignment;
};
struct FooterRun {
    int left = 0;   // the stretch of the strip the run may use
    int right = 0;
    std::vector<FooterPiece> pieces;
    // The run's texts, whole, as its tooltip shows them.
    QString text() const;
};

class GridFooter : public QWidget {
public:
    GridFooter(DataGrid* grid, QTableView* view);
    // The grid column under a point of the strip, -1 when none.
    int columnAt(int x) const;
    std::vector<FooterRun> layout() const;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    DataGrid* grid_;
    QTableView* view_;
};

class GridTableView : public QTableView {
    Q_OBJECT
public:
    GridTableView(DataGrid* grid, bool frozen);
    GridHeader* header() const { return header_; }
    GridFooter* footer() const { return footer_; }
    void setFooterVisible(bool on);
    int footerHeight() const;
    // Recomputes title height, footer place and viewport margins.
    void refreshGeometry() { updateGeometries(); }
    // Width the frozen columns take (frozen part only).
    int usedWidth() const;
    // Columns hidden under the frozen part are scrolled clear of it.
    void setFrozenOverlayWidth(int width) { overlayWidth_ = width; }
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    // Hands the value of an open cell editor in to the model and closes the editor.
    void finishEditing();
    bool editorOpen() const { return state() == EditingState; }

protected:
    void updateGeometries() override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void paintEvent(QPaintEvent* e) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    DataGrid* grid_;
    bool frozen_;
    GridHeader* header_;
    GridFooter* footer_ = nullptr;
    bool footerVisible_ = false;
    int overlayWidth_ = 0;
};

class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(DataGrid* grid, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* editor, QEvent* event) override;

private:
    DataGrid* grid_;
};

}  // namespace trunaccount
