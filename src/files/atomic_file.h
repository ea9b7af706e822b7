#pragma once

#include "platform/file_system.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace drawfield {

class StagedFiles;

// A file could not be written; what() is a sentence for the user:
// "Cannot write the <what> <path>: <Reason>."
class FileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes a file so that a failure never leaves half of it, whatever stands at the path:
//
// - a regular file or nothing: the bytes go to a file staged beside it (StagedFiles, a set of
//   one), which commit() moves into place; until then the old file stays as it was. The new file
//   keeps the old one's permissions. The folder is created when missing. On SIGINT or SIGTERM
//   the staged file is removed before the program ends.
// - a symbolic link: followed; the file it points to is replaced and the link stays.
// - a device, a FIFO or a socket (/dev/null, /dev/stdout, a pipe): written into directly, never
//   replaced. "-" is standard output.
//
// Every failure throws FileWriteError; without commit() the staged file is removed.
class AtomicFile {
public:
    // `what` names the file in messages, for example "record file".
    AtomicFile(std::filesystem::path path, std::string what);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::string_view bytes);
    void commit();

    // Whether the bytes go straight into the path (a device, a pipe, standard output).
    [[nodiscard]] bool isDirect() const { return m_direct; }

    // Whether path names this process's standard output ("-", /dev/stdout, /dev/fd/1).
    [[nodiscard]] static bool isStandardOutput(const std::filesystem::path& path);

private:
    [[noreturn]] void fail(const std::string& reason);
    void flushBuffer();
    void discard() noexcept;

    std::filesystem::path m_path; // as given, for messages
    std::filesystem::path m_target; // the file that is replaced (symbolic links followed)
    std::unique_ptr<StagedFiles> m_staging; // none when writing directly or when done
    std::string m_what;
    std::string m_buffer;
    OpenFile m_file;
    bool m_direct = false;
};

// What stands at a path that is about to be replaced, symbolic links followed (a link in /proc,
// as /dev/stdout is, names an open file of this process and is not followed): the file that would
// be replaced, whether it exists, is a folder, or takes the bytes directly (a device, a FIFO, a
// socket, standard output), and the permissions and owner a replacement keeps. Throws
// std::system_error for a loop of links or a link that cannot be read.
struct ReplacedFile {
    std::filesystem::path target;
    bool exists = false;
    bool folder = false;
    bool direct = false;
    unsigned mode = 0; // permission bits
    unsigned owner = 0, group = 0;
};
[[nodiscard]] ReplacedFile replacedFileOf(const std::filesystem::path& path);

// Whether bytes written to `output` would land in the file at `other`: the files their links lead
// to are compared, a link whose target does not exist yet included (the writers create it), and
// so are hard links and names spelt differently. A device or a pipe (/dev/null) is alike to
// nothing, standard output only to itself. The program's outputs are checked against each other
// and against the files the run reads with this.
[[nodiscard]] bool landsIn(const std::filesystem::path& output, const std::filesystem::path& other);

// Gives the file at `path` the permissions and, where the user may, the owner of `like`.
void takeModeAndOwner(const std::filesystem::path& path, const ReplacedFile& like) noexcept;

} // namespace drawfield
