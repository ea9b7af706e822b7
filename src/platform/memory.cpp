#include "platform/memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#else
#include <cstdlib>
#endif

namespace drawfield {

void adviseLargePages([[maybe_unused]] void* memory, [[maybe_unused]] std::size_t bytes) noexcept
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t Page = 4096;
    if (bytes < (std::size_t { 8 } << 20))
        return;
    auto begin = (reinterpret_cast<std::uintptr_t>(memory) + Page - 1) / Page * Page;
    auto end = (reinterpret_cast<std::uintptr_t>(memory) + bytes) / Page * Page;
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

void* mapMemory(std::size_t bytes) noexcept
{
#if defined(__linux__)
    void* mapped
        = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
#if defined(MADV_HUGEPAGE)
    ::madvise(mapped, bytes, MADV_HUGEPAGE);
#endif
    return mapped;
#else
    return std::calloc(bytes, 1);
#endif
}

void unmapMemory(void* memory, std::size_t bytes) noexcept
{
#if defined(__linux__)
    if (memory != nullptr)
        ::munmap(memory, bytes);
#else
    (void)bytes;
    std::free(memory);
#endif
}

} // namespace drawfield
