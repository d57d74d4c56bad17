#include "data/text_functions.h"

#include <algorithm>
#include <charconv>

#include "platform/errors.h"
#include "platform/text.h"

namespace trunaccount {

std::string IfElseText(bool condition, std::string_view whenTrue, std::string_view whenFalse) {
    return std::string(condition ? whenTrue : whenFalse);
}

bool IsIntegerText(std::string_view text) {
    if (platform::trimBlanks(text).empty()) return false;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::string_view rest = text.substr(i);
    std::string_view digits = rest;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9') return false;
    if (rest.front() == '+') rest.remove_prefix(1);
    std::int64_t value = 0;
    auto [p, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    return ec == std::errc() && p == rest.data() + rest.size();
}

std::string NumberToFixedWidth(std::int32_t width, bool keepRightmost, std::int64_t value) {
    std::string s = std::to_string(value);
    auto len = static_cast<std::int64_t>(s.size());
    if (width < len) return keepRightmost ? (width <= 0 ? std::string() : s.substr(s.size() - width)) : s;
    return std::string(static_cast<std::size_t>(width - len), '0') + s;
}

namespace {

struct YearMonth {
    int year;
    int month;
};

YearMonth parseYearMonth(std::string_view ym) {
    auto bad = [&] { return ConversionError("'" + std::string(ym) + "' is not a valid year and month"); };
    if (ym.size() != 6 || !std::all_of(ym.begin(), ym.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw bad();
    int year = std::stoi(std::string(ym.substr(0, 4)));
    int month = std::stoi(std::string(ym.substr(4, 2)));
    if (year < 1 || month < 1 || month > 12) throw bad();
    return {year, month};
}

std::string formatYearMonth(YearMonth m) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d", m.year, m.month);
    return buf;
}

}  // namespace

std::vector<std::string> MonthList(std::string_view start, std::string_view end) {
    std::vector<std::string> months;
    std::string m(end);
    while (!(m < start)) {
        months.push_back(m);
        // The 15th of month m less 30 days always falls in the month before.
        YearMonth ym = parseYearMonth(m);
        ym = ym.month == 1 ? YearMonth{ym.year - 1, 12} : YearMonth{ym.year, ym.month - 1};
        if (ym.year < 1) throw ConversionError("'" + m + "' has no month before it");
        m = formatYearMonth(ym);
    }
    return months;
}

std::string ExpandMonthTables(std::string_view queryTemplate, std::string_view start, std::string_view end,
                              bool distinct) {
    static constexpr std::string_view placeholder = "tb000000";
    auto months = MonthList(start, end);
    std::sort(months.begin(), months.end());
    std::string result;
    for (std::size_t i = 0; i < months.size(); ++i) {
        if (i > 0) result += distinct ? " Union " : " Union All ";
        // The replacement "tb" + month never forms a new placeholder (no valid
        // month is 000000), so one pass from the left replaces every occurrence.
        std::string_view rest = queryTemplate;
        for (auto pos = rest.find(placeholder); pos != std::string_view::npos; pos = rest.find(placeholder)) {
            result.append(rest.substr(0, pos));
            result += "tb";
            result += months[i];
            rest.remove_prefix(pos + placeholder.size());
        }
        result.append(rest);
    }
    return result;
}

std::int32_t CountFields(std::string_view text, std::string_view separator) {
    if (text.empty()) return 0;
    auto sep = platform::toCodePoints(separator);
    if (sep.size() != 1) return 1;
    auto chars = platform::toCodePoints(text);
    return 1 + static_cast<std::int32_t>(std::count(chars.begin(), chars.end(), sep[0]));
}

std::string NthField(std::string_view text, std::string_view separator, std::uint8_t n) {
    auto chars = platform::toCodePoints(text);
    auto sepChars = platform::toCodePoints(separator);
    const int len = static_cast<int>(chars.size());
    const int want = n;
    int count = 0, start = 0, end = 0;  // 0: not set; positions count from 1
    for (int p = 1; p <= len; ++p) {
        if (sepChars.size() == 1 && chars[p - 1] == sepChars[0]) ++count;
        if (count == want && end == 0) end = p;
        if (want == 1) start = 1;
        else if (count == want - 1 && start == 0) start = p + 1;
    }
    if (end == 0) end = len + 1;
    if (start == 0) start = 1;
    int from = std::min(start, len + 1) - 1;
    int count_ = std::max(0, std::min(end - start, len - from));
    std::u32string field = chars.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(count_));
    if (field == chars) return {};
    return platform::fromCodePoints(field);
}

Variant ListToVariantArray(const std::vector<std::string>& texts) {
    if (texts.empty()) return {};
    Variant::Array a;
    a.reserve(texts.size());
    for (const auto& t : texts) a.emplace_back(t);
    return Variant(std::move(a));
}

std::string CodeOfItem(std::string_view itemText) {
    auto pos = itemText.find(' ');
    return pos == std::string_view::npos ? std::string() : std::string(itemText.substr(0, pos));
}

}  // namespace trunaccount
