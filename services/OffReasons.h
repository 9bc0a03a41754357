#pragma once
// Every reason BLIMO keeps the screensaver off, in one place below the windows: the user's hand, the
// time promise ("/off:MINUTES", "/off:until="), the process promise ("/off:pid=", "/off:run", and the
// hand-over to another process of the same name), and the rules (a listed program runs, the hours hold,
// within the power rules). It answers one question, off or on and why; it stores the promises and restores
// them; and after each event it tells the window whether that answer changed, for the window to switch.
// The window asks, switches, shows and holds the display; it keeps no reason of its own.
// Everything that can end a reason is a handle or a message the loop already waits on: the alarm (with a
// timer beside it, which every modal loop serves), the process handles, the program watch's window events,
// the power broadcast. With no reason set nothing runs.
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/UniqueHandle.h"
#include "services/OffRules.h"

enum class OffReason { None, Hand, Time, Process, Program, Hours };

struct OffAnswer {
    bool off = false;                 // BLIMO's own Off: the display hold follows it
    OffReason why = OffReason::None;  // the hand before a promise before a rule
    std::wstring detail;              // "notepad.exe" for a process, "POWERPNT.EXE" for a program
    uint64_t until = 0;               // UTC, FILETIME units: a time promise's, the hours' end
};

// The WM_TIMER beside the alarm: the window hands it to AlarmDue as it does the alarm's message.
inline constexpr UINT_PTR kReasonTimer = 2;

class OffReasons {
public:
    // The stored promises and the rules at start-up; no promise while the administrator decides. True when
    // one holds now: that Off is BLIMO's own, unlike an Off found at start-up. A stored promise that holds
    // no more (its time came, its process ended, it cannot be right, the policy decides) is forgotten, and
    // `stale` says so. The program watch tells `window` with `programMessage`.
    bool Restore(HWND window, UINT programMessage, bool policySet, bool& stale);
    // Then, once the change watch runs, the alarm and the waits set for what was restored.
    void Watch();

    // The user's own switch, or a command's: every promise before it ends; `until` (UTC) or `process` (with
    // `anyOfName`, handed over to another of its file name when it ends) makes a new one. An On while a
    // rule holds mutes that rule until it ends and begins again; an Off lasts until the user's On.
    void ByHand(bool off, uint64_t until = 0, UniqueHandle process = {}, bool anyOfName = false);
    // A change made elsewhere (the user's too, and the administrator's policy coming or going): the
    // promises end, and no Off is BLIMO's own; an On there mutes the rules that hold, as the hand's does.
    void Elsewhere(bool off, bool policySet);
    // No BLIMO left to keep the promises: they end.
    void EndPromises();

    // What the loop heard. Each judges the reasons anew; Changed() then says whether the window switches.
    void AlarmDue();      // the alarm or its timer: a promise's time, the hours' start or end
    void ProcessEnded();  // the process promise's
    void ProgramEvent(WPARAM startedOrEnded);
    void RulesChanged();  // the settings key or BLIMO's policy key
    void PowerChanged();  // WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE: under the battery floor every Off ends

    OffAnswer Answer() const;
    // True once after the answer's Off or On changed since the last time it was asked (or the hand set it).
    bool Changed();
    // Once after an Off ended for the battery, the balloon's words for why ("The battery is below 20 %.").
    std::wstring BatteryWords();
    bool Promised() const { return until_ || process_; }
    // The tooltip's words: "ScreenSaver Off while notepad.exe runs", "ScreenSaver Off until 17:30",
    // "ScreenSaver On (set by your administrator)".
    std::wstring Words(bool off, bool byPolicy) const;

private:
    void Arm();
    void Keep(uint64_t until, UniqueHandle process, bool anyOfName);
    void Judge(uint64_t now);
    bool RuleHolds() const;

    HWND window_ = nullptr;
    UINT programMessage_ = 0;
    bool hand_ = false;   // an Off by the user's hand (or a command's) that BLIMO holds
    uint64_t until_ = 0;  // when the screensaver goes back on (UTC); 0: no such promise
    UniqueHandle process_;  // the process whose end switches it back on; none: no such promise
    std::wstring processName_;
    OffRules rules_;
    std::vector<std::wstring> running_;  // the listed programs that run
    HoursNow hours_;
    PowerVerdict power_;
    bool policy_ = false;
    bool programsMuted_ = false, hoursMuted_ = false;  // by the user's On while they held
    bool shown_ = false;                               // the answer's Off as the window last switched to it
    bool batteryLow_ = false;
};

// The state in the tooltip's words: "ScreenSaver Off while notepad.exe runs" (a process named), else
// "ScreenSaver Off until 17:30" (a time given), or "ScreenSaver On (set by your administrator)".
std::wstring StateWords(bool off, bool byPolicy, std::wstring_view whileRuns = {}, uint64_t until = 0);
