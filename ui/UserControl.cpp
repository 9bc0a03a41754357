#include "ui/UserControl.h"

#include <map>
#include <utility>

#include "ui/Form.h"
#include "platform/HttpTransfer.h"
#include "platform/Text.h"
#include "platform/UniqueHandle.h"

namespace {

constexpr UINT kReadNotice = WM_USER + 0x40;  // wParam: the notice's number on the board
constexpr DWORD kStallMs = 30000;

struct LocalFreer {
    void operator()(char* p) const { LocalFree(p); }
};

struct Notice {
    HWND to;
    bool complete;
    AsyncReadInfo info;
};

// Notices in flight between the read threads and the GUI thread. A posted message carries only a
// notice's number, so a notice whose window dies before taking it is still freed (by Drop, or by
// the poster when the post fails), and a message that outlives its notice finds nothing.
class NoticeBoard {
public:
    // A progress notice the window has not taken yet is brought up to date instead of queuing
    // another one: a fast transfer cannot flood the window's queue.
    void Progress(HWND to, const std::wstring& tag, int32_t read, int32_t max, uint32_t& pending) {
        {
            Locked hold(lock_);
            auto it = notices_.find(pending);
            if (pending != 0 && it != notices_.end()) {
                it->second->info.BytesRead = read;
                it->second->info.BytesMax = max;
                return;
            }
        }
        AsyncReadInfo info{tag, read, max, {}};
        pending = Add(std::make_unique<Notice>(Notice{to, false, std::move(info)}));
        if (!PostMessageA(to, kReadNotice, pending, 0)) Remove(pending);
    }

    // The one completion of a read reaches its window unless the window is gone.
    void Complete(HWND to, AsyncReadInfo info) {
        uint32_t id = Add(std::make_unique<Notice>(Notice{to, true, std::move(info)}));
        while (!PostMessageA(to, kReadNotice, id, 0)) {
            if (!IsWindow(to)) {
                Remove(id);
                return;
            }
            Sleep(20);  // the window's queue is full: it drains as the window works
        }
    }

    std::unique_ptr<Notice> Take(HWND to, uint32_t id) {
        Locked hold(lock_);
        auto it = notices_.find(id);
        if (it == notices_.end() || it->second->to != to) return nullptr;
        std::unique_ptr<Notice> n = std::move(it->second);
        notices_.erase(it);
        return n;
    }

    void Drop(HWND to) {
        Locked hold(lock_);
        std::erase_if(notices_, [to](const auto& entry) { return entry.second->to == to; });
    }

private:
    uint32_t Add(std::unique_ptr<Notice> n) {
        Locked hold(lock_);
        if (++next_ == 0) ++next_;  // 0 means "none pending"
        notices_[next_] = std::move(n);
        return next_;
    }
    void Remove(uint32_t id) {
        Locked hold(lock_);
        notices_.erase(id);
    }

    SRWLOCK lock_ = SRWLOCK_INIT;
    uint32_t next_ = 0;
    std::map<uint32_t, std::unique_ptr<Notice>> notices_;
};

// Shared with the read threads, so built before main rather than on first use.
NoticeBoard board;

NoticeBoard& Board() { return board; }

struct ReadJob {
    HWND to;
    std::string url;
    std::wstring tag;
    bool fresh;
};

int32_t Clamp32(uint64_t n) { return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n); }

void RunRead(ReadJob& job) {
    uint32_t pending = 0;
    auto progress = [&](uint64_t received, std::optional<uint64_t> announced) {
        // Nobody is left to tell, or the counts could not be told truthfully: stop reading.
        if (!IsWindow(job.to) || received > INT32_MAX || announced.value_or(0) > INT32_MAX) return false;
        Board().Progress(job.to, job.tag, Clamp32(received), Clamp32(announced.value_or(0)), pending);
        return true;
    };
    TransferResult r = HttpTransfer(job.url, {job.fresh, kStallMs, 0}, progress);
    AsyncReadInfo info{job.tag, Clamp32(r.data.size()), 0, {}};
    if (r.complete && r.data.size() <= INT32_MAX) {
        info.BytesMax = info.BytesRead;
        info.Data = std::move(r.data);
    }
    Board().Complete(job.to, std::move(info));
}

DWORD WINAPI ReadThread(void* param) {
    std::unique_ptr<ReadJob> job(static_cast<ReadJob*>(param));
    RunRead(*job);
    return 0;
}

SIZE WindowSize(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

std::vector<std::pair<std::string, UserControlFactory>>& Factories() {
    static std::vector<std::pair<std::string, UserControlFactory>> factories;
    return factories;
}

std::optional<HostError> ResizeTo(HWND hwnd, SIZE size) {
    SIZE now = WindowSize(hwnd);
    if (IsWindow(hwnd) && size.cx == now.cx && size.cy == now.cy) return std::nullopt;
    if (SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
        return std::nullopt;
    DWORD e = GetLastError();
    return HostError{static_cast<long>(e), SystemErrorText(e)};
}

}  // namespace

struct UserControlHost {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            char cls[256] = {};
            GetClassNameA(hwnd, cls, sizeof cls);
            for (auto& [name, make] : Factories())
                if (name == cls) {
                    UserControl* control = make().release();
                    control->hwnd_ = hwnd;
                    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
                }
        }
        auto* control = reinterpret_cast<UserControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!control) return DefWindowProcA(hwnd, msg, wp, lp);
        switch (msg) {
            case WM_CREATE:
                control->lastSize_ = WindowSize(hwnd);
                control->UserControl_Create();
                return 0;
            case WM_SIZE: {
                SIZE now = WindowSize(hwnd);
                if (now.cx == control->lastSize_.cx && now.cy == control->lastSize_.cy) return 0;
                control->lastSize_ = now;
                control->UserControl_Resize();
                return 0;
            }
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                control->UserControl_Paint(dc);
                EndPaint(hwnd, &ps);
                return 0;
            }
            case kReadNotice:
                if (auto notice = Board().Take(hwnd, static_cast<uint32_t>(wp))) {
                    if (notice->complete)
                        control->UserControl_ReadComplete(notice->info);
                    else
                        control->UserControl_ReadProgress(notice->info);
                }
                return 0;
            case WM_NCDESTROY:
                SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
                Board().Drop(hwnd);
                delete control;
                return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
};

void RegisterUserControl(const char* className, UserControlFactory factory) {
    for (auto& [name, make] : Factories())
        if (name == className) return;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &UserControlHost::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    if (!RegisterClassExA(&wc)) FatalError(className, "The control's window class cannot be registered.");
    Factories().emplace_back(className, factory);
}

UserControl* UserControl::From(HWND hwnd) {
    if (!hwnd || GetClassLongPtrA(hwnd, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&UserControlHost::Proc))
        return nullptr;
    return reinterpret_cast<UserControl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

std::optional<HostError> UserControl::StartAsyncRead(std::wstring_view target, int readType,
                                                     std::wstring_view tag, int options) {
    if (readType != kAsyncReadByteArray) return HostError{ERROR_INVALID_PARAMETER, SystemErrorText(ERROR_INVALID_PARAMETER)};
    std::string url = Ansi(target);
    if (auto refusal = UrlRefusal(url)) return HostError{static_cast<long>(*refusal), UrlRefusalText(*refusal)};
    auto job = std::make_unique<ReadJob>(
        ReadJob{hwnd_, std::move(url), std::wstring(tag), (options & kAsyncReadForceUpdate) != 0});
    UniqueHandle thread(CreateThread(nullptr, 0, ReadThread, job.get(), 0, nullptr));
    if (!thread) {
        DWORD e = GetLastError();
        return HostError{static_cast<long>(e), SystemErrorText(e)};
    }
    job.release();  // the thread owns it now
    return std::nullopt;
}

// Rounded once, at the end: 1440 / 192 is 7.5 twips a pixel, not 7.
int UserControl::ScaleXToTwips(int pixels) const { return MulDiv(pixels, 1440, static_cast<int>(WindowDpi(hwnd_))); }
int UserControl::ScaleYToTwips(int pixels) const { return MulDiv(pixels, 1440, static_cast<int>(WindowDpi(hwnd_))); }
int UserControl::Width() const { return ScaleXToTwips(WindowSize(hwnd_).cx); }
int UserControl::Height() const { return ScaleYToTwips(WindowSize(hwnd_).cy); }

std::optional<HostError> UserControl::SetWidth(int twips) {
    return ResizeTo(hwnd_, {MulDiv(twips, static_cast<int>(WindowDpi(hwnd_)), 1440), WindowSize(hwnd_).cy});
}

std::optional<HostError> UserControl::SetHeight(int twips) {
    return ResizeTo(hwnd_, {WindowSize(hwnd_).cx, MulDiv(twips, static_cast<int>(WindowDpi(hwnd_)), 1440)});
}

std::wstring SystemErrorText(DWORD number) {
    char* raw = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, number, 0, reinterpret_cast<char*>(&raw), 0, nullptr);
    std::unique_ptr<char, LocalFreer> text(raw);
    std::string_view s(raw ? raw : "", raw ? n : 0);
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.remove_suffix(1);
    return s.empty() ? FromAnsi("Error " + std::to_string(number) + ".") : FromAnsi(s);
}
