#pragma once

#include <cstdio>
#include <cstdlib>

namespace tallyvane::fuzzing {

// A broken property is reported like a crash, so that libFuzzer keeps the input.
inline void require(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "broken property: %s\n", property);
        std::abort();
    }
}

} // namespace tallyvane::fuzzing
