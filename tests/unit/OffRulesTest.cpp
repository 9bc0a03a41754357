// The automatic Offs: each stored form as the registry gives it, the hours in a zone with clock changes,
// the power through the call seam, and the program watch with real processes under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
#include <map>

#include "Support.h"
#include "app/CommandLine.h"
#include "app/frmMain.h"
#include "platform/ProgramWatch.h"
#include "services/OffRules.h"

namespace {

const Value kRules[] = {{"Software\\Fenwa Inc\\BLIMO", "OffWhileRunning"}, {"Software\\Policies\\Fenwa Inc\\BLIMO", "OffWhileRunning", HKEY_LOCAL_MACHINE},
                       {"Software\\Policies\\Fenwa Inc\\BLIMO", "OffWhileRunning"}, {"Software\\Fenwa Inc\\BLIMO", "OffHours"},
                       {"Software\\Fenwa Inc\\BLIMO", "OnlyPluggedIn"}, {"Software\\Fenwa Inc\\BLIMO", "BatteryFloor"}};

uint64_t Utc(const char* text) {  // "2026-03-02 13:00"
    SYSTEMTIME t = {};
    std::sscanf(text, "%hu-%hu-%hu %hu:%hu", &t.wYear, &t.wMonth, &t.wDay, &t.wHour, &t.wMinute);
    FILETIME f = {};
    SystemTimeToFileTime(&t, &f);
    return uint64_t{f.dwHighDateTime} << 32 | f.dwLowDateTime;
}

TEST(OffRules, EachStoredFormReadsAsItsRule) {
    // The user's list, the computer's policy, the user's policy (none: absent); the list read; whose it is
    const std::tuple<const char*, const char*, const char*, const char*, bool> lists[] = {
        {"a.exe", "", "c.exe", "", true}, {"a.exe", nullptr, "c.exe", "c.exe|", true}, {nullptr, "m.exe", "c", "m.exe|", true},
        {"C:\\x\\a.exe;x\\a.exe;x/a.exe;*.exe;..;a?.exe;;b.exe.;a<b.exe;ok.EXE", nullptr, nullptr, "ok.EXE|", false},
        {" POWERPNT.EXE; vlc ;Teams.exe;", nullptr, nullptr, "POWERPNT.EXE|vlc.exe|Teams.exe|", false}};  // policies gone
    // OffHours, its days (bit 0 Monday), start and end; none: no rule
    const std::tuple<const char*, std::optional<OffHours>> hours[] = {
        {"1-5 09:00-17:30", OffHours{0x1F, 540, 1050}}, {" 6,7\t22:00-02:00 ", OffHours{0x60, 1320, 120}}, {"1-5", {}},
        {"1,3-4,7 9:05-24:00", OffHours{0x4D, 545, 1440}}, {"", {}}, {"0-5 09:00-17:00", {}}, {"1-8 09:00-17:00", {}},
        {"5-1 09:00-17:00", {}}, {"1-5 09:00-09:00", {}}, {"1-5 24:00-10:00", {}}, {"1-5 09:60-10:00", {}}, {"1-5 9:0-10:00", {}},
        {"1-5 09:00-17:30x", {}}, {"1-509:00-17:30", {}}, {"1-5, 09:00-10:00", {}}, {"1,,2 09:00-10:00", {}},
        {"1-5 09:00-24:01", {}}, {"12 09:00-10:00", {}}};
    for (const auto& [user, machine, userPolicy, read, byPolicy] : lists) {
        kRules[0].Set(user);
        kRules[1].Set(machine);
        kRules[2].Set(userPolicy);
        const OffRules rules = ReadOffRules();
        std::string names;
        for (const std::wstring& name : rules.programs) names += std::string(name.begin(), name.end()) + "|";
        EXPECT_EQ(names, read) << user;
        EXPECT_EQ(rules.programsByPolicy, byPolicy) << user;
    }
    for (const auto& [text, rule] : hours) {
        kRules[3].Set(text);
        EXPECT_EQ(ReadOffRules().hours, rule) << text;
        EXPECT_EQ(rule ? HoursRule(HoursText(*rule)) : rule, rule) << text;  // as Options writes it back
    }
}

TEST(OffRules, HoursHoldByTheLocalClockAcrossMidnightAndItsChanges) {
    // 5 h behind UTC, 4 h from 2:00 on the second Sunday of March to 2:00 on the first of November
    const TIME_ZONE_INFORMATION zone = {300, {}, {0, 11, 0, 1, 2, 0, 0, 0}, 0, {}, {0, 3, 0, 2, 2, 0, 0, 0}, -60};
    // The rule, now (UTC), whether it holds, the next change (UTC; "": never). 2026-03-02 is a Monday.
    const std::tuple<const char*, const char*, bool, const char*> rows[] = {
        {"1-5 09:00-17:30", "2026-03-02 13:00", false, "2026-03-02 14:00"}, {"1-5 09:00-17:30", "2026-03-02 14:00", true, "2026-03-02 22:30"},
        {"1-5 09:00-17:30", "2026-03-06 23:00", false, "2026-03-09 13:00"},  // Friday evening, Monday after the change
        {"6,7 22:00-02:00", "2026-03-02 06:00", true, "2026-03-02 07:00"}, {"6,7 22:00-02:00", "2026-03-07 06:00", false, "2026-03-08 03:00"},  // Monday 01:00 is Sunday's; Saturday 01:00 Friday's, not listed
        {"6 22:00-03:30", "2026-03-08 06:30", true, "2026-03-08 07:30"}, {"6 22:00-06:00", "2026-11-01 03:00", true, "2026-11-01 11:00"},  // the clock skips 02:00 to 03:00; goes back an hour
        {"7 00:00-01:30", "2026-11-01 05:15", true, "2026-11-01 05:30"}, {"7 00:00-01:30", "2026-11-01 06:15", false, "2026-11-08 05:00"},
        {"1-7 00:00-24:00", "2026-03-08 06:30", true, ""}, {"1-6 00:00-24:00", "2026-03-06 17:00", true, "2026-03-08 05:00"}};
    for (const auto& [text, now, hold, next] : rows) {
        SCOPED_TRACE(std::string(text) + " at " + now);
        const HoursNow got = HoursAt(*HoursRule(text), Utc(now), &zone);
        EXPECT_EQ(got.hold, hold);
        EXPECT_EQ(got.nextChange, *next ? Utc(next) : 0);
    }
}

TEST(OffRules, PowerDecidesWhetherRulesHoldAndWhetherEveryOffEnds) {
    // The mains (0 battery, 1 mains, 255 unknown), the charge (255 unknown), OnlyPluggedIn, BatteryFloor; the verdict
    const std::tuple<BYTE, BYTE, const char*, const char*, PowerVerdict> rows[] = {
        {0, 15, "1", "20", {false, true}}, {0, 25, " 1 ", "20", {false, false}}, {0, 25, "0", "20", {true, false}}, {1, 15, "1", "20", {true, false}},
        {255, 15, "1", "20", {true, false}}, {0, 255, "", "20", {true, false}}, {0, 19, "", " 20 ", {false, true}}, {0, 20, "", "20", {true, false}},
        {0, 0, "", "0", {true, false}}, {0, 50, "", "101", {true, false}}, {0, 50, "yes", "-5", {true, false}}, {0, 99, "", "100", {false, true}}};
    Recorder rec;
    for (const auto& [line, percent, pluggedIn, floor, verdict] : rows) {
        Recorder::power.ACLineStatus = line;
        Recorder::power.BatteryLifePercent = percent;
        kRules[4].Set(pluggedIn);
        kRules[5].Set(floor);
        const PowerVerdict got = JudgePower(ReadOffRules().power, ReadPowerState());
        EXPECT_EQ(got.rulesMayHold, verdict.rulesMayHold) << int(line) << " " << int(percent) << " " << floor;
        EXPECT_EQ(got.endEveryOff, verdict.endEveryOff) << int(line) << " " << int(percent) << " " << floor;
    }
}

std::vector<std::pair<WPARAM, DWORD>> told;  // the watch's messages about the test's own processes, as received
std::vector<DWORD> mine;                      // not a program an earlier, aborted run left behind
LRESULT CALLBACK Receive(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP && std::ranges::count(mine, static_cast<DWORD>(lp))) told.emplace_back(wp, static_cast<DWORD>(lp));
    return DefWindowProcA(w, m, wp, lp);
}
PROCESS_INFORMATION Notepad(std::string line = "notepad.exe") {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    mine.push_back(pi.dwProcessId);
    CloseHandle(pi.hThread);
    return pi;
}

TEST(ProgramWatch, ToldOfAListedProgramRunningBeforeOneStartingAndEachEnd) {
    const WNDCLASSA wc = {0, Receive, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "ProgramWatchTest"};
    RegisterClassA(&wc);
    const HWND window = CreateWindowA("ProgramWatchTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const PROCESS_INFORMATION before = Notepad();
    WaitForInputIdle(before.hProcess, 10000);
    ASSERT_TRUE(WatchPrograms(window, WM_APP, {L"Other.exe", L"NOTEPAD.EXE"}));
    EXPECT_TRUE(PumpUntil([&] { return told.size() == 1; }, 2000)) << "running before";
    const PROCESS_INFORMATION after = Notepad();
    EXPECT_TRUE(PumpUntil([&] { return told.size() == 2; }, 2000)) << "started later, not told within 2 s";
    EXPECT_EQ(told, (std::vector<std::pair<WPARAM, DWORD>>{{kProgramStarted, before.dwProcessId}, {kProgramStarted, after.dwProcessId}}));
    EXPECT_EQ(RunningPrograms(), (std::vector<std::wstring>{L"notepad.exe", L"notepad.exe"}));
    TerminateProcess(before.hProcess, 0);
    ASSERT_TRUE(PumpUntil([&] { return told.size() == 3; }, 2000)) << "end";
    EXPECT_EQ(told.back(), std::pair(kProgramEnded, before.dwProcessId));
    EXPECT_EQ(ProgramHandles().size(), 1u);
    WatchPrograms(window, WM_APP, {L"Other.exe"});
    EXPECT_EQ(ProgramHandles().size(), 0u) << "no longer listed, still waited for";
    TerminateProcess(after.hProcess, 0);
    const PROCESS_INFORMATION unlisted = Notepad();
    Pump(1000);
    EXPECT_EQ(told.size(), 3u) << "told of an end no longer listed, or of a program not listed";
    TerminateProcess(unlisted.hProcess, 0);
    WatchPrograms(window, WM_APP, {});
    for (const PROCESS_INFORMATION& p : {before, after, unlisted}) CloseHandle(p.hProcess);
}

Command While(DWORD process) {
    Command command(CommandKind::OffWhile);
    command.process = process;
    return command;
}

std::string Shown() {  // the last record sent as the user sees it: "icon|tip|balloon|balloon title"
    const TrayIconRecord& r = Recorder::trays.back().second;
    return IconLook(r.hIcon).first + "|" + r.szTip + "|" + r.szInfo + "|" + r.szInfoTitle;
}

std::string Clock(int minutes, const char* form) {  // the local clock (5 h behind UTC) `minutes` from now
    const std::time_t local = std::time(nullptr) + minutes * 60 - 5 * 3600;
    char text[16];
    std::strftime(text, sizeof text, form, std::gmtime(&local));
    return text + (form[1] == 'I' && text[0] == '0');
}

// Rules and hands meeting, with real programs (notepad.exe listed; winver.exe for a process promise) and the real key
// watch. Steps: p a listed program starts, q the first still running ends, w a promise while winver runs, v it ends,
// n On, f Off (the menu's), h the hours hold now, e no hours, b on battery under the floor, u on battery under "only
// while plugged in", c plugged in, a the screensaver policy set, z gone, r BLIMO restarted. What shows after each:
// P Off while notepad runs, W while winver runs, O Off by hand, H Off until the hours end (each held), N On,
// S On as started, A the administrator's On, L On for the battery.
TEST(OffReasons, RulesBeginAndEndAsBlimosOwnOffAndTheUsersHandWins) {
    const std::pair<const char*, const char*> rows[] = {
        {"pq", "PN"}, {"ppqq", "PPPN"}, {"pnqpq", "PNNPN"}, {"pnpqq", "PNPPN"}, {"pfqn", "POON"}, {"wpvq", "WWPN"},
        {"pwqv", "PWWN"}, {"apzq", "AAPN"}, {"pbcq", "PLPN"}, {"fbc", "OLN"}, {"prq", "PPN"}, {"hnehe", "HNNHN"},
        {"hfen", "HOON"}, {"upcq", "SSPN"}};
    const std::map<char, std::string> shown = {
        {'P', "off|ScreenSaver Off while notepad.exe runs|"}, {'W', "off|ScreenSaver Off while winver.exe runs|"},
        {'O', "off|ScreenSaver Off|"}, {'H', "off|ScreenSaver Off until " + Clock(30, "%I:%M %p") + "|"},
        {'N', "on|ScreenSaver On|"}, {'S', "on|BLIMO|"}, {'A', "on|ScreenSaver On (set by your administrator)|"},
        {'L', "on|ScreenSaver On|Your ScreenSaver has been turned On. The battery is below 20 %.|"}};
    const std::string hours = "1-7 " + Clock(-1, "%H:%M") + "-" + Clock(30, "%H:%M");  // the same end for the whole run
    const Value saver{"Control Panel\\Desktop", "ScreenSaveActive"}, bubbles{"Software\\Fenwa Inc\\BLIMO", "Bubbles"};
    const Value policy{"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop", "ScreenSaveActive"};
    Recorder rec;
    frmMain main;
    for (const auto& [steps, after] : rows) {
        SCOPED_TRACE(steps);
        kRules[0].Set("notepad.exe");
        bubbles.Set("1");
        saver.Set("1");
        main.Load();
        std::deque<PROCESS_INFORMATION> programs;
        PROCESS_INFORMATION promised = {};
        for (size_t i = 0; steps[i]; ++i) {
            const char step = steps[i];
            if (step == 'p') programs.push_back(Notepad());
            if (step == 'q') TerminateProcess(programs.front().hProcess, 0);
            if (step == 'q') programs.pop_front();
            if (step == 'w') promised = Notepad("winver.exe");
            if (step == 'w') main.RunCommand(While(promised.dwProcessId));
            if (step == 'v') TerminateProcess(promised.hProcess, 0);
            if (step == 'n' || step == 'f') main.Click(step == 'n' ? "mnuOn" : "mnuOff");
            if (step == 'h' || step == 'e') kRules[3].Set(step == 'h' ? hours.c_str() : nullptr);
            if (step == 'b') kRules[5].Set("20");
            if (step == 'u') kRules[4].Set("1");
            if (step == 'b' || step == 'u' || step == 'c') Recorder::power = {BYTE(step == 'c'), 0, BYTE(step == 'b' ? 10 : 50), 0, DWORD(-1), DWORD(-1)};
            if (step == 'b' || step == 'u' || step == 'c') Pump(300);  // the rules' values read first
            if (step == 'b' || step == 'u' || step == 'c') SendMessageA(main.Hwnd(), WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
            if (step == 'a' || step == 'z') policy.Set(step == 'a' ? "1" : nullptr);
            if (step == 'r') main.Unload();
            if (step == 'r') main.Load();
            Pump(300);
            const std::string& want = shown.at(after[i]);
            PumpUntil([&] { return Shown().starts_with(want); }, 3000);
            EXPECT_EQ(Shown().substr(0, want.size()), want) << i;
            EXPECT_EQ(std::ranges::count(Recorder::calls, "PowerSetRequest 0") - std::ranges::count(Recorder::calls, "PowerClearRequest 0"),
                      std::string("PWOH").find(after[i]) != std::string::npos) << "the display held, after " << i;
        }
        main.Unload();
        for (const Value& v : {kRules[3], kRules[4], kRules[5]}) v.Delete();
        Recorder::power = {1, 0, 255, 0, DWORD(-1), DWORD(-1)};
        CloseHandle(promised.hProcess);
    }
    kRules[0].Delete();
}

}  // namespace
