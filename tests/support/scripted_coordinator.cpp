#include "support/scripted_coordinator.h"

namespace trunaccount::testing {

namespace {
bool notScripted(const char* op, Variant& arg) {
    arg = Variant(Variant::Array{Variant(std::string(op) + " not scripted")});
    return false;
}
}  // namespace

CoordinatorRef ScriptedCoordinator::create(ScriptedCoordinator** raw) {
    auto* c = new ScriptedCoordinator();
    if (raw) *raw = c;
    return CoordinatorRef(c);
}

std::vector<CoordinatorOp> ScriptedCoordinator::ops() const {
    std::vector<CoordinatorOp> r;
    for (const auto& c : calls_) r.push_back(c.op);
    return r;
}

Variant ScriptedCoordinator::errorLines(std::initializer_list<const char*> lines) {
    Variant::Array a;
    for (auto* l : lines) a.emplace_back(l);
    return Variant(std::move(a));
}

std::shared_ptr<const DataPacket> ScriptedCoordinator::textPacket(std::vector<std::string> columns,
                                                                  std::vector<std::vector<std::string>> rows) {
    std::vector<PacketColumn> cols;
    for (auto& c : columns) cols.push_back({c, ColumnKind::Text, 0});
    auto p = std::make_shared<DataPacket>(std::move(cols));
    for (auto& r : rows) {
        for (auto& v : r) p->addText(v);
        p->endRow();
    }
    return p;
}

bool ScriptedCoordinator::queryData(const Variant& sql, Variant& data) {
    calls_.push_back({CoordinatorOp::QueryData, {sql, data}});
    return onQueryData ? onQueryData(sql.toText(), data) : notScripted("QueryData", data);
}

bool ScriptedCoordinator::execBatch(Variant& statements) {
    calls_.push_back({CoordinatorOp::ExecBatch, {statements}});
    return onExecBatch ? onExecBatch(statements) : notScripted("ExecBatch", statements);
}

bool ScriptedCoordinator::getYearMonth(Variant& v) {
    calls_.push_back({CoordinatorOp::GetYearMonth, {v}});
    return onGetYearMonth ? onGetYearMonth(v) : notScripted("GetYearMonth", v);
}

bool ScriptedCoordinator::getServerDate(Variant& v) {
    calls_.push_back({CoordinatorOp::GetServerDate, {v}});
    return onGetServerDate ? onGetServerDate(v) : notScripted("GetServerDate", v);
}

bool ScriptedCoordinator::getServerDateTime(Variant& v) {
    calls_.push_back({CoordinatorOp::GetServerDateTime, {v}});
    return onGetServerDateTime ? onGetServerDateTime(v) : notScripted("GetServerDateTime", v);
}

bool ScriptedCoordinator::getOperatorName(std::int32_t kind, Variant& v) {
    calls_.push_back({CoordinatorOp::GetOperatorName, {Variant(kind), v}});
    return onGetOperatorName ? onGetOperatorName(kind, v) : notScripted("GetOperatorName", v);
}

Variant ScriptedCoordinator::getDbType() {
    calls_.push_back({CoordinatorOp::GetDbType, {}});
    if (onGetDbType) return onGetDbType();
    throw std::runtime_error("GetDbType not scripted");
}

bool ScriptedCoordinator::getSystemParams(Variant& v) {
    calls_.push_back({CoordinatorOp::GetSystemParams, {v}});
    return onGetSystemParams ? onGetSystemParams(v) : notScripted("GetSystemParams", v);
}

}  // namespace trunaccount::testing
