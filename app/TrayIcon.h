#pragma once
// What keeps the tray icon there and sharp for the main window: the on and off images at the size the
// notification area uses now, and a failed add tried again on a timer.
#include <windows.h>

#include "platform/UniqueHandle.h"

class TrayIcon {
public:
    static constexpr UINT_PTR kRetryTimer = 1;  // the window's WM_TIMER for Retry

    // The on or off icon (IDI_ON, IDI_OFF), the image drawn for the size the notification area uses now
    // (the small icon at its monitor's DPI). Not a shared icon: the system hands back the first one
    // loaded, whatever size is asked for later. Both are loaded again when that size changes.
    HICON Load(int resource);
    // The icon must not vanish for good: a failed add (no notification area yet, as when started at
    // logon) is tried again every two seconds for two minutes; no timer runs once the icon is there.
    void Keep(HWND window, bool added);
    void Retry(HWND window);

private:
    UniqueIcon icons_[2];  // on and off, at the notification area's size
    int size_ = 0;
    int retriesLeft_ = 0;
};
