// Small helpers for writing expected outputs in tests.
#pragma once

#include <ctime>
#include <string>

namespace tz {

// A name left-aligned in a field of `width` characters, as the engine's "%-22s".
inline std::string padded(const std::string& name, size_t width = 22) {
    return name.size() >= width ? name : name + std::string(width - name.size(), ' ');
}

// The instant of a local date and time (as a member's DOS date and time are meant).
inline time_t local_time(int year, int month, int day, int hour, int minute, int second) {
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

}  // namespace tz
