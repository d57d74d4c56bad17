#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTableView>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>

#include "data/settings.h"
#include "dataset/client_dataset.h"
#include "support/message_box_recorder.h"
#include "support/packets.h"
#include "support/temp_dir.h"
#include "tools/adv_grid.h"

using namespace Qt::StringLiterals;

using namespace trunaccount;
using trunaccount::testing::makePacket;
using trunaccount::testing::TempDir;

namespace {

DataPacket documents() {
    return makePacket({{"f_djh", ColumnKind::Text, 12}, {"f_csmc", ColumnKind::Text, 60}, {"f_hsje", ColumnKind::Float, 0}},
                      {
                          {"0002", "beta", 10.0},
                          {"0001", "Alpha", 30.0},
                          {"0002", "alpha", 20.0},
                          {"0001", "BETA", 40.0},
                      });
}

class AdvGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TRUNACCOUNT_HOST_DIR", hostDir.path().c_str(), 1);
        djh = &ds.addField("f_Djh", FieldKind::Text, 12);
        csmc = &ds.addField("f_Csmc", FieldKind::Text, 60);
        hsje = &ds.addField("f_hsje", FieldKind::Float);
        grid.setDataset(&ds);
        for (const char* f : {"f_Djh", "f_Csmc", "f_hsje"}) grid.addColumn(QLatin1StringView(f)).setTitleButton(true);
        grid.column(0).setWidth(95);
        grid.column(1).setWidth(119);
    }
    void TearDown() override { ::unsetenv("TRUNACCOUNT_HOST_DIR"); }

    std::string order() {
        std::string s;
        for (int r = 0; r < ds.recordCount(); ++r)
            s += std::string(djh->textAt(ds.recordAt(r))) + "/" + csmc->asStringAt(ds.recordAt(r)) + " ";
        return s;
    }
    void clickTitle(int column, Qt::KeyboardModifiers mods = {}) {
        auto* h = static_cast<QHeaderView*>(grid.titleBar());
        QTest::mouseClick(h->viewport(), Qt::LeftButton, mods,
                          QPoint(h->sectionViewportPosition(column) + 10, h->height() / 2));
    }

    TempDir hostDir;
    ClientDataSet ds{"cdspass"};
    Field *djh, *csmc, *hsje;
    TAdvDBGridEh grid;
};

TEST_F(AdvGridTest, MarkersMakeTheFieldListsAndTheCustomIndex) {
    ds.loadPacket(documents());
    grid.column(0).setSortMarker(smUpEh);
    grid.column(2).setSortMarker(smDownEh);
    auto t = grid.sortTexts();
    EXPECT_EQ(t.fieldList, "f_Djh;f_hsje"_L1);
    EXPECT_EQ(t.descendingList, "f_hsje"_L1);
    EXPECT_EQ(t.sortText, "f_Djh ASC,f_hsje DESC"_L1);
    grid.ApplySortMarkers();
    ASSERT_NE(ds.findIndex("customindex"), nullptr);
    EXPECT_EQ(ds.findIndex("customindex")->fields, "f_Djh;f_hsje");
    EXPECT_EQ(ds.findIndex("customindex")->descFields, "f_hsje");
    EXPECT_EQ(ds.findIndex("customindex")->options, unsigned(ixCaseInsensitive));
    EXPECT_EQ(ds.indexName(), "customindex");
    EXPECT_EQ(order(), "0001/BETA 0001/Alpha 0002/alpha 0002/beta ");

    // Sorting again replaces the index.
    grid.ClearSortMarkers();
    grid.column(1).setSortMarker(smUpEh);
    grid.column(0).setSortMarker(smDownEh);
    grid.ApplySortMarkers();
    EXPECT_EQ(ds.indexDefs().size(), 1u);
    EXPECT_EQ(order(), "0002/alpha 0001/Alpha 0002/beta 0001/BETA ");
}

TEST_F(AdvGridTest, AutoSortedGridSortsOnEveryMarkerChange) {
    grid.AutoSorted = true;
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    ds.loadPacket(documents());
    QSignalSpy signalled(&grid, &DataGrid::sortMarkingChanged);
    clickTitle(2);
    EXPECT_EQ(order(), "0002/beta 0002/alpha 0001/Alpha 0001/BETA ");
    clickTitle(2);
    EXPECT_EQ(order(), "0001/BETA 0001/Alpha 0002/alpha 0002/beta ");
    clickTitle(1, Qt::ControlModifier);
    clickTitle(0, Qt::ControlModifier);
    EXPECT_EQ(order(), "0001/BETA 0001/Alpha 0002/alpha 0002/beta ");  // not yet
    QTest::keyRelease(grid.view(), Qt::Key_Control);
    EXPECT_EQ(grid.sortTexts().fieldList, "f_hsje;f_Csmc;f_Djh"_L1);
    EXPECT_EQ(order(), "0001/BETA 0001/Alpha 0002/alpha 0002/beta ");
    EXPECT_EQ(signalled.count(), 0);  // the grid sorted instead of signalling

    grid.AutoSorted = false;
    clickTitle(0);
    EXPECT_EQ(signalled.count(), 1);
    EXPECT_EQ(ds.findIndex("customindex")->fields, "f_hsje;f_Csmc;f_Djh");
}

TEST_F(AdvGridTest, SortingAnEmptyOrClosedDatasetChangesNothing) {
    grid.column(0).setSortMarker(smUpEh);
    grid.ApplySortMarkers();  // closed
    ds.loadPacket(makePacket({{"f_djh", ColumnKind::Text, 12}, {"f_csmc", ColumnKind::Text, 60}, {"f_hsje", ColumnKind::Float, 0}}, {}));
    grid.column(0).setSortMarker(smUpEh);
    grid.ApplySortMarkers();
    EXPECT_EQ(ds.findIndex("customindex"), nullptr);
    EXPECT_EQ(grid.column(0).sortMarker(), smUpEh);  // the marker is still shown
    grid.ClearSortMarkers();
    grid.ApplySortMarkers();  // no markers
    EXPECT_EQ(ds.findIndex("customindex"), nullptr);
}

TEST_F(AdvGridTest, OpeningOrClosingTheDatasetClearsTheMarkers) {
    grid.column(0).setSortMarker(smUpEh);
    grid.column(2).setSortMarker(smDownEh);
    {
        ControlsSuspended s(ds);  // the first search loads with the controls suspended
        ds.loadPacket(documents());
    }
    EXPECT_EQ(grid.column(0).sortMarker(), smNoneEh);
    EXPECT_EQ(grid.column(2).sortMarker(), smNoneEh);
    EXPECT_TRUE(grid.sortMarkedColumns().empty());

    grid.column(1).setSortMarker(smUpEh);
    grid.ApplySortMarkers();
    ds.loadPacket(documents());  // a reload clears the markers, the order stays
    EXPECT_EQ(grid.column(1).sortMarker(), smNoneEh);
    EXPECT_EQ(ds.indexName(), "customindex");
    EXPECT_EQ(order(), "0001/Alpha 0002/alpha 0002/beta 0001/BETA ");
}

TEST_F(AdvGridTest, ShowSumCountWritesTheCountWhenTheDatasetOpens) {
    grid.ShowSumCount = true;
    grid.column(0).setFooterValueType(fvtStaticText);
    ds.loadPacket(documents());
    EXPECT_EQ(grid.column(0).footerValue(), QStringLiteral("合计:4条"));
    ds.setFilter("f_hsje > 15");
    ds.setFiltered(true);
    grid.ShowCountFooter();
    EXPECT_EQ(grid.footerText(0), QStringLiteral("合计:3条"));
    grid.ShowSumCount = false;
    ds.close();
    EXPECT_EQ(grid.column(0).footerValue(), QStringLiteral("合计:3条"));
}

TEST_F(AdvGridTest, CountFooterGoesUnderTheFirstVisibleColumnOnly) {
    ds.loadPacket(documents());
    struct Case {
        const char* name;
        bool firstVisible;
        FooterValueType first, second, third;
        const char* secondText;
        const char* firstAfter;
        const char* secondAfter;
    } cases[] = {
        {"none becomes the count", true, fvtNon, fvtStaticText, fvtNon, "已勾:0条", "合计:4条", "已勾:0条"},
        {"static text is replaced", true, fvtStaticText, fvtStaticText, fvtNon, "合计:9条", "合计:4条", ""},
        {"a sum keeps the count away", true, fvtSum, fvtStaticText, fvtNon, "小合计", "", ""},
        {"hidden first column", false, fvtSum, fvtNon, fvtNon, "", "", "合计:4条"},
        {"hidden first, second is a sum", false, fvtStaticText, fvtSum, fvtStaticText, "", "", ""},
    };
    for (const auto& c : cases) {
        grid.column(0).setVisible(c.firstVisible);
        grid.column(0).setFooterValueType(c.first);
        grid.column(0).setFooterValue(c.first == fvtStaticText ? QStringLiteral("合计:1条") : ""_L1);
        grid.column(1).setFooterValueType(c.second);
        grid.column(1).setFooterValue(QString::fromUtf8(c.secondText));
        grid.column(2).setFooterValueType(c.third);
        grid.column(2).setFooterValue(c.third == fvtStaticText ? QStringLiteral("合计:2条") : ""_L1);
        grid.ShowCountFooter();
        EXPECT_EQ(grid.column(0).footerValue(), QString::fromUtf8(c.firstAfter)) << c.name;
        EXPECT_EQ(grid.column(1).footerValue(), QString::fromUtf8(c.secondAfter)) << c.name;
        EXPECT_EQ(grid.column(2).footerValue(), ""_L1) << c.name;
    }
    EXPECT_EQ(grid.column(1).footerValueType(), fvtSum);
    ds.close();
    grid.column(0).setVisible(true);
    grid.column(0).setFooterValueType(fvtNon);
    grid.ShowCountFooter();  // closed: nothing
    EXPECT_EQ(grid.column(0).footerValueType(), fvtNon);
}

TEST_F(AdvGridTest, ConditionTextDescribesQueryAndFilter) {
    const ConditionRows filter = {
        ConditionRow::condition(QStringLiteral("单据号"), QStringLiteral("等于"), "0001"_L1),
        ConditionRow::relation(QStringLiteral("并且")),
        ConditionRow::condition(QStringLiteral("供应商名称"), QStringLiteral("部分等于"), "ABC"_L1)};
    const ConditionRows query = {
        ConditionRow::condition(QStringLiteral("付款原因"), QStringLiteral("等于"), QStringLiteral("货款"))};
    struct Case {
        ConditionRows search, saved;
        QString extra, text;
    } cases[] = {
        {{}, {}, ""_L1, ""_L1},
        {{},
         {},
         QStringLiteral("制单日期:从2024-1-1至2024-1-31"),
         QStringLiteral("查询条件:\r\n    制单日期:从2024-1-1至2024-1-31\r\n")},
        {{},
         filter,
         "T"_L1,
         QStringLiteral("查询条件:\r\n    T\r\n过滤条件:\r\n    单据号:等于0001并且\r\n    供应商名称:部分等于ABC")},
        {{}, filter, ""_L1, QStringLiteral("过滤条件:\r\n    单据号:等于0001并且\r\n    供应商名称:部分等于ABC")},
        {query, {}, "T"_L1, QStringLiteral("查询条件:\r\n    T并且\r\n    付款原因:等于货款\r\n")},
        {query, {}, ""_L1, QStringLiteral("查询条件:\r\n    付款原因:等于货款\r\n")},
        {query,
         {ConditionRow::condition(QStringLiteral("税额"), QStringLiteral("大于"), "1"_L1)},
         " "_L1,
         QStringLiteral("查询条件:\r\n     并且\r\n    付款原因:等于货款\r\n过滤条件:\r\n    税额:大于1")},
    };
    for (const auto& c : cases) {
        grid.searchConditions = c.search;
        grid.savedConditions = c.saved;
        EXPECT_EQ(grid.ConditionText(c.extra), c.text) << c.text.toStdString();
    }
}

TEST_F(AdvGridTest, LoadColumnLayoutReadsVisibilityAndWidth) {
    grid.addColumn("f_zzgdrq"_L1).setTag(1);
    grid.addColumn("f_Rzrq"_L1);
    struct Case {
        int column;
        const char* stored;  // null: no key
        bool visible;
        int width;
    } cases[] = {
        {0, "0,120", false, 120},  // hidden, width 120
        {1, "1,0", true, 119},     // shown, designed width
        {2, "1", false, 1},        // no comma: hidden, width 1
        {3, "1,80", false, 80},    // tag 1 stays hidden
        {4, "", false, -1},        // empty: hidden, designed width
    };
    const int designed4 = grid.column(4).width();
    for (const auto& c : cases)
        WriteSetting("Quorvexpos.ini", "FrmTrunAccountInput", grid.column(c.column).fieldName().toStdString(), c.stored, "");
    grid.LoadColumnLayout("Quorvexpos.ini"_L1, "FrmTrunAccountInput"_L1, ""_L1);
    for (const auto& c : cases) {
        EXPECT_EQ(grid.column(c.column).visible(), c.visible) << c.stored;
        EXPECT_EQ(grid.column(c.column).width(), c.width < 0 ? designed4 : c.width) << c.stored;
    }

    // A missing section gives "1,0" to every column but the tagged one.
    grid.LoadColumnLayout("Quorvexpos.ini"_L1, "FrmTrunAccountSearch"_L1, ""_L1);
    EXPECT_TRUE(grid.column(0).visible());
    EXPECT_EQ(grid.column(0).width(), 120);
    EXPECT_FALSE(grid.column(3).visible());
}

TEST_F(AdvGridTest, LoadColumnLayoutNeverFailsOnAMalformedValue) {
    const char* values[] = {"1,abc", "1,12x", ",", "1,,5", "yes,99999999999", "1, 77", "0,-5"};
    for (const char* v : values) {
        WriteSetting("Quorvexpos.ini", "S", "f_Djh", v, "");
        EXPECT_NO_THROW(grid.LoadColumnLayout("Quorvexpos.ini"_L1, "S"_L1, ""_L1)) << v;
    }
    WriteSetting("Quorvexpos.ini", "S", "f_Djh", "1,12x", "");
    grid.column(0).setWidth(95);
    grid.LoadColumnLayout("Quorvexpos.ini"_L1, "S"_L1, ""_L1);
    EXPECT_EQ(grid.column(0).width(), 95);
    WriteSetting("Quorvexpos.ini", "S", "f_Djh", "1, 77", "");
    grid.LoadColumnLayout("Quorvexpos.ini"_L1, "S"_L1, ""_L1);
    EXPECT_EQ(grid.column(0).width(), 77);
}

TEST_F(AdvGridTest, SaveColumnLayoutWritesVisibilityAndWidth) {
    grid.addColumn("f_zzgdrq"_L1).setTag(1);
    grid.column(3).setWidth(102);
    WriteSetting("Quorvexpos.ini", "FrmTrunAccountSearch", "f_zzgdrq", "1,102", "");
    grid.LoadColumnLayout("Quorvexpos.ini"_L1, "FrmTrunAccountSearch"_L1, ""_L1);
    grid.column(1).setVisible(false);
    grid.SaveColumnLayout("Quorvexpos.ini"_L1, "FrmTrunAccountSearch"_L1, ""_L1);
    auto read = [&](const char* key) { return ReadSetting("Quorvexpos.ini", "FrmTrunAccountSearch", key, "?", ""); };
    EXPECT_EQ(read("f_Djh"), "1,95");
    EXPECT_EQ(read("f_Csmc"), "0,119");
    EXPECT_EQ(read("f_zzgdrq"), "0,102");
    EXPECT_EQ(read("f_hsje"), "1," + std::to_string(grid.column(2).width()));

    // Another folder is used as given, with its separator completed.
    TempDir elsewhere;
    std::string folder = elsewhere.path();
    folder.pop_back();  // without the trailing "/"
    grid.SaveColumnLayout("layout.ini"_L1, "S"_L1, QString::fromStdString(folder));
    EXPECT_EQ(ReadSetting("layout.ini", "S", "f_Djh", "?", elsewhere.path()), "1,95");
    EXPECT_EQ(CompleteLayoutFolder(""_L1), "\\"_L1);
    EXPECT_EQ(CompleteLayoutFolder("\\"_L1), "\\"_L1);
}

TEST_F(AdvGridTest, SortErrorsReachTheUser) {
    trunaccount::testing::MessageBoxRecorder boxes;
    grid.AutoSorted = true;
    grid.addColumn("f_nothing"_L1).setTitleButton(true);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    ds.loadPacket(documents());
    clickTitle(3);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "错误");
    EXPECT_EQ(boxes.shown()[0].text, "cdspass: field 'f_nothing' not found");
    EXPECT_EQ(ds.indexName(), "");
}

}  // namespace
