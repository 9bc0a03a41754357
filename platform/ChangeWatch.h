#pragma once
// Changes below keys of the current user, an alarm at a time of day, and the end of a process, told
// to a window as a posted message. Nothing polls and no thread waits: the message loop waits on WatchHandles()
// beside the messages and calls WatchSignaled for the one that fired.
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <span>

inline constexpr WPARAM kKeyChanged = 0, kAlarmDue = 1, kProcessEnded = 2;  // the message's wParam

// Watches each of `subkeys` below HKEY_CURRENT_USER for its own values and its subkeys coming or
// going, not for anything deeper (while it does not exist, its nearest parent that does, for a
// subkey coming on the way to it): `message` reaches `window` with kKeyChanged after a change. The
// keys are set once per process; a later call sends the messages to another window. False when
// nothing can be watched.
bool WatchKeys(HWND window, UINT message, std::initializer_list<const char*> subkeys);
// The message with kAlarmDue once the system's clock reaches `utc` (FILETIME units), even after a
// sleep; 0 takes the alarm back. Only after WatchKeys.
void SetAlarm(uint64_t utc);
// The message with kProcessEnded once `process` has ended, told once; nullptr waits for none. The
// handle stays the caller's: it must stay open until another call replaces it. Only after WatchKeys.
void WaitForProcess(HANDLE process);

// For the message loop: the handles to wait on (none before WatchKeys), and the one that fired.
std::span<const HANDLE> WatchHandles();
void WatchSignaled(size_t index);
