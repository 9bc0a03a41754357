#include "platform/ChangeWatch.h"

#include <atomic>
#include <string>

namespace {

constexpr size_t kMostKeys = 4;

struct Watch {
    std::atomic<HWND> window = nullptr;
    std::atomic<UINT> message = 0;
    bool started = false;
    size_t count = 0;
    std::string paths[kMostKeys];
    HKEY keys[kMostKeys] = {};
    HANDLE waits[kMostKeys + 1] = {};  // a change event for each key, then the alarm's timer
};
Watch watch;  // written before the thread starts, then the thread's alone (but for its target and the timer)

// Opens the key, or its nearest parent that exists, for notification, and asks for the next change.
void Arm(size_t i) {
    if (watch.keys[i]) RegCloseKey(watch.keys[i]), watch.keys[i] = nullptr;
    std::string path = watch.paths[i];
    while (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_NOTIFY, &watch.keys[i]) != ERROR_SUCCESS) {
        watch.keys[i] = nullptr;
        if (path.empty()) return;
        const size_t parent = path.find_last_of('\\');
        path.erase(parent == std::string::npos ? 0 : parent);
    }
    RegNotifyChangeKeyValue(watch.keys[i], TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, watch.waits[i],
                            TRUE);
}

DWORD WINAPI Run(void*) {
    for (size_t i = 0; i < watch.count; ++i) Arm(i);
    for (;;) {
        const DWORD got = WaitForMultipleObjects(static_cast<DWORD>(watch.count + 1), watch.waits, FALSE, INFINITE);
        if (got >= WAIT_OBJECT_0 + watch.count + 1) return 1;  // a wait that fails: nothing more to watch
        const size_t i = got - WAIT_OBJECT_0;
        if (i < watch.count) Arm(i);  // again, before the change is read: a later one is not missed
        PostMessageA(watch.window, watch.message, i < watch.count ? kKeyChanged : kAlarmDue, 0);
    }
}

}  // namespace

bool WatchKeys(HWND window, UINT message, std::initializer_list<const char*> subkeys) {
    watch.window = window, watch.message = message;
    if (watch.started) return true;
    if (subkeys.size() > kMostKeys) return false;
    watch.count = subkeys.size();
    for (size_t i = 0; i < watch.count; ++i) {
        watch.paths[i] = subkeys.begin()[i];
        watch.waits[i] = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    watch.waits[watch.count] = CreateWaitableTimerA(nullptr, FALSE, nullptr);
    for (size_t i = 0; i <= watch.count; ++i)
        if (!watch.waits[i]) return false;
    HANDLE thread = CreateThread(nullptr, 0, Run, nullptr, 0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);  // it runs as long as the process
    return watch.started = true;
}

void SetAlarm(uint64_t utc) {
    HANDLE timer = watch.waits[watch.count];
    if (!timer) return;
    if (utc == 0) {
        CancelWaitableTimer(timer);
        return;
    }
    LARGE_INTEGER due;
    due.QuadPart = static_cast<LONGLONG>(utc);  // positive: an absolute time of the system clock
    SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);  // a sleeping machine is not woken for it
}
