// The Downloader and the update check's own fetch, measured (run by bench/downloader.sh):
//   downloader_bench download URL FILE   one read through the Downloader control, saved to FILE
//   downloader_bench update URL FILE     the update check's fetch, save and delete, 20 times
//   downloader_bench bare URL FILE       the floor: WinINet's own read loop into one buffer, the
//                                        largest reads it takes, no events; then the same save
//   downloader_bench bare256 URL FILE    the same with reads of 256 KiB at most, as the Downloader's
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <algorithm>
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

int BareRead(const char* url, const char* saveAs, DWORD readAtMost) {
    constexpr DWORD kRoom = 65u << 20;  // the file and then some: each read as large as what is left
    auto* buffer = static_cast<unsigned char*>(VirtualAlloc(nullptr, kRoom, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    LARGE_INTEGER f, t0, t1, t2;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    HINTERNET net = InternetOpenA("bench", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    HINTERNET file = InternetOpenUrlA(net, url, nullptr, 0, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    DWORD total = 0;
    for (DWORD got = 0; buffer && file && total < kRoom && InternetReadFile(file, buffer + total, std::min(kRoom - total, readAtMost), &got) &&
                        got > 0;)
        total += got;
    QueryPerformanceCounter(&t1);
    InternetCloseHandle(file), InternetCloseHandle(net);
    const bool saved = buffer && WriteWholeFile(saveAs, {buffer, total});
    QueryPerformanceCounter(&t2);
    const auto seconds = [&](LARGE_INTEGER a, LARGE_INTEGER b) { return double(b.QuadPart - a.QuadPart) / double(f.QuadPart); };
    std::printf("bare WinINet loop, reads of %lu KiB at most: %lu bytes, %.3f s; the same save after it: %.3f s%s\n",
                readAtMost >> 10, total, seconds(t0, t1), seconds(t1, t2), saved ? "" : " (failed)");
    return total > 0 && saved ? 0 : 1;
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
    if (argc == 4 && std::string(argv[1]) == "bare") return BareRead(argv[2], argv[3], 65u << 20);
    if (argc == 4 && std::string(argv[1]) == "bare256") return BareRead(argv[2], argv[3], 256u << 10);
    std::fprintf(stderr, "usage: downloader_bench download|update|bare URL FILE\n");
    return 2;
}
