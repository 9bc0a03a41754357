#pragma once
// The command line, done where it can be: by the BLIMO that runs, or by this process.
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
