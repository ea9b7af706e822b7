// How every output replaces what stands at its path, whichever writer makes it: one file through
// AtomicFile (records, scenarios, pictures, the report), one through StagedFiles (a grid, a
// GeoTIFF) or a set of files through StagedFiles (a shapefile and its siblings, the mapping
// program's grid, picture and document). A file is replaced whole, a link is followed, a device or
// a pipe is written into and never replaced, a refusal changes nothing, and nothing is left
// beside the files.

#include "files/atomic_file.h"
#include "files/staged_files.h"
#include "platform/signals.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <map>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace drawfield;
namespace fs = std::filesystem;

namespace {

enum class Writer { AtomicOne, StagedOne, StagedSet };
const char* nameOf(Writer writer)
{
    return writer == Writer::AtomicOne ? "AtomicFile"
        : writer == Writer::StagedOne  ? "one staged"
                                       : "a staged set";
}

// The set's siblings share the main file's name: a.shp, a.dbf, a_points.shp.
const char* const Siblings[] = { ".dbf", "_points.shp" };

fs::path siblingOf(const fs::path& main, const char* ending)
{
    return main.parent_path() / (main.stem().string() + ending);
}

// Writes bytes to path (each sibling gets them too); raises `signal` before the commit when set.
void writeWith(Writer writer, const fs::path& path, const std::string& bytes, int signal = 0)
{
    if (writer == Writer::AtomicOne) {
        AtomicFile file(path, "record file");
        file.write(bytes);
        if (signal != 0)
            ::raise(signal);
        file.commit();
        return;
    }
    StagedFiles staging(path, "record file");
    auto make = [&](const fs::path& file) {
        std::ofstream(staging.staged(file), std::ios::binary) << bytes;
    };
    make(staging.target());
    if (writer == Writer::StagedSet)
        for (const char* ending : Siblings)
            make(siblingOf(staging.target(), ending));
    if (signal != 0)
        ::raise(signal);
    staging.commit();
}

// What a folder holds, recursively: each entry's kind and bytes or link target (links are not
// followed).
void snapshotInto(
    const fs::path& folder, const fs::path& top, std::map<std::string, std::string>& entries)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(top).string();
        const fs::file_type type = entry.symlink_status().type();
        if (type == fs::file_type::symlink) {
            entries[name] = "link to " + fs::read_symlink(entry.path()).string();
        } else if (type == fs::file_type::directory) {
            entries[name] = "folder";
            snapshotInto(entry.path(), top, entries);
        } else {
            entries[name] = type == fs::file_type::regular ? readBytes(entry.path()) : "special";
        }
    }
}

std::map<std::string, std::string> snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> entries;
    snapshotInto(folder, folder, entries);
    return entries;
}

// Whether anything staged is left in the folder (or below it).
bool anythingStaged(const fs::path& folder, bool within = true)
{
    if (!within)
        return std::any_of(fs::directory_iterator(folder), fs::directory_iterator(),
            [](const fs::directory_entry& entry) {
                return entry.path().filename().string().starts_with(".drawfield");
            });
    for (const auto& [name, what] : snapshot(folder))
        if (name.starts_with(".drawfield") || name.find("/.drawfield") != std::string::npos)
            return true;
    return false;
}

struct Case {
    const char* name;
    // Makes what stands there before the write; gives the path written to.
    std::function<fs::path(const fs::path& folder)> prepare;
    const char* refusedOne; // why one file is not written ("" when it is)
    const char* refusedSet; // why a set is not
    // Where the main file's bytes are found after a write ("" when they go elsewhere), and
    // the permissions it has there (0: not checked).
    const char* landsAt;
    unsigned mode = 0;
};

const Case Cases[] = {
    { "nothing there", [](const fs::path& f) { return f / "a.shp"; }, "", "", "a.shp" },
    { "a file, its permissions kept",
        [](const fs::path& f) {
            writeBytes(f / "a.shp", "an older and much longer file");
            ::chmod((f / "a.shp").c_str(), 0640);
            return f / "a.shp";
        },
        "", "", "a.shp", 0640 },
    { "a missing folder is made", [](const fs::path& f) { return f / "new" / "a.shp"; }, "", "",
        "new/a.shp" },
    { "a link, followed and kept",
        [](const fs::path& f) {
            fs::create_directories(f / "real");
            writeBytes(f / "real" / "r.shp", "old");
            fs::create_symlink("real/r.shp", f / "a.shp");
            return f / "a.shp";
        },
        "", "", "real/r.shp" },
    { "a dangling link names the file to make",
        [](const fs::path& f) {
            fs::create_directories(f / "real");
            fs::create_symlink("real/r.shp", f / "a.shp");
            return f / "a.shp";
        },
        "", "", "real/r.shp" },
    { "a sibling that is a link",
        [](const fs::path& f) {
            writeBytes(f / "elsewhere", "not ours");
            fs::create_symlink("elsewhere", f / "a.dbf");
            return f / "a.shp";
        },
        "", "is a symbolic link", "a.shp" },
    { "a folder",
        [](const fs::path& f) {
            fs::create_directories(f / "a.shp");
            return f / "a.shp";
        },
        "It is a folder.", "It is a folder.", "" },
    { "a file where the folder should be",
        [](const fs::path& f) {
            writeBytes(f / "file", "");
            return f / "file" / "a.shp";
        },
        "Cannot create its folder: Not a directory.", "Cannot create its folder", "" },
    { "a folder that cannot be made", [](const fs::path&) { return fs::path("/proc/none/a.shp"); },
        "Cannot create its folder", "Cannot create its folder", "" },
    { "a device", [](const fs::path&) { return fs::path("/dev/null"); }, "",
        "cannot be written into a device or a pipe", "" },
    { "a loop of links",
        [](const fs::path& f) {
            fs::create_symlink("b.shp", f / "a.shp");
            fs::create_symlink("a.shp", f / "b.shp");
            return f / "a.shp";
        },
        "Too many levels of symbolic links", "Too many levels of symbolic links", "" },
};

} // namespace

TEST(StagedFiles, EveryWriterMeetsWhatStandsAtItsPath)
{
    for (Writer writer : { Writer::AtomicOne, Writer::StagedOne, Writer::StagedSet })
        for (const Case& c : Cases) {
            SCOPED_TRACE(std::string(nameOf(writer)) + ": " + c.name);
            TemporaryFolder folder;
            const fs::path path = c.prepare(folder.path());
            const std::map<std::string, std::string> before = snapshot(folder.path());
            const std::string refused = writer == Writer::StagedSet ? c.refusedSet : c.refusedOne;
            try {
                writeWith(writer, path, "new");
                EXPECT_EQ(refused, "") << "written";
            } catch (const FileWriteError& error) {
                const std::string what = error.what();
                EXPECT_EQ(what.rfind("Cannot write the record file " + path.string() + ": ", 0), 0u)
                    << what;
                EXPECT_NE(refused, "") << what;
                EXPECT_NE(what.find(refused), std::string::npos) << what;
                EXPECT_EQ(snapshot(folder.path()), before) << "a refusal changes nothing";
                continue;
            }
            EXPECT_FALSE(anythingStaged(folder.path()));
            EXPECT_FALSE(anythingStaged(path.parent_path(), false)) << "nothing staged in /dev";
            if (std::string(c.landsAt).empty())
                continue;
            const fs::path main = folder / c.landsAt;
            EXPECT_EQ(readBytes(main), "new");
            if (writer == Writer::StagedSet) {
                for (const char* ending : Siblings)
                    EXPECT_EQ(readBytes(siblingOf(main, ending)), "new") << ending;
            }
            struct stat status { };
            ASSERT_EQ(::stat(main.c_str(), &status), 0);
            if (c.mode != 0) {
                EXPECT_EQ(status.st_mode & 07777, c.mode);
            }
            // A link stays a link: the file it names is the one replaced.
            EXPECT_EQ(fs::is_symlink(path), main != path);
        }
}

// A pipe takes one file's bytes as they come; a set cannot go down it.
TEST(StagedFiles, APipeTakesOneFile)
{
    for (Writer writer : { Writer::AtomicOne, Writer::StagedOne, Writer::StagedSet }) {
        SCOPED_TRACE(nameOf(writer));
        TemporaryFolder folder;
        const fs::path fifo = folder / "pipe";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        if (writer == Writer::StagedSet) {
            EXPECT_THROW(writeWith(writer, fifo, "x"), FileWriteError);
            continue;
        }
        std::string received;
        std::thread reader([&] { received = readBytes(fifo); });
        writeWith(writer, fifo, "down the pipe");
        reader.join();
        EXPECT_EQ(received, "down the pipe");
        EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
        EXPECT_FALSE(anythingStaged(folder.path()));
    }
}

// The old set's files the new one no longer has go with it; a file of another name this export
// does not recognise is not replaced.
TEST(StagedFiles, ASetReplacesTheWholeOldSetAndNothingElse)
{
    TemporaryFolder folder;
    const fs::path main = folder / "c.shp";
    for (const char* name : { "c.shp", "c.prj", "c_points.shp", "notes.txt" })
        writeBytes(folder / name, "old");
    {
        StagedFiles staging(main, "contour file");
        writeBytes(staging.staged(main), "new");
        writeBytes(staging.staged(folder / "c_points.shp"), "new");
        staging.commit({ folder / "c.prj" });
    }
    EXPECT_FALSE(fs::exists(folder / "c.prj")) << "an old file the new set no longer has";
    EXPECT_EQ(readBytes(folder / "c_points.shp"), "new");
    EXPECT_EQ(readBytes(folder / "notes.txt"), "old");

    writeBytes(folder / "d_points.shp", "someone else's");
    StagedFiles staging(folder / "x.shp", "contour file");
    writeBytes(staging.staged(folder / "x.shp"), "new");
    writeBytes(staging.staged(folder / "d_points.shp"), "new");
    EXPECT_THROW(staging.commit({}, [](const fs::path&) { return false; }), FileWriteError);
    EXPECT_EQ(readBytes(folder / "d_points.shp"), "someone else's");
    EXPECT_FALSE(fs::exists(folder / "x.shp"));
}

// A staging folder a killed run left is removed by the next write there; one of a process that
// still runs is not. A replaced file keeps its owner where this user may give it (root may).
TEST(StagedFiles, WhatAKilledRunLeftAndTheOwner)
{
    TemporaryFolder folder;
    pid_t gone = 999999;
    while (::kill(gone, 0) == 0 || errno != ESRCH)
        --gone;
    const fs::path left = folder / (".drawfield-staging-" + std::to_string(gone) + "-AbCdEf");
    const fs::path running
        = folder / (".drawfield-staging-" + std::to_string(::getppid()) + "-AbCdEf");
    fs::create_directories(left);
    writeBytes(left / "d.tif", "half");
    fs::create_directories(running);
    writeWith(Writer::AtomicOne, folder / "d.tif", "whole");
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(running)) << "its process still runs";

    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((folder / "d.tif").c_str(), 65534, 65534), 0);
        for (Writer writer : { Writer::AtomicOne, Writer::StagedSet }) {
            writeWith(writer, folder / "d.tif", "again");
            struct stat status { };
            ASSERT_EQ(::stat((folder / "d.tif").c_str(), &status), 0);
            EXPECT_EQ(status.st_uid, 65534u) << nameOf(writer);
        }
    }
}

// Ctrl-C (or a TERM) before the commit removes what was staged and keeps the old file.
TEST(StagedFiles, AnInterruptKeepsTheOldFile)
{
    for (Writer writer : { Writer::AtomicOne, Writer::StagedOne, Writer::StagedSet })
        for (int signal : { SIGINT, SIGTERM }) {
            SCOPED_TRACE(std::string(nameOf(writer)) + " " + std::to_string(signal));
            TemporaryFolder folder;
            const fs::path path = folder / "drawfield.dat";
            writeBytes(path, "the previous run");
            pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                writeWith(writer, path, std::string(3 << 20, 'x'), signal);
                ::_exit(0); // not reached
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
            EXPECT_EQ(snapshot(folder.path()),
                (std::map<std::string, std::string> { { "drawfield.dat", "the previous run" } }));
        }
}

// The signal clean-up takes a folder of many files, and only while it is registered.
TEST(StagedFiles, TheSignalCleanUpTakesOnlyARegisteredFolder)
{
    TemporaryFolder folder;
    for (bool registered : { true, false }) {
        SCOPED_TRACE(registered);
        const fs::path staging = folder / ".staging";
        fs::create_directory(staging);
        for (int i = 0; i < 300; ++i) // more names than one read of the folder gives
            writeBytes(staging / ("part-" + std::to_string(i) + std::string(40, 'x')), "x");
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            {
                CleanUpOnSignal cleanUp(staging);
                if (registered)
                    ::raise(SIGINT);
            }
            ::raise(SIGINT);
            ::_exit(0); // not reached
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
        EXPECT_EQ(fs::exists(staging), !registered);
    }
}
