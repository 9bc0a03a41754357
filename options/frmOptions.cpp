#include "options/frmOptions.h"

#include <windows.h>

#include "res/frmOptionsLayout.h"
#include "services/mdlRegStuff.h"
#include "services/mdlSysTray.h"
#include "platform/Text.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"BLIMO";
constexpr wchar_t kSettingsKey[] = L"Software\\Fenwa Inc\\BLIMO";

constexpr Route kOptionsRoutes[] = {
    On<&frmOptions::cmdOK_Click>("cmdOK"),
    On<&frmOptions::cmdCancel_Click>("cmdCancel"),
};
static_assert(RoutesMatch(kOptionsLayout, kOptionsRoutes));

}  // namespace

frmOptions& frmOptions::Instance() {
    static frmOptions dialog;
    return dialog;
}

frmOptions::frmOptions() : Form(kOptionsLayout, kOptionsRoutes) {}

std::wstring AutoStartCommand() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    // Folder, backslash, the file name without its extension, ".exe".
    size_t slash = path.find_last_of('\\');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (size_t dot = name.find_last_of('.'); dot != std::string::npos) name.resize(dot);
    return L"\"" + FromAnsi(folder) + L"\\" + FromAnsi(name) + L".exe\"";
}

void frmOptions::Form_Load() {
    SetChecked("chkBubble", ShowBubbles);
    SetChecked("chkAutoStart", !ReadRegString(HKEY_CURRENT_USER, kRunKey, kRunValue).empty());
}

void frmOptions::cmdOK_Click() {
    if (Checked("chkAutoStart"))
        WriteRegString(HKEY_CURRENT_USER, kRunKey, kRunValue, AutoStartCommand());
    else
        DeleteRegValue(HKEY_CURRENT_USER, kRunKey, kRunValue);
    if (Checked("chkBubble")) {
        ShowBubbles = true;
        WriteRegString(HKEY_CURRENT_USER, kSettingsKey, L"Bubbles", L"1");
    } else {
        StopTrayBalloons();
        WriteRegString(HKEY_CURRENT_USER, kSettingsKey, L"Bubbles", L"0");
    }
    Unload();
}

void frmOptions::cmdCancel_Click() { Unload(); }
