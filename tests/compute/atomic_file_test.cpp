// What stands at an output path decides how it is written: a file is replaced whole, a link is
// followed, a device or a pipe is written into and never replaced.

#include "compute/atomic_file.h"
#include "compute/user_text.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace drawfield;

namespace {

void writeWhole(const std::filesystem::path& path, const std::string& bytes)
{
    AtomicFile file(path, "record file");
    file.write(bytes);
    file.commit();
}

std::size_t entriesIn(const std::filesystem::path& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

} // namespace

TEST(AtomicFile, ReplacesARegularFileAndKeepsItsPermissions)
{
    TemporaryFolder folder;
    std::filesystem::path path = folder / "drawfield.dat";
    writeBytes(path, "an older and much longer record file\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    writeWhole(path, "new\r\n");
    EXPECT_EQ(readBytes(path), "new\r\n");
    struct stat status { };
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(entriesIn(folder.path()), 1u) << "no temporary file is left";
}

TEST(AtomicFile, FollowsASymbolicLinkAndKeepsTheLink)
{
    TemporaryFolder folder;
    std::filesystem::create_directories(folder / "real");
    writeBytes(folder / "real" / "target.dat", "old");
    std::filesystem::create_symlink("real/target.dat", folder / "link.dat");
    // A dangling link names the file to create.
    std::filesystem::create_symlink("real/new.dat", folder / "dangling.dat");

    writeWhole(folder / "link.dat", "through the link");
    writeWhole(folder / "dangling.dat", "created");

    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.dat"));
    EXPECT_EQ(readBytes(folder / "real" / "target.dat"), "through the link");
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "dangling.dat"));
    EXPECT_EQ(readBytes(folder / "real" / "new.dat"), "created");
}

TEST(AtomicFile, WritesIntoDevicesAndPipesWithoutReplacingThem)
{
    {
        AtomicFile null("/dev/null", "record file");
        EXPECT_TRUE(null.isDirect());
        null.write("nothing");
        null.commit();
    }
    struct stat status { };
    ASSERT_EQ(::stat("/dev/null", &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode)) << "/dev/null is still the device";

    TemporaryFolder folder;
    std::filesystem::path fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = readBytes(fifo); });
    writeWhole(fifo, "down the pipe");
    reader.join();
    EXPECT_EQ(received, "down the pipe");
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
}

TEST(AtomicFile, FailuresAreSentencesNamingThePath)
{
    TemporaryFolder folder;
    writeBytes(folder / "a file", "");
    std::filesystem::create_directories(folder / "a folder");
    struct Case {
        const char* name;
        std::filesystem::path path;
        std::string reason;
    };
    const Case cases[] = {
        { "the folder is a file", folder / "a file" / "x.dat",
            "Cannot create its folder: Not a directory." },
        { "the path is a folder", folder / "a folder", "It is a folder." },
        { "a folder that cannot be made", "/proc/no-such-folder/x.dat", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            writeWhole(c.path, "x");
            ADD_FAILURE() << "expected FileWriteError";
        } catch (const FileWriteError& error) {
            std::string prefix = "Cannot write the record file " + c.path.string() + ": ";
            std::string what = error.what();
            EXPECT_EQ(what.substr(0, prefix.size()), prefix) << what;
            if (!c.reason.empty()) {
                EXPECT_EQ(what.substr(prefix.size()), c.reason);
            }
            EXPECT_EQ(what.back(), '.');
        }
    }
}

// Ctrl-C in the middle of a long write removes the temporary file and keeps the old one.
TEST(AtomicFile, InterruptRemovesTheTemporaryFile)
{
    TemporaryFolder folder;
    std::filesystem::path path = folder / "drawfield.dat";
    writeBytes(path, "the previous run");
    for (int signal : { SIGINT, SIGTERM }) {
        SCOPED_TRACE(signal);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            AtomicFile file(path, "record file");
            file.write(std::string(3 << 20, 'x'));
            ::raise(signal);
            ::_exit(0); // not reached
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(readBytes(path), "the previous run");
        EXPECT_EQ(entriesIn(folder.path()), 1u) << "the temporary file is gone";
    }
}

// A staging folder of several files goes too, and only while it is registered.
TEST(AtomicFile, InterruptRemovesAStagingFolder)
{
    TemporaryFolder folder;
    for (bool registered : { true, false }) {
        SCOPED_TRACE(registered);
        const std::filesystem::path staging = folder / ".staging";
        std::filesystem::create_directory(staging);
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
        EXPECT_EQ(std::filesystem::exists(staging), !registered);
    }
}

TEST(AtomicFile, MoveIntoPlaceFollowsLinksAndFeedsDevices)
{
    TemporaryFolder folder;
    writeBytes(folder / "target", "old");
    std::filesystem::create_symlink("target", folder / "link");
    writeBytes(folder / "staged", "new");
    moveIntoPlace(folder / "staged", folder / "link", "grid file");
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link"));
    EXPECT_EQ(readBytes(folder / "target"), "new");
    EXPECT_FALSE(std::filesystem::exists(folder / "staged"));

    writeBytes(folder / "staged", "gone");
    moveIntoPlace(folder / "staged", "/dev/null", "grid file");
    EXPECT_FALSE(std::filesystem::exists(folder / "staged"));
}

TEST(UserText, ExcerptsAreShortEscapedAndWhole)
{
    struct Case {
        const char* name;
        std::string text;
        std::string quoted;
    };
    const Case cases[] = {
        { "plain", "12,5", "\"12,5\"" },
        { "empty", "", "\"\"" },
        { "NUL and newline", std::string("a\0b\nc", 5), "\"a\\x00b\\nc\"" },
        { "quote and backslash", "say \"hi\"\\", "\"say \\\"hi\\\"\\\\\"" },
        { "long", std::string(100, '7'), "\"" + std::string(40, '7') + "\"..." },
        // The cut falls inside the two bytes of an é: the whole character is left out.
        { "not cut inside a character", std::string(39, 'a') + "\xC3\xA9" + "b",
            "\"" + std::string(39, 'a') + "\"..." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(quotedExcerpt(c.text), c.quoted);
    }
    EXPECT_EQ(printablePath("/tmp/a\nb \"c\"\\d"), "/tmp/a\\nb \"c\"\\d");
    // Another program's message: escapes count against its length.
    EXPECT_EQ(relayedText(std::string(200, '\0'), 10), "\\x00\\x00...");
    EXPECT_EQ(relayedText("no such object"), "no such object");
    EXPECT_EQ(sentence("no such file"), "No such file.");
    EXPECT_EQ(sentence("Done!"), "Done!");
    EXPECT_EQ(cannotMessage("write", "picture", "/x/m.png", "No such file or directory"),
        "Cannot write the picture /x/m.png: No such file or directory.");
}
