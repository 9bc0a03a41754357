// idle_cpu EXE SECONDS: starts the program and waits until its tray icon exists; 10 s later reports
// its working set (Wine's own share included, as in any program under Wine; scripts/bench reads
// the private bytes from the system at that moment, which Wine does not report), then the CPU time
// (user + kernel) it uses over the next SECONDS while nobody touches it. The CPU goal is zero: no
// timers and no polling once the icon is there.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Find {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK WithIcon(HWND w, LPARAM p) {
    auto* f = reinterpret_cast<Find*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != f->pid) return TRUE;
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    nid.hWnd = w;
    nid.uID = 1;
    if (!Shell_NotifyIconA(NIM_MODIFY, &nid)) return TRUE;
    f->found = w;
    return FALSE;
}

double CpuMs(HANDLE process) {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto ticks = [](FILETIME t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: idle_cpu EXE SECONDS\n");
        return 2;
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = std::string("\"") + argv[1] + "\"";
    if (!CreateProcessA(argv[1], cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 1;
    Find f = {pi.dwProcessId, nullptr};
    for (int i = 0; i < 2000 && !f.found; ++i) {
        EnumWindows(WithIcon, reinterpret_cast<LPARAM>(&f));
        if (!f.found) Sleep(10);
    }
    if (!f.found) return 1;
    Sleep(10000);  // start-up settled, as it sits in the tray all day
    PROCESS_MEMORY_COUNTERS_EX mem = {};
    mem.cb = sizeof mem;
    if (GetProcessMemoryInfo(pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof mem))
        std::printf("%s: idle working set %.2f MiB\n", argv[1], mem.WorkingSetSize / 1048576.0);
    std::fflush(stdout);
    double before = CpuMs(pi.hProcess);
    Sleep(static_cast<DWORD>(std::atoi(argv[2]) * 1000));
    double after = CpuMs(pi.hProcess);
    std::printf("%s: %.1f ms CPU over %s s idle (%.1f ms at start-up)\n", argv[1], after - before, argv[2], before);
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    nid.hWnd = f.found;
    nid.uID = 1;
    Shell_NotifyIconA(NIM_DELETE, &nid);
    TerminateProcess(pi.hProcess, 0);
    return 0;
}
