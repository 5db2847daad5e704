#pragma once
// What Lumora tells a user at start: a phrase file it could read only in part, and where it
// is on a first start (it has no window then, only a tray icon).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// The message after the phrase file could not be read to its end: which file, why, how many
// phrases the list kept (they are expanded), and the copy the file is kept as before Lumora
// writes the list over it. copyName: nothing when no copy could be made, empty when the file
// holds nothing to keep; readError is the reader's own text.
std::u16string LoadFailedMessage(std::u16string_view fileName, std::u16string_view readError,
                                 std::size_t phrasesKept,
                                 const std::optional<std::u16string>& copyName);

// The balloon of a first start (no phrase file yet): its title and text. A click on it opens
// the phrase list.
constexpr std::u16string_view FirstStartBalloonTitle = u"Lumora is running";
constexpr std::u16string_view FirstStartBalloonText =
    u"Lumora waits here, in the notification area. Click this note to open the phrase list "
    u"and add your first phrase (double click the list for a new one). Right-click the icon "
    u"for the menu.";

} // namespace lumora
