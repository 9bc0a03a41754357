// program_watch starts PROGRAM N: starts PROGRAM (a program with a window, notepad.exe by default) N
// times while the program watch lists it, and reports the time from its first top-level window's
// appearance (the system's own time stamp of the event) to the watch's notice, and from its end to the
// notice of the end: median and worst.
// program_watch idle SECONDS: the CPU time this process uses over SECONDS with the watch set for three
// programs and nothing starting; and, as the floor, over the same time with no watch.
// program_watch blimo EXE PROGRAM N: the same through BLIMO itself. Lists PROGRAM's file name in
// "OffWhileRunning" (the screensaver on, no policy, no promise, no other rule), starts BLIMO (EXE) and waits for
// its tray icon, then N times starts PROGRAM and reports the time from its first top-level window's appearance
// to "ScreenSaveActive" becoming "0" (seen through a change notification on the key), and from its end to
// "1". Ends with BLIMO's menu Exit, and every value as it was.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/ProgramWatch.h"

namespace {

constexpr UINT kMessage = WM_APP;
DWORD shownAt = 0, shownProcess = 0;  // the first top-level window of the process started last

// The system's time stamp of the first event (its creation, as a rule) of a top-level window of that process:
// the first moment anyone, BLIMO included, can learn that the program has a window.
void CALLBACK Shown(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD at) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (event == EVENT_OBJECT_DESTROY || object != OBJID_WINDOW || child != CHILDID_SELF || id != shownProcess) return;
    if (!shownAt && GetAncestor(window, GA_PARENT) == GetDesktopWindow()) shownAt = at;
}

// Runs the loop as the program's does until `wanted` arrives (true) or `ms` pass; the time it arrived.
bool AwaitNotice(WPARAM wanted, DWORD ms, DWORD& at) {
    for (DWORD start = GetTickCount(), spent = 0; spent < ms; spent = GetTickCount() - start) {
        const auto waits = ProgramHandles();  // asleep until something happens: the bench adds no wake-up of its own
        const DWORD got = MsgWaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, ms - spent, QS_ALLINPUT);
        if (got < waits.size()) ProgramSignaled(got);
        for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) {
            if (m.message == kMessage && m.wParam == wanted) {
                at = GetTickCount();
                return true;
            }
            DispatchMessageA(&m);
        }
    }
    return false;
}

double CpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](FILETIME t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

double IdleCpu(DWORD seconds) {
    const double before = CpuMs();
    DWORD at = 0;
    AwaitNotice(~WPARAM{0}, seconds * 1000, at);
    return CpuMs() - before;
}

void Report(const char* what, const std::vector<DWORD>& times, const char* goal = "") {
    std::vector<DWORD> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    if (times.empty()) return (void)std::printf("%s: none seen\n", what);
    std::printf("%s: median %lu ms, worst %lu ms over %zu%s; in order:", what, sorted[sorted.size() / 2], sorted.back(),
                sorted.size(), goal);
    for (const DWORD t : times) std::printf(" %lu", t);
    std::printf("\n");
}

PROCESS_INFORMATION Start(const std::string& program) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = "\"" + program + "\"";
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) std::exit(1);
    CloseHandle(pi.hThread);
    return pi;
}

// The values BLIMO's rules and the screensaver's state are read from: each as the bench found it (data and type,
// none when absent), absent while the bench runs unless it sets one, and put back at its end.
constexpr char kDesktop[] = "Control Panel\\Desktop", kSettings[] = "Software\\Fenwa Inc\\BLIMO";
struct Kept {
    HKEY root;
    const char* key;
    const char* name;
    std::optional<std::string> data = {};
    DWORD type = REG_SZ;
};
Kept kept[] = {
    {HKEY_CURRENT_USER, kDesktop, "ScreenSaveActive"},
    {HKEY_CURRENT_USER, kSettings, "OffWhileRunning"},
    {HKEY_CURRENT_USER, kSettings, "OffUntil"},  // a promise stored by an earlier BLIMO: an Off that is not the rule's
    {HKEY_CURRENT_USER, kSettings, "OffWhile"},
    {HKEY_CURRENT_USER, kSettings, "OffHours"},
    {HKEY_CURRENT_USER, kSettings, "OnlyPluggedIn"},
    {HKEY_CURRENT_USER, kSettings, "BatteryFloor"},
    {HKEY_CURRENT_USER, "Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop", "ScreenSaveActive"},
    {HKEY_CURRENT_USER, "Software\\Policies\\Fenwa Inc\\BLIMO", "OffWhileRunning"},
    {HKEY_LOCAL_MACHINE, "Software\\Policies\\Fenwa Inc\\BLIMO", "OffWhileRunning"},
};

void Put(const Kept& value, const std::optional<std::string>& data, DWORD type = REG_SZ) {
    if (data)
        RegSetKeyValueA(value.root, value.key, value.name, type, data->data(), static_cast<DWORD>(data->size()));
    else
        RegDeleteKeyValueA(value.root, value.key, value.name);
}
std::string Sz(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }

std::string SaverValue() {
    char data[16] = {};
    DWORD size = sizeof data;
    RegGetValueA(HKEY_CURRENT_USER, kDesktop, "ScreenSaveActive", RRF_RT_REG_SZ, nullptr, data, &size);
    return data;
}

// Runs the loop (the hook's events come with the messages) until "ScreenSaveActive" reads `wanted`, looked at
// each time the key tells of a change; the time it was told, 0 if not within `ms`.
DWORD AwaitSaver(HKEY desktop, HANDLE changed, const char* wanted, DWORD ms) {
    for (DWORD start = GetTickCount(), spent = 0; spent <= ms; spent = GetTickCount() - start) {
        const DWORD got = MsgWaitForMultipleObjects(1, &changed, FALSE, ms - spent, QS_ALLINPUT);
        const DWORD at = GetTickCount();
        for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&m);
        if (got != WAIT_OBJECT_0) continue;
        RegNotifyChangeKeyValue(desktop, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed, TRUE);  // before the read: no change is lost
        if (SaverValue() == wanted) return at;
    }
    return 0;
}

// BLIMO's main window once it runs with its tray icon; none if it ended first (another BLIMO ran) or took 20 s.
HWND AwaitBlimo(const PROCESS_INFORMATION& blimo) {
    for (int i = 0; i < 2000 && WaitForSingleObject(blimo.hProcess, 10) == WAIT_TIMEOUT; ++i) {
        const HWND window = FindWindowA("BLIMOForm", "About BLIMO");
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        NOTIFYICONDATAA icon = {};
        icon.cbSize = NOTIFYICONDATAA_V2_SIZE;
        icon.hWnd = window;
        icon.uID = 1;
        if (window && id == blimo.dwProcessId && Shell_NotifyIconA(NIM_MODIFY, &icon)) return window;
    }
    return nullptr;
}

// Each value as the bench found it, then absent; put back with KeepValues(false).
void KeepValues(bool keep) {
    for (Kept& value : kept) {
        char data[4096];
        DWORD size = sizeof data;
        if (keep && RegGetValueA(value.root, value.key, value.name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, data, &size) == ERROR_SUCCESS)
            value.data.emplace(data, size);
        Put(value, keep ? std::nullopt : value.data, value.type);
    }
}

struct Times {
    std::vector<DWORD> offs, launches, ons;
    int early = 0;  // switched off before the window appeared
};

// One start of the listed program and its end, timed against the key's changes.
void StartAndEnd(int i, const std::string& program, HKEY desktop, HANDLE changed, Times& times) {
    shownAt = 0;
    const DWORD launched = GetTickCount();
    const PROCESS_INFORMATION pi = Start(program);
    shownProcess = pi.dwProcessId;
    const DWORD off = AwaitSaver(desktop, changed, "0", 5000);
    for (const DWORD start = GetTickCount(); !shownAt && GetTickCount() - start < 2000;) {  // its event may come after
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&m);
    }
    if (!off) std::printf("start %d: no switch within 5 s (\"ScreenSaveActive\" = \"%s\")\n", i, SaverValue().c_str());
    if (off && !shownAt) std::printf("start %d: its window's appearance not seen\n", i);
    if (off && shownAt && static_cast<LONG>(off - shownAt) < 0) ++times.early;
    else if (off && shownAt) times.offs.push_back(off - shownAt);
    if (off) times.launches.push_back(off - launched);
    Sleep(200);  // the program settled, as a person's is
    const DWORD ended = GetTickCount();
    TerminateProcess(pi.hProcess, 0);
    if (const DWORD on = AwaitSaver(desktop, changed, "1", 5000)) times.ons.push_back(on - ended);
    else std::printf("end %d: no switch within 5 s\n", i);
    CloseHandle(pi.hProcess);
    // BLIMO's own switch comes back to it as a change of its keys, on which it reads its rules again and looks
    // for listed programs among those running: a program started in that moment is found there, not by its window.
    Sleep(300);
}

int ThroughBlimo(const char* exe, const std::string& program, int starts) {
    if (FindWindowA("BLIMOForm", nullptr)) {
        std::fprintf(stderr, "a BLIMO runs already: a second one would end at once\n");
        return 1;
    }
    KeepValues(true);
    Put(kept[0], Sz("1"));  // an Off found at start-up would make the rule's Off write the value it already has
    Put(kept[1], Sz(program.substr(program.find_last_of("\\/") + 1)));
    HKEY desktop = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, kDesktop, 0, KEY_NOTIFY | KEY_QUERY_VALUE, &desktop);
    const HANDLE changed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    RegNotifyChangeKeyValue(desktop, FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed, TRUE);
    SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, Shown, 0, 0, WINEVENT_OUTOFCONTEXT);
    const PROCESS_INFORMATION blimo = Start(exe);
    const HWND window = AwaitBlimo(blimo);
    if (!window) std::printf("BLIMO did not come up within 20 s\n");
    Times times;
    for (int i = 0; window && i < starts; ++i) StartAndEnd(i, program, desktop, changed, times);
    PostMessageA(window, WM_COMMAND, 1006, 0);  // its menu's Exit
    if (WaitForSingleObject(blimo.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(blimo.hProcess, 1);
    KeepValues(false);
    RegCloseKey(desktop);
    Report("window to screensaver off", times.offs, " (goal: median under 100 ms, worst under 2 s)");
    if (times.early) std::printf("switched off before the window appeared: %d\n", times.early);
    Report("started to screensaver off (the program's own start-up included)", times.launches);
    Report("ended to screensaver on", times.ons, " (goal: at once)");
    return times.offs.size() + times.early == static_cast<size_t>(starts) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "blimo" && argc == 5) return ThroughBlimo(argv[2], argv[3], std::atoi(argv[4]));
    const HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (mode == "idle" && argc == 3) {
        const DWORD seconds = static_cast<DWORD>(std::atoi(argv[2]));
        std::printf("idle %lu s, no watch: %.1f ms CPU\n", seconds, IdleCpu(seconds));
        WatchPrograms(window, kMessage, {L"POWERPNT.EXE", L"vlc.exe", L"Teams.exe"});
        std::printf("idle %lu s, watching 3 programs: %.1f ms CPU\n", seconds, IdleCpu(seconds));
        return 0;
    }
    if (mode != "starts" || argc != 4) {
        std::fprintf(stderr, "usage: program_watch starts PROGRAM N | program_watch idle SECONDS | program_watch blimo EXE PROGRAM N\n");
        return 2;
    }
    const std::string program = argv[2];
    const std::string name = program.substr(program.find_last_of("\\/") + 1);
    if (!WatchPrograms(window, kMessage, {std::wstring(name.begin(), name.end())})) return 1;
    SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, Shown, 0, 0, WINEVENT_OUTOFCONTEXT);
    std::vector<DWORD> starts, launches, ends;
    for (int i = 0; i < std::atoi(argv[3]); ++i) {
        shownAt = 0;
        const DWORD launched = GetTickCount();
        const PROCESS_INFORMATION pi = Start(program);
        shownProcess = pi.dwProcessId;
        DWORD noticed = 0, ended = 0;
        if (!AwaitNotice(kProgramStarted, 10000, noticed)) std::printf("start %d not noticed\n", i);
        else if (shownAt) starts.push_back(noticed - shownAt);
        if (noticed) launches.push_back(noticed - launched);
        Sleep(300);  // the window settled, as a person's program is
        const DWORD killed = GetTickCount();
        TerminateProcess(pi.hProcess, 0);
        if (AwaitNotice(kProgramEnded, 5000, ended)) ends.push_back(ended - killed);
        else std::printf("end %d not noticed\n", i);
        CloseHandle(pi.hProcess);
    }
    Report("window shown to notice", starts);
    Report("started to notice (the program's own start-up included)", launches);
    Report("ended to notice", ends);
    return 0;
}
