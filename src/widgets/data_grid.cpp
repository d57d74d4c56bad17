#include "widgets/data_grid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QVBoxLayout>

#include "dataset/amount_total.h"
#include "platform/message_box.h"
#include "widgets/error_log.h"
#include "widgets/grid_view.h"

namespace trunaccount {

DataGrid::DataGrid(QWidget* parent) : QWidget(parent), selected_([this] { repaintCells(); }) {
    // Made here, once every member they may ask about exists.
    model_ = new DatasetModel(this);
    main_ = new GridTableView(this, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(main_);
    main_->setModel(model_);
    main_->setItemDelegate(new GridDelegate(this, main_));
    setFocusProxy(main_);
    model_->setErrorReporter([this](const QString& m) { reportError(m); });

    connect(model_, &DatasetModel::activeChanged, this, [this](bool active) { linkActiveChanged(active); });
    connect(model_, &DatasetModel::datasetReleased, this, [this] { linkActiveChanged(false); });
    connect(model_, &DatasetModel::cursorMoved, this, [this] { syncCurrentFromDataset(); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        invalidateSums();
        applyColumnLayout();
        syncCurrentFromDataset();
    });
    // A new order of the rows: the views keep their current row (the dataset's
    // cursor stays on its record too), selection and scroll position through the
    // persistent indexes.
    connect(model_, &QAbstractItemModel::layoutChanged, this, [this] { invalidateSums(); });
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] { invalidateSums(); });
    connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] {
        invalidateSums();
        syncCurrentFromDataset();
    });
    connect(model_, &DatasetModel::fieldDefinitionsChanged, this, [this] { columnAppearanceChanged(); });
    connect(main_->header(), &QHeaderView::sectionResized, this, [this](int i, int, int size) {
        if (syncing_ || i >= columnCount() || main_->isColumnHidden(i)) return;
        columns_[static_cast<std::size_t>(i)]->width_ = size;
        if (frozen_) frozen_->setColumnWidth(i, size);
        placeFrozenView();
        main_->header()->refreshHeight();
    });
    updateEditTriggers();
}

DataGrid::~DataGrid() {
    watchCtrlRelease(false);
    model_->setDataset(nullptr);
    // The views ask the columns about themselves while they go; they go first.
    delete main_;
    main_ = nullptr;
    frozen_ = nullptr;
}

std::vector<GridTableView*> DataGrid::views() const {
    std::vector<GridTableView*> v{main_};
    if (frozen_) v.push_back(frozen_);
    return v;
}

QTableView* DataGrid::view() const { return main_; }
QTableView* DataGrid::frozenView() const { return frozen_; }
QWidget* DataGrid::titleBar() const { return main_->header(); }
QWidget* DataGrid::footerBar() const { return main_->footer(); }

// ---- data ----

void DataGrid::setDataset(ClientDataSet* ds) {
    model_->setDataset(ds);
    linkActiveChanged(ds && ds->active());
}

ClientDataSet* DataGrid::dataset() const { return model_ ? model_->dataset() : nullptr; }

void DataGrid::linkActiveChanged(bool active) {
    selected_.setDataset(dataset());
    anchorRow_ = -1;
    invalidateSums();
    repaintCells();
    emit dataLinkActiveChanged(active);
}

// ---- columns ----

GridColumn& DataGrid::addColumn(const QString& fieldName) {
    columns_.push_back(std::unique_ptr<GridColumn>(new GridColumn(this, fieldName)));
    columnStructureChanged();
    return *columns_.back();
}

void DataGrid::addColumnsForFields() {
    ClientDataSet* ds = dataset();
    if (!ds) return;
    for (int i = 0; i < ds->fieldCount(); ++i)
        columns_.push_back(std::unique_ptr<GridColumn>(new GridColumn(this, QString::fromStdString(ds->field(i).name()))));
    columnStructureChanged();
}

void DataGrid::clearColumns() {
    columns_.clear();
    sortMarked_.clear();
    columnStructureChanged();
}

GridColumn* DataGrid::findColumn(const QString& fieldName) const {
    for (const auto& c : columns_)
        if (c->fieldName().compare(fieldName, Qt::CaseInsensitive) == 0) return c.get();
    return nullptr;
}

void DataGrid::columnStructureChanged() {
    std::vector<DatasetModel::Column> cols;
    for (const auto& c : columns_) cols.push_back({c->fieldName(), c->checkBox(), c->checkedValue(), c->uncheckedValue(), c->readOnly()});
    model_->setColumns(std::move(cols));  // resets the model, which lays the columns out again
}

void DataGrid::columnLayoutChanged(GridColumn&) { applyColumnLayout(); }

void DataGrid::columnSortMarkerChanged(GridColumn& column) {
    auto it = std::find(sortMarked_.begin(), sortMarked_.end(), &column);
    if (column.sortMarker() == smNoneEh) {
        if (it != sortMarked_.end()) sortMarked_.erase(it);
    } else if (it == sortMarked_.end()) {
        sortMarked_.push_back(&column);
    }
    for (auto* v : views()) v->header()->viewport()->update();
}

void DataGrid::columnAppearanceChanged() {
    for (auto* v : views()) {
        v->header()->viewport()->update();
        v->refreshGeometry();
    }
    invalidateSums();
}

int DataGrid::defaultWidth(const GridColumn& column) const {
    int chars = 10;
    if (Field* f = column.field(); f && f->isText() && f->size() > 0) chars = std::clamp(f->size(), 4, 30);
    return std::max(fontMetrics().averageCharWidth() * chars + 8, 40);
}

void DataGrid::applyColumnLayout() {
    syncing_ = true;
    int frozenLeft = frozenCols_;
    for (int i = 0; i < columnCount(); ++i) {
        const GridColumn& c = column(i);
        main_->setColumnHidden(i, !c.visible());
        main_->setColumnWidth(i, c.width());
        if (frozen_) {
            bool inFrozen = c.visible() && frozenLeft > 0;
            if (inFrozen) --frozenLeft;
            frozen_->setColumnHidden(i, !inFrozen);
            frozen_->setColumnWidth(i, c.width());
        }
    }
    syncing_ = false;
    for (auto* v : views()) v->refreshGeometry();
    placeFrozenView();
}

void DataGrid::setFrozenCols(int count) {
    frozenCols_ = std::max(count, 0);
    if (frozenCols_ > 0 && !frozen_) {
        frozen_ = new GridTableView(this, true);
        frozen_->setParent(main_);
        frozen_->setModel(model_);
        frozen_->setItemDelegate(new GridDelegate(this, frozen_));
        frozen_->setSelectionModel(main_->selectionModel());
        frozen_->setFooterVisible(footerVisible_);
        connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, main_->verticalScrollBar(), &QAbstractSlider::setValue);
        connect(main_->verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(), &QAbstractSlider::setValue);
        main_->viewport()->stackUnder(frozen_);
        updateEditTriggers();
    }
    if (frozen_) frozen_->setVisible(frozenCols_ > 0);
    applyColumnLayout();
}

void DataGrid::placeFrozenView() {
    if (!frozen_ || frozenCols_ == 0) {
        main_->setFrozenOverlayWidth(0);
        return;
    }
    int width = frozen_->usedWidth();
    int f = main_->frameWidth();
    int height = main_->header()->height() + main_->viewport()->height() + (footerVisible_ ? main_->footerHeight() : 0);
    frozen_->setGeometry(f, f, width, height);
    main_->setFrozenOverlayWidth(width);
}

void DataGrid::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    placeFrozenView();
}

// ---- options ----

void DataGrid::updateEditTriggers() {
    for (auto* v : views()) {
        v->setEditTriggers(readOnly_ ? QAbstractItemView::NoEditTriggers
                                     : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                           QAbstractItemView::AnyKeyPressed);
        v->setSelectionBehavior(QAbstractItemView::SelectItems);
        v->setSelectionMode(multiSelect_ ? QAbstractItemView::NoSelection : QAbstractItemView::SingleSelection);
    }
}

void DataGrid::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    model_->setReadOnly(readOnly);
    updateEditTriggers();
}

void DataGrid::setMultiSelect(bool on) {
    multiSelect_ = on;
    if (!on) selected_.clear();
    updateEditTriggers();
    repaintCells();
}

void DataGrid::setFooterVisible(bool on) {
    footerVisible_ = on;
    for (auto* v : views()) v->setFooterVisible(on);
    placeFrozenView();
}

void DataGrid::setFooterColor(const QColor& c) {
    footerColor_ = c;
    invalidateSums();
}

void DataGrid::setTitleColor(const QColor& c) {
    titleColor_ = c;
    columnAppearanceChanged();
}

void DataGrid::setTitleFontColor(const QColor& c) {
    titleFontColor_ = c;
    columnAppearanceChanged();
}

void DataGrid::setCellColorHook(CellColorHook hook) {
    colorHook_ = std::move(hook);
    repaintCells();
}

void DataGrid::repaintCells() {
    for (auto* v : views()) v->viewport()->update();
}

// ---- sort markers ----

void DataGrid::clickTitle(int index, Qt::KeyboardModifiers modifiers) {
    emit titleClicked(index);
    if (index < 0 || index >= columnCount() || !column(index).titleButton()) return;
    bool ctrl = modifiers & Qt::ControlModifier;
    GridColumn& col = column(index);
    SortMarker next = col.sortMarker() == smUpEh ? smDownEh : smUpEh;
    if (!ctrl)
        for (auto& c : columns_)
            if (c.get() != &col) c->setSortMarker(smNoneEh);
    col.setSortMarker(next);
    if (ctrl) {
        ctrlMarking_ = true;
        watchCtrlRelease(true);
    } else {
        ctrlMarking_ = false;
        watchCtrlRelease(false);
        notifySortMarkingChanged();
    }
}

void DataGrid::notifySortMarkingChanged() { emit sortMarkingChanged(); }

void DataGrid::designLoaded() {
    if (!sortMarked_.empty()) notifySortMarkingChanged();
}

void DataGrid::watchCtrlRelease(bool on) {
    if (!qApp) return;
    if (on) qApp->installEventFilter(this);
    else qApp->removeEventFilter(this);
}

void DataGrid::finishCtrlMarking() {
    ctrlMarking_ = false;
    watchCtrlRelease(false);
    notifySortMarkingChanged();
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event) {
    if (ctrlMarking_) {
        switch (event->type()) {
        case QEvent::KeyRelease:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Control) finishCtrlMarking();
            break;
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
            // Ctrl went up where the grid could not see it.
            if (!(static_cast<QInputEvent*>(event)->modifiers() & Qt::ControlModifier)) finishCtrlMarking();
            break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- selection and current cell ----

void DataGrid::handleRowClick(int row, Qt::KeyboardModifiers modifiers) {
    if (!multiSelect_) return;
    if ((modifiers & Qt::ShiftModifier) && anchorRow_ >= 0) {
        if (!(modifiers & Qt::ControlModifier)) selected_.clear();
        selected_.selectRows(anchorRow_, row);
        return;
    }
    if (modifiers & Qt::ControlModifier) {
        selected_.setRowSelected(row, !selected_.isRowSelected(row));
    } else {
        selected_.clear();
        selected_.setRowSelected(row, true);
    }
    anchorRow_ = row;
}

void DataGrid::viewCurrentChanged(const QModelIndex& current) {
    if (syncing_ || !current.isValid()) return;
    currentColumn_ = current.column();
    ClientDataSet* ds = dataset();
    if (ds && ds->active() && current.row() != ds->currentRow()) {
        syncing_ = true;
        try {
            ds->setCurrentRow(current.row());
        } catch (const std::exception& e) {
            syncing_ = false;
            logError(e);
            reportError(QString::fromUtf8(e.what()));
            syncCurrentFromDataset();
            return;
        }
        syncing_ = false;
    }
    emit currentCellChanged(current.row(), current.column());
}

void DataGrid::syncCurrentFromDataset() {
    ClientDataSet* ds = dataset();
    if (syncing_ || !ds || !ds->active()) return;
    int row = ds->currentRow();
    if (row < 0 || row >= model_->rowCount() || columnCount() == 0) return;
    syncing_ = true;
    QModelIndex idx = model_->index(row, std::clamp(currentColumn_, 0, columnCount() - 1));
    main_->selectionModel()->setCurrentIndex(idx, multiSelect_ ? QItemSelectionModel::NoUpdate
                                                               : QItemSelectionModel::ClearAndSelect);
    main_->scrollTo(idx);
    syncing_ = false;
}

void DataGrid::setCurrentColumn(int column) {
    currentColumn_ = column;
    syncCurrentFromDataset();
}

void DataGrid::postEditor() {
    for (auto* v : views()) v->finishEditing();
}

bool DataGrid::editorOpen() const {
    for (auto* v : views())
        if (v->editorOpen()) return true;
    return false;
}

bool DataGrid::handleKeyPress(QKeyEvent* event) {
    emit keyPressed(event);
    if (keyHandler_ && keyHandler_(event)) return true;
    if (event->key() == Qt::Key_Delete && (event->modifiers() & Qt::ControlModifier)) {
        deleteCurrentRow();
        return true;
    }
    return false;
}

void DataGrid::deleteCurrentRow() {
    ClientDataSet* ds = dataset();
    if (readOnly_ || !allowDelete_ || !ds || !ds->active() || ds->isEmpty()) return;
    try {
        if (deleteHandler_) {
            deleteHandler_();
            return;
        }
        if (platform::messageBox(window(), "删除当前记录吗？", "提示", platform::MB_OKCANCEL | platform::MB_ICONQUESTION) !=
            platform::IDOK)
            return;
        ds->deleteRecord();
    } catch (const std::exception& e) {
        logError(e);
        reportError(QString::fromUtf8(e.what()));
    }
}

void DataGrid::reportError(const QString& message) {
    platform::messageBox(window(), message.toStdString(), "错误", platform::MB_OK | platform::MB_ICONERROR);
}

// ---- footer ----

void DataGrid::invalidateSums() {
    sumsValid_ = false;
    for (auto* v : views()) v->footer()->update();
}

QString DataGrid::footerText(int index) const {
    if (index < 0 || index >= columnCount()) return {};
    const GridColumn& c = column(index);
    switch (c.footerValueType()) {
    case fvtNon: return {};
    case fvtStaticText: return c.footerValue();
    case fvtCount: return dataset() && dataset()->active() ? QString::number(dataset()->recordCount()) : QString();
    case fvtSum: break;
    }
    if (!sumsValid_) {
        // Sums over the rows in view, exact whatever order the rows are in.
        sumTexts_.assign(columns_.size(), QString());
        ClientDataSet* ds = dataset();
        if (ds && ds->active()) {
            for (std::size_t i = 0; i < columns_.size(); ++i) {
                if (columns_[i]->footerValueType() != fvtSum) continue;
                Field* f = columns_[i]->field();
                if (!f || f->isText()) continue;
                AmountTotal total;
                for (int row = 0; row < ds->recordCount(); ++row) {
                    RecordId r = ds->recordAt(row);
                    if (!f->isNullAt(r)) total.add(f->floatAt(r));
                }
                sumTexts_[i] = QString::fromStdString(total.text(f->format()));
            }
        }
        sumsValid_ = true;
    }
    return sumTexts_[static_cast<std::size_t>(index)];
}

// ---- cells ----

void DataGrid::paintCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const GridColumn* gc = index.column() < columnCount() ? &column(index.column()) : nullptr;
    bool selected = multiSelect_ ? selected_.isRowSelected(index.row()) : (option.state & QStyle::State_Selected);
    bool focused = (option.state & QStyle::State_HasFocus) != 0;
    const QPalette& pal = option.palette;
    CellStyle style{selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base),
                    selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text), option.font};
    if (colorHook_) {
        CellInfo info{index.row(), static_cast<RecordId>(index.data(DatasetModel::RecordRole).toUInt()), index.column(),
                      gc, selected, focused};
        colorHook_(info, style);
    }
    painter->save();
    painter->fillRect(option.rect, style.background);
    const QWidget* widget = option.widget;
    QStyle* st = widget ? widget->style() : QApplication::style();
    if (gc && gc->checkBox()) {
        QStyleOptionButton box;
        int w = st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget);
        int h = st->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget);
        box.rect = QRect(option.rect.center().x() - w / 2, option.rect.center().y() - h / 2, w, h);
        box.state = QStyle::State_Enabled |
                    (index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
        box.palette = option.palette;
        st->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, widget);
    } else {
        QString text = index.data(Qt::DisplayRole).toString();
        auto align = index.data(Qt::TextAlignmentRole).value<Qt::Alignment>();
        painter->setFont(style.font);
        painter->setPen(style.foreground);
        QRect r = option.rect.adjusted(3, 0, -3, 0);
        painter->drawText(r, static_cast<int>(align), QFontMetrics(style.font).elidedText(text, Qt::ElideRight, r.width()));
    }
    if (focused) {
        QStyleOptionFocusRect fr;
        fr.rect = option.rect.adjusted(1, 1, -1, -1);
        fr.state = QStyle::State_Enabled | QStyle::State_HasFocus;
        fr.backgroundColor = style.background;
        st->drawPrimitive(QStyle::PE_FrameFocusRect, &fr, painter, widget);
    }
    painter->restore();
}

}  // namespace trunaccount
