// Measurements, not tests: run by bench/downloader.sh with BLIMO_BENCH_URL set, skipped otherwise.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/HttpTransfer.h"
#include "update/Downloader.h"
#include "update/WholeFile.h"

namespace {

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

SIZE_T PeakBytes() {
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PeakWorkingSetSize;
}

TEST(Bench, DISABLED_DownloaderBigFile) {
    const char* url = std::getenv("BLIMO_BENCH_URL");
    const char* file = std::getenv("BLIMO_BENCH_FILE");
    if (!url || !file) GTEST_SKIP() << "BLIMO_BENCH_URL and BLIMO_BENCH_FILE are not set";
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
    d->BeginDownload(Wide(url), Wide(file));
    MSG m;
    while (total < 0 && GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    QueryPerformanceCounter(&t1);
    std::printf("downloader: %d bytes, %d progress events, %.3f s, peak working set %.1f MiB (%.1f MiB before)\n", total,
                progress, double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart), PeakBytes() / 1048576.0,
                before / 1048576.0);
    DestroyWindow(host);
}

// The update check's own work, without the dialog: fetch, save whole, read back, delete.
TEST(Bench, DISABLED_UpdateCheckFetch) {
    const char* url = std::getenv("BLIMO_BENCH_UPDATE_URL");
    const char* file = std::getenv("BLIMO_BENCH_UPDATE_FILE");
    if (!url || !file) GTEST_SKIP() << "BLIMO_BENCH_UPDATE_URL and BLIMO_BENCH_UPDATE_FILE are not set";
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    const int rounds = 20;
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < rounds; ++i) {
        DeleteFileA(file);
        TransferResult r = HttpTransfer(url, {true, 30000, 30000});
        ASSERT_TRUE(r.complete && WriteWholeFile(file, r.data));
        DeleteFileA(file);
    }
    QueryPerformanceCounter(&t1);
    std::printf("update check fetch: %.1f ms a check (mean of %d)\n",
                1000.0 * double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart) / rounds, rounds);
}

}  // namespace
