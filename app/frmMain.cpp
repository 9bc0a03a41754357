#include "app/frmMain.h"

#include <cmath>

#include "res/BuildConfig.h"
#include "res/frmMainLayout.h"
#include "options/frmOptions.h"
#include "platform/Api.h"
#include "services/ProgramVersion.h"
#include "services/mdlRegStuff.h"
#include "services/mdlSysTray.h"
#include "platform/Text.h"
#include "update/frmUpdate.h"

namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kSaverValue[] = L"ScreenSaveActive";
constexpr UINT_PTR kTrayRetryTimer = 1;
constexpr UINT kTrayRetryMs = 2000;
constexpr int kTrayRetries = 60;  // two minutes

struct SwitchRow {
    const wchar_t* value;
    int icon;
    const wchar_t* balloon;
    const wchar_t* title;
};
constexpr SwitchRow kSwitchOn = {L"1", IDI_ON, L"Your ScreenSaver has been turned On.", L"ScreenSaver On"};
constexpr SwitchRow kSwitchOff = {L"0", IDI_OFF, L"Your ScreenSaver has been turned Off.", L"ScreenSaver Off"};

HICON LoadStateIcon(int resource) {
    // Shared icons: loading one again hands back the same handle, so switching never leaks.
    auto icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                              LR_SHARED));
    if (!icon) FatalError("the switch", "Icon resource " + std::to_string(resource) + " cannot be loaded.");
    return icon;
}

// Another BLIMO of this user already running? The mutex lives as long as the process.
bool AnotherInstanceRuns() {
    static HANDLE mine = nullptr;
    if (mine) return false;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "BLIMO.SingleInstance");
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return true;
    }
    mine = mutex;
    return false;
}

// clang-format off
constexpr Route kMainRoutes[] = {
    On<&frmMain::mnuOn_Click>("mnuOn"),
    On<&frmMain::mnuOff_Click>("mnuOff"),
    On<&frmMain::mnuOptions_Click>("mnuOptions"),
    On<&frmMain::mnuUpdate_Click>("mnuUpdate"),
    On<&frmMain::mnuAbout_Click>("mnuAbout"),
    On<&frmMain::mnuExit_Click>("mnuExit"),
    On<&frmMain::cmdHelp_Click>("cmdHelp"),
    On<&frmMain::cmdHomePage_Click>("cmdHomePage"),
    On<&frmMain::cmdOK_Click>("cmdOK"),
    On<&frmMain::cmdUpdate_Click>("cmdUpdate"),
};
// clang-format on
static_assert(RoutesMatch(kMainLayout, kMainRoutes));

}  // namespace

frmMain::frmMain() : Form(kMainLayout, kMainRoutes) {}

void frmMain::Form_Load() {
    if (AnotherInstanceRuns()) ExitProcess(0);  // silently: the running one keeps its icon and state

    SetText("lblVersion", L"Version " + FromAnsi(DisplayVersion(ProgramVersion())));
    SetMenuBitmaps();

    SaverState = ReadRegString(HKEY_CURRENT_USER, kDesktopKey, kSaverValue);
    SetIcon(LoadStateIcon(SaverState == L"0" ? IDI_OFF : IDI_ON));

    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
    KeepTrayIcon(AddTrayIcon(Hwnd()));

    ShowBubbles = BubblesTruth(Ansi(ReadRegString(HKEY_CURRENT_USER, L"Software\\Fenwa Inc\\BLIMO", L"Bubbles")));
}

void frmMain::SetMenuBitmaps() {
    // Each step that fails is skipped: the items then show no bitmap.
    HMENU popup = GetSubMenu(GetMenu(Hwnd()), 0);
    if (!popup) return;
    SetMenuItemBitmaps(popup, 0, MF_BYPOSITION, Picture("imgBLIMO1"), Picture("imgBLIMO1"));
    SetMenuItemBitmaps(popup, 1, MF_BYPOSITION, Picture("imgBLIMO2"), Picture("imgBLIMO2"));
}

// The icon must not vanish for good: a failed add (no notification area yet, as when started at
// logon) is tried again every two seconds for two minutes; no timer runs once the icon is there.
void frmMain::KeepTrayIcon(bool added) {
    if (added) {
        KillTimer(Hwnd(), kTrayRetryTimer);
        trayRetriesLeft_ = 0;
    } else if (trayRetriesLeft_ == 0) {
        trayRetriesLeft_ = kTrayRetries;
        SetTimer(Hwnd(), kTrayRetryTimer, kTrayRetryMs, nullptr);
    }
}

bool frmMain::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    result = 0;
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {  // the shell restarted: our icon is gone
        KeepTrayIcon(ReAddTrayIcon());
        return true;
    }
    if (msg == WM_TIMER && wp == kTrayRetryTimer) {
        bool added = ReAddTrayIcon();
        if (!added && --trayRetriesLeft_ <= 0) {
            KillTimer(Hwnd(), kTrayRetryTimer);
            trayRetriesLeft_ = 0;
            return true;
        }
        KeepTrayIcon(added);
        return true;
    }
    return false;
}

void frmMain::Switch(bool on) {
    const SwitchRow& row = on ? kSwitchOn : kSwitchOff;
    WriteRegString(HKEY_CURRENT_USER, kDesktopKey, kSaverValue, row.value);
    // The stored value is read only at the next logon; the system parameter changes this session
    // now. Its answer changes nothing we do.
    Api.SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, on ? TRUE : FALSE, nullptr,
                              SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    SetIcon(LoadStateIcon(row.icon));
    if (ShowBubbles)
        ShowTrayBalloon(row.balloon, row.title);
    else
        SetTrayTip(row.title);
    SaverState = row.value;
}

void frmMain::mnuOn_Click() { Switch(true); }
void frmMain::mnuOff_Click() { Switch(false); }

void frmMain::Form_MouseMove(short, short, float x, float) {
    // The tray icon's callback is the mouse-move message: x carries the mouse message, in twips.
    long message = std::lround(x / static_cast<float>(TwipsPerPixelX()));
    if (message == WM_LBUTTONDBLCLK) {
        if (SaverState == L"1")
            mnuOff_Click();
        else
            mnuOn_Click();
    } else if (message == WM_RBUTTONUP) {
        SetForegroundWindow(Hwnd());  // so the menu closes when the user clicks elsewhere
        POINT at;
        GetCursorPos(&at);
        TrackPopupMenu(GetSubMenu(GetMenu(Hwnd()), 0), 0, at.x, at.y, 0, Hwnd(), nullptr);
        PostMessageA(Hwnd(), WM_NULL, 0, 0);
    }
}

void frmMain::mnuOptions_Click() { frmOptions::Instance().ShowModal(); }
void frmMain::mnuUpdate_Click() { frmUpdate::Instance().ShowModal(); }
void frmMain::cmdUpdate_Click() { frmUpdate::Instance().ShowModal(); }
void frmMain::mnuAbout_Click() { Show(); }
void frmMain::cmdOK_Click() { Hide(); }

bool frmMain::QueryClose() {
    Hide();
    return false;
}

void frmMain::mnuExit_Click() {
    RemoveTrayIcon();
    Api.ExitProcess(0);
}

void frmMain::cmdHelp_Click() {
    // A missing help file or help engine shows nothing of ours: the call's answer is not used.
    Api.HtmlHelpA(Hwnd(), BLIMO_HELP_FILE, 0 /* HH_DISPLAY_TOPIC */, 0);
}

void frmMain::cmdHomePage_Click() {
    Api.ShellExecuteA(Hwnd(), nullptr, BLIMO_HOME_URL, nullptr, "C:\\", SW_SHOWNORMAL);
}
