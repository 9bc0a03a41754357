#pragma once
// "/status" for scripts: one line, the tooltip's words, to the console the command was typed in (or the file or
// pipe its output goes to), and whether the screensaver is on as the exit code.
#include <windows.h>

#include <optional>
#include <string>

// Asks `running`, the window of the BLIMO that runs, which knows why; with none, reads the stored setting, policy
// and promise. 0 on, 1 off; nothing when the running BLIMO did not answer.
std::optional<int> ReportStatus(HWND running);
// The running BLIMO's answer: `line` to the asking process's window `to`, from `from`.
void SendStatusLine(HWND to, HWND from, const std::wstring& line);
