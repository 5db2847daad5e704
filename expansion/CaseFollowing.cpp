// Case-following: decides the case an abbreviation was typed in and carries it to the phrase.
#include "expansion/CaseFollowing.h"

#include "output/PhraseFields.h"
#include "platform/TextCase.h"

namespace lumora {

namespace {

constexpr std::u16string_view KeepCaseField = u"{#keepcase}";

char16_t Lower(char16_t c) {
    LowerCaseBuffer(&c, 1);
    return c;
}

char16_t Upper(char16_t c) {
    UpperCaseBuffer(&c, 1);
    return c;
}

bool IsCapital(char16_t c) {
    return Lower(c) != c;
}

// A letter that has a case: one of the two tables changes it.
bool IsCasedLetter(char16_t c) {
    return IsCapital(c) || Upper(c) != c;
}

} // namespace

TypedCase CaseOfTyped(std::u16string_view typed, std::u16string_view stored) {
    for (char16_t c : stored)
        if (IsCapital(c)) return TypedCase::AsStored;
    int letters = 0;
    int capitals = 0;
    bool firstCapital = false;
    for (char16_t c : typed) {
        if (!IsCasedLetter(c)) continue;
        const bool capital = IsCapital(c);
        if (letters == 0) firstCapital = capital;
        ++letters;
        if (capital) ++capitals;
    }
    if (letters >= 2 && capitals == letters) return TypedCase::AllCapitals;
    return firstCapital ? TypedCase::FirstCapital : TypedCase::AsStored;
}

std::u16string FollowCase(std::u16string_view text, TypedCase typedCase) {
    std::u16string out(text);
    if (typedCase == TypedCase::AsStored || text.empty() || !IsCasedLetter(text[0]) ||
        text.find(KeepCaseField) != std::u16string_view::npos)
        return out;
    if (typedCase == TypedCase::FirstCapital) {
        out[0] = Upper(out[0]);
        return out;
    }
    for (std::size_t i = 0; i < out.size();) {
        if (const std::size_t field = FieldLengthAt(text.substr(i))) {
            i += field;
            continue;
        }
        out[i] = Upper(out[i]);
        ++i;
    }
    return out;
}

} // namespace lumora
