#include "files/atomic_file.h"

#include "files/staged_files.h"
#include "files/user_text.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace drawfield {
namespace {

    constexpr std::size_t BufferBytes = std::size_t { 1 } << 20;
    constexpr int MostLinksFollowed = 40; // as the kernel's own limit for a path

    // Staging folders to remove when SIGINT or SIGTERM ends the program. The handler may run at
    // any moment, so the list is fixed-size memory that it reads without locks or allocation.
    struct CleanUpSlot {
        std::atomic<int> state { 0 }; // 0 free, 1 being filled, 2 a folder to remove
        char path[4096] = {};
    };
    CleanUpSlot cleanUpSlots[32];
    std::atomic<bool> handlersInstalled { false };

    // Removes a folder and the files in it with calls that are safe in a signal handler: the
    // entries are read by the getdents64 system call, not by opendir, which allocates.
    void removeFolderOfFiles(const char* path) noexcept
    {
        const int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            alignas(8) char entries[4096];
            long count;
            while ((count = ::syscall(SYS_getdents64, folder, entries, sizeof entries)) > 0) {
                for (long at = 0; at < count;) {
                    // struct linux_dirent64: inode (8 bytes), offset (8), length (2), type (1),
                    // then the name.
                    unsigned short length;
                    std::memcpy(&length, entries + at + 16, sizeof length);
                    const char* name = entries + at + 19;
                    if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
                        ::unlinkat(folder, name, 0);
                    at += length;
                }
            }
            ::close(folder);
        }
        ::rmdir(path);
    }

    extern "C" void removeTemporaryFilesAndEnd(int signal)
    {
        for (CleanUpSlot& slot : cleanUpSlots)
            if (slot.state.load() == 2)
                removeFolderOfFiles(slot.path);
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }

    void installHandlers()
    {
        if (handlersInstalled.exchange(true))
            return;
        for (int signal : { SIGINT, SIGTERM }) {
            struct sigaction previous { };
            // A program that handles or ignores the signal itself keeps its own way.
            if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_DFL) {
                struct sigaction action { };
                action.sa_handler = removeTemporaryFilesAndEnd;
                sigemptyset(&action.sa_mask);
                ::sigaction(signal, &action, nullptr);
            }
        }
    }

    int registerForCleanUp(const std::filesystem::path& folder)
    {
        installHandlers();
        const std::string& text = folder.native();
        if (text.size() >= sizeof(CleanUpSlot::path))
            return -1;
        for (int i = 0; i < static_cast<int>(std::size(cleanUpSlots)); ++i) {
            int expected = 0;
            CleanUpSlot& slot = cleanUpSlots[i];
            if (!slot.state.compare_exchange_strong(expected, 1))
                continue;
            std::memcpy(slot.path, text.c_str(), text.size() + 1);
            slot.state.store(2);
            return i;
        }
        return -1;
    }

    void unregister(int& slot) noexcept
    {
        if (slot >= 0)
            cleanUpSlots[slot].state.store(0);
        slot = -1;
    }

    std::string errorText(int error) { return std::strerror(error); }

    // Where the bytes for `path` should go. Symbolic links are followed to the file they name,
    // so that replacing it leaves the link in place. A link in /proc (/dev/stdout and /dev/fd/N
    // lead there) names an open file of this process rather than a place in the tree: such a
    // path is written directly, through the same open file when it names a descriptor, so that
    // "> file" and ">> file" of the shell keep their offset and their meaning.
    struct Destination {
        std::filesystem::path target;
        bool direct = false;
        bool exists = false;
        int descriptor = -1; // the open file a /proc/self/fd/N path names
        struct stat status { };
    };

    bool isUnderProc(const std::filesystem::path& path)
    {
        std::error_code ignored;
        return std::filesystem::weakly_canonical(path, ignored).native().starts_with("/proc/");
    }

    Destination openFileOfThisProcess(const std::filesystem::path& path)
    {
        Destination destination;
        destination.target = path;
        destination.direct = true;
        destination.exists = true;
        std::error_code ignored;
        const std::string folder
            = std::filesystem::weakly_canonical(path.parent_path(), ignored).native();
        const std::string name = path.filename().native();
        bool digits = !name.empty() && name.size() < 9
            && name.find_first_not_of("0123456789") == std::string::npos;
        if (digits
            && (folder == "/proc/self/fd"
                || folder == "/proc/" + std::to_string(::getpid()) + "/fd"))
            destination.descriptor = std::stoi(name);
        return destination;
    }

    Destination destinationOf(const std::filesystem::path& path)
    {
        Destination destination;
        std::filesystem::path current = path;
        for (int hop = 0;; ++hop) {
            struct stat link { };
            if (::lstat(current.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
                break;
            if (isUnderProc(current.parent_path()))
                return openFileOfThisProcess(current);
            if (hop == MostLinksFollowed)
                throw std::system_error(ELOOP, std::generic_category());
            std::error_code error;
            std::filesystem::path next = std::filesystem::read_symlink(current, error);
            if (error)
                throw std::system_error(error);
            current = next.is_absolute() ? next : current.parent_path() / next;
        }
        destination.target = current;
        if (::stat(current.c_str(), &destination.status) == 0) {
            destination.exists = true;
            destination.direct
                = !S_ISREG(destination.status.st_mode) && !S_ISDIR(destination.status.st_mode);
        }
        return destination;
    }

    bool writeAll(int fd, const char* data, std::size_t size, int& error)
    {
        while (size > 0) {
            ssize_t written = ::write(fd, data, size);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                error = errno;
                return false;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
        }
        return true;
    }

} // namespace

AtomicFile::AtomicFile(std::filesystem::path path, std::string what)
    : m_path(std::move(path))
    , m_what(std::move(what))
{
    if (m_path == "-") {
        m_direct = true;
        m_fd = ::dup(STDOUT_FILENO);
        if (m_fd < 0)
            fail(errorText(errno));
        return;
    }

    Destination destination;
    try {
        destination = destinationOf(m_path);
    } catch (const std::system_error& error) {
        fail(error.code().message());
    }
    m_target = destination.target;
    if (destination.exists && S_ISDIR(destination.status.st_mode))
        fail("it is a folder");

    if (destination.direct) {
        m_direct = true;
        m_fd = destination.descriptor >= 0
            ? ::fcntl(destination.descriptor, F_DUPFD_CLOEXEC, 0)
            : ::open(m_path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
        if (m_fd < 0)
            fail(errorText(errno));
        return;
    }

    // A file is made in a staging folder beside the one it replaces, and moved into place (with
    // the permissions and owner of the old one) when it is whole.
    m_staging = std::make_unique<StagedFiles>(m_path, m_what);
    const std::filesystem::path staged = m_staging->staged(m_target);
    m_fd = ::open(staged.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0)
        fail(errorText(errno));
    m_buffer.reserve(BufferBytes);
}

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::isStandardOutput(const std::filesystem::path& path)
{
    if (path == "-")
        return true;
    try {
        return destinationOf(path).descriptor == STDOUT_FILENO;
    } catch (const std::system_error&) {
        return false;
    }
}

void AtomicFile::write(std::string_view bytes)
{
    if (m_fd < 0)
        fail("the file is already closed");
    if (m_buffer.size() + bytes.size() > BufferBytes)
        flushBuffer();
    if (bytes.size() >= BufferBytes) {
        int error = 0;
        if (!writeAll(m_fd, bytes.data(), bytes.size(), error))
            fail(errorText(error));
        return;
    }
    m_buffer.append(bytes);
}

void AtomicFile::flushBuffer()
{
    int error = 0;
    if (!writeAll(m_fd, m_buffer.data(), m_buffer.size(), error))
        fail(errorText(error));
    m_buffer.clear();
}

void AtomicFile::commit()
{
    if (m_fd < 0)
        fail("the file is already closed");
    flushBuffer();
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
        fail(errorText(errno));
    if (m_direct)
        return;
    try {
        m_staging->commit();
    } catch (const FileWriteError&) {
        discard();
        throw;
    }
    m_staging.reset();
}

void AtomicFile::fail(const std::string& reason)
{
    discard();
    throw FileWriteError(cannotMessage("write", m_what, m_path.native(), reason));
}

void AtomicFile::discard() noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_staging.reset(); // and what it staged
}

CleanUpOnSignal::CleanUpOnSignal(const std::filesystem::path& folder)
    : m_slot(registerForCleanUp(folder))
{
}

CleanUpOnSignal::~CleanUpOnSignal() { unregister(m_slot); }

ReplacedFile replacedFileOf(const std::filesystem::path& path)
{
    ReplacedFile file;
    if (path == "-") {
        file.target = path;
        file.exists = file.direct = true;
        return file;
    }
    const Destination destination = destinationOf(path);
    file.target = destination.target;
    file.exists = destination.exists;
    file.direct = destination.direct;
    file.folder = destination.exists && S_ISDIR(destination.status.st_mode);
    file.mode = destination.status.st_mode & 07777;
    file.owner = destination.status.st_uid;
    file.group = destination.status.st_gid;
    return file;
}

namespace {

    // Where a path's bytes really go: standard output, a device, or the file its links lead
    // to, with its device and inode when it exists.
    struct FileIdentity {
        bool standardOutput = false;
        bool device = false;
        std::string path;
        dev_t fileSystem = 0;
        ino_t inode = 0;
    };

    FileIdentity identityOf(const std::filesystem::path& file)
    {
        FileIdentity identity;
        if (AtomicFile::isStandardOutput(file)) {
            identity.standardOutput = true;
            return identity;
        }
        std::filesystem::path target = file;
        try {
            const ReplacedFile replaced = replacedFileOf(file);
            if (replaced.direct) {
                identity.device = true;
                return identity;
            }
            target = replaced.target;
        } catch (const std::system_error&) {
            // A loop of links: compare the name as given; writing it will fail and say why.
        }
        struct stat status { };
        if (::stat(target.c_str(), &status) == 0) {
            identity.fileSystem = status.st_dev;
            identity.inode = status.st_ino;
        }
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(target, error);
        const std::filesystem::path real = std::filesystem::weakly_canonical(absolute, error);
        identity.path = (error ? absolute : real).lexically_normal().string();
        return identity;
    }

} // namespace

bool landsIn(const std::filesystem::path& output, const std::filesystem::path& other)
{
    const FileIdentity a = identityOf(output), b = identityOf(other);
    if (a.standardOutput || b.standardOutput)
        return a.standardOutput && b.standardOutput;
    if (a.device || b.device)
        return false;
    return (a.inode != 0 && a.fileSystem == b.fileSystem && a.inode == b.inode) || a.path == b.path;
}

void takeModeAndOwner(const std::filesystem::path& path, const ReplacedFile& like) noexcept
{
    if (!like.exists || like.direct)
        return;
    ::chmod(path.c_str(), like.mode);
    if (::chown(path.c_str(), like.owner, like.group) != 0) {
        // Only a privileged user may give a file away; others keep their own ownership.
    }
}

} // namespace drawfield
