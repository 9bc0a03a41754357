#include "platform/HttpTransfer.h"

#include <wininet.h>

#include <algorithm>
#include <type_traits>
#include <memory>

#include "platform/SystemLibrary.h"

namespace {

// WinINet is loaded from the system folder on first use, by whichever thread reads first: a BLIMO
// that never checks for updates never maps it (nor the network libraries it brings). Without it,
// every transfer fails.
struct WinInet {
    decltype(&::InternetOpenA) InternetOpenA;
    decltype(&::InternetConnectA) InternetConnectA;
    decltype(&::HttpOpenRequestA) HttpOpenRequestA;
    decltype(&::HttpSendRequestA) HttpSendRequestA;
    decltype(&::HttpQueryInfoA) HttpQueryInfoA;
    decltype(&::InternetCloseHandle) InternetCloseHandle;
    decltype(&::InternetCombineUrlA) InternetCombineUrlA;
    decltype(&::InternetCrackUrlA) InternetCrackUrlA;
    decltype(&::InternetQueryDataAvailable) InternetQueryDataAvailable;
    decltype(&::InternetQueryOptionA) InternetQueryOptionA;
    decltype(&::InternetReadFile) InternetReadFile;
    decltype(&::InternetSetOptionA) InternetSetOptionA;
};
WinInet net = {};
bool netReady = false;
INIT_ONCE netLoaded = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK LoadWinInet(PINIT_ONCE, PVOID, PVOID*) {
    if (HMODULE module = LoadSystemLibrary("wininet.dll")) {
        netReady = true;
        const auto Get = [&](auto& entry, const char* name) {
            entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(
                reinterpret_cast<void*>(GetProcAddress(module, name)));
            netReady = netReady && entry;
        };
        Get(net.InternetOpenA, "InternetOpenA");
        Get(net.InternetConnectA, "InternetConnectA");
        Get(net.HttpOpenRequestA, "HttpOpenRequestA");
        Get(net.HttpSendRequestA, "HttpSendRequestA");
        Get(net.HttpQueryInfoA, "HttpQueryInfoA");
        Get(net.InternetCloseHandle, "InternetCloseHandle");
        Get(net.InternetCombineUrlA, "InternetCombineUrlA");
        Get(net.InternetCrackUrlA, "InternetCrackUrlA");
        Get(net.InternetQueryDataAvailable, "InternetQueryDataAvailable");
        Get(net.InternetQueryOptionA, "InternetQueryOptionA");
        Get(net.InternetReadFile, "InternetReadFile");
        Get(net.InternetSetOptionA, "InternetSetOptionA");
    }
    return TRUE;
}

// The table, or nullptr when WinINet or one of its entries is missing. The public routines ask
// first; what they call may then use Net()-> freely.
const WinInet* Net() {
    InitOnceExecuteOnce(&netLoaded, LoadWinInet, nullptr, nullptr);
    return netReady ? &net : nullptr;
}

struct InternetCloser {
    void operator()(HINTERNET h) const { Net()->InternetCloseHandle(h); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

constexpr DWORD kReadAtMost = 256u << 10;  // a read's largest piece
// A length the server announces is believed only this far before any byte has come.
constexpr uint64_t kReserveAtMost = 256u << 20;

bool QueryNumber(HINTERNET request, DWORD what, DWORD& value) {
    DWORD size = sizeof value;
    return Net()->HttpQueryInfoA(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
}

void SetTimeouts(HINTERNET session, DWORD ms) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT})
        Net()->InternetSetOptionA(session, option, &ms, sizeof ms);
}

bool TimeIsUp(DWORD started, DWORD totalMs) { return totalMs != 0 && GetTickCount() - started > totalMs; }

// How long the next wait may take: a stall's worth, but never past the whole transfer's limit.
DWORD NextWait(DWORD started, const TransferOptions& options) {
    if (options.totalMs == 0) return options.stallMs;
    DWORD spent = GetTickCount() - started;
    DWORD left = spent < options.totalMs ? options.totalMs - spent : 1;
    return left < options.stallMs ? left : options.stallMs;
}

struct Target {
    std::string host, path;
    INTERNET_PORT port = 0;
    bool secure = false;
};

bool Crack(const std::string& url, Target& target) {
    if (UrlRefusal(url)) return false;
    char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
    std::string path(url.size() + 1, '\0'), extra(url.size() + 1, '\0');
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!Net()->InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
    target.host = host;
    target.path = std::string(path.c_str()) + extra.c_str();
    if (target.path.empty()) target.path = "/";
    target.port = parts.nPort;
    target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
}

}  // namespace

std::optional<DWORD> UrlRefusal(const std::string& ansiUrl) {
    // Only scheme://host... is a URL at all; which scheme is the next question.
    size_t mark = ansiUrl.find("://");
    if (mark == std::string::npos || mark == 0) return ERROR_INTERNET_INVALID_URL;
    if (!Net()) return ERROR_INTERNET_INTERNAL_ERROR;
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = 1;
    if (!Net()->InternetCrackUrlA(ansiUrl.c_str(), static_cast<DWORD>(ansiUrl.size()), 0, &parts)) {
        DWORD e = GetLastError();
        return e == ERROR_INTERNET_UNRECOGNIZED_SCHEME ? e : ERROR_INTERNET_INVALID_URL;
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    if (parts.dwHostNameLength == 0) return ERROR_INTERNET_INVALID_URL;
    return std::nullopt;
}

std::wstring UrlRefusalText(DWORD number) {
    switch (number) {
        case ERROR_INTERNET_INVALID_URL: return L"The URL is invalid.";
        case ERROR_INTERNET_UNRECOGNIZED_SCHEME: return L"The URL does not use HTTP or HTTPS.";
    }
    return L"The read cannot be started.";
}

bool RedirectAllowed(const std::string& from, const std::string& to) {
    const auto secure = [](const std::string& url) {  // the invariant locale: no Turkish dotless I in a scheme
        return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, url.c_str(), std::min<int>(url.size(), 8), "https://", 8) ==
               CSTR_EQUAL;
    };
    return secure(to) || !secure(from);
}

namespace {

constexpr int kRedirectsAtMost = 10;

struct Handles {
    InternetHandle session, connection, request;  // declared parents first: closed children first
};

struct Answer {
    std::shared_ptr<Handles> handles = std::make_shared<Handles>();
    DWORD status = 0;
    HINTERNET Request() const { return handles->request.get(); }
};

// The send runs on a thread of its own, and the wait for it is ours: WinINet's time limit alone
// does not hold when an answer's head stops halfway (it then waits again, and again). A send
// given up on keeps its handles until it returns by itself, then closes them.
struct SendJob {
    std::shared_ptr<Handles> handles;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BOOL sent = FALSE;
    ~SendJob() {
        if (done) CloseHandle(done);
    }
};

DWORD WINAPI SendThread(void* param) {
    std::unique_ptr<std::shared_ptr<SendJob>> job(static_cast<std::shared_ptr<SendJob>*>(param));
    (*job)->sent = Net()->HttpSendRequestA((*job)->handles->request.get(), nullptr, 0, nullptr, 0);
    SetEvent((*job)->done);
    return 0;
}

bool SendWithin(const std::shared_ptr<Handles>& handles, DWORD waitMs) {
    auto job = std::make_shared<SendJob>();
    job->handles = handles;
    if (!job->done) return false;
    auto* param = new std::shared_ptr<SendJob>(job);
    HANDLE thread = CreateThread(nullptr, 0, SendThread, param, 0, nullptr);
    if (!thread) {
        delete param;
        return false;
    }
    CloseHandle(thread);
    return WaitForSingleObject(job->done, waitMs) == WAIT_OBJECT_0 && job->sent;
}

// Sends the request and waits for the status; false when no status came in time.
bool Ask(const std::string& ansiUrl, const TransferOptions& options, DWORD started, Answer& answer) {
    answer.handles = std::make_shared<Handles>();  // an earlier hop's handles go (or wait for their send)
    Handles& h = *answer.handles;
    Target target;
    if (!Crack(ansiUrl, target)) return false;
    h.session.reset(Net()->InternetOpenA("BLIMO", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!h.session) return false;
    SetTimeouts(h.session.get(), options.stallMs);
    h.connection.reset(Net()->InternetConnectA(h.session.get(), target.host.c_str(), target.port, nullptr, nullptr,
                                        INTERNET_SERVICE_HTTP, 0, 0));
    if (!h.connection) return false;
    SetTimeouts(h.connection.get(), options.stallMs);
    // Redirects are followed here, not by the library, which would follow a loop for ever.
    DWORD flags = INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (target.secure) flags |= INTERNET_FLAG_SECURE;
    if (options.fresh) flags |= INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE;
    h.request.reset(Net()->HttpOpenRequestA(h.connection.get(), "GET", target.path.c_str(), nullptr, nullptr, nullptr,
                                     flags, 0));
    if (!h.request) return false;
    // Set on the request itself, before each wait: the limits of the handles above do not reach
    // the wait for the answer everywhere.
    const DWORD wait = NextWait(started, options);
    SetTimeouts(h.request.get(), wait);
    return SendWithin(answer.handles, wait) && QueryNumber(h.request.get(), HTTP_QUERY_STATUS_CODE, answer.status);
}

// The length the answer announces, or nullopt when it announces none. A length beyond 32 bits (or
// one that is no number) is kept as the largest: no short body may pass for the whole of it.
std::optional<uint64_t> AnnouncedLength(HINTERNET request) {
    char text[64] = {};
    DWORD size = sizeof text - 1;
    if (!Net()->HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return std::nullopt;
    uint64_t length = 0;
    const char* p = text;
    while (*p == ' ') ++p;
    if (*p < '0' || *p > '9') return UINT64_MAX;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (length > (UINT64_MAX - 9) / 10) return UINT64_MAX;
        length = length * 10 + static_cast<uint64_t>(*p - '0');
    }
    return length;
}

// Where a redirect points, made whole against the URL that sent it.
std::optional<std::string> RedirectTarget(const Answer& answer) {
    if (answer.status != 301 && answer.status != 302 && answer.status != 303 && answer.status != 307 &&
        answer.status != 308)
        return std::nullopt;
    std::string location(INTERNET_MAX_URL_LENGTH, '\0');
    DWORD size = static_cast<DWORD>(location.size());
    if (!Net()->HttpQueryInfoA(answer.Request(), HTTP_QUERY_LOCATION, location.data(), &size, nullptr))
        return std::nullopt;
    location.resize(size);
    std::string from(INTERNET_MAX_URL_LENGTH, '\0');
    size = static_cast<DWORD>(from.size());
    if (!Net()->InternetQueryOptionA(answer.Request(), INTERNET_OPTION_URL, from.data(), &size)) return std::nullopt;
    from.resize(size);
    std::string whole(INTERNET_MAX_URL_LENGTH, '\0');
    size = static_cast<DWORD>(whole.size());
    if (!Net()->InternetCombineUrlA(from.c_str(), location.c_str(), whole.data(), &size, ICU_NO_ENCODE)) return std::nullopt;
    whole.resize(size);
    return whole;
}

}  // namespace

TransferResult HttpTransfer(const std::string& ansiUrl, const TransferOptions& options,
                            const TransferProgress& progress) {
    TransferResult result;
    if (!Net()) return result;
    const DWORD started = GetTickCount();
    Answer answer;
    std::string url = ansiUrl;
    for (int hops = 0;; ++hops) {
        if (!Ask(url, options, started, answer)) return result;
        std::optional<std::string> next = RedirectTarget(answer);
        if (!next || hops == kRedirectsAtMost || TimeIsUp(started, options.totalMs)) break;
        if (!RedirectAllowed(url, *next)) return result;
        url = *next;
    }
    result.status = answer.status;
    if (result.status < 200 || result.status > 299) return result;
    HINTERNET request = answer.Request();

    std::optional<uint64_t> announced = AnnouncedLength(request);
    if (announced && *announced <= kReserveAtMost) result.data.reserve(*announced);
    const auto block = std::make_unique_for_overwrite<unsigned char[]>(kReadAtMost);
    for (DWORD wait = 0;;) {
        if (const DWORD next = NextWait(started, options); next != wait) SetTimeouts(request, wait = next);
        // A read waits until its buffer is full. Under a time limit only what has arrived is asked
        // for, so a slow server cannot hold a read past the limit; without one, reads are large
        // (the receive time-out still ends a stalled one).
        DWORD want = kReadAtMost, got = 0;
        if (options.totalMs != 0) {
            if (!Net()->InternetQueryDataAvailable(request, &want, 0, 0)) return result;
            if (want == 0) break;
            want = std::min(want, kReadAtMost);
        }
        if (options.headBytes != 0) want = std::min<DWORD>(want, options.headBytes - result.data.size());
        if (!Net()->InternetReadFile(request, block.get(), want, &got)) return result;
        if (got == 0) break;
        result.data.insert(result.data.end(), block.get(), block.get() + got);
        if (options.headBytes != 0 && result.data.size() >= options.headBytes) {
            result.complete = true;  // all that was asked for: the rest is never read
            return result;
        }
        if (TimeIsUp(started, options.totalMs)) return result;
        if (progress && !progress(result.data.size(), announced)) return result;
    }
    // A connection that closes early ends the reading as quietly as a complete answer.
    result.complete = !announced || result.data.size() == *announced;
    return result;
}
