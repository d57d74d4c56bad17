// Text and SQL building functions shared by the whole plug-in: choosing a text,
// integer texts, fixed-width numbers, the month expansion of queries over
// monthly tables, delimited fields, statement lists and list item codes.
//
// Year-months are six-digit texts YYYYMM and dates eight-digit texts YYYYMMDD,
// compared as texts. Monthly tables are named "tb" + YYYYMM + suffix; a query
// written for them names the placeholder month "tb000000".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "trunaccount/variant.h"

namespace trunaccount {

// `whenTrue` when the condition holds, otherwise `whenFalse`.
std::string IfElseText(bool condition, std::string_view whenTrue, std::string_view whenFalse);

// True when the text, once blanks are allowed in front, is a signed 64-bit
// decimal integer with nothing after it. Never fails.
bool IsIntegerText(std::string_view text);

// The decimal text of `value`, padded with zeros in front (also in front of the
// sign) to `width`; a longer text keeps its last `width` characters when
// `keepRightmost` is set and is returned whole otherwise.
std::string NumberToFixedWidth(std::int32_t width, bool keepRightmost, std::int64_t value);

// Every month from `endYearMonth` down to `startYearMonth`, both included,
// latest first; empty when the end lies before the start. Raises
// ConversionError for a month that is not a valid year and month.
std::vector<std::string> MonthList(std::string_view startYearMonth, std::string_view endYearMonth);

// One copy of `queryTemplate` per month of the range, earliest first, each with
// every "tb000000" replaced by "tb" and the month, joined by " Union " when
// `distinct` is set and " Union All " when it is not.
std::string ExpandMonthTables(std::string_view queryTemplate, std::string_view startYearMonth,
                              std::string_view endYearMonth, bool distinct);

// 0 for an empty text, otherwise 1 + the number of characters equal to the
// separator (a separator of several characters never matches).
std::int32_t CountFields(std::string_view text, std::string_view separator);

// Field `n` (from 1) of a text whose fields are separated by `separator` (one
// character). A field that would be the whole text gives an empty text.
std::string NthField(std::string_view text, std::string_view separator, std::uint8_t n);

// A one-dimensional array (lower bound 0) of text variants, or an empty variant
// for an empty list.
Variant ListToVariantArray(const std::vector<std::string>& texts);

// The characters before the first blank of a list item "code name"; empty when
// the item has no blank.
std::string CodeOfItem(std::string_view itemText);

}  // namespace trunaccount
