#pragma once
// The program's only road to the registry: REG_SZ values below a root key. No routine reports a
// failure; an absent or unreadable value reads as the empty text.
#include <windows.h>

#include <string>
#include <string_view>

std::wstring ReadRegString(HKEY root, std::wstring_view subkey, std::wstring_view valueName);
void WriteRegString(HKEY root, std::wstring_view subkey, std::wstring_view valueName,
                    std::wstring_view text);
// Whether the value is there, of any type: an empty text and none read alike above.
bool RegValueExists(HKEY root, std::wstring_view subkey, std::wstring_view valueName);
void DeleteRegValue(HKEY root, std::wstring_view subkey, std::wstring_view valueName);
