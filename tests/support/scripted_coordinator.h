// A coordinator for tests: each operation answers through a handler the test
// sets, and every call is logged with its arguments as they came in.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/coordinator_server.h"
#include "trunaccount/variant.h"

namespace trunaccount::testing {

struct CoordinatorCall {
    CoordinatorOp op;
    std::vector<Variant> args;  // as passed in, before the handler wrote them
};

class ScriptedCoordinator : public platform::CoordinatorServer {
public:
    // Created with a reference count of 1 held by the returned CoordinatorRef.
    static CoordinatorRef create(ScriptedCoordinator** raw = nullptr);

    // Handlers; an unset handler answers false with the error line
    // "<operation> not scripted".
    std::function<bool(const std::string& sql, Variant& data)> onQueryData;
    std::function<bool(Variant& statements)> onExecBatch;
    std::function<bool(Variant& value)> onGetYearMonth;
    std::function<bool(Variant& value)> onGetServerDate;
    std::function<bool(Variant& value)> onGetServerDateTime;
    std::function<bool(std::int32_t kind, Variant& value)> onGetOperatorName;
    std::function<Variant()> onGetDbType;
    std::function<bool(Variant& value)> onGetSystemParams;

    const std::vector<CoordinatorCall>& calls() const { return calls_; }
    std::vector<CoordinatorOp> ops() const;
    void clearCalls() { calls_.clear(); }

    // Error lines as the coordinator hands them back.
    static Variant errorLines(std::initializer_list<const char*> lines);
    // A packet of text columns, one row per inner list.
    static std::shared_ptr<const DataPacket> textPacket(std::vector<std::string> columns,
                                                        std::vector<std::vector<std::string>> rows);

protected:
    bool queryData(const Variant& sql, Variant& data) override;
    bool execBatch(Variant& statements) override;
    bool getYearMonth(Variant& value) override;
    bool getServerDate(Variant& value) override;
    bool getServerDateTime(Variant& value) override;
    bool getOperatorName(std::int32_t kind, Variant& value) override;
    Variant getDbType() override;
    bool getSystemParams(Variant& value) override;

private:
    std::vector<CoordinatorCall> calls_;
};

}  // namespace trunaccount::testing
