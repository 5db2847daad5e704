#pragma once
// What the phrase list tells about a row beyond its texts: a row that expands to nothing, an
// abbreviation that also fires at the start of longer words, and what typing on a row does.
#include "settings/Options.h"

#include <string>
#include <string_view>

namespace lumora {

// The mark in the text column of a row whose abbreviation is typed away for an empty text.
constexpr std::u16string_view ExpandsToNothingMark = u"(expands to nothing)";

// The row has an abbreviation and no text: typing the abbreviation erases it and types nothing.
bool ExpandsToNothing(std::u16string_view abbreviation, std::u16string_view text);

// The abbreviation is letters only, so longer words start with it; in the default mode it then
// fires in them too ("ty" in "type"), and in the mode for inside words anywhere in them.
bool WordsMayStartWith(std::u16string_view abbreviation);

// The status bar's advice for the focused row (empty when there is none): a row that expands
// to nothing, or an abbreviation that fires inside longer words in this mode.
std::u16string RowAdvice(std::u16string_view abbreviation, std::u16string_view text,
                         DelimiterMode mode);

// Said while a cell is being edited: the edit replaces the cell, and how to keep or undo it.
constexpr std::u16string_view CellEditHint =
    u"typing replaces the cell; Enter keeps it, Esc brings the old text back";

} // namespace lumora
