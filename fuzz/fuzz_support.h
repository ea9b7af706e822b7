#pragma once

// What every harness shares: a failed property stops the run with a message (libFuzzer then keeps
// the input as a crash), and a check that a message is one readable line.

#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_REQUIRE(condition, what)                                                              \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property failed: %s (%s) at %s:%d\n", what, #condition,          \
                __FILE__, __LINE__);                                                               \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// A message for a person: short, one line, no control bytes.
inline bool isReadableMessage(std::string_view text, std::size_t longest = 1000)
{
    if (text.empty() || text.size() > longest)
        return false;
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    return true;
}
