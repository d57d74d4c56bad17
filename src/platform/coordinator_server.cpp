#include "platform/coordinator_server.h"

#include <exception>

namespace trunaccount::platform {

std::uint32_t CoordinatorServer::AddRef() noexcept { return ++refs_; }

std::uint32_t CoordinatorServer::Release() noexcept {
    std::uint32_t n = --refs_;
    if (n == 0) delete this;
    return n;
}

DispatchStatus CoordinatorServer::Invoke(std::int32_t dispId, std::span<Variant> args, Variant& result,
                                         std::string& errorText) noexcept {
    auto need = [&](std::size_t n) {
        if (args.size() == n) return true;
        errorText = "expected " + std::to_string(n) + " arguments, got " + std::to_string(args.size());
        return false;
    };
    try {
        switch (static_cast<CoordinatorOp>(dispId)) {
        case CoordinatorOp::QueryData:
            if (!need(2)) return DispatchStatus::BadArgumentCount;
            result = queryData(args[0], args[1]);
            return DispatchStatus::Ok;
        case CoordinatorOp::ExecBatch:
            if (!need(1)) return DispatchStatus::BadArgumentCount;
            result = execBatch(args[0]);
            return DispatchStatus::Ok;
        case CoordinatorOp::GetYearMonth:
            if (!need(1)) return DispatchStatus::BadArgumentCount;
            result = getYearMonth(args[0]);
            return DispatchStatus::Ok;
        case CoordinatorOp::GetServerDate:
            if (!need(1)) return DispatchStatus::BadArgumentCount;
            result = getServerDate(args[0]);
            return DispatchStatus::Ok;
        case CoordinatorOp::GetServerDateTime:
            if (!need(1)) return DispatchStatus::BadArgumentCount;
            result = getServerDateTime(args[0]);
            return DispatchStatus::Ok;
        case CoordinatorOp::GetOperatorName:
            if (!need(2)) return DispatchStatus::BadArgumentCount;
            if (args[0].type() != Variant::Type::Integer) {
                errorText = "the first argument of GetOperatorName must be an integer";
                return DispatchStatus::TypeMismatch;
            }
            result = getOperatorName(static_cast<std::int32_t>(args[0].asInteger()), args[1]);
            return DispatchStatus::Ok;
        case CoordinatorOp::GetDbType:
            if (!need(0)) return DispatchStatus::BadArgumentCount;
            result = getDbType();
            return DispatchStatus::Ok;
        case CoordinatorOp::GetSystemParams:
            if (!need(1)) return DispatchStatus::BadArgumentCount;
            result = getSystemParams(args[0]);
            return DispatchStatus::Ok;
        }
        errorText = "no operation with dispatch identifier " + std::to_string(dispId);
        return DispatchStatus::UnknownMember;
    } catch (const std::exception& e) {
        errorText = e.what();
    } catch (...) {
        errorText = "unknown error";
    }
    return DispatchStatus::Exception;
}

}  // namespace trunaccount::platform
