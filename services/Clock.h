#pragma once
// Moments as the system counts them (UTC, FILETIME units) and the local clock's times of day: what a timed
// promise and the hours both need.
#include <windows.h>

#include <cstdint>
#include <string>

inline constexpr uint64_t kTicksPerMinute = 600000000;

uint64_t Now();  // UTC, FILETIME units
uint64_t Ticks(const FILETIME& t);
FILETIME FileTime(uint64_t ticks);
// The next moment (UTC) the local clock of `zone` (nullptr: this machine's) shows `minuteOfDay`
// after midnight, later than `utc`: today if still ahead, else tomorrow; 0 if it cannot be told.
uint64_t NextClockTime(int minuteOfDay, uint64_t utc, const TIME_ZONE_INFORMATION* zone = nullptr);
// "15:30" in the user's time format, for a UTC time
std::wstring LocalClockText(uint64_t utc);
