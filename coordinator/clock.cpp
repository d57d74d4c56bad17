#include "coordinator/clock.h"

#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace trunaccount::coord {

namespace {

bool allDigits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return !s.empty();
}

int number(std::string_view s) {
    int n = 0;
    for (char c : s) n = n * 10 + (c - '0');
    return n;
}

bool isValidTime(std::string_view t) {
    return t.size() == 8 && t[2] == ':' && t[5] == ':' && allDigits(t.substr(0, 2)) && allDigits(t.substr(3, 2)) &&
           allDigits(t.substr(6, 2)) && number(t.substr(0, 2)) < 24 && number(t.substr(3, 2)) < 60 &&
           number(t.substr(6, 2)) < 60;
}

}  // namespace

bool isValidDate(std::string_view d) {
    if (d.size() != 8 || !allDigits(d)) return false;
    int year = number(d.substr(0, 4)), month = number(d.substr(4, 2)), day = number(d.substr(6, 2));
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

Clock Clock::fixedAt(std::string_view moment) {
    std::string_view date = moment.substr(0, 8);
    std::string_view time = moment.size() > 8 ? moment.substr(8) : std::string_view("09:00:00");
    if (time.size() == 9 && time[0] == ' ') time.remove_prefix(1);
    if (!isValidDate(date))
        throw std::invalid_argument("fixed clock '" + std::string(moment) + "': the date must be a real date YYYYMMDD");
    if (!isValidTime(time))
        throw std::invalid_argument("fixed clock '" + std::string(moment) +
                                    "': the time after the date must be HH:MM:SS");
    Clock c;
    c.fixed_ = ClockReading{std::string(date), std::string(time)};
    return c;
}

ClockReading Clock::now() const {
    if (fixed_) return *fixed_;
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char date[32], time[32];
    std::snprintf(date, sizeof date, "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return {date, time};
}

}  // namespace trunaccount::coord
