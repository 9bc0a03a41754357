// The Downloader on real windows against a loopback server: what its events say, what lands on
// disk, what the user is shown, and its fixed size.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "LoopbackServer.h"
#include "platform/Api.h"
#include "update/Downloader.h"

namespace {

struct Box {
    std::string text, title;
    UINT style;
};
std::vector<Box> boxes;

int WINAPI RecordBox(HWND, LPCSTR text, LPCSTR title, UINT style) {
    boxes.push_back({text, title, style});
    return IDOK;
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

std::string Bytes(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 2654435761u + seed) >> 13);
    return s;
}

std::string ReadFileText(const std::wstring& path) {
    std::string out;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<none>";
    char buf[65536];
    DWORD got;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
    CloseHandle(h);
    return out;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class DownloaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Api;
        Api.MessageBoxA = RecordBox;
        boxes.clear();
        Downloader::Register();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"blimo-dl-" + std::to_wstring(GetTickCount()) + L"\\";
        CreateDirectoryW(folder_.c_str(), nullptr);
        host_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPED, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
        control_ = MakeControl(48, 48);
    }

    void TearDown() override {
        DestroyWindow(host_);
        Api = saved_;
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW((folder_ + L"*").c_str(), &found);
        for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found))
            DeleteFileW((folder_ + found.cFileName).c_str());
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
        RemoveDirectoryW(folder_.c_str());
    }

    Downloader* MakeControl(int width, int height) {
        HWND w = CreateWindowExA(0, Downloader::kClassName, "", WS_CHILD | WS_VISIBLE, 0, 0, width, height, host_,
                                 nullptr, nullptr, nullptr);
        return Downloader::From(w);
    }

    // Every event as one line, in the order raised: "P 100/300 a.bin", "E a.bin", "C 300 a.bin".
    void Listen(Downloader* d) {
        d->DownloadProgress = [this](int32_t cur, int32_t max, std::wstring file) {
            events_.push_back("P " + std::to_string(cur) + "/" + std::to_string(max) + " " + Name(file));
        };
        d->DownloadError = [this](std::wstring file) { events_.push_back("E " + Name(file)); };
        d->DownloadComplete = [this](int32_t max, std::wstring file) {
            events_.push_back("C " + std::to_string(max) + " " + Name(file));
            onDisk_.push_back(ReadFileText(file));  // the file must be whole and closed by now
        };
    }

    std::string Name(const std::wstring& file) const {
        return Narrow(file.rfind(folder_, 0) == 0 ? file.substr(folder_.size()) : file);
    }

    int Completions() const {
        int n = 0;
        for (const std::string& e : events_) n += e[0] == 'C';
        return n;
    }

    void PumpUntil(int completions, DWORD ms = 10000) {
        DWORD start = GetTickCount();
        while (Completions() < completions && GetTickCount() - start < ms) Pump(20);
        ASSERT_EQ(Completions(), completions) << "timed out";
    }

    static void Pump(DWORD ms) {
        DWORD start = GetTickCount();
        MSG m;
        while (GetTickCount() - start < ms) {
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
            Sleep(5);
        }
    }

    std::vector<std::string> Progress(const std::string& name) const {
        std::vector<std::string> out;
        for (const std::string& e : events_)
            if (e[0] == 'P' && e.ends_with(" " + name)) out.push_back(e);
        return out;
    }

    PlatformApi saved_;
    std::wstring folder_;
    HWND host_ = nullptr;
    Downloader* control_ = nullptr;
    std::vector<std::string> events_;
    std::vector<std::string> onDisk_;
};

TEST_F(DownloaderTest, SavesExactlyTheBytesAndTellsProgressThenCompletion) {
    const std::string body = Bytes(300000, 1);
    LoopbackServer server([&](const std::string&) { return ScriptedReply{200, body, true, std::string::npos, 5, 20}; });
    Listen(control_);
    control_->BeginDownload(server.Url("/f.bin"), folder_ + L"f.bin");
    EXPECT_TRUE(events_.empty()) << "BeginDownload must return before anything arrives";
    PumpUntil(1);

    ASSERT_GE(events_.size(), 2u);
    EXPECT_EQ(events_.back(), "C 300000 f.bin");
    int32_t last = 0;
    for (size_t i = 0; i + 1 < events_.size(); ++i) {
        int32_t cur = 0, max = 0;
        ASSERT_EQ(sscanf(events_[i].c_str(), "P %d/%d f.bin", &cur, &max), 2) << events_[i];
        EXPECT_EQ(max, 300000);
        EXPECT_GE(cur, last);
        last = cur;
    }
    EXPECT_EQ(onDisk_.at(0), body);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DownloaderTest, FailedReadsRaiseErrorThenCompleteWithZeroAndWriteNothing) {
    LoopbackServer server([](const std::string& path) {
        if (path == "/missing") return ScriptedReply{404, "<html><body>Not here</body></html>"};
        if (path == "/broken") return ScriptedReply{500, "oops"};
        return ScriptedReply{200, Bytes(5000, 2), true, 1000};  // cut short of its announced length
    });
    Listen(control_);
    for (const char* name : {"missing", "broken", "short"}) {
        SCOPED_TRACE(name);
        events_.clear();
        std::wstring file = folder_ + std::wstring(name, name + strlen(name));
        control_->BeginDownload(server.Url(std::string("/") + name), file);
        PumpUntil(1);
        std::vector<std::string> tail(events_.end() - 2, events_.end());
        EXPECT_EQ(tail, (std::vector<std::string>{"E " + std::string(name), "C 0 " + std::string(name)}));
        EXPECT_FALSE(Exists(file));
    }
    EXPECT_TRUE(Progress("missing").empty());
}

TEST_F(DownloaderTest, AnswerWithoutLengthCompletesWithTheReceivedCount) {
    const std::string body = Bytes(70000, 3);
    LoopbackServer server([&](const std::string&) { return ScriptedReply{200, body, false, std::string::npos, 3, 20}; });
    Listen(control_);
    control_->BeginDownload(server.Url("/n.bin"), folder_ + L"n.bin");
    PumpUntil(1);
    EXPECT_EQ(events_, (std::vector<std::string>{"C 70000 n.bin"}));  // no total while it ran: no progress
    EXPECT_EQ(onDisk_.at(0), body);
}

TEST_F(DownloaderTest, SaveThatFailsIsAnErrorButCompletionKeepsTheTotal) {
    LoopbackServer server([](const std::string&) { return ScriptedReply{200, "1.02"}; });
    Listen(control_);
    std::wstring file = folder_ + L"no such folder\\f.txt";
    control_->BeginDownload(server.Url("/f.txt"), file);
    PumpUntil(1);
    std::string name = Name(file);
    std::vector<std::string> tail(events_.end() - 2, events_.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"E " + name, "C 4 " + name}));
    EXPECT_FALSE(Exists(file));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DownloaderTest, ReplacesALongerFileWholly) {
    LoopbackServer server([](const std::string&) { return ScriptedReply{200, "new bytes"}; });
    std::wstring file = folder_ + L"old.txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(h, std::string(1000, 'x').data(), 1000, &written, nullptr);
    CloseHandle(h);
    Listen(control_);
    control_->BeginDownload(server.Url("/old.txt"), file);
    PumpUntil(1);
    EXPECT_EQ(ReadFileText(file), "new bytes");
}

TEST_F(DownloaderTest, WithoutHandlersAReadStillSavesItsFile) {
    LoopbackServer server([](const std::string&) { return ScriptedReply{200, "saved anyway"}; });
    std::wstring file = folder_ + L"quiet.txt";
    control_->BeginDownload(server.Url("/quiet.txt"), file);
    DWORD start = GetTickCount();
    while (!Exists(file) && GetTickCount() - start < 10000) Pump(20);
    EXPECT_EQ(ReadFileText(file), "saved anyway");
}

TEST_F(DownloaderTest, RefusedRequestShowsTheWarningAndRaisesNothing) {
    struct Case {
        std::wstring url;
        std::string text;
    };
    const std::string invalid = "12005:Error in call to BeginDownload().\r\n\r\nError Description: The URL is invalid.";
    const std::string scheme =
        "12006:Error in call to BeginDownload().\r\n\r\nError Description: The URL does not use HTTP or HTTPS.";
    const Case cases[] = {{L"", invalid}, {L"no url at all", invalid}, {L"ftp://127.0.0.1/f.txt", scheme},
                          {L"http://", invalid}};
    Listen(control_);
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.url));
        boxes.clear();
        control_->BeginDownload(c.url, folder_ + L"never.txt");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(boxes[0].title, "Warning");
        EXPECT_EQ(boxes[0].style, 16u);
    }
    Pump(300);
    EXPECT_TRUE(events_.empty());
}

TEST_F(DownloaderTest, TwoReadsAtOnceInterleaveUnderTheirOwnNames) {
    LoopbackServer server([](const std::string& path) {
        return ScriptedReply{200, Bytes(200000, path == "/a" ? 4 : 5), true, std::string::npos, 8, 60};
    });
    Listen(control_);
    control_->BeginDownload(server.Url("/a"), folder_ + L"a");
    control_->BeginDownload(server.Url("/b"), folder_ + L"b");
    PumpUntil(2);
    ASSERT_FALSE(Progress("a").empty());
    ASSERT_FALSE(Progress("b").empty());
    auto at = [&](const std::string& e) { return std::find(events_.begin(), events_.end(), e) - events_.begin(); };
    EXPECT_LT(at(Progress("b").front()), at(Progress("a").back())) << "the reads ran one after the other";
    EXPECT_LT(at(Progress("a").front()), at(Progress("b").back())) << "the reads ran one after the other";
    EXPECT_EQ(ReadFileText(folder_ + L"a"), Bytes(200000, 4));
    EXPECT_EQ(ReadFileText(folder_ + L"b"), Bytes(200000, 5));
}

TEST_F(DownloaderTest, IsThirtyTwoPixelsSquareWhateverItIsGiven) {
    auto size = [](Downloader* d) {
        RECT r;
        GetWindowRect(d->Hwnd(), &r);
        return std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
    };
    EXPECT_EQ(size(control_), "32x32") << "created at 48 x 48";
    SetWindowPos(control_->Hwnd(), nullptr, 0, 0, 100, 50, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(size(control_), "32x32");
    MoveWindow(control_->Hwnd(), 5, 5, 7, 900, TRUE);
    EXPECT_EQ(size(control_), "32x32");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DownloaderTest, AControlDestroyedMidReadIsLeftInPeace) {
    LoopbackServer server([](const std::string&) { return ScriptedReply{200, Bytes(100000, 6), true, std::string::npos, 4, 50}; });
    Downloader* d = MakeControl(32, 32);
    Listen(d);
    d->BeginDownload(server.Url("/gone"), folder_ + L"gone");
    Pump(60);
    DestroyWindow(d->Hwnd());
    Pump(600);
    EXPECT_EQ(Completions(), 0);
    EXPECT_FALSE(Exists(folder_ + L"gone"));
}

}  // namespace

namespace {

// --- servers misbehaving: every read at once, each must end on its own, in time, and leave
// exactly the file its answer deserves (or none). `make faults` adds the reads that stall, which
// take the whole 30-second stall limit.
constexpr DWORD kStallLimitMs = 30000;
constexpr int kLoopStop = 50;  // a redirect loop the reader follows for ever is stopped here

struct ServerFault {
    std::string name;               // the read asks for /<name> and saves to <name>
    ScriptedReply reply;
    std::optional<std::string> saved;  // the file it must leave, or none (and an error)
    bool stalls = false;               // ends only by the stall limit
};

ScriptedReply Raw(std::string bytes, ScriptedReply::End end = ScriptedReply::End::Close, int pieces = 1,
                  int pauseMs = 0) {
    ScriptedReply r{200, "", true, std::string::npos, pieces, pauseMs};
    r.raw = std::move(bytes);
    r.end = end;
    return r;
}

ScriptedReply Status(int status, std::string body = "1.02", std::string headers = "") {
    ScriptedReply r{status, std::move(body)};
    r.headers = std::move(headers);
    return r;
}

ScriptedReply Redirect(int status, const std::string& to) { return Status(status, "", "Location: " + to + "\r\n"); }

std::vector<ServerFault> ServerFaults(const std::string& origin, int refusedPort) {
    using End = ScriptedReply::End;
    const std::string head = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
    const std::string big = Bytes(50u << 20, 8), binary = Bytes(256 * 64, 7), drip = Bytes(2000, 9);
    std::vector<ServerFault> f = {
        {"s201", Status(201), "1.02"},
        {"s204", Status(204, ""), {}},
        {"s206", Status(206, "1.02", "Content-Range: bytes 0-3/4\r\n"), "1.02"},
        {"s304", Status(304, ""), {}},
        {"s401", Status(401, "no", "WWW-Authenticate: Basic realm=\"x\"\r\n"), {}},
        {"s403", Status(403), {}},
        {"s407", Status(407, "no", "Proxy-Authenticate: Basic realm=\"x\"\r\n"), {}},
        {"s503", Status(503, "busy", "Retry-After: 1\r\n"), {}},
        {"s999", Status(999), {}},
        {"status-not-a-number", Raw("HTTP/1.1 abc OK\r\nContent-Length: 4\r\n\r\n1.02"), {}},
        {"empty", Status(200, ""), {}},
        {"binary", Status(200, binary), binary},
        {"bom", Status(200, "\xEF\xBB\xBF" "1.02\r\n"), "\xEF\xBB\xBF" "1.02\r\n"},
        {"big", Status(200, big), big},
        {"no-length", ScriptedReply{200, "until the end", false}, "until the end"},
        {"chunked", Raw(head + "Transfer-Encoding: chunked\r\n\r\n4\r\n1.02\r\n6\r\n\r\nmore\r\n0\r\n\r\n"), "1.02\r\nmore"},
        {"length-past-2GiB", Raw(head + "Content-Length: 5000000000\r\n\r\n1.02"), {}},
        {"r301", Redirect(301, "/to"), "moved"},
        {"r302", Redirect(302, origin + "/to"), "moved"},
        {"r303", Redirect(303, "/to"), "moved"},
        {"r307", Redirect(307, "/to"), "moved"},
        {"r308", Redirect(308, "to"), "moved"},
        {"loop", Redirect(302, "/loop/1"), {}},
        {"loop308", Redirect(308, "/loop308/1"), {}},
        {"to-refused", Redirect(302, "http://127.0.0.1:" + std::to_string(refusedPort) + "/x"), {}},
        {"to-ftp", Redirect(302, "ftp://127.0.0.1/x"), {}},
        {"to-404", Redirect(302, "/gone"), {}},
        {"reset-at-once", Raw("", End::Reset), {}},
        {"closed-at-once", Raw(""), {}},
        {"reset-mid-body", Raw(head + "Content-Length: 1000\r\n\r\n" + std::string(300, 'x'), End::Reset), {}},
        {"drip", ScriptedReply{200, drip, true, std::string::npos, 20, 100}, drip},
        {"headers-dripped", Raw(head + "Content-Length: 4\r\n\r\n1.02", End::Close, 40, 50), "1.02"},
    };
    if (getenv("BLIMO_FULL_FAULTS")) {
        ScriptedReply silent;
        silent.silent = true;
        f.push_back({"stall-at-once", silent, {}, true});
        f.push_back({"stall-after-headers", Raw(head + "Content-Length: 4\r\n\r\n", End::Stall), {}, true});
        f.push_back({"stall-mid-body", Raw(head + "Content-Length: 100\r\n\r\n1.02", End::Stall), {}, true});
        f.push_back({"stall-mid-headers", Raw("HTTP/1.1 200 OK\r\n", End::Stall), {}, true});
    }
    return f;
}

int RefusedPort() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    closesocket(s);  // nobody listens there now
    WSACleanup();
    return ntohs(addr.sin_port);
}

TEST_F(DownloaderTest, ServersMisbehavingEndEveryReadInTimeWithTheRightFile) {
    std::vector<ServerFault> faults;
    std::atomic<int> deepestLoop{0};
    LoopbackServer server([&](const std::string& path) {
        if (path == "/to" || path == "/r308/to") return Status(200, "moved");
        size_t hop = path.find('/', 1);
        if (hop != std::string::npos && path.rfind("/loop", 0) == 0) {
            int n = std::stoi(path.substr(hop + 1));
            if (n > deepestLoop) deepestLoop = n;
            if (n >= kLoopStop) return Status(500);
            return Redirect(path.rfind("/loop308/", 0) == 0 ? 308 : 302, path.substr(0, hop + 1) + std::to_string(n + 1));
        }
        for (const ServerFault& f : faults)
            if (path == "/" + f.name) return f.reply;
        return Status(404, "gone");
    });
    faults = ServerFaults(Narrow(server.Url("")), RefusedPort());
    std::map<std::string, DWORD> began, took;
    std::map<std::string, std::vector<std::string>> ends;  // E and C, by file
    control_->DownloadError = [&](std::wstring file) { ends[Name(file)].push_back("E"); };
    control_->DownloadComplete = [&](int32_t max, std::wstring file) {
        ends[Name(file)].push_back("C " + std::to_string(max));
        took[Name(file)] = GetTickCount() - began[Name(file)];
        events_.push_back("C");
    };
    // The stalls start once the rest is over, so the limit is measured from a server that stopped
    // answering, not from one still queued behind fifty megabytes.
    int started = 0;
    for (bool stalls : {false, true}) {
        for (const ServerFault& f : faults) {
            if (f.stalls != stalls) continue;
            began[f.name] = GetTickCount();
            control_->BeginDownload(server.Url("/" + f.name), folder_ + std::wstring(f.name.begin(), f.name.end()));
            ++started;
        }
        PumpUntil(started, kStallLimitMs + 5000);
    }

    for (const ServerFault& f : faults) {
        SCOPED_TRACE(f.name);
        const std::wstring file = folder_ + std::wstring(f.name.begin(), f.name.end());
        if (f.saved) {
            EXPECT_EQ(ends[f.name], (std::vector<std::string>{"C " + std::to_string(f.saved->size())}));
            EXPECT_TRUE(ReadFileText(file) == *f.saved) << "the saved file is not the answer's body";
        } else {
            EXPECT_EQ(ends[f.name], (std::vector<std::string>{"E", "C 0"}));
            EXPECT_FALSE(Exists(file));
        }
        EXPECT_LE(took[f.name], kStallLimitMs + 1000);
        if (f.stalls) {
            EXPECT_GE(took[f.name], kStallLimitMs - 500);
        }
    }
    EXPECT_LT(deepestLoop.load(), kLoopStop - 1) << "a redirect loop was followed without end";
    EXPECT_TRUE(boxes.empty());
    // Nothing else in the folder: no temporary file of a save, no file of a failed read.
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder_ + L"*").c_str(), &found);
    int files = 0;
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found))
        files += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    EXPECT_EQ(files, std::count_if(faults.begin(), faults.end(), [](const ServerFault& f) { return f.saved.has_value(); }));
}

}  // namespace
