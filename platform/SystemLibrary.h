#pragma once
// DLLs loaded at run time come from the system folder only: BLIMO.exe may be copied to any folder,
// such as Downloads, and a file beside it of the same name must never run inside it.
#include <windows.h>

HMODULE LoadSystemLibrary(const char* name);  // nullptr when the system has none
