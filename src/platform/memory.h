#pragma once

// Memory from the system beyond what new gives: large pages where the system offers them, and
// anonymous mappings that are given back whole.

#include <cstddef>

namespace drawfield {

// Asks for large pages over the block (only a hint, for blocks of 8 MiB and more): the first write
// to fresh memory then costs one fault per 2 MiB instead of per 4 KiB.
void adviseLargePages(void* memory, std::size_t bytes) noexcept;

// `bytes` of zeroed memory mapped for this process (in large pages where given), or null.
[[nodiscard]] void* mapMemory(std::size_t bytes) noexcept;
// Gives back what mapMemory gave.
void unmapMemory(void* memory, std::size_t bytes) noexcept;

} // namespace drawfield
