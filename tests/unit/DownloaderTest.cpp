// The Downloader against the tests' HTTP server (port in BLIMO_TEST_PORT, behaviours named in
// httpserver.py): the events each read raises, the file it leaves, the warning, its size.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "Support.h"
#include "platform/Text.h"
#include "update/Downloader.h"

namespace {

namespace fs = std::filesystem;
using Events = std::vector<std::string>;

std::wstring Url(const char* name) {
    return FromAnsi(std::string("http://127.0.0.1:") + getenv("BLIMO_TEST_PORT") + "/" + name);
}

std::string Body(size_t n) {  // as the server makes it
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i);
    return s;
}

Events Tail(const Events& e, size_t n) { return Events(e.end() - std::min(n, e.size()), e.end()); }

std::optional<std::string> Read(const fs::path& file) {
    std::ifstream f(file, std::ios::binary);
    return f ? std::optional(std::string(std::istreambuf_iterator<char>(f), {})) : std::nullopt;
}

struct DownloaderTest : ::testing::Test {
    void SetUp() override {
        Downloader::Register();
        fs::create_directory(dir);
        d->DownloadProgress = [this](int32_t cur, int32_t max, std::wstring file) {
            events[file].push_back("P " + std::to_string(cur) + "/" + std::to_string(max));
            order.push_back(file);
        };
        d->DownloadError = [this](std::wstring file) { events[file].push_back("E"); };
        d->DownloadComplete = [this](int32_t max, std::wstring file) {
            events[file].push_back("C " + std::to_string(max));
            ++completions;
        };
    }
    void TearDown() override { DestroyWindow(host), fs::remove_all(dir); }
    Downloader* Make() {
        return Downloader::From(CreateWindowExA(0, Downloader::kClassName, "", WS_CHILD, 0, 0, 48, 48, host, nullptr,
                                                nullptr, nullptr));
    }
    std::wstring File(const char* name) const { return (dir / name).wstring(); }

    Recorder rec;
    const fs::path dir = fs::temp_directory_path() / "blimo-dl";
    HWND host = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    Downloader* d = (Downloader::Register(), Make());
    std::map<std::wstring, Events> events;  // by file, in the order raised
    std::vector<std::wstring> order;        // the file of each progress event
    int completions = 0;
};

TEST_F(DownloaderTest, EveryReadEndsWithTheFileItsAnswerDeserves) {
    const std::string whole = Body(307200);
    const std::tuple<const char*, std::optional<std::string>, bool> rows[] = {  // the file left (none: an error
        {"ok", whole, true}, {"moved", whole, true}, {"nolength", Body(70000), false},  // and completion with 0),
        {"missing", {}, false}, {"short", {}, true}, {"loop", {}, false}};             // and whether progress came
    std::ofstream(dir / "nolength", std::ios::binary) << whole;  // an older, longer file is replaced whole
    for (const auto& [name, saved, progress] : rows) d->BeginDownload(Url(name), File(name));
    d->BeginDownload(Url("ok"), File("no such folder\\ok"));  // a save that fails
    Make()->BeginDownload(Url("nolength"), File("quiet"));     // no handlers: the file is still saved
    EXPECT_TRUE(events.empty()) << "BeginDownload returns before anything arrives";
    for (DWORD start = GetTickCount(); completions < 7 || !fs::exists(dir / "quiet"); Pump(20))
        ASSERT_LT(GetTickCount() - start, 20000u) << "reads still running";
    for (const auto& [name, saved, progress] : rows) {
        SCOPED_TRACE(name);
        const Events& got = events[File(name)];
        if (saved) {
            EXPECT_EQ(got.size() > 1, progress);
            for (const std::string& e : Events(got.begin(), got.end() - !got.empty())) EXPECT_TRUE(e.ends_with("/307200")) << e;
            EXPECT_EQ(Tail(got, 1), Events{"C " + std::to_string(saved->size())});
            EXPECT_TRUE(Read(File(name)) == saved) << "the saved file is not the answer's body";
        } else {
            EXPECT_EQ(Tail(got, 2), (Events{"E", "C 0"}));
            EXPECT_FALSE(fs::exists(File(name)));
        }
    }
    EXPECT_EQ(events[File("missing")], (Events{"E", "C 0"}));
    EXPECT_EQ(Tail(events[File("no such folder\\ok")], 2), (Events{"E", "C 307200"}));
    EXPECT_TRUE(Read(File("quiet")) == Body(70000));
    // The two reads of the whole body ran side by side.
    const auto first = [&](const char* n) { return std::find(order.begin(), order.end(), File(n)) - order.begin(); };
    const auto last = [&](const char* n) { return order.rend() - std::find(order.rbegin(), order.rend(), File(n)); };
    EXPECT_LT(first("moved"), last("ok"));
    EXPECT_LT(first("ok"), last("moved"));
    EXPECT_EQ(Recorder::Matching("MessageBoxA"), Events{});
}

TEST_F(DownloaderTest, ARefusedRequestWarnsAndRaisesNothingAndTheControlStaysThirtyTwoPixels) {
    const std::string invalid = "12005:Error in call to BeginDownload().\r\n\r\nError Description: The URL is invalid.";
    const std::pair<const wchar_t*, std::string> rows[] = {
        {L"", invalid}, {L"no url at all", invalid}, {L"http://", invalid},
        {L"ftp://127.0.0.1/f", "12006:Error in call to BeginDownload().\r\n\r\nError Description: The URL does not use HTTP or HTTPS."}};
    for (const auto& [url, text] : rows) {
        Recorder::calls.clear();
        d->BeginDownload(url, File("gone"));
        EXPECT_EQ(Recorder::calls, Events{"MessageBoxA Warning 16 " + text});
    }
    Downloader* doomed = Make();  // destroyed while its read runs: left in peace
    doomed->BeginDownload(Url("ok"), File("gone"));
    DestroyWindow(doomed->Hwnd());
    Pump(800);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(fs::exists(dir / "gone"));
    RECT r;
    SetWindowPos(d->Hwnd(), nullptr, 0, 0, 100, 50, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(d->Hwnd(), &r);
    EXPECT_EQ(std::tuple(r.right - r.left, r.bottom - r.top), std::tuple(32, 32)) << "created 48 x 48, then set to 100 x 50";
}

}  // namespace
