// The windows, real under Wine, with the shell and the system parameter recorded; every window's
// layout at the screen's DPI (`unit` runs at 96 DPI, `high_dpi` on a screen of 144).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "Support.h"
#include "app/CommandLine.h"
#include "app/frmMain.h"
#include "options/frmOptions.h"
#include "platform/Text.h"
#include "platform/UniqueHandle.h"
#include "res/BuildConfig.h"
#include "res/frmMainLayout.h"
#include "res/frmOptionsLayout.h"
#include "res/frmUpdateLayout.h"
#include "services/SaverSetting.h"
#include "update/frmUpdate.h"

namespace {

using Calls = std::vector<std::string>;
using std::wstring;
const std::string kOff = "off|ScreenSaver Off|Your ScreenSaver has been turned Off.|ScreenSaver Off";
const std::string kOn = "on|ScreenSaver On|Your ScreenSaver has been turned On.|ScreenSaver On";

struct MainWindow : ::testing::Test {
    void Start(const char* s, const char* b = nullptr) { saver.Set(s), bubbles.Set(b), main.Load(); }  // none: absent
    void Tray(UINT mouse) { SendMessageA(main.Hwnd(), 0x8200, kTrayIconId, static_cast<LPARAM>(mouse)); }
    void Changed() { SendMessageA(main.Hwnd(), WM_APP + 1, 0, 0); }  // as the registry watch tells it
    // The display hold's calls since the last look.
    Calls Power() {
        Calls power = Recorder::Matching("Power");
        for (const std::string& call : Recorder::Matching("SetThreadExecutionState")) power.push_back(call);
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
        options.SetChecked("chkAutoStart", autostart), options.SetChecked("chkBubble", balloons);
        Recorder::calls.clear();
        options.Click("cmdOK");
        EXPECT_EQ(std::tuple(options.Loaded(), Recorder::Matching("Shell")), std::tuple(false, Calls{}));
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

TEST_F(MainWindow, StartUpAddsTheIconThenASwitchWritesSetsTheSessionAndModifiesTheIcon) {
    Start("1");
    const auto& [message, r] = Recorder::trays.at(0);
    EXPECT_EQ(std::tuple(message, r.cbSize, r.hWnd, r.uID, r.uFlags, r.uCallbackMessage, r.uTimeout, Shown()),
              std::tuple(DWORD{NIM_ADD}, DWORD{sizeof(void*) == 4 ? 488 : 504}, main.Hwnd(), 1u, 0x17u, 0x8200u, 0u,
                         "on|BLIMO||"));
    EXPECT_EQ(std::tuple(Recorder::trays.size(), main.Text("lblVersion"), main.Visible()),
              std::tuple(1u, L"Version 1.01", false));
    Recorder::calls.clear();
    main.Click("mnuOff");  // balloons are off: the tip alone says it; then the display is held
    EXPECT_EQ(Recorder::calls, (Calls{"RegCreateKeyA Control Panel\\Desktop", "RegSetValueExA ScreenSaveActive 0",
                                      "SystemParametersInfoA 17 0 3", "Shell_NotifyIconA 1",
                                      "PowerCreateRequest BLIMO: ScreenSaver Off", "PowerSetRequest 0"}));
    EXPECT_EQ(std::tuple(Shown(), main.Icon(), main.SaverState),
              std::tuple("off|ScreenSaver Off||", StateIcon(IDI_OFF), wstring(L"0")));
    main.Click("mnuOn");
    EXPECT_EQ(std::tuple(Recorder::calls.end()[-3], Shown(), main.SaverState),
              std::tuple("SystemParametersInfoA 17 1 3", "on|ScreenSaver On||", wstring(L"1")));
    ShowTrayBalloon(wstring(300, L'i'), wstring(200, L'h'));  // cut to their fields, the NUL kept
    EXPECT_EQ(Shown(), "on|" + std::string(127, 'h') + "|" + std::string(255, 'i') + "|" + std::string(63, 'h'));
}

TEST_F(MainWindow, WithBalloonsOnEachSwitchSaysWhichWayItWentAndTheOptionTurnsThemOffAndOn) {
    Start("1", "1");
    Calls seen;
    for (const char* item : {"mnuOff", "mnuOn", "mnuOn"}) main.Click(item), seen.push_back(Shown());
    EXPECT_EQ(std::tuple(seen, Recorder::Matching("RegSet").size()), std::tuple(Calls{kOff, kOn, kOn}, 3u));
    run.Set("C:\\Old Folder\\BLIMO.exe");  // another folder's entry counts as on; OK puts this program in
    bubbles.Set("0");                        // edited behind the program's back: the box shows what it uses
    EXPECT_EQ(Options(true, false), std::pair(true, true));  // a balloon on screen: the next switch takes it down
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ(std::tuple(run.Get(), bubbles.Get()), std::tuple(Sz("\"" + std::string(module) + "\""), Sz("0")));
    main.Click("mnuOff");
    EXPECT_EQ(Shown(), "off|ScreenSaver Off||ScreenSaver On");  // a title without a text shows nothing
    Options(false, true);  // on again: no old balloon comes back; the next switch shows its own
    EXPECT_EQ(std::tuple(run.Get(), TrayIconData.szInfo[0]), std::tuple(std::nullopt, '\0'));
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
    // Thousands more (ten thousand in `make faults`) leave no key open and the last state stored.
    for (int i = getenv("BLIMO_FULL_FAULTS") ? 10001 : 1001; i > 0; --i) Tray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(std::tuple(Recorder::openKeys, main.SaverState, saver.Get()), std::tuple(0, wstring(L"1"), Sz("1")));
}

TEST_F(MainWindow, ARegistryThatRefusesOrLacksTheKeyStillGetsTheIconAndStateChanged) {
    Start("1");
    Recorder::failWrites = true;
    main.Click("mnuOff");
    EXPECT_EQ(std::tuple(main.SaverState, main.Icon(), Shown(), saver.Get()),
              std::tuple(wstring(L"0"), StateIcon(IDI_OFF), "off|ScreenSaver Off||", Sz("1")));
    Recorder::failWrites = false;
    HKEY aside, desktop;  // a profile without "Control Panel\Desktop": the switch makes it; its values wait aside
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\BLIMO unit tests", &aside), ERROR_SUCCESS);
    ASSERT_EQ(RegCopyTreeA(HKEY_CURRENT_USER, "Control Panel\\Desktop", aside), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Control Panel\\Desktop"), ERROR_SUCCESS);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop");
    main.Click("mnuOn");
    const auto stored = saver.Get();
    RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop);
    RegCopyTreeA(aside, nullptr, desktop), RegCloseKey(desktop), RegCloseKey(aside);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\BLIMO unit tests");
    EXPECT_EQ(std::tuple(stored, Recorder::openKeys), std::tuple(Sz("1"), 0));
}

TEST_F(MainWindow, TheIconComesBackOnceTheAreaIsThereAndAfterTheShellRestartsWithoutAnOldBalloon) {
    Recorder::failAdds = 1;  // no notification area yet at start-up
    Start("0", "1");
    Pump(2400);  // tried again two seconds later, and taken
    ASSERT_EQ(Recorder::Matching("Shell_NotifyIconA 0").size(), 2u);
    main.Click("mnuOn");  // a balloon on screen
    SendMessageA(main.Hwnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(std::tuple(Recorder::trays.back().first, Shown()),
              std::tuple(DWORD{NIM_ADD}, "on|ScreenSaver On||ScreenSaver On"));
    Pump(2200);
    EXPECT_EQ(Recorder::Matching("Shell_NotifyIconA 0").size(), 3u) << "a retry timer still runs";
}

TEST_F(MainWindow, AboutTwiceStaysHelpWithoutItsFileSaysNothingAndExitTakesTheIconAwayItself) {
    Start("1");
    main.Click("mnuAbout"), main.Click("mnuAbout");  // About again while it is shown: it stays
    EXPECT_TRUE(main.Visible());
    char module[MAX_PATH] = {};
    const std::string beside(module, GetModuleFileNameA(nullptr, module, MAX_PATH) - strlen("blimo_tests.exe"));
    const bool built = MoveFileA((beside + "blimo.chm").c_str(), (beside + "blimo.chm.aside").c_str());
    Recorder::calls.clear();
    main.Click("cmdHelp");  // none beside the program: where setup puts it
    CloseHandle(CreateFileA((beside + "blimo.chm").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    main.Click("cmdHelp");  // one beside the program comes first
    DeleteFileA((beside + "blimo.chm").c_str());
    if (built) MoveFileA((beside + "blimo.chm.aside").c_str(), (beside + "blimo.chm").c_str());
    main.Click("mnuExit");  // the recorder answers Help as for a missing file
    EXPECT_EQ(Recorder::calls, (Calls{"HtmlHelpA " BLIMO_HELP_FILE, "HtmlHelpA " + beside + "blimo.chm",
                                      "Shell_NotifyIconA 2", "ExitProcess 0"}));
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
        where->Set(value), Recorder::calls.clear();
        SendMessageA(main.Hwnd(), message, message == WM_SETTINGCHANGE ? SPI_SETSCREENSAVEACTIVE : 0, 0);
        EXPECT_EQ(std::tuple(Shown(), Recorder::Matching("Reg")), std::tuple(shown, Calls{})) << value;
    }
    Recorder::calls.clear();
    Tray(WM_LBUTTONDBLCLK);
    const int refused = main.RunCommand({CommandKind::Off, 0, {}});
    EXPECT_EQ(std::tuple(refused, CarryOut({CommandKind::Off, 0, {}}), Shown(), TrayIconData.dwInfoFlags, Recorder::calls.size()),
              std::tuple(3, std::optional(3), "on|ScreenSaver On" + admin + "|Your administrator has turned the screensaver "
                         "On. It cannot be switched here.|ScreenSaver set by your administrator", DWORD{NIIF_WARNING}, 2u));
    EXPECT_EQ(CarryOut({CommandKind::OffRun, 0, {}}), std::optional(3)) << "a program started (or tried) under the policy";
    policy.Delete();
    // An older BLIMO that does not handle the command answers 0, as for a window of any other kind.
    const LONG_PTR proc = SetWindowLongPtrA(main.Hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    EXPECT_EQ(CarryOut({CommandKind::On, 0, {}}), std::optional(4)) << "an unanswered command passed for done";
    SetWindowLongPtrA(main.Hwnd(), GWLP_WNDPROC, proc);
    CarryOut({CommandKind::Wrong, 0, "x"});
    EXPECT_TRUE(Recorder::calls.back().starts_with("MessageBoxA BLIMO 48 x\r\n\r\nUsage: BLIMO.exe")) << Recorder::calls.back();
}

TEST_F(MainWindow, AtStartAPromiseAheadIsKeptAndOneThatCannotBeRightIsDueAndRemoved) {
    const std::string on = "on|ScreenSaver On||", off = "off|ScreenSaver Off until ";  // a kept promise's clock after
    // Stored (none: deleted, or `minutes` from now), "ScreenSaveActive" before, read as 0 (long due), shown, kept, after
    for (auto [stored, minutes, saverBefore, unreadable, shown, kept, saverAfter] : {
             std::tuple<const char*, int, const char*, bool, std::string, bool, const char*>{
                 nullptr, 0, "0", false, "off|BLIMO||", false, "0"},  // no promise
             {nullptr, 10, "0", false, off, true, "0"},
             {"2020-01-01T00:00:00Z", 0, "0", false, on, false, "1"},  // its time came while none ran
             {"2026-02-31T10:00:00Z", 0, "0", true, on, false, "1"},
             {"2026-02-29T10:00:00Z", 0, "0", true, on, false, "1"},  // Wine takes it for March 1st
             {"garbage", 0, "0", true, on, false, "1"},
             {nullptr, kLongestStoredMinutes + 2, "0", true, on, false, "1"},
             {"garbage", 0, "1", true, "on|BLIMO||", false, "1"}}) {  // on already: only removed
        SCOPED_TRACE(stored ? "\"" + std::string(stored) + "\"" : std::to_string(minutes) + " minutes ahead");
        if (minutes) KeepPromisedOnTime(Now() + minutes * kTicksPerMinute);
        else until.Set(stored);
        const std::optional<uint64_t> read = PromisedOnTime();
        Start(saverBefore);
        EXPECT_EQ(read == 0u, unreadable) << "read as long due";
        EXPECT_EQ(Shown(), shown + (kept ? Ansi(LocalClockText(*read)) + "||" : ""));
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
    main.RunCommand({CommandKind::OffUntil, 0, {}});  // till midnight, shown in the user's format
    EXPECT_EQ(Shown(), "off|ScreenSaver Off until " + Ansi(LocalClockText(NextClockTime(0, Now()))) + "||");
    main.Click("mnuOn");
    EXPECT_EQ(std::tuple(Shown(), until.Get()), std::tuple("on|ScreenSaver On||", std::nullopt));
    Command self(CommandKind::OffWhile);  // while this process runs
    self.process = GetCurrentProcessId();
    main.RunCommand(self);
    Recorder::calls.clear();
    main.Click("mnuExit");  // switched on first: no one would be left to do it
    EXPECT_EQ(std::tuple(Recorder::Matching("S"), stored.Get()),
              std::tuple(Calls{"SystemParametersInfoA 17 1 3", "Shell_NotifyIconA 2"}, std::nullopt));
}

TEST_F(MainWindow, AnOffMadeHereHoldsTheDisplayUntilTheScreensaverIsOnAgainByAnyPath) {
    Start("0");
    EXPECT_EQ(Power(), Calls{}) << "an Off found at start-up holds nothing";
    const Calls held = {"PowerCreateRequest BLIMO: ScreenSaver Off", "PowerSetRequest 0"};
    const Calls released = {"PowerClearRequest 0"};
    const std::pair<const char*, std::function<void()>> paths[] = {  // an Off, then the way back on
        {"menu", [&] { main.Click("mnuOff"); }},
        {"menu", [&] { main.Click("mnuOn"); }},
        {"/toggle", [&] { main.RunCommand({CommandKind::Toggle, 0, {}}); }},
        {"made elsewhere", [&] { saver.Set("1"), Changed(); }},
        {"menu", [&] { main.Click("mnuOff"); }},
        {"a policy", [&] { policy.Set("0"), Changed(); }},
    };
    for (size_t i = 0; i < std::size(paths); i += 2) {
        SCOPED_TRACE(std::string(paths[i].first) + ", then " + paths[i + 1].first);
        paths[i].second();
        EXPECT_EQ(Power(), held);
        paths[i + 1].second();
        EXPECT_EQ(Power(), released);
    }
    policy.Delete();
    Changed();
    main.Click("mnuOff");
    saver.Set("0");  // an Off made elsewhere after BLIMO's keeps the hold; one after a change elsewhere gets none
    Changed();
    main.Click("mnuExit");
    EXPECT_EQ(Power(), (Calls{"PowerCreateRequest BLIMO: ScreenSaver Off", "PowerSetRequest 0", "PowerClearRequest 0"}));
}

TEST_F(MainWindow, AHeldDisplaySaysUntilWhenAndIsNeverHeldAgainstTheAdministratorOrTheUser) {
    KeepPromisedOnTime(Now() + 10 * kTicksPerMinute);
    Start("0");  // a promise still ahead at start-up holds, with the tooltip's words
    const std::string reason = "PowerCreateRequest BLIMO: " + std::string(TrayIconData.szTip);
    EXPECT_EQ(Power(), (Calls{reason, "PowerSetRequest 0"}));
    main.Click("mnuOff");  // the promise ends: the new hold is made before the old one goes
    EXPECT_EQ(Power(), (Calls{"PowerCreateRequest BLIMO: ScreenSaver Off", "PowerSetRequest 0", "PowerClearRequest 0"}));
    main.Click("mnuOn");
    Recorder::noPowerRequests = true;  // as under Wine: the thread's execution state instead
    main.Click("mnuOff");
    main.Click("mnuOn");
    EXPECT_EQ(Power(), (Calls{"PowerClearRequest 0", "PowerCreateRequest BLIMO: ScreenSaver Off",
                              "SetThreadExecutionState 80000002", "SetThreadExecutionState 80000000"}));
    Recorder::noPowerRequests = false;
    const auto offHolds = [&] {
        Recorder::calls.clear();
        main.Click("mnuOff");
        const bool holds = !Recorder::Matching("PowerSetRequest").empty();
        EXPECT_EQ(saver.Get(), Sz("0")) << "the screensaver still switches";
        main.Click("mnuOn");
        return holds;
    };
    const char* ours = "Software\\Policies\\Fenwa Inc\\BLIMO";
    const Value limit{"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "InactivityTimeoutSecs",
                      HKEY_LOCAL_MACHINE};
    const Value keep{"Software\\Fenwa Inc\\BLIMO", "KeepDisplayOn"}, userPolicy{ours, "KeepDisplayOn"};
    const Value machinePolicy{ours, "KeepDisplayOn", HKEY_LOCAL_MACHINE};
    limit.Set(DWORD{900});
    EXPECT_FALSE(offHolds()) << "held against the machine's inactivity limit";
    limit.Delete();
    keep.Set("0");
    EXPECT_FALSE(offHolds()) << "held although the user's KeepDisplayOn is \"0\"";
    userPolicy.Set(DWORD{1});
    EXPECT_TRUE(offHolds()) << "the policy's 1 decides, not the user's \"0\"";
    machinePolicy.Set(DWORD{0});
    EXPECT_FALSE(offHolds()) << "the computer's policy decides before the user's";
    for (const Value* v : {&limit, &keep, &userPolicy, &machinePolicy}) v->Delete();
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

TEST(Layout, EveryWindowAndControlAndFontIsItsDesignedSizeAtTheScreensDpi) {
    const int dpi = ScreenDpi(LOGPIXELSX);
    ASSERT_EQ(dpi, getenv("BLIMO_EXPECT_DPI") ? atoi(getenv("BLIMO_EXPECT_DPI")) : 96);
    const auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
    Recorder rec;  // no real tray icon from this process
    frmMain main;
    const std::pair<Form*, const FormDef*> windows[] = {
        {&main, &kMainLayout}, {&frmOptions::Instance(), &kOptionsLayout}, {&frmUpdate::Instance(), &kUpdateLayout}};
    for (auto [form, def] : windows) {
        SCOPED_TRACE(Ansi(def->caption));
        form->Load();
        for (const ControlDef& c : def->controls) {
            SCOPED_TRACE(c.name);
            HWND item = form->Item(c.name);
            ASSERT_NE(item, nullptr);
            if (c.kind == ControlKind::Image || c.kind == ControlKind::UserControl) continue;  // pictures keep their pixels
            RECT r;
            GetWindowRect(item, &r);
            MapWindowPoints(nullptr, form->Hwnd(), reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(std::tuple(r.left, r.top, r.right - r.left, r.bottom - r.top),
                      std::tuple(px(c.left), px(c.top), px(c.width), px(c.height)));
            LOGFONTA lf;  // the font grows with the box, so text that fits at 96 DPI fits at any
            GetObjectA(reinterpret_cast<HFONT>(SendMessageA(item, WM_GETFONT, 0, 0)), sizeof lf, &lf);
            EXPECT_EQ(lf.lfHeight, -MulDiv(c.font.face ? c.font.hundredthsOfPoint : 800, dpi, 7200));
        }
        RECT client;  // with its controls (and menu bar), as a hidden window that leaves them has them once asked
        GetClientRect(form->Hwnd(), &client);
        EXPECT_EQ(std::tuple(client.right, client.bottom), std::tuple(px(def->clientWidth), px(def->clientHeight)));
        form->Unload();
    }
}

}  // namespace
