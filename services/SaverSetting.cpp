#include "services/SaverSetting.h"

#include "platform/Api.h"
#include "services/mdlRegStuff.h"

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
