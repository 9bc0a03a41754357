#pragma once
// The main window: the "About BLIMO" window, and the owner of the tray icon, its popup menu and
// the screensaver state.
#include <string>

#include "ui/Form.h"

class frmMain : public Form {
public:
    frmMain();

    // The last known "ScreenSaveActive" text: set at start-up, then by the switch.
    std::wstring SaverState;

    void Form_Load() override;
    void Form_MouseMove(short button, short shift, float x, float y) override;

    void mnuOn_Click();
    void mnuOff_Click();
    void mnuOptions_Click();
    void mnuUpdate_Click();
    void mnuAbout_Click();
    void mnuExit_Click();
    void cmdHelp_Click();
    void cmdHomePage_Click();
    void cmdOK_Click();
    void cmdUpdate_Click();

protected:
    bool QueryClose() override;  // the close box hides the window, as "&OK" does
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void SetMenuBitmaps();
    void Switch(bool on);
    void KeepTrayIcon(bool added);

    UINT taskbarCreated_ = 0;
    int trayRetriesLeft_ = 0;
};
