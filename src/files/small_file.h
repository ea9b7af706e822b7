#pragma once

// The one way this program reads a file it was named: a scenario, a readings file. Only a small
// regular file is read, and never more than its limit, whatever the path leads to:
//
// - a folder, a device (/dev/zero), a FIFO or a socket is refused without waiting on it (the file
//   is opened without blocking, then judged on what was opened, not on its name);
// - a file of the kernel's pseudo file systems (/proc, /sys), which calls itself regular but may
//   block for ever (/proc/kmsg) or change while it is read, is refused;
// - at most limit + 1 bytes are read, so a file that grows or whose size says 0 is caught too.
//
// A refusal names the reason only: never a byte of what the file holds.

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace drawfield {

// Why a file could not be read, as the end of "Cannot read the <what> <path>: <reason>.":
// "it is a folder", "No such file or directory".
class SmallFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of the file at path (symbolic links followed). tooLarge says the limit in words for
// the refusal of a larger file ("16 MB"). Throws SmallFileError.
[[nodiscard]] std::string readSmallRegularFile(
    const std::filesystem::path& path, std::size_t limitBytes, const std::string& tooLarge);

// Whether path names this process's standard input: "-", /dev/stdin, /dev/fd/0,
// /proc/self/fd/0.
[[nodiscard]] bool isStandardInput(const std::filesystem::path& path);

// At most limitBytes + 1 bytes of standard input, whatever it is (a pipe, a file, a terminal).
// Throws SmallFileError.
[[nodiscard]] std::string readStandardInput(std::size_t limitBytes, const std::string& tooLarge);

} // namespace drawfield
