#pragma once

#include <cstdio>
#include <cstdlib>

// A property the harness checks on every input. A broken one prints what
// broke and aborts, which libFuzzer reports as a crash with the input saved.
#define FUZZ_CHECK(condition)                                                                              \
    do {                                                                                                   \
        if (!(condition)) {                                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);            \
            std::abort();                                                                                  \
        }                                                                                                  \
    } while (false)
