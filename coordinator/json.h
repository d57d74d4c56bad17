// JSON text for the trace and the admin command's output: strings escaped so
// that every line is valid JSON in UTF-8, whatever bytes the value holds.
#pragma once

#include <string>
#include <string_view>

#include "trunaccount/variant.h"

namespace trunaccount::coord {

// Appends `text` as a JSON string literal, quotes included. Control characters,
// quotes and backslashes are escaped; bytes that are not valid UTF-8 become
// U+FFFD so the result is always valid UTF-8.
void appendJsonString(std::string& out, std::string_view text);

// Appends a number; values that JSON cannot hold (NaN, infinities) as null.
void appendJsonNumber(std::string& out, double value);

// Appends a variant: texts as strings, numbers, booleans, null for empty and
// null, arrays as arrays, a data packet as {"columns":[...],"rows":[[...]]}.
void appendJsonValue(std::string& out, const Variant& value);

// A data packet as {"columns":[{"name":..,"kind":..,"width":..}],"rows":[[..]]}.
void appendJsonPacket(std::string& out, const DataPacket& packet);

}  // namespace trunaccount::coord
