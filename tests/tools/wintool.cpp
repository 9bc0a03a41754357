// The e2e tests' hands and eyes for a whole run: a command a line, words split by tabs, a line back. find TITLE CLASS
// ("": any), controls HWND: hwnd|id|class|text|visible|enabled|checked (-1: no box)|focused|x,y,w,h and a tab each
// (texts as kept, so a busy window never holds it up); post HWND MSG WP LP; sync HWND; ping HWND; lnk PATH; ready;
// tray-delete HWND UID; taskbar-created; spi 0|1; pid HWND: the number of its process; guard NAME: holds a mutex no
// one may open, as another account's or an elevated process's would be ("": lets it go). Started as `wintool talk
// TITLE`: a program that keeps one window, whose second start hands its work to the first and ends; as `wintool locked
// EXE ARGS`: runs EXE as a process no other may open (an empty access list), and ends with its exit code.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <sddl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

static unsigned long long N(const std::string& s) { return std::strtoull(s.c_str(), nullptr, 10); }
static const char* Any(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }
static std::string Get(HWND w, bool className) {
    char b[4096] = {};
    GetClassNameA(w, b, sizeof b);
    // An edit box's and a time picker's text as shown are theirs to tell: asked for, across processes. Other
    // windows' texts are read without a message, which a busy window would hold up.
    const bool ask = !lstrcmpiA(b, "Edit") || !lstrcmpiA(b, DATETIMEPICK_CLASSA);
    if (!className) b[0] = '\0';
    if (!className && ask)
        SendMessageTimeoutA(w, WM_GETTEXT, sizeof b, reinterpret_cast<LPARAM>(b), SMTO_NORMAL, 5000, nullptr);
    else if (!className)
        GetWindowTextA(w, b, sizeof b);
    for (char* c = b; *c; ++c) *c = std::strchr("\r\n\t|", *c) ? ' ' : *c;  // the answer's own marks
    return b;
}
static void Print(HWND w, HWND focus) {  // the rectangle on the screen
    RECT r = {};
    GetWindowRect(w, &r);
    bool box = Get(w, true) == "Button" && (GetWindowLongA(w, GWL_STYLE) & 0xF) == BS_AUTOCHECKBOX;
    std::printf("%llu|%d|%s|%s|%d|%d|%d|%d|%ld,%ld,%ld,%ld\t", static_cast<unsigned long long>(
                reinterpret_cast<uintptr_t>(w)), GetDlgCtrlID(w), Get(w, true).c_str(), Get(w, false).c_str(),
                IsWindowVisible(w), IsWindowEnabled(w), box ? static_cast<int>(SendMessageA(w, BM_GETCHECK, 0, 0)) : -1,
                w == focus, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

int main(int argc, char** argv) {
    if (argc == 3 && !std::strcmp(argv[1], "talk")) {
        HWND w = FindWindowA(nullptr, argv[2]) ? nullptr : CreateWindowA("STATIC", argv[2], WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                                                         0, 300, 200, 100, nullptr, nullptr, nullptr, nullptr);
        for (MSG m; IsWindow(w); MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT))
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        return 0;
    }
    std::string line = argc > 2 ? std::string("\"") + argv[2] + "\"" : "";
    for (int i = 3; i < argc; ++i) line += std::string(" ") + argv[i];
    SECURITY_ATTRIBUTES locked = {sizeof locked, nullptr, FALSE};  // "D:": an access list that lets no one in
    ConvertStringSecurityDescriptorToSecurityDescriptorA("D:", SDDL_REVISION_1, &locked.lpSecurityDescriptor, nullptr);
    STARTUPINFOA start = {sizeof start};
    PROCESS_INFORMATION child = {};
    DWORD code = 1;
    if (argc > 2 && !std::strcmp(argv[1], "locked") &&
        CreateProcessA(nullptr, line.data(), &locked, nullptr, FALSE, 0, nullptr, nullptr, &start, &child)) {
        WaitForSingleObject(child.hProcess, INFINITE);
        GetExitCodeProcess(child.hProcess, &code);
    }
    if (argc > 2) return static_cast<int>(code);
    for (char line[4096]; std::fgets(line, sizeof line, stdin); std::puts(""), std::fflush(stdout)) {
        std::vector<std::string> a(1);
        for (char* c = line; *c && *c != '\n'; ++c)
            if (*c == '\t') a.emplace_back();
            else a.back() += *c;
        a.resize(5);  // missing words read as ""
        HWND w = reinterpret_cast<HWND>(static_cast<uintptr_t>(N(a[1])));
        GUITHREADINFO gui = {sizeof gui};
        NOTIFYICONDATAA icon = {NOTIFYICONDATAA_V2_SIZE, w, static_cast<UINT>(N(a[2]))};
        if (a[0] == "find" && (w = FindWindowA(Any(a[2]), Any(a[1])))) Print(w, nullptr);
        if (a[0] == "controls" && GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &gui))
            for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) Print(c, gui.hwndFocus);
        if (a[0] == "post") PostMessageA(w, N(a[2]), N(a[3]), N(a[4]));
        if (a[0] == "sync") SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
        DWORD start = GetTickCount();  // ping: how long the window takes to answer, at most 1000 ms (else -1)
        if (a[0] == "ping")
            std::printf("%ld\t", SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, 1000, nullptr) ? long(GetTickCount() - start) : -1L);
        if (a[0] == "ready") GetDesktopWindow();
        if (DWORD pid = 0; a[0] == "pid" && GetWindowThreadProcessId(w, &pid)) std::printf("%lu\t", pid);
        if (a[0] == "tray-delete") Shell_NotifyIconA(NIM_DELETE, &icon);
        if (a[0] == "spi")  // as Control Panel switches the screensaver: stored, and announced to every window
            SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, N(a[1]), nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
        IShellLinkA* link = nullptr;  // lnk PATH: a shortcut's target and arguments, as the shell reads them
        IPersistFile* file = nullptr;
        WCHAR wide[MAX_PATH] = {};
        char target[MAX_PATH] = {}, arguments[1024] = {};
        if (a[0] == "lnk") {
            MultiByteToWideChar(CP_ACP, 0, a[1].c_str(), -1, wide, MAX_PATH);
            CoInitialize(nullptr);
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link);
            if (link) link->QueryInterface(IID_IPersistFile, (void**)&file);
            if (file && SUCCEEDED(file->Load(wide, STGM_READ))) link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
            if (file) link->GetArguments(arguments, sizeof arguments);
            std::printf("%s\t%s\t", target, arguments);
        }
        static HANDLE guard = nullptr;
        SECURITY_ATTRIBUTES denied = {sizeof denied};
        if (a[0] == "guard" && guard) CloseHandle(std::exchange(guard, nullptr));
        if (a[0] == "guard" && !a[1].empty() && ConvertStringSecurityDescriptorToSecurityDescriptorA(
                                                    "D:(D;;GA;;;WD)", SDDL_REVISION_1, &denied.lpSecurityDescriptor, nullptr))
            guard = CreateMutexA(&denied, FALSE, a[1].c_str());
        if (a[0] == "hotkey") UnregisterHotKey(nullptr, 1);  // hotkey MODIFIERS KEY: held by this process (0 0: none)
        if (a[0] == "hotkey" && N(a[1])) std::printf("%d\t", RegisterHotKey(nullptr, 1, N(a[1]), N(a[2])));
        if (a[0] == "taskbar-created") PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    }
}
