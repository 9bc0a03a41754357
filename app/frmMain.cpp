#include "app/frmMain.h"

#include <cmath>

#include "app/CommandLine.h"
#include "app/StatusReport.h"
#include "res/BuildConfig.h"
#include "res/frmMainLayout.h"
#include "options/frmOptions.h"
#include "platform/Api.h"
#include "platform/ChangeWatch.h"
#include "platform/Dpi.h"
#include "platform/Text.h"
#include "services/Hotkey.h"
#include "services/Policy.h"
#include "services/ProgramVersion.h"
#include "services/PromiseStore.h"
#include "services/SaverSetting.h"
#include "services/mdlRegStuff.h"
#include "services/mdlSysTray.h"
#include "update/frmUpdate.h"

namespace {

constexpr UINT kSettingChanged = WM_APP + 1;    // from the watch: a key changed, or the promise is due
constexpr UINT kProgramEvent = WM_APP + 2;      // from the program watch: a listed program started or ended

struct SwitchRow {
    const wchar_t* value;
    int icon;
    const wchar_t* balloon;
    const wchar_t* title;
};
constexpr SwitchRow kSwitchOn = {L"1", IDI_ON, L"Your ScreenSaver has been turned On.", L"ScreenSaver On"};
constexpr SwitchRow kSwitchOff = {L"0", IDI_OFF, L"Your ScreenSaver has been turned Off.", L"ScreenSaver Off"};

// What the icon shows: the administrator's state when a policy sets one, else the user's text.
std::wstring SettingShown(bool& byPolicy) {
    const std::optional<bool> policy = PolicySaverState();
    byPolicy = policy.has_value();
    return policy ? (*policy ? L"1" : L"0") : UserSaverState();
}

}  // namespace

namespace {

// clang-format off
constexpr Route kMainRoutes[] = {
    On<&frmMain::mnuOn_Click>("mnuOn"),
    On<&frmMain::mnuOff_Click>("mnuOff"),
    On<&frmMain::mnuOptions_Click>("mnuOptions"),
    On<&frmMain::mnuUpdate_Click>("mnuUpdate"),
    On<&frmMain::mnuAbout_Click>("mnuAbout"),
    On<&frmMain::mnuExit_Click>("mnuExit"),
    On<&frmMain::cmdHelp_Click>("cmdHelp"),
    On<&frmMain::cmdHomePage_Click>("cmdHomePage"),
    On<&frmMain::cmdOK_Click>("cmdOK"),
    On<&frmMain::cmdUpdate_Click>("cmdUpdate"),
};
// clang-format on
static_assert(RoutesMatch(kMainLayout, kMainRoutes));

}  // namespace

// The About window stays hidden until "About": its controls are made when first needed.
frmMain::frmMain() : Form(kMainLayout, kMainRoutes, Controls::WhenNeeded) {}

void frmMain::Form_Load() {
    if (AnotherInstanceRuns()) return Api.ExitProcess(0);  // silently: the running one keeps its icon and state
    // An installer that closes BLIMO to replace it starts it again; a crash, a hang or a reboot does not.
    Api.RegisterApplicationRestart(L"", RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);

    SetMenuBitmaps();

    SaverState = SettingShown(byPolicy_);
    // A promise to switch back on is kept while it is ahead (its process runs), unless the administrator decides.
    bool stale = false;
    const bool held = reasons_.Restore(Hwnd(), kProgramEvent, byPolicy_, stale);  // an Off found at start-up holds nothing
    if (held && SaverState != L"0") {  // the end of the session switched it on, in case no BLIMO came back
        SaverState = L"0";
        StoreSaverState(false);
    }
    SetIcon(trayIcon_.Load(SaverState == L"0" ? IDI_OFF : IDI_ON));

    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
    trayIcon_.Keep(Hwnd(), AddTrayIcon(Hwnd(), byPolicy_ || held ? StateTip() : L"BLIMO"));

    ShowBubbles = BubblesTruth(Ansi(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, L"Bubbles")));
    HoldHotkey(Hwnd(), StoredHotkey());  // one another program holds: Options says so

    // Changes made elsewhere, by the user or the administrator, come to the window as messages.
    WatchKeys(Hwnd(), kSettingChanged,
              {"Control Panel\\Desktop", Ansi(kPolicyKey).c_str(), Ansi(kSettingsKey).c_str(), Ansi(kBlimoPolicyKey).c_str()});
    reasons_.Watch();
    if (held)
        KeepDisplay();
    else if (stale && SaverState == L"0" && !byPolicy_)  // its time came (its process ended) while no BLIMO ran, or it cannot be right
        Switch(true);
}

// The taskbar was made again (the shell restarted) or its DPI changed, which it tells the same way
// while the icon is still there: the icon at the size the notification area uses now, added again.
void frmMain::RenewTrayIcon() {
    SetIcon(trayIcon_.Load(SaverState == L"0" ? IDI_OFF : IDI_ON));
    trayIcon_.Keep(Hwnd(), ReAddTrayIcon());
}

void frmMain::Controls_Load() { SetText("lblVersion", L"Version " + FromAnsi(DisplayVersion(ProgramVersion()))); }

void frmMain::SetMenuBitmaps() {
    // Each step that fails is skipped: the items then show no bitmap.
    HMENU popup = GetSubMenu(Menu(), 0);
    if (!popup) return;
    SetMenuItemBitmaps(popup, 0, MF_BYPOSITION, Picture("imgBLIMO1"), Picture("imgBLIMO1"));
    SetMenuItemBitmaps(popup, 1, MF_BYPOSITION, Picture("imgBLIMO2"), Picture("imgBLIMO2"));
}

bool frmMain::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    if (msg == kSettingChanged) {
        if (wp == kAlarmDue) reasons_.AlarmDue();
        if (wp == kProcessEnded) reasons_.ProcessEnded();
        if (wp == kKeyChanged) FollowSetting();
        if (wp == kKeyChanged) reasons_.RulesChanged();
        FollowReasons();
        return true;
    }
    if (msg == kProgramEvent || (msg == WM_POWERBROADCAST && wp == PBT_APMPOWERSTATUSCHANGE) || msg == WM_TIMECHANGE) {
        if (msg == kProgramEvent) reasons_.ProgramEvent(wp);
        if (msg == WM_POWERBROADCAST) reasons_.PowerChanged();
        if (msg == WM_TIMECHANGE) reasons_.AlarmDue();  // the hours by the clock as it shows now
        FollowReasons();
        result = TRUE;
        return true;
    }
    if (msg == kTrayCallback) {  // decoded as the mouse-move message it once was
        if (IsWindowEnabled(Hwnd()))  // a window behind a modal dialog waits
            Form_MouseMove(0, 0, static_cast<float>(LOWORD(lp) * TwipsPerPixelX()), 0);
        return true;
    }
    if (msg == WM_MOUSEMOVE) return true;  // a real mouse over the About window: nothing to do
    if (msg == WM_HOTKEY) {
        if (IsWindowEnabled(Hwnd())) SwitchOver();  // as a double click, which waits for a modal dialog too
        return true;
    }
    if (msg == WM_SETTINGCHANGE && wp == SPI_SETSCREENSAVEACTIVE) {  // as Control Panel announces a switch
        FollowSetting();
        return true;
    }
    if (msg == WM_COPYDATA) {  // a switch from the command line, or the process of one, handed over
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        if (!data || (data->dwData != kCommandData && data->dwData != kHandoverData)) return false;
        UniqueHandle process;
        const Command command = ReceivedCommand(*data, process);
        if (command.kind == CommandKind::Status) {
            result = kCommandAnswered + AnswerStatus(reinterpret_cast<HWND>(wp));
            return true;
        }
        const bool isSwitch = command.kind != CommandKind::Start && command.kind != CommandKind::Help &&
                              command.kind != CommandKind::Wrong && (process || data->dwData == kCommandData);
        if (!isSwitch) SetLastError(ERROR_NOT_SUPPORTED);
        const int code = isSwitch ? RunCommand(command, std::move(process)) : 2;
        result = kCommandAnswered + code + (code == 2 ? static_cast<LRESULT>(GetLastError() & 0x7FFF) << 16 : 0);
        return true;
    }
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        RenewTrayIcon();
        return true;
    }
    if (msg == WM_DPICHANGED) RenewTrayIcon();  // and the form lays the About window out anew
    if (msg == WM_TIMER && wp == kReasonTimer) {
        reasons_.AlarmDue();
        FollowReasons();
        return true;
    }
    if (msg == WM_ENDSESSION) {
        if (wp) EndSession(lp & ENDSESSION_CLOSEAPP);
        return true;
    }
    if (msg == WM_TIMER && wp == TrayIcon::kRetryTimer) {
        trayIcon_.Retry(Hwnd());
        return true;
    }
    return false;
}

// Switches, unless a policy decides: then nothing is written and a warning says why. Any switch
// ends a promise to switch back on; `backOnAt` makes a new one.
bool frmMain::Switch(bool on, uint64_t backOnAt, UniqueHandle process, bool anyOfName) {
    if (byPolicy_) {
        ShowTrayBalloon(std::wstring(L"Your administrator has turned the screensaver ") +
                            (SaverState == L"1" ? L"On" : L"Off") + L". It cannot be switched here.",
                        L"ScreenSaver set by your administrator", StateTip(), NIIF_WARNING);
        return false;
    }
    reasons_.ByHand(!on, backOnAt, std::move(process), anyOfName);
    ShowSwitch(on);
    return true;
}

// The switch made and shown, as the user's or as the reasons answer.
void frmMain::ShowSwitch(bool on) {
    const SwitchRow& row = on ? kSwitchOn : kSwitchOff;
    const unsigned mine = ++changes_;
    SaverState = row.value;  // first: the change comes back to this window, and finds nothing new
    StoreSaverState(on);
    // The change's announcement waits for every window, and lets sent messages in meanwhile: a
    // switch or a change made elsewhere that came in has shown its own state, the one stored now.
    if (mine != changes_) return;
    SetIcon(trayIcon_.Load(row.icon));
    const std::wstring battery = reasons_.BatteryWords();
    if (ShowBubbles)
        ShowTrayBalloon(battery.empty() ? std::wstring(row.balloon) : row.balloon + (L" " + battery), row.title, StateTip());
    else
        SetTrayTip(StateTip());
    KeepDisplay();
}

// The reasons judged anew: switched when their answer changed, else the tip and the hold follow their words.
void frmMain::FollowReasons() {
    if (reasons_.Changed()) return ShowSwitch(!reasons_.Answer().off);
    const std::wstring held = hold_.Reason();
    KeepDisplay();
    if (hold_.Reason() != held) SetTrayTip(StateTip());
}

// A change made elsewhere, read from the stored values (what the system announces is stored with
// it): the icon and tip show it, without a balloon, and a promise made before it is void.
void frmMain::FollowSetting() {
    bool byPolicy = false;
    const std::wstring state = SettingShown(byPolicy);
    if (state == SaverState && byPolicy == byPolicy_) return;
    ++changes_;
    SaverState = state;
    byPolicy_ = byPolicy;
    reasons_.Elsewhere(state == L"0", byPolicy);
    SetIcon(trayIcon_.Load(state == L"0" ? IDI_OFF : IDI_ON));
    SetTrayTip(StateTip());
    KeepDisplay();
}

// The display is held while an Off that BLIMO made lasts, with the tooltip's words as the reason.
void frmMain::KeepDisplay() {
    hold_.Want(reasons_.Answer().off && SaverState == L"0" && !byPolicy_ ? L"BLIMO: " + StateTip() : std::wstring());
}

// The session ends, or an installer closes BLIMO to replace it (and starts it again). A promise
// stays stored for the next BLIMO. At a logoff the screensaver is stored on, without a word to a
// desktop that is going: no BLIMO may start at the next logon (autostart off, or turned off in Task
// Manager), and one that does while the promise is ahead switches it off again.
void frmMain::EndSession(bool closeApp) {
    if (!closeApp && reasons_.Answer().why > OffReason::Hand && SaverState == L"0")
        WriteRegString(HKEY_CURRENT_USER, kDesktopKey, kSaverValue, L"1");
    if (!closeApp) return;
    hold_.Want({});
    RemoveTrayIcon();
    Api.ExitProcess(0);
}

// No BLIMO will be left to keep the promise: it is kept now.
void frmMain::KeepPromiseNow() {
    if (reasons_.Answer().why <= OffReason::Hand) return;
    reasons_.EndPromises();
    StoreSaverState(true);
}

std::wstring frmMain::StateTip() const {
    return reasons_.Words(SaverState == L"0", byPolicy_);
}

// "/status": the tooltip's words, and whether BLIMO holds the display, sent to the asking process's window.
int frmMain::AnswerStatus(HWND to) const {
    SendStatusLine(to, Hwnd(), StateTip() + (hold_.Reason().empty() ? L"" : L"; display kept on"));
    return SaverState == L"0" ? 1 : 0;
}

int frmMain::RunCommand(const Command& command, UniqueHandle process) {
    const bool run = command.kind == CommandKind::OffRun;
    if ((run || command.kind == CommandKind::OffWhile) && !byPolicy_) {
        if (!process) process = OpenRunningProcess(command.process, command.created);
        if (process && WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT)  // it handed its work over already
            process = run ? OpenProcessNamed(ProcessFileName(process.get())) : UniqueHandle();
        return !process ? 2 : Switch(false, 0, std::move(process), run) ? 0 : 3;
    }
    const bool on = command.kind == CommandKind::On || (command.kind == CommandKind::Toggle && SaverState != L"1");
    const uint64_t now = Now();
    const uint64_t backOnAt = command.kind == CommandKind::OffFor     ? now + command.minutes * kTicksPerMinute
                              : command.kind == CommandKind::OffUntil ? NextClockTime(command.minutes, now)
                                                                      : 0;
    if (command.kind == CommandKind::OffUntil && !backOnAt && !byPolicy_) {
        SetLastError(ERROR_INVALID_TIME);
        return 2;
    }
    return Switch(on, backOnAt) ? 0 : 3;
}

void frmMain::mnuOn_Click() { Switch(true); }
void frmMain::mnuOff_Click() { Switch(false); }

void frmMain::Form_MouseMove(short, short, float x, float) {
    // The tray icon's callback is the mouse-move message: x carries the mouse message, in twips.
    long message = std::lround(x / static_cast<float>(TwipsPerPixelX()));
    if (message == WM_LBUTTONDBLCLK) {
        SwitchOver();
    } else if (message == WM_RBUTTONUP) {
        SetForegroundWindow(Hwnd());  // so the menu closes when the user clicks elsewhere
        POINT at;
        GetCursorPos(&at);
        TrackPopupMenu(GetSubMenu(Menu(), 0), 0, at.x, at.y, 0, Hwnd(), nullptr);
        PostMessageA(Hwnd(), WM_NULL, 0, 0);
    }
}

// The double click and the hotkey: off when the state is exactly "1", else on.
void frmMain::SwitchOver() {
    if (SaverState == L"1")
        mnuOff_Click();
    else
        mnuOn_Click();
}

void frmMain::mnuOptions_Click() { frmOptions::Instance().ShowModal(); }
void frmMain::mnuUpdate_Click() { frmUpdate::Instance().ShowModal(); }
void frmMain::cmdUpdate_Click() { frmUpdate::Instance().ShowModal(); }
void frmMain::mnuAbout_Click() { Show(); }
void frmMain::cmdOK_Click() { Hide(); }

bool frmMain::QueryClose() {
    Hide();
    return false;
}

void frmMain::mnuExit_Click() {
    KeepPromiseNow();
    hold_.Want({});
    RemoveTrayIcon();
    Api.ExitProcess(0);
}

namespace {

// The help file beside the program (a portable copy, any install folder), else where setup puts it.
std::string HelpFile() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string beside(path, n < MAX_PATH ? n : 0);
    const size_t folder = beside.find_last_of('\\');
    if (folder == std::string::npos) return BLIMO_HELP_FILE;
    beside.replace(folder + 1, std::string::npos, "blimo.chm");
    const DWORD attributes = GetFileAttributesA(beside.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? beside : BLIMO_HELP_FILE;
}

}  // namespace

void frmMain::cmdHelp_Click() {
    // A missing help file or help engine shows nothing of ours: the call's answer is not used.
    Api.HtmlHelpA(Hwnd(), HelpFile().c_str(), 0 /* HH_DISPLAY_TOPIC */, 0);
}

void frmMain::cmdHomePage_Click() {
    Api.ShellExecuteA(Hwnd(), nullptr, BLIMO_HOME_URL, nullptr, "C:\\", SW_SHOWNORMAL);
}
