#pragma once
// The command line, done where it can be: by the BLIMO that runs, or by this process.
#include <optional>

#include "services/TextRules.h"

// The exit code, once done; nothing when this process is to start as BLIMO (and then carry out an
// "/off:MINUTES" itself, since none runs to keep the promise).
std::optional<int> CarryOut(const Command& command);
