#include "app/StatusReport.h"

#include <memory>
#include <string>

#include "app/frmMain.h"
#include "platform/Text.h"
#include "platform/UniqueHandle.h"
#include "services/OffReasons.h"
#include "services/PromiseStore.h"
#include "services/SaverSetting.h"

namespace {

// The line from the running BLIMO, sent to a window of this process while it waits for the answer.
std::string statusLine;
LRESULT CALLBACK StatusReply(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    if (msg != WM_COPYDATA || !data || data->dwData != kStatusData) return DefWindowProcA(window, msg, wp, lp);
    statusLine.assign(static_cast<const char*>(data->lpData), data->cbData);
    return TRUE;
}
struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};

std::optional<int> AskRunning(HWND running) {
    WNDCLASSA replyClass = {};
    replyClass.lpfnWndProc = StatusReply;
    replyClass.hInstance = GetModuleHandleA(nullptr);
    replyClass.lpszClassName = "BLIMO.StatusReply";
    RegisterClassA(&replyClass);  // a class that cannot be had leaves no window, and the line empty
    const std::unique_ptr<HWND__, WindowDestroyer> reply(CreateWindowExA(
        0, replyClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, replyClass.hInstance, nullptr));
    COPYDATASTRUCT data = {kCommandData, 7, const_cast<char*>("/status")};
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(running, WM_COPYDATA, reinterpret_cast<WPARAM>(reply.get()), reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, 10000, &answer) ||
        answer < kCommandAnswered)
        return std::nullopt;
    return static_cast<int>(answer - kCommandAnswered);
}

// With no BLIMO running, the stored setting, policy and promise say it; nothing holds the display then.
int StoredStatus() {
    const std::optional<bool> policy = PolicySaverState();
    const bool off = policy ? !*policy : UserSaverState() == L"0";
    const std::optional<uint64_t> until = off && !policy ? PromisedOnTime() : std::nullopt;
    std::optional<UniqueHandle> process = off && !policy ? PromisedProcess() : std::nullopt;
    const std::wstring runs = process && *process && !(until > Now()) ? ProcessFileName(process->get()) : L"";
    statusLine = Ansi(StateWords(off, policy.has_value(), runs, until > Now() ? *until : 0));
    return off ? 1 : 0;
}

// A program with windows has no console of its own: the line goes to the file or pipe its output was sent to,
// else to the console of the process that started it; nowhere when there is neither.
void WriteToStarter(std::string line) {
    line += "\r\n";
    DWORD written = 0, mode = 0;  // what cannot be written is lost: there is no one else to tell
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE && !GetConsoleMode(out, &mode)) {  // a file, a pipe, NUL
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return;  // denied: one is ours
    HANDLE console = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return;
    const UniqueHandle closed(console);
    WriteFile(console, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

std::optional<int> ReportStatus(HWND running) {
    const std::optional<int> code = running ? AskRunning(running) : StoredStatus();
    if (!statusLine.empty()) WriteToStarter(statusLine);
    return code;
}

void SendStatusLine(HWND to, HWND from, const std::wstring& line) {
    std::string bytes = Ansi(line);
    COPYDATASTRUCT reply = {kStatusData, static_cast<DWORD>(bytes.size()), bytes.data()};
    // An asker gone meanwhile misses only the line; the answer still says on or off.
    SendMessageTimeoutA(to, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&reply),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
}
