#include "editor/RowAdvice.h"

#include "platform/MessageText.h"

#include <algorithm>

namespace lumora {

namespace {

bool IsLetter(char16_t c) {
    // Beyond ASCII every letter of the user's language counts as one: a character of a word.
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c >= 0xC0;
}

} // namespace

bool ExpandsToNothing(std::u16string_view abbreviation, std::u16string_view text) {
    return !abbreviation.empty() && text.empty();
}

bool WordsMayStartWith(std::u16string_view abbreviation) {
    return !abbreviation.empty() && std::all_of(abbreviation.begin(), abbreviation.end(), IsLetter);
}

std::u16string RowAdvice(std::u16string_view abbreviation, std::u16string_view text,
                         DelimiterMode mode) {
    if (ExpandsToNothing(abbreviation, text))
        return u"This row's text is empty: typing " + Quoted(abbreviation) +
               u" erases it and types nothing";
    if (mode == DelimiterMode::BetweenDelimiters || !WordsMayStartWith(abbreviation)) return {};
    const std::u16string where = mode == DelimiterMode::Anywhere
                                     ? u" fires inside longer words too"
                                     : u" also fires at the start of a longer word";
    return Quoted(abbreviation) + where + u": with a leading ; or / or a digit at the end (;" +
           std::u16string(abbreviation) + u", " + std::u16string(abbreviation) +
           u"1) no word holds it";
}

} // namespace lumora
