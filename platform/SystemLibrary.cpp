#include "platform/SystemLibrary.h"

#include <commctrl.h>
#include <commdlg.h>

HMODULE LoadSystemLibrary(const char* name) {
    if (HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // A system without the search flags (before KB2533623) refuses them: the full path there, and
    // what the DLL needs is looked for beside it first.
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenA(name) >= MAX_PATH) return nullptr;
    wsprintfA(path + length, "\\%s", name);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool LoadCommonControls(DWORD classes) {
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    static const InitFn init = [] {
        HMODULE lib = LoadSystemLibrary("comctl32.dll");
        return lib ? reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(lib, "InitCommonControlsEx"))) : nullptr;
    }();
    const INITCOMMONCONTROLSEX wanted = {sizeof wanted, classes};
    return init && init(&wanted);
}

std::string ChooseProgramFile(HWND owner, const char* title) {
    using OpenFn = BOOL(WINAPI*)(OPENFILENAMEA*);
    static const OpenFn open = [] {
        HMODULE lib = LoadSystemLibrary("comdlg32.dll");
        return lib ? reinterpret_cast<OpenFn>(reinterpret_cast<void*>(GetProcAddress(lib, "GetOpenFileNameA"))) : nullptr;
    }();
    char path[MAX_PATH * 4] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = "Programs (*.exe)\0*.exe\0All files (*.*)\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_DONTADDTORECENT;
    return open && open(&ofn) ? std::string(path) : std::string();
}
