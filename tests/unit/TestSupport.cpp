#include "TestSupport.h"

#include <string>

namespace {

LONG WINAPI RecOpen(HKEY root, LPCSTR sub, PHKEY out) {
    LONG r = ::RegOpenKeyA(root, sub, out);
    if (r == ERROR_SUCCESS) ++CallLog::openKeys;
    CallLog::calls.push_back(std::string("RegOpenKeyA ") + sub);
    return r;
}
LONG WINAPI RecCreate(HKEY root, LPCSTR sub, PHKEY out) {
    LONG r = ::RegCreateKeyA(root, sub, out);
    if (r == ERROR_SUCCESS) ++CallLog::openKeys;
    CallLog::calls.push_back(std::string("RegCreateKeyA ") + sub);
    return r;
}
LONG WINAPI RecQuery(HKEY k, LPCSTR name, LPDWORD res, LPDWORD type, LPBYTE data, LPDWORD size) {
    CallLog::calls.push_back(std::string("RegQueryValueExA ") + name);
    return ::RegQueryValueExA(k, name, res, type, data, size);
}
LONG WINAPI RecSet(HKEY k, LPCSTR name, DWORD res, DWORD type, const BYTE* data, DWORD size) {
    CallLog::calls.push_back(std::string("RegSetValueExA ") + name + " " +
                             std::string(reinterpret_cast<const char*>(data), size ? size - 1 : 0));
    return ::RegSetValueExA(k, name, res, type, data, size);
}
LONG WINAPI RecDelete(HKEY k, LPCSTR name) {
    CallLog::calls.push_back(std::string("RegDeleteValueA ") + name);
    return ::RegDeleteValueA(k, name);
}
LONG WINAPI RecClose(HKEY k) {
    --CallLog::openKeys;
    CallLog::calls.push_back("RegCloseKey");
    return ::RegCloseKey(k);
}
BOOL WINAPI RecNotify(DWORD message, PNOTIFYICONDATAA data) {
    CallLog::calls.push_back("Shell_NotifyIconA " + std::to_string(message));
    CallLog::trays.emplace_back(message, *reinterpret_cast<TrayIconRecord*>(data));
    if (message == NIM_ADD && CallLog::failTrayAdds > 0) {
        --CallLog::failTrayAdds;
        return FALSE;
    }
    return CallLog::trayAnswer;
}
BOOL WINAPI RecSpi(UINT action, UINT param, PVOID, UINT flags) {
    CallLog::calls.push_back("SystemParametersInfoA " + std::to_string(action) + " " + std::to_string(param) + " " +
                             std::to_string(flags));
    return TRUE;
}
HINSTANCE WINAPI RecShell(HWND, LPCSTR op, LPCSTR file, LPCSTR params, LPCSTR dir, INT show) {
    CallLog::calls.push_back(std::string("ShellExecuteA ") + (op ? op : "(null)") + " " + file + " " +
                             (params ? params : "(null)") + " " + (dir ? dir : "(null)") + " " + std::to_string(show));
    return reinterpret_cast<HINSTANCE>(42);
}
HWND WINAPI RecHelp(HWND, LPCSTR file, UINT command, DWORD_PTR data) {
    CallLog::calls.push_back(std::string("HtmlHelpA ") + file + " " + std::to_string(command) + " " +
                             std::to_string(data));
    return nullptr;
}
int WINAPI RecBox(HWND, LPCSTR text, LPCSTR title, UINT style) {
    CallLog::calls.push_back(std::string("MessageBoxA ") + title + " " + std::to_string(style) + " " + text);
    return IDOK;
}

}  // namespace

void CallLog::Install() {
    Clear();
    Api.RegOpenKeyA = RecOpen;
    Api.RegCreateKeyA = RecCreate;
    Api.RegQueryValueExA = RecQuery;
    Api.RegSetValueExA = RecSet;
    Api.RegDeleteValueA = RecDelete;
    Api.RegCloseKey = RecClose;
    Api.Shell_NotifyIconA = RecNotify;
    Api.SystemParametersInfoA = RecSpi;
    Api.ShellExecuteA = RecShell;
    Api.HtmlHelpA = RecHelp;
    Api.MessageBoxA = RecBox;
}

void CallLog::Clear() {
    calls.clear();
    trays.clear();
    openKeys = 0;
    trayAnswer = TRUE;
    failTrayAdds = 0;
}

std::vector<std::string> CallLog::Matching(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& c : calls)
        if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
}

ScratchKey::ScratchKey() {
    static int counter = 0;
    path = L"Software\\BLIMO unit tests\\scratch" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(++counter);
}

ScratchKey::~ScratchKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
}

HKEY ScratchKey::Open() const {
    HKEY k = nullptr;
    RegCreateKeyW(HKEY_CURRENT_USER, path.c_str(), &k);
    return k;
}

SavedValue::SavedValue(const char* key, const char* value) : key_(key), value_(value) {
    HKEY k;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, key, &k) != ERROR_SUCCESS) return;
    DWORD size = 0;
    if (::RegQueryValueExA(k, value, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        data_.resize(size);
        existed_ = ::RegQueryValueExA(k, value, nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
    }
    ::RegCloseKey(k);
}

SavedValue::~SavedValue() {
    HKEY k;
    if (::RegCreateKeyA(HKEY_CURRENT_USER, key_.c_str(), &k) != ERROR_SUCCESS) return;
    if (existed_)
        ::RegSetValueExA(k, value_.c_str(), 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
    else
        ::RegDeleteValueA(k, value_.c_str());
    ::RegCloseKey(k);
}

void SavedValue::Set(const char* text) const {
    HKEY k;
    ::RegCreateKeyA(HKEY_CURRENT_USER, key_.c_str(), &k);
    ::RegSetValueExA(k, value_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     static_cast<DWORD>(lstrlenA(text) + 1));
    ::RegCloseKey(k);
}

void SavedValue::Delete() const {
    HKEY k;
    if (::RegOpenKeyA(HKEY_CURRENT_USER, key_.c_str(), &k) != ERROR_SUCCESS) return;
    ::RegDeleteValueA(k, value_.c_str());
    ::RegCloseKey(k);
}

void PumpMessages(DWORD milliseconds) {
    DWORD end = GetTickCount() + milliseconds;
    MSG m;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}
