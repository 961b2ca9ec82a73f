#pragma once
// What a fuzz target does when an input breaks a rule: say which rule, then abort, so that both
// libFuzzer and the replay see the input as a crash.
#include <cstdio>
#include <cstdlib>

inline void fuzzCheck(bool holds, const char* rule) {
    if (holds) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", rule);
    std::abort();
}
