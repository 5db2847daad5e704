#pragma once
#include <nlohmann/json.hpp>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lumora::json {

// Malformed input, or a line that is not what the command reads. Column is the character
// (1-based) where the reading stopped, when the fault has a place.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& what, std::optional<long long> column = std::nullopt)
        : std::runtime_error(what), Column(column) {}
    std::optional<long long> Column;
};

// Parses one complete JSON text (UTF-8, surrounding whitespace allowed) with nlohmann/json.
// A key given twice in one object is refused, since only one of the values would be kept; the
// escape of half a surrogate pair, which Quote writes, reads as U+FFFD (what the phrase file
// stores for it), since nlohmann/json refuses it.
nlohmann::json Parse(std::string_view text);

// The text of a JSON string value as UTF-16.
std::u16string TextOf(const nlohmann::json& value);

// A JSON string literal, quotes included: non-ASCII as UTF-8, control characters and lone
// surrogates as \uXXXX escapes.
std::string Quote(std::u16string_view text);

} // namespace lumora::json
