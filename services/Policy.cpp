#include "services/Policy.h"

#include "services/mdlRegStuff.h"

std::optional<DWORD> BlimoPolicy(std::wstring_view valueName) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        // Where Group Policy writes them: the 64-bit registry (the same as our own view on Windows, not on every Wine).
        if (const std::optional<DWORD> set = ReadRegDword(root, kBlimoPolicyKey, valueName, RegView::Native64)) return set;
    return std::nullopt;
}

std::optional<std::wstring> BlimoPolicyText(std::wstring_view valueName) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        if (std::optional<std::wstring> set = ReadRegString(root, kBlimoPolicyKey, valueName, RegView::Native64)) return set;
    return std::nullopt;
}
