// The values an entry call hands over, kept for the whole library: one set,
// replaced by every entry call and shared by every open window.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "trunaccount/coordinator.h"

namespace trunaccount::host {

struct HostValues {
    QPointer<QWidget> hostWindow;         // receives 1027; owner of the library's own windows
    QPointer<QWidget> hostNotifyControl;  // receives 1028
    std::string operatorCode;             // UTF-8 (the entry call hands it over in GBK)
    CoordinatorRef coordinator;           // counted; the last one is released at unload
    QPointer<QWidget> ownerWindow;        // owner of message boxes, wait window, popups
};

HostValues& hostValues();

// The library's coordinator; raises Error when the host has handed over none.
ICoorDisp& currentCoordinator();

}  // namespace trunaccount::host
