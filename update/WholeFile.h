#pragma once
// Files written whole or not at all.
#include <span>
#include <string>

// Writes bytes to a new file beside path, then puts it in path's place: a reader never sees half
// a file, and an older, longer file leaves no tail behind. False, with nothing left, on failure.
bool WriteWholeFile(const std::string& ansiPath, std::span<const unsigned char> bytes);
