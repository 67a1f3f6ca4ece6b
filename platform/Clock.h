// The wall clock in local time, to the millisecond, for time stamps.
#pragma once

namespace Dravo::OS {

struct LocalTime {
    int year; ///< e.g. 2024
    int month; ///< 1..12
    int day; ///< 1..31
    int hour; ///< 0..23
    int minute; ///< 0..59
    int second; ///< 0..60
    int millisecond; ///< 0..999
};

LocalTime GetLocalTime();

} // namespace Dravo::OS
