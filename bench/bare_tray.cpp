// The floor to compare BLIMO's start-up with: a bare Win32 program that adds one tray icon and
// waits for messages, nothing else.
#include <windows.h>
#include <shellapi.h>

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = inst;
    wc.lpszClassName = "BareTray";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA("BareTray", "bare tray", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, inst,
                              nullptr);
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    nid.hWnd = hwnd;
    nid.uID = 1;
    nid.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    nid.uCallbackMessage = WM_MOUSEMOVE;
    nid.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    lstrcpyA(nid.szTip, "bare");
    Shell_NotifyIconA(NIM_ADD, &nid);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    return 0;
}
