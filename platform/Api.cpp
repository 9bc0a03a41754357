#include "platform/Api.h"

#include "platform/SystemLibrary.h"

namespace {

HWND WINAPI HtmlHelpOnDemand(HWND owner, LPCSTR file, UINT command, DWORD_PTR data) {
    using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    static HtmlHelpFn real = [] {
        HMODULE lib = LoadSystemLibrary("hhctrl.ocx");
        return lib ? reinterpret_cast<HtmlHelpFn>(
                         reinterpret_cast<void*>(GetProcAddress(lib, "HtmlHelpA")))
                   : nullptr;
    }();
    return real ? real(owner, file, command, data) : nullptr;
}

HRESULT WINAPI DpiForMonitorOnDemand(HMONITOR monitor, int type, UINT* x, UINT* y) {
    using DpiFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static DpiFn real = [] {
        HMODULE lib = LoadSystemLibrary("shcore.dll");
        return lib ? reinterpret_cast<DpiFn>(reinterpret_cast<void*>(GetProcAddress(lib, "GetDpiForMonitor"))) : nullptr;
    }();
    return real ? real(monitor, type, x, y) : E_NOTIMPL;
}

}  // namespace

PlatformApi Api = {
    ::RegOpenKeyA,       ::RegCreateKeyA,          ::RegQueryValueExA, ::RegSetValueExA,
    ::RegDeleteValueA,   ::RegCloseKey,            ::Shell_NotifyIconA, ::SystemParametersInfoA,
    ::ShellExecuteA,     HtmlHelpOnDemand,         ::MessageBoxA,        ::ExitProcess,
    ::PowerCreateRequest, ::PowerSetRequest,       ::PowerClearRequest,  ::SetThreadExecutionState,
    ::RegisterApplicationRestart,
    ::CreateProcessA,
    DpiForMonitorOnDemand,
    ::GetSystemPowerStatus,
};
