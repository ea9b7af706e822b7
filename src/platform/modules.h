#pragma once

// Parts of a program loaded only when a run asks for them: a module (a shared object built with
// the program) found beside the program, or in ../lib/drawfield/ of an installed tree.

#include <filesystem>
#include <string>
#include <string_view>

namespace drawfield {

// Where the module file `name` lies for a program in programFolder: beside it, else in
// ../lib/drawfield/; the first of those when neither holds it (for the message saying so).
[[nodiscard]] std::filesystem::path moduleFile(
    const std::filesystem::path& programFolder, std::string_view name);

// Loads the module, which stays until the program ends, and returns its function `entry`; null
// with `problem` said (the system's words) when it cannot.
[[nodiscard]] void* loadModuleEntry(
    const std::filesystem::path& file, const char* entry, std::string& problem);

} // namespace drawfield
