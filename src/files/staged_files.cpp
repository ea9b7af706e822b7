#include "files/staged_files.h"

#include "files/atomic_file.h"
#include "files/user_text.h"

#include "platform/file_system.h"
#include "platform/signals.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace drawfield {
namespace {

    namespace fs = std::filesystem;

    constexpr std::string_view StagingPrefix = ".drawfield-staging-";
    constexpr std::string_view SetAside = ".old-"; // an old file, moved aside during a commit

    std::string errorText(int error) { return std::strerror(error); }

    bool isLink(const fs::path& path) { return linkStatus(path).link; }

    bool standsAt(const fs::path& path) { return linkStatus(path).exists; }

    // The staged file's bytes into a device, a FIFO or standard output.
    void copyInto(const fs::path& from, const fs::path& to, const std::string& what)
    {
        std::ifstream in(from, std::ios::binary);
        if (!in)
            throw FileWriteError(cannotMessage("write", what, to.native(), errorText(errno)));
        AtomicFile out(to, what);
        std::string chunk(std::size_t { 1 } << 20, '\0');
        while (in) {
            in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            out.write(std::string_view(chunk.data(), static_cast<std::size_t>(in.gcount())));
        }
        if (in.bad())
            throw FileWriteError(cannotMessage("write", what, to.native(), errorText(errno)));
        out.commit();
    }

} // namespace

void removeAbandonedStagingFolders(const fs::path& folder) noexcept
{
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(StagingPrefix))
            continue;
        // .drawfield-staging-<pid>-XXXXXX: left behind when <pid> no longer runs.
        const std::string rest = name.substr(StagingPrefix.size());
        const std::size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos || dash > 9
            || rest.find_first_not_of("0123456789") != dash)
            continue;
        if (processMayRun(std::stol(rest.substr(0, dash))))
            continue;
        std::error_code ignored;
        if (entry.is_directory(ignored) && !entry.is_symlink(ignored))
            fs::remove_all(entry.path(), ignored);
    }
}

StagedFiles::StagedFiles(const fs::path& path, std::string what)
    : m_path(path)
    , m_what(std::move(what))
{
    ReplacedFile main;
    try {
        main = replacedFileOf(path);
    } catch (const std::system_error& error) {
        fail(error.code().message());
    }
    if (main.folder)
        fail("it is a folder");
    m_target = main.target;
    m_device = main.direct;

    std::error_code error;
    fs::path parent = m_device ? fs::temp_directory_path(error) : m_target.parent_path();
    if (parent.empty())
        parent = ".";
    if (!m_device)
        fs::create_directories(parent, error);
    if (error)
        fail("cannot create its folder: " + error.message());
    removeAbandonedStagingFolders(parent);
    m_folder = makeUniqueFolder(
        parent, std::string(StagingPrefix) + std::to_string(processId()) + "-", error);
    if (error)
        fail(error.message());
    m_cleanUp = std::make_unique<CleanUpOnSignal>(m_folder);
}

StagedFiles::~StagedFiles()
{
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
    m_cleanUp.reset();
}

fs::path StagedFiles::staged(const fs::path& file) const { return m_folder / file.filename(); }

void StagedFiles::fail(const std::string& reason) const
{
    throw FileWriteError(cannotMessage("write", m_what, m_path.native(), reason));
}

void StagedFiles::commit(
    const std::vector<fs::path>& members, const std::function<bool(const fs::path&)>& mayReplace)
{
    if (m_committed)
        fail("it was already written");
    std::error_code error;
    std::vector<std::string> made;
    // A writer's own staging (a helper program's, killed before it cleaned up) is no file of
    // the set.
    for (const fs::directory_entry& entry : fs::directory_iterator(m_folder, error))
        if (!entry.path().filename().string().starts_with(StagingPrefix))
            made.push_back(entry.path().filename().string());
    if (error)
        fail(error.message());
    std::sort(made.begin(), made.end());

    if (m_device) {
        if (made.size() != 1)
            fail("a set of " + std::to_string(made.size())
                + " files cannot be written into a device or a pipe; name a file");
        copyInto(m_folder / made.front(), m_path, m_what);
        m_committed = true;
        return;
    }

    // Every file the commit touches: the new ones, and the old set's files it no longer has.
    const fs::path folder = m_target.parent_path();
    std::vector<std::string> leftovers;
    for (const fs::path& member : members) {
        const std::string name = member.filename().string();
        if (!std::binary_search(made.begin(), made.end(), name) && standsAt(folder / name)
            && std::find(leftovers.begin(), leftovers.end(), name) == leftovers.end())
            leftovers.push_back(name);
    }
    std::vector<std::string> touched = made;
    touched.insert(touched.end(), leftovers.begin(), leftovers.end());
    for (const std::string& name : touched) {
        const fs::path destination = folder / name;
        if (!standsAt(destination))
            continue;
        const bool namesake = fs::path(name).stem() == m_target.stem();
        if (destination != m_target && isLink(destination))
            fail(printablePath(destination.native())
                + " is a symbolic link; the files of the set are replaced together, so only the "
                  "main file may be one");
        if (fs::is_directory(destination, error))
            fail(printablePath(destination.native()) + " is a folder");
        if (!namesake && mayReplace && !mayReplace(destination))
            fail(printablePath(destination.native())
                + " exists and was not written by an earlier export of these files; move it away "
                  "or choose another name");
    }

    // The new files take the permissions and owners of those they replace.
    for (const std::string& name : made) {
        const fs::path destination = folder / name;
        if (standsAt(destination))
            takeModeAndOwner(m_folder / name, replacedFileOf(destination));
    }

    SignalsHeld held;
    std::vector<std::string> setAside, movedIn;
    auto putBack = [&] {
        for (const std::string& name : movedIn)
            (void)renamePath(folder / name, m_folder / name);
        for (const std::string& name : setAside)
            (void)renamePath(m_folder / (std::string(SetAside) + name), folder / name);
    };
    for (const std::string& name : touched) {
        if (!standsAt(folder / name))
            continue;
        if (const std::error_code failure
            = renamePath(folder / name, m_folder / (std::string(SetAside) + name))) {
            putBack();
            fail(failure.message());
        }
        setAside.push_back(name);
    }
    for (const std::string& name : made) {
        if (const std::error_code failure = renamePath(m_folder / name, folder / name)) {
            putBack();
            fail(failure.message());
        }
        movedIn.push_back(name);
    }
    m_committed = true;
}

} // namespace drawfield
