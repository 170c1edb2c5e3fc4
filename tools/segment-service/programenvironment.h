#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The command line's arguments in UTF-8: on Windows read from the system in
// UTF-16, so that a path in any language survives.
std::vector<std::string> Utf8Arguments(int argc, char *argv[]);

// A path from UTF-8 text, as the arguments are.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string PathToUtf8(const std::filesystem::path &path);

// The directory of this program's binary: where the system says the binary
// is (/proc/self/exe, GetModuleFileName), or else where argv[0] says.
std::filesystem::path ProgramDirectory(const char *argv0);
