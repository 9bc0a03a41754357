#include "Support.h"

#include <utility>

#include "platform/Dpi.h"
#include "platform/Text.h"

namespace {

std::string Text(LPCSTR s) { return s ? s : "(null)"; }
std::string Text(UINT n) { return std::to_string(n); }
void Log(const char* call, auto... args) {
    std::string line = call;
    ((line += " " + Text(args)), ...);
    Recorder::calls.push_back(line);
}
template <class Result>
Result Logged(Result result, const char* call, auto... args) {  // a call logged, answered with `result`
    Log(call, args...);
    return result;
}
LONG Counted(LONG result) {
    Recorder::openKeys += result == ERROR_SUCCESS;
    return result;
}

LONG WINAPI OpenKey(HKEY root, LPCSTR sub, PHKEY key) { return Counted(::RegOpenKeyA(root, sub, key)); }
LONG WINAPI CreateKey(HKEY root, LPCSTR sub, PHKEY key) {
    Log("RegCreateKeyA", sub);
    return Recorder::failWrites ? ERROR_ACCESS_DENIED : Counted(::RegCreateKeyA(root, sub, key));
}
LONG WINAPI SetValue(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
    Log("RegSetValueExA", name, std::string(reinterpret_cast<const char*>(data), size ? size - 1 : 0).c_str());
    return ::RegSetValueExA(key, name, 0, type, data, size);
}
LONG WINAPI DeleteValue(HKEY key, LPCSTR name) { return Logged(::RegDeleteValueA(key, name), "RegDeleteValueA", name); }
LONG WINAPI CloseKey(HKEY key) {
    --Recorder::openKeys;
    return ::RegCloseKey(key);
}
// One icon a window, as the shell keeps it: an add is refused while it is there (or there is no notification area), a
// modify or a delete while it is not.
BOOL WINAPI Notify(DWORD message, PNOTIFYICONDATAA data) {
    Log("Shell_NotifyIconA", UINT{message});
    Recorder::trays.emplace_back(message, *reinterpret_cast<TrayIconRecord*>(data));
    const bool there = Recorder::iconOf == data->hWnd;
    if (message == NIM_DELETE && there) Recorder::iconOf = nullptr;
    if (message != NIM_ADD) return there;
    if (there || (Recorder::failAdds > 0 && Recorder::failAdds--)) return FALSE;
    Recorder::iconOf = data->hWnd;
    return TRUE;
}
BOOL WINAPI Parameter(UINT action, UINT on, PVOID, UINT flags) {
    Log("SystemParametersInfoA", action, on, flags);
    if (auto during = std::exchange(Recorder::duringBroadcast, nullptr)) during();  // as a message sent meanwhile
    return TRUE;
}
HINSTANCE WINAPI Shell(HWND, LPCSTR, LPCSTR file, LPCSTR, LPCSTR, INT) {
    return Logged(reinterpret_cast<HINSTANCE>(2), "ShellExecuteA", file);  // "file not found"
}
HWND WINAPI Help(HWND, LPCSTR file, UINT, DWORD_PTR) { return Logged(HWND{}, "HtmlHelpA", file); }  // no help file
int WINAPI Box(HWND, LPCSTR text, LPCSTR title, UINT style) { return Logged(IDOK, "MessageBoxA", title, style, text); }
VOID WINAPI Exit(UINT code) { Log("ExitProcess", code); }
// A power request that can be made, a real handle standing for it as the program closes it; or none, as under Wine.
HANDLE WINAPI CreateRequest(PREASON_CONTEXT context) {
    Log("PowerCreateRequest", Ansi(context->Reason.SimpleReasonString).c_str());
    return Recorder::failRequests ? INVALID_HANDLE_VALUE : CreateEventA(nullptr, FALSE, FALSE, nullptr);
}
EXECUTION_STATE WINAPI ExecutionState(EXECUTION_STATE flags) {
    char hex[12];
    wsprintfA(hex, "%08lx", flags);
    return Logged(::SetThreadExecutionState(flags), "SetThreadExecutionState", hex);
}
HRESULT WINAPI Restart(PCWSTR line, DWORD flags) { return Logged(S_OK, "ApplicationRestart", Ansi(line).c_str(), UINT(flags)); }
BOOL WINAPI PowerStatus(LPSYSTEM_POWER_STATUS status) {
    *status = Recorder::power;
    return TRUE;
}
BOOL WINAPI SetRequest(HANDLE, POWER_REQUEST_TYPE type) { return Logged(TRUE, "PowerSetRequest", UINT(type)); }
BOOL WINAPI ClearRequest(HANDLE, POWER_REQUEST_TYPE type) { return Logged(TRUE, "PowerClearRequest", UINT(type)); }
HRESULT WINAPI MonitorDpi(HMONITOR, int, UINT* x, UINT* y) {  // as Wine answers (the screen's), unless told another
    *x = *y = Recorder::taskbarDpi ? Recorder::taskbarDpi : ScreenDpi(LOGPIXELSX);
    return S_OK;
}

}  // namespace

Recorder::Recorder() {
    calls.clear();
    trays.clear();
    openKeys = failAdds = 0;
    iconOf = nullptr;
    taskbarDpi = 0;
    failWrites = failRequests = false;
    duringBroadcast = nullptr;
    power = {1, 0, 255, 0, DWORD(-1), DWORD(-1)};  // on the mains, no battery
    TrayIconData = {};  // as at process start
    ShowBubbles = false;
    Api = {OpenKey, CreateKey, ::RegQueryValueExA, SetValue, DeleteValue, CloseKey, Notify, Parameter, Shell, Help,
           Box, Exit, CreateRequest, SetRequest, ClearRequest, ExecutionState, Restart, ::CreateProcessA, MonitorDpi,
           PowerStatus};
}

std::vector<std::string> Recorder::Matching(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& c : calls)
        if (c.starts_with(prefix)) out.push_back(c);
    return out;
}

std::optional<std::pair<DWORD, std::string>> Value::Get() const {
    DWORD type = 0, size = 1 << 17;  // room for the longest value the tests store
    std::string bytes(size, '\0');
    if (::RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type, bytes.data(),
                       &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::pair{type, bytes.substr(0, size)};
}

bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
    for (DWORD start = GetTickCount(); !done(); Pump(20))
        if (GetTickCount() - start > milliseconds) return false;
    return true;
}

void Pump(DWORD milliseconds) {
    for (DWORD end = GetTickCount() + milliseconds; static_cast<LONG>(end - GetTickCount()) > 0;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
        std::vector<HANDLE> waits(WatchHandles().begin(), WatchHandles().end());  // as the program's loop does
        const size_t changes = waits.size();
        waits.insert(waits.end(), ProgramHandles().begin(), ProgramHandles().end());
        const DWORD got = MsgWaitForMultipleObjects(waits.size(), waits.data(), FALSE, 10, QS_ALLINPUT);
        if (got < changes) WatchSignaled(got);
        else if (got < waits.size()) ProgramSignaled(got - changes);
    }
}
