// BLIMO: switches the screensaver on and off from an icon in the notification area.
#include <windows.h>

#include <exception>

#include "app/frmMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    static frmMain mainWindow;
    try {
        mainWindow.Load();  // the whole start-up; the window stays hidden until "About"
    } catch (const std::exception& e) {
        FatalError("start-up", e.what());
    }
    return RunMessageLoop([] { return true; });
}
