#include "platform/message_box.h"

#include <cstdio>

namespace trunaccount::platform {

namespace {
MessageBoxHandler& handler() {
    static MessageBoxHandler h;
    return h;
}

int firstButton(unsigned flags) {
    switch (flags & MB_BUTTONMASK) {
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO: return IDYES;
    case MB_RETRYCANCEL: return IDRETRY;
    default: return IDOK;
    }
}
}  // namespace

int messageBox(WindowHandle owner, std::string_view text, std::string_view caption, unsigned flags) {
    if (auto& h = handler()) return h(owner, text, caption, flags);
    std::fprintf(stderr, "[%.*s] %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    return firstButton(flags);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler h) {
    auto old = std::move(handler());
    handler() = std::move(h);
    return old;
}

}  // namespace trunaccount::platform
