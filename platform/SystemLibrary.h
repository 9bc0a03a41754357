#pragma once
// DLLs loaded at run time come from the system folder only: BLIMO.exe may be copied to any folder,
// such as Downloads, and a file beside it of the same name must never run inside it.
#include <windows.h>

#include <string>

HMODULE LoadSystemLibrary(const char* name);  // nullptr when the system has none
// The common controls' classes: the library is loaded by the first window that has such a control (by name, so
// that the program's manifest picks its version). False when they cannot be had.
bool LoadCommonControls(DWORD classes);
// The system's Open dialog for one existing program file, owned by `owner`; its library is loaded on first use.
// The chosen file's full path, or nothing when the user cancels or the dialog cannot be had.
std::string ChooseProgramFile(HWND owner, const char* title);
