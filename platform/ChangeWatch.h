#pragma once
// One thread that waits, at no cost while nothing happens, for changes below keys of the current
// user and for an alarm at a time of day, and posts a message to a window for each. It touches no
// window and nothing of the caller's.
#include <windows.h>

#include <cstdint>
#include <initializer_list>

inline constexpr WPARAM kKeyChanged = 0, kAlarmDue = 1;  // the message's wParam

// Watches each of `subkeys` below HKEY_CURRENT_USER (or, while it does not exist, the nearest of
// its parents that does, with all below it) and posts `message` with kKeyChanged after a change.
// The thread starts once per process; a later call sends its messages to another window. False
// when the thread cannot start (nothing is watched then).
bool WatchKeys(HWND window, UINT message, std::initializer_list<const char*> subkeys);
// Posts the message with kAlarmDue once the system's clock reaches `utc` (FILETIME units), even
// after a sleep; 0 takes the alarm back. Only after WatchKeys.
void SetAlarm(uint64_t utc);
