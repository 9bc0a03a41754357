#pragma once
// The command line, done where it can be: by the BLIMO that runs, or by this process.
#include <windows.h>

#include <cstdint>
#include <optional>

#include "platform/UniqueHandle.h"
#include "services/TextRules.h"

// The exit code, once done; nothing when this process is to start as BLIMO (and then carry out the
// promise of an "/off:…" itself, since none runs to keep it). "/off:run" starts its program here, and
// "/off:pid=" opens its process: `process` holds it, with its number and creation time in the command,
// for the BLIMO that keeps the promise.
std::optional<int> CarryOut(Command& command, UniqueHandle& process);
inline std::optional<int> CarryOut(Command&& command) {
    UniqueHandle process;
    return CarryOut(command, process);
}

// WM_COPYDATA's dwData for the process of "/off:pid=" or "/off:run", handed over: the handle is already the running
// BLIMO's, put there by the sender, so the process is never opened again by its number.
inline constexpr ULONG_PTR kHandoverData = 0x424C4D50;
struct Handover {
    uint32_t process;    // its number, checked against the handle
    uint32_t anyOfName;  // "/off:run": a process of the same file name keeps the promise, once this one has ended
    uint64_t handle;     // in the receiver
};
// What the running BLIMO was sent: a switch ("/off:60"), or a process handed over, then in `process`.
Command ReceivedCommand(const COPYDATASTRUCT& data, UniqueHandle& process);
