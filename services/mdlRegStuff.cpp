#include "services/mdlRegStuff.h"

#include "platform/Api.h"
#include "platform/Text.h"

namespace {

// A key handle that lives for one call and is closed on every path.
struct RegKey {
    HKEY handle = nullptr;
    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() {
        if (handle) Api.RegCloseKey(handle);
    }
};

// The text of a REG_SZ value's bytes: to its first NUL, whether it was stored with one or not.
std::wstring StoredText(const std::string& buffer, DWORD size) {
    std::wstring text = FromAnsi(std::string_view(buffer.data(), std::min<size_t>(size, buffer.size())));
    if (size_t nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
    return text;
}

// A key opened past the call seam, for a view the seam's calls cannot choose.
struct ViewKey {
    HKEY handle = nullptr;
    ViewKey() = default;
    ViewKey(const ViewKey&) = delete;
    ViewKey& operator=(const ViewKey&) = delete;
    ~ViewKey() {
        if (handle) RegCloseKey(handle);
    }
    // Opened for reading in `view`; false (and no handle) when it cannot be.
    bool Open(HKEY root, std::wstring_view subkey, RegView view) {
        const REGSAM access = KEY_QUERY_VALUE | (view == RegView::Native64 ? KEY_WOW64_64KEY : 0);
        if (RegOpenKeyExA(root, Ansi(subkey).c_str(), 0, access, &handle) == ERROR_SUCCESS) return true;
        handle = nullptr;
        return false;
    }
};

}  // namespace

std::wstring ReadRegString(HKEY root, std::wstring_view subkey, std::wstring_view valueName) {
    RegKey key;
    if (Api.RegOpenKeyA(root, Ansi(subkey).c_str(), &key.handle) != ERROR_SUCCESS) {
        key.handle = nullptr;
        return {};
    }
    const std::string name = Ansi(valueName);
    // The type decides, not the result code: a missing value leaves the type at 0.
    DWORD type = 0, size = 0;
    Api.RegQueryValueExA(key.handle, name.c_str(), nullptr, &type, nullptr, &size);
    if (type != REG_SZ) return {};
    std::string buffer(size, ' ');
    if (Api.RegQueryValueExA(key.handle, name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return {};
    return StoredText(buffer, size);
}

void WriteRegString(HKEY root, std::wstring_view subkey, std::wstring_view valueName,
                    std::wstring_view text) {
    RegKey key;
    if (Api.RegCreateKeyA(root, Ansi(subkey).c_str(), &key.handle) != ERROR_SUCCESS) {
        key.handle = nullptr;  // nothing to write into; the caller is not told
        return;
    }
    const std::string data = Ansi(text);  // written with its terminating NUL
    Api.RegSetValueExA(key.handle, Ansi(valueName).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>(data.size() + 1));
}

bool RegValueExists(HKEY root, std::wstring_view subkey, std::wstring_view valueName) {
    RegKey key;
    if (Api.RegOpenKeyA(root, Ansi(subkey).c_str(), &key.handle) != ERROR_SUCCESS) {
        key.handle = nullptr;
        return false;
    }
    DWORD size = 0;
    return Api.RegQueryValueExA(key.handle, Ansi(valueName).c_str(), nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

void DeleteRegValue(HKEY root, std::wstring_view subkey, std::wstring_view valueName) {
    RegKey key;
    if (Api.RegOpenKeyA(root, Ansi(subkey).c_str(), &key.handle) != ERROR_SUCCESS) {
        key.handle = nullptr;  // no key, no value: nothing to do
        return;
    }
    Api.RegDeleteValueA(key.handle, Ansi(valueName).c_str());
}

std::optional<DWORD> ReadRegDword(HKEY root, std::wstring_view subkey, std::wstring_view valueName, RegView view) {
    ViewKey key;
    if (!key.Open(root, subkey, view)) return std::nullopt;
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG read =
        RegQueryValueExA(key.handle, Ansi(valueName).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (read != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return std::nullopt;
    return value;
}

std::wstring ReadRegDefaultText(HKEY root, std::wstring_view subkey, RegView view) {
    ViewKey key;
    if (!key.Open(root, subkey, view)) return {};
    char text[MAX_PATH * 2] = {};
    DWORD size = sizeof text;  // RRF_RT_REG_SZ takes REG_EXPAND_SZ too, and expands it
    const LONG read = RegGetValueA(key.handle, nullptr, nullptr, RRF_RT_REG_SZ, nullptr, text, &size);
    return read == ERROR_SUCCESS ? FromAnsi(text) : std::wstring();
}

std::optional<std::wstring> ReadRegString(HKEY root, std::wstring_view subkey, std::wstring_view valueName, RegView view) {
    ViewKey key;
    if (!key.Open(root, subkey, view)) return std::nullopt;
    const std::string name = Ansi(valueName);
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.handle, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    std::string buffer(size, ' ');
    if (RegQueryValueExA(key.handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
            ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    return StoredText(buffer, size);
}
