#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <cstdlib>

#include "data/settings.h"
#include "dataset/client_dataset.h"
#include "support/message_box_recorder.h"
#include "support/temp_dir.h"
#include "tools/adv_grid.h"
#include "tools/frm_choose_db_fields.h"
#include "support/modal_helper.h"
#include "widgets/flat_controls.h"

using namespace Qt::StringLiterals;

using namespace trunaccount;
using trunaccount::testing::keyTarget;
using trunaccount::testing::pressAccelerator;
using trunaccount::testing::MessageBoxRecorder;
using trunaccount::testing::TempDir;
using trunaccount::testing::whenModal;

namespace {

// A grid of six columns: a hidden one with tag 1 and a shown one with tag 2
// among four ordinary ones, the last of them hidden.
class ChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TRUNACCOUNT_HOST_DIR", hostDir.path().c_str(), 1);
        const char* fields[][2] = {{"f_zzgdbz", "勾对"}, {"f_Djh", "单据号"},     {"f_Gysbm", "供应商编码"},
                                   {"f_hsje", "发票金额"}, {"f_zzgdrq", "勾对时间"}, {"f_zzse", "税额"}};
        for (auto& f : fields) ds.addField(f[0], FieldKind::Text, 10).setDisplayLabel(f[1]);
        grid.setDataset(&ds);
        grid.addColumnsForFields();
        grid.column(2).setTag(1);
        grid.column(2).setVisible(false);
        grid.column(4).setTag(2);
        grid.column(5).setVisible(false);
    }
    void TearDown() override { ::unsetenv("TRUNACCOUNT_HOST_DIR"); }

    std::vector<bool> shown() const {
        std::vector<bool> v;
        for (int i = 0; i < grid.columnCount(); ++i) v.push_back(grid.column(i).visible());
        return v;
    }
    static std::vector<bool> ticks(const QListWidget* list) {
        std::vector<bool> v;
        for (int i = 0; i < list->count(); ++i) v.push_back(list->item(i)->checkState() == Qt::Checked);
        return v;
    }
    static void tick(QListWidget* list, int entry, bool on) {
        list->item(entry)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    static FlatButton* button(QWidget* chooser, const char* name) {
        return chooser->findChild<FlatButton*>(QString::fromLatin1(name));
    }

    TempDir hostDir;
    MessageBoxRecorder boxes;
    ClientDataSet ds{"cdspass"};
    TAdvDBGridEh grid;
};

TEST_F(ChooserTest, ListsTheColumnsWithTagZeroTickedAsShown) {
    TFrmChooseDBFields chooser(&grid);
    chooser.Grid = &grid;
    chooser.show();
    QListWidget* list = chooser.list();
    QStringList captions;
    std::vector<int> indexes;
    for (int i = 0; i < list->count(); ++i) {
        captions << list->item(i)->text();
        indexes.push_back(chooser.columnIndexOf(i));
    }
    EXPECT_EQ(captions, (QStringList{QStringLiteral("勾对"), QStringLiteral("单据号"), QStringLiteral("发票金额"),
                                     QStringLiteral("税额")}));
    EXPECT_EQ(indexes, (std::vector<int>{0, 1, 3, 5}));
    EXPECT_EQ(ticks(list), (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(chooser.windowTitle(), QStringLiteral("选择项目"));
    EXPECT_EQ(chooser.size(), QSize(312, 204));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(chooser.pos(), QPoint(screen.width() / 2 - 156, screen.height() / 2 - 102));

    // Shown again, the list is filled anew.
    chooser.hide();
    grid.column(0).setVisible(false);
    chooser.show();
    EXPECT_EQ(ticks(list), (std::vector<bool>{false, true, true, false}));
}

TEST_F(ChooserTest, OkShowsTheTickedColumnsUnlessNoMoreThanTheFrozenAreTicked) {
    const std::vector<bool> before{true, true, false, true, true, false};
    const struct {
        const char* name;
        int frozen;
        const char* buttonFirst;  // "btnAll", "btnno" or nothing
        std::vector<std::pair<int, bool>> ticks;
        bool warns;
        std::vector<bool> after;
    } cases[] = {
        {"untouched", 0, nullptr, {}, false, before},
        {"nothing ticked", 0, "btnno", {}, true, before},
        {"one ticked is enough", 0, "btnno", {{3, true}}, false, {false, false, false, false, true, true}},
        {"everything ticked, tags 1 and 2 left alone", 0, "btnAll", {}, false, {true, true, false, true, true, true}},
        {"two frozen, two ticked", 2, "btnno", {{0, true}, {2, true}}, true, before},
        {"two frozen, three ticked", 2, "btnno", {{0, true}, {2, true}, {3, true}}, false, {true, false, false, true, true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < grid.columnCount(); ++i) grid.column(i).setVisible(before[static_cast<std::size_t>(i)]);
        grid.setFrozenCols(c.frozen);
        boxes.clear();
        TFrmChooseDBFields chooser(&grid);
        chooser.Grid = &grid;
        chooser.show();
        if (c.buttonFirst) QTest::mouseClick(button(&chooser, c.buttonFirst), Qt::LeftButton);
        for (auto [entry, on] : c.ticks) tick(chooser.list(), entry, on);
        const auto ticked = ticks(chooser.list());
        QTest::mouseClick(button(&chooser, "btnok"), Qt::LeftButton);
        if (c.warns) {
            ASSERT_EQ(boxes.shown().size(), 1u);
            EXPECT_EQ(boxes.shown()[0].text, "所选列数必须大于固定列数!");
            EXPECT_EQ(boxes.shown()[0].caption, "警告");
            EXPECT_EQ(boxes.shown()[0].icon(), platform::MB_ICONWARNING);
            EXPECT_EQ(boxes.shown()[0].buttons(), platform::MB_OK);
            EXPECT_TRUE(chooser.isVisible());
            EXPECT_EQ(ticks(chooser.list()), ticked);  // the ticks stay as they were
        } else {
            EXPECT_TRUE(boxes.shown().empty());
            EXPECT_FALSE(chooser.isVisible());
            EXPECT_EQ(chooser.result(), QDialog::Accepted);
        }
        EXPECT_EQ(shown(), c.after);
    }
}

TEST_F(ChooserTest, CancelEscapeAndTheCloseBoxChangeNothing) {
    const std::vector<bool> before = shown();
    const struct {
        const char* name;
        std::function<void(TFrmChooseDBFields&)> close;
    } cases[] = {
        {"取  消(&C)", [](TFrmChooseDBFields& d) { QTest::mouseClick(button(&d, "btncancel"), Qt::LeftButton); }},
        {"Alt+C", [](TFrmChooseDBFields& d) { pressAccelerator(&d, Qt::Key_C); }},
        {"Escape", [](TFrmChooseDBFields& d) { QTest::keyClick(keyTarget(&d), Qt::Key_Escape); }},
        {"close box", [](TFrmChooseDBFields& d) { d.close(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFrmChooseDBFields chooser(&grid);
        chooser.Grid = &grid;
        chooser.show();
        pressAccelerator(&chooser, Qt::Key_N);  // 全不选(&N): a short press, then the click
        (void)QTest::qWaitFor([&] { return ticks(chooser.list()) == std::vector<bool>(4, false); });
        EXPECT_EQ(ticks(chooser.list()), (std::vector<bool>{false, false, false, false}));
        c.close(chooser);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !chooser.isVisible(); }));
        EXPECT_NE(chooser.result(), QDialog::Accepted);
        EXPECT_EQ(shown(), before);
    }
}

TEST_F(ChooserTest, TakesTheColourStyleOrShowsWhyNot) {
    {
        WriteSetting("Quorvexpos.ini", "ColorOption", "colorstyle", "1", "");
        WriteSetting("Quorvexpos.ini", "ColorOption", "backcolor", "255", "");
        TFrmChooseDBFields chooser(&grid);
        EXPECT_EQ(chooser.list()->palette().color(QPalette::Base), QColor(255, 0, 0));
        EXPECT_EQ(chooser.palette().color(QPalette::Window), QColor(255, 0, 0));
        EXPECT_EQ(button(&chooser, "btnok")->colorBorder(), 12349763);
        EXPECT_EQ(button(&chooser, "btnok")->colorDown(), 0xFFFFFF);
        EXPECT_EQ(chooser.findChild<Shape*>("line"_L1)->penColor(), 12349763);
        EXPECT_TRUE(boxes.shown().empty());
    }
    {
        WriteSetting("Quorvexpos.ini", "ColorOption", "backcolor", "abc", "");
        TFrmChooseDBFields chooser(&grid);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "'abc' is not a valid integer value");
        EXPECT_EQ(boxes.shown()[0].caption, "错误");
        EXPECT_EQ(boxes.shown()[0].icon(), platform::MB_ICONERROR);
        // The design colours.
        EXPECT_EQ(chooser.list()->palette().color(QPalette::Base), QColor(251, 254, 222));
        EXPECT_EQ(button(&chooser, "btnok")->colorBorder(), 0x008000);
        EXPECT_EQ(chooser.findChild<Shape*>("line"_L1)->penColor(), 0x008000);
    }
}

TEST_F(ChooserTest, TheChosenColumnsAreTheLayoutTheGridStores) {
    whenModal([](QWidget* w) {
        auto* chooser = qobject_cast<TFrmChooseDBFields*>(w);
        ASSERT_TRUE(chooser);
        QTest::mouseClick(button(chooser, "btnno"), Qt::LeftButton);
        tick(chooser->list(), 1, true);
        pressAccelerator(chooser, Qt::Key_O);
    });
    grid.ChooseColumns();
    grid.SaveColumnLayout("Quorvexpos.ini"_L1, "FrmTrunAccountInput"_L1, ""_L1);
    std::vector<std::string> stored;
    for (const char* f : {"f_zzgdbz", "f_Djh", "f_Gysbm", "f_hsje", "f_zzgdrq", "f_zzse"})
        stored.push_back(ReadSetting("Quorvexpos.ini", "FrmTrunAccountInput", f, "", "").substr(0, 2));
    EXPECT_EQ(stored, (std::vector<std::string>{"0,", "1,", "0,", "0,", "1,", "0,"}));
}

TEST_F(ChooserTest, RightClickOnTheTitlesOffersTheChooser) {
    grid.resize(600, 200);
    grid.show();
    auto* header = grid.view()->horizontalHeader();
    bool chooserOpened = false;
    QStringList menuItems;
    // The menu is a popup: pick its item, then close the chooser it opens.
    auto* watcher = new QTimer(&grid);
    QObject::connect(watcher, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions()) menuItems << a->text();
            menu->setActiveAction(menu->actions().front());
            QTest::keyClick(menu, Qt::Key_Return);
        } else if (auto* chooser = qobject_cast<TFrmChooseDBFields*>(QApplication::activeModalWidget())) {
            chooserOpened = chooser->list()->count() == 4;
            QTest::keyClick(keyTarget(chooser), Qt::Key_Escape);
        }
    });
    watcher->start(5);
    const QPoint onTitle(10, header->height() / 2);
    QContextMenuEvent click(QContextMenuEvent::Mouse, onTitle, header->viewport()->mapToGlobal(onTitle));
    QApplication::sendEvent(header->viewport(), &click);
    EXPECT_EQ(menuItems, QStringList{QStringLiteral("选择项目…")});
    EXPECT_TRUE(chooserOpened);

    // A right-click on the rows offers nothing.
    menuItems.clear();
    chooserOpened = false;
    const QPoint onRows(10, 10);
    QContextMenuEvent rowClick(QContextMenuEvent::Mouse, onRows, grid.view()->viewport()->mapToGlobal(onRows));
    QApplication::sendEvent(grid.view()->viewport(), &rowClick);
    QTest::qWait(30);
    EXPECT_TRUE(menuItems.isEmpty());
    EXPECT_FALSE(chooserOpened);
    watcher->stop();
}

}  // namespace
