#include "widgets/dataset_model.h"

#include "platform/errors.h"
#include "widgets/error_log.h"

namespace trunaccount {

DatasetModel::DatasetModel(QObject* parent) : QAbstractTableModel(parent) {}

DatasetModel::~DatasetModel() {
    if (ds_) ds_->removeObserver(this);
}

void DatasetModel::setDataset(ClientDataSet* ds) {
    if (ds == ds_) return;
    beginResetModel();
    if (ds_) ds_->removeObserver(this);
    ds_ = ds;
    if (ds_) ds_->addObserver(this);
    resolveFields();
    rows_ = ds_ && ds_->active() ? ds_->recordCount() : 0;
    endResetModel();
}

void DatasetModel::setColumns(std::vector<Column> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    explicitColumns_ = true;
    resolveFields();
    endResetModel();
}

void DatasetModel::setReadOnly(bool readOnly) {
    if (readOnly_ == readOnly) return;
    readOnly_ = readOnly;
    if (rows_ > 0 && columnCount() > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
}

void DatasetModel::resolveFields() {
    if (!explicitColumns_) {
        columns_.clear();
        if (ds_)
            for (int i = 0; i < ds_->fieldCount(); ++i)
                columns_.push_back({QString::fromStdString(ds_->field(i).name())});
    }
    fieldOf_.assign(columns_.size(), -1);
    if (!ds_) return;
    for (std::size_t c = 0; c < columns_.size(); ++c)
        if (Field* f = ds_->findField(columns_[c].fieldName.toStdString())) fieldOf_[c] = f->index();
}

Field* DatasetModel::fieldAt(int column) const {
    if (!ds_ || column < 0 || column >= static_cast<int>(fieldOf_.size())) return nullptr;
    int f = fieldOf_[static_cast<std::size_t>(column)];
    return f >= 0 && f < ds_->fieldCount() ? &ds_->field(f) : nullptr;
}

RecordId DatasetModel::recordAt(int row) const { return ds_->recordAt(row); }

bool DatasetModel::valid(const QModelIndex& index) const {
    // The dataset may hold fewer rows than the views know while its controls
    // are suspended.
    return index.isValid() && ds_ && ds_->active() && index.row() < rows_ && index.row() < ds_->recordCount() &&
           index.column() < static_cast<int>(columns_.size());
}

int DatasetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    if (!valid(index)) return {};
    Field* f = fieldAt(index.column());
    if (!f) return {};
    RecordId r = ds_->recordAt(index.row());
    const Column& col = columns_[static_cast<std::size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        if (col.checkBox) return {};
        return QString::fromStdString(f->displayTextAt(r));
    case Qt::EditRole: return QString::fromStdString(f->editTextAt(r));
    case Qt::CheckStateRole:
        if (!col.checkBox) return {};
        return QString::fromStdString(f->asStringAt(r)) == col.checked ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
        if (col.checkBox) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        return QVariant::fromValue(Qt::Alignment((f->isText() ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter));
    case RecordRole: return static_cast<uint>(r);
    default: return {};
    }
}

bool DatasetModel::isEditable(const QModelIndex& index) const {
    if (!valid(index) || readOnly_) return false;
    Field* f = fieldAt(index.column());
    return f && !f->readOnly() && !columns_[static_cast<std::size_t>(index.column())].readOnly;
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (isEditable(index)) {
        if (columns_[static_cast<std::size_t>(index.column())].checkBox) fl |= Qt::ItemIsUserCheckable;
        else fl |= Qt::ItemIsEditable;
    }
    return fl;
}

bool DatasetModel::storeText(int row, Field& field, const QString& text) {
    try {
        ds_->setCurrentRow(row);
        ds_->edit();
        field.setAsString(text.toStdString());
        ds_->post();
        return true;
    } catch (const std::exception& e) {
        // A refused value leaves the record in edit with its earlier value.
        logError(e);
        if (reportError_) reportError_(QString::fromUtf8(e.what()));
        return false;
    }
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!isEditable(index)) return false;
    Field* f = fieldAt(index.column());
    const Column& col = columns_[static_cast<std::size_t>(index.column())];
    if (role == Qt::CheckStateRole && col.checkBox) {
        bool tick = value.toInt() == Qt::Checked;
        return storeText(index.row(), *f, tick ? col.checked : col.unchecked);
    }
    if (role == Qt::EditRole && !col.checkBox) return storeText(index.row(), *f, value.toString());
    return false;
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (Field* f = fieldAt(section)) return QString::fromStdString(f->displayLabel());
    if (section >= 0 && section < static_cast<int>(columns_.size()))
        return columns_[static_cast<std::size_t>(section)].fieldName;
    return {};
}

void DatasetModel::reset() {
    beginResetModel();
    resolveFields();
    rows_ = ds_ && ds_->active() ? ds_->recordCount() : 0;
    endResetModel();
}

void DatasetModel::datasetActiveChanged(bool active) {
    reset();
    emit activeChanged(active);
}

void DatasetModel::datasetChanged() { reset(); }

void DatasetModel::orderAboutToChange() {
    // Only the order of the rows the views know can change as a layout.
    reordering_ = ds_ && ds_->active() && rows_ == ds_->recordCount();
    if (!reordering_) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    reorderFrom_ = persistentIndexList();
    reorderRecords_.clear();
    for (const QModelIndex& i : reorderFrom_)
        reorderRecords_.push_back(i.row() >= 0 && i.row() < rows_ ? ds_->recordAt(i.row()) : Bookmark::kNone);
}

void DatasetModel::orderChanged() {
    if (!reordering_ || rows_ != ds_->recordCount()) {
        if (reordering_) emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        reordering_ = false;
        reset();
        return;
    }
    reordering_ = false;
    QModelIndexList to;
    to.reserve(reorderFrom_.size());
    for (qsizetype i = 0; i < reorderFrom_.size(); ++i) {
        const RecordId r = reorderRecords_[static_cast<std::size_t>(i)];
        const int row = r == Bookmark::kNone ? -1 : ds_->rowOf(r);
        to << (row >= 0 ? index(row, reorderFrom_[i].column()) : QModelIndex());
    }
    changePersistentIndexList(reorderFrom_, to);
    reorderFrom_.clear();
    reorderRecords_.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DatasetModel::rowChanged(int row) {
    if (row < rows_ && !columns_.empty()) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void DatasetModel::rowAboutToBeRemoved(int row) {
    if (row < rows_) beginRemoveRows({}, row, row);
}

void DatasetModel::rowRemoved(int row) {
    if (row < rows_) {
        --rows_;
        endRemoveRows();
    }
}

void DatasetModel::currentRowChanged(int row) { emit cursorMoved(row); }

void DatasetModel::fieldsChanged() {
    resolveFields();
    if (!columns_.empty()) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (rows_ > 0 && !columns_.empty()) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
    emit fieldDefinitionsChanged();
}

void DatasetModel::datasetDestroyed() {
    beginResetModel();
    ds_ = nullptr;
    resolveFields();
    rows_ = 0;
    endResetModel();
    emit datasetReleased();
}

}  // namespace trunaccount
