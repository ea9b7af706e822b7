#include "compute/engine/engine_workspace.h"

#include "platform/memory.h"

namespace drawfield {

EngineWorkspace::~EngineWorkspace() { unmap(); }

double* EngineWorkspace::take(std::size_t values, std::unique_lock<std::mutex>& lease)
{
    lease = std::unique_lock<std::mutex>(m_mutex, std::try_to_lock);
    if (!lease.owns_lock())
        return nullptr;
    const std::size_t bytes = values * sizeof(double);
    if (bytes > m_bytes) {
        unmap();
        void* mapped = mapMemory(bytes);
        if (mapped == nullptr)
            return nullptr;
        m_data = static_cast<double*>(mapped);
        m_bytes = bytes;
    }
    return m_data;
}

void EngineWorkspace::release()
{
    std::unique_lock<std::mutex> lock(m_mutex, std::try_to_lock);
    if (lock.owns_lock())
        unmap();
}

void EngineWorkspace::unmap()
{
    unmapMemory(m_data, m_bytes);
    m_data = nullptr;
    m_bytes = 0;
}

} // namespace drawfield
