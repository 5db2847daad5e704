#pragma once
// Case-following: a phrase takes the letter case its abbreviation was typed in. "Brb" gives
// "Be right back", "BRB" gives "BE RIGHT BACK", anything else the phrase as stored.
#include <string>
#include <string_view>

namespace lumora {

enum class TypedCase {
    AsStored,     // the phrase as it is stored
    FirstCapital, // its first letter a capital
    AllCapitals,  // every letter a capital (fields aside)
};

// The case an abbreviation was typed in, as its phrase follows it: the first letter a capital
// gives FirstCapital, every letter a capital (two letters at least) AllCapitals. An
// abbreviation stored with capitals of its own ("Sig") is typed as it is meant: AsStored.
TypedCase CaseOfTyped(std::u16string_view typed, std::u16string_view stored);

// The phrase's text in that case. Fields ({#date:dd MMM}) stay as written, so that what fills
// them is typed as it comes; a phrase that does not begin with a letter, or that holds the
// field {#keepcase}, stays as stored. Capitals come from the program's case tables, code unit
// for code unit; a character without one stays.
std::u16string FollowCase(std::u16string_view text, TypedCase typedCase);

} // namespace lumora
