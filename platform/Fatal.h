#pragma once
// An unexpected failure: one report to the user, then the process ends.
#include <string_view>

[[noreturn]] void FatalError(std::string_view where, std::string_view what);
