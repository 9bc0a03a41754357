// The main window and the Options dialog on real windows under Wine, the shell and the system
// parameter recorded: the tray record, the switch and its order, balloons and the option that
// turns them on and off, the tray callback's decoding, a registry that refuses, the icon's
// return, Exit.
#include <gtest/gtest.h>

#include <tuple>

#include "Support.h"
#include "app/frmMain.h"
#include "options/frmOptions.h"
#include "res/BuildConfig.h"

namespace {

using Calls = std::vector<std::string>;
const std::string kOff = "off|ScreenSaver Off|Your ScreenSaver has been turned Off.|ScreenSaver Off";
const std::string kOn = "on|ScreenSaver On|Your ScreenSaver has been turned On.|ScreenSaver On";

struct MainWindow : ::testing::Test {
    void Start(const char* saverText, const char* bubblesText = nullptr) {
        saverText ? saver.Set(saverText) : saver.Delete();
        bubblesText ? bubbles.Set(bubblesText) : bubbles.Delete();
        main.Load();
    }
    void Tray(UINT mouse) { SendMessageA(main.Hwnd(), WM_MOUSEMOVE, 0, static_cast<LPARAM>(mouse)); }
    // The last record sent as the user sees it: "icon|tip|balloon|balloon title".
    std::string Shown() {
        const TrayIconRecord& r = Recorder::trays.back().second;
        const char* icon = r.hIcon == StateIcon(IDI_ON) ? "on" : r.hIcon == StateIcon(IDI_OFF) ? "off" : "?";
        return icon + ("|" + std::string(r.szTip) + "|" + r.szInfo + "|" + r.szInfoTitle);
    }
    // The Options dialog with its boxes set so, closed by OK, which itself sends nothing to the shell.
    void Options(bool autostart, bool balloons) {
        options.Load();
        options.SetChecked("chkAutoStart", autostart);
        options.SetChecked("chkBubble", balloons);
        Recorder::calls.clear();
        options.Click("cmdOK");
        EXPECT_FALSE(options.Loaded());
        EXPECT_EQ(Recorder::Matching("Shell"), Calls{});
    }

    Recorder rec;
    const Value saver{"Control Panel\\Desktop", "ScreenSaveActive"}, bubbles{"Software\\Fenwa Inc\\BLIMO", "Bubbles"},
        run{"Software\\Microsoft\\Windows\\CurrentVersion\\Run", "BLIMO"};
    frmMain main;
    frmOptions& options = frmOptions::Instance();
};

TEST_F(MainWindow, StartUpAddsTheIconThenASwitchWritesSetsTheSessionAndModifiesTheIcon) {
    Start("1");
    ASSERT_EQ(Recorder::trays.size(), 1u);
    const auto& [message, r] = Recorder::trays[0];
    EXPECT_EQ(std::tuple(message, r.cbSize, r.hWnd, r.uID, r.uFlags, r.uCallbackMessage, r.uTimeout),
              std::tuple(DWORD{NIM_ADD}, DWORD{sizeof(void*) == 4 ? 488 : 504}, main.Hwnd(), 1u, 0x17u, 0x200u, 0u));
    EXPECT_EQ(Shown(), "on|BLIMO||");
    EXPECT_EQ(std::tuple(main.Text("lblVersion"), main.Visible()), std::tuple(L"Version 1.01", false));
    Recorder::calls.clear();
    main.Click("mnuOff");  // balloons are off: the tip alone says it
    EXPECT_EQ(Recorder::calls, (Calls{"RegCreateKeyA Control Panel\\Desktop", "RegSetValueExA ScreenSaveActive 0",
                                      "SystemParametersInfoA 17 0 3", "Shell_NotifyIconA 1"}));
    EXPECT_EQ(std::tuple(Shown(), main.Icon(), main.SaverState),
              std::tuple("off|ScreenSaver Off||", StateIcon(IDI_OFF), std::wstring(L"0")));
    main.Click("mnuOn");
    EXPECT_EQ(std::tuple(Recorder::calls.end()[-2], Shown(), main.SaverState),
              std::tuple("SystemParametersInfoA 17 1 3", "on|ScreenSaver On||", std::wstring(L"1")));
    SetTrayTip(std::wstring(200, L't'));  // texts longer than their fields are cut so that the NUL fits
    ShowTrayBalloon(std::wstring(300, L'i'), std::wstring(100, L'h'));
    EXPECT_EQ(Shown(), "on|" + std::string(100, 'h') + "|" + std::string(255, 'i') + "|" + std::string(63, 'h'));
    SetTrayTip(std::wstring(200, L't'));
    EXPECT_EQ(std::string(Recorder::trays.back().second.szTip), std::string(127, 't'));
}

TEST_F(MainWindow, WithBalloonsOnEachSwitchSaysWhichWayItWentAndTheOptionTurnsThemOffAndOn) {
    Start("1", "1");
    Calls seen;
    for (const char* item : {"mnuOff", "mnuOn", "mnuOn"}) main.Click(item), seen.push_back(Shown());
    EXPECT_EQ(seen, (Calls{kOff, kOn, kOn}));
    EXPECT_EQ(Recorder::Matching("RegSetValueExA").size(), 3u);

    run.Set("C:\\Old Folder\\BLIMO.exe");  // another folder's entry counts as on; OK puts this program in
    bubbles.Set("0");                        // edited behind the program's back: the box shows what it uses
    options.Load();
    EXPECT_EQ(std::pair(options.Checked("chkAutoStart"), options.Checked("chkBubble")), std::pair(true, true));
    options.Unload();
    Options(true, false);  // a balloon still on screen: the next switch takes it down and shows none
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ(run.Get(), std::pair(DWORD{REG_SZ}, Sz(("\"" + std::string(module) + "\"").c_str())));
    EXPECT_EQ(bubbles.Get(), std::pair(DWORD{REG_SZ}, Sz("0")));
    main.Click("mnuOff");
    EXPECT_EQ(Shown(), "off|ScreenSaver Off||ScreenSaver On");  // a title without a text shows nothing
    Options(false, true);  // on again: no old balloon comes back; the next switch shows its own
    EXPECT_FALSE(run.Get());
    EXPECT_EQ(TrayIconData.szInfo[0], '\0');
    main.Click("mnuOn");
    EXPECT_EQ(Shown(), kOn);
    Options(false, true);  // with no entry to remove, only "Bubbles" is written
    EXPECT_EQ(Recorder::Matching("RegSet"), Calls{"RegSetValueExA Bubbles 1"});
}

TEST_F(MainWindow, OnlyADoubleClickSwitchesAndItSwitchesOnUnlessTheStateIsExactlyOne) {
    Start(nullptr);  // absent: shown on, yet the first double click switches on
    for (UINT nothing : {0x200u, 0x201u, 0x202u, 0x204u, 0x206u, 0x207u, 0x208u, 0x209u}) Tray(nothing);
    SendMessageA(main.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(336, 175));  // the mouse over the About window
    EXPECT_EQ(Recorder::Matching("Reg"), Calls{});
    for (const wchar_t* next : {L"1", L"0", L"1"}) {
        Tray(WM_LBUTTONDBLCLK);
        EXPECT_EQ(main.SaverState, next);
    }
    main.SaverState = L"2";
    Tray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(main.SaverState, L"1");
    // Thousands more (ten thousand in `make faults`) leave no key open and the last state stored.
    for (int i = getenv("BLIMO_FULL_FAULTS") ? 10000 : 1000; i > 0; --i) Tray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(std::tuple(Recorder::openKeys, main.SaverState, saver.Get()),
              std::tuple(0, std::wstring(L"1"), std::optional(std::pair(DWORD{REG_SZ}, Sz("1")))));
}

TEST_F(MainWindow, ARegistryThatRefusesOrLacksTheKeyStillGetsTheIconAndStateChanged) {
    Start("1");
    Recorder::failWrites = true;
    main.Click("mnuOff");
    EXPECT_EQ(std::tuple(main.SaverState, main.Icon(), Shown(), saver.Get()->second),
              std::tuple(std::wstring(L"0"), StateIcon(IDI_OFF), "off|ScreenSaver Off||", Sz("1")));
    Recorder::failWrites = false;
    // A profile without "Control Panel\Desktop": the switch makes the key. Its values wait aside.
    HKEY aside, desktop;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\BLIMO unit tests", &aside), ERROR_SUCCESS);
    ASSERT_EQ(RegCopyTreeA(HKEY_CURRENT_USER, "Control Panel\\Desktop", aside), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "Control Panel\\Desktop"), ERROR_SUCCESS);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop");
    main.Click("mnuOn");
    const auto stored = saver.Get();
    RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop);
    RegCopyTreeA(aside, nullptr, desktop);
    RegCloseKey(desktop), RegCloseKey(aside);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\BLIMO unit tests");
    EXPECT_EQ(std::pair(stored, Recorder::openKeys), std::pair(std::optional(std::pair(DWORD{REG_SZ}, Sz("1"))), 0));
}

TEST_F(MainWindow, TheIconComesBackOnceTheAreaIsThereAndAfterTheShellRestartsWithoutAnOldBalloon) {
    Recorder::failAdds = 1;  // no notification area yet at start-up
    Start("0", "1");
    Pump(2400);  // tried again two seconds later, and taken
    ASSERT_EQ(Recorder::Matching("Shell_NotifyIconA 0").size(), 2u);
    main.Click("mnuOn");  // a balloon on screen
    SendMessageA(main.Hwnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(std::tuple(Recorder::trays.back().first, Shown()), std::tuple(DWORD{NIM_ADD}, "on|ScreenSaver On||ScreenSaver On"));
    Pump(2200);
    EXPECT_EQ(Recorder::Matching("Shell_NotifyIconA 0").size(), 3u) << "a retry timer still runs";
}

TEST_F(MainWindow, HelpWithoutItsFileSaysNothingAndExitTakesTheIconAwayItself) {
    Start("1");
    Recorder::calls.clear();
    main.Click("cmdHelp");  // the recorder answers as for a missing help file
    main.Click("mnuExit");
    EXPECT_EQ(Recorder::calls, (Calls{"HtmlHelpA " BLIMO_HELP_FILE, "Shell_NotifyIconA 2", "ExitProcess 0"}));
}

}  // namespace
