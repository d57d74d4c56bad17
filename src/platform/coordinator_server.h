// The serving side of the coordinator interface: reference counting and the
// dispatch by identifier, so that a coordinator only writes its eight operations.
#pragma once

#include <atomic>

#include "trunaccount/coordinator.h"

namespace trunaccount::platform {

class CoordinatorServer : public ICoorDisp {
public:
    std::uint32_t AddRef() noexcept override;
    std::uint32_t Release() noexcept override;
    std::uint32_t refCount() const { return refs_; }
    // Checks the operation and its argument count, runs it and turns an escaping
    // error into DispatchStatus::Exception with the error's text.
    DispatchStatus Invoke(std::int32_t dispId, std::span<Variant> args, Variant& result,
                          std::string& errorText) noexcept override;

protected:
    CoordinatorServer() = default;
    virtual ~CoordinatorServer() = default;

    virtual bool queryData(const Variant& sql, Variant& data) = 0;
    virtual bool execBatch(Variant& statements) = 0;
    virtual bool getYearMonth(Variant& value) = 0;
    virtual bool getServerDate(Variant& value) = 0;
    virtual bool getServerDateTime(Variant& value) = 0;
    virtual bool getOperatorName(std::int32_t kind, Variant& value) = 0;
    virtual Variant getDbType() = 0;
    virtual bool getSystemParams(Variant& value) = 0;

private:
    std::atomic<std::uint32_t> refs_{0};
};

}  // namespace trunaccount::platform
