// Text helpers shared by the statement readers: encodings, amounts in exact
// cents, dates.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trunaccount::statement {

// True when the bytes are well-formed UTF-8.
bool isUtf8(std::string_view bytes);

// The text of a file in UTF-8: UTF-8 as it is (without a byte order mark),
// anything else taken as GBK. Raises trunaccount::EncodingError when the bytes
// are neither.
std::string decodeBankText(std::string_view bytes);
// The same for a statement file: raises StatementError naming the file when the
// bytes are neither.
std::string statementText(std::string_view bytes, const std::string& fileName);

// An amount of yuan as exact cents: optional sign, digits, at most two
// decimals after `decimalMark` (more only when they are zeros). With
// `grouping` a comma may separate thousands in the integer part ('.' decimal
// mark only). A currency sign (¥ ￥) before and "元" after are allowed. Anything
// else gives nothing.
std::optional<std::int64_t> parseCents(std::string_view text, char decimalMark = '.', bool grouping = false);

// Cents as yuan with two decimals: -123456 → "-1234.56".
std::string formatCents(std::int64_t cents);

// A valid calendar date YYYYMMDD from its parts, or nothing.
std::optional<std::string> makeDate(int year, int month, int day);

// A date as banks write it: 2024-05-03, 2024/5/3, 2024.05.03, 20240503,
// 2024年5月3日, optionally followed by a time. Nothing when it is not one.
std::optional<std::string> parseBankDate(std::string_view text);

// Days from `from` to `to` (both YYYYMMDD); negative when `to` is earlier.
int daysBetween(std::string_view from, std::string_view to);

// The text without leading and trailing blanks (ASCII and the full-width
// blank U+3000).
std::string_view trimText(std::string_view s);

}  // namespace trunaccount::statement
