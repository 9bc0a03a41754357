#pragma once
// The screensaver setting as the user and the administrator keep it, and the promise to switch it
// back on that "/off:MINUTES" leaves behind.
#include <windows.h>

#include <cstdint>
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

// The time (UTC, in FILETIME units) the screensaver goes back on; nothing: no promise stored. A
// stored value BLIMO cannot have written (not such a time, or further ahead than the longest
// promise) reads as 0: long due, so that it ends rather than keeping the screensaver off for good.
std::optional<uint64_t> PromisedOnTime();
void KeepPromisedOnTime(uint64_t utc);  // 0 forgets it
uint64_t Now();                         // UTC, FILETIME units
inline constexpr uint64_t kTicksPerMinute = 600000000;
// "15:30" in the user's time format, for a UTC time
std::wstring LocalClockText(uint64_t utc);
