#include "update/WholeFile.h"

#include <windows.h>

#include <memory>

#include "platform/UniqueHandle.h"

namespace {

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut + 1);
}

bool WriteAll(HANDLE file, std::span<const unsigned char> bytes) {
    while (!bytes.empty()) {
        DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes = bytes.subspan(written);
    }
    return true;
}

}  // namespace

bool WriteWholeFile(const std::string& ansiPath, std::span<const unsigned char> bytes) {
    char temp[MAX_PATH] = {};
    if (!GetTempFileNameA(FolderOf(ansiPath).c_str(), "blm", 0, temp)) return false;
    bool written;
    {
        HANDLE h = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        UniqueHandle file(h == INVALID_HANDLE_VALUE ? nullptr : h);
        written = file && WriteAll(file.get(), bytes);
    }  // closed before it is moved
    if (written && MoveFileExA(temp, ansiPath.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DeleteFileA(temp);
    return false;
}
