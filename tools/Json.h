#pragma once
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lumora::json {

// A parsed JSON value. Strings are UTF-16 (escapes of lone surrogates are kept as such);
// object members keep their order, duplicates included, for the caller to judge.
struct Member;

struct Value {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::u16string string;
    std::vector<Value> array;
    std::vector<Member> object;

    // The member of an object, or null when there is none.
    const Value* Find(std::u16string_view key) const;
};

struct Member {
    std::u16string name;
    Value value;
};

// Malformed input; what() is a short reason such as "expected ':' at column 7".
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses one complete JSON text (surrounding whitespace allowed). The bytes must be UTF-8.
Value Parse(std::string_view text);

// A JSON string literal, quotes included: non-ASCII as UTF-8, control characters and lone
// surrogates as \uXXXX escapes.
std::string Quote(std::u16string_view text);

} // namespace lumora::json
