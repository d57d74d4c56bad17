// Acting on modal dialogs from a test while the code under test waits in them.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

#include <gtest/gtest.h>

namespace trunaccount::testing {

// Runs `act` once on the next modal dialog that opens. Polls every few
// milliseconds, so it is set up before the call that opens the dialog. `act`
// is expected to close the dialog.
inline void whenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(w);
        // A dialog the test left open (a failed check inside `act`) would keep
        // the code under test waiting: it is closed after a while, as a failure.
        QTimer::singleShot(5000, w, [w] {
            if (!w->isVisible()) return;
            ADD_FAILURE() << "a modal dialog was left open: " << w->windowTitle().toStdString();
            if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
            else w->close();
        });
    });
    timer->start();
}

// The widget a key typed in `dialog` goes to: its focus widget, or itself.
inline QWidget* keyTarget(QWidget* dialog) {
    QWidget* f = dialog->focusWidget();
    return f ? f : dialog;
}

// Types Alt+`key` in `dialog` once it is the window that has the keyboard (an
// accelerator works only there); the button answers after its short press.
inline void pressAccelerator(QWidget* dialog, Qt::Key key) {
    dialog->activateWindow();
    if (!QTest::qWaitFor([dialog] { return QGuiApplication::focusWindow() == dialog->windowHandle(); }))
        ADD_FAILURE() << "the dialog never got the keyboard";
    QTest::keyClick(dialog, key, Qt::AltModifier);
}

}  // namespace trunaccount::testing
