#include "services/OffRules.h"

#include "platform/Api.h"
#include "platform/Text.h"
#include "services/Policy.h"
#include "services/Clock.h"
#include "services/SaverSetting.h"
#include "services/mdlRegStuff.h"

namespace {

constexpr uint64_t kTicksPerDay = 24 * 60 * kTicksPerMinute;

std::string UserRule(const wchar_t* valueName) { return Ansi(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, valueName)); }

// 1 Monday to 7 Sunday by the local clock of `zone` at `utc`; 0 if it cannot be told.
int LocalWeekday(uint64_t utc, const TIME_ZONE_INFORMATION* zone) {
    const FILETIME at = {static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
    SYSTEMTIME universal, local;
    FILETIME localAt;
    // Back through FILETIME: the local time's weekday is not promised by the conversion itself.
    if (!FileTimeToSystemTime(&at, &universal) || !SystemTimeToTzSpecificLocalTime(zone, &universal, &local) ||
        !SystemTimeToFileTime(&local, &localAt) || !FileTimeToSystemTime(&localAt, &local))
        return 0;
    return local.wDayOfWeek ? local.wDayOfWeek : 7;
}

bool StartsOn(const OffHours& hours, uint64_t utc, const TIME_ZONE_INFORMATION* zone) {
    const int day = LocalWeekday(utc, zone);
    return day && (hours.days >> (day - 1)) & 1;
}

}  // namespace

OffRules ReadOffRules() {
    OffRules rules;
    if (const std::optional<std::wstring> list = BlimoPolicyText(kProgramsValue)) {
        rules.programs = ProgramList(*list);
        rules.programsByPolicy = true;
    } else {
        rules.programs = ProgramList(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kProgramsValue));
    }
    rules.hours = HoursRule(UserRule(kHoursValue));
    rules.power.onlyPluggedIn = OnlyPluggedInRule(UserRule(kPluggedInValue));
    rules.power.batteryFloor = BatteryFloorRule(UserRule(kBatteryFloorValue));
    return rules;
}

HoursNow HoursAt(const OffHours& hours, uint64_t utc, const TIME_ZONE_INFORMATION* zone) {
    // The last start on one of the days, at or before now: one that passes midnight began the day before.
    uint64_t last = 0;
    for (uint64_t at = utc - 2 * kTicksPerDay;;) {
        const uint64_t start = NextClockTime(hours.start, at, zone);
        if (!start || start > utc) break;
        if (StartsOn(hours, start, zone)) last = start;
        at = start;
    }
    for (int day = 0; last && day < 8; ++day) {
        const uint64_t end = NextClockTime(hours.end % 1440, last, zone);
        if (!end || end <= utc) break;
        // An end at midnight that is the next day's start ends nothing.
        if (hours.end != 1440 || hours.start != 0 || !StartsOn(hours, end, zone)) return {true, end};
        last = end;
    }
    if (last && NextClockTime(hours.end % 1440, last, zone) > utc) return {true, 0};  // every day, all day
    for (uint64_t at = utc, day = 0; day < 8; ++day) {
        const uint64_t start = NextClockTime(hours.start, at, zone);
        if (!start) break;
        if (StartsOn(hours, start, zone)) return {false, start};
        at = start;
    }
    return {};
}

PowerState ReadPowerState() {
    SYSTEM_POWER_STATUS status = {};
    PowerState power;
    if (!Api.GetSystemPowerStatus(&status)) return power;
    power.onBattery = status.ACLineStatus == 0;  // 1 on the mains, 255 unknown
    if (status.BatteryLifePercent <= 100) power.percent = status.BatteryLifePercent;  // 255: unknown or no battery
    return power;
}
