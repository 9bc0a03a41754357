#pragma once
// DLLs loaded at run time come from the system folder only: BLIMO.exe may be copied to any folder,
// such as Downloads, and a file beside it of the same name must never run inside it.
#include <windows.h>

HMODULE LoadSystemLibrary(const char* name);  // nullptr when the system has none
// The common controls' classes: the library is loaded by the first window that has such a control (by name, so
// that the program's manifest picks its version). False when they cannot be had.
bool LoadCommonControls(DWORD classes);
