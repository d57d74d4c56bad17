// The condition builder driven as a user drives it: keys and clicks on the real
// dialog, its questions and messages answered in the styled dialogs.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>

#include "dataset/client_dataset.h"
#include "support/condition_row_helpers.h"
#include "support/packets.h"
#include "support/temp_dir.h"
#include "tools/flat_dialog.h"
#include "tools/frm_query_set.h"
#include "support/modal_helper.h"
#include "ui_frm_query_set.h"
#include "widgets/flat_controls.h"

using namespace Qt::StringLiterals;

using namespace trunaccount;
using trunaccount::testing::keyTarget;
using trunaccount::testing::cond;
using trunaccount::testing::makePacket;
using trunaccount::testing::rel;
using trunaccount::testing::TempDir;
using trunaccount::testing::whenModal;

namespace {

// What a styled dialog showed: caption, message or prompt, and its choices.
struct Shown {
    QString title, text;
    QStringList choices;
};

// Answers the next modal dialog: picks `choice` in its list (when >= 0), then
// clicks the button captioned `how`, or presses "Enter" or "Escape".
void answer(Shown& shown, const QString& how, int choice = -1) {
    whenModal([&shown, how, choice](QWidget* w) {
        shown.title = w->windowTitle();
        if (auto* m = qobject_cast<TMessageForm*>(w)) shown.text = m->messageLabel()->text();
        else if (auto* prompt = w->findChild<QLabel*>(QStringLiteral("Prompt"))) shown.text = prompt->text();
        if (auto* combo = w->findChild<FlatComboBox*>()) {
            for (int i = 0; i < combo->count(); ++i) shown.choices << combo->itemText(i);
            if (choice >= 0) combo->setCurrentIndex(choice);
        }
        if (auto* edit = w->findChild<FlatEdit*>()) shown.choices << edit->text();
        if (how == QLatin1String("Escape")) return QTest::keyClick(keyTarget(w), Qt::Key_Escape);
        if (how == QLatin1String("Enter")) return QTest::keyClick(keyTarget(w), Qt::Key_Return);
        for (auto* b : w->findChildren<FlatButton*>())
            if (b->text() == how) return b->click();
        ADD_FAILURE() << "no button " << how.toStdString() << " in " << shown.title.toStdString();
        static_cast<QDialog*>(w)->reject();
    });
}

const QString kYes = QStringLiteral("是(&Y)");
const QString kNo = QStringLiteral("不(&N)");
const QString kOk = QStringLiteral("确认(&O)");
const QString kCancel = QStringLiteral("放弃(&C)");

class QuerySetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TRUNACCOUNT_HOST_DIR", hostDir.path().c_str(), 1);
        ds.addField("f_zzgdbz", FieldKind::Text, 1).setDisplayLabel("勾对");
        ds.addField("f_Djh", FieldKind::Text, 12).setDisplayLabel("单据号");
        ds.addField("f_Csmc", FieldKind::Text, 60).setDisplayLabel("供应商名称");
        ds.addField("f_wsje", FieldKind::Float).setDisplayLabel("无税金额");
        ds.addField("f_hsje", FieldKind::Float).setDisplayLabel("发票金额");
        ds.field(3).setVisible(false);
    }
    void TearDown() override {
        dlg.reset();
        ::unsetenv("TRUNACCOUNT_HOST_DIR");
    }

    TFrmQuerySet& open(const ConditionRows& rows = {}, const QString& caption = QStringLiteral("转帐勾对过滤"),
                       bool visibleOnly = false) {
        dlg = std::make_unique<TFrmQuerySet>(caption, visibleOnly, rows);
        dlg->DataSet = &ds;
        dlg->show();
        return *dlg;
    }
    Ui::TFrmQuerySet& ui() { return dlg->ui(); }

    // Chooses the field and the operator and types the value, as the user does.
    void input(const char* field, const char* op, const char* value) {
        ui().cbxField->setCurrentIndex(ui().cbxField->findText(QString::fromUtf8(field)));
        ui().cbxFactor->setCurrentIndex(ui().cbxFactor->findText(QString::fromUtf8(op)));
        ui().editValue->clear();
        const QString text = QString::fromUtf8(value);
        // QTest types ASCII only; other characters go in as an input method puts them.
        bool ascii = true;
        for (QChar c : text) ascii = ascii && c.unicode() < 128;
        if (ascii) QTest::keyClicks(ui().editValue, text);
        else ui().editValue->insert(text);
    }
    void enter() { QTest::keyClick(ui().editValue, Qt::Key_Return); }

    // The list, one text a row: "供应商名称 等于 abc" or the relation word.
    std::vector<std::string> rows() {
        std::vector<std::string> out;
        for (const ConditionRow& r : dlg->conditionRows())
            out.push_back(r.subItems[2].isEmpty()
                              ? QString(r.caption + QLatin1Char(' ') + r.subItems[0] + QLatin1Char(' ') + r.subItems[1])
                                    .toStdString()
                              : r.subItems[2].toStdString());
        return out;
    }
    void select(int row) {
        QTreeWidget* lv = ui().lvwLogic;
        lv->clearSelection();
        if (row >= 0) lv->topLevelItem(row)->setSelected(true);
    }
    // Runs a menu item as the menu does: the menu opens (enabling its items),
    // then the item is triggered.
    void menu(QAction* item) {
        emit dlg->pmnuSetField->aboutToShow();
        ASSERT_TRUE(item->isEnabled()) << item->text().toStdString();
        item->trigger();
    }

    TempDir hostDir;
    ClientDataSet ds{"cdspass"};
    std::unique_ptr<TFrmQuerySet> dlg;
};

const ConditionRows kThreeRows = {cond("单据号", "等于", "A"), rel("并且"), cond("发票金额", "大于", "100")};

TEST_F(QuerySetTest, OpensWithTheCallersCaptionAndRowsAndNothingChosen) {
    open(kThreeRows);
    EXPECT_EQ(ui().gbxGoodsInfo->title(), QStringLiteral("转帐勾对过滤"));
    EXPECT_EQ(ui().btnOK->text(), QStringLiteral("过  滤(&O)"));
    EXPECT_EQ(rows(), (std::vector<std::string>{"单据号 等于 A", "并且", "发票金额 大于 100"}));
    EXPECT_EQ(dlg->size(), QSize(629, 264));
    EXPECT_TRUE(dlg->windowFlags().testFlag(Qt::FramelessWindowHint));
    QStringList fields;
    for (int i = 0; i < ui().cbxField->count(); ++i) fields << ui().cbxField->itemText(i);
    EXPECT_EQ(fields, (QStringList{QStringLiteral("勾对"), QStringLiteral("单据号"), QStringLiteral("供应商名称"),
                                   QStringLiteral("无税金额"), QStringLiteral("发票金额")}));
    EXPECT_EQ(ui().cbxField->currentIndex(), -1);
    EXPECT_EQ(ui().cbxFactor->currentIndex(), -1);
    EXPECT_EQ(ui().cbxFactor->count(), 9);
    EXPECT_TRUE(ui().editValue->text().isEmpty());
    EXPECT_TRUE(ui().btnAddLogic->isVisible());
    EXPECT_FALSE(ui().btnModifyOK->isVisible());
    EXPECT_FALSE(ui().btnModifyCancel->isVisible());
    QStringList titles;
    for (int c = 0; c < 4; ++c)
        titles << ui().lvwLogic->headerItem()->text(c) + QLatin1Char(':') +
                      QString::number(ui().lvwLogic->columnWidth(c));
    EXPECT_EQ(titles, (QStringList{QStringLiteral("字段名称:198"), QStringLiteral("条件:100"), QStringLiteral("值:79"),
                                   QStringLiteral("逻辑关系:69")}));
    EXPECT_FALSE(dlg->pmnuSetField->findChild<QMenu*>()->menuAction()->isEnabled());  // 修改逻辑表达式

    // A blank caption keeps the design's; only visible fields when asked; no rows.
    open({}, QStringLiteral("  "), true);
    EXPECT_EQ(ui().gbxGoodsInfo->title(), QStringLiteral("查询过滤条件设置："));
    EXPECT_EQ(ui().cbxField->count(), 4);
    EXPECT_EQ(ui().cbxField->findText(QStringLiteral("无税金额")), -1);
    EXPECT_EQ(ui().lvwLogic->topLevelItemCount(), 0);
}

TEST_F(QuerySetTest, TheSecondConditionAsksForARelationAndOrComesFirstAfterAnOr) {
    open();
    input("供应商名称", "部分等于", "abc");
    enter();  // the first condition asks nothing
    EXPECT_EQ(rows(), (std::vector<std::string>{"供应商名称 部分等于 abc"}));
    EXPECT_EQ(ui().editValue->text(), QStringLiteral("abc"));  // the inputs keep their contents

    Shown q;
    answer(q, kOk, 1);
    input("发票金额", "大于", "100");
    enter();
    EXPECT_EQ(q.title, QStringLiteral("选择框"));
    EXPECT_EQ(q.text, QStringLiteral("请选择一个逻辑关系："));
    EXPECT_EQ(q.choices, (QStringList{QStringLiteral("并且"), QStringLiteral("或者")}));
    EXPECT_EQ(rows(), (std::vector<std::string>{"供应商名称 部分等于 abc", "或者", "发票金额 大于 100"}));
    EXPECT_EQ(dlg->LastRelation, 1);

    // Cancelled by button or by Escape: neither the relation nor the condition is added.
    for (const char* how : {"放弃(&C)", "Escape"}) {
        Shown again;
        answer(again, QString::fromUtf8(how));
        input("单据号", "等于", "X");
        enter();
        EXPECT_EQ(again.choices, (QStringList{QStringLiteral("或者"), QStringLiteral("并且")})) << how;
        EXPECT_EQ(rows().size(), 3u) << how;
    }
    Shown last;
    answer(last, kOk);  // the first choice, "或者", as offered
    enter();
    EXPECT_EQ(rows().size(), 5u);
    EXPECT_EQ(rows()[3], "或者");
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(QuerySetTest, AnEmptyValueIsRefused) {
    open();
    input("单据号", "等于", "");
    Shown w;
    answer(w, kOk);
    QTest::mouseClick(ui().btnAddLogic, Qt::LeftButton);
    EXPECT_EQ(w.title, QStringLiteral("警告"));
    EXPECT_EQ(w.text, QStringLiteral("请输入一个值。"));
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(dlg->focusWidget(), ui().editValue);
}

TEST_F(QuerySetTest, EnterTwiceAddsOnceAndAccepts) {
    open();
    input("发票金额", "大于", "100");
    enter();
    ASSERT_TRUE(dlg->isVisible());
    enter();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), mrOk);
    EXPECT_EQ(rows(), (std::vector<std::string>{"发票金额 大于 100"}));
    EXPECT_EQ(dlg->filterText(), QStringLiteral("( f_hsje > 100 )"));
}

TEST_F(QuerySetTest, AConditionAlreadyListedEarlierIsNotAddedAgain) {
    open(kThreeRows);
    Shown m;
    answer(m, kOk);
    input("单据号", "等于", "A");
    enter();
    EXPECT_EQ(m.title, QStringLiteral("信息"));
    EXPECT_EQ(m.text, QStringLiteral("该逻辑表达式已经存在。"));
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(QuerySetTest, ModifyModeChangesTheSelectedRowOnly) {
    open(kThreeRows);
    // Nothing selected, or a relation selected: there is nothing to modify.
    for (int row : {-1, 1}) {
        select(row);
        Shown m;
        answer(m, kOk);
        dlg->mnuModifyFieldClick();
        EXPECT_EQ(m.text, QStringLiteral("请选择一个逻辑表达式。")) << row;
        EXPECT_FALSE(dlg->inModifyMode());
    }
    select(0);
    menu(dlg->mnuModifyField);
    ASSERT_TRUE(dlg->inModifyMode());
    EXPECT_FALSE(ui().btnAddLogic->isVisible());
    EXPECT_EQ(ui().cbxField->currentText(), QStringLiteral("单据号"));
    EXPECT_EQ(ui().cbxFactor->currentText(), QStringLiteral("等于"));
    EXPECT_EQ(ui().editValue->text(), QStringLiteral("A"));  // choosing the row's field did not empty it

    // Enter on inputs equal to the last row: it exists already (no accepting in modify mode).
    Shown exists;
    answer(exists, kOk);
    input("发票金额", "大于", "100");
    enter();
    EXPECT_EQ(exists.text, QStringLiteral("该逻辑表达式已经存在。"));
    EXPECT_TRUE(dlg->isVisible());
    // Enter on new inputs adds them as a new condition; the row being modified stays.
    Shown relation;
    answer(relation, kOk);
    input("单据号", "左等于", "B");
    enter();
    EXPECT_EQ(rows(), (std::vector<std::string>{"单据号 等于 A", "并且", "发票金额 大于 100", "并且", "单据号 左等于 B"}));
    EXPECT_TRUE(dlg->inModifyMode());

    input("供应商名称", "部分不等于", "华联");
    QTest::mouseClick(ui().btnModifyOK, Qt::LeftButton);
    EXPECT_EQ(rows()[0], "供应商名称 部分不等于 华联");
    EXPECT_FALSE(dlg->inModifyMode());
    EXPECT_TRUE(ui().btnAddLogic->isVisible());

    select(2);
    menu(dlg->mnuModifyField);
    input("单据号", "等于", "Z");
    QTest::mouseClick(ui().btnModifyCancel, Qt::LeftButton);  // the picture button: no change
    EXPECT_EQ(rows()[2], "发票金额 大于 100");
    EXPECT_FALSE(dlg->inModifyMode());

    // "修改 &M" when the row was unselected meanwhile: says so and stays in modify mode.
    menu(dlg->mnuModifyField);
    select(-1);
    Shown none;
    answer(none, kOk);
    QTest::mouseClick(ui().btnModifyOK, Qt::LeftButton);
    EXPECT_EQ(none.text, QStringLiteral("请选择一个逻辑表达式。"));
    EXPECT_TRUE(dlg->inModifyMode());
}

TEST_F(QuerySetTest, DeletingKeepsTheListAlternating) {
    const ConditionRows one = {cond("单据号", "等于", "A")};
    struct Case {
        const char* what;
        ConditionRows start;
        int row;
        QString how;
        std::vector<std::string> left;
        const char* question;
    } cases[] = {
        {"the only row", one, 0, kYes, {}, "您确认删除该逻辑表达式吗？"},
        {"the first condition", kThreeRows, 0, kYes, {"发票金额 大于 100"}, "您确认删除该逻辑表达式吗？"},
        {"the relation", kThreeRows, 1, kYes, {"单据号 等于 A"},
         "删除该逻辑关系，将同时删除与之关联的逻辑表达式。\r\n您确认继续吗？"},
        {"the last condition", kThreeRows, 2, kYes, {"单据号 等于 A"}, "您确认删除该逻辑表达式吗？"},
        {"answered No", kThreeRows, 2, kNo, {"单据号 等于 A", "并且", "发票金额 大于 100"}, "您确认删除该逻辑表达式吗？"},
        {"closed with Escape: confirmed", kThreeRows, 0, QStringLiteral("Escape"), {"发票金额 大于 100"},
         "您确认删除该逻辑表达式吗？"},
        {"closed with Enter: confirmed", kThreeRows, 1, QStringLiteral("Enter"), {"单据号 等于 A"},
         "删除该逻辑关系，将同时删除与之关联的逻辑表达式。\r\n您确认继续吗？"},
    };
    for (const auto& c : cases) {
        open(c.start);
        select(c.row);
        Shown q;
        answer(q, c.how);
        menu(dlg->mnuDelField);
        EXPECT_EQ(q.title, QStringLiteral("询问")) << c.what;
        // The dialog shows the sentences on two lines (its label drops the carriage return).
        EXPECT_EQ(q.text, QString::fromUtf8(c.question).remove(QLatin1Char('\r'))) << c.what;
        EXPECT_EQ(rows(), c.left) << c.what;
    }
    // No row selected: nothing to delete.
    open(kThreeRows);
    select(-1);
    Shown m;
    answer(m, kOk);
    menu(dlg->mnuDelField);
    EXPECT_EQ(m.text, QStringLiteral("请选择一个逻辑表达式。"));
    EXPECT_EQ(rows().size(), 3u);
}

TEST_F(QuerySetTest, TheMenuOffersWhatTheSelectedRowAllows) {
    open(kThreeRows);
    select(1);
    emit dlg->pmnuSetField->aboutToShow();
    EXPECT_TRUE(dlg->mnuModifyLogic->isEnabled());
    EXPECT_FALSE(dlg->mnuModifyField->isEnabled());
    dlg->mnuLogicOR->trigger();
    EXPECT_EQ(rows()[1], "或者");
    dlg->mnuLogicAND->trigger();
    EXPECT_EQ(rows()[1], "并且");
    select(-1);  // no row: the items keep their last state
    emit dlg->pmnuSetField->aboutToShow();
    EXPECT_TRUE(dlg->mnuModifyLogic->isEnabled());
    select(2);
    emit dlg->pmnuSetField->aboutToShow();
    EXPECT_FALSE(dlg->mnuModifyLogic->isEnabled());
    EXPECT_TRUE(dlg->mnuModifyField->isEnabled());
    menu(dlg->mnuAddField);
    EXPECT_EQ(dlg->focusWidget(), ui().cbxField);
}

TEST_F(QuerySetTest, ValueBoxKeys) {
    open();
    input("单据号", "等于", "A001");
    ui().editValue->setCursorPosition(0);
    QTest::keyRelease(ui().editValue, Qt::Key_Up);
    EXPECT_EQ(ui().editValue->selectedText(), QStringLiteral("A001"));
    ui().cbxField->setCurrentIndex(ui().cbxField->findText(QStringLiteral("单据号")));  // the same field
    EXPECT_EQ(ui().editValue->text(), QStringLiteral("A001"));
    ui().cbxField->setCurrentIndex(ui().cbxField->findText(QStringLiteral("发票金额")));
    EXPECT_TRUE(ui().editValue->text().isEmpty());
}

TEST_F(QuerySetTest, ClearHelpTestTextAndEscape) {
    open(kThreeRows);
    Shown text;
    answer(text, kOk);
    QTest::keyClick(ui().editValue, Qt::Key_F2, Qt::AltModifier);
    EXPECT_EQ(text.title, QStringLiteral("测试信息"));
    EXPECT_EQ(text.text, QStringLiteral("查询语句"));
    EXPECT_EQ(text.choices, (QStringList{"( f_Djh = 'A' ) And ( f_hsje > 100 )"_L1}));
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_TRUE(dlg->isVisible());

    Shown help;
    answer(help, kOk);
    QTest::mouseClick(ui().btnHelp, Qt::LeftButton);
    EXPECT_EQ(help.title, QStringLiteral("信息"));
    EXPECT_EQ(help.text, QStringLiteral("字段名称值的要求:\n"));

    QTest::mouseClick(ui().btnClearLogic, Qt::LeftButton);
    EXPECT_TRUE(rows().empty());
    QTest::keyClick(ui().lvwLogic, Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), mrCancel);

    open(kThreeRows);
    QTest::mouseClick(ui().btnExit, Qt::LeftButton);
    EXPECT_EQ(dlg->result(), mrCancel);
    open(kThreeRows);
    QTest::mouseClick(ui().btnOK, Qt::LeftButton);
    EXPECT_EQ(dlg->result(), mrOk);
}

TEST_F(QuerySetTest, EveryBuildStartsWithoutSideFilters) {
    open({cond("供应商名称", "部分不等于", "abc"), rel("并且"), cond("单据号", "部分不等于", "0'1")});
    dlg->BuildFilterText();
    EXPECT_EQ(dlg->NotLikeFilter, QStringLiteral("f_Djh LIKE '%0''1%'"));
    EXPECT_EQ(dlg->NotLikeField, QStringLiteral("f_Djh"));
    EXPECT_EQ(dlg->NotLikeConditions.size(), 2u);
    QTest::mouseClick(ui().btnClearLogic, Qt::LeftButton);
    dlg->BuildFilterText();
    EXPECT_TRUE(dlg->NotLikeFilter.isEmpty());
    EXPECT_TRUE(dlg->NotLikeField.isEmpty());
    EXPECT_TRUE(dlg->NotLikeConditions.empty());
    EXPECT_TRUE(dlg->filterText().isEmpty());
}

TEST_F(QuerySetTest, AColourThatIsNoNumberKeepsTheBuilderClosed) {
    const std::string ini = hostDir.path() + "/Quorvexpos.ini";
    FILE* f = std::fopen(ini.c_str(), "w");
    std::fputs("[ColorOption]\r\ncolorstyle=0\r\nbackcolor=abc\r\n", f);
    std::fclose(f);
    try {
        TFrmQuerySet builder(QString(), false, {});
        ADD_FAILURE() << "opened";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

}  // namespace
