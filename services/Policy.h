#pragma once
// BLIMO's own policies: REG_DWORD values under "Software\Policies\Fenwa Inc\BLIMO", the computer's
// (HKEY_LOCAL_MACHINE) before the user's. Read each time they are used: a change needs no restart.
#include <windows.h>

#include <optional>
#include <string_view>

inline constexpr wchar_t kBlimoPolicyKey[] = L"Software\\Policies\\Fenwa Inc\\BLIMO";

std::optional<DWORD> BlimoPolicy(std::wstring_view valueName);
