#pragma once
// What the unit tests share: recorders in the call seam, registry values, a message pump.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Api.h"
#include "platform/ChangeWatch.h"
#include "platform/ProgramWatch.h"
#include "res/resource.h"
#include "services/mdlSysTray.h"

// While one lives, registry writes and shell, system, power, help, box and exit calls are logged a line each
// ("RegSetValueExA ScreenSaveActive 0"); registry calls go on to the real registry, keys counted.
struct Recorder {
    Recorder();
    ~Recorder() { Api = saved; }
    static std::vector<std::string> Matching(const std::string& prefix);

    PlatformApi saved = Api;
    static inline std::vector<std::string> calls;
    static inline std::vector<std::pair<DWORD, TrayIconRecord>> trays;
    static inline int openKeys = 0, failAdds = 0;  // NIM_ADD calls still to fail: no notification area
    static inline bool failWrites = false;         // keys cannot be created: a registry that refuses
    static inline bool failRequests = false;       // no power request can be made
    static inline std::function<void()> duringBroadcast;  // run once inside the next SystemParametersInfoA
    static inline SYSTEM_POWER_STATUS power;              // what GetSystemPowerStatus tells
};

// A value (below HKEY_CURRENT_USER unless told), read and written past the recorder: (type, bytes), or nothing.
struct Value {
    std::string key, name;
    HKEY root = HKEY_CURRENT_USER;
    std::optional<std::pair<DWORD, std::string>> Get() const;
    void Set(DWORD type, const std::string& s) const {
        ::RegSetKeyValueA(root, key.c_str(), name.c_str(), type, s.data(), static_cast<DWORD>(s.size()));
    }
    void Set(const char* text) const { text ? Set(REG_SZ, std::string(text) + '\0') : Delete(); }  // none: deleted
    void Set(DWORD number) const { Set(REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number)); }
    void Delete() const { ::RegDeleteKeyValueA(root, key.c_str(), name.c_str()); }
};

inline std::pair<DWORD, std::string> Sz(const std::string& text) { return {REG_SZ, text + '\0'}; }  // as stored

inline HICON StateIcon(int id) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

void Pump(DWORD milliseconds);  // lets windows, timers and posted messages run for a while
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 20000);  // false: not done by then
