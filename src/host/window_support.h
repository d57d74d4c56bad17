// What the windows of the library share: the interface font, the real message
// box, and the display of errors that escape a command.
#pragma once

#include <QFont>
#include <QWidget>
#include <exception>
#include <string>

#include "platform/message_box.h"

namespace trunaccount::host {

// "宋体" of the given pixel height, falling back to the CJK fonts Linux has.
QFont interfaceFont(int pixelSize = 12);

// Draws a one-pixel border of `color` over the edge of `widget` (the flat
// look of the window's lists and date pickers), leaving the control's own
// drawing, arrows included, as it is.
void addBorder(QWidget* widget, const QColor& color);

// Installs the message box that shows a real dialog (QMessageBox), unless one
// is installed already (tests install their own responder first).
void installDialogMessageBox();

// The window that owns a message box asked for without an owner.
QWidget* defaultOwner();

// Shows an error that escaped a command: its text, caption "错误", error icon.
void showError(QWidget* owner, const std::string& text);

// Writes an error that escaped a command to the log and shows its message (a
// null error: one of no known kind). Never throws: when showing fails too, the
// log has it.
void reportEscapedError(QWidget* owner, const std::exception* e) noexcept;

// Runs a command; an error escaping it is shown and goes no further, not even
// when showing it fails (an event handler of the host's loop must not throw).
template <typename F>
void guarded(QWidget* owner, F&& command) noexcept {
    try {
        command();
    } catch (const std::exception& e) {
        reportEscapedError(owner, &e);
    } catch (...) {
        reportEscapedError(owner, nullptr);
    }
}

}  // namespace trunaccount::host
