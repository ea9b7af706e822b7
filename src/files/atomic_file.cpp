#include "files/atomic_file.h"

#include "files/staged_files.h"
#include "files/user_text.h"

#include "platform/file_system.h"
#include "platform/signals.h"

#include <system_error>

namespace drawfield {
namespace {

    constexpr std::size_t BufferBytes = std::size_t { 1 } << 20;
    constexpr int MostLinksFollowed = 40; // as the kernel's own limit for a path

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
        PathStatus status;
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
                || folder == "/proc/" + std::to_string(processId()) + "/fd"))
            destination.descriptor = std::stoi(name);
        return destination;
    }

    Destination destinationOf(const std::filesystem::path& path)
    {
        Destination destination;
        std::filesystem::path current = path;
        for (int hop = 0;; ++hop) {
            if (!linkStatus(current).link)
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
        destination.status = fileStatus(current);
        if (destination.status.exists) {
            destination.exists = true;
            destination.direct = !destination.status.regular && !destination.status.folder;
        }
        return destination;
    }

} // namespace

AtomicFile::AtomicFile(std::filesystem::path path, std::string what)
    : m_path(std::move(path))
    , m_what(std::move(what))
{
    if (m_path == "-") {
        m_direct = true;
        std::error_code error;
        m_file = OpenFile::duplicate(StandardOutputNumber, error);
        if (error)
            fail(error.message());
        return;
    }

    Destination destination;
    try {
        destination = destinationOf(m_path);
    } catch (const std::system_error& error) {
        fail(error.code().message());
    }
    m_target = destination.target;
    if (destination.exists && destination.status.folder)
        fail("it is a folder");

    std::error_code error;
    if (destination.direct) {
        m_direct = true;
        m_file = destination.descriptor >= 0
            ? OpenFile::duplicate(destination.descriptor, error)
            : OpenFile::open(m_path, OpenFile::Mode::Overwrite, error);
        if (error)
            fail(error.message());
        return;
    }

    // A file is made in a staging folder beside the one it replaces, and moved into place (with
    // the permissions and owner of the old one) when it is whole.
    m_staging = std::make_unique<StagedFiles>(m_path, m_what);
    const std::filesystem::path staged = m_staging->staged(m_target);
    m_file = OpenFile::open(staged, OpenFile::Mode::CreateNew, error);
    if (error)
        fail(error.message());
    m_buffer.reserve(BufferBytes);
}

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::isStandardOutput(const std::filesystem::path& path)
{
    if (path == "-")
        return true;
    try {
        return destinationOf(path).descriptor == StandardOutputNumber;
    } catch (const std::system_error&) {
        return false;
    }
}

void AtomicFile::write(std::string_view bytes)
{
    if (!m_file.isOpen())
        fail("the file is already closed");
    if (m_buffer.size() + bytes.size() > BufferBytes)
        flushBuffer();
    if (bytes.size() >= BufferBytes) {
        if (const std::error_code error = m_file.writeAll(bytes.data(), bytes.size()))
            fail(error.message());
        return;
    }
    m_buffer.append(bytes);
}

void AtomicFile::flushBuffer()
{
    if (const std::error_code error = m_file.writeAll(m_buffer.data(), m_buffer.size()))
        fail(error.message());
    m_buffer.clear();
}

void AtomicFile::commit()
{
    if (!m_file.isOpen())
        fail("the file is already closed");
    flushBuffer();
    if (const std::error_code error = m_file.close())
        fail(error.message());
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
    m_file = OpenFile {};
    m_staging.reset(); // and what it staged
}

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
    file.folder = destination.exists && destination.status.folder;
    file.mode = destination.status.mode;
    file.owner = destination.status.owner;
    file.group = destination.status.group;
    return file;
}

namespace {

    // Where a path's bytes really go: standard output, a device, or the file its links lead
    // to, with its device and inode when it exists.
    struct FileIdentity {
        bool standardOutput = false;
        bool device = false;
        std::string path;
        std::uint64_t fileSystem = 0;
        std::uint64_t inode = 0;
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
        const PathStatus status = fileStatus(target);
        identity.fileSystem = status.fileSystem;
        identity.inode = status.inode;
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
    giveModeAndOwner(path, like.mode, like.owner, like.group);
}

} // namespace drawfield
