// A table model over a client dataset: one model row per row of the dataset's
// view, one model column per bound field. Values are read straight from the
// dataset's column storage, so data() costs the same for any row. Edits go
// through the dataset (edit, store, post), so the fields' validate and change
// handlers run; an edit the dataset refuses is handed to the error reporter.
//
// While the dataset's controls are suspended the model keeps showing the row
// count it had, and catches up once when they are resumed. A new order of the
// same rows (sorting, a posted row moving to its place) is a layout change:
// persistent indexes follow their records, so the views keep their current
// row, selection and scroll position.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>
#include <vector>

#include "dataset/client_dataset.h"

namespace trunaccount {

class DatasetModel : public QAbstractTableModel, private DatasetObserver {
    Q_OBJECT
public:
    enum Role {
        RecordRole = Qt::UserRole + 1,  // the record id of the row (uint)
    };

    // What a model column shows: a field by name, optionally as a check box
    // (ticked when the field holds `checked`; a click stores `checked` or
    // `unchecked`), optionally read-only.
    struct Column {
        QString fieldName;
        bool checkBox = false;
        QString checked = QStringLiteral("1");
        QString unchecked = QStringLiteral("0");
        bool readOnly = false;
    };

    explicit DatasetModel(QObject* parent = nullptr);
    ~DatasetModel() override;

    void setDataset(ClientDataSet* ds);
    ClientDataSet* dataset() const { return ds_; }
    // Without columns set, every field of the dataset is a column, in field order.
    void setColumns(std::vector<Column> columns);
    const std::vector<Column>& columns() const { return columns_; }
    // The whole model read-only (the grid's read-only mode).
    void setReadOnly(bool readOnly);
    bool readOnly() const { return readOnly_; }
    // The field shown in a model column, or null (unknown name, closed dataset).
    Field* fieldAt(int column) const;
    RecordId recordAt(int row) const;
    bool isEditable(const QModelIndex& index) const;
    // Receives the message of an edit the dataset refused.
    void setErrorReporter(std::function<void(const QString&)> reporter) { reportError_ = std::move(reporter); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    void activeChanged(bool active);
    // The dataset's cursor moved to this row.
    void cursorMoved(int row);
    // Labels, formats or handlers of the fields changed.
    void fieldDefinitionsChanged();
    // The bound dataset was destroyed; the model is now bound to none.
    void datasetReleased();

private:
    void datasetActiveChanged(bool active) override;
    void datasetChanged() override;
    void orderAboutToChange() override;
    void orderChanged() override;
    void rowChanged(int row) override;
    void rowAboutToBeRemoved(int row) override;
    void rowRemoved(int row) override;
    void currentRowChanged(int row) override;
    void fieldsChanged() override;
    void datasetDestroyed() override;

    void reset();
    void resolveFields();
    bool valid(const QModelIndex& index) const;
    bool storeText(int row, Field& field, const QString& text);

    ClientDataSet* ds_ = nullptr;
    std::vector<Column> columns_;
    bool explicitColumns_ = false;
    std::vector<int> fieldOf_;  // field index of each column, -1 when not bound
    int rows_ = 0;              // the row count the views know
    bool readOnly_ = false;
    std::function<void(const QString&)> reportError_;
    // Between orderAboutToChange and orderChanged: the persistent indexes and
    // the records they stood on.
    bool reordering_ = false;
    QModelIndexList reorderFrom_;
    std::vector<RecordId> reorderRecords_;
};

}  // namespace trunaccount
