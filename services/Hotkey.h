#pragma once
// The hotkey that switches the screensaver as a double click does: stored as text under BLIMO's settings
// ("Hotkey" = "Ctrl+Alt+S"), registered for the main window, which the system sends WM_HOTKEY (no keyboard hook).
#include <windows.h>

#include <optional>

#include "services/TextRules.h"

inline constexpr wchar_t kHotkeyValue[] = L"Hotkey";

// The stored hotkey; none when there is none, or its text is no hotkey.
std::optional<HotkeyKeys> StoredHotkey();
// Registers `keys` for `window` (from then on, the window that holds the hotkey) in place of the combination it
// holds; none lets that go. 0, or the system's error, ERROR_HOTKEY_ALREADY_REGISTERED when another program holds
// the combination: then the old one stays.
DWORD HoldHotkey(HWND window, std::optional<HotkeyKeys> keys);
// The same for the window that holds the hotkey now.
DWORD HoldHotkey(std::optional<HotkeyKeys> keys);
std::optional<HotkeyKeys> HeldHotkey();
