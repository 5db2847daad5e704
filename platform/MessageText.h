#pragma once
// Pieces of the texts the program shows: a name in quotes, a count in digits.
#include <concepts>
#include <string>
#include <string_view>

namespace lumora {

// A path, file name or abbreviation as messages name it: in straight double quotes.
inline std::u16string Quoted(std::u16string_view s) {
    std::u16string quoted;
    quoted.reserve(s.size() + 2);
    quoted += u'"';
    quoted += s;
    quoted += u'"';
    return quoted;
}

// A whole number in decimal digits (a minus sign before a negative one).
template <std::integral Number> std::u16string DecimalText(Number n) {
    const std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
}

} // namespace lumora
