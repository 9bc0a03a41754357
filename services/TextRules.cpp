#include "services/TextRules.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <clocale>
#include <cstdlib>
#include <utility>

namespace {

// The gathered text is plain decimal syntax read in the "C" locale, whatever the user's. On
// Windows the system C runtime does it (MinGW's own C99 strtod would add some 38 KiB).
double ParseDecimal(const char* text) {
#ifdef _WIN32
    static _locale_t c = _create_locale(LC_NUMERIC, "C");
    return _strtod_l(text, nullptr, c);
#else
    return std::strtod(text, nullptr);  // the program never changes the C locale
#endif
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

std::string DisplayVersion(const VersionNumbers& v) {
    std::string text = std::to_string(v.major) + "." + std::to_string(v.minor);
    if (v.revision != 0) text += std::to_string(v.revision);
    return text;
}

std::string ComparisonVersion(const VersionNumbers& v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor) + std::to_string(v.revision);
}

std::string FirstField(std::string_view content) {
    size_t i = 0;
    while (i < content.size() && (content[i] == ' ' || content[i] == '\t')) ++i;
    content.remove_prefix(i);
    if (!content.empty() && content.front() == '"') {
        content.remove_prefix(1);
        return std::string(content.substr(0, content.find('"')));
    }
    size_t end = content.find_first_of(",\r\n");
    return std::string(Trim(content.substr(0, end)));
}

std::optional<double> LeadingNumber(std::string_view text) {
    // Gather the number's characters, passing over blanks, until one cannot continue it.
    std::string number;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && IsBlank(text[i])) ++i;
    };
    auto digits = [&] {
        size_t count = 0;
        for (skipBlanks(); i < text.size() && IsDigit(text[i]); skipBlanks(), ++count) number += text[i++];
        return count;
    };
    skipBlanks();
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        mantissa += digits();
    }
    if (mantissa == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t mark = i;
        std::string kept = number;
        number += 'e';
        ++i;
        skipBlanks();
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
        if (digits() == 0) {  // "1.02e" or "1.02 else": the number ends before the letter
            number = kept;
            i = mark;
        }
    }
    errno = 0;
    double value = ParseDecimal(number.c_str());
    if (errno == ERANGE && std::fabs(value) > 1.0) return std::nullopt;  // beyond a double
    if (!std::isfinite(value)) return std::nullopt;
    return negative ? -value : value;
}

double NumericValue(std::string_view text) { return LeadingNumber(text).value_or(0.0); }

bool BubblesTruth(std::string_view text) {
    std::string_view t = Trim(text);
    if (EqualsNoCase(t, "true")) return true;
    if (EqualsNoCase(t, "false")) return false;
    // Only a whole decimal number counts: [+-] digits [. digits], or [+-] . digits.
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t intDigits = 0, fracDigits = 0;
    bool nonZero = false;
    for (; i < t.size() && IsDigit(t[i]); ++i, ++intDigits) nonZero |= t[i] != '0';
    if (i < t.size() && t[i] == '.')
        for (++i; i < t.size() && IsDigit(t[i]); ++i, ++fracDigits) nonZero |= t[i] != '0';
    if (i != t.size() || intDigits + fracDigits == 0) return false;
    return nonZero;
}

namespace {

// The digits of `text` as a number, at most `most`; nothing for an empty text, any other character
// or a larger number.
std::optional<uint64_t> WholeNumber(std::string_view text, uint64_t most) {
    uint64_t n = 0;
    for (char c : text) {
        if (!IsDigit(c) || n > most) return std::nullopt;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    if (text.empty() || n > most) return std::nullopt;
    return n;
}

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

}  // namespace

Command ParseCommandLine(const std::vector<std::string_view>& words) {
    if (words.empty()) return {};
    const auto wrong = [](std::string problem) { return Command{CommandKind::Wrong, 0, std::move(problem)}; };
    const std::string quoted = "\"" + std::string(words[0]) + "\"";
    if (words[0].empty() || (words[0][0] != '/' && words[0][0] != '-')) return wrong(quoted + " is not a switch.");
    const std::string_view name = words[0].substr(1);
    if (EqualsNoCase(name, "off:run")) {
        if (words.size() < 2) return wrong(quoted + " needs the program to run after it.");
        return Command{CommandKind::OffRun, 0, {}};
    }
    if (words.size() > 1) return wrong("Give one switch at a time, not " + std::to_string(words.size()) + ".");
    if (EqualsNoCase(name, "on")) return Command{CommandKind::On, 0, {}};
    if (EqualsNoCase(name, "off")) return Command{CommandKind::Off, 0, {}};
    if (EqualsNoCase(name, "toggle")) return Command{CommandKind::Toggle, 0, {}};
    if (EqualsNoCase(name, "status")) return Command{CommandKind::Status, 0, {}};
    if (name == "?") return Command{CommandKind::Help, 0, {}};
    if (!EqualsNoCase(name.substr(0, 4), "off:")) return wrong(quoted + " is not a switch BLIMO knows.");
    const std::string_view when = name.substr(4);
    if (EqualsNoCase(when.substr(0, 4), "pid=")) {
        const std::optional<uint64_t> process = WholeNumber(when.substr(4), 0xFFFFFFFF);
        if (!process || *process == 0) return wrong(quoted + ": the process number must be a whole number above 0.");
        Command c{CommandKind::OffWhile, 0, {}};
        c.process = static_cast<uint32_t>(*process);
        return c;
    }
    if (EqualsNoCase(when.substr(0, 6), "until=")) {
        const std::string_view clock = when.substr(6);
        const size_t colon = clock.find(':');
        const std::optional<uint64_t> hour = WholeNumber(clock.substr(0, colon), 23);
        const std::optional<uint64_t> minute = colon == 1 || colon == 2 ? WholeNumber(clock.substr(colon + 1), 59) : std::nullopt;
        if (!hour || !minute || clock.size() != colon + 3)
            return wrong(quoted + ": the time must be HH:MM, from 00:00 to 23:59.");
        return Command{CommandKind::OffUntil, static_cast<int>(*hour * 60 + *minute), {}};
    }
    const std::optional<uint64_t> minutes = WholeNumber(when, kLongestPromiseMinutes);
    if (!minutes || *minutes < 1)
        return wrong(quoted + ": the minutes must be a whole number from 1 to " + std::to_string(kLongestPromiseMinutes) + ".");
    return Command{CommandKind::OffFor, static_cast<int>(*minutes), {}};
}

std::string_view ProgramLine(std::string_view line, int skip) {
    size_t i = 0;
    for (int word = 0; word < skip; ++word) {
        while (i < line.size() && IsSpace(line[i])) ++i;
        if (word == 0 && i < line.size() && line[i] == '"') {  // a quoted first word ends at the next quote
            i = std::min(line.find('"', i + 1), line.size() - 1) + 1;
            continue;
        }
        for (bool quoted = false; i < line.size() && (quoted || !IsSpace(line[i])); ++i)
            if (line[i] == '"') quoted = !quoted;
    }
    while (i < line.size() && IsSpace(line[i])) ++i;
    return line.substr(i);
}

std::string ProgramName(std::string_view line) {
    std::string name(Trim(line.substr(0, line.size() - ProgramLine(line, 1).size())));
    std::erase(name, '"');  // no file name has one
    return name;
}

namespace {

constexpr unsigned kFirstFunctionKey = 0x70, kFunctionKeys = 24;
struct ModifierName {
    const char* name;
    unsigned bit;
};
constexpr ModifierName kModifiers[] = {{"Ctrl", 2}, {"Alt", 1}, {"Shift", 4}, {"Win", 8}};

// The virtual key of a letter, a digit or F1 to F24; 0 for any other name.
unsigned KeyOf(std::string_view name) {
    if (name.size() == 1 && IsDigit(name[0])) return static_cast<unsigned char>(name[0]);
    if (name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
        return static_cast<unsigned>(name[0] & ~0x20);
    if (name.size() < 2 || (name[0] != 'F' && name[0] != 'f') || name[1] == '0') return 0;
    const std::optional<uint64_t> n = WholeNumber(name.substr(1), kFunctionKeys);
    return n && *n >= 1 ? kFirstFunctionKey + static_cast<unsigned>(*n) - 1 : 0;
}

}  // namespace

std::optional<HotkeyKeys> ParseHotkey(std::string_view text) {
    HotkeyKeys keys;
    for (;;) {
        const size_t plus = text.find('+');
        const std::string_view part = Trim(text.substr(0, plus));
        if (plus == std::string_view::npos) {
            keys.key = KeyOf(part);
            return keys.modifiers && keys.key ? std::optional(keys) : std::nullopt;
        }
        const auto named = std::ranges::find_if(kModifiers, [&](const ModifierName& m) { return EqualsNoCase(part, m.name); });
        if (named == std::end(kModifiers) || (keys.modifiers & named->bit)) return std::nullopt;  // each once
        keys.modifiers |= named->bit;
        text.remove_prefix(plus + 1);
    }
}

std::string HotkeyText(const HotkeyKeys& keys) {
    std::string text;
    for (const ModifierName& m : kModifiers)
        if (keys.modifiers & m.bit) text += std::string(m.name) + "+";
    const bool letterOrDigit = (keys.key >= 'A' && keys.key <= 'Z') || (keys.key >= '0' && keys.key <= '9');
    const bool function = keys.key >= kFirstFunctionKey && keys.key < kFirstFunctionKey + kFunctionKeys;
    if (text.empty() || (keys.modifiers & ~0xFu) || !(letterOrDigit || function)) return {};
    return text + (function ? "F" + std::to_string(keys.key - kFirstFunctionKey + 1) : std::string(1, static_cast<char>(keys.key)));
}
