#include "widgets/grid_view.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QValidator>
#include <cmath>

#include "platform/gbk.h"

#include "widgets/data_grid.h"

namespace trunaccount {

namespace {
constexpr int kMarkerSpace = 12;  // room for a sort marker at a title's right
constexpr int kPadding = 3;

int wrappedHeight(const QFontMetrics& fm, const QString& text, int width) {
    QRect r = fm.boundingRect(QRect(0, 0, std::max(width, 8), 10000), Qt::AlignHCenter | Qt::TextWordWrap, text);
    return r.height();
}
}  // namespace

// ---- title bar ----

GridHeader::GridHeader(DataGrid* grid, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), grid_(grid) {
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignCenter);
    setMinimumSectionSize(0);
    connect(this, &QHeaderView::sectionClicked, this, [this](int logical) { grid_->clickTitle(logical, modifiers_); });
}

QString GridHeader::caption(int logicalIndex) const {
    if (logicalIndex < 0 || logicalIndex >= grid_->columnCount()) return {};
    return grid_->column(logicalIndex).title();
}

QSize GridHeader::sectionSizeFromContents(int logicalIndex) const {
    // From the grid's column, not this bar's section, so that the frozen part
    // and the scrolling part of a grid get titles of one height.
    if (logicalIndex < 0 || logicalIndex >= grid_->columnCount()) return {0, 0};
    int width = grid_->column(logicalIndex).width();
    return {width, wrappedHeight(QFontMetrics(font()), caption(logicalIndex), width - 2 * kPadding - kMarkerSpace) +
                       2 * kPadding};
}

void GridHeader::refreshHeight() {
    int h = fontMetrics().height() + 2 * kPadding;
    for (int i = 0; i < grid_->columnCount(); ++i)
        if (grid_->column(i).visible()) h = std::max(h, sectionSizeFromContents(i).height());
    setFixedHeight(h);
}

void GridHeader::paintSection(QPainter* p, const QRect& rect, int logicalIndex) const {
    if (logicalIndex < 0 || logicalIndex >= grid_->columnCount()) return;
    const GridColumn& col = grid_->column(logicalIndex);
    p->save();
    QColor bg = grid_->titleColor().isValid() ? grid_->titleColor() : palette().color(QPalette::Button);
    if (logicalIndex == pressed_) bg = bg.darker(115);
    p->fillRect(rect, bg);
    p->setPen(palette().color(QPalette::Dark));
    p->drawLine(rect.topRight(), rect.bottomRight());
    p->drawLine(rect.bottomLeft(), rect.bottomRight());
    QRect text = rect.adjusted(kPadding, kPadding, -kPadding - kMarkerSpace, -kPadding);
    p->setPen(grid_->titleFontColor().isValid() ? grid_->titleFontColor() : palette().color(QPalette::ButtonText));
    p->drawText(text, Qt::AlignCenter | Qt::TextWordWrap, col.title());
    if (col.sortMarker() != smNoneEh) {
        int cx = rect.right() - kPadding - kMarkerSpace / 2;
        int cy = rect.center().y();
        QPolygon tri;
        if (col.sortMarker() == smUpEh) tri << QPoint(cx - 4, cy + 2) << QPoint(cx + 4, cy + 2) << QPoint(cx, cy - 3);
        else tri << QPoint(cx - 4, cy - 2) << QPoint(cx + 4, cy - 2) << QPoint(cx, cy + 3);
        p->setRenderHint(QPainter::Antialiasing);
        p->setBrush(p->pen().color());
        p->drawPolygon(tri);
    }
    p->restore();
}

void GridHeader::mousePressEvent(QMouseEvent* e) {
    modifiers_ = e->modifiers();
    int logical = logicalIndexAt(e->position().toPoint());
    pressed_ = logical >= 0 && logical < grid_->columnCount() && grid_->column(logical).titleButton() ? logical : -1;
    QHeaderView::mousePressEvent(e);
    viewport()->update();
}

void GridHeader::mouseReleaseEvent(QMouseEvent* e) {
    modifiers_ = e->modifiers();
    pressed_ = -1;
    QHeaderView::mouseReleaseEvent(e);
    viewport()->update();
}

// ---- footer strip ----

GridFooter::GridFooter(DataGrid* grid, QTableView* view) : QWidget(view), grid_(grid), view_(view) {
    setAutoFillBackground(false);
}

int GridFooter::columnAt(int x) const {
    QHeaderView* h = view_->horizontalHeader();
    int logical = h->logicalIndexAt(x);
    return logical >= 0 && logical < grid_->columnCount() && !h->isSectionHidden(logical) ? logical : -1;
}

QString FooterRun::text() const {
    QStringList texts;
    for (const auto& p : pieces) texts << p.text;
    return texts.join(QStringLiteral("  "));
}

std::vector<FooterRun> GridFooter::layout() const {
    QHeaderView* h = view_->horizontalHeader();
    const QFontMetricsF fm(font());
    struct Cell {
        int column;
        QRect rect;
        QString text;
        bool flows;  // a static text
    };
    std::vector<Cell> cells;
    for (int i = 0; i < h->count() && i < grid_->columnCount(); ++i) {
        if (h->isSectionHidden(i)) continue;
        const GridColumn& col = grid_->column(i);
        cells.push_back({i, QRect(h->sectionViewportPosition(i), 0, h->sectionSize(i), height()), grid_->footerText(i),
                         col.footerValueType() == fvtStaticText});
    }
    std::vector<FooterRun> runs;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Cell& c = cells[i];
        if (c.text.isEmpty()) continue;
        if (!c.flows) {
            // A sum or a count stays in its cell, at the right.
            FooterRun run{c.rect.left(), c.rect.right(), {}};
            run.pieces.push_back(
                {c.column, c.rect.adjusted(kPadding, 0, -kPadding, 0), c.text, Qt::AlignRight | Qt::AlignVCenter});
            runs.push_back(std::move(run));
            continue;
        }
        // A run of static texts and empty cells, up to the next cell that shows
        // something else.
        std::size_t end = i;
        while (end + 1 < cells.size() && (cells[end + 1].flows || cells[end + 1].text.isEmpty())) ++end;
        FooterRun run{c.rect.left(), cells[end].rect.right(), {}};
        // Scrolled out on the left, the texts move into view for as long as
        // their run is still in sight.
        int cursor = run.left >= 0 ? run.left : kPadding;
        for (std::size_t j = i; j <= end; ++j) {
            const Cell& t = cells[j];
            if (t.text.isEmpty()) continue;
            const QRect inner = t.rect.adjusted(kPadding, 0, -kPadding, 0);
            // The width the text takes, rounded up: a rounded-down width would elide it.
            const int need = static_cast<int>(std::ceil(fm.horizontalAdvance(t.text))) + 1;
            if (cursor <= inner.left() && need <= inner.width()) {
                // Fits its own cell: drawn there, aligned as the column says.
                run.pieces.push_back({t.column, inner, t.text, grid_->column(t.column).footerAlignment()});
                cursor = inner.right() + 1 + kPadding;
                continue;
            }
            const int x = std::max(inner.left(), cursor);
            const int room = std::max(run.right - kPadding - x + 1, 0);
            // At least its own cell; more when the text needs it and the run has room.
            const int width = std::min(std::max(need, t.rect.right() - kPadding - x + 1), room);
            run.pieces.push_back({t.column, QRect(x, 0, width, height()), t.text, Qt::AlignLeft | Qt::AlignVCenter});
            cursor = x + width + 2 * kPadding;
        }
        runs.push_back(std::move(run));
        i = end;
    }
    return runs;
}

bool GridFooter::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        // The whole texts of the stretch under the pointer.
        auto* help = static_cast<QHelpEvent*>(e);
        QString text;
        for (const FooterRun& run : layout())
            if (help->pos().x() >= run.left && help->pos().x() <= run.right) text = run.text();
        if (text.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(e);
}

void GridFooter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QColor bg = grid_->footerColor().isValid() ? grid_->footerColor() : palette().color(QPalette::Window);
    p.fillRect(rect(), bg);
    const auto runs = layout();
    // A cell's right edge is drawn unless a text runs across it.
    auto crossed = [&](int x) {
        for (const auto& run : runs)
            for (const auto& piece : run.pieces)
                if (piece.rect.left() < x && piece.rect.right() > x) return true;
        return false;
    };
    QHeaderView* h = view_->horizontalHeader();
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(0, 0, width(), 0);
    for (int i = 0; i < h->count(); ++i) {
        if (h->isSectionHidden(i) || i >= grid_->columnCount()) continue;
        QRect cell(h->sectionViewportPosition(i), 0, h->sectionSize(i), height());
        if (cell.right() < 0 || cell.left() > width()) continue;
        if (!crossed(cell.right())) p.drawLine(cell.topRight(), cell.bottomRight());
    }
    p.setPen(palette().color(QPalette::WindowText));
    for (const auto& run : runs)
        for (const auto& piece : run.pieces)
            // A text that still does not fit shows that it is cut; the tooltip has it whole.
            p.drawText(piece.rect, static_cast<int>(piece.alignment),
                       fontMetrics().elidedText(piece.text, Qt::ElideRight, piece.rect.width()));
}

// ---- table view ----

GridTableView::GridTableView(DataGrid* grid, bool frozen)
    : QTableView(grid), grid_(grid), frozen_(frozen), header_(new GridHeader(grid, this)) {
    setHorizontalHeader(header_);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setTabKeyNavigation(true);
    footer_ = new GridFooter(grid, this);
    footer_->hide();
    if (frozen_) {
        setFocusPolicy(Qt::NoFocus);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setFrameShape(QFrame::NoFrame);
    }
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, footer_, qOverload<>(&QWidget::update));
    connect(header_, &QHeaderView::sectionResized, footer_, qOverload<>(&QWidget::update));
}

int GridTableView::footerHeight() const { return verticalHeader()->defaultSectionSize() + 1; }

void GridTableView::setFooterVisible(bool on) {
    footerVisible_ = on;
    footer_->setVisible(on);
    updateGeometries();
}

int GridTableView::usedWidth() const {
    int w = 0;
    for (int i = 0; i < header_->count(); ++i)
        if (!header_->isSectionHidden(i)) w += header_->sectionSize(i);
    return w;
}

void GridTableView::updateGeometries() {
    if (!footer_) {  // still being made
        QTableView::updateGeometries();
        return;
    }
    header_->refreshHeight();
    QTableView::updateGeometries();
    QMargins m = viewportMargins();
    int bottom = footerVisible_ ? footerHeight() : 0;
    if (m.bottom() != bottom) setViewportMargins(m.left(), m.top(), m.right(), bottom);
    QRect vp = viewport()->geometry();
    footer_->setGeometry(vp.left(), vp.bottom() + 1, vp.width(), bottom);
    footer_->update();
}

void GridTableView::keyPressEvent(QKeyEvent* e) {
    if (grid_->handleKeyPress(e)) return;
    int before = currentIndex().row();
    QTableView::keyPressEvent(e);
    int after = currentIndex().row();
    // Shift with the arrow keys extends a multi-selection like Shift with a click.
    if (after != before && after >= 0 && (e->modifiers() & Qt::ShiftModifier))
        grid_->handleRowClick(after, Qt::ShiftModifier);
}

void GridTableView::mousePressEvent(QMouseEvent* e) {
    QModelIndex index = indexAt(e->position().toPoint());
    if (index.isValid() && e->button() == Qt::LeftButton) grid_->handleRowClick(index.row(), e->modifiers());
    QTableView::mousePressEvent(e);
}

void GridTableView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    // The frame of the current row moves with it.
    if (current.row() != previous.row()) viewport()->update();
    if (!frozen_) grid_->viewCurrentChanged(current);
}

void GridTableView::paintEvent(QPaintEvent* e) {
    QTableView::paintEvent(e);
    // The current row shows a frame, focused or not, in either selection mode.
    const QModelIndex current = currentIndex();
    if (!model() || !current.isValid()) return;
    int left = -1;
    int right = -1;
    for (int i = 0; i < model()->columnCount(); ++i) {
        if (isColumnHidden(i)) continue;
        const int x = columnViewportPosition(i);
        if (left < 0) left = x;
        right = x + columnWidth(i) - 1;
    }
    if (left < 0) return;
    const QRect row(left, rowViewportPosition(current.row()), right - left + 1, rowHeight(current.row()));
    QPainter p(viewport());
    p.setPen(QPen(palette().color(QPalette::Text), 1));
    p.drawRect(row.adjusted(0, 0, -1, -1));
}

QModelIndex GridTableView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    QModelIndex current = QTableView::moveCursor(action, modifiers);
    // Keep the current cell out from under the frozen columns.
    if (overlayWidth_ > 0 && action == MoveLeft && current.column() >= 0 &&
        visualRect(current).left() < overlayWidth_) {
        int shift = visualRect(current).left() - overlayWidth_;
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + shift);
    }
    return current;
}

void GridTableView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (frozen_) return;  // the frozen part never scrolls sideways
    QTableView::scrollTo(index, hint);
}

void GridTableView::finishEditing() {
    QWidget* editor = indexWidget(currentIndex());
    if (!editor) return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

// ---- cells ----

GridDelegate::GridDelegate(DataGrid* grid, QObject* parent) : QStyledItemDelegate(parent), grid_(grid) {}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    grid_->paintCell(painter, option, index);
}

bool GridDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                               const QModelIndex& index) {
    if (!index.isValid() || index.column() >= grid_->columnCount() || !grid_->column(index.column()).checkBox())
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    if (!(index.flags() & Qt::ItemIsUserCheckable)) return false;
    bool toggle = false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        toggle = me->button() == Qt::LeftButton && option.rect.contains(me->position().toPoint());
        break;
    }
    case QEvent::KeyPress: toggle = static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space; break;
    default: return false;
    }
    if (!toggle) return false;
    bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    // A click stores the other value: "0" on a ticked row, "1" on any other.
    model->setData(index, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    return true;
}

namespace {
// Lets no more be typed than a text field holds, counted in GBK bytes (a
// Chinese character takes two), so that a value handed in always fits.
class FieldWidthValidator : public QValidator {
public:
    FieldWidthValidator(int bytes, QObject* parent) : QValidator(parent), bytes_(static_cast<std::size_t>(bytes)) {}
    State validate(QString& input, int&) const override {
        return platform::gbkByteLength(input.toStdString()) <= bytes_ ? Acceptable : Invalid;
    }

private:
    std::size_t bytes_;
};
}  // namespace

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const GridColumn* column = index.column() < grid_->columnCount() ? &grid_->column(index.column()) : nullptr;
    const Field* field = column ? column->field() : nullptr;
    auto limit = [&](QLineEdit* line) {
        if (line && field && field->isText() && field->size() > 0)
            line->setValidator(new FieldWidthValidator(field->size(), line));
    };
    if (column && !column->pickList().isEmpty()) {
        auto* box = new QComboBox(parent);
        box->addItems(column->pickList());
        box->setEditable(true);
        limit(box->lineEdit());
        return box;
    }
    QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->setFrame(false);
        limit(line);
    }
    return w;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        box->setCurrentText(index.data(Qt::EditRole).toString());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, box->currentText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            // Enter stores the value, closes the editor and then reaches the grid
            // like a key typed into it.
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            grid_->handleKeyPress(ke);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

}  // namespace trunaccount
