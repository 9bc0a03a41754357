#pragma once
// The main window: the "About BLIMO" window, and the owner of the tray icon, its popup menu and
// the screensaver state.
#include <cstdint>
#include <string>

#include "app/TrayIcon.h"
#include "platform/UniqueHandle.h"
#include "services/DisplayHold.h"
#include "services/OffReasons.h"
#include "services/TextRules.h"
#include "ui/Form.h"

// Another BLIMO of this user already running? Asked once, the answer holds for the process, which
// from then on holds the place itself. A process that only looks opens kInstanceMutex instead.
bool AnotherInstanceRuns();
inline constexpr char kInstanceMutex[] = "BLIMO.SingleInstance";
// WM_COPYDATA's dwData for a command-line switch ("/off:60") sent to the BLIMO that runs, and what
// is added to the exit code it answers with: a window that does not handle the message answers 0.
inline constexpr ULONG_PTR kCommandData = 0x424C4D4F;
inline constexpr LRESULT kCommandAnswered = 0x100;  // + the code, + for a 2 the system's error that says why << 16
// "/status" comes with a window of the asking process as WM_COPYDATA's wParam, and the line goes back to it as
// a WM_COPYDATA of its own; the answer is then 0 for on, 1 for off.
inline constexpr ULONG_PTR kStatusData = 0x424C5354;

class frmMain : public Form {
public:
    frmMain();

    // The last known "ScreenSaveActive" text, the administrator's when a policy sets it: set at
    // start-up, by the switch, and after every change made elsewhere.
    std::wstring SaverState;

    // A command line's switch, done as the menu's: 0, 3 when the administrator decides, or 2 (GetLastError says why)
    // for a time that cannot be told or a process that cannot be waited for (nothing switched). `process`: the
    // one to wait for, handed over; none: opened by the command's number.
    int RunCommand(const Command& command, UniqueHandle process = {});

    void Form_Load() override;
    void Controls_Load() override;
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
    bool Switch(bool on, uint64_t backOnAt = 0, UniqueHandle process = {}, bool anyOfName = false);
    void ShowSwitch(bool on);
    void FollowSetting();
    void FollowReasons();
    void KeepPromiseNow();
    void EndSession(bool closeApp);
    std::wstring StateTip() const;
    void SwitchOver();
    int AnswerStatus(HWND to) const;
    void RenewTrayIcon();
    void KeepDisplay();

    DisplayHold hold_;
    OffReasons reasons_;
    unsigned changes_ = 0;  // of the state shown: counts each switch and each change made elsewhere

    UINT taskbarCreated_ = 0;
    TrayIcon trayIcon_;
    bool byPolicy_ = false;
};
