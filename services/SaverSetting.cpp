#include "services/SaverSetting.h"

#include "platform/Api.h"
#include "platform/Text.h"
#include "services/mdlRegStuff.h"

namespace {

constexpr wchar_t kPromiseValue[] = L"OffUntil";  // "2026-12-07T15:30:00Z"
constexpr char kPromiseForm[] = "0000-00-00T00:00:00Z";  // each 0 a digit; written and read by hand, as the
                                                         // C runtime's formatting would double the program

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
    if (text.size() != sizeof kPromiseForm - 1) return 0;
    WORD fields[6] = {};  // year, month, day, hour, minute, second
    for (size_t i = 0, field = 0; i < text.size(); ++i) {
        if (kPromiseForm[i] != '0') {
            if (text[i] != kPromiseForm[i]) return 0;
            ++field;
        } else if (text[i] < '0' || text[i] > '9') {
            return 0;
        } else {
            fields[field] = static_cast<WORD>(fields[field] * 10 + (text[i] - '0'));
        }
    }
    SYSTEMTIME t = {fields[0], fields[1], 0, fields[2], fields[3], fields[4], fields[5], 0};
    FILETIME ft;
    return SystemTimeToFileTime(&t, &ft) ? Ticks(ft) : 0;
}

void KeepPromisedOnTime(uint64_t utc) {
    SYSTEMTIME t;
    const FILETIME ft = FileTime(utc);
    if (utc == 0 || !FileTimeToSystemTime(&ft, &t)) return DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue);
    std::string text = kPromiseForm;
    const WORD fields[6] = {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    for (size_t i = text.size(), field = 6, rest = 0; i-- > 0;) {  // from the right: each field's last digit first
        if (kPromiseForm[i] != '0') continue;
        if (i + 1 == text.size() || kPromiseForm[i + 1] != '0') rest = fields[--field];
        text[i] = static_cast<char>('0' + rest % 10), rest /= 10;
    }
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
