#pragma once

// The signals that end a program (SIGINT, SIGTERM) and the processes around it.

#include <filesystem>

namespace drawfield {

// While it lives, a folder of files (no subfolders) that SIGINT or SIGTERM removes before the
// program ends: a staging folder of unfinished files. Up to 32 at a time; a program that handles
// or ignores these signals itself keeps its own way.
class CleanUpOnSignal {
public:
    explicit CleanUpOnSignal(const std::filesystem::path& folder);
    ~CleanUpOnSignal();
    CleanUpOnSignal(const CleanUpOnSignal&) = delete;
    CleanUpOnSignal& operator=(const CleanUpOnSignal&) = delete;

private:
    int m_slot;
};

// While it lives, SIGINT and SIGTERM wait (for this thread), then come: a few renames that must
// not be cut in half.
class SignalsHeld {
public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    unsigned long long m_previous[16]; // the mask before, as the system keeps it
};

[[nodiscard]] long processId() noexcept;
// Whether a process of that number may still run (it exists, or it cannot be told).
[[nodiscard]] bool processMayRun(long id) noexcept;

} // namespace drawfield
