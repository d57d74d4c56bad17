// The grid's filter run: the condition builder opened over the grid's dataset
// with the last accepted rows, and what its answer does to the dataset.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>

#include "dataset/client_dataset.h"
#include "support/message_box_recorder.h"
#include "support/condition_row_helpers.h"
#include "support/packets.h"
#include "support/temp_dir.h"
#include "tools/adv_grid.h"
#include "tools/frm_query_set.h"
#include "support/modal_helper.h"
#include "ui_frm_query_set.h"
#include "widgets/flat_controls.h"

using namespace trunaccount;
using trunaccount::testing::cond;
using trunaccount::testing::makePacket;
using trunaccount::testing::rel;
using trunaccount::testing::MessageBoxRecorder;
using trunaccount::testing::TempDir;
using trunaccount::testing::whenModal;

namespace {

class RunQuerySetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TRUNACCOUNT_HOST_DIR", hostDir.path().c_str(), 1);
        ds.addField("f_Djh", FieldKind::Text, 12).setDisplayLabel("单据号");
        ds.addField("f_Csmc", FieldKind::Text, 60).setDisplayLabel("供应商名称");
        ds.addField("f_hsje", FieldKind::Float).setDisplayLabel("发票金额");
        ds.loadPacket(makePacket({{"f_djh", ColumnKind::Text, 12}, {"f_csmc", ColumnKind::Text, 60}, {"f_hsje", ColumnKind::Float, 0}},
                                 {
                                     {"A", "abc食品", 100.0},
                                     {"B", "华联abc", 150.5},
                                     {"C", "永辉", 200.0},
                                     {"D", Variant::null(), 250.0},
                                     {"E", "O'Brien", 20.0},
                                     {"F", "华联abc", 99.99},
                                 }));
        grid.setDataset(&ds);
        for (const char* f : {"f_Djh", "f_Csmc", "f_hsje"}) grid.addColumn(QLatin1StringView(f));
    }
    void TearDown() override { ::unsetenv("TRUNACCOUNT_HOST_DIR"); }

    std::string shown() {
        std::string s;
        for (int r = 0; r < ds.recordCount(); ++r) s += std::string(ds.field(0).textAt(ds.recordAt(r)));
        return s;
    }

    // Runs the filter; when the builder opens, `act` works in it (the rows it
    // opened with are kept in `opened`).
    bool run(std::function<void(TFrmQuerySet&)> act) {
        opened.clear();
        whenModal([this, act](QWidget* w) {
            auto* builder = qobject_cast<TFrmQuerySet*>(w);
            if (!builder) {
                ADD_FAILURE() << "not the condition builder: " << w->windowTitle().toStdString();
                return static_cast<QDialog*>(w)->reject();
            }
            opened = builder->conditionRows();
            caption = builder->ui().gbxGoodsInfo->title();
            act(*builder);
        });
        return grid.RunQuerySet(QStringLiteral("转帐勾对过滤"), false);
    }
    // The builder accepts `rows` as they stand in its list.
    static void acceptRows(TFrmQuerySet& b, const ConditionRows& rows) {
        QTreeWidget* lv = b.ui().lvwLogic;
        lv->clear();
        for (const ConditionRow& r : rows) new QTreeWidgetItem(lv, {r.caption, r.subItems[0], r.subItems[1], r.subItems[2]});
        QTest::mouseClick(b.ui().btnOK, Qt::LeftButton);
    }

    TempDir hostDir;
    MessageBoxRecorder boxes;
    ClientDataSet ds{"cdspass"};
    TAdvDBGridEh grid;
    ConditionRows opened;
    QString caption;
};

TEST_F(RunQuerySetTest, AcceptedRowsFilterTheDatasetAndComeBackNextTime) {
    // Typed in the builder: 发票金额 大于 100, Enter, Enter.
    EXPECT_TRUE(run([](TFrmQuerySet& b) {
        b.ui().cbxField->setCurrentIndex(b.ui().cbxField->findText(QStringLiteral("发票金额")));
        b.ui().cbxFactor->setCurrentIndex(b.ui().cbxFactor->findText(QStringLiteral("大于")));
        QTest::keyClicks(b.ui().editValue, QStringLiteral("100"));
        QTest::keyClick(b.ui().editValue, Qt::Key_Return);
        QTest::keyClick(b.ui().editValue, Qt::Key_Return);
    }));
    EXPECT_EQ(caption, QStringLiteral("转帐勾对过滤"));
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(grid.savedConditions, (ConditionRows{cond("发票金额", "大于", "100")}));
    EXPECT_EQ(ds.filter(), "( f_hsje > 100 )");
    EXPECT_TRUE(ds.filtered());
    EXPECT_EQ(shown(), "BCD");
    EXPECT_EQ(ds.currentRow(), 0);

    // The next run starts from them; "部分不等于" with 并且 takes the suppliers away.
    const ConditionRows more = {cond("发票金额", "大于", "100"), rel("并且"), cond("供应商名称", "部分不等于", "华联")};
    EXPECT_TRUE(run([&](TFrmQuerySet& b) { acceptRows(b, more); }));
    EXPECT_EQ(opened, (ConditionRows{cond("发票金额", "大于", "100")}));
    EXPECT_EQ(grid.savedConditions, more);
    EXPECT_EQ(shown(), "CD");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(RunQuerySetTest, CancelChangesNothing) {
    const ConditionRows saved = {cond("单据号", "等于", "A")};
    grid.savedConditions = saved;
    ds.setFilter("f_hsje < 150");
    ds.setFiltered(true);
    for (auto how : {Qt::Key_Escape, Qt::Key_X}) {
        EXPECT_FALSE(run([how](TFrmQuerySet& b) {
            b.ui().lvwLogic->clear();
            if (how == Qt::Key_Escape) QTest::keyClick(b.ui().lvwLogic, Qt::Key_Escape);
            else QTest::mouseClick(b.ui().btnExit, Qt::LeftButton);
        }));
        EXPECT_EQ(opened, saved);
        EXPECT_EQ(grid.savedConditions, saved);
        EXPECT_EQ(ds.filter(), "f_hsje < 150");
        EXPECT_EQ(shown(), "AEF");
    }
}

TEST_F(RunQuerySetTest, ARejectedTextIsShownAsAnErrorAndLeavesTheFilter) {
    ds.setFilter("f_hsje < 150");
    ds.setFiltered(true);
    const ConditionRows wrong = {cond("发票金额", "等于", "abc")};
    EXPECT_FALSE(run([&](TFrmQuerySet& b) { acceptRows(b, wrong); }));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "过滤条件无法执行：“abc”不是数字。请修改条件后再试。");
    EXPECT_EQ(boxes.shown()[0].caption, "错误");
    EXPECT_EQ(boxes.shown()[0].icon(), unsigned(platform::MB_ICONERROR));
    EXPECT_EQ(boxes.shown()[0].owner, grid.window());
    // The rows are kept for the user to mend; the dataset's filter is as it was.
    EXPECT_EQ(grid.savedConditions, wrong);
    EXPECT_EQ(ds.filter(), "f_hsje < 150");
    EXPECT_EQ(shown(), "AEF");
}

TEST_F(RunQuerySetTest, EmptyRowsShowEveryRow) {
    ds.setFilter("f_hsje < 150");
    ds.setFiltered(true);
    grid.savedConditions = {cond("单据号", "等于", "A")};
    EXPECT_TRUE(run([](TFrmQuerySet& b) {
        QTest::mouseClick(b.ui().btnClearLogic, Qt::LeftButton);
        QTest::mouseClick(b.ui().btnOK, Qt::LeftButton);
    }));
    EXPECT_TRUE(grid.savedConditions.empty());
    EXPECT_EQ(ds.filter(), "");
    EXPECT_EQ(shown(), "ABCDEF");
}

TEST_F(RunQuerySetTest, ABuilderThatCannotOpenIsAnError) {
    FILE* f = std::fopen((hostDir.path() + "/Quorvexpos.ini").c_str(), "w");
    std::fputs("[ColorOption]\r\nlinecolor=green\r\n", f);
    std::fclose(f);
    EXPECT_FALSE(grid.RunQuerySet(QStringLiteral("转帐勾对过滤"), false));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "'green' is not a valid integer value");
    EXPECT_EQ(boxes.shown()[0].caption, "错误");
    EXPECT_EQ(ds.filter(), "");
}

}  // namespace
