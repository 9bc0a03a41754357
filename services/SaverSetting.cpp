#include "services/SaverSetting.h"

#include <cstdio>

#include "platform/Api.h"
#include "platform/Text.h"
#include "services/mdlRegStuff.h"

namespace {

constexpr wchar_t kPromiseValue[] = L"OffUntil";  // "2026-12-07T15:30:00Z"

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

uint64_t PromisedOnTime() {
    const std::string text = Ansi(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue));
    SYSTEMTIME t = {};
    int n = 0;
    if (std::sscanf(text.c_str(), "%4hu-%2hu-%2huT%2hu:%2hu:%2huZ%n", &t.wYear, &t.wMonth, &t.wDay, &t.wHour,
                    &t.wMinute, &t.wSecond, &n) != 6 || n != static_cast<int>(text.size()))
        return 0;
    FILETIME ft;
    return SystemTimeToFileTime(&t, &ft) ? Ticks(ft) : 0;
}

void KeepPromisedOnTime(uint64_t utc) {
    SYSTEMTIME t;
    const FILETIME ft = FileTime(utc);
    if (utc == 0 || !FileTimeToSystemTime(&ft, &t)) return DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    WriteRegString(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue, FromAnsi(text));
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
