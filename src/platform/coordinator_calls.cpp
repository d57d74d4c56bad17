#include "platform/coordinator_calls.h"

#include "platform/errors.h"

namespace trunaccount::platform {

namespace {

std::string_view opName(CoordinatorOp op) {
    switch (op) {
    case CoordinatorOp::QueryData: return "QueryData";
    case CoordinatorOp::ExecBatch: return "ExecBatch";
    case CoordinatorOp::GetYearMonth: return "GetYearMonth";
    case CoordinatorOp::GetServerDate: return "GetServerDate";
    case CoordinatorOp::GetServerDateTime: return "GetServerDateTime";
    case CoordinatorOp::GetOperatorName: return "GetOperatorName";
    case CoordinatorOp::GetDbType: return "GetDbType";
    case CoordinatorOp::GetSystemParams: return "GetSystemParams";
    }
    return "?";
}

std::string_view statusText(DispatchStatus s) {
    switch (s) {
    case DispatchStatus::Ok: return "ok";
    case DispatchStatus::UnknownMember: return "unknown member";
    case DispatchStatus::BadArgumentCount: return "wrong number of arguments";
    case DispatchStatus::TypeMismatch: return "type mismatch";
    case DispatchStatus::Exception: return "exception";
    }
    return "failure";
}

bool callWithOneRef(ICoorDisp& c, CoordinatorOp op, Variant& value) {
    Variant args[1] = {std::move(value)};
    Variant r = invokeCoordinator(c, op, args);
    value = std::move(args[0]);
    return r.isTrue();
}

}  // namespace

Variant invokeCoordinator(ICoorDisp& coordinator, CoordinatorOp op, std::span<Variant> args) {
    Variant result;
    std::string errorText;
    auto status = coordinator.Invoke(static_cast<std::int32_t>(op), args, result, errorText);
    if (status != DispatchStatus::Ok) {
        std::string msg = "coordinator call " + std::string(opName(op)) + " failed (" +
                          std::string(statusText(status)) + ")";
        if (!errorText.empty()) msg += ": " + errorText;
        throw DispatchError(msg);
    }
    return result;
}

bool QueryData(ICoorDisp& c, const std::string& sql, Variant& data) {
    Variant args[2] = {Variant(sql), std::move(data)};
    Variant r = invokeCoordinator(c, CoordinatorOp::QueryData, args);
    data = std::move(args[1]);
    return r.isTrue();
}

bool ExecBatch(ICoorDisp& c, Variant& statements) { return callWithOneRef(c, CoordinatorOp::ExecBatch, statements); }
bool GetYearMonth(ICoorDisp& c, Variant& v) { return callWithOneRef(c, CoordinatorOp::GetYearMonth, v); }
bool GetServerDate(ICoorDisp& c, Variant& v) { return callWithOneRef(c, CoordinatorOp::GetServerDate, v); }
bool GetServerDateTime(ICoorDisp& c, Variant& v) { return callWithOneRef(c, CoordinatorOp::GetServerDateTime, v); }
bool GetSystemParams(ICoorDisp& c, Variant& v) { return callWithOneRef(c, CoordinatorOp::GetSystemParams, v); }

bool GetOperatorName(ICoorDisp& c, std::int32_t kind, Variant& value) {
    Variant args[2] = {Variant(kind), std::move(value)};
    Variant r = invokeCoordinator(c, CoordinatorOp::GetOperatorName, args);
    value = std::move(args[1]);
    return r.isTrue();
}

Variant GetDbType(ICoorDisp& c) { return invokeCoordinator(c, CoordinatorOp::GetDbType, {}); }

std::string ReportError(WindowHandle owner, const Variant& error, std::string_view prefix) {
    static constexpr std::string_view crlf = "\r\n";
    std::string text;
    if (!prefix.empty()) {
        text += prefix;
        text += crlf;
    }
    bool complete = error.isArray();
    if (complete) {
        for (const auto& line : error.asArray()) {
            auto t = line.textForm();
            if (!t) {
                complete = false;
                break;
            }
            text += *t;
            text += crlf;
        }
    }
    if (!complete) {
        text += "未知错误！";
        text += crlf;
    }
    text.resize(text.size() >= 2 ? text.size() - 2 : 0);
    if (owner) messageBox(owner, text, "错误", MB_ICONERROR | MB_OK);
    return text;
}

}  // namespace trunaccount::platform
