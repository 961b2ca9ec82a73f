#pragma once
// Set-up that a fuzz target does once for the whole process. What libraries keep from it for
// good (fontconfig never frees some of what it reads from its configuration) is not a leak of any
// input, so LeakSanitizer, where it is on, does not count it.
#if defined(__SANITIZE_ADDRESS__)
#define FUZZ_WITH_LEAK_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FUZZ_WITH_LEAK_SANITIZER 1
#endif
#endif

#if defined(FUZZ_WITH_LEAK_SANITIZER)
#include <sanitizer/lsan_interface.h>
#endif

class ProcessSetup {
public:
    ProcessSetup() {
#if defined(FUZZ_WITH_LEAK_SANITIZER)
        __lsan_disable();
#endif
    }
    ~ProcessSetup() {
#if defined(FUZZ_WITH_LEAK_SANITIZER)
        __lsan_enable();
#endif
    }
    ProcessSetup(const ProcessSetup&) = delete;
    ProcessSetup& operator=(const ProcessSetup&) = delete;
};
