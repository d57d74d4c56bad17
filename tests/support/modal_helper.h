// Acting on modal dialogs from a test while the code under test waits in them.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace trunaccount::testing {

// Runs `act` once on the next modal dialog that opens. Polls every few
// milliseconds, so it is set up before the call that opens the dialog.
inline void whenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

// The widget a key typed in `dialog` goes to: its focus widget, or itself.
inline QWidget* keyTarget(QWidget* dialog) {
    QWidget* f = dialog->focusWidget();
    return f ? f : dialog;
}

}  // namespace trunaccount::testing
