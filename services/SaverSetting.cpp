#include "services/SaverSetting.h"

#include "platform/Api.h"
#include "platform/Text.h"
#include "services/TextRules.h"
#include "services/mdlRegStuff.h"

namespace {

constexpr wchar_t kPromiseValue[] = L"OffUntil";  // "2026-12-07T15:30:00Z"

// The stored form of a time; wsprintfA, as user32's, adds nothing to the program.
std::string PromiseText(const SYSTEMTIME& t) {
    char text[32];
    wsprintfA(text, "%04u-%02u-%02uT%02u:%02u:%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

uint64_t Ticks(const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }
FILETIME FileTime(uint64_t ticks) { return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}; }

}  // namespace

std::optional<bool> PolicySaverState() {
    const std::wstring policy = ReadRegString(HKEY_CURRENT_USER, kPolicyKey, kSaverValue);
    if (policy == L"0" || policy == L"1") return policy == L"1";
    return std::nullopt;
}

std::wstring UserSaverState() { return ReadRegString(HKEY_CURRENT_USER, kDesktopKey, kSaverValue); }

void StoreSaverState(bool on) {
    WriteRegString(HKEY_CURRENT_USER, kDesktopKey, kSaverValue, on ? L"1" : L"0");
    // The stored value is read only at the next logon; the system parameter changes this session now.
    Api.SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, on ? TRUE : FALSE, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
}

std::optional<uint64_t> PromisedOnTime() {
    const std::string text = Ansi(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue));
    if (text.empty() && !RegValueExists(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue)) return std::nullopt;
    SYSTEMTIME t = {};
    WORD* const fields[] = {&t.wYear, &t.wMonth, &t.wDay, &t.wHour, &t.wMinute, &t.wSecond};
    const char* at = text.c_str();
    for (WORD* field : fields) {  // digits up to the next mark; the marks and widths are checked below
        for (int digits = 0; digits < 4 && *at >= '0' && *at <= '9'; ++digits, ++at)
            *field = static_cast<WORD>(*field * 10 + (*at - '0'));
        if (*at != '\0') ++at;
    }
    // A time that exists is the same when written back: a February 31st is not, whether the system
    // refuses it or rolls it over into March.
    FILETIME ft;
    SYSTEMTIME back;
    if (!SystemTimeToFileTime(&t, &ft) || !FileTimeToSystemTime(&ft, &back) || PromiseText(back) != text) return 0;
    const uint64_t utc = Ticks(ft);
    return utc > Now() + kLongestPromiseMinutes * kTicksPerMinute ? 0 : utc;
}

void KeepPromisedOnTime(uint64_t utc) {
    SYSTEMTIME t;
    const FILETIME ft = FileTime(utc);
    if (utc == 0 || !FileTimeToSystemTime(&ft, &t)) return DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue);
    WriteRegString(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue, FromAnsi(PromiseText(t)));
}

uint64_t Now() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return Ticks(ft);
}

std::wstring LocalClockText(uint64_t utc) {
    const FILETIME ft = FileTime(utc);
    FILETIME local;
    SYSTEMTIME t;
    char text[64] = {};
    if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &t) ||
        !GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &t, nullptr, text, sizeof text))
        return {};
    return FromAnsi(text);
}
