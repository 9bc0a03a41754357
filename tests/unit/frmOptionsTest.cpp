// The Options dialog on real windows under Wine, with the main window beside it for the switch:
// the registry is Wine's real one (values saved and put back), the shell calls go to recorders.
#include <gtest/gtest.h>

#include <functional>

#include "TestSupport.h"
#include "app/frmMain.h"
#include "options/frmOptions.h"
#include "services/mdlRegStuff.h"
#include "services/mdlSysTray.h"

namespace {

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kSettings[] = "Software\\Fenwa Inc\\BLIMO";

std::wstring Reg(const char* key, const wchar_t* value) {
    return ReadRegString(HKEY_CURRENT_USER, std::wstring(key, key + lstrlenA(key)), value);
}

class OptionsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        CallLog::Install();
        saver.Set("1");
        bubbles.Delete();
        run.Delete();
        ShowBubbles = false;
        TrayIconData = {};
        main.Load();
        ASSERT_FALSE(ShowBubbles);
    }
    void TearDown() override { dialog.Unload(); }

    // Opens the dialog as the menu does, but returns while it is open (the modal loop would wait).
    void Open() {
        dialog.Load();
        ASSERT_TRUE(dialog.Loaded());
    }
    const TrayIconRecord& LastTray() { return CallLog::trays.back().second; }

    ScopedApi api;
    SavedValue saver{"Control Panel\\Desktop", "ScreenSaveActive"};
    SavedValue bubbles{kSettings, "Bubbles"};
    SavedValue run{kRun, "BLIMO"};
    frmMain main;
    frmOptions& dialog = frmOptions::Instance();
};

TEST_F(OptionsDialog, BalloonsTurnOnAndOffWithoutARestart) {
    Open();
    EXPECT_FALSE(dialog.Checked("chkBubble"));
    dialog.SetChecked("chkBubble", true);
    dialog.Click("cmdOK");
    EXPECT_FALSE(dialog.Loaded());
    EXPECT_TRUE(ShowBubbles);
    EXPECT_EQ(Reg(kSettings, L"Bubbles"), L"1");

    main.Click("mnuOff");
    ASSERT_FALSE(CallLog::trays.empty());
    EXPECT_EQ(CallLog::trays.back().first, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_STREQ(LastTray().szInfo, "Your ScreenSaver has been turned Off.");
    EXPECT_STREQ(LastTray().szInfoTitle, "ScreenSaver Off");

    // The balloon record is still active; switching balloons off empties it before the next switch.
    Open();
    EXPECT_TRUE(dialog.Checked("chkBubble"));
    dialog.SetChecked("chkBubble", false);
    CallLog::Clear();
    dialog.Click("cmdOK");
    EXPECT_FALSE(ShowBubbles);
    EXPECT_STREQ(TrayIconData.szInfo, "");
    EXPECT_TRUE(CallLog::Matching("Shell_NotifyIconA").empty()) << "OK itself sends nothing to the shell";
    EXPECT_EQ(Reg(kSettings, L"Bubbles"), L"0");

    main.Click("mnuOn");
    ASSERT_EQ(CallLog::trays.size(), 1u);
    EXPECT_EQ(CallLog::trays.back().first, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_STREQ(LastTray().szInfo, "");
    EXPECT_STREQ(LastTray().szTip, "ScreenSaver On");
}

TEST_F(OptionsDialog, CancelAndTheCloseBoxApplyNothing) {
    const std::pair<const char*, std::function<void(frmOptions&)>> ways[] = {
        {"Cancel", [](frmOptions& d) { d.Click("cmdCancel"); }},
        {"close box", [](frmOptions& d) { SendMessageA(d.Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (bool on : {false, true}) {
        for (const auto& [way, close] : ways) {
            SCOPED_TRACE(std::string(way) + (on ? ", both on" : ", both off"));
            on ? run.Set("\"C:\\Elsewhere\\BLIMO.exe\"") : run.Delete();
            bubbles.Set(on ? "1" : "0");
            ShowBubbles = on;
            lstrcpyA(TrayIconData.szInfo, "balloon on screen");
            Open();
            EXPECT_EQ(dialog.Checked("chkAutoStart"), on);
            EXPECT_EQ(dialog.Checked("chkBubble"), on);
            dialog.SetChecked("chkAutoStart", !on);
            dialog.SetChecked("chkBubble", !on);
            CallLog::Clear();
            close(dialog);
            EXPECT_FALSE(dialog.Loaded());
            EXPECT_TRUE(CallLog::Matching("RegSetValueExA").empty());
            EXPECT_TRUE(CallLog::Matching("RegDeleteValueA").empty());
            EXPECT_EQ(ShowBubbles, on);
            EXPECT_STREQ(TrayIconData.szInfo, "balloon on screen");
            EXPECT_EQ(Reg(kRun, L"BLIMO"), on ? L"\"C:\\Elsewhere\\BLIMO.exe\"" : L"");
            EXPECT_EQ(Reg(kSettings, L"Bubbles"), on ? L"1" : L"0");
        }
    }
}

TEST_F(OptionsDialog, AutostartOpensFromTheRunValueAndOkWritesThisProgram) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::wstring quoted = L"\"" + std::wstring(module, module + lstrlenA(module)) + L"\"";

    // Another folder's entry counts as on, and OK puts this program's quoted path in its place.
    run.Set("C:\\Old Folder\\BLIMO.exe");
    Open();
    EXPECT_TRUE(dialog.Checked("chkAutoStart"));
    dialog.Click("cmdOK");
    EXPECT_EQ(Reg(kRun, L"BLIMO"), quoted);
    EXPECT_EQ(AutoStartCommand(), quoted);

    // Unchecked, OK removes it; with nothing there, OK leaves it absent and writes only "Bubbles".
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "value present" : "value absent");
        Open();
        dialog.SetChecked("chkAutoStart", false);
        CallLog::Clear();
        dialog.Click("cmdOK");
        EXPECT_EQ(Reg(kRun, L"BLIMO"), L"");
        EXPECT_EQ(CallLog::Matching("RegSetValueExA"), std::vector<std::string>{"RegSetValueExA Bubbles 0"});
    }
}

TEST_F(OptionsDialog, BalloonBoxFollowsTheProgramNotTheRegistry) {
    for (bool showing : {false, true}) {
        ShowBubbles = showing;
        bubbles.Set(showing ? "0" : "1");  // edited behind the running program's back
        Open();
        EXPECT_EQ(dialog.Checked("chkBubble"), showing);
        dialog.Click("cmdCancel");
    }
}

TEST_F(OptionsDialog, OpensWithOkFocusedAndNoDefaultButton) {
    dialog.Show();
    EXPECT_EQ(GetFocus(), dialog.Item("cmdOK"));
    for (const char* button : {"cmdOK", "cmdCancel"}) {
        EXPECT_EQ(GetWindowLongA(dialog.Item(button), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON) << button;
    }
    // Escape is no cancel button: the dialog stays open.
    SendMessageA(dialog.Hwnd(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(dialog.Loaded());
}

}  // namespace
