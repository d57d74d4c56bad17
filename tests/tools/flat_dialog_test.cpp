#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <cmath>
#include <cstdlib>

#include "platform/errors.h"
#include "support/temp_dir.h"
#include "tools/color_style.h"
#include "tools/flat_dialog.h"
#include "support/modal_helper.h"
#include "widgets/flat_controls.h"

using namespace Qt::StringLiterals;

using namespace trunaccount;
using trunaccount::testing::keyTarget;
using trunaccount::testing::pressAccelerator;
using trunaccount::testing::TempDir;
using trunaccount::testing::whenModal;

namespace {

// The settings file lives in a folder of the test's own (none is written here,
// so every colour is a default).
class FlatDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TRUNACCOUNT_HOST_DIR", hostDir.path().c_str(), 1);
        font.setFamily(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(13);
        QApplication::setFont(font, "QMessageBox");
        h = QFontMetrics(font).horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
        v = QFontMetrics(font).height();
    }
    void TearDown() override { ::unsetenv("TRUNACCOUNT_HOST_DIR"); }
    // The layout units, computed here independently of the dialog's code.
    int sx(int a) const { return static_cast<int>(std::lround(a * h / 4.0)); }
    int sy(int a) const { return static_cast<int>(std::lround(a * v / 8.0)); }

    TempDir hostDir;
    QFont font;
    int h = 0, v = 0;
};

std::vector<QAbstractButton*> buttonsLeftToRight(QWidget* form) {
    auto list = form->findChildren<FlatButton*>();
    std::vector<QAbstractButton*> v(list.begin(), list.end());
    std::sort(v.begin(), v.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    return v;
}

TEST(MulDivRoundTest, RoundsHalvesAwayFromZero) {
    const struct {
        int a, b, c, result;
    } cases[] = {
        {50, 7, 4, 88},   {50, 6, 4, 75},   {-50, 7, 4, -88}, {50, -7, 4, -88}, {1, 4, 8, 1},
        {1, 3, 8, 0},     {3, 5, 8, 2},     {-1, 4, 8, -1},   {14, 15, 8, 26},  {0, 9, 4, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.result) << c.a << "*" << c.b << "/" << c.c;
}

TEST_F(FlatDialogTest, ConfirmationLayoutOfThreeNarrowButtons) {
    ASSERT_GT(h, 0);
    TMessageForm form(QStringLiteral("删除这一行吗?"), mtConfirmation, mbYes | mbNo | mbCancel);
    EXPECT_EQ(form.units().h, h);
    EXPECT_EQ(form.units().v, v);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("询问"));

    const int M = sx(8), N = sy(8), S = sx(10), T = sy(10);
    auto* image = form.findChild<QLabel*>(QStringLiteral("Image"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->geometry(), QRect(M, N, 32, 32));
    QLabel* message = form.messageLabel();
    EXPECT_EQ(message->objectName(), QStringLiteral("Message"));
    EXPECT_EQ(message->pos(), QPoint(M + 32 + S, N));
    // One line next to the icon: the block is as high as the icon.
    EXPECT_EQ(form.blockSize().height(), 32);
    EXPECT_EQ(form.blockSize().width(), message->width() + 32 + S);

    auto buttons = buttonsLeftToRight(&form);
    ASSERT_EQ(buttons.size(), 3u);
    const char* names[] = {"Yes", "No", "Cancel"};
    const char* captions[] = {"是(&Y)", "不(&N)", "放弃(&C)"};
    const int rowWidth = 3 * sx(50) + 2 * sx(4);
    const int clientWidth = std::max(form.blockSize().width(), rowWidth) + 2 * M;
    EXPECT_EQ(form.width(), clientWidth);
    EXPECT_EQ(form.height(), 32 + sy(14) + T + 2 * N);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(buttons[i]->objectName(), QString::fromLatin1(names[i]));
        EXPECT_EQ(buttons[i]->text(), QString::fromUtf8(captions[i]));
        EXPECT_EQ(buttons[i]->geometry(),
                  QRect((clientWidth - rowWidth) / 2 + i * (sx(50) + sx(4)), 32 + N + T, sx(50), sy(14)));
        EXPECT_EQ(static_cast<FlatButton*>(buttons[i])->colorBorder(), DialogLineColor());
        EXPECT_FALSE(buttons[i]->focusPolicy() & Qt::TabFocus);
        EXPECT_EQ(buttons[i]->cursor().shape(), Qt::PointingHandCursor);
    }
}

TEST_F(FlatDialogTest, LongMessageWrapsAtHalfTheScreen) {
    const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
    const QString text = QString(QStringLiteral("转帐勾对的单据")).repeated(40);
    TMessageForm form(text, mtWarning, mbOK);
    QLabel* message = form.messageLabel();
    EXPECT_LE(message->width(), half);
    EXPECT_GT(message->width(), half - 2 * QFontMetrics(font).horizontalAdvance(QChar(0x8F6C)));
    EXPECT_GE(message->height(), 3 * QFontMetrics(font).lineSpacing() - 1);
    // The text is wider than the button: the window is the block and the margins.
    EXPECT_EQ(form.width(), message->width() + 32 + sx(10) + 2 * sx(8));
    EXPECT_EQ(form.height(), message->height() + sy(14) + sy(10) + 2 * sy(8));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("警告"));
}

TEST_F(FlatDialogTest, CustomTypeHasNoIconAndTheApplicationsTitle) {
    QGuiApplication::setApplicationDisplayName(QStringLiteral("转帐勾对主程序"));
    TMessageForm form(QStringLiteral("完成"), mtCustom, mbOK);
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("Image")), nullptr);
    EXPECT_EQ(form.messageLabel()->x(), sx(8));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("转帐勾对主程序"));
}

TEST_F(FlatDialogTest, CaptionsAndResultsOfTheButtonKinds) {
    const struct {
        MsgDlgBtn kind;
        const char* name;
        const char* caption;
        int result;
    } kinds[] = {
        {mbYes, "Yes", "是(&Y)", 6},          {mbNo, "No", "不(&N)", 7},
        {mbOK, "OK", "确认(&O)", 1},          {mbCancel, "Cancel", "放弃(&C)", 2},
        {mbAbort, "Abort", "&Abort", 3},      {mbRetry, "Retry", "&Retry", 4},
        {mbIgnore, "Ignore", "&Ignore", 5},   {mbAll, "All", "&All", 8},
        {mbNoToAll, "NoToAll", "N&o to All", 9}, {mbYesToAll, "YesToAll", "Yes to &All", 10},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.name);
        whenModal([&](QWidget* w) {
            auto* b = w->findChild<FlatButton*>(QString::fromLatin1(k.name));
            ASSERT_TRUE(b);
            EXPECT_EQ(b->text(), QString::fromUtf8(k.caption));
            b->click();
        });
        EXPECT_EQ(FlatMessageDialog(QStringLiteral("选择"), mtInformation, MsgDlgButtons(k.kind) | mbHelp), k.result);
    }
}

TEST_F(FlatDialogTest, KeysAndTheCloseBoxGiveOneAndTwoWhateverTheButtons) {
    const struct {
        const char* name;
        MsgDlgType type;
        MsgDlgButtons buttons;
        std::function<void(QWidget*)> act;
        int result;
    } cases[] = {
        {"Enter on Yes/No", mtConfirmation, mbYes | mbNo,
         [](QWidget* w) { QTest::keyClick(keyTarget(w), Qt::Key_Return); }, 1},
        {"keypad Enter on Yes/No", mtConfirmation, mbYes | mbNo,
         [](QWidget* w) { QTest::keyClick(keyTarget(w), Qt::Key_Enter); }, 1},
        {"Escape on Yes/No", mtConfirmation, mbYes | mbNo,
         [](QWidget* w) { QTest::keyClick(keyTarget(w), Qt::Key_Escape); }, 2},
        {"close box on OK", mtWarning, mbOK, [](QWidget* w) { w->close(); }, 2},
        {"Enter without buttons", mtError, {}, [](QWidget* w) { QTest::keyClick(keyTarget(w), Qt::Key_Return); }, 1},
        {"Yes clicked", mtConfirmation, mbYes | mbNo, [](QWidget* w) { w->findChild<FlatButton*>("Yes"_L1)->click(); },
         6},
        {"No by its accelerator", mtConfirmation, mbYes | mbNo, [](QWidget* w) { pressAccelerator(w, Qt::Key_N); }, 7},
        {"Help leaves it open", mtInformation, mbOK | mbHelp,
         [](QWidget* w) {
             w->findChild<FlatButton*>("Help"_L1)->click();
             EXPECT_TRUE(w->isVisible());
             QTest::keyClick(keyTarget(w), Qt::Key_Escape);
         },
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        whenModal(c.act);
        EXPECT_EQ(FlatMessageDialog(QStringLiteral("继续吗?"), c.type, c.buttons), c.result);
    }
}

TEST_F(FlatDialogTest, TextQueryStartsWithTheCaretAfterTheText) {
    QString text = QStringLiteral("f_djh='0001'");
    whenModal([](QWidget* w) {
        auto* edit = w->findChild<FlatEdit*>();
        ASSERT_TRUE(edit);
        EXPECT_EQ(w->windowTitle(), QStringLiteral("测试信息"));
        EXPECT_EQ(w->findChild<QLabel*>()->text(), QStringLiteral("查询语句"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
        EXPECT_FALSE(edit->hasSelectedText());
        EXPECT_EQ(edit->cursorPosition(), edit->text().size());
        EXPECT_TRUE(w->findChild<FlatButton*>("btnOK"_L1));
        EXPECT_TRUE(w->findChild<FlatButton*>("btnCancel"_L1));
        QTest::keyClicks(edit, QStringLiteral(" and 1"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_TRUE(FlatTextQuery(QStringLiteral("测试信息"), QStringLiteral("查询语句"), text));
    EXPECT_EQ(text, QStringLiteral("f_djh='0001' and 1"));
}

TEST_F(FlatDialogTest, TextQueryCancelKeepsTheTextAndOkDeliversIt) {
    const struct {
        const char* name;
        std::function<void(QWidget*)> act;
        bool accepted;
    } cases[] = {
        {"Escape", [](QWidget* w) { QTest::keyClick(keyTarget(w), Qt::Key_Escape); }, false},
        {"cancel button", [](QWidget* w) { w->findChild<FlatButton*>("btnCancel"_L1)->click(); }, false},
        {"close box", [](QWidget* w) { w->close(); }, false},
        {"OK button", [](QWidget* w) { w->findChild<FlatButton*>("btnOK"_L1)->click(); }, true},
        {"Alt+O", [](QWidget* w) { pressAccelerator(w, Qt::Key_O); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString text = QStringLiteral("起初");
        whenModal([&](QWidget* w) {
            QTest::keyClicks(w->findChild<FlatEdit*>(), QStringLiteral("-2"));
            c.act(w);
        });
        EXPECT_EQ(FlatTextQuery(QStringLiteral("输入"), QStringLiteral("文字"), text), c.accepted);
        EXPECT_EQ(text, c.accepted ? QStringLiteral("起初-2") : QStringLiteral("起初"));
    }
}

TEST_F(FlatDialogTest, TextQueryTypingStopsAt255Characters) {
    for (int initial : {250, 300}) {
        SCOPED_TRACE(initial);
        QString text(initial, QLatin1Char('a'));
        whenModal([](QWidget* w) {
            auto* edit = w->findChild<FlatEdit*>();
            QTest::keyClicks(edit, QStringLiteral("bcdefghij"));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        ASSERT_TRUE(FlatTextQuery(QStringLiteral("输入"), QStringLiteral("文字"), text));
        // A longer text given at the start stays whole; typing adds nothing to it.
        EXPECT_EQ(text.size(), std::max(initial, 255));
        if (initial == 250) {
            EXPECT_TRUE(text.endsWith(QStringLiteral("abcdef")));
        }
    }
}

TEST_F(FlatDialogTest, ChoiceQueryDeliversTheSelectedEntryOnlyOnOk) {
    const QStringList relations{QStringLiteral("并且"), QStringLiteral("或者")};
    const struct {
        const char* name;
        QStringList choices;
        int style;
        std::function<void(QWidget*)> act;
        QString expected;  // the value starts as "先前"
        bool accepted;
    } cases[] = {
        {"OK without touching the list", relations, 0, [](QWidget* w) { QTest::keyClick(keyTarget(w), Qt::Key_Return); }, QStringLiteral("并且"), true},
        {"second entry", relations, 0,
         [](QWidget* w) {
             w->findChild<FlatComboBox*>()->setCurrentIndex(1);
             QTest::mouseClick(buttonsLeftToRight(w).front(), Qt::LeftButton);
         },
         QStringLiteral("或者"), true},
        {"Escape", relations, 0, [](QWidget* w) { QTest::keyClick(keyTarget(w), Qt::Key_Escape); }, QStringLiteral("先前"), false},
        {"cancel button", relations, 0, [](QWidget* w) { buttonsLeftToRight(w).back()->click(); }, QStringLiteral("先前"), false},
        {"typed text that is no entry", relations, 1,
         [](QWidget* w) {
             auto* combo = w->findChild<FlatComboBox*>();
             combo->setEditText(QStringLiteral("也许"));
             QTest::keyClick(keyTarget(w), Qt::Key_Return);
         },
         QString(), true},
        {"typed text that is an entry", relations, 1,
         [](QWidget* w) {
             w->findChild<FlatComboBox*>()->setEditText(QStringLiteral("或者"));
             QTest::keyClick(keyTarget(w), Qt::Key_Return);
         },
         QStringLiteral("或者"), true},
        {"no choices", {}, 0, [](QWidget* w) { QTest::keyClick(keyTarget(w), Qt::Key_Return); }, QString(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString value = QStringLiteral("先前");
        whenModal([&](QWidget* w) {
            auto* combo = w->findChild<FlatComboBox*>();
            ASSERT_TRUE(combo);
            EXPECT_EQ(combo->isEditable(), c.style != 0);
            EXPECT_EQ(w->findChild<FlatButton*>("btnOK"_L1), nullptr);  // the choice dialog's buttons are unnamed
            c.act(w);
        });
        EXPECT_EQ(FlatChoiceQuery(QStringLiteral("选择框"), QStringLiteral("请选择一个逻辑关系："), c.choices, c.style, value),
                  c.accepted);
        EXPECT_EQ(value, c.expected);
    }
}

TEST_F(FlatDialogTest, QueryLayoutInUnitsOfTheDefaultFont) {
    const DialogUnits u = DialogUnits::of(QApplication::font());
    QString text;
    whenModal([&](QWidget* w) {
        EXPECT_EQ(w->size(), QSize(u.scaleX(180), u.scaleY(63)));
        auto* prompt = w->findChild<QLabel*>();
        EXPECT_EQ(prompt->pos(), QPoint(u.scaleX(8), u.scaleY(8)));
        auto* edit = w->findChild<FlatEdit*>();
        EXPECT_EQ(edit->pos(), QPoint(u.scaleX(8), u.scaleY(19)));
        EXPECT_EQ(edit->width(), u.scaleX(164));
        EXPECT_LE(edit->geometry().bottom(), u.scaleY(41));  // clear of the buttons
        EXPECT_EQ(w->findChild<FlatButton*>("btnOK"_L1)->geometry(),
                  QRect(u.scaleX(38), u.scaleY(41), u.scaleX(50), u.scaleY(14)));
        EXPECT_EQ(w->findChild<FlatButton*>("btnCancel"_L1)->geometry(),
                  QRect(u.scaleX(92), u.scaleY(41), u.scaleX(50), u.scaleY(14)));
        QTest::keyClick(keyTarget(w), Qt::Key_Escape);
    });
    FlatTextQuery(QStringLiteral("测试信息"), QStringLiteral("查询语句"), text);
}

}  // namespace
