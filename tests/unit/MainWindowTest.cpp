// The main window on a real window under Wine: start-up, the switch, the tray callback and the
// icon's return after a shell restart. The shell and system-parameter calls go to recorders; the
// registry is Wine's real one.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "app/frmMain.h"
#include "res/resource.h"
#include "services/mdlRegStuff.h"
#include "services/mdlSysTray.h"

namespace {

constexpr char kDesktop[] = "Control Panel\\Desktop";
constexpr char kSettings[] = "Software\\Fenwa Inc\\BLIMO";

HICON StateIcon(int id) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

LPARAM Callback(UINT mouseMessage) { return static_cast<LPARAM>(mouseMessage); }

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        CallLog::Install();
        ShowBubbles = false;
        TrayIconData = {};
    }
    // Start-up with the given registry texts (nullptr: the value is absent).
    void Start(const char* saver, const char* bubbles = nullptr) {
        saver ? saverValue.Set(saver) : saverValue.Delete();
        bubbles ? bubblesValue.Set(bubbles) : bubblesValue.Delete();
        CallLog::Clear();
        window.Load();
    }
    void Tray(UINT mouseMessage) { SendMessageA(window.Hwnd(), WM_MOUSEMOVE, 1, Callback(mouseMessage)); }
    std::vector<std::string> Writes() {
        auto w = CallLog::Matching("RegSetValueExA");
        auto c = CallLog::Matching("RegCreateKeyA");
        auto d = CallLog::Matching("RegDeleteValueA");
        w.insert(w.end(), c.begin(), c.end());
        w.insert(w.end(), d.begin(), d.end());
        return w;
    }

    ScopedApi api;
    SavedValue saverValue{kDesktop, "ScreenSaveActive"};
    SavedValue bubblesValue{kSettings, "Bubbles"};
    frmMain window;
};

TEST_F(MainWindow, StartUpShowsTheStateAndWritesNothing) {
    struct {
        const char* saver;
        int icon;
        const wchar_t* state;
    } cases[] = {{nullptr, IDI_ON, L""}, {"0", IDI_OFF, L"0"}, {"1", IDI_ON, L"1"}, {"2", IDI_ON, L"2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saver ? c.saver : "(absent)");
        Start(c.saver);
        EXPECT_EQ(window.SaverState, c.state);
        EXPECT_EQ(window.Icon(), StateIcon(c.icon));
        ASSERT_EQ(CallLog::trays.size(), 1u);
        EXPECT_EQ(CallLog::trays[0].first, static_cast<DWORD>(NIM_ADD));
        EXPECT_EQ(CallLog::trays[0].second.hIcon, StateIcon(c.icon));
        EXPECT_EQ(CallLog::trays[0].second.hWnd, window.Hwnd());
        EXPECT_STREQ(CallLog::trays[0].second.szTip, "BLIMO");
        EXPECT_STREQ(CallLog::trays[0].second.szInfo, "");
        EXPECT_TRUE(Writes().empty());
        EXPECT_FALSE(window.Visible());
        EXPECT_EQ(window.Text("lblVersion"), L"Version 1.01");
        window.Unload();
    }
}

TEST_F(MainWindow, BubblesSettingAtStartUp) {
    struct {
        const char* text;
        bool bubbles;
    } cases[] = {{nullptr, false}, {"0", false}, {"1", true}, {"True", true}, {"maybe", false}};
    for (const auto& c : cases) {
        Start("1", c.text);
        EXPECT_EQ(ShowBubbles, c.bubbles) << (c.text ? c.text : "(absent)");
        window.Unload();
    }
}

TEST_F(MainWindow, MenuItemsOnAndOffCarryTheGreenAndRedBitmaps) {
    Start("1");
    HMENU popup = GetSubMenu(GetMenu(window.Hwnd()), 0);
    ASSERT_NE(popup, nullptr);
    const char* expected[] = {"&On", "O&ff", "", "O&ptions", "&Update", "&About", "E&xit"};
    ASSERT_EQ(GetMenuItemCount(popup), 7);
    for (int i = 0; i < 7; ++i) {
        char text[64] = {};
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, expected[i]);
    }
    for (auto [pos, image] : {std::pair{0, "imgBLIMO1"}, std::pair{1, "imgBLIMO2"}}) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_CHECKMARKS;
        ASSERT_TRUE(GetMenuItemInfoA(popup, pos, TRUE, &info));
        EXPECT_NE(info.hbmpUnchecked, nullptr);
        EXPECT_EQ(info.hbmpUnchecked, window.Picture(image));
        EXPECT_EQ(info.hbmpChecked, window.Picture(image));
    }
}

TEST_F(MainWindow, SwitchWritesThenSetsTheSessionThenUpdatesTheTray) {
    Start("1");
    CallLog::Clear();
    window.mnuOff_Click();
    std::vector<std::string> order;
    for (const std::string& c : CallLog::calls)
        if (c.rfind("RegSetValueExA", 0) == 0 || c.rfind("SystemParametersInfoA", 0) == 0 ||
            c.rfind("Shell_NotifyIconA", 0) == 0)
            order.push_back(c);
    const std::vector<std::string> expected = {"RegSetValueExA ScreenSaveActive 0", "SystemParametersInfoA 17 0 3",
                                               "Shell_NotifyIconA 1"};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(CallLog::trays.back().second.hIcon, StateIcon(IDI_OFF));
    EXPECT_STREQ(CallLog::trays.back().second.szTip, "ScreenSaver Off");
    EXPECT_STREQ(CallLog::trays.back().second.szInfo, "");  // balloons are off
    EXPECT_EQ(window.SaverState, L"0");
    EXPECT_EQ(CallLog::openKeys, 0);

    CallLog::Clear();
    window.mnuOn_Click();
    EXPECT_EQ(CallLog::Matching("SystemParametersInfoA"), std::vector<std::string>{"SystemParametersInfoA 17 1 3"});
    EXPECT_EQ(window.Icon(), StateIcon(IDI_ON));
    EXPECT_EQ(window.SaverState, L"1");
}

TEST_F(MainWindow, BalloonsFollowTheSetting) {
    Start("1", "1");
    window.mnuOff_Click();
    const TrayIconRecord& off = CallLog::trays.back().second;
    EXPECT_STREQ(off.szInfo, "Your ScreenSaver has been turned Off.");
    EXPECT_STREQ(off.szInfoTitle, "ScreenSaver Off");
    EXPECT_STREQ(off.szTip, "ScreenSaver Off");
    EXPECT_EQ(off.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    window.mnuOn_Click();
    window.mnuOn_Click();  // the same command again shows its balloon again
    ASSERT_GE(CallLog::trays.size(), 3u);
    for (size_t i = CallLog::trays.size() - 2; i < CallLog::trays.size(); ++i) {
        EXPECT_STREQ(CallLog::trays[i].second.szInfo, "Your ScreenSaver has been turned On.");
        EXPECT_STREQ(CallLog::trays[i].second.szInfoTitle, "ScreenSaver On");
    }
    EXPECT_EQ(CallLog::Matching("RegSetValueExA ScreenSaveActive 1").size(), 2u);
}

TEST_F(MainWindow, TrayCallbackDecodesTheMouseMessage) {
    Start(nullptr);  // absent: the icon shows on, but the first double click switches on
    for (UINT nothing : {0x200u, 0x201u, 0x202u, 0x204u, 0x206u, 0x207u, 0x402u, 0x404u, 0x405u})
        Tray(nothing);
    SendMessageA(window.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(336, 175));  // a move over the About window
    EXPECT_TRUE(Writes().empty());

    Tray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(window.SaverState, L"1");
    Tray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(window.SaverState, L"0");
    Tray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(window.SaverState, L"1");
    const std::vector<std::string> expected = {"RegSetValueExA ScreenSaveActive 1", "RegSetValueExA ScreenSaveActive 0",
                                               "RegSetValueExA ScreenSaveActive 1"};
    EXPECT_EQ(CallLog::Matching("RegSetValueExA"), expected);

    window.mnuOff_Click();
    window.SaverState = L"2";  // any text but "1" switches on
    Tray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(window.SaverState, L"1");
}

TEST_F(MainWindow, CloseBoxHidesAndTheWindowLives) {
    Start("1");
    window.mnuAbout_Click();
    EXPECT_TRUE(window.Visible());
    SendMessageA(window.Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(window.Loaded());
    EXPECT_FALSE(window.Visible());
}

TEST_F(MainWindow, TheIconComesBackAfterTheShellRestarts) {
    Start("0");
    window.mnuOn_Click();
    CallLog::Clear();
    SendMessageA(window.Hwnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    ASSERT_EQ(CallLog::trays.size(), 1u);
    EXPECT_EQ(CallLog::trays[0].first, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(CallLog::trays[0].second.hIcon, StateIcon(IDI_ON));
    EXPECT_STREQ(CallLog::trays[0].second.szTip, "ScreenSaver On");
}

TEST_F(MainWindow, AFailedAddIsRetriedUntilTheNotificationAreaTakesIt) {
    CallLog::failTrayAdds = 2;  // start-up's add and the first retry fail
    saverValue.Set("1");
    window.Load();
    PumpMessages(5000);  // retries every two seconds
    auto adds = CallLog::Matching("Shell_NotifyIconA 0");
    ASSERT_EQ(adds.size(), 3u) << "start-up, a failed retry, then the one that took";
    EXPECT_EQ(CallLog::failTrayAdds, 0);
    PumpMessages(2500);  // and no timer runs once the icon is there
    EXPECT_EQ(CallLog::Matching("Shell_NotifyIconA 0").size(), 3u);
}

}  // namespace

namespace {

TEST_F(MainWindow, ThousandsOfSwitchesLeaveNoKeyOpenAndTheLastStateStored) {
    const size_t switches = getenv("BLIMO_FULL_FAULTS") ? 10001 : 2001;  // odd: from absent, ends on
    Start(nullptr);
    for (size_t i = 0; i < switches; ++i) Tray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(CallLog::openKeys, 0);
    EXPECT_EQ(window.SaverState, L"1");
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"ScreenSaveActive"), L"1");
    EXPECT_EQ(CallLog::Matching("RegSetValueExA").size(), switches);
}

}  // namespace
