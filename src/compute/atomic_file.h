#pragma once

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace drawfield {

// A file could not be written; what() reads "cannot write <what> <path>: <reason>".
class FileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes a file under a temporary name in its final folder and renames it into place on commit(),
// so the final path holds either the old file or the complete new one, never half of it. The folder
// is created when missing. Every failure throws FileWriteError; without commit() the temporary file
// is removed and the old file stays as it was.
class AtomicFile {
public:
    // `what` names the file in messages, for example "record file".
    AtomicFile(std::filesystem::path path, std::string what);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::string_view bytes);
    void commit();

private:
    [[noreturn]] void fail(const std::string& reason);
    void discard() noexcept;

    std::filesystem::path m_path;
    std::filesystem::path m_temporaryPath;
    std::string m_what;
    std::FILE* m_file = nullptr;
};

} // namespace drawfield
