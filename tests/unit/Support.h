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
    static inline HWND iconOf = nullptr;                  // the window whose tray icon the shell shows
    static inline UINT taskbarDpi = 0;                    // the taskbar's monitor at this DPI; 0: the screen's
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

// What an icon shows, read from its pixels: "on" (a green field), "off" (red) or "?", and its width.
inline std::pair<std::string, long> IconLook(HICON icon) {
    ICONINFO info = {};
    BITMAP bits = {};
    if (!GetIconInfo(icon, &info) || !GetObjectA(info.hbmColor, sizeof bits, &bits)) return {"?", 0};
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, info.hbmColor);
    const COLORREF centre = GetPixel(dc, bits.bmWidth / 2, bits.bmHeight / 2);  // between the two rows of letters
    DeleteDC(dc);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return {centre == RGB(0, 255, 0) ? "on" : centre == RGB(255, 0, 0) ? "off" : "?", bits.bmWidth};
}

void Pump(DWORD milliseconds);  // lets windows, timers and posted messages run for a while
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 20000);  // false: not done by then
