#include "platform/Dpi.h"

#include "platform/Api.h"

namespace {

template <class Fn>
Fn FromUser32(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

}  // namespace

int ScreenDpi(int axis) {
    // The screen's dots per inch are fixed for the life of the process: read them once.
    auto read = [](int which) {
        HDC screen = GetDC(nullptr);
        int dpi = GetDeviceCaps(screen, which);
        ReleaseDC(nullptr, screen);
        return dpi > 0 ? dpi : 96;
    };
    static const int x = read(LOGPIXELSX), y = read(LOGPIXELSY);
    return axis == LOGPIXELSY ? y : x;
}

UINT WindowDpi(HWND window) {
    static const auto get = FromUser32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const UINT dpi = get && window ? get(window) : 0;
    return dpi ? dpi : static_cast<UINT>(ScreenDpi(LOGPIXELSX));
}

UINT TaskbarDpi() {
    // With no taskbar window, the primary monitor, where Windows puts the notification area.
    const HMONITOR monitor = MonitorFromWindow(FindWindowA("Shell_TrayWnd", nullptr), MONITOR_DEFAULTTOPRIMARY);
    UINT x = 0, y = 0;
    const bool known = Api.GetDpiForMonitor(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y) == S_OK && x;
    return known ? x : static_cast<UINT>(ScreenDpi(LOGPIXELSX));
}

int SystemMetricForDpi(int index, UINT dpi) {
    static const auto get = FromUser32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    return get ? get(index, dpi) : GetSystemMetrics(index);
}

SIZE WindowSizeForDpi(SIZE client, DWORD style, DWORD exStyle, bool menu, UINT dpi) {
    static const auto adjust = FromUser32<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT r = {0, 0, client.cx, client.cy};
    if (!adjust || !adjust(&r, style, menu, exStyle, dpi)) AdjustWindowRectEx(&r, style, menu, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}
