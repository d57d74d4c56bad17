// What the tick, save and revoke tests of the reconciliation window share: a
// search as the user starts it, the whole visible state of the list, a
// coordinator that passes every call on to a real one (so that a test can
// change one answer), and the tick-off columns of a source document.
#pragma once

#include <QPoint>
#include <QString>
#include <string>
#include <vector>

#include "coordinator/database.h"
#include "host/frm_trun_account.h"
#include "reconcile/business_type.h"
#include "support/scripted_coordinator.h"
#include "window_fixture.h"

namespace trunaccount::testing {

// Picks the business type, the dates ("YYYYMMDD") and, in search mode, the tick
// type (0 all, 1 unticked, 2 ticked), then presses "重  查".
void searchDocuments(host::TFrmTrunAccount& w, BusinessType type, const char* from, const char* to,
                     int tickType = 0);

// Everything the user sees of the list and what the window counts: the values
// of every field of every row in view order, the three texts of the totals
// line, the ticked count and amount.
struct ListState {
    std::vector<std::vector<std::string>> rows;
    std::vector<QString> totals;
    int tickedCount = 0;
    std::string tickedAmount;
    friend bool operator==(const ListState&, const ListState&) = default;
};
ListState listState(const host::TFrmTrunAccount& w);
void PrintTo(const ListState& s, std::ostream* os);

// Values of one field over the rows in view order.
std::vector<std::string> column(const host::TFrmTrunAccount& w, const char* field);

// The texts of the ExecBatch calls a scripted coordinator received.
std::vector<std::vector<std::string>> batchesSent(const ScriptedCoordinator& c);

// A coordinator whose every operation hands the call to `real`; a test replaces
// the handler of the operation it wants to answer differently. Calls are logged.
CoordinatorRef forwardingTo(CoordinatorRef real, ScriptedCoordinator** raw);

// The tick-off columns of a source document.
struct SourceTick {
    std::string tick, time, operatorCode, operatorName;
    friend bool operator==(const SourceTick&, const SourceTick&) = default;
};
void PrintTo(const SourceTick& t, std::ostream* os);
SourceTick sourceTick(coord::Database& db, const std::string& table, const std::string& unit,
                      const std::string& number);

// The table holding a document of the business type.
std::string sourceTable(BusinessType type, const std::string& number);

// Every row of a query, each value as text; for comparing a table before and after.
std::vector<std::vector<std::string>> queryRows(coord::Database& db, const std::string& sql);

// The centre of a data cell in the grid's scrolling part (viewport coordinates).
QPoint cellCentre(const host::TFrmTrunAccount& w, int row, int column);

}  // namespace trunaccount::testing
