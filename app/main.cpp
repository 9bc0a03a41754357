// BLIMO: switches the screensaver on and off from an icon in the notification area.
#include <windows.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "app/frmMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Every library loaded by name, ours or a system DLL's, comes from the system folder only: none planted
    // beside BLIMO or in the current folder is loaded. Looked up, as Windows 7 has it only with an update.
    if (const auto set = reinterpret_cast<BOOL(WINAPI*)(DWORD)>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories"))))
        set(LOAD_LIBRARY_SEARCH_SYSTEM32);
    Command command = ParseCommandLine(std::vector<std::string_view>(__argv + 1, __argv + __argc));
    if (command.kind == CommandKind::OffRun) command.program = ProgramLine(GetCommandLineA(), 2);  // as written
    UniqueHandle process;  // of "/off:run" and "/off:pid=", for the promise
    if (const std::optional<int> code = CarryOut(command, process)) return *code;
    static frmMain mainWindow;
    mainWindow.Load();  // the whole start-up; the window stays hidden until "About"
    if (command.kind != CommandKind::Start) mainWindow.RunCommand(command, std::move(process));  // a promise none runs to keep
    return RunMessageLoop();
}
