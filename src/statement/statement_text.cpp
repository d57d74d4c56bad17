#include "statement/statement_text.h"

#include <cstdio>

#include "platform/gbk.h"

namespace trunaccount::statement {

bool isUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        if (c < 0x80) n = 0;
        else if (c >= 0xC2 && c <= 0xDF) n = 1;
        else if (c >= 0xE0 && c <= 0xEF) n = 2;
        else if (c >= 0xF0 && c <= 0xF4) n = 3;
        else return false;
        if (i + n >= s.size() && n > 0) return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        if (n == 2) {
            const auto c1 = static_cast<unsigned char>(s[i + 1]);
            if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0)) return false;  // overlong, surrogates
        } else if (n == 3) {
            const auto c1 = static_cast<unsigned char>(s[i + 1]);
            if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90)) return false;
        }
        i += n + 1;
    }
    return true;
}

std::string decodeBankText(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (isUtf8(bytes)) return std::string(bytes);
    return platform::gbkToUtf8(bytes);
}

std::string_view trimText(std::string_view s) {
    static constexpr std::string_view kIdeographicBlank = "\xE3\x80\x80";
    for (;;) {
        if (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
        else if (s.starts_with(kIdeographicBlank)) s.remove_prefix(kIdeographicBlank.size());
        else break;
    }
    for (;;) {
        if (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
        else if (s.ends_with(kIdeographicBlank)) s.remove_suffix(kIdeographicBlank.size());
        else break;
    }
    return s;
}

std::optional<std::int64_t> parseCents(std::string_view text, char decimalMark, bool grouping) {
    std::string_view s = trimText(text);
    for (std::string_view sign : {"\xC2\xA5", "\xEF\xBF\xA5"})  // ¥ ￥
        if (s.starts_with(sign)) s = trimText(s.substr(sign.size()));
    if (s.ends_with("\xE5\x85\x83")) s = trimText(s.substr(0, s.size() - 3));  // 元
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    constexpr std::int64_t kLimit = 100'000'000'000'000LL;  // a trillion yuan, in cents
    std::int64_t units = 0;
    std::size_t i = 0, digits = 0, groupDigits = 0;
    bool grouped = false;
    for (; i < s.size() && s[i] != decimalMark; ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            units = units * 10 + (c - '0');
            if (units > kLimit) return std::nullopt;
            ++digits;
            ++groupDigits;
        } else if (grouping && decimalMark != ',' && c == ',') {
            // A separator stands after one to three digits, then every three.
            if (digits == 0 || (grouped && groupDigits != 3) || (!grouped && groupDigits > 3)) return std::nullopt;
            grouped = true;
            groupDigits = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || (grouped && groupDigits != 3)) return std::nullopt;
    std::int64_t cents = units * 100;
    if (i < s.size()) {  // the decimals
        ++i;
        int place = 0;
        for (; i < s.size(); ++i, ++place) {
            const char c = s[i];
            if (c < '0' || c > '9') return std::nullopt;
            if (place == 0) cents += static_cast<std::int64_t>(c - '0') * 10;
            else if (place == 1) cents += c - '0';
            else if (c != '0') return std::nullopt;  // not a whole number of cents
        }
    }
    return negative ? -cents : cents;
}

std::string formatCents(std::int64_t cents) {
    const bool negative = cents < 0;
    const std::uint64_t abs = negative ? 0 - static_cast<std::uint64_t>(cents) : static_cast<std::uint64_t>(cents);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu.%02llu", negative ? "-" : "", static_cast<unsigned long long>(abs / 100),
                  static_cast<unsigned long long>(abs % 100));
    return buf;
}

namespace {

int daysInMonth(int year, int month) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return days[month - 1] + (month == 2 && leap ? 1 : 0);
}

// Days since 1970-01-01 of a civil date.
long long dayNumber(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153LL * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int digitsValue(std::string_view s) {
    int v = 0;
    for (char c : s) v = v * 10 + (c - '0');
    return v;
}

}  // namespace

std::optional<std::string> makeDate(int year, int month, int day) {
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return std::nullopt;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", year, month, day);
    return std::string(buf);
}

std::optional<std::string> parseBankDate(std::string_view text) {
    std::string_view s = trimText(text);
    // Up to three runs of digits separated by one of - / . 年 月, an optional 日,
    // then nothing or a time after a blank or 'T'.
    int parts[3] = {0, 0, 0};
    std::size_t lengths[3] = {0, 0, 0};
    int count = 0;
    std::size_t i = 0;
    while (count < 3) {
        const std::size_t start = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
        if (i == start || i - start > 8) return std::nullopt;
        lengths[count] = i - start;
        parts[count] = digitsValue(s.substr(start, i - start));
        ++count;
        if (i >= s.size()) break;
        if (s[i] == '-' || s[i] == '/' || s[i] == '.') ++i;
        else if (s.substr(i).starts_with("\xE5\xB9\xB4") || s.substr(i).starts_with("\xE6\x9C\x88")) i += 3;  // 年 月
        else break;
    }
    if (s.substr(i).starts_with("\xE6\x97\xA5")) i += 3;  // 日
    const std::string_view rest = s.substr(i);
    if (!rest.empty() && rest.front() != ' ' && rest.front() != 'T' && rest.front() != '\t') return std::nullopt;
    if (count == 1 && lengths[0] == 8)
        return makeDate(digitsValue(s.substr(0, 4)), digitsValue(s.substr(4, 2)), digitsValue(s.substr(6, 2)));
    if (count == 3 && lengths[0] == 4 && lengths[1] <= 2 && lengths[2] <= 2) return makeDate(parts[0], parts[1], parts[2]);
    return std::nullopt;
}

int daysBetween(std::string_view from, std::string_view to) {
    auto number = [](std::string_view d) {
        if (d.size() != 8) return 0LL;
        return dayNumber(digitsValue(d.substr(0, 4)), digitsValue(d.substr(4, 2)), digitsValue(d.substr(6, 2)));
    };
    return static_cast<int>(number(to) - number(from));
}

}  // namespace trunaccount::statement
