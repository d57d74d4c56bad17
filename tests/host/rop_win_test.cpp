#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "host/rop_win.h"
#include "host/window_support.h"
#include "support/message_box_recorder.h"

using namespace Qt::StringLiterals;

using namespace trunaccount::host;
using trunaccount::testing::MessageBoxRecorder;

namespace {

QStringList helpLines() {
    return {QStringLiteral("快捷键："),           ""_L1,
            QStringLiteral("    重  查: F2"),     QStringLiteral("    选  项: F3"),
            QStringLiteral("    预  览: Ctrl+V"), QStringLiteral("    打  印: Ctrl+P"),
            QStringLiteral("    退  出: ESC")};
}

QSize screenSize() { return QGuiApplication::primaryScreen()->geometry().size(); }

}  // namespace

TEST(TRopInst, SizedByTheTextAndCentredByTheTextSize) {
    TRopInst popup;
    popup.Font = interfaceFont(12);
    popup.Lines = helpLines();
    popup.Prepare();
    const QSize t = popup.textSize();
    EXPECT_GT(t.height(), 6 * QFontMetrics(popup.Font).height());  // seven lines, the empty one included
    EXPECT_EQ(popup.size(), t + QSize(40, 30));
    EXPECT_EQ(popup.pos(), QPoint((screenSize().width() - t.width()) / 2, (screenSize().height() - t.height()) / 2));
    EXPECT_FALSE(popup.Timer1()->isActive());
}

TEST(TRopInst, GivenPositionsAndCloseTimer) {
    TRopInst popup;
    popup.Font = interfaceFont(12);
    popup.Lines = helpLines();
    popup.xPos = 0;
    popup.yPos = 100;
    popup.TimeClose = 3000;
    popup.Prepare();
    EXPECT_EQ(popup.x(), (screenSize().width() - popup.textSize().width()) / 2);
    EXPECT_EQ(popup.y(), 100);
    EXPECT_TRUE(popup.Timer1()->isActive());
    EXPECT_EQ(popup.Timer1()->interval(), 3000);
}

TEST(TRopInst, DrawsADottedShadowAndLeavesTwoCornersAlone) {
    TRopInst popup;
    popup.Font = interfaceFont(12);
    popup.Lines = QStringList{QStringLiteral("快捷键：")};
    popup.Prepare();
    QImage img = popup.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage beneath = popup.screenBeneath().convertToFormat(QImage::Format_ARGB32);
    // Where painting leaves the window alone, the screen beneath shows.
    auto untouched = [&](int x, int y) {
        return beneath.isNull() ? qAlpha(img.pixel(x, y)) == 0 : img.pixel(x, y) == beneath.pixel(x, y);
    };
    const int cw = img.width(), ch = img.height();
    // A pattern row of zero bits is solid shadow; a row of AA leaves every other pixel.
    int solidRow = ch - 16;
    while (solidRow % 8 != 1) ++solidRow;
    EXPECT_EQ(QColor(img.pixel(cw / 2, solidRow)), QColor(Qt::black));
    int dottedRow = ch - 16;
    while (dottedRow % 8 != 0) ++dottedRow;
    const int x = 24;  // x % 8 == 0: the leftmost bit of AA is set
    EXPECT_TRUE(untouched(x, dottedRow));
    EXPECT_EQ(QColor(img.pixel(x + 1, dottedRow)), QColor(Qt::black));
    // Inside the box: the white brush.
    EXPECT_EQ(QColor(img.pixel(cw / 2, ch / 2 + 1)), QColor(Qt::white));
    // The bottom-left and top-right 16 x 16 corners are not drawn.
    EXPECT_TRUE(untouched(3, ch - 3));
    EXPECT_TRUE(untouched(cw - 3, 3));
}

TEST(TRopWin, ExecuteReturnsWhenAKeyIsPressed) {
    TRopWin rop;
    rop.Font = interfaceFont(12);
    rop.Lines = helpLines();
    bool seenOpen = false;
    QTimer::singleShot(50, [&] {
        ASSERT_NE(rop.popup(), nullptr);
        seenOpen = rop.popup()->isVisible();
        QTest::keyClick(rop.popup(), Qt::Key_A);
    });
    rop.Execute();
    EXPECT_TRUE(seenOpen);
    EXPECT_EQ(rop.popup(), nullptr);
}

TEST(TRopWin, ExecuteReturnsOnAClickOrWhenTheTimeIsUp) {
    TRopWin rop;
    rop.Lines = helpLines();
    QTimer::singleShot(50, [&] { QTest::mouseClick(rop.popup(), Qt::LeftButton, {}, QPoint(5, 5)); });
    rop.Execute();

    rop.TimeClose = 100;
    QElapsedTimer t;
    t.start();
    rop.Execute();  // nobody presses anything
    EXPECT_GE(t.elapsed(), 90);
}

TEST(TRopWin, EmptyLinesGiveAMessageAndNoPopup) {
    MessageBoxRecorder boxes;
    TRopWin rop;
    rop.Execute();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "The Lines is empty");
    EXPECT_EQ(boxes.shown()[0].caption, "Error");
    EXPECT_EQ(boxes.shown()[0].flags, trunaccount::platform::MB_OK);
}
