// What every fuzz target checks: a broken invariant stops the run with the
// reason, and libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/utf.h"

namespace quartzmon::fuzz {

inline void require(bool holds, std::string_view what) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

inline bool is_valid_utf8(std::string_view text) {
    return platform::utf8_lossy(text) == text;
}

}  // namespace quartzmon::fuzz
