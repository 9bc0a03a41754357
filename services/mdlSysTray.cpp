#include "services/mdlSysTray.h"

#include <string>

#include "platform/Api.h"
#include "platform/Text.h"

TrayIconRecord TrayIconData = {};
bool ShowBubbles = false;

namespace {

// Text into a fixed-width field, cut so that the NUL still fits (and never inside a character).
template <size_t N>
void PutText(CHAR (&field)[N], std::wstring_view text) {
    std::wstring_view cut = text.substr(0, N - 1);
    std::string bytes = Ansi(cut);
    while (bytes.size() > N - 1) {
        cut.remove_suffix(1);
        bytes = Ansi(cut);
    }
    std::fill(std::begin(field), std::end(field), '\0');
    std::copy(bytes.begin(), bytes.end(), field);
}

// The head every call fills: the window, id, flags, callback, the window's current icon, the tip.
void CommonFill(HWND owner, std::wstring_view tip) {
    TrayIconData.cbSize = sizeof(TrayIconRecord);
    TrayIconData.hWnd = owner;
    TrayIconData.uID = kTrayIconId;
    TrayIconData.uFlags = kTrayFlags;
    TrayIconData.uCallbackMessage = kTrayCallback;
    TrayIconData.hIcon = reinterpret_cast<HICON>(SendMessageA(owner, WM_GETICON, ICON_BIG, 0));
    PutText(TrayIconData.szTip, tip);
    TrayIconData.dwState = 0;
    TrayIconData.dwStateMask = 0;
}

BOOL Notify(DWORD message) {
    // The record's layout is the shell's V2 ANSI record; cbSize says so.
    return Api.Shell_NotifyIconA(message, reinterpret_cast<PNOTIFYICONDATAA>(&TrayIconData));
}

}  // namespace

bool AddTrayIcon(HWND owner, std::wstring_view tip) {
    CommonFill(owner, tip);
    return Notify(NIM_ADD) != FALSE;
}

bool ReAddTrayIcon() {
    // The icon comes back with the window's current picture and the tip; a balloon already shown stays gone.
    TrayIconData.hIcon = reinterpret_cast<HICON>(SendMessageA(TrayIconData.hWnd, WM_GETICON, ICON_BIG, 0));
    TrayIconRecord copy = TrayIconData;
    copy.szInfo[0] = '\0';
    auto* record = reinterpret_cast<PNOTIFYICONDATAA>(&copy);
    return Api.Shell_NotifyIconA(NIM_ADD, record) || Api.Shell_NotifyIconA(NIM_MODIFY, record);
}

void RemoveTrayIcon() {
    Notify(NIM_DELETE);  // the process ends next; the shell's answer changes nothing
}

void ShowTrayBalloon(std::wstring_view text, std::wstring_view title, std::wstring_view tip, DWORD icon) {
    CommonFill(TrayIconData.hWnd, tip.empty() ? title : tip);
    PutText(TrayIconData.szInfo, text);
    PutText(TrayIconData.szInfoTitle, title);
    TrayIconData.dwInfoFlags = icon;
    Notify(NIM_MODIFY);  // without a notification area there is nothing to show; not retried
}

void SetTrayTip(std::wstring_view tip) {
    CommonFill(TrayIconData.hWnd, tip);
    TrayIconData.szInfo[0] = '\0';
    Notify(NIM_MODIFY);
}

void StopTrayBalloons() {
    ShowBubbles = false;
    TrayIconData.szInfo[0] = '\0';
}
