#pragma once
// The program's only road to the registry: REG_SZ values below a root key, and the REG_DWORD
// values of policies. No routine reports a failure; an absent or unreadable value reads as the
// empty text (or as none).
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

std::wstring ReadRegString(HKEY root, std::wstring_view subkey, std::wstring_view valueName);
void WriteRegString(HKEY root, std::wstring_view subkey, std::wstring_view valueName,
                    std::wstring_view text);
// Whether the value is there, of any type: an empty text and none read alike above.
bool RegValueExists(HKEY root, std::wstring_view subkey, std::wstring_view valueName);
void DeleteRegValue(HKEY root, std::wstring_view subkey, std::wstring_view valueName);

// Which registry a 32-bit program reads under HKEY_LOCAL_MACHINE\SOFTWARE on 64-bit Windows: its
// own redirected view, or the 64-bit one that the system's own settings live in.
enum class RegView { Own, Native64 };
std::optional<DWORD> ReadRegDword(HKEY root, std::wstring_view subkey, std::wstring_view valueName,
                                  RegView view = RegView::Own);
// A key's default text (REG_SZ, or REG_EXPAND_SZ with its variables expanded), in the given view; empty when none.
std::wstring ReadRegDefaultText(HKEY root, std::wstring_view subkey, RegView view = RegView::Own);
// A REG_SZ value in the chosen view of the registry: none when it is absent or of another type.
std::optional<std::wstring> ReadRegString(HKEY root, std::wstring_view subkey, std::wstring_view valueName, RegView view);
