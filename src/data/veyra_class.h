// The system parameter loader: fetches what a window asks for from the host's
// coordinator into the window's SystemParameters record, checks that every
// mandatory entry is present and reports the first missing one in its own words.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "data/system_parameters.h"
#include "platform/message_box.h"
#include "trunaccount/coordinator.h"

namespace trunaccount {

class TVeyraClass {
public:
    // Keeps the coordinator and asks it for the database type. When that fails,
    // warns the user ("获取数据库类型失败!") and assumes "SQLSERVER"; the loader
    // is usable either way.
    TVeyraClass(CoordinatorRef coordinator, platform::WindowHandle owner);

    const std::string& databaseType() const { return databaseType_; }

    // Fills `record` as far as `request` asks. On failure returns false with the
    // message to show in `message`; the fields filled so far stay in the record,
    // and a value that failed to convert is never stored.
    bool LoadParameters(SystemParameters& record, const ParameterRequest& request, std::string& message);

    // The last packet received (operator name or parameter table).
    const std::shared_ptr<const DataPacket>& packetTable() const { return packetTable_; }

    // When the last load failed because a coordinator call returned false: the
    // error lines that call handed back (the load's message stays its own).
    // Empty otherwise.
    const std::vector<std::string>& coordinatorReason() const { return coordinatorReason_; }

private:
    CoordinatorRef coordinator_;
    platform::WindowHandle owner_;
    std::string databaseType_;
    std::shared_ptr<const DataPacket> packetTable_;
    std::vector<std::string> coordinatorReason_;
};

// The window's request: start-of-use month, current month, server date and time,
// server date, operator name, "hsdwh" and "zbbm".
ParameterRequest windowParameterRequest();

}  // namespace trunaccount
