// The plug-in's exported entry points. Everything else in the library is hidden.
#include "trunaccount/entry_points.h"

#include <QWidget>
#include <string_view>

#include "host/open_window.h"
#include "host/window_support.h"

namespace trunaccount::host {

namespace {

void entry(QWidget* hostWindow, QWidget* notifyControl, const unsigned char* operatorCode, QWidget* container,
           ICoorDisp* coordinator, const char* mode) noexcept {
    // Nothing crosses back into the host: an error is shown to the user.
    guarded(hostWindow, [&] {
        // The operator code: a length byte and that many bytes of GBK text.
        std::string_view code;
        if (operatorCode) code = {reinterpret_cast<const char*>(operatorCode) + 1, operatorCode[0]};
        openReconciliationWindow(hostWindow, notifyControl, code, container, coordinator, QString::fromLatin1(mode));
    });
}

}  // namespace
}  // namespace trunaccount::host

extern "C" {

void GetTrunAccountInput(QWidget* hostWindow, QWidget* notifyControl, const unsigned char* operatorCode,
                         QWidget* container, trunaccount::ICoorDisp* coordinator) noexcept {
    trunaccount::host::entry(hostWindow, notifyControl, operatorCode, container, coordinator, "Input");
}

void GetTrunAccountSearch(QWidget* hostWindow, QWidget* notifyControl, const unsigned char* operatorCode,
                          QWidget* container, trunaccount::ICoorDisp* coordinator) noexcept {
    trunaccount::host::entry(hostWindow, notifyControl, operatorCode, container, coordinator, "Search");
}
}
