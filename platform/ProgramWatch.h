#pragma once
// Processes by their program's file name, told to a window as a posted message when one that is listed
// starts or ends. Nothing polls: a new process is seen by its first top-level window (a WinEvent hook,
// out of context, whose events reach the GUI thread as its messages do); those already running are
// found once from a snapshot when the list is set; an end is seen by the message loop waiting on the
// process's handle. A listed program that never opens a window is seen only if it ran when the list was set.
#include <windows.h>

#include <span>
#include <string>
#include <vector>

inline constexpr WPARAM kProgramStarted = 0, kProgramEnded = 1;  // the message's wParam; lParam: the process id

// Watches for `programs` (file names, "vlc.exe", compared in any letter case) and tells `window`. A later
// call changes the list: processes no longer listed are let go untold, newly listed ones that run are
// told; the same list again changes nothing. An empty list ends the watch: no hook, no handle. False when the hook
// cannot be set.
bool WatchPrograms(HWND window, UINT message, const std::vector<std::wstring>& programs);
// The file names of the listed processes that run, as the task list shows them, in the order they were found.
std::vector<std::wstring> RunningPrograms();

// For the message loop, beside the change watch's: the handles of the listed processes that run (at most
// MAXIMUM_WAIT_OBJECTS / 2; while more run, the rest are waited for as these end), and the one that ended.
std::span<const HANDLE> ProgramHandles();
void ProgramSignaled(size_t index);

// "notepad.exe" for a process opened with PROCESS_QUERY_LIMITED_INFORMATION; empty when it cannot be told.
std::wstring ImageFileName(HANDLE process);
