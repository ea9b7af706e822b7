#pragma once

// The hot loops of the lattice terms may use wider vector units where the processor has them.
// Square root, division and multiplication are exactly rounded in every instruction set, and no
// product is fused into an addition (-ffp-contract=off), so each clone gives the same bits.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define DRAWFIELD_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define DRAWFIELD_VECTOR_CLONES
#endif
