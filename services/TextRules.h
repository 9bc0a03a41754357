#pragma once
// The program's pure text rules: plain portable C++, no Windows calls, so they can be tested and
// fuzzed on any machine.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct VersionNumbers {
    uint16_t major = 0, minor = 0, revision = 0;
};

// "1.01" for 1.0.1, "1.2" for 1.2.0, "2.015" for 2.0.15: the revision's digits appended only when
// it is not 0.
std::string DisplayVersion(const VersionNumbers& v);
// The same with the revision's digits always appended: "1.20" for 1.2.0.
std::string ComparisonVersion(const VersionNumbers& v);

// The first field of a text file: leading blanks skipped; a field that opens with a double quote
// runs to the next one (or the end); otherwise it ends at a comma, a line break or the end, with
// trailing blanks dropped.
std::string FirstField(std::string_view content);

// The decimal number a text begins with ("." as the decimal point, blanks anywhere ignored, an
// exponent allowed); nullopt when it does not begin with a number or the number is beyond the
// range of a double.
std::optional<double> LeadingNumber(std::string_view text);
// The numeric value of a text: its leading number, or 0 when there is none.
double NumericValue(std::string_view text);

// The "Bubbles" setting as a truth value: empty is false; a decimal number (optional sign,
// fraction and surrounding blanks) is true unless zero; True and False in any letter case; any
// other text is false.
bool BubblesTruth(std::string_view text);

// The command line: no word starts BLIMO; one switch, "/" or "-" and any letter case: on, off,
// toggle, off:MINUTES (1 to kLongestPromiseMinutes), off:until=HH:MM (24-hour), off:pid=N, status, ?; or
// off:run followed by the words of a program's command line. Anything else is Wrong, with the
// problem in words.
inline constexpr int kLongestPromiseMinutes = 1440;  // the longest "/off:MINUTES"
enum class CommandKind { Start, On, Off, Toggle, OffFor, OffUntil, OffWhile, OffRun, Help, Wrong, Status };
struct Command {
    Command(CommandKind k = CommandKind::Start, int m = 0, std::string p = {}) : kind(k), minutes(m), problem(std::move(p)) {}
    CommandKind kind;
    int minutes;           // OffFor: how many; OffUntil: the time of day, in minutes after midnight
    std::string problem;   // Wrong
    uint32_t process = 0;  // OffWhile: its number
    uint64_t created = 0;  // OffWhile: its creation time when known, so no other process under that number passes
    std::string program;   // OffRun: its command line, as written (set from the whole line: ProgramLine)
};
Command ParseCommandLine(const std::vector<std::string_view>& words);

// What follows the first `skip` words of a whole command line (the program's name, then switches),
// as written: quotes and blanks kept, the blanks before it dropped. The first word runs to the next
// blank, or from a double quote to the next one; later words may have quoted parts.
std::string_view ProgramLine(std::string_view line, int skip);
// The first word of a command line without its quotes: the program it starts.
std::string ProgramName(std::string_view line);

// A hotkey: modifiers as RegisterHotKey takes them (Alt 1, Ctrl 2, Shift 4, Win 8) and the virtual key of a
// letter ('A' to 'Z'), a digit ('0' to '9') or F1 to F24 (0x70 to 0x87).
struct HotkeyKeys {
    unsigned modifiers = 0;
    unsigned key = 0;
    bool operator==(const HotkeyKeys&) const = default;
};
// "Ctrl+Alt+S" as stored: one or more of Ctrl, Alt, Shift and Win, then the key, joined by "+" (blanks around
// each part allowed), in any letter case. Anything else is no hotkey.
std::optional<HotkeyKeys> ParseHotkey(std::string_view text);
// The same text with its parts in the order Ctrl, Alt, Shift, Win; empty for keys no hotkey can have.
std::string HotkeyText(const HotkeyKeys& keys);
