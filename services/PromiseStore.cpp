#include "services/PromiseStore.h"

#include <tlhelp32.h>

#include "platform/ProgramWatch.h"
#include "platform/Text.h"
#include "services/SaverSetting.h"
#include "services/mdlRegStuff.h"

namespace {

constexpr wchar_t kPromiseValue[] = L"OffUntil";  // "2026-12-07T15:30:00Z"
constexpr wchar_t kProcessValue[] = L"OffWhile";  // "4242 01DD663A5B1E2F00 [notepad.exe]": number, creation time, name

// The stored form of a time; wsprintfA, as user32's, adds nothing to the program.
std::string PromiseText(const SYSTEMTIME& t) {
    char text[32];
    wsprintfA(text, "%04u-%02u-%02uT%02u:%02u:%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

}  // namespace

std::optional<uint64_t> PromisedOnTime() {
    const std::string text = Ansi(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue));
    if (text.empty() && !RegValueExists(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue)) return std::nullopt;
    SYSTEMTIME t = {};
    WORD* const fields[] = {&t.wYear, &t.wMonth, &t.wDay, &t.wHour, &t.wMinute, &t.wSecond};
    const char* at = text.c_str();
    for (WORD* field : fields) {  // digits up to the next mark; the marks and widths are checked below
        for (int digits = 0; digits < 4 && *at >= '0' && *at <= '9'; ++digits, ++at)
            *field = static_cast<WORD>(*field * 10 + (*at - '0'));
        if (*at != '\0') ++at;
    }
    // A time that exists is the same when written back: a February 31st is not, whether the system
    // refuses it or rolls it over into March.
    FILETIME ft;
    SYSTEMTIME back;
    if (!SystemTimeToFileTime(&t, &ft) || !FileTimeToSystemTime(&ft, &back) || PromiseText(back) != text) return 0;
    const uint64_t utc = Ticks(ft);
    return utc > Now() + kLongestStoredMinutes * kTicksPerMinute ? 0 : utc;
}

void KeepPromisedOnTime(uint64_t utc) {
    SYSTEMTIME t;
    const FILETIME ft = FileTime(utc);
    if (utc == 0 || !FileTimeToSystemTime(&ft, &t)) return DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue);
    WriteRegString(HKEY_CURRENT_USER, kSettingsKey, kPromiseValue, FromAnsi(PromiseText(t)));
}

UniqueHandle OpenRunningProcess(DWORD id, uint64_t created) {
    UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) return process;
    // An ended process lives on while a handle to it is open; another may have its number since.
    if (WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT || (created && CreationTime(process.get()) != created)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        process.reset();
    }
    return process;
}

uint64_t CreationTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    return GetProcessTimes(process, &created, &exited, &kernel, &user) ? Ticks(created) : 0;
}

std::wstring ProcessFileName(HANDLE process) { return ImageFileName(process); }

UniqueHandle OpenProcessNamed(const std::wstring& fileName) {
    const UniqueHandle list(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    const std::string name = Ansi(fileName);
    DWORD session = 0, theirs = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    if (list.get() == INVALID_HANDLE_VALUE || name.empty()) return UniqueHandle();
    for (BOOL more = Process32First(list.get(), &entry); more; more = Process32Next(list.get(), &entry))
        if (lstrcmpiA(entry.szExeFile, name.c_str()) == 0 && ProcessIdToSessionId(entry.th32ProcessID, &theirs) &&
            theirs == session)
            if (UniqueHandle process = OpenRunningProcess(entry.th32ProcessID)) return process;
    return UniqueHandle();
}

std::optional<UniqueHandle> PromisedProcess() {
    const std::string text = Ansi(ReadRegString(HKEY_CURRENT_USER, kSettingsKey, kProcessValue));
    if (text.empty() && !RegValueExists(HKEY_CURRENT_USER, kSettingsKey, kProcessValue)) return std::nullopt;
    uint64_t id = 0, created = 0;
    size_t i = 0;
    for (; i < text.size() && i < 10 && text[i] >= '0' && text[i] <= '9'; ++i) id = id * 10 + (text[i] - '0');
    const std::string_view rest = std::string_view(text).substr(i);  // " 01DD663A5B1E2F00", maybe " notepad.exe" after
    const std::string_view name = rest.size() > 18 && rest[17] == ' ' ? rest.substr(18) : "";
    if (i == 0 || id > 0xFFFFFFFF || rest.size() < 17 || rest[0] != ' ' || (rest.size() > 17 && name.empty()))
        return UniqueHandle();
    for (char c : rest.substr(1, 16)) {
        const char* digits = "0123456789ABCDEF";
        const char* digit = std::char_traits<char>::find(digits, 16, c);
        if (!digit) return UniqueHandle();
        created = created << 4 | static_cast<uint64_t>(digit - digits);
    }
    UniqueHandle process = created ? OpenRunningProcess(static_cast<DWORD>(id), created) : UniqueHandle();
    return process || name.empty() ? std::move(process) : OpenProcessNamed(FromAnsi(name));
}

void KeepPromisedProcess(HANDLE process, bool anyOfItsName) {
    const uint64_t created = process ? CreationTime(process) : 0;
    if (!created) return DeleteRegValue(HKEY_CURRENT_USER, kSettingsKey, kProcessValue);
    char text[32];
    wsprintfA(text, "%lu %08lX%08lX", GetProcessId(process), static_cast<DWORD>(created >> 32), static_cast<DWORD>(created));
    const std::wstring name = anyOfItsName ? ProcessFileName(process) : std::wstring();
    WriteRegString(HKEY_CURRENT_USER, kSettingsKey, kProcessValue, FromAnsi(text) + (name.empty() ? L"" : L" " + name));
}
