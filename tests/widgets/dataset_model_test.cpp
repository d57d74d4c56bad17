#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "dataset/client_dataset.h"
#include "platform/errors.h"
#include "support/packets.h"
#include "widgets/dataset_model.h"

using namespace Qt::StringLiterals;

using namespace trunaccount;
using trunaccount::testing::makePacket;

namespace {

DataPacket tickRows() {
    return makePacket({{"f_zzgdbz", ColumnKind::Text, 1}, {"f_djh", ColumnKind::Text, 12}, {"f_hsje", ColumnKind::Float, 0},
                       {"f_zzzfrq", ColumnKind::Text, 8}},
                      {
                          {"0", "D1", 1234.5, ""},
                          {"1", "D2", 20.0, "20240229"},
                          {"0", "D3", 0.1, ""},
                          {"x", "D4", Variant::null(), ""},
                      });
}

class DatasetModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        tick = &ds.addField("f_zzgdbz", FieldKind::Text, 1);
        djh = &ds.addField("f_Djh", FieldKind::Text, 12);
        hsje = &ds.addField("f_hsje", FieldKind::Float);
        date = &ds.addField("f_Zzzfrq", FieldKind::Text, 8);
        djh->setReadOnly(true);
        hsje->setDisplayFormat("####0.00");
        model.setDataset(&ds);
        model.setColumns({{"f_zzgdbz"_L1, true}, {"f_Djh"_L1}, {"f_hsje"_L1}, {"f_Zzzfrq"_L1}, {"f_missing"_L1}});
        model.setErrorReporter([this](const QString& m) { errors << m; });
        ds.loadPacket(tickRows());
    }
    QString text(int row, int col, int role = Qt::DisplayRole) { return model.data(model.index(row, col), role).toString(); }

    ClientDataSet ds{"cdspass"};
    Field *tick, *djh, *hsje, *date;
    DatasetModel model;
    QStringList errors;
};

TEST_F(DatasetModelTest, StaysConsistentThroughEveryKindOfChange) {
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ds.addIndex("customindex", "f_hsje", 0, "f_hsje");
    ds.setIndexName("customindex");
    ds.setFilter("f_hsje > 1");
    ds.setFiltered(true);
    EXPECT_EQ(model.rowCount(), 2);
    ds.setFiltered(false);
    model.setData(model.index(2, 0), Qt::Checked, Qt::CheckStateRole);
    ds.setCurrentRow(1);
    ds.deleteRecord();
    EXPECT_EQ(model.rowCount(), 3);
    {
        ControlsSuspended s(ds);
        ds.first();
        ds.deleteRecord();
        ds.deleteRecord();
        EXPECT_EQ(model.rowCount(), 3);  // the views catch up at the end
        EXPECT_FALSE(model.data(model.index(2, 1)).isValid());
    }
    EXPECT_EQ(model.rowCount(), 1);
    hsje->setDisplayLabel("付款金额");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("付款金额"));
    ds.emptyDataSet();
    EXPECT_EQ(model.rowCount(), 0);
    ds.loadPacket(tickRows());
    ds.close();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(DatasetModelTest, ANewOrderMovesPersistentIndexesWithTheirRecords) {
    // Sorting is a layout change, as views and proxies expect of it: no reset,
    // so that a view keeps its current row, its selection and its scroll position.
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
    auto numberAt = [&](const QPersistentModelIndex& i) { return model.data(model.index(i.row(), 1)).toString(); };
    QPersistentModelIndex d1(model.index(0, 2));
    QPersistentModelIndex d3(model.index(2, 3));
    QPersistentModelIndex d4(model.index(3, 0));

    ds.addIndex("customindex", "f_hsje", 0, "f_hsje");  // largest amount first, the empty one last
    ds.setIndexName("customindex");
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(layouts.count(), 1);
    EXPECT_EQ(d1.row(), 0);
    EXPECT_EQ(d3.row(), 2);
    EXPECT_EQ(d4.row(), 3);
    EXPECT_EQ(d3.column(), 3);
    EXPECT_EQ(numberAt(d3), "D3"_L1);

    ds.addIndex("ascending", "f_hsje", 0);
    ds.setIndexName("ascending");
    EXPECT_EQ(numberAt(d1), "D1"_L1);
    EXPECT_EQ(numberAt(d3), "D3"_L1);
    EXPECT_EQ(numberAt(d4), "D4"_L1);
    EXPECT_EQ(d1.row(), 3);

    // A stored amount moves its row to its place the same way.
    ASSERT_TRUE(model.setData(model.index(d3.row(), 2), "5000"_L1));
    EXPECT_EQ(d3.row(), 3);
    EXPECT_EQ(numberAt(d3), "D3"_L1);
    EXPECT_EQ(numberAt(d1), "D1"_L1);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(layouts.count(), 3);

    // While suspended, the views catch up once at the end, by a reset.
    {
        ControlsSuspended s(ds);
        ds.setIndexName("customindex");
    }
    EXPECT_EQ(resets.count(), 1);
}

TEST_F(DatasetModelTest, ShowsFormattedTextsAndCheckStates) {
    EXPECT_EQ(text(0, 2), "1234.50"_L1);
    EXPECT_EQ(text(0, 2, Qt::EditRole), "1234.5"_L1);
    EXPECT_EQ(text(2, 2), "0.10"_L1);
    EXPECT_EQ(text(3, 2), ""_L1);
    EXPECT_EQ(text(1, 1), "D2"_L1);
    EXPECT_FALSE(model.data(model.index(0, 0)).isValid());  // a check box has no text
    EXPECT_EQ(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(model.data(model.index(1, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(model.data(model.index(3, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::CheckStateRole).isValid());
    EXPECT_EQ(model.data(model.index(0, 2), Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(model.data(model.index(2, 0), DatasetModel::RecordRole).toUInt(), 2u);
    EXPECT_FALSE(model.data(model.index(0, 4)).isValid());  // a column whose field is missing shows nothing
    EXPECT_EQ(model.headerData(4, Qt::Horizontal).toString(), "f_missing"_L1);
}

TEST_F(DatasetModelTest, EditableWhereNeitherModelColumnNorFieldIsReadOnly) {
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);  // read-only field
    EXPECT_TRUE(model.flags(model.index(0, 3)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(0, 1), "X"_L1));
    model.setReadOnly(true);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(tick->asString(), "0");
}

TEST_F(DatasetModelTest, ACheckStoresThroughTheDatasetSoItsHandlersRun) {
    std::vector<std::string> changes;
    tick->setOnChange([&](Field& f) { changes.push_back(djh->asString() + "=" + f.asString()); });
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    EXPECT_TRUE(model.setData(model.index(2, 0), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(model.setData(model.index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(changes, (std::vector<std::string>{"D3=1", "D2=0"}));
    EXPECT_EQ(ds.state(), DatasetState::Browse);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(model.data(model.index(2, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
}

TEST_F(DatasetModelTest, ARefusedValueIsReportedAndTheOldOneStays) {
    date->setOnValidate([](Field&, const Variant& v) {
        if (!v.toText().empty() && v.toText().size() != 8) throw ConversionError("非法日期");
    });
    EXPECT_FALSE(model.setData(model.index(1, 3), "2024022"_L1));
    EXPECT_EQ(errors, QStringList{QStringLiteral("非法日期")});
    EXPECT_EQ(text(1, 3), "20240229"_L1);
    EXPECT_TRUE(model.setData(model.index(1, 3), ""_L1));
    EXPECT_EQ(text(1, 3), ""_L1);
}

}  // namespace
