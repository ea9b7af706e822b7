#include "compute/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>

namespace drawfield {

AtomicFile::AtomicFile(std::filesystem::path path, std::string what)
    : m_path(std::move(path))
    , m_what(std::move(what))
{
    std::error_code error;
    std::filesystem::path folder = m_path.parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, error);
    if (error)
        fail("cannot create its folder: " + error.message());
    if (std::filesystem::is_directory(m_path, error))
        fail("it is a folder");

    std::random_device random;
    for (int attempt = 0; attempt < 16 && m_file == nullptr; ++attempt) {
        m_temporaryPath = m_path;
        m_temporaryPath += ".tmp-" + std::to_string(random() % 1000000000u);
        // "x": never reuse a name that already exists.
        m_file = std::fopen(m_temporaryPath.string().c_str(), "wbx");
        if (m_file == nullptr && errno != EEXIST)
            break;
    }
    if (m_file == nullptr)
        fail(std::strerror(errno));
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 20);
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::write(std::string_view bytes)
{
    if (m_file == nullptr)
        fail("the file is already closed");
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size())
        fail(std::strerror(errno));
}

void AtomicFile::commit()
{
    if (m_file == nullptr)
        fail("the file is already closed");
    std::FILE* file = m_file;
    m_file = nullptr;
    bool flushed = std::fflush(file) == 0;
    int flushError = errno;
    bool closed = std::fclose(file) == 0;
    if (!flushed || !closed) {
        int error = !flushed ? flushError : errno;
        discard();
        fail(std::strerror(error));
    }
    std::error_code error;
    std::filesystem::rename(m_temporaryPath, m_path, error);
    if (error)
        fail(error.message());
    m_temporaryPath.clear();
}

void AtomicFile::fail(const std::string& reason)
{
    discard();
    throw FileWriteError("cannot write " + m_what + " " + m_path.string() + ": " + reason);
}

void AtomicFile::discard() noexcept
{
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temporaryPath.empty()) {
        std::error_code ignored;
        std::filesystem::remove(m_temporaryPath, ignored);
        m_temporaryPath.clear();
    }
}

} // namespace drawfield
