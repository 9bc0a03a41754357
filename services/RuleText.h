#pragma once
// The automatic Offs as the registry keeps them, read as text, and the power decision: plain portable
// C++ like the other text rules, so every form can be tested on any machine. A text that is not one
// of the forms reads as no rule.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A text without the blanks and tabs around it, as every form here allows them.
template <class View>
View Trimmed(View text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// "OffWhileRunning": program file names with ";" between ("POWERPNT.EXE;vlc.exe"). Blanks around a name
// are trimmed; a name that is not a plain file name (a path, a wildcard, a character no file name may
// hold, "." or "..") is left out, the others kept. A name without an extension is a program: "vlc"
// stands for "vlc.exe", as the Run box reads it. Letter case is kept for the tooltip; a comparison
// ignores it.
std::vector<std::wstring> ProgramList(std::wstring_view text);

// "OffHours": ISO weekdays (1 Monday to 7 Sunday; ranges "1-5" and commas "6,7"), blanks, then two local
// 24-hour times "HH:MM-HH:MM". An end before the start passes midnight and belongs to the day it starts
// on; "24:00" ends at midnight. A start equal to its end, or anything else out of form, is no rule.
struct OffHours {
    uint8_t days = 0;  // bit 0 Monday ... bit 6 Sunday
    int start = 0;     // minutes after midnight, 0 to 1439
    int end = 0;       // minutes after midnight, 0 to 1440
    bool operator==(const OffHours&) const = default;
};
std::optional<OffHours> HoursRule(std::string_view text);
// The stored form of `hours`, days in runs ("1-3,5 09:00-17:30"): what HoursRule reads back as the same rule.
std::string HoursText(const OffHours& hours);

// "OnlyPluggedIn": on only as "1" (blanks around it allowed).
bool OnlyPluggedInRule(std::string_view text);
// "BatteryFloor": a whole number 0 to 100 (blanks around it allowed); 0 is a floor no battery goes under.
std::optional<int> BatteryFloorRule(std::string_view text);

// The power as the system tells it: on battery or not (unknown: not), and the charge when known.
struct PowerState {
    bool onBattery = false;
    std::optional<int> percent;
};
struct PowerRules {
    bool onlyPluggedIn = false;
    std::optional<int> batteryFloor;
};
struct PowerVerdict {
    bool rulesMayHold = true;  // a rule may switch off now, and an Off that rules hold may go on
    bool endEveryOff = false;  // every Off BLIMO holds ends, the user's own too: the battery is below its floor
    bool operator==(const PowerVerdict&) const = default;
};
// On battery under "only while plugged in" no rule holds an Off; on battery under the floor none at all,
// and no rule starts one. Plugged in, a low charge is no reason: it is charging.
PowerVerdict JudgePower(const PowerRules& rules, const PowerState& power);
