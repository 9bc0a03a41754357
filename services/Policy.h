#pragma once
// BLIMO's own policies: REG_DWORD values (and a REG_SZ list) under "Software\Policies\Fenwa Inc\BLIMO", the computer's
// (HKEY_LOCAL_MACHINE) before the user's. Read each time they are used: a change needs no restart.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

inline constexpr wchar_t kBlimoPolicyKey[] = L"Software\\Policies\\Fenwa Inc\\BLIMO";

std::optional<DWORD> BlimoPolicy(std::wstring_view valueName);
// A REG_SZ policy there, in the same order: set (even as the empty text) or none.
std::optional<std::wstring> BlimoPolicyText(std::wstring_view valueName);
