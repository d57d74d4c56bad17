#include <gtest/gtest.h>

#include <QAccessible>
#include <QDialog>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include "widgets/flat_controls.h"

using namespace trunaccount;

namespace {

// The colour the button shows inside its border, away from the caption.
QColor faceOf(FlatButton& b) { return b.grab().toImage().pixelColor(3, 3); }

TEST(FlatButtonTest, KeepsWhatAssistiveTechnologyAndKeyboardUsersNeed) {
    QWidget window;
    FlatButton button(QStringLiteral("全  选(&A)"), &window);
    window.show();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&button);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->role(), QAccessible::Button);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("全  选(A)"));
    ASSERT_TRUE(a->actionInterface());
    EXPECT_TRUE(a->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));

    // Both press the button briefly, then click it.
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks.count() == 1; }));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == window.windowHandle(); }));
    QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);  // the accelerator
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks.count() == 2; }));

    EXPECT_FALSE(button.focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
}

TEST(FlatButtonTest, PaintsWithItsColourRoles) {
    FlatButton b(QStringLiteral("确定"));
    b.resize(64, 23);
    b.setColor(0x0000FF);           // red
    b.setColorBorder(0x008000);     // green
    b.setColorHighLight(0xFF0000);  // blue
    b.setColorDown(0xFFFFFF);
    b.setColorFocused(0x00FFFF);    // yellow
    EXPECT_EQ(b.grab().toImage().pixelColor(0, 0), QColor(0, 128, 0));
    EXPECT_EQ(faceOf(b), QColor(255, 0, 0));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&b, &enter);
    EXPECT_EQ(faceOf(b), QColor(0, 0, 255));
    b.setDown(true);
    EXPECT_EQ(faceOf(b), QColor(255, 255, 255));
    b.setDown(false);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&b, &leave);
    EXPECT_EQ(faceOf(b), QColor(255, 0, 0));

    b.show();
    b.activateWindow();
    b.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return b.hasFocus(); }));
    QApplication::sendEvent(&b, &leave);  // wherever the pointer is
    EXPECT_EQ(faceOf(b), QColor(255, 255, 0));
}

TEST(FlatButtonTest, ModalResultsCloseTheirForm) {
    QDialog form;
    auto* ok = new FlatButton(QStringLiteral("确  定(&O)"), &form);
    auto* cancel = new FlatButton(QStringLiteral("取  消(&C)"), &form);
    cancel->setModalResult(2);
    ConnectModalResults(&form);
    form.show();
    ok->click();  // no result: stays open
    EXPECT_TRUE(form.isVisible());
    cancel->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), 2);
}

TEST(ShapeTest, ALineOrAFrameInItsPenColour) {
    QWidget parent;
    Shape line(&parent);
    line.setPenColor(0x008000);
    line.setGeometry(0, 0, 40, 1);
    QImage img = line.grab().toImage();
    EXPECT_EQ(img.pixelColor(20, 0), QColor(0, 128, 0));
    Shape frame(&parent);
    frame.setPenColor(0xFF0000);
    frame.setGeometry(0, 0, 20, 10);
    img = frame.grab().toImage();
    EXPECT_EQ(img.pixelColor(0, 5), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(19, 9), QColor(0, 0, 255));
}

}  // namespace
