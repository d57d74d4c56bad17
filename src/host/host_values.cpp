#include "host/host_values.h"

namespace trunaccount::host {

HostValues& hostValues() {
    // Destroyed when the library is unloaded, which releases the coordinator.
    static HostValues values;
    return values;
}

}  // namespace trunaccount::host
