#pragma once
// The program's one notification-area icon: its record, the balloon switch and the two routines
// that update the icon after a switch.
#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <string_view>

// The shell's NOTIFYICONDATA in its 488-byte ANSI form (the layout that ends with dwInfoFlags).
struct TrayIconRecord {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    UINT uTimeout;
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
};

// The shell's own record of this version, field for field; in the program as shipped (32-bit),
// the 488 bytes below. A 64-bit build, made only for testing, has that ABI's natural layout.
static_assert(sizeof(TrayIconRecord) == NOTIFYICONDATAA_V2_SIZE);
static_assert(offsetof(TrayIconRecord, szInfoTitle) == offsetof(NOTIFYICONDATAA, szInfoTitle));
#ifndef _WIN64
static_assert(sizeof(TrayIconRecord) == 488);
static_assert(offsetof(TrayIconRecord, hWnd) == 4);
static_assert(offsetof(TrayIconRecord, uID) == 8);
static_assert(offsetof(TrayIconRecord, uFlags) == 12);
static_assert(offsetof(TrayIconRecord, uCallbackMessage) == 16);
static_assert(offsetof(TrayIconRecord, hIcon) == 20);
static_assert(offsetof(TrayIconRecord, szTip) == 24);
static_assert(offsetof(TrayIconRecord, dwState) == 152);
static_assert(offsetof(TrayIconRecord, dwStateMask) == 156);
static_assert(offsetof(TrayIconRecord, szInfo) == 160);
static_assert(offsetof(TrayIconRecord, uTimeout) == 416);
static_assert(offsetof(TrayIconRecord, szInfoTitle) == 420);
static_assert(offsetof(TrayIconRecord, dwInfoFlags) == 484);
#endif

inline constexpr UINT kTrayIconId = 1;
inline constexpr UINT kTrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;  // 0x17
// The shell's notifications come as a message of the program's own, never taken for a real mouse
// move over the window (one at x = 515 would otherwise pass for a double click, at high DPI).
inline constexpr UINT kTrayCallback = WM_APP + 0x200;

extern TrayIconRecord TrayIconData;
extern bool ShowBubbles;

// Start-up: the common fill for `owner` with the tooltip ("BLIMO" unless the state needs saying),
// then NIM_ADD. Returns the shell's answer, so a caller can try again while the notification area
// is not there yet.
bool AddTrayIcon(HWND owner, std::wstring_view tip = L"BLIMO");
// Adds the icon again with the record as it stands and the window's icon (after the taskbar was
// restarted); where the shell refuses, as it does while the icon is there, modifies it instead.
bool ReAddTrayIcon();
// Exit: NIM_DELETE with the record unchanged.
void RemoveTrayIcon();

// A balloon; the tooltip is its title unless told otherwise.
void ShowTrayBalloon(std::wstring_view text, std::wstring_view title, std::wstring_view tip = {},
                     DWORD icon = NIIF_INFO);
// The tooltip alone: no balloon, and none that was shown before comes back.
void SetTrayTip(std::wstring_view tip);
// Balloons switched off: ShowBubbles false and szInfo emptied in one step, so a later SetTrayTip
// never brings an old balloon back. No shell call.
void StopTrayBalloons();
