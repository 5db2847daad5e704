#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

// The command-line options.
struct Options {
    // 0: an abbreviation counts once typed after a delimiter; 1: once a delimiter follows it;
    // anything else: everywhere, also inside words.
    std::int32_t DelimMode = 0;
    // Largest number of phrases; compared as unsigned, so a negative option lifts the limit.
    std::uint32_t MaxPhrases = 30;
};

// Reads "-delims=N" and "-maxitems=N" (names in any letter case; the last occurrence counts)
// from the arguments after the program name. A value that is not an integer gives 0 for
// -delims= and 100 for -maxitems=; other arguments are ignored.
Options ReadOptions(const std::vector<std::u16string>& args);

} // namespace lumora
