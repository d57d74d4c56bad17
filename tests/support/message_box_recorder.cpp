#include "support/message_box_recorder.h"

namespace trunaccount::testing {

MessageBoxRecorder::MessageBoxRecorder() {
    previous_ = platform::setMessageBoxHandler(
        [this](platform::WindowHandle owner, std::string_view text, std::string_view caption, unsigned flags) {
            shown_.push_back({owner, std::string(text), std::string(caption), flags});
            if (answers_.empty()) return static_cast<int>(platform::IDOK);
            int r = answers_.front();
            answers_.pop_front();
            return r;
        });
}

MessageBoxRecorder::~MessageBoxRecorder() { platform::setMessageBoxHandler(std::move(previous_)); }

std::vector<std::string> MessageBoxRecorder::texts() const {
    std::vector<std::string> r;
    for (const auto& m : shown_) r.push_back(m.text);
    return r;
}

}  // namespace trunaccount::testing
