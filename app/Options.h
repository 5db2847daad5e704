#pragma once
#include <cstdint>

namespace lumora {

// The command-line options.
struct TOptions {
    // 0: an abbreviation counts once typed after a delimiter; 1: once a delimiter follows it;
    // anything else: everywhere, also inside words.
    std::int32_t DelimMode = 0;
    // Largest number of phrases; compared as unsigned, so a negative option lifts the limit.
    std::uint32_t maxItems = 30;
};

} // namespace lumora
