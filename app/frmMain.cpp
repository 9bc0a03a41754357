#include "app/frmMain.h"

#include <cmath>

#include "app/CommandLine.h"
#include "res/BuildConfig.h"
#include "res/frmMainLayout.h"
#include "options/frmOptions.h"
#include "platform/Api.h"
#include "platform/ChangeWatch.h"
#include "platform/Dpi.h"
#include "platform/Text.h"
#include "services/Hotkey.h"
#include "services/ProgramVersion.h"
#include "services/SaverSetting.h"
#include "services/mdlRegStuff.h"
#include "services/mdlSysTray.h"
#include "update/frmUpdate.h"

namespace {

constexpr UINT_PTR kTrayRetryTimer = 1;
constexpr UINT_PTR kPromiseTimer = 2;
constexpr UINT kSettingChanged = WM_APP + 1;    // from the watch: a key changed, or the promise is due
constexpr UINT kTrayRetryMs = 2000;
constexpr int kTrayRetries = 60;  // two minutes

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

// The mutex lives as long as the process.
bool AnotherInstanceRuns() {
    static HANDLE mine = nullptr;
    if (mine) return false;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutex);
    const DWORD error = GetLastError();
    // One that exists but may not be opened is another BLIMO's all the same (one started elevated).
    if (!mutex) return error == ERROR_ACCESS_DENIED;
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return true;
    }
    mine = mutex;
    return false;
}

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
    const std::optional<uint64_t> promised = PromisedOnTime();
    std::optional<UniqueHandle> runs = PromisedProcess();
    promisedOn_ = promised > Now() && !byPolicy_ ? *promised : 0;
    runs_ = runs && *runs && !byPolicy_ && !promisedOn_ ? std::move(*runs) : UniqueHandle();
    runsName_ = runs_ ? ProcessFileName(runs_.get()) : std::wstring();
    offHere_ = promisedOn_ || runs_;  // an Off found at start-up holds nothing; one BLIMO promised does
    if (offHere_ && SaverState != L"0") {  // the end of the session switched it on, in case no BLIMO came back
        SaverState = L"0";
        StoreSaverState(false);
    }
    SetIcon(LoadStateIcon(SaverState == L"0" ? IDI_OFF : IDI_ON));

    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
    KeepTrayIcon(AddTrayIcon(Hwnd(), byPolicy_ || offHere_ ? StateTip() : L"BLIMO"));

    ShowBubbles = BubblesTruth(Ansi(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, L"Bubbles")));
    HoldHotkey(Hwnd(), StoredHotkey());  // one another program holds: Options says so

    // Changes made elsewhere, by the user or the administrator, come to the window as messages.
    WatchKeys(Hwnd(), kSettingChanged, {"Control Panel\\Desktop", Ansi(kPolicyKey).c_str()});
    WaitForProcess(runs_.get());
    if (offHere_) {
        ArmAlarm();
        KeepDisplay();
    } else if (promised || runs) {  // its time came (its process ended) while no BLIMO ran, or it cannot be right, or it was switched meanwhile
        KeepPromisedOnTime(0);
        KeepPromisedProcess(nullptr);
        if (SaverState == L"0" && !byPolicy_) Switch(true);
    }
}

// The on or off icon, the image drawn for the size the notification area uses now (the small icon at
// its monitor's DPI). Not a shared icon: the system hands back the first one loaded, whatever size is
// asked for later. Both are loaded again when that size changes.
HICON frmMain::LoadStateIcon(int resource) {
    const int size = SystemMetricForDpi(SM_CXSMICON, TaskbarDpi());
    if (size != stateIconSize_) {
        stateIconSize_ = size;
        for (UniqueIcon& icon : stateIcons_) icon.reset();
    }
    UniqueIcon& icon = stateIcons_[resource == IDI_OFF];
    if (!icon)
        icon.reset(static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), IMAGE_ICON, size, size, 0)));
    if (!icon) FatalError("the switch", "Icon resource " + std::to_string(resource) + " cannot be loaded.");
    return icon.get();
}

// The taskbar was made again (the shell restarted) or its DPI changed, which it tells the same way
// while the icon is still there: the icon at the size the notification area uses now, added again.
void frmMain::RenewTrayIcon() {
    SetIcon(LoadStateIcon(SaverState == L"0" ? IDI_OFF : IDI_ON));
    KeepTrayIcon(ReAddTrayIcon());
}

void frmMain::Controls_Load() { SetText("lblVersion", L"Version " + FromAnsi(DisplayVersion(ProgramVersion()))); }

void frmMain::SetMenuBitmaps() {
    // Each step that fails is skipped: the items then show no bitmap.
    HMENU popup = GetSubMenu(Menu(), 0);
    if (!popup) return;
    SetMenuItemBitmaps(popup, 0, MF_BYPOSITION, Picture("imgBLIMO1"), Picture("imgBLIMO1"));
    SetMenuItemBitmaps(popup, 1, MF_BYPOSITION, Picture("imgBLIMO2"), Picture("imgBLIMO2"));
}

// The icon must not vanish for good: a failed add (no notification area yet, as when started at
// logon) is tried again every two seconds for two minutes; no timer runs once the icon is there.
void frmMain::KeepTrayIcon(bool added) {
    if (added) {
        KillTimer(Hwnd(), kTrayRetryTimer);
        trayRetriesLeft_ = 0;
    } else if (trayRetriesLeft_ == 0) {
        trayRetriesLeft_ = kTrayRetries;
        SetTimer(Hwnd(), kTrayRetryTimer, kTrayRetryMs, nullptr);
    }
}

bool frmMain::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    if (msg == kSettingChanged) {
        if (wp == kAlarmDue) AlarmRang();
        if (wp == kProcessEnded) ProcessEnded();
        if (wp == kKeyChanged) FollowSetting();
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
    if (msg == WM_TIMER && wp == kPromiseTimer) {
        AlarmRang();
        return true;
    }
    if (msg == WM_ENDSESSION) {
        if (wp) EndSession(lp & ENDSESSION_CLOSEAPP);
        return true;
    }
    if (msg == WM_TIMER && wp == kTrayRetryTimer) {
        bool added = ReAddTrayIcon();
        if (!added && --trayRetriesLeft_ <= 0) {
            KillTimer(Hwnd(), kTrayRetryTimer);
            trayRetriesLeft_ = 0;
            return true;
        }
        KeepTrayIcon(added);
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
    Promise(backOnAt, std::move(process), anyOfName);
    const SwitchRow& row = on ? kSwitchOn : kSwitchOff;
    const unsigned mine = ++changes_;
    SaverState = row.value;  // first: the change comes back to this window, and finds nothing new
    StoreSaverState(on);
    // The change's announcement waits for every window, and lets sent messages in meanwhile: a
    // switch or a change made elsewhere that came in has shown its own state, the one stored now.
    if (mine != changes_) return true;
    SetIcon(LoadStateIcon(row.icon));
    if (ShowBubbles)
        ShowTrayBalloon(row.balloon, row.title, StateTip());
    else
        SetTrayTip(StateTip());
    offHere_ = !on;
    KeepDisplay();
    return true;
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
    offHere_ = false;
    Promise(0);
    SetIcon(LoadStateIcon(state == L"0" ? IDI_OFF : IDI_ON));
    SetTrayTip(StateTip());
    KeepDisplay();
}

// The display is held while an Off that BLIMO made lasts, with the tooltip's words as the reason.
void frmMain::KeepDisplay() {
    hold_.Want(offHere_ && SaverState == L"0" && !byPolicy_ ? L"BLIMO: " + StateTip() : std::wstring());
}

// A promise to switch back on at `backOnAt`, or when `process` ends (and with `anyOfName`, no other
// process of its file name runs); neither: none. Stored and set on the alarm or the wait; the one
// before it, if any, is gone.
void frmMain::Promise(uint64_t backOnAt, UniqueHandle process, bool anyOfName) {
    const bool either = promisedOn_ || runs_ || backOnAt || process;
    promisedOn_ = backOnAt;
    WaitForProcess(process.get());  // before the process waited for until now is let go
    runs_ = std::move(process);
    runsName_ = runs_ ? ProcessFileName(runs_.get()) : std::wstring();
    if (!either) return;
    ArmAlarm();
    KeepPromisedOnTime(backOnAt);
    KeepPromisedProcess(runs_.get(), anyOfName);
}

// The process waited for has ended, unless the message waited in the queue behind a newer promise. A
// program that handed its work to a copy of itself already running (a second start of a presentation
// program, a browser) has ended, and the copy keeps the promise: the stored promise finds it.
void frmMain::ProcessEnded() {
    if (!runs_ || WaitForSingleObject(runs_.get(), 0) != WAIT_OBJECT_0) return;
    if (UniqueHandle next = PromisedProcess().value_or(UniqueHandle())) return Promise(0, std::move(next), true);
    Switch(true);
}

// The alarm, and a timer beside it: a menu, a message box or a drag runs a loop of its own that
// waits on no handle, but every loop serves timers, so the promise is kept on time even then.
void frmMain::ArmAlarm() {
    SetAlarm(promisedOn_);
    if (!promisedOn_) {
        KillTimer(Hwnd(), kPromiseTimer);
        return;
    }
    const uint64_t now = Now();
    const uint64_t ms = promisedOn_ > now ? (promisedOn_ - now) / 10000 + 1 : 1;
    SetTimer(Hwnd(), kPromiseTimer, static_cast<UINT>(ms < USER_TIMER_MAXIMUM ? ms : USER_TIMER_MAXIMUM), nullptr);
}

// The alarm or the timer: the promise is kept if its time has come. Either may have waited in the
// queue behind a newer promise, or come a moment early: then both are set again.
void frmMain::AlarmRang() {
    if (!promisedOn_) return;
    if (Now() >= promisedOn_)
        Switch(true);
    else
        ArmAlarm();
}

// The session ends, or an installer closes BLIMO to replace it (and starts it again). A promise
// stays stored for the next BLIMO. At a logoff the screensaver is stored on, without a word to a
// desktop that is going: no BLIMO may start at the next logon (autostart off, or turned off in Task
// Manager), and one that does while the promise is ahead switches it off again.
void frmMain::EndSession(bool closeApp) {
    if (!closeApp && (promisedOn_ || runs_) && SaverState == L"0")
        WriteRegString(HKEY_CURRENT_USER, kDesktopKey, kSaverValue, L"1");
    if (!closeApp) return;
    offHere_ = false;
    KeepDisplay();
    RemoveTrayIcon();
    Api.ExitProcess(0);
}

// No BLIMO will be left to keep the promise: it is kept now.
void frmMain::KeepPromiseNow() {
    if (!promisedOn_ && !runs_) return;
    Promise(0);
    StoreSaverState(true);
}

std::wstring frmMain::StateTip() const {
    return StateWords(SaverState == L"0", byPolicy_, runs_ ? runsName_ : std::wstring(), promisedOn_);
}

// "/status": the tooltip's words, and whether BLIMO holds the display, sent to the asking process's window.
int frmMain::AnswerStatus(HWND to) const {
    std::string line = Ansi(StateTip() + (hold_.Reason().empty() ? L"" : L"; display kept on"));
    COPYDATASTRUCT reply = {kStatusData, static_cast<DWORD>(line.size()), line.data()};
    // An asker gone meanwhile misses only the line; the answer still says on or off.
    SendMessageTimeoutA(to, WM_COPYDATA, reinterpret_cast<WPARAM>(Hwnd()), reinterpret_cast<LPARAM>(&reply),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
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
    offHere_ = false;
    KeepDisplay();
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
