// What an entry call does: takes over the host's values and builds the
// reconciliation window in the container.
#pragma once

#include <QString>
#include <string_view>

#include "trunaccount/coordinator.h"

class QWidget;

namespace trunaccount::host {

class TFrmTrunAccount;

// Stores the host values (the operator code given as GBK bytes), builds the
// window of `mode` ("Input" or "Search") in `container`, shows it and runs its
// show handling. Returns the window, or null when its show handling closed it
// (a failed start). Raises Error for a container already holding that window
// or an operator code that is not GBK.
TFrmTrunAccount* openReconciliationWindow(QWidget* hostWindow, QWidget* notifyControl, std::string_view operatorCodeGbk,
                                          QWidget* container, ICoorDisp* coordinator, const QString& mode);

}  // namespace trunaccount::host
