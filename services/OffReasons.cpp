#include "services/OffReasons.h"

#include "platform/ChangeWatch.h"
#include "platform/ProgramWatch.h"
#include "platform/Text.h"
#include "services/PromiseStore.h"

bool OffReasons::Restore(HWND window, UINT programMessage, bool policySet, bool& stale) {
    window_ = window;
    programMessage_ = programMessage;
    policy_ = policySet;
    const std::optional<uint64_t> promised = PromisedOnTime();
    std::optional<UniqueHandle> runs = PromisedProcess();
    until_ = promised > Now() && !policySet ? *promised : 0;
    process_ = runs && *runs && !policySet && !until_ ? std::move(*runs) : UniqueHandle();
    processName_ = process_ ? ProcessFileName(process_.get()) : std::wstring();
    hand_ = false;
    stale = !Promised() && (promised || runs);
    if (stale) {
        KeepPromisedOnTime(0);
        KeepPromisedProcess(nullptr);
    }
    RulesChanged();
    shown_ = Answer().off;
    return shown_;
}

void OffReasons::Watch() {
    WaitForProcess(process_.get());
    Arm();
}

void OffReasons::ByHand(bool off, uint64_t until, UniqueHandle process, bool anyOfName) {
    if (!off) {  // only the rules that hold now are muted: one that begins later switches off
        programsMuted_ = !running_.empty();
        hoursMuted_ = hours_.hold;
    }
    Keep(until, std::move(process), anyOfName);
    hand_ = off && !Promised();
    shown_ = Answer().off;
}

void OffReasons::Elsewhere(bool off, bool policySet) {
    const bool policyGone = policy_ && !policySet;
    policy_ = policySet;
    EndPromises();
    if (!off && !policyGone) {
        programsMuted_ = !running_.empty();
        hoursMuted_ = hours_.hold;
    }
    // Once the administrator lets go, a rule that holds switches off as it begins; else what is shown stays.
    shown_ = policyGone ? off : Answer().off;
}

void OffReasons::EndPromises() {
    Keep(0, UniqueHandle(), false);
    hand_ = false;
}

// The promise held from now on, stored and set on the alarm or the wait; the one before it, if any, is gone.
void OffReasons::Keep(uint64_t until, UniqueHandle process, bool anyOfName) {
    const bool either = Promised() || until || process;
    until_ = until;
    WaitForProcess(process.get());  // before the process waited for until now is let go
    process_ = std::move(process);
    processName_ = process_ ? ProcessFileName(process_.get()) : std::wstring();
    if (!either) return;
    Arm();
    KeepPromisedOnTime(until_);
    KeepPromisedProcess(process_.get(), anyOfName);
}

// The alarm, at the earliest moment a reason ends or begins, and a timer beside it: a menu, a message box
// or a drag runs a loop of its own that waits on no handle, but every loop serves timers.
void OffReasons::Arm() {
    uint64_t at = until_;
    if (hours_.nextChange && (!at || hours_.nextChange < at)) at = hours_.nextChange;
    SetAlarm(at);
    if (!window_) return;
    if (!at) {
        KillTimer(window_, kReasonTimer);
        return;
    }
    const uint64_t now = Now();
    const uint64_t ms = at > now ? (at - now) / 10000 + 1 : 1;
    SetTimer(window_, kReasonTimer, static_cast<UINT>(ms < USER_TIMER_MAXIMUM ? ms : USER_TIMER_MAXIMUM), nullptr);
}

// The hours as the clock shows them now: an Off by them that ends, or begins again, is no longer muted.
void OffReasons::Judge(uint64_t now) {
    const HoursNow hours = rules_.hours ? HoursAt(*rules_.hours, now) : HoursNow{};
    if (hours.hold != hours_.hold) hoursMuted_ = false;
    hours_ = hours;
    Arm();
}

// Either may have waited in the queue behind a newer promise, or come a moment early: then only set again.
void OffReasons::AlarmDue() {
    const uint64_t now = Now();
    if (until_ && now >= until_) Keep(0, UniqueHandle(), false);
    Judge(now);
}

// A program that handed its work to a copy of itself already running (a second start of a presentation
// program, a browser) has ended, and the copy keeps the promise: the stored promise finds it.
void OffReasons::ProcessEnded() {
    if (!process_ || WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) return;
    Keep(0, PromisedProcess().value_or(UniqueHandle()), true);
}

void OffReasons::ProgramEvent(WPARAM startedOrEnded) {
    running_ = RunningPrograms();
    if (startedOrEnded == kProgramStarted || running_.empty()) programsMuted_ = false;
}

void OffReasons::RulesChanged() {
    rules_ = ReadOffRules();
    if (window_) WatchPrograms(window_, programMessage_, rules_.programs);  // a hook that cannot be set sees only those running now
    running_ = RunningPrograms();
    if (running_.empty()) programsMuted_ = false;
    Judge(Now());
    PowerChanged();
}

void OffReasons::PowerChanged() {
    // With no power rule the power changes nothing: the system is not asked.
    const bool asked = rules_.power.onlyPluggedIn || rules_.power.batteryFloor;
    power_ = asked ? JudgePower(rules_.power, ReadPowerState()) : PowerVerdict{};
    if (!power_.endEveryOff || !shown_) return;
    batteryLow_ = true;
    EndPromises();
}

bool OffReasons::RuleHolds() const {
    return !policy_ && power_.rulesMayHold && ((!running_.empty() && !programsMuted_) || (hours_.hold && !hoursMuted_));
}

OffAnswer OffReasons::Answer() const {
    if (process_) return {true, OffReason::Process, processName_, 0};
    if (until_) return {true, OffReason::Time, {}, until_};
    if (hand_) return {true, OffReason::Hand, {}, 0};
    if (!RuleHolds()) return {};
    if (!running_.empty() && !programsMuted_) return {true, OffReason::Program, running_.front(), 0};
    return {true, OffReason::Hours, {}, hours_.nextChange};
}

bool OffReasons::Changed() {
    const bool off = Answer().off;
    if (off == shown_) return false;
    shown_ = off;
    return true;
}

std::wstring OffReasons::BatteryWords() {
    if (!batteryLow_) return {};
    batteryLow_ = false;
    return L"The battery is below " + FromAnsi(std::to_string(rules_.power.batteryFloor.value_or(0))) + L" %.";
}

std::wstring OffReasons::Words(bool off, bool byPolicy) const {
    const OffAnswer answer = off ? Answer() : OffAnswer{};
    const bool named = answer.why == OffReason::Process || answer.why == OffReason::Program;
    return StateWords(off, byPolicy, named ? answer.detail : std::wstring(), answer.until);
}

std::wstring StateWords(bool off, bool byPolicy, std::wstring_view whileRuns, uint64_t until) {
    const std::wstring state = off ? L"ScreenSaver Off" : L"ScreenSaver On";
    if (byPolicy) return state + L" (set by your administrator)";
    if (!whileRuns.empty()) return state + L" while " + std::wstring(whileRuns) + L" runs";
    return until ? state + L" until " + LocalClockText(until) : state;
}
