#pragma once
// The command line, done where it can be: by the BLIMO that runs, or by this process.
#include <optional>

#include "services/TextRules.h"

// The exit code, once done; nothing when this process is to start as BLIMO (and then carry out the
// promise of an "/off:…" itself, since none runs to keep it). "/off:run" starts its program here and
// becomes "/off:pid=" of it, with the process's creation time.
std::optional<int> CarryOut(Command& command);
inline std::optional<int> CarryOut(Command&& command) { return CarryOut(command); }
