#include "services/RuleText.h"

namespace {

bool PlainFileName(std::wstring_view name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name)
        if (c < 32 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) return false;
    return name.back() != '.';  // the system drops a trailing dot: no program's file is named so
}

// Reads a number of `digits` (or of up to that many when `exact` is false) from the front of `text`.
std::optional<int> Number(std::string_view& text, size_t digits, bool exact) {
    size_t n = 0;
    int value = 0;
    for (; n < digits && n < text.size() && text[n] >= '0' && text[n] <= '9'; ++n) value = value * 10 + (text[n] - '0');
    if (n == 0 || (exact && n != digits)) return std::nullopt;
    text.remove_prefix(n);
    return value;
}

bool Take(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

// "H:MM" or "HH:MM", 00:00 to 23:59, or 24:00 where `midnightEnd`.
std::optional<int> ClockMinutes(std::string_view& text, bool midnightEnd) {
    const std::optional<int> hour = Number(text, 2, false);
    if (!hour || !Take(text, ':')) return std::nullopt;
    const std::optional<int> minute = Number(text, 2, true);
    if (!minute || *minute > 59 || *hour > 24 || (*hour == 24 && (!midnightEnd || *minute))) return std::nullopt;
    return *hour * 60 + *minute;
}

}  // namespace

std::vector<std::wstring> ProgramList(std::wstring_view text) {
    std::vector<std::wstring> names;
    while (!text.empty()) {
        const size_t semicolon = std::min(text.find(L';'), text.size());
        const std::wstring_view name = Trimmed(text.substr(0, semicolon));
        text.remove_prefix(std::min(semicolon + 1, text.size()));
        if (!PlainFileName(name)) continue;
        names.emplace_back(name);
        if (name.find(L'.') == std::wstring_view::npos) names.back() += L".exe";
    }
    return names;
}

std::optional<OffHours> HoursRule(std::string_view text) {
    text = Trimmed(text);
    OffHours hours;
    do {
        const std::optional<int> first = Number(text, 1, true);
        std::optional<int> last = first;
        if (Take(text, '-')) last = Number(text, 1, true);
        if (!first || !last || *first < 1 || *last > 7 || *first > *last) return std::nullopt;
        for (int day = *first; day <= *last; ++day) hours.days |= static_cast<uint8_t>(1 << (day - 1));
    } while (Take(text, ','));
    const size_t blanks = text.size() - Trimmed(text).size();
    if (blanks == 0) return std::nullopt;
    text = Trimmed(text);
    const std::optional<int> start = ClockMinutes(text, false);
    if (!start || !Take(text, '-')) return std::nullopt;
    const std::optional<int> end = ClockMinutes(text, true);
    if (!end || !text.empty() || *start == *end) return std::nullopt;
    hours.start = *start;
    hours.end = *end;
    return hours;
}

std::string HoursText(const OffHours& hours) {
    std::string text;
    for (int day = 0; day < 7; ++day) {
        if (!(hours.days >> day & 1)) continue;
        int last = day;
        while (last < 6 && hours.days >> (last + 1) & 1) ++last;
        if (!text.empty()) text += ',';
        text += static_cast<char>('1' + day);
        if (last > day) text += {'-', static_cast<char>('1' + last)};
        day = last;
    }
    const auto clock = [](int minutes) {  // "HH:MM"
        return std::string{static_cast<char>('0' + minutes / 600), static_cast<char>('0' + minutes / 60 % 10), ':',
                           static_cast<char>('0' + minutes % 60 / 10), static_cast<char>('0' + minutes % 10)};
    };
    return text + ' ' + clock(hours.start) + '-' + clock(hours.end);
}

bool OnlyPluggedInRule(std::string_view text) { return Trimmed(text) == "1"; }

std::optional<int> BatteryFloorRule(std::string_view text) {
    text = Trimmed(text);
    const std::optional<int> floor = Number(text, 3, false);
    if (!floor || !text.empty() || *floor > 100) return std::nullopt;
    return floor;
}

PowerVerdict JudgePower(const PowerRules& rules, const PowerState& power) {
    PowerVerdict verdict;
    verdict.endEveryOff = power.onBattery && rules.batteryFloor && power.percent && *power.percent < *rules.batteryFloor;
    verdict.rulesMayHold = !verdict.endEveryOff && !(power.onBattery && rules.onlyPluggedIn);
    return verdict;
}
