// The window messages between the host and the reconciliation window.
//
//   1026  host -> window's PanelMain owner: the content has a new size
//         (wParam: height, lParam: width); sent or posted.
//   1027  window -> host window: a search query is about to be sent (0, 0); sent.
//   1028  window -> the notification control: the window is closing (0, 0); sent
//         while the window still exists; it is destroyed afterwards.
//
// A message is a QEvent of type kHostMessageEventType delivered to a QObject.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QtGlobal>

namespace trunaccount {

inline constexpr int kWmUser = 0x400;
inline constexpr int kMsgContentResized = kWmUser + 2;  // 1026
inline constexpr int kMsgSearchStarting = kWmUser + 3;  // 1027
inline constexpr int kMsgWindowClosing = kWmUser + 4;   // 1028

// A fixed event type, the same in every module that includes this header.
inline constexpr QEvent::Type kHostMessageEventType = static_cast<QEvent::Type>(QEvent::User + 0x402);

class HostMessageEvent : public QEvent {
public:
    HostMessageEvent(int message, qintptr wParam, qintptr lParam)
        : QEvent(kHostMessageEventType), message_(message), wParam_(wParam), lParam_(lParam) {}

    int message() const { return message_; }
    qintptr wParam() const { return wParam_; }
    qintptr lParam() const { return lParam_; }

    // The event as a host message, or null for any other event.
    static const HostMessageEvent* from(const QEvent* e) {
        return e && e->type() == kHostMessageEventType ? static_cast<const HostMessageEvent*>(e) : nullptr;
    }

private:
    int message_;
    qintptr wParam_;
    qintptr lParam_;
};

// Delivers the message at once and returns when the target has handled it.
inline bool sendHostMessage(QObject* target, int message, qintptr wParam = 0, qintptr lParam = 0) {
    if (!target) return false;
    HostMessageEvent e(message, wParam, lParam);
    return QCoreApplication::sendEvent(target, &e);
}

// Queues the message for the target's event loop.
inline void postHostMessage(QObject* target, int message, qintptr wParam = 0, qintptr lParam = 0) {
    if (target) QCoreApplication::postEvent(target, new HostMessageEvent(message, wParam, lParam));
}

}  // namespace trunaccount
