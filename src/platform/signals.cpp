#include "platform/signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace drawfield {
namespace {

    // Folders to remove when SIGINT or SIGTERM ends the program. The handler may run at any
    // moment, so the list is fixed-size memory that it reads without locks or allocation.
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

    static_assert(sizeof(sigset_t) <= sizeof(unsigned long long) * 16);

} // namespace

CleanUpOnSignal::CleanUpOnSignal(const std::filesystem::path& folder)
    : m_slot(registerForCleanUp(folder))
{
}

CleanUpOnSignal::~CleanUpOnSignal()
{
    if (m_slot >= 0)
        cleanUpSlots[m_slot].state.store(0);
}

SignalsHeld::SignalsHeld()
{
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    ::pthread_sigmask(SIG_BLOCK, &held, reinterpret_cast<sigset_t*>(m_previous));
}

SignalsHeld::~SignalsHeld()
{
    ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(m_previous), nullptr);
}

long processId() noexcept { return static_cast<long>(::getpid()); }

bool processMayRun(long id) noexcept
{
    return id == processId() || ::kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH;
}

} // namespace drawfield
