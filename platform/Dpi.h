#pragma once
// Dots per inch: the screen's as the process started, a window's own (each monitor may have its
// own), the notification area's, and what the system draws at a given DPI. The calls that Windows 10
// brought are looked up at run time: before it, every answer is the screen's, as the system's is.
#include <windows.h>

int ScreenDpi(int axis);  // LOGPIXELSX or LOGPIXELSY, read once
UINT WindowDpi(HWND window);
UINT TaskbarDpi();  // of the monitor whose taskbar shows the notification area
int SystemMetricForDpi(int index, UINT dpi);
// The size of a window whose client area is `client` pixels, with its frame drawn at `dpi`.
SIZE WindowSizeForDpi(SIZE client, DWORD style, DWORD exStyle, bool menu, UINT dpi);

#ifndef WM_GETDPISCALEDSIZE  // Windows 10 1703's, declared only for headers aimed at it
#define WM_GETDPISCALEDSIZE 0x02E4
#endif
