#pragma once
// The automatic Offs a user keeps under BLIMO's key (and the administrator's program list), read
// afresh each time they are asked for, the hours as UTC moments for the alarm, and the power as the
// system reports it.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "services/RuleText.h"

inline constexpr wchar_t kProgramsValue[] = L"OffWhileRunning";
inline constexpr wchar_t kHoursValue[] = L"OffHours";
inline constexpr wchar_t kPluggedInValue[] = L"OnlyPluggedIn";
inline constexpr wchar_t kBatteryFloorValue[] = L"BatteryFloor";

struct OffRules {
    std::vector<std::wstring> programs;  // none: no programs rule
    bool programsByPolicy = false;       // the list is the administrator's: the user's own is not consulted
    std::optional<OffHours> hours;
    PowerRules power;
};
// The user's values under HKEY_CURRENT_USER\Software\Fenwa Inc\BLIMO; the "OffWhileRunning" policy, when
// the computer or the user has one (even an empty one), in place of the user's list.
OffRules ReadOffRules();

// Whether the hours hold at `utc` (FILETIME units) by the local clock of `zone` (nullptr: this machine's),
// and the next UTC moment that answer changes, 0 if it never does. An Off by the hours starts the first
// time the clock shows the start on one of the days and ends the next time it shows the end, so an hour
// the clock repeats or skips neither ends it twice nor loses it.
struct HoursNow {
    bool hold = false;
    uint64_t nextChange = 0;
};
HoursNow HoursAt(const OffHours& hours, uint64_t utc, const TIME_ZONE_INFORMATION* zone = nullptr);

// The power now, through the call seam; a system that cannot tell reads as plugged in.
PowerState ReadPowerState();
