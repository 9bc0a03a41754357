// startup_probe EXE [EXE...] [--runs N]: for each run and each program in turn, the time from
// CreateProcess to the moment the program's tray icon exists. The icon is seen by asking the shell
// to modify it (changing nothing) until it answers yes. Prints one line per program: the median
// and the runs in milliseconds. Each program is ended (and its icon removed) after each run.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Find {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK Collect(HWND w, LPARAM p) {
    auto* f = reinterpret_cast<Find*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == f->pid) f->windows.push_back(w);
    return TRUE;
}

bool IconOf(HWND w, DWORD message) {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    nid.hWnd = w;
    nid.uID = 1;
    return Shell_NotifyIconA(message, &nid) != FALSE;
}

double OneRun(const char* exe) {
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = std::string("\"") + exe + "\"";
    QueryPerformanceCounter(&t0);
    if (!CreateProcessA(exe, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    HWND owner = nullptr;
    for (int spin = 0; spin < 200000 && !owner; ++spin) {
        Find f = {pi.dwProcessId, {}};
        EnumWindows(Collect, reinterpret_cast<LPARAM>(&f));
        for (HWND w : f.windows)
            if (IconOf(w, NIM_MODIFY)) owner = w;
        if (!owner) Sleep(0);
    }
    QueryPerformanceCounter(&t1);
    if (owner) IconOf(owner, NIM_DELETE);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    Sleep(200);
    return owner ? 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<const char*> exes;
    int runs = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else
            exes.push_back(argv[i]);
    }
    if (exes.empty()) {
        std::fprintf(stderr, "usage: startup_probe EXE [EXE...] [--runs N]\n");
        return 2;
    }
    std::vector<std::vector<double>> times(exes.size());
    for (int r = 0; r < runs; ++r)  // alternating, so drift hits every program alike
        for (size_t e = 0; e < exes.size(); ++e) times[e].push_back(OneRun(exes[e]));
    std::vector<double> medians;
    for (size_t e = 0; e < exes.size(); ++e) {
        std::vector<double> sorted = times[e];
        std::sort(sorted.begin(), sorted.end());
        medians.push_back(sorted[sorted.size() / 2]);
        std::printf("%s median %.1f ms runs", exes[e], medians.back());
        for (double t : times[e]) std::printf(" %.1f", t);
        std::printf("\n");
    }
    if (medians.size() == 2) std::printf("ratio of the medians: %.2f\n", medians[0] / medians[1]);
    return 0;
}
