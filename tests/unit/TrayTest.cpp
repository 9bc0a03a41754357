// The tray record: the bytes each call hands the shell, and one real icon in Wine's notification
// area.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TestSupport.h"
#include "services/mdlSysTray.h"

namespace {

class Tray : public ::testing::Test {
protected:
    void SetUp() override {
        CallLog::Install();
        std::memset(&TrayIconData, 0, sizeof TrayIconData);
        ShowBubbles = false;
        owner = CreateWindowExA(0, "STATIC", "tray owner", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
        SendMessageA(owner, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    }
    void TearDown() override { DestroyWindow(owner); }

    static const TrayIconRecord& Last() { return CallLog::trays.back().second; }

    ScopedApi api;
    HWND owner = nullptr;
    HICON icon = nullptr;
};

void ExpectHead(const TrayIconRecord& r, HWND owner, HICON icon, const char* tip) {
    EXPECT_EQ(r.cbSize, 488u);
    EXPECT_EQ(r.hWnd, owner);
    EXPECT_EQ(r.uID, 1u);
    EXPECT_EQ(r.uFlags, 0x17u);
    EXPECT_EQ(r.uCallbackMessage, 0x200u);
    EXPECT_EQ(r.hIcon, icon);
    EXPECT_STREQ(r.szTip, tip);
    EXPECT_EQ(r.dwState, 0u);
    EXPECT_EQ(r.dwStateMask, 0u);
    EXPECT_EQ(r.uTimeout, 0u);
}

TEST_F(Tray, StartUpAddsTheIconWithTheTipBlimoAndNoBalloon) {
    ASSERT_TRUE(AddTrayIcon(owner));
    ASSERT_EQ(CallLog::trays.size(), 1u);
    EXPECT_EQ(CallLog::trays[0].first, static_cast<DWORD>(NIM_ADD));
    ExpectHead(Last(), owner, icon, "BLIMO");
    EXPECT_STREQ(Last().szInfo, "");
    EXPECT_STREQ(Last().szInfoTitle, "");
    EXPECT_EQ(Last().dwInfoFlags, 0u);

    CallLog::trayAnswer = FALSE;  // no notification area: the caller hears of it
    EXPECT_FALSE(AddTrayIcon(owner));
}

TEST_F(Tray, BalloonAndTipModifyTheIconWithTheWindowsCurrentIcon) {
    AddTrayIcon(owner);
    HICON red = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_ERROR));
    SendMessageA(owner, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(red));

    ShowTrayBalloon(L"Your ScreenSaver has been turned Off.", L"ScreenSaver Off");
    EXPECT_EQ(CallLog::trays.back().first, static_cast<DWORD>(NIM_MODIFY));
    ExpectHead(Last(), owner, red, "ScreenSaver Off");
    EXPECT_STREQ(Last().szInfo, "Your ScreenSaver has been turned Off.");
    EXPECT_STREQ(Last().szInfoTitle, "ScreenSaver Off");
    EXPECT_EQ(Last().dwInfoFlags, 1u);

    // A second balloon replaces the first.
    ShowTrayBalloon(L"Your ScreenSaver has been turned On.", L"ScreenSaver On");
    EXPECT_STREQ(Last().szInfo, "Your ScreenSaver has been turned On.");
    EXPECT_STREQ(Last().szTip, "ScreenSaver On");

    // The tip alone keeps the balloon fields as they are.
    SetTrayTip(L"ScreenSaver Off");
    EXPECT_EQ(CallLog::trays.back().first, static_cast<DWORD>(NIM_MODIFY));
    ExpectHead(Last(), owner, red, "ScreenSaver Off");
    EXPECT_STREQ(Last().szInfo, "Your ScreenSaver has been turned On.");
    EXPECT_STREQ(Last().szInfoTitle, "ScreenSaver On");
    EXPECT_EQ(Last().dwInfoFlags, 1u);
}

TEST_F(Tray, TextsAreCutToTheirFieldsWithTheNul) {
    AddTrayIcon(owner);
    std::memset(TrayIconData.szTip, 'Z', sizeof TrayIconData.szTip);  // sentinels behind the text
    SetTrayTip(std::wstring(200, L't'));
    EXPECT_EQ(std::string(Last().szTip, 127), std::string(127, 't'));
    EXPECT_EQ(Last().szTip[127], '\0');

    ShowTrayBalloon(std::wstring(300, L'i'), std::wstring(100, L'h'));
    EXPECT_EQ(std::strlen(Last().szInfo), 255u);
    EXPECT_EQ(std::strlen(Last().szInfoTitle), 63u);
    EXPECT_EQ(std::strlen(Last().szTip), 100u);  // the title as tip fits whole
}

TEST_F(Tray, BalloonsSwitchedOffNeverComeBack) {
    AddTrayIcon(owner);
    ShowBubbles = true;
    ShowTrayBalloon(L"Your ScreenSaver has been turned On.", L"ScreenSaver On");
    size_t sent = CallLog::trays.size();

    StopTrayBalloons();  // what the Options dialog does: no shell call
    EXPECT_FALSE(ShowBubbles);
    EXPECT_EQ(CallLog::trays.size(), sent);
    SetTrayTip(L"ScreenSaver Off");
    EXPECT_STREQ(Last().szInfo, "");  // an empty szInfo takes a showing balloon down

    // Re-adding after a shell restart shows the icon as it is, never an old balloon.
    ShowTrayBalloon(L"old news", L"ScreenSaver On");
    ASSERT_TRUE(ReAddTrayIcon());
    EXPECT_EQ(CallLog::trays.back().first, static_cast<DWORD>(NIM_ADD));
    EXPECT_STREQ(Last().szInfo, "");
    EXPECT_STREQ(Last().szTip, "ScreenSaver On");
    EXPECT_STREQ(TrayIconData.szInfo, "old news");  // the record itself is left as it was
}

TEST_F(Tray, ARealIconIsAddedChangedAndRemoved) {
    Api = api.saved;  // the real shell
    ASSERT_TRUE(AddTrayIcon(owner)) << "Wine's notification area did not take the icon";
    ShowBubbles = true;
    ShowTrayBalloon(L"Your ScreenSaver has been turned On.", L"ScreenSaver On");
    EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, reinterpret_cast<PNOTIFYICONDATAA>(&TrayIconData)));
    RemoveTrayIcon();
    // Gone: the shell no longer knows an icon of this window to modify.
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, reinterpret_cast<PNOTIFYICONDATAA>(&TrayIconData)));
}

}  // namespace
