#include "base/VBDate.h"

#include <cmath>
#include <cstdint>

namespace {
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kSecondsPerDay = 86400;
// Days from 1 January 1601 (file time zero) to 30 December 1899 (date zero).
constexpr std::int64_t kDaysTo1899 = 109205;
}  // namespace

namespace VBDate {

bool ToSystemTime(double date, SYSTEMTIME& st) {
    if (!std::isfinite(date)) return false;
    double whole = std::trunc(date);
    std::int64_t days = static_cast<std::int64_t>(whole);
    std::int64_t seconds = std::llround(std::fabs(date - whole) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++days;
    }
    std::int64_t sinceEpoch = days + kDaysTo1899;
    if (sinceEpoch < 0 || sinceEpoch > 10000LL * 366) return false;
    std::uint64_t ticks = (static_cast<std::uint64_t>(sinceEpoch) * kSecondsPerDay + seconds) * kTicksPerSecond;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return FileTimeToSystemTime(&ft, &st) != 0;
}

double FromSystemTime(const SYSTEMTIME& st) {
    SYSTEMTIME whole = st;
    whole.wMilliseconds = 0;
    FILETIME ft;
    if (!SystemTimeToFileTime(&whole, &ft)) return 0;
    std::uint64_t ticks = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    std::int64_t seconds = static_cast<std::int64_t>(ticks / kTicksPerSecond);
    std::int64_t days = seconds / kSecondsPerDay - kDaysTo1899;
    double timeOfDay = static_cast<double>(seconds % kSecondsPerDay) / kSecondsPerDay;
    return days >= 0 ? days + timeOfDay : days - timeOfDay;
}

}  // namespace VBDate
