#pragma once

// Replaces a set of files as a set: one file, or a main file and the files that go with it (a
// shapefile's .shx, .dbf, .prj and .cpg; a GeoJSON's NAME_bands, NAME_points ...). A writer makes
// the files in a hidden staging folder beside the main file, then commit() puts the set in place:
//
// - all or nothing: the files the new set replaces (and those of the old set it no longer has)
//   are moved aside first, then the new ones moved in; on any failure everything is put back, so
//   the folder holds the whole old set or the whole new one, never a mix. SIGINT and SIGTERM wait
//   for the few renames this takes; before commit they remove the staging folder.
// - nothing unrelated replaced: a file the set would replace, other than the main file and the
//   files that share its name, must be one the writer recognises as its own (mayReplace), else
//   the commit is refused.
// - links: a main file that is a symbolic link is followed, the whole set being made beside the
//   file it names (the link stays); any other file of the set that is a link is refused.
// - devices: a main file that is a device, a FIFO or standard output ("-") is staged in the
//   system's temporary folder and its bytes written into it; a set of more files is refused.
// - a replaced file keeps its permissions and, where the user may set it, its owner.
// - a staging folder left by a process that was killed is removed by the next commit there.
//
// Every failure throws FileWriteError: "Cannot write the <what> <main file>: <Reason>."

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace drawfield {

class CleanUpOnSignal;

class StagedFiles {
public:
    // `path` is the main file as the user named it; `what` names it in messages ("contour file").
    StagedFiles(const std::filesystem::path& path, std::string what);
    ~StagedFiles(); // removes whatever was not committed
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // The main file that will be replaced, links followed: name the set's other files after it.
    [[nodiscard]] const std::filesystem::path& target() const noexcept { return m_target; }
    // Where to make the file that becomes `file` (a path in target()'s folder).
    [[nodiscard]] std::filesystem::path staged(const std::filesystem::path& file) const;

    // Whether the files go into a device (then only the main file may be made).
    [[nodiscard]] bool isDevice() const noexcept { return m_device; }

    // Puts the staged files in place as a set. `members` names files that belong to the set even
    // where this export did not make them (an earlier export's .prj): those left over are
    // removed with the old set. mayReplace is asked about each existing file the set would
    // replace other than the main file and its namesakes (same name, another extension).
    void commit(const std::vector<std::filesystem::path>& members = {},
        const std::function<bool(const std::filesystem::path&)>& mayReplace = {});

    [[noreturn]] void fail(const std::string& reason) const;

private:
    std::filesystem::path m_path; // as given, for messages
    std::filesystem::path m_target;
    std::filesystem::path m_folder; // the staging folder
    std::string m_what;
    bool m_device = false;
    bool m_committed = false;
    std::unique_ptr<CleanUpOnSignal> m_cleanUp; // Ctrl-C removes the staging folder
};

// Removes the staging folders in `folder` that processes no longer running left behind.
void removeAbandonedStagingFolders(const std::filesystem::path& folder) noexcept;

} // namespace drawfield
