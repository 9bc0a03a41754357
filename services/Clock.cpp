#include "services/Clock.h"

#include "platform/Text.h"

uint64_t Ticks(const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }
FILETIME FileTime(uint64_t ticks) { return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}; }

uint64_t Now() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return Ticks(ft);
}

std::wstring LocalClockText(uint64_t utc) {
    const FILETIME ft = FileTime(utc);
    FILETIME local;
    SYSTEMTIME t;
    char text[64] = {};
    if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &t) ||
        !GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &t, nullptr, text, sizeof text))
        return {};
    return FromAnsi(text);
}

uint64_t NextClockTime(int minuteOfDay, uint64_t utc, const TIME_ZONE_INFORMATION* zone) {
    const FILETIME now = FileTime(utc);
    SYSTEMTIME nowUtc, today;
    if (!FileTimeToSystemTime(&now, &nowUtc) || !SystemTimeToTzSpecificLocalTime(zone, &nowUtc, &today)) return 0;
    today.wHour = static_cast<WORD>(minuteOfDay / 60);
    today.wMinute = static_cast<WORD>(minuteOfDay % 60);
    today.wSecond = today.wMilliseconds = 0;
    FILETIME local;
    if (!SystemTimeToFileTime(&today, &local)) return 0;
    for (uint64_t day = 0; day < 2; ++day) {  // the local date, then the next: each converted with its own offset
        const FILETIME at = FileTime(Ticks(local) + day * 24 * 60 * kTicksPerMinute);
        SYSTEMTIME localAt, utcAt;
        FILETIME back;
        if (!FileTimeToSystemTime(&at, &localAt) || !TzSpecificLocalTimeToSystemTime(zone, &localAt, &utcAt) ||
            !SystemTimeToFileTime(&utcAt, &back))
            return 0;
        if (Ticks(back) > utc) return Ticks(back);
    }
    return 0;
}
