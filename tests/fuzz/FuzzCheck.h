#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzzcheck {

// A broken property is a crash for the fuzzer: it keeps the input and reports it.
inline void require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "Property violated: %s\n", property);
        std::abort();
    }
}

} // namespace fuzzcheck
