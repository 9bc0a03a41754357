// BLIMO: switches the screensaver on and off from an icon in the notification area.
#include <windows.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "app/frmMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Command command = ParseCommandLine(std::vector<std::string_view>(__argv + 1, __argv + __argc));
    if (command.kind == CommandKind::OffRun) command.program = ProgramLine(GetCommandLineA(), 2);  // as written
    UniqueHandle process;  // of "/off:run" and "/off:pid=", for the promise
    if (const std::optional<int> code = CarryOut(command, process)) return *code;
    static frmMain mainWindow;
    mainWindow.Load();  // the whole start-up; the window stays hidden until "About"
    if (command.kind != CommandKind::Start) mainWindow.RunCommand(command, std::move(process));  // a promise none runs to keep
    return RunMessageLoop();
}
