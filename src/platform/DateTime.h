#pragma once
// A civil (wall-clock) date and time as the platform clock reports local time.
#include <cstdint>

namespace pankor {

struct DateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

    // The "zero date": what a date query answers when there is nothing to date.
    bool IsZero() const { return year == 0 && month == 0 && day == 0; }

    // Days since 1970-01-01 of the civil date (proleptic Gregorian).
    constexpr std::int64_t DayNumber() const {
        const std::int64_t y = year - (month <= 2 ? 1 : 0);
        const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
        const std::int64_t yoe = y - era * 400;
        const std::int64_t mp = (month + 9) % 12;
        const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
        const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468;
    }

    // Seconds since 1970-01-01 00:00:00 of this wall-clock time.
    constexpr std::int64_t SerialSeconds() const {
        return DayNumber() * 86400 + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
    }

    bool IsValid() const;
};

inline bool DateTime::IsValid() const {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int maxDay = (month == 2 && !leap) ? 28 : kDays[month - 1];
    return day <= maxDay && hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60;
}

}  // namespace pankor
