#pragma once
// The screensaver setting as the user and the administrator keep it, and the promise to switch it
// back on that "/off:MINUTES", "/off:until=", "/off:pid=" and "/off:run" leave behind.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/UniqueHandle.h"

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
// promise, kLongestStoredMinutes) reads as 0: long due, so that it ends rather than keeping the screensaver off for good.
std::optional<uint64_t> PromisedOnTime();
void KeepPromisedOnTime(uint64_t utc);  // 0 forgets it
uint64_t Now();                         // UTC, FILETIME units
inline constexpr uint64_t kTicksPerMinute = 600000000;
// "/off:until=" on the day the clock goes back an hour is the longest: 24 hours and one
inline constexpr uint64_t kLongestStoredMinutes = 25 * 60;
// The next moment (UTC) the local clock of `zone` (nullptr: this machine's) shows `minuteOfDay`
// after midnight, later than `utc`: today if still ahead, else tomorrow; 0 if it cannot be told.
uint64_t NextClockTime(int minuteOfDay, uint64_t utc, const TIME_ZONE_INFORMATION* zone = nullptr);

// The process a promise waits for, opened for waiting while it runs: only that very process when
// `created` (its creation time, FILETIME units) is not 0. None when it cannot be opened or has
// ended; GetLastError says why.
UniqueHandle OpenRunningProcess(DWORD id, uint64_t created = 0);
uint64_t CreationTime(HANDLE process);
std::wstring ProcessFileName(HANDLE process);  // "notepad.exe", as the task list shows it
// A running process of this session whose file has that name (any letter case), opened for waiting; none when
// none runs. One look at the process list, at the moment it is asked.
UniqueHandle OpenProcessNamed(const std::wstring& fileName);
// The stored promise to switch back on when a process ends ("OffWhile": its number and creation
// time, and its file name when any process of that name keeps it): nothing when none is stored; else
// the process, or once it has ended (another process has its number) another of its name, if it
// keeps the promise and one runs; else none, as when the value cannot be read.
std::optional<UniqueHandle> PromisedProcess();
void KeepPromisedProcess(HANDLE process, bool anyOfItsName = false);  // nullptr forgets it
// "15:30" in the user's time format, for a UTC time
std::wstring LocalClockText(uint64_t utc);
// The state in the tooltip's words: "ScreenSaver Off while notepad.exe runs" (a process named), else
// "ScreenSaver Off until 17:30" (a time given), or "ScreenSaver On (set by your administrator)".
std::wstring StateWords(bool off, bool byPolicy, std::wstring_view whileRuns = {}, uint64_t until = 0);
