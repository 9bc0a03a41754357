#pragma once
// The one seam between the program and the Windows calls whose effect a test cannot read back
// by itself. Every member defaults to the real API; tests swap in recorders (tests/unit/Support.h)
// and put the originals back.
#include <windows.h>
#include <shellapi.h>

struct PlatformApi {
    // Registry: through the seam so tests can count key handles opened and closed.
    LONG(WINAPI* RegOpenKeyA)(HKEY, LPCSTR, PHKEY);
    LONG(WINAPI* RegCreateKeyA)(HKEY, LPCSTR, PHKEY);
    LONG(WINAPI* RegQueryValueExA)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    LONG(WINAPI* RegSetValueExA)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
    LONG(WINAPI* RegDeleteValueA)(HKEY, LPCSTR);
    LONG(WINAPI* RegCloseKey)(HKEY);

    BOOL(WINAPI* Shell_NotifyIconA)(DWORD, PNOTIFYICONDATAA);
    BOOL(WINAPI* SystemParametersInfoA)(UINT, UINT, PVOID, UINT);
    HINSTANCE(WINAPI* ShellExecuteA)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    // hhctrl.ocx is loaded on first use, so the program starts where it is missing.
    HWND(WINAPI* HtmlHelpA)(HWND, LPCSTR, UINT, DWORD_PTR);
    int(WINAPI* MessageBoxA)(HWND, LPCSTR, LPCSTR, UINT);
    // Exit: a test sees the icon go before the process would end.
    VOID(WINAPI* ExitProcess)(UINT);
    // The display hold: which of these a switch calls, and in what order, is seen only here.
    HANDLE(WINAPI* PowerCreateRequest)(PREASON_CONTEXT);
    BOOL(WINAPI* PowerSetRequest)(HANDLE, POWER_REQUEST_TYPE);
    BOOL(WINAPI* PowerClearRequest)(HANDLE, POWER_REQUEST_TYPE);
    EXECUTION_STATE(WINAPI* SetThreadExecutionState)(EXECUTION_STATE);
    // Restart after an installer closed the program: the Restart Manager alone acts on it.
    HRESULT(WINAPI* RegisterApplicationRestart)(PCWSTR, DWORD);
    // "/off:run": a program that asks for administrator rights fails here only on Windows itself.
    BOOL(WINAPI* CreateProcessA)(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                                 LPSTARTUPINFOA, LPPROCESS_INFORMATION);
    // A monitor's own DPI (Windows 8.1 and later, from shcore.dll; E_NOTIMPL before): Wine gives every monitor
    // the screen's, so a test stands in for a taskbar on a monitor of another DPI.
    HRESULT(WINAPI* GetDpiForMonitor)(HMONITOR, int, UINT*, UINT*);
    // The power source and charge: Wine reports none but the mains.
    BOOL(WINAPI* GetSystemPowerStatus)(LPSYSTEM_POWER_STATUS);
};

extern PlatformApi Api;
