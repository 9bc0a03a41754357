// The Downloader against httpserver.py's NAMED answers: each read's events and file, the warning, the size.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>

#include "Support.h"
#include "platform/Text.h"
#include "update/Downloader.h"

namespace {

namespace fs = std::filesystem;
using Events = std::vector<std::string>;
const fs::path kDir = fs::temp_directory_path() / "blimo-dl";

std::wstring Url(const char* name) {
    return FromAnsi("http://127.0.0.1:" + std::string(getenv("BLIMO_TEST_PORT")) + "/" + name);
}
std::wstring File(const char* name) { return (kDir / name).wstring(); }
std::string Body(size_t n) {  // as the server makes it: 0, 1 ... 255, 0 ...
    std::string s(n, '\0');
    std::iota(s.begin(), s.end(), '\0');
    return s;
}
std::optional<std::string> Read(const char* name) {
    std::ifstream f(kDir / name, std::ios::binary);
    return f ? std::optional(std::string(std::istreambuf_iterator<char>(f), {})) : std::nullopt;
}

struct DownloaderTest : ::testing::Test {
    DownloaderTest() {
        fs::create_directory(kDir);
        Downloader::Register();
        host = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 99, 99, 0, 0, 0, 0);
        d = Make();
        d->DownloadProgress = [this](int32_t, int32_t max, std::wstring f) {  // each total once, in order
            const std::string total = "P" + std::to_string(max);
            if (Events& e = events[f]; e.empty() || e.back() != total) e.push_back(total);
        };
        d->DownloadError = [this](std::wstring f) { events[f].push_back("E"); };
        d->DownloadComplete = [this](int32_t max, std::wstring f) {
            events[f].push_back("C" + std::to_string(max));
            ++ends;
        };
    }
    ~DownloaderTest() override {
        DestroyWindow(host);
        fs::remove_all(kDir);
    }
    Downloader* Make() {
        return Downloader::From(CreateWindowExA(0, Downloader::kClassName, "", WS_CHILD, 0, 0, 48, 48, host, 0, 0, 0));
    }
    Recorder rec;
    HWND host = nullptr;
    Downloader* d = nullptr;
    std::map<std::wstring, Events> events;  // by file, in the order raised
    int ends = 0;
};

TEST_F(DownloaderTest, EveryReadEndsWithTheFileItsAnswerDeserves) {
    const std::string whole = Body(307200), part = Body(70000);
    std::ofstream(kDir / "nolength", std::ios::binary) << whole;  // an older, longer file is replaced whole
    const std::tuple<const char*, Events, std::optional<std::string>> rows[] = {  // events, the file left
        {"ok", {"P307200", "C307200"}, whole}, {"nolength", {"C70000"}, part},  // no total while it ran: no progress
        {"missing", {"E", "C0"}, {}}, {"short", {"P5000", "E", "C0"}, {}}};
    d->BeginDownload(Url("ok"), File("no such folder\\ok"));  // a save that fails; "ok" is read twice at once
    for (const auto& [name, expected, saved] : rows) d->BeginDownload(Url(name), File(name));
    Make()->BeginDownload(Url("nolength"), File("quiet"));     // no handlers: the file is still saved
    ASSERT_TRUE(PumpUntil([&] { return ends >= 5 && fs::exists(kDir / "quiet"); })) << "reads still running";
    for (const auto& [name, expected, saved] : rows)
        EXPECT_EQ(std::pair(events[File(name)], Read(name)), std::pair(expected, saved)) << name << ": events, file";
    EXPECT_EQ(events[File("no such folder\\ok")], (Events{"P307200", "E", "C307200"}));
    EXPECT_EQ(Read("quiet"), part);
    EXPECT_EQ(Recorder::calls, Events{});  // no message box
}

TEST_F(DownloaderTest, TheControlStaysThirtyTwoPixels) {
    RECT r;
    SetWindowPos(d->Hwnd(), nullptr, 0, 0, 100, 50, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(d->Hwnd(), &r);
    EXPECT_EQ(r.right - r.left, 32) << "made 48, set 100";
    EXPECT_EQ(r.bottom - r.top, 32) << "made 48, set 50";
}

}  // namespace
