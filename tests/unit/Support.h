#pragma once
// What the unit tests share: recorders in the call seam, registry values put back as they were,
// a message pump.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Api.h"
#include "res/resource.h"
#include "services/mdlSysTray.h"

// While one lives, each registry write and each shell, system parameter, help, message box and
// exit call is logged, one line each ("RegSetValueExA ScreenSaveActive 0", "Shell_NotifyIconA 1").
// Registry calls go on to Wine's real registry, keys counted; the others are only logged.
struct Recorder {
    Recorder();
    ~Recorder() { Api = saved; }
    static std::vector<std::string> Matching(const std::string& prefix);

    PlatformApi saved = Api;
    static inline std::vector<std::string> calls;
    static inline std::vector<std::pair<DWORD, TrayIconRecord>> trays;
    static inline int openKeys = 0;
    static inline int failAdds = 0;        // NIM_ADD calls still to fail (no notification area)
    static inline bool failWrites = false;  // keys cannot be created (a registry that refuses)
};

// A value below HKEY_CURRENT_USER, set by a test and put back as it was when the test ends.
class Value {
public:
    Value(std::string key, std::string name) : key_(std::move(key)), name_(std::move(name)), was_(Get()) {}
    ~Value() { was_ ? Set(was_->first, was_->second) : Delete(); }
    std::optional<std::pair<DWORD, std::string>> Get() const;  // type and bytes, as stored
    void Set(DWORD type, const std::string& bytes) const;
    void Set(const char* text) const { Set(REG_SZ, std::string(text) + '\0'); }
    void Delete() const;

private:
    std::string key_, name_;
    std::optional<std::pair<DWORD, std::string>> was_;
};

inline std::string Sz(const char* text) { return std::string(text) + '\0'; }  // REG_SZ bytes

inline HICON StateIcon(int id) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

// Lets windows, timers and posted messages run for a while.
void Pump(DWORD milliseconds);
