// The one way the plug-in asks the user something or tells them something:
// a modal message box with a text, a caption, an icon and buttons.
//
// The product installs a handler that shows a real dialog; tests install a
// responder that records what was shown and answers as told.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trunaccount::platform {

// The window that owns a message box (a QWidget* in the product); null for none.
using WindowHandle = void*;

// Buttons and icons, combined with |.
enum MessageBoxFlags : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    // The button that Enter presses: the first unless told otherwise. A
    // question whose first answer throws work away makes the second the default.
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
    MB_BUTTONMASK = 0xF,
    MB_ICONMASK = 0xF0,
    MB_DEFMASK = 0xF00,
};

// Answers.
enum MessageBoxResult : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDABORT = 3,
    IDRETRY = 4,
    IDIGNORE = 5,
    IDYES = 6,
    IDNO = 7,
};

using MessageBoxHandler =
    std::function<int(WindowHandle owner, std::string_view text, std::string_view caption, unsigned flags)>;

// The answers of the buttons the flags ask for, in their order (MB_OKCANCEL:
// IDOK, IDCANCEL).
std::vector<int> buttonAnswers(unsigned flags);
// Which of those buttons Enter presses: the first, or the one MB_DEFBUTTONn names.
std::size_t defaultButton(unsigned flags);

// Shows the message box through the installed handler and returns the answer.
// Without a handler the message goes to standard error and the answer is the
// default button's.
int messageBox(WindowHandle owner, std::string_view text, std::string_view caption, unsigned flags);

// Installs a handler; returns the one it replaces.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

}  // namespace trunaccount::platform
