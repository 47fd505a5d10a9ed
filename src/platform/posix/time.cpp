// Time zone and DOS / file-time conversions over the C library's local time.
#include <cstring>
#include <ctime>

#include "platform/posix/posix_util.h"
#include "platform/win32_api.h"

namespace {

long gmt_offset_at(time_t t) {
    struct tm tm_local;
    localtime_r(&t, &tm_local);
    return tm_local.tm_gmtoff;
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

}  // namespace

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info) {
    std::memset(info, 0, sizeof *info);
    const time_t now = std::time(nullptr);
    struct tm tm_now;
    localtime_r(&now, &tm_now);
    // The offsets in January and July give standard and daylight time.
    struct tm probe = tm_now;
    probe.tm_mon = 0;
    probe.tm_mday = 1;
    probe.tm_isdst = -1;
    const long jan = gmt_offset_at(std::mktime(&probe));
    probe = tm_now;
    probe.tm_mon = 6;
    probe.tm_mday = 1;
    probe.tm_isdst = -1;
    const long jul = gmt_offset_at(std::mktime(&probe));
    const long standard = jan < jul ? jan : jul;
    const long daylight = jan < jul ? jul : jan;
    info->Bias = static_cast<LONG>(-standard / 60);
    info->StandardBias = 0;
    info->DaylightBias = static_cast<LONG>(-(daylight - standard) / 60);
    if (standard == daylight) return TIME_ZONE_ID_UNKNOWN;
    return tm_now.tm_isdst > 0 ? TIME_ZONE_ID_DAYLIGHT : TIME_ZONE_ID_STANDARD;
}

BOOL DosDateTimeToFileTime(WORD dos_date, WORD dos_time, FILETIME* local) {
    const unsigned year = 1980 + (dos_date >> 9);
    const unsigned month = (dos_date >> 5) & 0x0F;
    const unsigned day = dos_date & 0x1F;
    const unsigned hour = dos_time >> 11;
    const unsigned minute = (dos_time >> 5) & 0x3F;
    const unsigned second = 2 * (dos_time & 0x1F);
    static constexpr unsigned month_days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > month_days[month - 1] || hour > 23 ||
        minute > 59 || second > 59) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const int64_t seconds =
        days_from_civil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    *local = unix_to_filetime(seconds);
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
    // The local wall-clock time of that date, with the daylight rule of that date.
    const int64_t wall = filetime_to_unix(*local);
    const time_t t = static_cast<time_t>(wall);
    struct tm fields;
    gmtime_r(&t, &fields);
    fields.tm_isdst = -1;
    const time_t instant = std::mktime(&fields);
    if (instant == static_cast<time_t>(-1)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const int64_t sub = filetime_to_int(*local) % 10000000LL;
    *utc = int_to_filetime(static_cast<int64_t>(instant) * 10000000LL + FILETIME_UNIX_EPOCH + sub);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
    const int64_t seconds = filetime_to_unix(*utc);
    const int64_t sub = filetime_to_int(*utc) % 10000000LL;
    const long offset = gmt_offset_at(static_cast<time_t>(seconds));
    *local = int_to_filetime((seconds + offset) * 10000000LL + FILETIME_UNIX_EPOCH + sub);
    return TRUE;
}
