#include "services/ProgramVersion.h"

#include <windows.h>

#include <cstring>

VersionNumbers ProgramVersion() {
    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));
    HGLOBAL data = res ? LoadResource(nullptr, res) : nullptr;
    const auto* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
    if (!bytes) return {};
    // The fixed part follows the block header; find it by its signature, on a DWORD boundary.
    DWORD size = SizeofResource(nullptr, res);
    for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO info;
        std::memcpy(&info, bytes + at, sizeof info);
        if (info.dwSignature == VS_FFI_SIGNATURE)
            return {HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionLS)};
    }
    return {};
}
