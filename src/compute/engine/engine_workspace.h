#pragma once

// Memory that a caller keeps for the engine from run to run.

#include <cstddef>
#include <mutex>

namespace drawfield {

// The memory of the quadrant tables (quadrant_tables.h), kept by whoever runs the engine many
// times on one map: the window keeps one across drags and the time bar. The first write to fresh
// memory can cost more than the logarithms the tables save, so a single run (a batch's) does
// better without; many runs gain from memory mapped once (in large pages where the system gives
// them) and reused. One run uses it at a time; a run that finds it taken goes without.
class EngineWorkspace {
public:
    EngineWorkspace() = default;
    ~EngineWorkspace();
    EngineWorkspace(const EngineWorkspace&) = delete;
    EngineWorkspace& operator=(const EngineWorkspace&) = delete;

    // Memory for `values` doubles while `lease` is held; null when another run holds it or the
    // system cannot give it.
    [[nodiscard]] double* take(std::size_t values, std::unique_lock<std::mutex>& lease);
    // Gives the memory back to the system, unless a run holds it.
    void release();
    [[nodiscard]] std::size_t bytesHeld() const { return m_bytes; }

private:
    void unmap();
    std::mutex m_mutex;
    double* m_data = nullptr;
    std::size_t m_bytes = 0;
};

} // namespace drawfield
