#include "services/Hotkey.h"

#include "platform/Text.h"
#include "services/SaverSetting.h"
#include "services/mdlRegStuff.h"

namespace {

// One main window per process holds the hotkey. Its two ids are used in turn, so that a new combination is
// registered before the old one goes, and the old one stays when the new cannot be had.
struct Held {
    HWND window = nullptr;
    int id = 0;
    std::optional<HotkeyKeys> keys;
};
Held held;

}  // namespace

std::optional<HotkeyKeys> StoredHotkey() {
    return ParseHotkey(Ansi(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kHotkeyValue)));
}

DWORD HoldHotkey(HWND window, std::optional<HotkeyKeys> keys) {
    if (!IsWindow(window)) return ERROR_INVALID_WINDOW_HANDLE;
    if (window != held.window) held = {window, 0, std::nullopt};  // the window before it is gone, and took its hotkey along
    if (keys == held.keys) return 0;
    const int id = held.id == 1 ? 2 : 1;
    // Held down, the keys switch once: no repeats switching back and forth.
    if (keys && !RegisterHotKey(window, id, keys->modifiers | MOD_NOREPEAT, keys->key)) return GetLastError();
    if (held.keys) UnregisterHotKey(window, held.id);
    held = {window, keys ? id : 0, keys};
    return 0;
}

DWORD HoldHotkey(std::optional<HotkeyKeys> keys) { return HoldHotkey(held.window, keys); }

std::optional<HotkeyKeys> HeldHotkey() { return IsWindow(held.window) ? held.keys : std::nullopt; }
