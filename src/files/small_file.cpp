#include "files/small_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace drawfield {
namespace {

    // The pseudo file systems whose "regular" files are the kernel's: proc, sysfs, debugfs,
    // securityfs, tracefs, configfs, efivarfs, cgroup.
    bool isKernelFileSystem(long type)
    {
        constexpr long Kernel[] = { 0x9fa0, 0x62656572, 0x64626720, 0x73636673, 0x74726163,
            0x62656570, 0xde5e81e4, 0x27e0eb, 0x63677270 };
        for (long kind : Kernel)
            if (type == kind)
                return true;
        return false;
    }

    class Descriptor {
    public:
        explicit Descriptor(int fd)
            : m_fd(fd)
        {
        }
        ~Descriptor()
        {
            if (m_fd >= 0)
                ::close(m_fd);
        }
        Descriptor(const Descriptor&) = delete;
        Descriptor& operator=(const Descriptor&) = delete;
        [[nodiscard]] int get() const { return m_fd; }

    private:
        int m_fd;
    };

    // Reads from fd until its end or until limit + 1 bytes came.
    std::string readAtMost(int fd, std::size_t limitBytes, const std::string& tooLarge)
    {
        std::string content;
        char buffer[65536];
        for (;;) {
            const std::size_t wanted = std::min(sizeof buffer, limitBytes + 1 - content.size());
            const ssize_t got = ::read(fd, buffer, wanted);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    throw SmallFileError("it cannot be read without waiting");
                throw SmallFileError(std::strerror(errno));
            }
            if (got == 0)
                return content;
            content.append(buffer, static_cast<std::size_t>(got));
            if (content.size() > limitBytes)
                throw SmallFileError("it is larger than " + tooLarge);
        }
    }

} // namespace

std::string readSmallRegularFile(
    const std::filesystem::path& path, std::size_t limitBytes, const std::string& tooLarge)
{
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        throw SmallFileError(errno == EISDIR ? "it is a folder" : std::strerror(errno));
    struct stat status { };
    if (::fstat(file.get(), &status) != 0)
        throw SmallFileError(std::strerror(errno));
    if (S_ISDIR(status.st_mode))
        throw SmallFileError("it is a folder");
    if (!S_ISREG(status.st_mode))
        throw SmallFileError("it is not a regular file");
    struct statfs system { };
    if (::fstatfs(file.get(), &system) == 0 && isKernelFileSystem(static_cast<long>(system.f_type)))
        throw SmallFileError("it is not a regular file but one of the system's (/proc, /sys)");
    if (static_cast<std::uintmax_t>(status.st_size) > limitBytes)
        throw SmallFileError("it is larger than " + tooLarge);
    return readAtMost(file.get(), limitBytes, tooLarge);
}

bool isStandardInput(const std::filesystem::path& path)
{
    return path == "-" || path == "/dev/stdin" || path == "/dev/fd/0" || path == "/proc/self/fd/0";
}

std::string readStandardInput(std::size_t limitBytes, const std::string& tooLarge)
{
    const int fd = ::dup(STDIN_FILENO);
    if (fd < 0)
        throw SmallFileError(std::strerror(errno));
    const Descriptor input(fd);
    struct stat status { };
    if (::fstat(input.get(), &status) == 0 && S_ISDIR(status.st_mode))
        throw SmallFileError("it is a folder");
    return readAtMost(input.get(), limitBytes, tooLarge);
}

} // namespace drawfield
