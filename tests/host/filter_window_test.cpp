// The window's "过  滤" over the demo database: the condition builder opened
// from the tool button, the rows it leaves, the count under the first column,
// the condition memo, and the ticked totals while a filter hides ticked rows.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <set>

#include "support/condition_row_helpers.h"
#include "tick_window.h"
#include "tools/adv_grid.h"
#include "tools/frm_query_set.h"
#include "support/modal_helper.h"
#include "ui_frm_query_set.h"
#include "ui_frm_trun_account.h"
#include "window_fixture.h"

namespace trunaccount::testing {
namespace {

using host::TFrmTrunAccount;

class FilterWindow : public WindowTest {
protected:
    void TearDown() override {
        container.reset();
        flushDeletes();
    }
    TFrmTrunAccount* list(const QString& mode, const char* from = "20241001", const char* to = "20250110") {
        TFrmTrunAccount* w = open(mode, coordinator.get());
        EXPECT_NE(w, nullptr);
        if (w) searchDocuments(*w, BusinessType::InvoiceSubmission, from, to, 0);
        return w;
    }
    // Presses "过  滤"; in the builder, `act` does what the user does.
    void filter(TFrmTrunAccount& w, std::function<void(TFrmQuerySet&)> act) {
        opened.clear();
        whenModal([this, act](QWidget* dialog) {
            auto* builder = qobject_cast<TFrmQuerySet*>(dialog);
            ASSERT_NE(builder, nullptr) << dialog->windowTitle().toStdString();
            opened = builder->conditionRows();
            title = builder->ui().gbxGoodsInfo->title();
            act(*builder);
        });
        QTest::mouseClick(w.ui().ButFilter, Qt::LeftButton);
    }
    // The builder accepts exactly `rows`.
    void filterBy(TFrmTrunAccount& w, const ConditionRows& rows) {
        filter(w, [rows](TFrmQuerySet& b) {
            QTreeWidget* lv = b.ui().lvwLogic;
            lv->clear();
            for (const auto& r : rows) new QTreeWidgetItem(lv, {r.caption, r.subItems[0], r.subItems[1], r.subItems[2]});
            QTest::mouseClick(b.ui().btnOK, Qt::LeftButton);
        });
    }
    // What the totals line must say: every row in view, every ticked row of the
    // list (shown or not) and their amount.
    static std::vector<QString> trueTotals(const TFrmTrunAccount& w) {
        AmountTotal amount;
        const auto ticked = w.cdspass.recordsMatching("f_zzgdbz = '1'");
        for (RecordId r : ticked) amount.add(w.cdspassf_hsje->floatAt(r));
        return {QStringLiteral("合计:%1条").arg(w.cdspass.recordCount()), QStringLiteral("已勾:%1条").arg(ticked.size()),
                QStringLiteral("已勾金额:") + QString::fromStdString(amount.text(2))};
    }
    static void tick(TFrmTrunAccount& w, int row) {
        w.cdspass.setCurrentRow(row);
        w.toggleCurrentTick();
    }

    TestDatabase db{Backend::Sqlite};
    CoordinatorRef coordinator = db.openCoordinator();
    ConditionRows opened;
    QString title;
};

TEST_F(FilterWindow, AmountAboveAValueThenSuppliersThatDoNotContainAName) {
    TFrmTrunAccount* w = list(QStringLiteral("Input"));
    ASSERT_GT(w->cdspass.recordCount(), 10);
    EXPECT_TRUE(w->ui().ButFilter->isEnabled());
    std::vector<double> amounts;
    for (RecordId r : w->cdspass.recordsMatching({})) amounts.push_back(w->cdspassf_hsje->floatAt(r));
    std::sort(amounts.begin(), amounts.end());
    const double limit = amounts[amounts.size() / 2];
    const QString value = QString::number(limit, 'f', 2);

    // 发票金额, 大于, the value, Enter, "过  滤(&O)".
    filter(*w, [&](TFrmQuerySet& b) {
        b.ui().cbxField->setCurrentIndex(b.ui().cbxField->findText(QStringLiteral("发票金额")));
        b.ui().cbxFactor->setCurrentIndex(b.ui().cbxFactor->findText(QStringLiteral("大于")));
        QTest::keyClicks(b.ui().editValue, value);
        QTest::keyClick(b.ui().editValue, Qt::Key_Return);
        QTest::mouseClick(b.ui().btnOK, Qt::LeftButton);
    });
    EXPECT_EQ(title, QStringLiteral("转帐勾对过滤"));
    const int above = static_cast<int>(std::count_if(amounts.begin(), amounts.end(), [&](double a) { return a > value.toDouble(); }));
    ASSERT_GT(above, 0);
    EXPECT_EQ(w->cdspass.recordCount(), above);
    for (int row = 0; row < w->cdspass.recordCount(); ++row)
        EXPECT_GT(w->cdspassf_hsje->floatAt(w->cdspass.recordAt(row)), value.toDouble());
    EXPECT_EQ(w->dgdView->column(0).footerValue(), QStringLiteral("合计:%1条").arg(above));
    EXPECT_EQ(w->ui().MemoCondition->toPlainText(),
              QStringLiteral("查询条件:\n    ") + w->RangeTitle() + QStringLiteral("\n过滤条件:\n    发票金额:大于") + value);

    // "过  滤" again shows the saved condition; 并且 供应商名称 部分不等于 part of a name.
    const std::string name(w->cdspassf_Csmc->textAt(w->cdspass.recordAt(0)));
    const QString part = QString::fromStdString(name).left(2);
    std::set<std::string> suppliers;
    for (int row = 0; row < w->cdspass.recordCount(); ++row)
        suppliers.insert(std::string(w->cdspassf_Csmc->textAt(w->cdspass.recordAt(row))));
    filter(*w, [&](TFrmQuerySet& b) {
        b.ui().cbxField->setCurrentIndex(b.ui().cbxField->findText(QStringLiteral("供应商名称")));
        b.ui().cbxFactor->setCurrentIndex(b.ui().cbxFactor->findText(QStringLiteral("部分不等于")));
        b.ui().editValue->insert(part);
        whenModal([](QWidget* choice) {  // the relation question: "并且", offered first
            QTest::keyClick(choice->focusWidget() ? choice->focusWidget() : choice, Qt::Key_Return);
        });
        QTest::keyClick(b.ui().editValue, Qt::Key_Return);
        QTest::mouseClick(b.ui().btnOK, Qt::LeftButton);
    });
    EXPECT_EQ(opened, (ConditionRows{cond("发票金额", "大于", value)}));
    int left = 0;
    for (int row = 0; row < w->cdspass.recordCount(); ++row) {
        const std::string supplier(w->cdspassf_Csmc->textAt(w->cdspass.recordAt(row)));
        EXPECT_EQ(supplier.find(part.toStdString()), std::string::npos) << supplier;
        EXPECT_GT(w->cdspassf_hsje->floatAt(w->cdspass.recordAt(row)), value.toDouble());
        ++left;
    }
    EXPECT_LT(left, above);
    EXPECT_EQ(w->dgdView->column(0).footerValue(), QStringLiteral("合计:%1条").arg(left));
    EXPECT_TRUE(w->ui().MemoCondition->toPlainText().endsWith(QStringLiteral("发票金额:大于") + value +
                                                              QStringLiteral("并且\n    供应商名称:部分不等于") + part));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(FilterWindow, CancelLeavesRowsCountAndMemo) {
    TFrmTrunAccount* w = list(QStringLiteral("Input"));
    filterBy(*w, {cond("单据号", "左等于", "2024")});
    const ListState before = listState(*w);
    const QString memo = w->ui().MemoCondition->toPlainText();
    filter(*w, [](TFrmQuerySet& b) {
        QTest::mouseClick(b.ui().btnClearLogic, Qt::LeftButton);
        QTest::keyClick(b.ui().lvwLogic, Qt::Key_Escape);
    });
    EXPECT_EQ(opened, (ConditionRows{cond("单据号", "左等于", "2024")}));
    EXPECT_EQ(listState(*w), before);
    EXPECT_EQ(w->ui().MemoCondition->toPlainText(), memo);
    EXPECT_TRUE(w->isVisible());  // Escape closed the builder, not the window
}

TEST_F(FilterWindow, TickedTotalsCountTheRowsAFilterHides) {
    TFrmTrunAccount* w = list(QStringLiteral("Input"));
    const int all = w->cdspass.recordCount();
    ASSERT_GT(all, 6);
    for (int row : {0, 1, 2}) tick(*w, row);
    const std::string kept(w->cdspassf_Djh->textAt(w->cdspass.recordAt(0)));
    const std::string shownDoc(w->cdspassf_Djh->textAt(w->cdspass.recordAt(5)));

    // Only one unticked document shown: the three ticked ones are hidden, and still counted.
    filterBy(*w, {cond("单据号", "等于", shownDoc.c_str())});
    ASSERT_EQ(w->cdspass.recordCount(), 1);
    EXPECT_EQ(totalsLine(*w)[0], QStringLiteral("合计:1条"));
    EXPECT_EQ(w->tickedCount(), 3);
    EXPECT_EQ(totalsLine(*w), trueTotals(*w));

    // Select all and none act on the shown row; the hidden ticks stay counted.
    QTest::mouseClick(w->ui().btnall, Qt::LeftButton);
    EXPECT_EQ(totalsLine(*w), trueTotals(*w));
    EXPECT_EQ(totalsLine(*w)[1], QStringLiteral("已勾:4条"));
    QTest::mouseClick(w->ui().btnnoall, Qt::LeftButton);
    EXPECT_EQ(totalsLine(*w), trueTotals(*w));
    EXPECT_EQ(totalsLine(*w)[1], QStringLiteral("已勾:3条"));

    // Saving writes the shown rows; the hidden ticked rows stay, ticked and counted.
    QTest::mouseClick(w->ui().btnall, Qt::LeftButton);
    QTest::mouseClick(w->ui().btnsave, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"确定要保存吗!", "保存成功!"}));
    EXPECT_EQ(w->cdspass.recordCount(), 0);
    EXPECT_EQ(totalsLine(*w), trueTotals(*w));
    EXPECT_EQ(totalsLine(*w)[1], QStringLiteral("已勾:3条"));

    filterBy(*w, {});
    EXPECT_EQ(w->cdspass.recordCount(), all - 1);
    EXPECT_EQ(w->dgdView->column(0).footerValue(), QStringLiteral("合计:%1条").arg(all - 1));
    EXPECT_TRUE(w->cdspass.locate("f_Djh", kept));
    EXPECT_EQ(w->cdspassf_zzgdbz->asString(), "1");
    EXPECT_EQ(totalsLine(*w), (std::vector<QString>{QStringLiteral("合计:%1条").arg(all - 1),
                                                    QStringLiteral("已勾:3条"), trueTotals(*w)[2]}));
}

TEST_F(FilterWindow, ASearchUnderAFilterCountsEveryTickedRow) {
    TFrmTrunAccount* w = list(QStringLiteral("Search"));
    const std::vector<QString> unfiltered = totalsLine(*w);
    ASSERT_NE(unfiltered[1], QStringLiteral("已勾:0条"));
    filterBy(*w, {cond("勾对", "等于", "0")});  // only unticked rows shown
    ASSERT_GT(w->cdspass.recordCount(), 0);
    w->btnSearchClick();  // the filter stays over the new rows
    EXPECT_EQ(w->cdspass.filter(), "( f_zzgdbz = '0' )");
    EXPECT_EQ(totalsLine(*w)[1], unfiltered[1]);
    EXPECT_EQ(totalsLine(*w)[2], unfiltered[2]);
    EXPECT_EQ(totalsLine(*w), trueTotals(*w));
}

}  // namespace
}  // namespace trunaccount::testing
