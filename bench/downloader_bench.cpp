// The Downloader and the update check's own fetch, measured (run by bench/downloader.sh):
//   downloader_bench download URL FILE   one read through the Downloader control, saved to FILE
//   downloader_bench update URL FILE     the update check's fetch, save and delete, 20 times
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/HttpTransfer.h"
#include "platform/Text.h"
#include "update/Downloader.h"
#include "update/WholeFile.h"

namespace {

SIZE_T PeakBytes() {
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PeakWorkingSetSize;
}

int DownloadBigFile(const char* url, const char* file) {
    Downloader::Register();
    HWND host = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    HWND w = CreateWindowExA(0, Downloader::kClassName, "", WS_CHILD, 0, 0, 32, 32, host, nullptr, nullptr, nullptr);
    Downloader* d = Downloader::From(w);
    int32_t total = -1;
    int progress = 0;
    d->DownloadProgress = [&](int32_t, int32_t, std::wstring) { ++progress; };
    d->DownloadComplete = [&](int32_t max, std::wstring) { total = max; };
    SIZE_T before = PeakBytes();
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    d->BeginDownload(FromAnsi(url), FromAnsi(file));
    MSG m;
    while (total < 0 && GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    QueryPerformanceCounter(&t1);
    std::printf("downloader: %d bytes, %d progress events, %.3f s, peak working set %.1f MiB (%.1f MiB before)\n", total,
                progress, double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart), PeakBytes() / 1048576.0,
                before / 1048576.0);
    DestroyWindow(host);
    return total > 0 ? 0 : 1;
}

// The update check's own work, without the dialog: fetch, save whole, read back, delete.
int UpdateCheckFetch(const char* url, const char* file) {
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    const int rounds = 20;
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < rounds; ++i) {
        DeleteFileA(file);
        TransferResult r = HttpTransfer(url, {true, 30000, 30000});
        if (!r.complete || !WriteWholeFile(file, r.data)) return 1;
        DeleteFileA(file);
    }
    QueryPerformanceCounter(&t1);
    std::printf("update check fetch: %.1f ms a check (mean of %d)\n",
                1000.0 * double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart) / rounds, rounds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "download") return DownloadBigFile(argv[2], argv[3]);
    if (argc == 4 && std::string(argv[1]) == "update") return UpdateCheckFetch(argv[2], argv[3]);
    std::fprintf(stderr, "usage: downloader_bench download|update URL FILE\n");
    return 2;
}
