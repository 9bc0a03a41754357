// BLIMO: switches the screensaver on and off from an icon in the notification area.
#include <windows.h>

#include "app/frmMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    static frmMain mainWindow;
    mainWindow.Load();  // the whole start-up; the window stays hidden until "About"
    return RunMessageLoop();
}
