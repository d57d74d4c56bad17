// The plug-in's two entry points. Each builds one reconciliation window inside
// the host's container and returns at once; the window then lives on the host's
// user-interface thread.
//
// Arguments, in order:
//   hostWindow      the host's main window: receives message 1027, owns the
//                   plug-in's own top-level windows
//   notifyControl   receives message 1028 when the window closes
//   operatorCode    the operator's staff code: one length byte n followed by n
//                   bytes of GBK text
//   container       the widget the window is built in; it owns the window
//   coordinator     the host's coordinator; the plug-in keeps a counted reference
//
// Nothing is returned and nothing is thrown.
#pragma once

#include "trunaccount/coordinator.h"

class QWidget;

#define TRUNACCOUNT_EXPORT __attribute__((visibility("default")))

extern "C" {
TRUNACCOUNT_EXPORT void GetTrunAccountInput(QWidget* hostWindow, QWidget* notifyControl,
                                            const unsigned char* operatorCode, QWidget* container,
                                            trunaccount::ICoorDisp* coordinator) noexcept;
TRUNACCOUNT_EXPORT void GetTrunAccountSearch(QWidget* hostWindow, QWidget* notifyControl,
                                             const unsigned char* operatorCode, QWidget* container,
                                             trunaccount::ICoorDisp* coordinator) noexcept;
}

namespace trunaccount {
// The entry points' type, for dlsym.
using EntryPoint = void (*)(QWidget*, QWidget*, const unsigned char*, QWidget*, ICoorDisp*) noexcept;
inline constexpr const char* kInputEntryName = "GetTrunAccountInput";
inline constexpr const char* kSearchEntryName = "GetTrunAccountSearch";
}  // namespace trunaccount
