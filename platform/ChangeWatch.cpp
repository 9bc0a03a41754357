#include "platform/ChangeWatch.h"

#include <string>

namespace {

constexpr size_t kMostKeys = 4;

struct Watch {
    HWND window = nullptr;
    UINT message = 0;
    size_t count = 0;  // keys; 0 until WatchKeys has set them
    std::string paths[kMostKeys];
    HKEY keys[kMostKeys] = {};
    HANDLE waits[kMostKeys + 2] = {};  // a change event for each key, the alarm's timer, then a process, if one
};
Watch watch;  // the GUI thread's alone

// Opens the key for notification and asks for its next change of a value or subkey. While it does
// not exist, its nearest parent that does is asked only for subkeys coming or going: the next one
// may be on the way to the key. The request lasts as long as the thread that makes it: the GUI
// thread, as the program.
void Arm(size_t i) {
    if (watch.keys[i]) RegCloseKey(watch.keys[i]);
    watch.keys[i] = nullptr;
    std::string path = watch.paths[i];
    while (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_NOTIFY, &watch.keys[i]) != ERROR_SUCCESS) {
        watch.keys[i] = nullptr;
        if (path.empty()) return;
        const size_t parent = path.find_last_of('\\');
        path.erase(parent == std::string::npos ? 0 : parent);
    }
    const DWORD changes = path == watch.paths[i] ? REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET
                                                 : REG_NOTIFY_CHANGE_NAME;
    RegNotifyChangeKeyValue(watch.keys[i], FALSE, changes, watch.waits[i], TRUE);
}

}  // namespace

bool WatchKeys(HWND window, UINT message, std::initializer_list<const char*> subkeys) {
    watch.window = window;
    watch.message = message;
    if (watch.count) return true;
    if (subkeys.size() == 0 || subkeys.size() > kMostKeys) return false;
    for (size_t i = 0; i <= subkeys.size(); ++i) {
        watch.waits[i] = i < subkeys.size() ? CreateEventA(nullptr, FALSE, FALSE, nullptr)
                                            : CreateWaitableTimerA(nullptr, FALSE, nullptr);
        if (!watch.waits[i]) return false;
    }
    watch.count = subkeys.size();
    for (size_t i = 0; i < watch.count; ++i) {
        watch.paths[i] = subkeys.begin()[i];
        Arm(i);
    }
    return true;
}

void SetAlarm(uint64_t utc) {
    HANDLE timer = watch.count ? watch.waits[watch.count] : nullptr;
    if (!timer) return;
    if (utc == 0) {
        CancelWaitableTimer(timer);
        return;
    }
    LARGE_INTEGER due;
    due.QuadPart = static_cast<LONGLONG>(utc);  // positive: an absolute time of the system clock
    SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);  // a sleeping machine is not woken for it
}

void WaitForProcess(HANDLE process) {
    if (watch.count) watch.waits[watch.count + 1] = process;
}

std::span<const HANDLE> WatchHandles() {
    return {watch.waits, watch.count ? watch.count + (watch.waits[watch.count + 1] ? 2 : 1) : 0};
}

void WatchSignaled(size_t index) {
    if (index > watch.count + 1 || !watch.count) return;
    if (index < watch.count) Arm(index);  // again, before the change is read: a later one is not missed
    if (index == watch.count + 1) watch.waits[index] = nullptr;  // an ended process stays signaled: told once
    PostMessageA(watch.window, watch.message, index < watch.count ? kKeyChanged : index == watch.count ? kAlarmDue : kProcessEnded, 0);
}
