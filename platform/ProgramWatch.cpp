#include "platform/ProgramWatch.h"

#include <tlhelp32.h>

#include <algorithm>
#include <memory>

#include "platform/Text.h"
#include "platform/UniqueHandle.h"

namespace {

constexpr size_t kMostWaits = MAXIMUM_WAIT_OBJECTS / 2;  // the loop's other handles and its messages keep the rest

struct Unhook {
    void operator()(HWINEVENTHOOK hook) const { UnhookWinEvent(hook); }
};

struct Running {
    UniqueHandle process;
    DWORD id = 0;
    std::wstring name;
};

struct Watch {
    HWND window = nullptr;
    UINT message = 0;
    std::vector<std::wstring> programs;
    std::unique_ptr<std::remove_pointer_t<HWINEVENTHOOK>, Unhook> hook;
    std::vector<Running> running;
    HANDLE waits[kMostWaits] = {};
    size_t waitCount = 0;
};
Watch watch;  // the GUI thread's alone, as the hook's events are

bool Listed(std::wstring_view name) {
    return std::any_of(watch.programs.begin(), watch.programs.end(), [&](const std::wstring& listed) {
        return CompareStringOrdinal(listed.data(), static_cast<int>(listed.size()), name.data(),
                                    static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
    });
}

void KeepWaits() {
    watch.waitCount = std::min(watch.running.size(), kMostWaits);
    for (size_t i = 0; i < watch.waitCount; ++i) watch.waits[i] = watch.running[i].process.get();
}

// A process that may be listed: taken in, and told, when it is and still runs.
void Consider(DWORD id) {
    if (id == 0 || id == GetCurrentProcessId()) return;
    if (std::any_of(watch.running.begin(), watch.running.end(), [&](const Running& r) { return r.id == id; })) return;
    UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) return;  // another account's or a protected process: not one a user here lists
    std::wstring name = ImageFileName(process.get());
    if (!Listed(name) || WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT) return;
    watch.running.push_back({std::move(process), id, std::move(name)});
    KeepWaits();
    PostMessageA(watch.window, watch.message, kProgramStarted, id);
}

void CALLBACK WindowEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (event == EVENT_OBJECT_DESTROY || object != OBJID_WINDOW || child != CHILDID_SELF || !window) return;
    if (GetAncestor(window, GA_PARENT) != GetDesktopWindow()) return;  // a control: its top-level window told already
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    Consider(id);
}

void FindRunning() {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();  // nothing to close
        return;
    }
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
        if (Listed(FromAnsi(entry.szExeFile))) Consider(entry.th32ProcessID);
}

}  // namespace

bool WatchPrograms(HWND window, UINT message, const std::vector<std::wstring>& programs) {
    // The same list again (the rules are read afresh at every change of a watched key, a switch's own too):
    // what runs is known, and nothing walks the process list again.
    if (watch.hook && window == watch.window && message == watch.message && programs == watch.programs) return true;
    watch.window = window;
    watch.message = message;
    watch.programs = programs;
    std::erase_if(watch.running, [](const Running& r) { return !Listed(r.name); });
    KeepWaits();
    if (programs.empty()) {
        watch.hook.reset();
        return true;
    }
    // Set before the snapshot is taken: a program starting in between is told by one or the other.
    if (!watch.hook)
        watch.hook.reset(SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, WindowEvent, 0, 0,
                                         WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS));
    FindRunning();
    return watch.hook != nullptr;
}

std::vector<std::wstring> RunningPrograms() {
    std::vector<std::wstring> names;
    for (const Running& r : watch.running) names.push_back(r.name);
    return names;
}

std::span<const HANDLE> ProgramHandles() { return {watch.waits, watch.waitCount}; }

void ProgramSignaled(size_t index) {
    if (index >= watch.waitCount) return;
    const DWORD id = watch.running[index].id;
    watch.running.erase(watch.running.begin() + static_cast<ptrdiff_t>(index));
    KeepWaits();
    PostMessageA(watch.window, watch.message, kProgramEnded, id);
}

std::wstring ImageFileName(HANDLE process) {
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameA(process, 0, path, &size)) return {};
    const std::string_view full(path, size);
    return FromAnsi(full.substr(full.find_last_of('\\') + 1));
}
