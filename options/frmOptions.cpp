#include "options/frmOptions.h"

#include <commctrl.h>

#include "res/frmOptionsLayout.h"
#include "services/Hotkey.h"
#include "services/mdlRegStuff.h"
#include "services/mdlSysTray.h"
#include "platform/Text.h"
#include "ui/UserControl.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"BLIMO";
constexpr wchar_t kSettingsKey[] = L"Software\\Fenwa Inc\\BLIMO";

constexpr Route kOptionsRoutes[] = {
    On<&frmOptions::cmdOK_Click>("cmdOK"),
    On<&frmOptions::cmdCancel_Click>("cmdCancel"),
};
static_assert(RoutesMatch(kOptionsLayout, kOptionsRoutes));

// The hotkey control's value (the key in the low byte, HOTKEYF_ modifiers in the high one) and the keys
// RegisterHotKey takes. The control knows no Win key.
HotkeyKeys KeysOf(WORD value) {
    const BYTE flags = HIBYTE(value);
    const unsigned modifiers = (flags & HOTKEYF_CONTROL ? MOD_CONTROL : 0) | (flags & HOTKEYF_ALT ? MOD_ALT : 0) |
                               (flags & HOTKEYF_SHIFT ? MOD_SHIFT : 0);
    return {modifiers, LOBYTE(value)};
}
WORD ValueOf(const HotkeyKeys& keys) {
    const BYTE flags = (keys.modifiers & MOD_CONTROL ? HOTKEYF_CONTROL : 0) | (keys.modifiers & MOD_ALT ? HOTKEYF_ALT : 0) |
                       (keys.modifiers & MOD_SHIFT ? HOTKEYF_SHIFT : 0);
    return MAKEWORD(keys.key, flags);
}

std::wstring TakenText(const HotkeyKeys& keys) { return FromAnsi(HotkeyText(keys)) + L" is taken by another program."; }

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
    const std::optional<HotkeyKeys> stored = StoredHotkey();
    shownHotkey_ = stored ? ValueOf(*stored) : 0;
    SendMessageA(Item("hkyHotkey"), HKM_SETHOTKEY, shownHotkey_, 0);
    if (stored && stored != HeldHotkey()) SetText("lblHotkeyNote", TakenText(*stored));  // since start-up
}

// The hotkey as the control shows it, registered and stored; false when it cannot be, and the dialog says why.
// Left as it was shown, the stored one stays (with a Win key the control cannot show).
bool frmOptions::ApplyHotkey() {
    const WORD value = LOWORD(SendMessageA(Item("hkyHotkey"), HKM_GETHOTKEY, 0, 0));
    if (value == shownHotkey_) return true;
    const std::optional<HotkeyKeys> keys = value ? std::optional(KeysOf(value)) : std::nullopt;
    if (keys && HotkeyText(*keys).empty()) {
        SetText("lblHotkeyNote", L"A hotkey is Ctrl, Alt or Shift with a letter, a digit or F1 to F24.");
        return false;
    }
    if (const DWORD error = HoldHotkey(keys)) {
        SetText("lblHotkeyNote", error == ERROR_HOTKEY_ALREADY_REGISTERED ? TakenText(*keys) : SystemErrorText(error));
        return false;
    }
    if (keys)
        WriteRegString(HKEY_CURRENT_USER, kSettingsKey, kHotkeyValue, FromAnsi(HotkeyText(*keys)));
    else
        DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kHotkeyValue);
    return true;
}

void frmOptions::cmdOK_Click() {
    if (!ApplyHotkey()) return;  // the dialog stays open, saying why
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
