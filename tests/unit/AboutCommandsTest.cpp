// The About window's buttons and the menu's About item, on a real main window under Wine. The help
// and browser calls go to recorders that keep every argument, the owner window included.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "app/frmMain.h"
#include "res/BuildConfig.h"

namespace {

struct Launch {
    HWND owner = reinterpret_cast<HWND>(0xdeadbeef);
    std::string operation = "(untouched)", file, parameters = "(untouched)", folder;
    UINT command = 0xdeadbeef;
    DWORD_PTR data = 0xdeadbeef;
    INT show = -1;
    int calls = 0;
};
Launch launch;

std::string Or(LPCSTR s) { return s ? s : "(null)"; }

HWND WINAPI RecordHelp(HWND owner, LPCSTR file, UINT command, DWORD_PTR data) {
    launch.owner = owner;
    launch.file = Or(file);
    launch.command = command;
    launch.data = data;
    ++launch.calls;
    return nullptr;  // as when the help file is missing: the program must not care
}

HINSTANCE WINAPI RecordShell(HWND owner, LPCSTR op, LPCSTR file, LPCSTR params, LPCSTR dir, INT show) {
    launch.owner = owner;
    launch.operation = Or(op);
    launch.file = Or(file);
    launch.parameters = Or(params);
    launch.folder = Or(dir);
    launch.show = show;
    ++launch.calls;
    return reinterpret_cast<HINSTANCE>(2);  // "file not found": no browser
}

class AboutCommands : public ::testing::Test {
protected:
    void SetUp() override {
        CallLog::Install();
        Api.HtmlHelpA = RecordHelp;
        Api.ShellExecuteA = RecordShell;
        launch = {};
        main.Load();
        main.Click("mnuAbout");
        ASSERT_TRUE(main.Visible());
    }

    ScopedApi api;
    SavedValue saver{"Control Panel\\Desktop", "ScreenSaveActive"};
    frmMain main;
};

TEST_F(AboutCommands, HelpOpensTheHelpFileAtItsDefaultTopic) {
    main.Click("cmdHelp");
    EXPECT_EQ(launch.calls, 1);
    EXPECT_EQ(launch.owner, main.Hwnd());
    EXPECT_EQ(launch.file, BLIMO_HELP_FILE);
    EXPECT_EQ(launch.command, 0u);  // HH_DISPLAY_TOPIC
    EXPECT_EQ(launch.data, 0u);
    EXPECT_TRUE(CallLog::Matching("MessageBoxA").empty());
}

TEST_F(AboutCommands, HomePageGoesToTheBrowser) {
    main.Click("cmdHomePage");
    EXPECT_EQ(launch.calls, 1);
    EXPECT_EQ(launch.owner, main.Hwnd());
    EXPECT_EQ(launch.operation, "(null)");
    EXPECT_EQ(launch.file, BLIMO_HOME_URL);
    EXPECT_EQ(launch.parameters, "(null)");
    EXPECT_EQ(launch.folder, "C:\\");
    EXPECT_EQ(launch.show, SW_SHOWNORMAL);
    EXPECT_TRUE(CallLog::Matching("MessageBoxA").empty());
}

TEST_F(AboutCommands, OkAndTheCloseBoxHideAboutShowsAgainWhereItWas) {
    RECT first, work;
    GetWindowRect(main.Hwnd(), &first);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(first.left + first.right, work.left + work.right, 2) << "centred when first shown";
    EXPECT_NEAR(first.top + first.bottom, work.top + work.bottom, 2);
    // Moved by the user, the window is not centred again by a later About.
    SetWindowPos(main.Hwnd(), nullptr, 7, 9, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    main.Click("mnuAbout");  // already visible: nothing changes
    RECT r;
    GetWindowRect(main.Hwnd(), &r);
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(r.top, 9);
    EXPECT_TRUE(main.Visible());

    HWND hwnd = main.Hwnd();
    main.Click("cmdOK");
    EXPECT_FALSE(main.Visible());
    main.Click("mnuAbout");
    EXPECT_TRUE(main.Visible());
    SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(main.Visible());
    EXPECT_EQ(main.Hwnd(), hwnd) << "hidden, never destroyed";
    main.Click("mnuAbout");
    GetWindowRect(main.Hwnd(), &r);
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(main.Text("lblVersion"), L"Version 1.01");
    EXPECT_TRUE(CallLog::Matching("Shell_NotifyIconA 2").empty()) << "the tray icon is not touched";
}

}  // namespace
