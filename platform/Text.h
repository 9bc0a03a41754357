#pragma once
// Texts are Unicode (std::wstring) inside the program; every Windows call takes the ANSI form.
// These two are the only crossing points.
#include <string>
#include <string_view>

std::string Ansi(std::wstring_view text);
std::wstring FromAnsi(std::string_view bytes);
