// The windows, real under Wine, with the shell and the system parameter recorded; every window's
// layout at the screen's DPI (`unit` runs at 96 DPI, `high_dpi` on a screen of 144).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <process.h>
#include <thread>

#include "Support.h"
#include "app/CommandLine.h"
#include "app/frmMain.h"
#include "options/frmOptions.h"
#include "platform/Text.h"
#include "services/PromiseStore.h"
#include "services/SaverSetting.h"
#include "update/frmUpdate.h"

namespace {

using Calls = std::vector<std::string>;
const std::string kOff = "off|ScreenSaver Off|Your ScreenSaver has been turned Off.|ScreenSaver Off";
const std::string kOn = "on|ScreenSaver On|Your ScreenSaver has been turned On.|ScreenSaver On";

// A promise `minutes` ahead as "OffUntil" stores it (UTC), and the clock it shows: the tests run 5 h behind UTC, times
// as "h:mm tt".
std::pair<std::string, std::string> Ahead(int minutes) {
    const std::time_t at = std::time(nullptr) + minutes * 60, local = at - 5 * 3600;
    char stored[32], clock[16];
    std::strftime(stored, sizeof stored, "%Y-%m-%dT%H:%M:00Z", std::gmtime(&at));
    std::strftime(clock, sizeof clock, "%I:%M %p", std::gmtime(&local));
    return {stored, clock + (clock[0] == '0')};
}

BOOL WINAPI NeedsElevation(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                           LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    SetLastError(740);  // as Windows answers for a program whose manifest asks for administrator rights
    return FALSE;
}

std::string LastBox() { return Recorder::Matching("MessageBoxA").empty() ? "" : Recorder::Matching("MessageBoxA").back(); }

struct MainWindow : ::testing::Test {
    MainWindow() {  // none of BLIMO's values and no policy, whatever an earlier run left in the prefix
        for (const char* key : {"Software\\Fenwa Inc\\BLIMO", "Software\\Policies\\Fenwa Inc"}) {
            RegDeleteTreeA(HKEY_CURRENT_USER, key);
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
        }
        policy.Delete();
    }
    void Start(const char* s, const char* b = nullptr) {  // none: absent
        saver.Set(s);
        bubbles.Set(b);
        main.Load();
    }
    void Tray(UINT mouse) { SendMessageA(main.Hwnd(), 0x8200, kTrayIconId, static_cast<LPARAM>(mouse)); }
    void Changed() { SendMessageA(main.Hwnd(), WM_APP + 1, 0, 0); }  // as the registry watch tells it
    // The display hold's calls since the last look.
    Calls Power() {
        Calls power;
        for (const std::string& c : Recorder::calls)
            if (c.starts_with("Power") || c.starts_with("SetThread")) power.push_back(c);
        Recorder::calls.clear();
        return power;
    }
    // The last record sent as the user sees it: "icon|tip|balloon|balloon title".
    std::string Shown() {
        if (Recorder::trays.empty()) return "no icon";
        const TrayIconRecord& r = Recorder::trays.back().second;
        return IconLook(r.hIcon).first + "|" + r.szTip + "|" + r.szInfo + "|" + r.szInfoTitle;
    }
    // The Options boxes as the dialog opens; then set so, and OK, which itself sends nothing to the shell.
    std::pair<bool, bool> Options(bool autostart, bool balloons) {
        options.Load();
        std::pair opened(options.Checked("chkAutoStart"), options.Checked("chkBubble"));
        options.SetChecked("chkAutoStart", autostart);
        options.SetChecked("chkBubble", balloons);
        Recorder::calls.clear();
        options.Click("cmdOK");
        EXPECT_EQ(Recorder::Matching("Shell"), Calls{});
        return opened;
    }

    Recorder rec;
    const Value saver{"Control Panel\\Desktop", "ScreenSaveActive"}, bubbles{"Software\\Fenwa Inc\\BLIMO", "Bubbles"},
        run{"Software\\Microsoft\\Windows\\CurrentVersion\\Run", "BLIMO"}, until{"Software\\Fenwa Inc\\BLIMO", "OffUntil"},
        stored{"Software\\Fenwa Inc\\BLIMO", "OffWhile"},
        policy{"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop", "ScreenSaveActive"};
    frmMain main;
    frmOptions& options = frmOptions::Instance();
};

TEST_F(MainWindow, StartUpAddsTheIconThenASwitchWritesSetsTheSessionAndModifiesTheIconEvenWhereWritesFail) {
    Start("1");
    const auto& [message, r] = Recorder::trays.at(0);
    EXPECT_EQ(message, DWORD{NIM_ADD});
    EXPECT_EQ(r.cbSize, DWORD{sizeof(void*) == 4 ? 488 : 504});
    EXPECT_EQ(r.uFlags, 0x17u) << "message, icon, tip and balloon";
    EXPECT_EQ(r.uCallbackMessage, 0x8200u);
    EXPECT_EQ(Shown(), "on|BLIMO||");
    EXPECT_FALSE(main.Visible());
    EXPECT_EQ(Recorder::Matching("ApplicationRestart"), Calls{"ApplicationRestart  11"}) << "not after a crash, hang or reboot";
    Recorder::calls.clear();
    main.Click("mnuOff");  // balloons are off: the tip alone says it; then the display is held
    EXPECT_EQ(Recorder::calls, (Calls{"RegCreateKeyA Control Panel\\Desktop", "RegSetValueExA ScreenSaveActive 0",
                                      "SystemParametersInfoA 17 0 3", "Shell_NotifyIconA 1",
                                      "PowerCreateRequest BLIMO: ScreenSaver Off", "PowerSetRequest 0"}));
    EXPECT_EQ(Shown(), "off|ScreenSaver Off||");
    main.Click("mnuOn");
    EXPECT_EQ(Recorder::calls.end()[-3], "SystemParametersInfoA 17 1 3");
    EXPECT_EQ(Shown(), "on|ScreenSaver On||");
    Recorder::failWrites = true;  // a registry that refuses: the icon and state change all the same
    main.Click("mnuOff");
    EXPECT_EQ(main.SaverState, L"0");
    EXPECT_EQ(Shown(), "off|ScreenSaver Off||");
    EXPECT_EQ(saver.Get(), Sz("1"));
    ShowTrayBalloon(std::wstring(300, L'i'), std::wstring(200, L'h'));  // cut to their fields, the NUL kept
    EXPECT_EQ(Shown(), "off|" + std::string(127, 'h') + "|" + std::string(255, 'i') + "|" + std::string(63, 'h'));
}

TEST_F(MainWindow, WithBalloonsOnEachSwitchSaysWhichWayItWentAndTheOptionTurnsThemOffAndOn) {
    Start("1", "1");
    for (auto [item, shown] : {std::pair("mnuOff", kOff), {"", kOn}, {"mnuOn", kOn}}) {  // "": the hotkey, as a double click
        if (*item) main.Click(item);
        else SendMessageA(main.Hwnd(), WM_HOTKEY, 1, 0);
        EXPECT_EQ(Shown(), shown) << item;
    }
    run.Set("C:\\Old Folder\\BLIMO.exe");  // another folder's entry counts as on; OK puts this program in
    bubbles.Set("0");                        // edited behind the program's back: the box shows what it uses
    EXPECT_EQ(Options(true, false), std::pair(true, true));  // a balloon on screen: the next switch takes it down
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ(run.Get(), Sz("\"" + std::string(module) + "\""));
    EXPECT_EQ(bubbles.Get(), Sz("0"));
    main.Click("mnuOff");
    EXPECT_EQ(Shown(), "off|ScreenSaver Off||ScreenSaver On");  // a title without a text shows nothing
    Options(false, true);  // on again: no old balloon comes back; the next switch shows its own
    EXPECT_EQ(run.Get(), std::nullopt);
    main.Click("mnuOn");
    EXPECT_EQ(Shown(), kOn);
    Options(false, true);  // with no entry to remove, only "Bubbles" is written: a delete makes no key
    const Calls written = {"RegDeleteValueA BLIMO", "RegCreateKeyA Software\\Fenwa Inc\\BLIMO", "RegSetValueExA Bubbles 1"};
    EXPECT_EQ(Recorder::Matching("Reg"), written);
}

TEST_F(MainWindow, OnlyADoubleClickSwitchesAndItSwitchesOnUnlessTheStateIsExactlyOne) {
    Start(nullptr);  // absent: shown on, yet the first double click switches on
    for (UINT nothing : {0x200u, 0x201u, 0x202u, 0x204u, 0x206u, 0x207u, 0x208u, 0x209u}) Tray(nothing);
    SendMessageA(main.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(515, 20));  // the mouse over a wide About window (200 %)
    EXPECT_EQ(Recorder::Matching("RegSet"), Calls{}) << "a mouse move passed for a double click";
    Tray(WM_LBUTTONDBLCLK);
    main.SaverState = L"2";  // any text but "1" switches on
    for (int i = 0; i < 2; ++i) Tray(WM_LBUTTONDBLCLK);
    const std::string to = "RegSetValueExA ScreenSaveActive ";
    EXPECT_EQ(Recorder::Matching("RegSet"), (Calls{to + "1", to + "1", to + "0"}));
    EXPECT_EQ(Recorder::openKeys, 0) << "a key left open";
    EXPECT_EQ(saver.Get(), Sz("0"));
}

TEST_F(MainWindow, TheIconIsTriedForTwoMinutesAndComesBackAfterTheShellRestartsWithoutAnOldBalloon) {
    const auto adds = [](size_t awaited) {  // once there are as many, or after three seconds
        PumpUntil([&] { return Recorder::Matching("Shell_NotifyIconA 0").size() >= awaited; }, 3000);
        return Recorder::Matching("Shell_NotifyIconA 0").size();
    };
    Recorder::failAdds = 1000;  // no notification area at start-up
    Start("0", "1");
    for (int i = 0; i < 59; ++i) SendMessageA(main.Hwnd(), WM_TIMER, 1, 0);  // as the retry timer's first 59
    EXPECT_EQ(adds(61), 61u) << "tried at start-up, then every two seconds for two minutes";
    Recorder::failAdds = 1;  // then the area is there, and the restarted shell not yet ready
    Pump(2100);
    EXPECT_EQ(adds(0), 61u) << "still tried after two minutes";
    main.Click("mnuOn");  // a balloon on screen
    SendMessageA(main.Hwnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(adds(63), 63u) << "not tried again two seconds later";
    EXPECT_EQ(Shown(), "on|ScreenSaver On||ScreenSaver On");
    Pump(2100);
    EXPECT_EQ(adds(0), 63u) << "a retry timer still runs";
}

// The image drawn for the notification area's size: the taskbar's small icon at the screen's DPI (96, 144, 192: ctest's
// unit, high_dpi, high_dpi_192), and again when the taskbar, still showing the icon, tells of its monitor's new DPI.
TEST_F(MainWindow, TheTrayIconIsDrawnForTheNotificationAreasSizeAtEveryDpi) {
    Start("0");
    EXPECT_EQ(IconLook(TrayIconData.hIcon), std::pair(std::string("off"), long{GetSystemMetrics(SM_CXSMICON)}));
    for (auto [dpi, pixels] : {std::pair(144u, 24L), {192u, 32L}, {96u, 16L}}) {
        Recorder::taskbarDpi = dpi;
        Recorder::calls.clear();
        SendMessageA(main.Hwnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        EXPECT_EQ(IconLook(Recorder::trays.back().second.hIcon), std::pair(std::string("off"), pixels)) << dpi;
        EXPECT_EQ(Recorder::calls, (Calls{"Shell_NotifyIconA 0", "Shell_NotifyIconA 1"})) << "not an add, refused, then a modify";
    }
}

TEST_F(MainWindow, ChangesMadeElsewhereShowWithoutABalloonAndAPolicyRefusesEverySwitch) {
    Start("1", "1");
    main.Click("mnuOn");  // a balloon on screen: no change made elsewhere shows it again
    const std::string admin = " (set by your administrator)", old = "|ScreenSaver On";  // a title alone shows nothing
    for (auto [where, value, message, shown] : {std::tuple(&saver, "0", WM_APP + 1, "off|ScreenSaver Off|" + old),
                                                {&saver, "1", WM_SETTINGCHANGE, "on|ScreenSaver On|" + old},
                                                {&policy, "0", WM_APP + 1, "off|ScreenSaver Off" + admin + "|" + old},
                                                {&policy, "2", WM_APP + 1, "on|ScreenSaver On|" + old},  // not a policy
                                                {&policy, "1", WM_APP + 1, "on|ScreenSaver On" + admin + "|" + old}}) {
        SCOPED_TRACE(shown);
        where->Set(value);
        Recorder::calls.clear();
        SendMessageA(main.Hwnd(), message, message == WM_SETTINGCHANGE ? SPI_SETSCREENSAVEACTIVE : 0, 0);
        EXPECT_EQ(Shown(), shown);
        EXPECT_EQ(Recorder::Matching("Reg"), Calls{});
    }
    Recorder::calls.clear();
    Tray(WM_LBUTTONDBLCLK);
    SendMessageA(main.Hwnd(), WM_HOTKEY, 1, 0);
    EXPECT_EQ(main.RunCommand({CommandKind::Off, 0, {}}), 3);  // from the command line: test_command_line.py
    EXPECT_EQ(Shown(), "on|ScreenSaver On" + admin + "|Your administrator has turned the screensaver On. It cannot be "
                       "switched here.|ScreenSaver set by your administrator");
    EXPECT_EQ(TrayIconData.dwInfoFlags, DWORD{NIIF_WARNING});
    EXPECT_EQ(Recorder::calls, Calls(3, "Shell_NotifyIconA 1")) << "a warning balloon each, and nothing else";
    EXPECT_EQ(CarryOut({CommandKind::OffRun, 0, {}}), std::optional(3)) << "a program started (or tried) under the policy";
    main.Unload();
    TrayIconData = {};  // as in a new process
    policy.Set("0");  // at start-up too
    Start("1");
    EXPECT_EQ(Shown(), "off|ScreenSaver Off" + admin + "||");
    main.Unload();  // no window: the command line waits five seconds for a BLIMO starting, then switches itself
    EXPECT_EQ(CarryOut({CommandKind::Toggle, 0, {}}), std::optional(3));
    policy.Delete();
    until.Set("2020-01-01T00:00:00Z");  // a promise left behind
    Recorder::calls.clear();
    EXPECT_EQ(CarryOut({CommandKind::Off, 0, {}}), std::optional(0));
    EXPECT_EQ(Recorder::Matching("System"), Calls{"SystemParametersInfoA 17 0 3"}) << "switched without the system";
    EXPECT_EQ(until.Get(), std::nullopt) << "the promise left behind outlived a switch";
    options.Load();  // a window in BLIMO's place that does not take the switch
    SetWindowTextA(options.Hwnd(), "About BLIMO");
    EXPECT_EQ(CarryOut({CommandKind::On, 0, {}}), std::optional(4));
    EXPECT_TRUE(LastBox().starts_with("MessageBoxA BLIMO 48 The running BLIMO did not answer")) << LastBox();
    options.Unload();
}

// Rows: the value, its text (none: absent; for "OffWhile", this very process's identity), "ScreenSaveActive" before,
// shown, kept (and the display held), "ScreenSaveActive" after.
TEST_F(MainWindow, AtStartAPromiseAheadIsKeptAndOneThatCannotBeRightIsDueAndRemoved) {
    const auto [ahead, clock] = Ahead(10);
    const std::string on = "on|ScreenSaver On||", tooFar = Ahead(kLongestStoredMinutes + 2).first;  // 25 hours at most
    const std::string another = std::to_string(GetCurrentProcessId()) + " 0000000000000001";  // this number, another start
    for (auto [value, text, saverBefore, shown, kept, saverAfter] : {
             std::tuple<const Value*, const char*, const char*, std::string, bool, const char*>{
                 &until, nullptr, "0", "off|BLIMO||", false, "0"},  // no promise
             {&until, ahead.c_str(), "0", "off|ScreenSaver Off until " + clock + "||", true, "0"},
             {&until, "2020-01-01T00:00:00Z", "0", on, false, "1"},  // its time came while none ran
             {&until, ahead.c_str(), "1", "off|ScreenSaver Off until " + clock + "||", true, "0"},  // as a logoff left it
             {&until, "2026-02-29T10:00:00Z", "0", on, false, "1"},  // Wine takes it for March 1st
             {&until, "garbage", "0", on, false, "1"},
             {&until, "", "0", on, false, "1"},
             {&until, tooFar.c_str(), "0", on, false, "1"},
             {&until, "garbage", "1", "on|BLIMO||", false, "1"},  // on already: only removed
             {&stored, nullptr, "0", "off|ScreenSaver Off while blimo_tests.exe runs||", true, "0"},
             {&stored, another.c_str(), "0", on, false, "1"},
             {&stored, "1 0000000000000001 BLIMO_tests.exe", "0", "off|ScreenSaver Off while blimo_tests.exe runs||", true, "0"},
             {&stored, "garbage", "1", "on|BLIMO||", false, "1"}}) {
        SCOPED_TRACE(value->name + (text ? " \"" + std::string(text) + "\"" : " none"));
        if (value == &stored && !text) KeepPromisedProcess(GetCurrentProcess());
        else value->Set(text);
        Start(saverBefore);
        EXPECT_EQ(Shown(), shown);
        EXPECT_EQ(value->Get().has_value(), kept) << "the promise kept";
        EXPECT_EQ(std::ranges::count(Power(), "PowerSetRequest 0"), kept) << "the display held";
        EXPECT_EQ(saver.Get(), Sz(saverAfter));
        main.Unload();
    }
}

TEST(Promise, UntilIsTheNextSuchTimeOfTheLocalClockAcrossMidnightAndTheClockChanges) {
    // 5 h behind UTC, 4 from the second Sunday of March to the first of November. Rows: now (UTC), time asked (local), seconds
    const TIME_ZONE_INFORMATION zone = {300, {}, {0, 11, 0, 1, 2, 0, 0, 0}, 0, {}, {0, 3, 0, 2, 2, 0, 0, 0}, -60};
    for (auto [now, minuteOfDay, seconds] : {std::tuple(SYSTEMTIME{2026, 6, 0, 10, 14, 0, 0, 0}, 601, 60),  // 10:00, 10:01
                                            {SYSTEMTIME{2026, 6, 0, 10, 14, 0, 30, 0}, 600, 86370},  // the same minute
                                            {SYSTEMTIME{2026, 6, 0, 11, 3, 59, 30, 0}, 0, 30},  // midnight, 30 s ahead
                                            {SYSTEMTIME{2026, 6, 0, 11, 2, 0, 0, 0}, 1380, 3600},  // UTC is a day ahead
                                            {SYSTEMTIME{2026, 3, 0, 8, 5, 30, 0, 0}, 210, 7200},  // 00:30 to 03:30 forward
                                            {SYSTEMTIME{2026, 11, 0, 1, 5, 0, 0, 0}, 30, 88200}}) {  // 01:00 to 00:30, back
        ULARGE_INTEGER from;  // 8-byte aligned, as a FILETIME need not be
        SystemTimeToFileTime(&now, reinterpret_cast<FILETIME*>(&from));
        EXPECT_EQ((NextClockTime(minuteOfDay, from.QuadPart, &zone) - from.QuadPart) / 10000000, uint64_t(seconds)) << minuteOfDay;
    }
}

TEST_F(MainWindow, APromiseToSwitchBackOnOutlivesTheProcessAndAnySwitchEndsIt) {
    Start("1");
    main.RunCommand({CommandKind::OffFor, 1, {}});
    EXPECT_EQ(Shown(), "off|ScreenSaver Off until " + Ahead(1).second + "||");
    EXPECT_EQ(until.Get().value_or(Sz("")).second.substr(0, 16), Ahead(1).first.substr(0, 16)) << "stored to the minute";
    EXPECT_EQ(CarryOut({CommandKind::On, 0, {}}), std::optional(0));  // from the command line: told to this BLIMO
    EXPECT_EQ(Shown(), "on|ScreenSaver On||");
    EXPECT_EQ(until.Get(), std::nullopt) << "a switch left the promise";
    EXPECT_EQ(CarryOut({CommandKind::OffUntil, 25 * 60, {}}), std::optional(2));  // a word the running BLIMO refuses
    EXPECT_TRUE(LastBox().starts_with("MessageBoxA BLIMO 48 The running BLIMO did not take \"/off:until=25:00\": ")) << LastBox();
    CarryOut({CommandKind::Help, 0, {}});  // the long switches on lines of their own, their words after a tab; every exit code
    for (const char* part : {"\r\n/off:run PROGRAM [ARGUMENTS]\r\n\t", "\r\n/off:until=HH:MM\r\n\t", "\r\n0\t", "\r\n2\t", "\r\n3\t", "\r\n4\t"})
        EXPECT_NE(LastBox().find(part), std::string::npos) << part;
    Api.CreateProcessA = NeedsElevation;
    Command elevated(CommandKind::OffRun);
    elevated.program = "notepad.exe /p";
    EXPECT_EQ(CarryOut(std::move(elevated)), std::optional(2));
    EXPECT_TRUE(LastBox().starts_with("MessageBoxA BLIMO 48 \"notepad.exe\" cannot be started: it asks for administrator rights"));
    // A start of this program that ends at once, as one handing its work to a copy that runs: the copy keeps the Off.
    const auto gone = reinterpret_cast<HANDLE>(_spawnl(_P_NOWAIT, __argv[0], "t", "--gtest_list_tests", "--gtest_filter=-*", nullptr));
    WaitForSingleObject(gone, INFINITE);
    EXPECT_EQ(main.RunCommand(CommandKind::OffRun, UniqueHandle(gone)), 0);
    EXPECT_EQ(Shown(), "off|ScreenSaver Off while blimo_tests.exe runs||");
    main.RunCommand({CommandKind::OffFor, 1, {}});
    saver.Set("1");
    Changed();
    EXPECT_EQ(until.Get(), std::nullopt) << "a switch made elsewhere left the promise";
    main.RunCommand({CommandKind::OffUntil, 0, {}});  // till midnight, in the user's format
    EXPECT_EQ(Shown(), "off|ScreenSaver Off until 12:00 AM||");
    Command self(CommandKind::OffWhile);  // while this process runs: a new promise replaces the old
    self.process = GetCurrentProcessId();
    main.RunCommand(self);
    EXPECT_EQ(until.Get(), std::nullopt) << "the time kept beside the process";
    Recorder::calls.clear();
    main.Click("mnuExit");  // switched on first: no one would be left to do it
    EXPECT_EQ(Recorder::Matching("S"), (Calls{"SystemParametersInfoA 17 1 3", "Shell_NotifyIconA 2"}));
    EXPECT_EQ(stored.Get(), std::nullopt) << "the process promise kept after Exit";
}

TEST_F(MainWindow, AnOffMadeHereHoldsTheDisplayInTheTipsWordsUntilItIsOnAgainAndNeverAgainstTheAdministrator) {
    const auto [ahead, clock] = Ahead(10);
    until.Set(ahead.c_str());
    Start("0");  // a promise still ahead at start-up holds, with the tooltip's words as the reason
    EXPECT_EQ(Power(), (Calls{"PowerCreateRequest BLIMO: ScreenSaver Off until " + clock, "PowerSetRequest 0"}));
    const Calls held = {"PowerCreateRequest BLIMO: ScreenSaver Off", "PowerSetRequest 0"};
    main.Click("mnuOff");  // the promise ends: the new hold is made before the old one goes
    EXPECT_EQ(Power(), (Calls{held[0], held[1], "PowerClearRequest 0"}));
    for (auto [value, data] : {std::pair(&saver, "1"), {&policy, "0"}}) {
        SCOPED_TRACE(data);
        value->Set(data);
        Changed();
        EXPECT_EQ(Power(), Calls{"PowerClearRequest 0"});
        policy.Delete();
        Changed();
        main.Click("mnuOff");
        EXPECT_EQ(Power(), held);
    }
    saver.Set("1");  // on again elsewhere, then off again elsewhere: that Off is not BLIMO's to hold for
    Changed();
    saver.Set("0");
    Changed();
    EXPECT_EQ(Power(), Calls{"PowerClearRequest 0"}) << "an Off made elsewhere held the display";
    const auto offHolds = [&] {
        main.Click("mnuOn");
        Recorder::calls.clear();
        main.Click("mnuOff");
        return !Recorder::Matching("PowerSetRequest").empty();
    };
    const Value limit{"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "InactivityTimeoutSecs",
                      HKEY_LOCAL_MACHINE};
    limit.Set(DWORD{900});
    EXPECT_FALSE(offHolds()) << "held against the machine's inactivity limit";
    limit.Delete();
    const Value keep{"Software\\Fenwa Inc\\BLIMO", "KeepDisplayOn"};
    const Value userPolicy{"Software\\Policies\\Fenwa Inc\\BLIMO", "KeepDisplayOn"};
    keep.Set("0");
    EXPECT_FALSE(offHolds()) << "held although the user's KeepDisplayOn is \"0\"";
    userPolicy.Set(DWORD{1});
    EXPECT_TRUE(offHolds()) << "the policy's 1 decides, not the user's \"0\"";
    keep.Set("1");
    userPolicy.Set(DWORD{0});
    EXPECT_FALSE(offHolds()) << "the policy's 0 decides, not the user's \"1\"";
    keep.Delete();  // the computer's policy before the user's: test_update.py
    userPolicy.Delete();
    Recorder::failRequests = true;  // as under Wine: the thread's execution state holds instead, and lets go
    main.Click("mnuOn");
    Recorder::calls.clear();
    main.Click("mnuOff");
    EXPECT_EQ(Power(), (Calls{"PowerCreateRequest BLIMO: ScreenSaver Off", "SetThreadExecutionState 80000002"}));
    main.RunCommand({CommandKind::OffUntil, 0, {}});  // a new reason: the state held still, never let go in between
    EXPECT_EQ(Power(), Calls{"PowerCreateRequest BLIMO: ScreenSaver Off until 12:00 AM"});
    main.Click("mnuOn");
    EXPECT_EQ(Power(), Calls{"SetThreadExecutionState 80000000"});
}

TEST_F(MainWindow, EverySwitchEndsTrueAndAPromiseIsKeptOnTimeWhateverCrossesIt) {
    Start("1");
    Recorder::duringBroadcast = [&] {  // a "/on" from the command line while the double click's Off is announced
        COPYDATASTRUCT on = {kCommandData, 3, const_cast<char*>("/on")};
        SendMessageA(main.Hwnd(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&on));
    };
    Tray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(Shown(), "on|ScreenSaver On||");
    EXPECT_EQ(saver.Get(), Sz("1"));
    EXPECT_EQ(main.SaverState, L"1");
    EXPECT_EQ(Power(), Calls{}) << "a hold made for an Off that did not last";
    main.RunCommand({CommandKind::OffFor, 1, {}});
    SendMessageA(main.Hwnd(), WM_APP + 1, kAlarmDue, 0);  // an alarm that waited behind this newer promise
    EXPECT_EQ(saver.Get(), Sz("0")) << "a stale alarm ended the promise";
    Command self(CommandKind::OffWhile);  // while this process runs
    self.process = GetCurrentProcessId();
    main.RunCommand(self);
    SendMessageA(main.Hwnd(), WM_APP + 1, kProcessEnded, 0);  // the end of a process waited for before
    EXPECT_EQ(saver.Get(), Sz("0")) << "a stale process end ended the promise";
    main.Unload();
    KeepPromisedOnTime(Now() + 10000000);  // a second ahead, while a message box holds the thread for two
    Start("0");
    std::jthread closer([] {  // closes the box two seconds on
        Sleep(2000);
        PostMessageA(FindWindowA("#32770", "Held open"), WM_COMMAND, IDOK, 0);
    });
    MessageBoxA(main.Hwnd(), "The promise's time passes meanwhile.", "Held open", MB_OK);
    EXPECT_EQ(saver.Get(), Sz("1")) << "the promise waited for the box";  // read before any other loop runs
    // The session's end stores the screensaver on, whatever would start at the next logon; an installer that closes
    // BLIMO sees it end as Exit does. Either way the promise stays stored for the next BLIMO.
    const Value approved{"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run", "BLIMO"};
    approved.Set(REG_BINARY, std::string("\3\0\0\0\0\0\0\0\0\0\0\0", 12));  // turned off in Task Manager
    const Calls stored = {"RegCreateKeyA Control Panel\\Desktop", "RegSetValueExA ScreenSaveActive 1"};  // and no broadcast
    for (auto [ending, how, autostart, saverAfter, calls] : {
             std::tuple<BOOL, LPARAM, std::string, const char*, Calls>{FALSE, 0, Ansi(AutoStartCommand()), "0", {}},
             {TRUE, ENDSESSION_LOGOFF, Ansi(AutoStartCommand()), "1", stored},
             {TRUE, 0, "\"C:\\Gone\\BLIMO.exe\"", "1", stored},  // shut down
             {TRUE, ENDSESSION_CLOSEAPP, "", "0", {"PowerClearRequest 0", "Shell_NotifyIconA 2", "ExitProcess 0"}}}) {
        SCOPED_TRACE(std::to_string(how) + " " + autostart);
        main.RunCommand({CommandKind::OffFor, 60, {}});
        run.Set(autostart.c_str());
        Recorder::calls.clear();
        SendMessageA(main.Hwnd(), WM_ENDSESSION, ending, how);
        EXPECT_EQ(saver.Get(), Sz(saverAfter));
        EXPECT_TRUE(until.Get().has_value()) << "the promise left";
        EXPECT_EQ(Recorder::calls, calls);
    }
    approved.Delete();
}

// Each window at the screen's DPI (96, 144, 192: ctest's unit, high_dpi, high_dpi_192), and again when told it moved to
// a monitor of each DPI, as only Windows tells it. The Downloader moves with its window and stays 32 pixels.
TEST(Layout, WindowsControlsAndFontsGrowWithTheScreensDpiAndWithTheMonitorsTheyMoveTo) {
    const int screen = ScreenDpi(LOGPIXELSX);
    ASSERT_EQ(screen, getenv("BLIMO_EXPECT_DPI") ? atoi(getenv("BLIMO_EXPECT_DPI")) : 96);
    Recorder rec;  // no real tray icon from this process
    frmMain main;
    using Box = std::array<long, 5>;  // x, y, width, height, font height; a window's own row: its client area
    const std::tuple<Form*, const char*, Box, Box, Box> rows[] = {  // at 96 DPI, at 144, at 192
        {&main, "cmdHelp", {256, 136, 73, 21, -11}, {384, 204, 110, 32, -16}, {512, 272, 146, 42, -21}},
        {&main, "About BLIMO", {0, 0, 337, 176}, {0, 0, 506, 264}, {0, 0, 674, 352}},
        {&frmOptions::Instance(), "Options", {0, 0, 397, 451}, {0, 0, 596, 677}, {0, 0, 794, 902}},
        {&frmOptions::Instance(), "hkyHotkey", {72, 192, 192, 25, -16}, {108, 288, 288, 38, -24}, {144, 384, 384, 50, -32}},
        {&frmUpdate::Instance(), "Check for Updates", {0, 0, 312, 165}, {0, 0, 468, 248}, {0, 0, 624, 330}},
        {&frmUpdate::Instance(), "lblUpdates", {0, 0, 313, 25, -18}, {0, 0, 470, 38, -27}, {0, 0, 626, 50, -36}},
        {&frmUpdate::Instance(), "Downloader1", {272, 128, 32, 32}, {408, 192, 32, 32}, {544, 256, 32, 32}}};
    for (auto [form, name, at96, at144, at192] : rows) {
        SCOPED_TRACE(name);
        if (!form->Loaded()) form->Load();
        EXPECT_EQ(GetWindowLongA(form->Hwnd(), GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), form == &main ? WS_MINIMIZEBOX : 0L);
        for (const int moved : {0, 192, 144, 96, screen}) {  // 0: as loaded
            RECT suggested = {40, 30, 50, 40};  // where Windows would put it on that monitor
            if (moved) SendMessageA(form->Hwnd(), WM_DPICHANGED, MAKEWPARAM(moved, moved), reinterpret_cast<LPARAM>(&suggested));
            const int dpi = moved ? moved : screen;
            const HWND item = form->Item(name);
            RECT r;
            if (item) GetWindowRect(item, &r);
            else GetClientRect(form->Hwnd(), &r);
            if (item) MapWindowPoints(nullptr, form->Hwnd(), reinterpret_cast<POINT*>(&r), 2);
            LOGFONTA lf = {};
            GetObjectA(reinterpret_cast<HFONT>(SendMessageA(item, WM_GETFONT, 0, 0)), sizeof lf, &lf);
            const Box& want = dpi == 96 ? at96 : dpi == 144 ? at144 : at192;
            // Wine keeps the frame at the screen's DPI whatever the window is told: its height shows at that DPI alone.
            if (!item && dpi != screen) r.bottom = r.top + want[3];
            const Box seen = {r.left, r.top, r.right - r.left, r.bottom - r.top, lf.lfHeight};
            EXPECT_EQ(seen, want) << dpi;
        }
    }
}

BOOL CALLBACK Collect(HWND w, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

// Every text whole in its control at the screen's DPI, in the control's own font: a label's or a box's words wrap only
// where the control is tall enough for their lines (a line of its own always shows), a box's beside its glyph, a button's inside its edges.
TEST(Layout, EveryTextIsWholeInItsControl) {
    Recorder rec;
    frmMain main;
    for (Form* form : std::initializer_list<Form*>{&main, &frmOptions::Instance(), &frmUpdate::Instance()}) {
        if (!form->Loaded()) form->Load();
        std::vector<HWND> items;
        EnumChildWindows(form->Hwnd(), Collect, reinterpret_cast<LPARAM>(&items));
        for (HWND item : items) {
            char cls[16] = {}, text[256] = {};
            GetClassNameA(item, cls, sizeof cls);
            if (!GetWindowTextA(item, text, sizeof text) || (lstrcmpiA(cls, "Static") && lstrcmpiA(cls, "Button"))) continue;
            const int dpi = ScreenDpi(LOGPIXELSX), kind = lstrcmpiA(cls, "Button") ? -1 : GetWindowLongA(item, GWL_STYLE) & BS_TYPEMASK;
            // Beside the text: a box's glyph and gap, a frame's corners, a button's edges (none beside a label's)
            const int beside = kind == BS_AUTOCHECKBOX ? 18 : kind == BS_GROUPBOX ? 16 : kind >= 0 ? 6 : 0;
            RECT r;
            GetClientRect(item, &r);
            r.right -= MulDiv(beside, dpi, 96);
            const LONG room = r.right, height = r.bottom;
            HDC dc = GetDC(item);
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(item, WM_GETFONT, 0, 0)));
            DrawTextA(dc, text, -1, &r, DT_CALCRECT | (kind == BS_AUTOCHECKBOX || kind < 0 ? DT_WORDBREAK : DT_SINGLELINE));
            TEXTMETRICA line = {};
            GetTextMetricsA(dc, &line);
            ReleaseDC(item, dc);
            EXPECT_LE(r.right, room) << text << " at " << dpi;
            EXPECT_LE(r.bottom, std::max(height, line.tmHeight)) << text << " at " << dpi;  // one line always shows
        }
    }
}

}  // namespace
