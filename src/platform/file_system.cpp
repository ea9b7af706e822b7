#include "platform/file_system.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace drawfield {
namespace {

    std::error_code lastError() { return { errno, std::generic_category() }; }

    PathStatus statusOf(const struct stat& status)
    {
        PathStatus result;
        result.exists = true;
        result.link = S_ISLNK(status.st_mode);
        result.regular = S_ISREG(status.st_mode);
        result.folder = S_ISDIR(status.st_mode);
        result.mode = status.st_mode & 07777;
        result.owner = status.st_uid;
        result.group = status.st_gid;
        result.fileSystem = status.st_dev;
        result.inode = status.st_ino;
        result.bytes = status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
        return result;
    }

    // proc, sysfs, debugfs, securityfs, tracefs, configfs, efivarfs, cgroup, cgroup2.
    bool isKernelFileSystem(long type)
    {
        constexpr long Kernel[] = { 0x9fa0, 0x62656572, 0x64626720, 0x73636673, 0x74726163,
            0x62656570, 0xde5e81e4, 0x27e0eb, 0x63677270 };
        for (long kind : Kernel)
            if (type == kind)
                return true;
        return false;
    }

} // namespace

PathStatus linkStatus(const std::filesystem::path& path) noexcept
{
    struct stat status { };
    return ::lstat(path.c_str(), &status) == 0 ? statusOf(status) : PathStatus {};
}

PathStatus fileStatus(const std::filesystem::path& path) noexcept
{
    struct stat status { };
    return ::stat(path.c_str(), &status) == 0 ? statusOf(status) : PathStatus {};
}

OpenFile::~OpenFile()
{
    if (m_number >= 0)
        ::close(m_number);
}

OpenFile::OpenFile(OpenFile&& other) noexcept
    : m_number(std::exchange(other.m_number, -1))
{
}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept
{
    if (this != &other) {
        if (m_number >= 0)
            ::close(m_number);
        m_number = std::exchange(other.m_number, -1);
    }
    return *this;
}

OpenFile OpenFile::open(const std::filesystem::path& path, Mode mode, std::error_code& error)
{
    int number = -1;
    switch (mode) {
    case Mode::Read:
        number = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        break;
    case Mode::Overwrite:
        number = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
        break;
    case Mode::CreateNew:
        number = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        break;
    }
    error = number < 0 ? lastError() : std::error_code {};
    return OpenFile(number);
}

OpenFile OpenFile::duplicate(int number, std::error_code& error)
{
    const int copy = ::fcntl(number, F_DUPFD_CLOEXEC, 0);
    error = copy < 0 ? lastError() : std::error_code {};
    return OpenFile(copy);
}

std::ptrdiff_t OpenFile::read(char* into, std::size_t size, std::error_code& error)
{
    for (;;) {
        const ssize_t got = ::read(m_number, into, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno == EWOULDBLOCK
                ? std::make_error_code(std::errc::resource_unavailable_try_again)
                : lastError();
            return -1;
        }
        error = {};
        return got;
    }
}

std::error_code OpenFile::writeAll(const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(m_number, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return {};
}

std::error_code OpenFile::close()
{
    const int number = std::exchange(m_number, -1);
    // After EINTR the descriptor is gone all the same on Linux; the bytes were handed over.
    if (number >= 0 && ::close(number) != 0 && errno != EINTR)
        return lastError();
    return {};
}

PathStatus OpenFile::status() const noexcept
{
    struct stat status { };
    return ::fstat(m_number, &status) == 0 ? statusOf(status) : PathStatus {};
}

bool OpenFile::onKernelFileSystem() const noexcept
{
    struct statfs system { };
    return ::fstatfs(m_number, &system) == 0
        && isKernelFileSystem(static_cast<long>(system.f_type));
}

std::error_code renamePath(
    const std::filesystem::path& from, const std::filesystem::path& to) noexcept
{
    return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code {} : lastError();
}

std::filesystem::path makeUniqueFolder(
    const std::filesystem::path& parent, std::string_view prefix, std::error_code& error)
{
    std::string pattern = (parent / (std::string(prefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = lastError();
        return {};
    }
    error = {};
    return pattern;
}

void giveModeAndOwner(
    const std::filesystem::path& path, unsigned mode, unsigned owner, unsigned group) noexcept
{
    ::chmod(path.c_str(), static_cast<mode_t>(mode));
    if (::chown(path.c_str(), static_cast<uid_t>(owner), static_cast<gid_t>(group)) != 0) {
        // Only a privileged user may give a file away; others keep their own ownership.
    }
}

bool diskIsFull(const std::filesystem::path& folder) noexcept
{
    struct statvfs space { };
    return ::statvfs(folder.c_str(), &space) == 0 && space.f_bavail == 0;
}

std::filesystem::path programPath()
{
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path {} : self;
}

} // namespace drawfield
