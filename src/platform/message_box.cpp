#include "platform/message_box.h"

#include <algorithm>
#include <cstdio>

namespace trunaccount::platform {

namespace {
MessageBoxHandler& handler() {
    static MessageBoxHandler h;
    return h;
}

}  // namespace

std::vector<int> buttonAnswers(unsigned flags) {
    switch (flags & MB_BUTTONMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

std::size_t defaultButton(unsigned flags) {
    return std::min<std::size_t>((flags & MB_DEFMASK) >> 8, buttonAnswers(flags).size() - 1);
}

int messageBox(WindowHandle owner, std::string_view text, std::string_view caption, unsigned flags) {
    if (auto& h = handler()) return h(owner, text, caption, flags);
    std::fprintf(stderr, "[%.*s] %.*s\n", static_cast<int>(caption.size()), caption.data(),
                 static_cast<int>(text.size()), text.data());
    return buttonAnswers(flags)[defaultButton(flags)];
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler h) {
    auto old = std::move(handler());
    handler() = std::move(h);
    return old;
}

}  // namespace trunaccount::platform
