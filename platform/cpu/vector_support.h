#pragma once
// Which vector instructions the pixel kernels may use. Every kernel has a plain version; on x86
// it also has an SSE2 one (always present on x86-64) and, where the processor has AVX2, a
// version twice as wide, picked when it runs.

#if defined(__x86_64__) && defined(__GNUC__)
#define DELUGE_HAS_SSE2 1
#define DELUGE_HAS_AVX2 1
#define DELUGE_AVX2_TARGET __attribute__((target("avx2")))
#elif defined(__SSE2__)
#define DELUGE_HAS_SSE2 1
#endif

#if DELUGE_HAS_AVX2
// True when this processor runs AVX2 instructions.
inline bool processorHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif
