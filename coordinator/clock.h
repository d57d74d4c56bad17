// The coordinator's clock: the machine's local time, or a fixed moment for
// demonstrations and tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trunaccount::coord {

struct ClockReading {
    std::string date;  // YYYYMMDD
    std::string time;  // HH:MM:SS
};

class Clock {
public:
    // Local time of the machine.
    Clock() = default;
    // A clock that always reads `moment`: "YYYYMMDD", optionally followed
    // (directly or after one blank) by "HH:MM:SS"; the time defaults to 09:00:00.
    // Raises std::invalid_argument naming what is wrong.
    static Clock fixedAt(std::string_view moment);

    ClockReading now() const;
    bool isFixed() const { return fixed_.has_value(); }

private:
    std::optional<ClockReading> fixed_;
};

// True when `date` is a real calendar date written YYYYMMDD.
bool isValidDate(std::string_view date);

}  // namespace trunaccount::coord
