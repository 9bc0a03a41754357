#pragma once
// Shared by the unit tests: a scratch registry key, and recorders swapped into the seam.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/Api.h"
#include "services/mdlSysTray.h"

// Puts the real API back however a test ends.
struct ScopedApi {
    PlatformApi saved = Api;
    ~ScopedApi() { Api = saved; }
};

// What went through the seam, in order: one line per call ("RegSetValueExA ScreenSaveActive",
// "SystemParametersInfoA 17 1 3", "Shell_NotifyIconA 1"), and every tray record sent.
struct CallLog {
    static inline std::vector<std::string> calls;
    static inline std::vector<std::pair<DWORD, TrayIconRecord>> trays;
    static inline int openKeys = 0;  // keys opened or created and not yet closed
    static inline BOOL trayAnswer = TRUE;
    static inline int failTrayAdds = 0;  // NIM_ADD calls still to fail

    // Records, then passes registry calls through to the real registry; the shell, system
    // parameters, browser and help calls are recorded only.
    static void Install();
    static void Clear();
    static std::vector<std::string> Matching(const std::string& prefix);
};

// A key below HKCU\Software that exists only for one test.
class ScratchKey {
public:
    ScratchKey();
    ~ScratchKey();
    std::wstring path;  // relative to HKEY_CURRENT_USER
    HKEY Open() const;  // a handle for the test's own raw calls; the caller closes it
};

// A registry value set for a test and put back as it was afterwards.
class SavedValue {
public:
    SavedValue(const char* key, const char* value);
    ~SavedValue();
    void Set(const char* text) const;
    void Delete() const;

private:
    std::string key_, value_;
    bool existed_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
};

// Lets the window procedures run for a while (timers, posted messages).
void PumpMessages(DWORD milliseconds);
