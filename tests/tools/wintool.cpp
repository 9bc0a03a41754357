// wintool: reads and pokes Win32 windows from a test script, as a person's eyes and hands would
// need: window texts, states and places, the tray's registration, posted messages.
//   wintool ready                         bring Wine's desktop up (touches a window)
//   wintool find TITLE [CLASS]            hwnd of a top-level window with that title, or exit 1
//   wintool find-class CLASS              hwnd of a visible top-level window of that class
//   wintool controls HWND                 one line per child: id|class|text|enabled|visible|checked|x,y,w,h
//   wintool window HWND                   visible|enabled|x,y,w,h (window) |cw,ch (client) |title
//   wintool post HWND MSG WPARAM LPARAM   PostMessage (numbers in decimal or 0x hex)
//   wintool send HWND MSG WPARAM LPARAM   SendMessage, prints the result
//   wintool send-many HWND MSG WP LP N    SendMessage N times, each answered in time; prints ms
//   wintool tray-delete HWND UID          removes a tray icon behind its owner's back
//   wintool taskbar-created               broadcasts "TaskbarCreated", as a restarted shell does
//   wintool menu-items                    items of the popup menu on screen: text|state
//   wintool focus HWND                    the window with the keyboard focus in HWND's thread: id|class|text
//                                         (id 0 for a top-level window), or exit 1 when none
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

unsigned long Num(const char* s) { return std::strtoul(s, nullptr, 0); }
HWND Hwnd(const char* s) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(Num(s))); }

std::string TextOf(HWND w) {
    char buf[4096] = {};
    SendMessageTimeoutA(w, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, nullptr);
    for (char* p = buf; *p; ++p)
        if (*p == '\r' || *p == '\n') *p = ' ';
    return buf;
}

struct FindArgs {
    const char* title;
    const char* cls;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK FindTop(HWND w, LPARAM p) {
    auto* a = reinterpret_cast<FindArgs*>(p);
    char cls[256] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (a->visibleOnly && !IsWindowVisible(w)) return TRUE;
    if (a->cls && std::strcmp(cls, a->cls) != 0) return TRUE;
    // The caption as the system keeps it: asking the window itself could wait on a busy process.
    char title[512] = {};
    if (a->title && (GetWindowTextA(w, title, sizeof title), std::strcmp(title, a->title) != 0)) return TRUE;
    a->found = w;
    return FALSE;
}

BOOL CALLBACK PrintChild(HWND w, LPARAM parent) {
    if (GetParent(w) != reinterpret_cast<HWND>(parent)) return TRUE;
    char cls[256] = {};
    GetClassNameA(w, cls, sizeof cls);
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, reinterpret_cast<HWND>(parent), reinterpret_cast<POINT*>(&r), 2);
    LRESULT check = std::strcmp(cls, "Button") == 0 ? SendMessageA(w, BM_GETCHECK, 0, 0) : -1;
    std::printf("%d|%s|%s|%d|%d|%ld|%ld,%ld,%ld,%ld\n", GetDlgCtrlID(w), cls, TextOf(w).c_str(),
                IsWindowEnabled(w) ? 1 : 0, IsWindowVisible(w) ? 1 : 0, static_cast<long>(check), r.left, r.top,
                r.right - r.left, r.bottom - r.top);
    return TRUE;
}

int Usage() {
    std::fprintf(stderr, "wintool: see the comment at the top of wintool.cpp\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string cmd = argv[1];
    if (cmd == "ready") {
        HWND w = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        DestroyWindow(w);
        return GetDesktopWindow() ? 0 : 1;
    }
    if ((cmd == "find" && argc >= 3) || (cmd == "find-class" && argc == 3)) {
        FindArgs a = {cmd == "find" ? argv[2] : nullptr, cmd == "find" ? (argc > 3 ? argv[3] : nullptr) : argv[2],
                      cmd == "find-class", nullptr};
        EnumWindows(FindTop, reinterpret_cast<LPARAM>(&a));
        if (!a.found) return 1;
        std::printf("%lu\n", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(a.found)));
        return 0;
    }
    if (cmd == "controls" && argc == 3) {
        HWND parent = Hwnd(argv[2]);
        if (!IsWindow(parent)) return 1;
        EnumChildWindows(parent, PrintChild, reinterpret_cast<LPARAM>(parent));
        return 0;
    }
    if (cmd == "window" && argc == 3) {
        HWND w = Hwnd(argv[2]);
        if (!IsWindow(w)) return 1;
        RECT r, c;
        GetWindowRect(w, &r);
        GetClientRect(w, &c);
        std::printf("%d|%d|%ld,%ld,%ld,%ld|%ld,%ld|%s\n", IsWindowVisible(w) ? 1 : 0, IsWindowEnabled(w) ? 1 : 0,
                    r.left, r.top, r.right - r.left, r.bottom - r.top, c.right, c.bottom, TextOf(w).c_str());
        return 0;
    }
    if ((cmd == "post" || cmd == "send") && argc == 6) {
        HWND w = Hwnd(argv[2]);
        UINT msg = static_cast<UINT>(Num(argv[3]));
        WPARAM wp = Num(argv[4]);
        LPARAM lp = static_cast<LPARAM>(Num(argv[5]));
        if (cmd == "post") return PostMessageA(w, msg, wp, lp) ? 0 : 1;
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(w, msg, wp, lp, SMTO_ABORTIFHUNG, 10000, &result)) return 1;
        std::printf("%lu\n", static_cast<unsigned long>(result));
        return 0;
    }
    if (cmd == "send-many" && argc == 7) {
        HWND w = Hwnd(argv[2]);
        UINT msg = static_cast<UINT>(Num(argv[3]));
        DWORD start = GetTickCount();
        for (unsigned long i = 0, n = Num(argv[6]); i < n; ++i) {
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutA(w, msg, Num(argv[4]), static_cast<LPARAM>(Num(argv[5])), SMTO_ABORTIFHUNG, 5000,
                                     &result)) {
                std::printf("no answer at message %lu\n", i);
                return 1;
            }
        }
        std::printf("%lu\n", GetTickCount() - start);
        return 0;
    }
    if (cmd == "tray-delete" && argc == 4) {
        NOTIFYICONDATAA nid = {};
        nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
        nid.hWnd = Hwnd(argv[2]);
        nid.uID = static_cast<UINT>(Num(argv[3]));
        return Shell_NotifyIconA(NIM_DELETE, &nid) ? 0 : 1;
    }
    if (cmd == "taskbar-created") {
        UINT msg = RegisterWindowMessageA("TaskbarCreated");
        return PostMessageA(HWND_BROADCAST, msg, 0, 0) ? 0 : 1;
    }
    if (cmd == "menu-items") {
        FindArgs a = {nullptr, "#32768", true, nullptr};
        EnumWindows(FindTop, reinterpret_cast<LPARAM>(&a));
        if (!a.found) return 1;
        auto menu = reinterpret_cast<HMENU>(SendMessageA(a.found, 0x01E1 /* MN_GETHMENU */, 0, 0));
        for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
            char text[256] = {};
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            std::printf("%s|%u\n", text, GetMenuState(menu, i, MF_BYPOSITION));
        }
        return 0;
    }
    if (cmd == "focus" && argc == 3) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(Hwnd(argv[2]), nullptr), &info) || !info.hwndFocus) return 1;
        char cls[256] = {};
        GetClassNameA(info.hwndFocus, cls, sizeof cls);
        std::printf("%d|%s|%s\n", GetParent(info.hwndFocus) ? GetDlgCtrlID(info.hwndFocus) : 0, cls,
                    TextOf(info.hwndFocus).c_str());
        return 0;
    }
    return Usage();
}
