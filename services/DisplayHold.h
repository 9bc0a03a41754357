#pragma once
// The display kept on while an Off that BLIMO made lasts: a power request whose reason an
// administrator reads (powercfg /requests), or the GUI thread's execution state where the system
// cannot make one. Taken and released here alone, and never against the administrator.
#include <windows.h>

#include <string>
#include <string_view>

// Whether an Off may hold the display now, read afresh each time: not while the machine has an
// inactivity limit (it locks the screen for the organisation); else as the "KeepDisplayOn" policy
// says, the computer's before the user's; else unless the user's "KeepDisplayOn" is "0".
bool DisplayHoldAllowed();

class DisplayHold {
public:
    DisplayHold() = default;
    DisplayHold(const DisplayHold&) = delete;
    DisplayHold& operator=(const DisplayHold&) = delete;

    // Holds the display with `reason` (a new reason replaces the old one without a gap), or
    // releases it for an empty one. A hold that is not allowed is released.
    void Want(std::wstring_view reason);
    const std::wstring& Reason() const { return held_; }  // empty: nothing held

private:
    void Release();
    void End(bool threadState);

    std::wstring held_;
    HANDLE request_ = nullptr;  // the power request, while one holds
    bool threadState_ = false;  // held by the thread's execution state instead
};
