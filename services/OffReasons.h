#pragma once
// Every reason BLIMO keeps the screensaver off, in one place below the windows: the user's hand, the
// time promise ("/off:MINUTES", "/off:until="), the process promise ("/off:pid=", "/off:run"), and the
// rules (a listed program runs, the hours hold). It answers one question, off or on and why; it stores
// the promises and restores them; and it tells the main window, by a posted message, whenever that answer
// changes. The window asks, switches, shows and holds the display; it keeps no reason of its own.
// Everything that can end a reason is a handle or a message the loop already waits on: the alarm, a
// process handle, the program watch, the power broadcast. Nothing polls; with no reason set nothing runs.
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

#include "platform/UniqueHandle.h"

enum class OffReason { None, Hand, Time, Process, Program, Hours };

struct OffAnswer {
    bool off = false;
    OffReason why = OffReason::None;  // the reason that holds, the user's hand before a promise before a rule
    std::wstring detail;              // "POWERPNT.EXE" for a program or process, "17:30" for a time or the hours' end
    bool heldByBlimo = false;         // BLIMO's own Off: the display hold follows it
};

class OffReasons {
public:
    // Restores the stored promises and reads the rules; from then on `message` reaches `window` with the
    // new answer's reason in wParam whenever the answer changes. A rule that holds now is BLIMO's own Off.
    void Start(HWND window, UINT message);

    // The user's own switch: an Off by hand lasts until the user's On; an On while a rule holds mutes that
    // rule until it ends and begins again (another listed program starts, the next day's hours). A hand's
    // switch forgets neither promise: "on again" waits until no promise and no rule holds.
    void ByHand(bool off);
    void PromiseUntil(uint64_t utc);     // 0 forgets it; stored as "OffUntil"
    void PromiseWhile(UniqueHandle process);  // nullptr forgets it; stored as "OffWhile"

    // What the message loop heard: the rules' values changed, the alarm, a process promise's end, the
    // program watch's message, WM_POWERBROADCAST with PBT_APMPOWERSTATUSCHANGE. Each re-judges the answer;
    // under the battery floor every Off BLIMO holds ends (the hand's too), with BatteryLow() true once.
    void RulesChanged();
    void AlarmDue();
    void ProcessEnded();
    void ProgramEvent(WPARAM started, DWORD processId);
    void PowerChanged();

    OffAnswer Answer() const;
    bool BatteryLow();  // true once after an Off ended for the battery: the balloon says why

    // The tooltip's "ScreenSaver Off while POWERPNT.EXE runs", "ScreenSaver Off until 17:30"; empty while on.
    std::wstring Why() const;

    // For the message loop: the handles the reasons wait on (the process promise's, the programs'), and the
    // one that fired. The alarm stays the change watch's (SetAlarm), set to the earliest time any reason ends.
    std::span<const HANDLE> Handles() const;
    void Signaled(size_t index);

    // While the administrator's screensaver policy is set no rule and no promise switches anything: the
    // answer is the policy's, and the reasons keep counting so that they apply once it is gone.
    void PolicyChanged(bool policySet);
};
