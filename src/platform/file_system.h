#pragma once

// The file system as the system gives it: what stands at a path, open files read and written
// byte by byte, renames, fresh folders, free space and this program's own path. Every failure is
// a std::error_code whose message() is the system's sentence ("No space left on device").

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace drawfield {

struct PathStatus {
    bool exists = false;
    bool link = false; // a symbolic link (only where links are not followed)
    bool regular = false;
    bool folder = false;
    unsigned mode = 0; // permission bits
    unsigned owner = 0, group = 0;
    std::uint64_t fileSystem = 0, inode = 0; // together they name the file
    std::uint64_t bytes = 0;
};

// Of the path itself (a link is a link), and of what its links lead to.
[[nodiscard]] PathStatus linkStatus(const std::filesystem::path& path) noexcept;
[[nodiscard]] PathStatus fileStatus(const std::filesystem::path& path) noexcept;

constexpr int StandardInputNumber = 0;
constexpr int StandardOutputNumber = 1;

// An open file of this process, closed when it goes.
class OpenFile {
public:
    enum class Mode {
        Read, // without waiting for a FIFO's writer, and never becoming a controlling terminal
        Overwrite, // an existing file, device or pipe, emptied first where it can be
        CreateNew, // a file that must not exist yet, readable and writable as the umask allows
    };

    OpenFile() = default;
    ~OpenFile();
    OpenFile(OpenFile&& other) noexcept;
    OpenFile& operator=(OpenFile&& other) noexcept;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    [[nodiscard]] static OpenFile open(
        const std::filesystem::path& path, Mode mode, std::error_code& error);
    // A second handle on an open file of this process, such as standard output.
    [[nodiscard]] static OpenFile duplicate(int number, std::error_code& error);

    [[nodiscard]] bool isOpen() const { return m_number >= 0; }
    // Up to `size` bytes into `into`: how many came, 0 at the end, -1 on an error (a read that
    // would wait is the error std::errc::resource_unavailable_try_again).
    [[nodiscard]] std::ptrdiff_t read(char* into, std::size_t size, std::error_code& error);
    [[nodiscard]] std::error_code writeAll(const char* bytes, std::size_t size);
    // Closes it, saying whether the last bytes reached the file.
    [[nodiscard]] std::error_code close();
    [[nodiscard]] PathStatus status() const noexcept;
    // Whether it lives on one of the kernel's pseudo file systems (/proc, /sys), whose "regular"
    // files are no files of the user's.
    [[nodiscard]] bool onKernelFileSystem() const noexcept;

private:
    explicit OpenFile(int number)
        : m_number(number)
    {
    }
    int m_number = -1;
};

[[nodiscard]] std::error_code renamePath(
    const std::filesystem::path& from, const std::filesystem::path& to) noexcept;
// A new folder parent/<prefix>XXXXXX, the six letters chosen so that no other has its name.
[[nodiscard]] std::filesystem::path makeUniqueFolder(
    const std::filesystem::path& parent, std::string_view prefix, std::error_code& error);
// Gives the file at `path` those permissions and, where the user may, that owner.
void giveModeAndOwner(
    const std::filesystem::path& path, unsigned mode, unsigned owner, unsigned group) noexcept;
// Whether the file system of `folder` has no byte left for this user.
[[nodiscard]] bool diskIsFull(const std::filesystem::path& folder) noexcept;
// This program's own file, or nothing when the system does not say.
[[nodiscard]] std::filesystem::path programPath();

} // namespace drawfield
