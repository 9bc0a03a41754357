#pragma once
// The promises to switch the screensaver back on that "/off:MINUTES", "/off:until=", "/off:pid=" and
// "/off:run" leave behind, in their stored forms, and the processes they wait for.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/UniqueHandle.h"
#include "services/Clock.h"

// The time (UTC, in FILETIME units) the screensaver goes back on; nothing: no promise stored. A
// stored value BLIMO cannot have written (not such a time, or further ahead than the longest
// promise, kLongestStoredMinutes) reads as 0: long due, so that it ends rather than keeping the screensaver off for good.
std::optional<uint64_t> PromisedOnTime();
void KeepPromisedOnTime(uint64_t utc);  // 0 forgets it
// "/off:until=" on the day the clock goes back an hour is the longest: 24 hours and one
inline constexpr uint64_t kLongestStoredMinutes = 25 * 60;
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
