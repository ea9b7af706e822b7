#include "files/small_file.h"

#include "platform/file_system.h"

#include <algorithm>

namespace drawfield {
namespace {

    // Reads until the end or until limit + 1 bytes came.
    std::string readAtMost(OpenFile& file, std::size_t limitBytes, const std::string& tooLarge)
    {
        std::string content;
        char buffer[65536];
        for (;;) {
            const std::size_t wanted = std::min(sizeof buffer, limitBytes + 1 - content.size());
            std::error_code error;
            const std::ptrdiff_t got = file.read(buffer, wanted, error);
            if (error == std::errc::resource_unavailable_try_again)
                throw SmallFileError("it cannot be read without waiting");
            if (error)
                throw SmallFileError(error.message());
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
    // Opening a FIFO does not wait for a writer; it is refused below.
    std::error_code error;
    OpenFile file = OpenFile::open(path, OpenFile::Mode::Read, error);
    if (error)
        throw SmallFileError(
            error == std::errc::is_a_directory ? "it is a folder" : error.message());
    const PathStatus status = file.status();
    if (!status.exists)
        throw SmallFileError("its status cannot be read");
    if (status.folder)
        throw SmallFileError("it is a folder");
    if (!status.regular)
        throw SmallFileError("it is not a regular file");
    if (file.onKernelFileSystem())
        throw SmallFileError("it is not a regular file but one of the system's (/proc, /sys)");
    if (status.bytes > limitBytes)
        throw SmallFileError("it is larger than " + tooLarge);
    return readAtMost(file, limitBytes, tooLarge);
}

bool isStandardInput(const std::filesystem::path& path)
{
    return path == "-" || path == "/dev/stdin" || path == "/dev/fd/0" || path == "/proc/self/fd/0";
}

std::string readStandardInput(std::size_t limitBytes, const std::string& tooLarge)
{
    std::error_code error;
    OpenFile input = OpenFile::duplicate(StandardInputNumber, error);
    if (error)
        throw SmallFileError(error.message());
    if (input.status().folder)
        throw SmallFileError("it is a folder");
    return readAtMost(input, limitBytes, tooLarge);
}

} // namespace drawfield
