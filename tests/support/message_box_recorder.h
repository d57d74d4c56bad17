// Records every message box the code under test shows and answers as told.
// Installed for the lifetime of the object.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/message_box.h"

namespace trunaccount::testing {

struct ShownMessage {
    platform::WindowHandle owner;
    std::string text;
    std::string caption;
    unsigned flags;
    unsigned icon() const { return flags & platform::MB_ICONMASK; }
    unsigned buttons() const { return flags & platform::MB_BUTTONMASK; }
};

class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    // Answers given in order; when none is left the answer is IDOK.
    void answer(int result) { answers_.push_back(result); }

    const std::vector<ShownMessage>& shown() const { return shown_; }
    std::vector<std::string> texts() const;
    void clear() { shown_.clear(); }

private:
    std::vector<ShownMessage> shown_;
    std::deque<int> answers_;
    platform::MessageBoxHandler previous_;
};

}  // namespace trunaccount::testing
