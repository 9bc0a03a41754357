// The windows, real under Wine, with the shell and the system parameter recorded; every window's
// layout at the screen's DPI (`unit` runs at 96 DPI, `high_dpi` on a screen of 144).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <functional>

#include "Support.h"
#include "app/CommandLine.h"
#include "app/frmMain.h"
#include "options/frmOptions.h"
#include "platform/Text.h"
#include "platform/UniqueHandle.h"
#include "res/BuildConfig.h"
#include "services/SaverSetting.h"
#include "update/frmUpdate.h"

namespace {

using Calls = std::vector<std::string>;
using std::wstring;
const std::string kOff = "off|ScreenSaver Off|Your ScreenSaver has been turned Off.|ScreenSaver Off";
const std::string kOn = "on|ScreenSaver On|Your ScreenSaver has been turned On.|ScreenSaver On";

// A promise `minutes` ahead as "OffUntil" stores it, and the clock it shows (the tests run in UTC, times as "h:mm tt").
std::pair<std::string, std::string> Ahead(int minutes) {
    const std::time_t at = std::time(nullptr) + minutes * 60;
    char stored[32], clock[16];
    std::strftime(stored, sizeof stored, "%Y-%m-%dT%H:%M:00Z", std::gmtime(&at));
    std::strftime(clock, sizeof clock, "%I:%M %p", std::gmtime(&at));
    return {stored, clock + (clock[0] == '0')};
}

struct MainWindow : ::testing::Test {
    void Start(const char* s, const char* b = nullptr) {  // none: absent
        saver.Set(s);
        bubbles.Set(b);
        main.Load();
    }
    void Tray(UINT mouse) { SendMessageA(main.Hwnd(), 0x8200, kTrayIconId, static_cast<LPARAM>(mouse)); }
    void Changed() { SendMessageA(main.Hwnd(), WM_APP + 1, 0, 0); }  // as the registry watch tells it
    // The display hold's calls since the last look.
    Calls Power() {
        Calls power = Recorder::Matching("Power");
        Recorder::calls.clear();
        return power;
    }
    // The last record sent as the user sees it: "icon|tip|balloon|balloon title".
    std::string Shown() {
        const TrayIconRecord& r = Recorder::trays.back().second;
        const char* icon = r.hIcon == StateIcon(IDI_ON) ? "on" : r.hIcon == StateIcon(IDI_OFF) ? "off" : "?";
        return icon + ("|" + std::string(r.szTip) + "|" + r.szInfo + "|" + r.szInfoTitle);
    }
    // The Options boxes as the dialog opens; then set so, and OK, which itself sends nothing to the shell.
    std::pair<bool, bool> Options(bool autostart, bool balloons) {
        options.Load();
        std::pair opened(options.Checked("chkAutoStart"), options.Checked("chkBubble"));
        options.SetChecked("chkAutoStart", autostart);
        options.SetChecked("chkBubble", balloons);
        Recorder::calls.clear();
        options.Click("cmdOK");
        EXPECT_FALSE(options.Loaded());
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

// Where none runs: ctest runs it in a process of its own, as no window of this one may have taken BLIMO's place.
TEST(CommandLine, WhereNoneRunsItSwitchesWithoutTakingThePlaceOfABlimoStartingMeanwhile) {
    ASSERT_FALSE(UniqueHandle(OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutex))) << "a BLIMO runs";
    const Value saver{"Control Panel\\Desktop", "ScreenSaveActive"};
    Recorder rec;
    saver.Set("1");
    EXPECT_EQ(CarryOut({CommandKind::Toggle, 0, {}}), std::optional(0));
    EXPECT_EQ(saver.Get(), Sz("0"));
    EXPECT_FALSE(UniqueHandle(OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutex))) << "the command line took BLIMO's place";
}

TEST_F(MainWindow, StartUpAddsTheIconThenASwitchWritesSetsTheSessionAndModifiesTheIconEvenWhereWritesFail) {
    Start("1");
    const auto& [message, r] = Recorder::trays.at(0);
    EXPECT_EQ(message, DWORD{NIM_ADD});
    EXPECT_EQ(r.cbSize, DWORD{sizeof(void*) == 4 ? 488 : 504});
    EXPECT_EQ(r.uFlags, 0x17u) << "message, icon, tip and balloon";
    EXPECT_EQ(r.uCallbackMessage, 0x8200u);
    EXPECT_EQ(Shown(), "on|BLIMO||");
    EXPECT_EQ(Recorder::trays.size(), 1u);
    EXPECT_FALSE(main.Visible());
    Recorder::calls.clear();
    main.Click("mnuOff");  // balloons are off: the tip alone says it; then the display is held
    EXPECT_EQ(Recorder::calls, (Calls{"RegCreateKeyA Control Panel\\Desktop", "RegSetValueExA ScreenSaveActive 0",
                                      "SystemParametersInfoA 17 0 3", "Shell_NotifyIconA 1",
                                      "PowerCreateRequest BLIMO: ScreenSaver Off", "PowerSetRequest 0"}));
    EXPECT_EQ(Shown(), "off|ScreenSaver Off||");
    EXPECT_EQ(main.Icon(), StateIcon(IDI_OFF));
    EXPECT_EQ(main.SaverState, L"0");
    main.Click("mnuOn");
    EXPECT_EQ(Recorder::calls.end()[-3], "SystemParametersInfoA 17 1 3");
    EXPECT_EQ(Shown(), "on|ScreenSaver On||");
    EXPECT_EQ(main.SaverState, L"1");
    Recorder::failWrites = true;  // a registry that refuses: the icon and state change all the same
    main.Click("mnuOff");
    EXPECT_EQ(main.SaverState, L"0");
    EXPECT_EQ(main.Icon(), StateIcon(IDI_OFF));
    EXPECT_EQ(Shown(), "off|ScreenSaver Off||");
    EXPECT_EQ(saver.Get(), Sz("1"));
    ShowTrayBalloon(wstring(300, L'i'), wstring(200, L'h'));  // cut to their fields, the NUL kept
    EXPECT_EQ(Shown(), "off|" + std::string(127, 'h') + "|" + std::string(255, 'i') + "|" + std::string(63, 'h'));
}

TEST_F(MainWindow, WithBalloonsOnEachSwitchSaysWhichWayItWentAndTheOptionTurnsThemOffAndOn) {
    Start("1", "1");
    for (auto [item, shown] : {std::pair("mnuOff", kOff), {"mnuOn", kOn}, {"mnuOn", kOn}}) {
        main.Click(item);
        EXPECT_EQ(Shown(), shown) << item;
    }
    EXPECT_EQ(Recorder::Matching("RegSet").size(), 3u);
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
    Options(false, true);  // with no entry to remove, only "Bubbles" is written
    EXPECT_EQ(Recorder::Matching("RegSet"), Calls{"RegSetValueExA Bubbles 1"});
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
    for (int i = 0; i < 5; ++i) Tray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(Recorder::openKeys, 0) << "a key left open";
    EXPECT_EQ(main.SaverState, L"1");
    EXPECT_EQ(saver.Get(), Sz("1"));
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
    EXPECT_EQ(Recorder::trays.back().first, DWORD{NIM_ADD});
    EXPECT_EQ(Shown(), "on|ScreenSaver On||ScreenSaver On");
    Pump(2100);
    EXPECT_EQ(adds(0), 63u) << "a retry timer still runs";
}

TEST_F(MainWindow, AboutTwiceStaysHelpWithoutItsFileSaysNothingAndExitTakesTheIconAwayItself) {
    Start("1");
    main.Click("mnuAbout");
    main.Click("mnuAbout");  // again while it is shown: it stays
    EXPECT_TRUE(main.Visible());
    char module[MAX_PATH] = {};
    const std::string beside(module, GetModuleFileNameA(nullptr, module, MAX_PATH) - strlen("blimo_tests.exe"));
    const bool built = MoveFileA((beside + "blimo.chm").c_str(), (beside + "blimo.chm.aside").c_str());
    Recorder::calls.clear();
    main.Click("cmdHelp");  // none beside the program (one there comes first: test_journeys.py): where setup puts it
    if (built) MoveFileA((beside + "blimo.chm.aside").c_str(), (beside + "blimo.chm").c_str());
    main.Click("mnuExit");  // the recorder answers Help as for a missing file
    EXPECT_EQ(Recorder::calls, (Calls{"HtmlHelpA " BLIMO_HELP_FILE, "Shell_NotifyIconA 2", "ExitProcess 0"}));
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
    EXPECT_EQ(main.RunCommand({CommandKind::Off, 0, {}}), 3);
    EXPECT_EQ(CarryOut({CommandKind::Off, 0, {}}), std::optional(3));
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
    policy.Delete();
    // An older BLIMO that does not handle the command answers 0, as for a window of any other kind.
    const LONG_PTR proc = SetWindowLongPtrA(main.Hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    EXPECT_EQ(CarryOut({CommandKind::On, 0, {}}), std::optional(4)) << "an unanswered command passed for done";
    SetWindowLongPtrA(main.Hwnd(), GWLP_WNDPROC, proc);  // a wrong line's box: test_command_line.py
}

TEST_F(MainWindow, AtStartAPromiseAheadIsKeptAndOneThatCannotBeRightIsDueAndRemoved) {
    const auto [ahead, clock] = Ahead(10);
    const std::string on = "on|ScreenSaver On||", tooFar = Ahead(kLongestStoredMinutes + 2).first;  // 25 hours at most
    // "OffUntil" (none: absent), "ScreenSaveActive" before, read as 0 (long due), shown, kept, after
    for (auto [stored, saverBefore, unreadable, shown, kept, saverAfter] : {
             std::tuple<const char*, const char*, bool, std::string, bool, const char*>{
                 nullptr, "0", false, "off|BLIMO||", false, "0"},  // no promise
             {ahead.c_str(), "0", false, "off|ScreenSaver Off until " + clock + "||", true, "0"},
             {"2020-01-01T00:00:00Z", "0", false, on, false, "1"},  // its time came while none ran
             {"2026-02-31T10:00:00Z", "0", true, on, false, "1"},
             {"2026-02-29T10:00:00Z", "0", true, on, false, "1"},  // Wine takes it for March 1st
             {"garbage", "0", true, on, false, "1"},
             {"", "0", true, on, false, "1"},
             {tooFar.c_str(), "0", true, on, false, "1"},
             {"garbage", "1", true, "on|BLIMO||", false, "1"}}) {  // on already: only removed
        SCOPED_TRACE(stored ? "\"" + std::string(stored) + "\"" : "none");
        until.Set(stored);
        const std::optional<uint64_t> read = PromisedOnTime();
        Start(saverBefore);
        EXPECT_EQ(read == 0u, unreadable) << "read as long due";
        EXPECT_EQ(Shown(), shown);
        EXPECT_EQ(until.Get().has_value(), kept) << "the stored time kept";
        EXPECT_EQ(saver.Get(), Sz(saverAfter));
        main.Unload();
    }
}

// Stored (none: this process's identity; its number with another time: another process), ScreenSaveActive before, shown, kept
TEST_F(MainWindow, AtStartTheStoredProcessIsWaitedForOnlyWhileThatVeryProcessRuns) {
    for (auto [text, saverBefore, shown, kept] : {
             std::tuple<std::string, const char*, std::string, bool>{"", "0", "off|ScreenSaver Off while blimo_tests.exe runs||", true},
             {std::to_string(GetCurrentProcessId()) + " 0000000000000001", "0", "on|ScreenSaver On||", false},
             {"garbage", "1", "on|BLIMO||", false}}) {  // switched on meanwhile: only removed
        SCOPED_TRACE("\"" + text + "\" with ScreenSaveActive " + saverBefore);
        text.empty() ? KeepPromisedProcess(GetCurrentProcess()) : stored.Set(text.c_str());
        Start(saverBefore);
        EXPECT_EQ(Shown(), shown);
        EXPECT_EQ(std::ranges::count(Power(), "PowerSetRequest 0"), kept) << "the display held";
        EXPECT_EQ(stored.Get().has_value(), kept) << "the stored process kept";
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
    main.Click("mnuOn");
    EXPECT_EQ(Shown(), "on|ScreenSaver On||");
    EXPECT_EQ(until.Get(), std::nullopt) << "a switch by hand left the promise";
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

// Wine's relay log shows the real program's hold end to end (test_hold.py); here, the paths it cannot reach.
TEST_F(MainWindow, AnOffMadeHereHoldsTheDisplayInTheTipsWordsUntilItIsOnAgainAndNeverAgainstTheAdministrator) {
    const auto [ahead, clock] = Ahead(10);
    until.Set(ahead.c_str());
    Start("0");  // a promise still ahead at start-up holds, with the tooltip's words as the reason
    EXPECT_EQ(Power(), (Calls{"PowerCreateRequest BLIMO: ScreenSaver Off until " + clock, "PowerSetRequest 0"}));
    const Calls held = {"PowerCreateRequest BLIMO: ScreenSaver Off", "PowerSetRequest 0"};
    main.Click("mnuOff");  // the promise ends: the new hold is made before the old one goes
    EXPECT_EQ(Power(), (Calls{held[0], held[1], "PowerClearRequest 0"}));
    for (auto [value, data] : {std::pair(&saver, "1"), {&policy, "0"}, {nullptr, "Exit"}}) {
        SCOPED_TRACE(data);
        if (value) value->Set(data);
        if (value) Changed();
        else main.Click("mnuExit");
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
    const char* ours = "Software\\Policies\\Fenwa Inc\\BLIMO";  // the machine's inactivity limit: test_hold.py
    const Value keep{"Software\\Fenwa Inc\\BLIMO", "KeepDisplayOn"}, userPolicy{ours, "KeepDisplayOn"};
    keep.Set("0");
    EXPECT_FALSE(offHolds()) << "held although the user's KeepDisplayOn is \"0\"";
    userPolicy.Set(DWORD{1});
    EXPECT_TRUE(offHolds()) << "the policy's 1 decides, not the user's \"0\"";
    keep.Delete();  // the computer's policy before the user's: test_update.py
    userPolicy.Delete();
}

// Closes the message box the promise test holds open, noting the stored value while it was up.
std::optional<std::pair<DWORD, std::string>> seenUnderTheBox;
void CALLBACK CloseTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    seenUnderTheBox = Value{"Control Panel\\Desktop", "ScreenSaveActive"}.Get();
    PostMessageA(FindWindowA("#32770", "Held open"), WM_COMMAND, IDOK, 0);
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
    main.Unload();
    KeepPromisedOnTime(Now() + 10000000);  // a second ahead, while a message box holds the thread for two
    Start("0");
    SetTimer(nullptr, 0, 2000, CloseTheBox);
    MessageBoxA(main.Hwnd(), "The promise's time passes meanwhile.", "Held open", MB_OK);
    EXPECT_EQ(seenUnderTheBox, Sz("1")) << "the promise waited for the box";
    for (const bool autostart : {true, false}) {  // the session ends with a promise: kept by the next BLIMO, if one starts
        SCOPED_TRACE(autostart ? "with autostart" : "without autostart");
        main.RunCommand({CommandKind::OffFor, 60, {}});
        run.Set(autostart ? Ansi(AutoStartCommand()).c_str() : nullptr);
        SendMessageA(main.Hwnd(), WM_ENDSESSION, TRUE, 0);
        EXPECT_EQ(saver.Get(), Sz(autostart ? "0" : "1"));
        EXPECT_EQ(until.Get().has_value(), autostart);
    }
}

TEST(Layout, WindowsControlsAndFontsGrowWithTheScreensDpi) {
    const bool large = ScreenDpi(LOGPIXELSX) == 144;
    ASSERT_EQ(ScreenDpi(LOGPIXELSX), getenv("BLIMO_EXPECT_DPI") ? 144 : 96);
    Recorder rec;  // no real tray icon from this process
    frmMain main;
    Form* const options = &frmOptions::Instance();
    Form* const update = &frmUpdate::Instance();
    using Box = std::array<long, 5>;  // x, y, width, height, font height; a window's own row: its client area
    const std::tuple<Form*, const char*, Box, Box> rows[] = {  // at 96 DPI, at 144
        {&main, "cmdHelp", {256, 136, 73, 21, -11}, {384, 204, 110, 32, -16}},
        {&main, "lblVersion", {0, 64, 337, 25, -18}, {0, 96, 506, 38, -27}},
        {&main, "About BLIMO", {0, 0, 337, 176}, {0, 0, 506, 264}},
        {options, "chkBubble", {0, 96, 401, 33, -16}, {0, 144, 602, 50, -24}},
        {options, "Options", {0, 0, 397, 181}, {0, 0, 596, 272}},
        {update, "lblSVLabel", {80, 72, 72, 13, -11}, {120, 108, 108, 20, -16}},
        {update, "Check for Updates", {0, 0, 312, 165}, {0, 0, 468, 248}}};
    for (auto [form, name, at96, at144] : rows) {
        SCOPED_TRACE(name);
        if (!form->Loaded()) form->Load();
        const HWND item = form->Item(name);
        RECT r;
        if (item) GetWindowRect(item, &r);
        else GetClientRect(form->Hwnd(), &r);
        if (item) MapWindowPoints(nullptr, form->Hwnd(), reinterpret_cast<POINT*>(&r), 2);
        LOGFONTA lf = {};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(item, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        const Box seen = {r.left, r.top, r.right - r.left, r.bottom - r.top, lf.lfHeight};
        EXPECT_EQ(seen, large ? at144 : at96);
    }
}

}  // namespace
