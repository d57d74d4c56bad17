// A document's tick history as the coordinator's audit keeps it (the table
// tbgdrz): who ticked or revoked it, and when, oldest first. The window only
// reads it; a database without the audit has no history to show.
#pragma once

#include <string>
#include <vector>

#include "reconcile/business_type.h"
#include "trunaccount/variant.h"

namespace trunaccount {

struct TickHistoryStep {
    std::string time;          // the tick time written with the change, as stored
    std::string operatorCode;
    std::string operatorName;
    bool ticked = false;       // 勾对 (ticked) or 注销 (revoked)
};

// The table that holds a document of the business type: the monthly table named
// by the first six characters of its number (the project approval sheets have
// one table). Raises Error when the number does not begin with a year and month.
std::string DocumentTable(BusinessType type, const std::string& djh);

// The query of one document's history, oldest first.
std::string TickHistoryQuery(BusinessType type, const std::string& unit, const std::string& djh);

// A query counting the audit tables (0 or 1), for the database type the
// coordinator's GetDbType names.
std::string AuditTableProbe(const std::string& dbType);

// The steps of the history query's result.
std::vector<TickHistoryStep> TickHistorySteps(const DataPacket& packet);

// The stored time "YYYYMMDDHH:MM:SS" as "YYYY-MM-DD HH:MM:SS"; other forms as they are.
std::string TickTimeText(const std::string& stored);

}  // namespace trunaccount
