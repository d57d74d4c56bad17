#include "widgets/grid_column.h"

#include "widgets/data_grid.h"

namespace trunaccount {

int GridColumn::index() const {
    for (int i = 0; i < grid_->columnCount(); ++i)
        if (&grid_->column(i) == this) return i;
    return -1;
}

void GridColumn::setFieldName(const QString& name) {
    fieldName_ = name;
    grid_->columnStructureChanged();
}

Field* GridColumn::field() const {
    ClientDataSet* ds = grid_->dataset();
    return ds ? ds->findField(fieldName_.toStdString()) : nullptr;
}

QString GridColumn::title() const {
    if (!title_.isEmpty()) return title_;
    if (Field* f = field()) return QString::fromStdString(f->displayLabel());
    return fieldName_;
}

void GridColumn::setTitle(const QString& caption) {
    title_ = caption;
    grid_->columnAppearanceChanged();
}

void GridColumn::setSortMarker(SortMarker marker) {
    if (sortMarker_ == marker) return;
    sortMarker_ = marker;
    grid_->columnSortMarkerChanged(*this);
}

void GridColumn::setVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    grid_->columnLayoutChanged(*this);
}

int GridColumn::width() const { return width_ > 0 ? width_ : grid_->defaultWidth(*this); }

void GridColumn::setWidth(int width) {
    width_ = std::max(width, 0);
    grid_->columnLayoutChanged(*this);
}

void GridColumn::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    grid_->columnStructureChanged();
}

void GridColumn::setCheckBox(bool on, const QString& checked, const QString& unchecked) {
    checkBox_ = on;
    checked_ = checked;
    unchecked_ = unchecked;
    grid_->columnStructureChanged();
}

void GridColumn::setFooterValueType(FooterValueType type) {
    footerType_ = type;
    grid_->invalidateSums();
}

void GridColumn::setFooterValue(const QString& text) {
    footerValue_ = text;
    grid_->invalidateSums();
}

void GridColumn::setFooterAlignment(Qt::Alignment a) {
    footerAlignment_ = a;
    grid_->invalidateSums();
}

}  // namespace trunaccount
