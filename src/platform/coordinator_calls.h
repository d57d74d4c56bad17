// Typed calls of the coordinator's operations, and the display of the error
// lines an operation hands back.
//
// Every operation but GetDbType returns true for success; on false its by-reference
// argument holds the error as an array of text lines. A call that the coordinator
// rejects at the dispatch level raises DispatchError.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/message_box.h"
#include "trunaccount/coordinator.h"

namespace trunaccount::platform {

// Low-level call by operation; raises DispatchError when the coordinator rejects it.
Variant invokeCoordinator(ICoorDisp& coordinator, CoordinatorOp op, std::span<Variant> args);

bool QueryData(ICoorDisp& coordinator, const std::string& sql, Variant& data);
bool ExecBatch(ICoorDisp& coordinator, Variant& statements);
bool GetYearMonth(ICoorDisp& coordinator, Variant& value);
bool GetServerDate(ICoorDisp& coordinator, Variant& value);
bool GetServerDateTime(ICoorDisp& coordinator, Variant& value);
// `value` holds the staff code going in and a data packet with f_zymc coming out.
bool GetOperatorName(ICoorDisp& coordinator, std::int32_t kind, Variant& value);
Variant GetDbType(ICoorDisp& coordinator);
bool GetSystemParams(ICoorDisp& coordinator, Variant& value);

// Joins the error lines of `error` with CR LF, after `prefix` and CR LF when the
// prefix is not empty; "未知错误！" stands for lines that are missing or have no
// text form. With an owner, the text is also shown in a message box (caption
// "错误", error icon, OK). Returns the text.
std::string ReportError(WindowHandle owner, const Variant& error, std::string_view prefix);

}  // namespace trunaccount::platform
