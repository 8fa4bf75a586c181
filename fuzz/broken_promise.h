#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace stepquill {

// A check that did not hold is a finding like a crash: libFuzzer keeps the
// input that caused it.
inline void AbortIfBroken(const std::string& broken) {
    if (broken.empty()) return;
    std::fprintf(stderr, "broken: %s\n", broken.c_str());
    std::abort();
}

}  // namespace stepquill
