#pragma once
// The screensaver setting as the user and the administrator keep it.
#include <windows.h>

#include <optional>
#include <string>

inline constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
inline constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";
inline constexpr wchar_t kSaverValue[] = L"ScreenSaveActive";
inline constexpr wchar_t kSettingsKey[] = L"Software\\Fenwa Inc\\BLIMO";

// The administrator's state: the policy's "ScreenSaveActive" when it is "0" or "1", else none.
std::optional<bool> PolicySaverState();
// The user's stored "ScreenSaveActive" text, as it stands.
std::wstring UserSaverState();
// Switches: the user's value written, then the system parameter set for this session and the
// change announced to every window. Neither answer changes anything we do.
void StoreSaverState(bool on);
