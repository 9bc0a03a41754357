// switch_bench [PAIRS]: the cost of switching, in-process: PAIRS of Off/On through the main window's
// handlers against the bare floor (the registry write, the system-parameters call and the tray
// modify alone, made directly). Both use the real registry, system parameters and tray.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/frmMain.h"
#include "services/mdlSysTray.h"

namespace {

double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

void BareSwitch(const char* value, BOOL on, NOTIFYICONDATAA& nid) {
    HKEY key;
    RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key);
    RegSetValueExA(key, "ScreenSaveActive", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), 2);
    RegCloseKey(key);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, on, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    Shell_NotifyIconA(NIM_MODIFY, &nid);
}

}  // namespace

int main(int argc, char** argv) {
    const int pairs = argc > 1 ? std::atoi(argv[1]) : 1000;
    frmMain window;
    window.Load();

    double t0 = Now();
    for (int i = 0; i < pairs; ++i) {
        window.mnuOff_Click();
        window.mnuOn_Click();
    }
    double blimo = Now() - t0;

    NOTIFYICONDATAA nid = {};
    std::memcpy(&nid, &TrayIconData, sizeof TrayIconData);
    t0 = Now();
    for (int i = 0; i < pairs; ++i) {
        BareSwitch("0", FALSE, nid);
        BareSwitch("1", TRUE, nid);
    }
    double bare = Now() - t0;
    RemoveTrayIcon();
    std::printf("%d switch pairs: BLIMO %.0f ms (%.3f ms a switch), bare floor %.0f ms (%.3f ms), ratio %.2f\n", pairs,
                blimo, blimo / (2 * pairs), bare, bare / (2 * pairs), blimo / bare);
    return 0;
}
