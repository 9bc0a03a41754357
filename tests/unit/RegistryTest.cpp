// The registry module against Wine's real registry: each stored shape reads as its text, start-up and
// Options show what it means and write nothing; no key stays open. The text rules.
#include <gtest/gtest.h>

#include "Support.h"
#include "app/frmMain.h"
#include "options/frmOptions.h"
#include "platform/HttpTransfer.h"
#include "platform/Text.h"
#include "services/TextRules.h"
#include "services/mdlRegStuff.h"

namespace {

std::string B(const char* s, size_t n) { return {s, n}; }
constexpr DWORD kAbsent = 0xdeadbeef;

TEST(Registry, EachStoredShapeReadsAsItsTextAndStartUpShowsWhatItMeans) {
    // Type, bytes as stored, text as read; what it means as "ScreenSaveActive" (off) and as "Bubbles" (on)
    const std::tuple<DWORD, std::string, std::string, bool, bool> shapes[] = {
        {kAbsent, "", "", false, false}, {REG_SZ, "", "", false, false}, {REG_SZ, B("0", 2), "0", true, false},
        {REG_SZ, B("1", 2), "1", false, true}, {REG_SZ, "0", "0", true, false},  // the last without its NUL
        {REG_SZ, B("1\0" "0", 4), "1", false, true}, {REG_SZ, B("\0" "1", 3), "", false, false},
        {REG_SZ, B(" 0", 3), " 0", false, false}, {REG_SZ, B("2", 2), "2", false, true},
        {REG_SZ, B("True", 5), "True", false, true}, {REG_SZ, B("maybe", 6), "maybe", false, false},
        {REG_SZ, std::string(65536, '1') + '\0', std::string(65536, '1'), false, true},
        {REG_SZ, B("\xE9t\xE9", 4), "\xE9t\xE9", false, false}, {REG_DWORD, B("\1\0\0\0", 4), "", false, false},
        {REG_EXPAND_SZ, B("0", 2), "", false, false}, {REG_BINARY, B("0", 2), "", false, false},
        {REG_MULTI_SZ, B("1\0", 3), "", false, false}};
    const Value values[] = {{"Control Panel\\Desktop", "ScreenSaveActive"}, {"Software\\Fenwa Inc\\BLIMO", "Bubbles"},
                            {"Software\\Microsoft\\Windows\\CurrentVersion\\Run", "BLIMO"}};
    Recorder rec;
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Fenwa Inc\\BLIMO");  // no promise left by an earlier run to keep
    for (const auto& [type, bytes, text, off, bubbles] : shapes) {
        SCOPED_TRACE(text + " of type " + std::to_string(type));
        for (const Value& v : values) {
            if (type == kAbsent) v.Delete();
            else v.Set(type, bytes);
        }
        frmMain main;
        main.Load();
        frmOptions& options = frmOptions::Instance();
        options.Load();
        EXPECT_EQ(IconLook(main.Icon()).first, off ? "off" : "on");
        EXPECT_EQ(Ansi(main.SaverState), text);
        EXPECT_EQ(std::pair(ShowBubbles, options.Checked("chkBubble")), std::pair(bubbles, bubbles)) << "balloons, box";
        EXPECT_EQ(options.Checked("chkAutoStart"), !text.empty());
        EXPECT_EQ(Recorder::openKeys, 0);
        options.Unload();
        EXPECT_EQ(Recorder::Matching("Reg"), std::vector<std::string>{}) << "reading wrote";
    }
}

TEST(TextRules, VersionFormsFieldsNumbersAndTruths) {
    const std::tuple<VersionNumbers, std::string, std::string> versions[] = {
        {{1, 0, 1}, "1.01", "1.01"}, {{1, 2, 0}, "1.2", "1.20"}, {{2, 0, 15}, "2.015", "2.015"},
        {{1, 0, 10}, "1.010", "1.010"}, {{65535, 65535, 65535}, "65535.6553565535", "65535.6553565535"}};
    for (const auto& [v, display, comparison] : versions)
        EXPECT_EQ(std::pair(DisplayVersion(v), ComparisonVersion(v)), std::pair(display, comparison)) << "shown, compared";
    for (auto [content, field] : {std::pair("1.02\r\n1.01\r\n", "1.02"), {"\"1,02\",x", "1,02"}, {"\t1.02 \n", "1.02"},
                                  {"   ", ""}, {"\"never closed", "never closed"}, {"\n1.02", ""}})
        EXPECT_EQ(FirstField(content), field) << content;
    for (auto [text, number] : {std::pair<const char*, std::optional<double>>("1 . 0 2", 1.02), {"1.02beta", 1.02},
                                {"1.02.3", 1.02}, {"1.010", 1.01}, {"-1.5", -1.5}, {".5", 0.5}, {"1e3", 1000.0}, {"1.02e", 1.02},
                                {"1e-400", 0.0}, {"1,5", 1.0}, {"", {}}, {".", {}}, {"-", {}}, {"1e400", {}},
                                {"Version 1.02", {}}, {"\xEF\xBB\xBF" "1.02", {}}})  // no number reads as 0
        EXPECT_EQ(LeadingNumber(text), number) << text;
    for (auto [from, to, allowed] : {std::tuple("https://a/x", "HTTP://a/y", false), {"HTTPS://a/", "https://b/", true},
                                     {"http://a/", "http://b/", true}, {"https://a/", "ftp://a/", false}})
        EXPECT_EQ(RedirectAllowed(from, to), allowed) << from << " to " << to;
    for (const char* yes : {"-1", " 1 ", "0.5", "+3", ".1", "TRUE", " tRuE "}) EXPECT_TRUE(BubblesTruth(yes)) << yes;
    for (const char* no : {"-0", "0.0", "00", "False", "1e3", "1 0", "yes", "1x", ".", "\xEF\xBB\xBF" "1"})
        EXPECT_FALSE(BubblesTruth(no)) << no;
    using enum CommandKind;  // the command line: one switch, "/" or "-", any case; or "/off:run" and a program's words
    for (auto [line, kind, number] : {std::tuple("", Start, 0LL), {"/on", On, 0}, {"-OFF", Off, 0}, {"/ToGgLe", Toggle, 0}, {"/?", Help, 0},
                                      {"/off:1", OffFor, 1}, {"-Off:1440", OffFor, 1440}, {"/off:0060", OffFor, 60}, {"/off:0", Wrong, 0},
                                      {"/off:1441", Wrong, 0}, {"/off:", Wrong, 0}, {"/off:6O", Wrong, 0}, {"/off:-5", Wrong, 0},
                                      {"/off:99999999999", Wrong, 0}, {"on", Wrong, 0}, {"/", Wrong, 0}, {"/onn", Wrong, 0},
                                      {"/on /off", Wrong, 0}, {"/? /?", Wrong, 0}, {"/off:until=17:30", OffUntil, 1050},
                                      {"-OFF:UNTIL=7:05", OffUntil, 425}, {"/off:until=00:00", OffUntil, 0},
                                      {"/off:until=23:59", OffUntil, 1439}, {"/off:until=25:00", Wrong, 0}, {"/off:until=5pm", Wrong, 0},
                                      {"/off:until=17:3", Wrong, 0}, {"/off:until=17:60", Wrong, 0}, {"/off:until=:30", Wrong, 0},
                                      {"/off:pid=4242", OffWhile, 4242}, {"/off:PID=4294967295", OffWhile, 4294967295},
                                      {"/off:pid=4294967296", Wrong, 0}, {"/off:pid=0", Wrong, 0}, {"/off:pid=12a", Wrong, 0},
                                      {"/off:run", Wrong, 0}, {"-Off:Run /on /off", OffRun, 0}, {"/on /off:run", Wrong, 0}, {"-STATUS", Status, 0}}) {
        std::vector<std::string_view> words;  // split at blanks, as the system splits a command line
        for (std::string_view rest = line; !rest.empty();) {
            const size_t blank = std::min(rest.find(' '), rest.size());
            words.push_back(rest.substr(0, blank));
            rest.remove_prefix(std::min(blank + 1, rest.size()));
        }
        const Command c = ParseCommandLine(words);
        const long long got = kind == OffWhile ? c.process : c.minutes;  // the minutes, the time of day or the process
        EXPECT_EQ(c.kind, kind) << line;
        EXPECT_EQ(got, number) << line;
        EXPECT_EQ(c.problem.empty(), kind != Wrong) << line;
    }
    for (auto [line, program, name] : {std::tuple("\"C:\\My Apps\\BLIMO.exe\"  -off:run  \"C:\\a b\\x.exe\" \"q  r\"\ts ",
                                                  "\"C:\\a b\\x.exe\" \"q  r\"\ts ", "C:\\a b\\x.exe"),
                                       {"\"C:\\BLIMO.exe\"\"/off:run\" notepad", "notepad", "notepad"}, {"BLIMO.exe /off:run", "", ""}}) {
        EXPECT_EQ(ProgramLine(line, 2), std::string_view(program)) << line;
        EXPECT_EQ(ProgramName(program), std::string(name)) << line;
    }
    // Hotkeys: Ctrl 2, Alt 1, Shift 4, Win 8; letters, digits, F1 (0x70) to F24. What no hotkey can be reads as none.
    for (auto [text, shown, modifiers, key] : {std::tuple("Ctrl+Alt+S", "Ctrl+Alt+S", 3u, unsigned('S')), {"alt + CTRL+s", "Ctrl+Alt+S", 3u, 'S'},
                                               {"Win+Shift+F24", "Shift+Win+F24", 12u, 0x87}, {"ctrl+f1", "Ctrl+F1", 2u, 0x70},
                                               {"Shift+0", "Shift+0", 4u, '0'}, {"WIN+z", "Win+Z", 8u, 'Z'}, {"S", "", 0u, 0}, {"Ctrl+F25", "", 0u, 0},
                                               {"Ctrl+F0", "", 0u, 0}, {"Ctrl+F01", "", 0u, 0}, {"Ctrl+Ctrl+S", "", 0u, 0}, {"Ctrl+", "", 0u, 0},
                                               {"Ctrl+Alt", "", 0u, 0}, {"Ctrl+SS", "", 0u, 0}, {"Control+S", "", 0u, 0}, {"Ctrl+\xE9", "", 0u, 0},
                                               {"Ctrl+S+Alt", "", 0u, 0}, {"", "", 0u, 0}}) {
        const HotkeyKeys keys = ParseHotkey(text).value_or(HotkeyKeys{});
        EXPECT_EQ(keys.modifiers, modifiers) << text;
        EXPECT_EQ(keys.key, key) << text;
        EXPECT_EQ(HotkeyText(keys), shown) << text;
    }
    for (const HotkeyKeys keys : {HotkeyKeys{2, 0x25}, {2, 0x6F}, {2, 0x88}, {16, 'S'}})  // left, the keypad's /, F25, no such modifier
        EXPECT_EQ(HotkeyText(keys), "") << keys.key;
}

}  // namespace
