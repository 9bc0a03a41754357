// program_watch starts PROGRAM N: starts PROGRAM (a program with a window, notepad.exe by default) N
// times while the program watch lists it, and reports the time from its first top-level window's
// appearance (the system's own time stamp of the event) to the watch's notice, and from its end to the
// notice of the end: median and worst.
// program_watch idle SECONDS: the CPU time this process uses over SECONDS with the watch set for three
// programs and nothing starting; and, as the floor, over the same time with no watch.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ProgramWatch.h"

namespace {

constexpr UINT kMessage = WM_APP;
DWORD shownAt = 0, shownProcess = 0;  // the first top-level window of the process started last

void CALLBACK Shown(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD at) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (object == OBJID_WINDOW && child == CHILDID_SELF && id == shownProcess && !shownAt) shownAt = at;
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

void Report(const char* what, std::vector<DWORD> times) {
    std::sort(times.begin(), times.end());
    if (times.empty()) return;
    std::printf("%s: median %lu ms, worst %lu ms over %zu\n", what, times[times.size() / 2], times.back(), times.size());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (mode == "idle" && argc == 3) {
        const DWORD seconds = static_cast<DWORD>(std::atoi(argv[2]));
        std::printf("idle %lu s, no watch: %.1f ms CPU\n", seconds, IdleCpu(seconds));
        WatchPrograms(window, kMessage, {L"POWERPNT.EXE", L"vlc.exe", L"Teams.exe"});
        std::printf("idle %lu s, watching 3 programs: %.1f ms CPU\n", seconds, IdleCpu(seconds));
        return 0;
    }
    if (mode != "starts" || argc != 4) {
        std::fprintf(stderr, "usage: program_watch starts PROGRAM N | program_watch idle SECONDS\n");
        return 2;
    }
    std::string program = argv[2];
    const std::string name = program.substr(program.find_last_of("\\/") + 1);
    if (!WatchPrograms(window, kMessage, {std::wstring(name.begin(), name.end())})) return 1;
    SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, Shown, 0, 0, WINEVENT_OUTOFCONTEXT);
    std::vector<DWORD> starts, launches, ends;
    for (int i = 0; i < std::atoi(argv[3]); ++i) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        std::string line = "\"" + program + "\"";
        shownAt = 0;
        const DWORD launched = GetTickCount();
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 1;
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
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    Report("window shown to notice", starts);
    Report("started to notice (the program's own start-up included)", launches);
    Report("ended to notice", ends);
    return 0;
}
