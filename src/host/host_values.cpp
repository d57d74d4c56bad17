#include "host/host_values.h"

#include "platform/errors.h"

namespace trunaccount::host {

HostValues& hostValues() {
    // Destroyed when the library is unloaded, which releases the coordinator.
    static HostValues values;
    return values;
}

ICoorDisp& currentCoordinator() {
    auto* c = hostValues().coordinator.get();
    if (!c) throw Error("no coordinator");
    return *c;
}

}  // namespace trunaccount::host
