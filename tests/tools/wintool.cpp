// wintool, the e2e tests' hands and eyes (texts as the system keeps them: a busy window never holds it up): find TITLE
// [CLASS] (TITLE "": a visible one) and controls HWND print hwnd|id|class|text|visible|enabled|checked (-1: no box)|
// focused|x,y,w,h; post HWND MSG WP LP; ready (the desktop up); tray-delete HWND UID; taskbar-created.
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <string>

static std::string title, cls;
static HWND found;
static unsigned long long N(const char* s) { unsigned long long n = 0; return std::sscanf(s, "%llu", &n), n; }
static std::string Get(HWND w, bool className) {
    char b[1024] = {};
    return className ? GetClassNameA(w, b, sizeof b) : GetWindowTextA(w, b, sizeof b), b;
}
static BOOL CALLBACK Match(HWND w, LPARAM) {
    bool match = (title.empty() ? IsWindowVisible(w) : Get(w, false) == title) && (cls.empty() || Get(w, true) == cls);
    return match ? (found = w, FALSE) : TRUE;
}
static void Print(HWND w, HWND parent, HWND focus) {  // the rectangle in the parent's client coordinates
    RECT r = {};
    GetWindowRect(w, &r) && MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    bool box = Get(w, true) == "Button" && (GetWindowLongA(w, GWL_STYLE) & 0xF) == BS_AUTOCHECKBOX;
    std::printf("%llu|%d|%s|%s|%d|%d|%d|%d|%ld,%ld,%ld,%ld\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(w)), GetDlgCtrlID(w),
                Get(w, true).c_str(), Get(w, false).c_str(), IsWindowVisible(w), IsWindowEnabled(w),
                box ? static_cast<int>(SendMessageA(w, BM_GETCHECK, 0, 0)) : -1, w == focus, r.left, r.top,
                r.right - r.left, r.bottom - r.top);
}

int main(int argc, char** argv) {
    std::string cmd = argc > 1 ? argv[1] : "";
    HWND w = argc > 2 ? reinterpret_cast<HWND>(static_cast<uintptr_t>(N(argv[2]))) : nullptr;
    GUITHREADINFO gui = {sizeof gui};
    NOTIFYICONDATAA icon = {NOTIFYICONDATAA_V2_SIZE, w, argc > 3 ? static_cast<UINT>(N(argv[3])) : 0u};
    if (cmd == "find" && argc > 2) title = argv[2], cls = argc > 3 ? argv[3] : "", EnumWindows(Match, 0);
    if (cmd == "find") return found ? Print(found, nullptr, nullptr), 0 : 1;
    if (cmd == "controls" && GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &gui))
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) Print(c, w, gui.hwndFocus);
    if (cmd == "post" && argc == 6) return !PostMessageA(w, N(argv[3]), N(argv[4]), N(argv[5]));
    if (cmd == "ready") return !DestroyWindow(CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, 0, 0, 0, 0));
    if (cmd == "tray-delete") return !Shell_NotifyIconA(NIM_DELETE, &icon);
    if (cmd == "taskbar-created") return !PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    return cmd == "controls" ? 0 : (std::fputs("wintool: see the top of wintool.cpp\n", stderr), 2);
}
