#include "editor/StartNotices.h"

#include "platform/MessageText.h"

#include <string>

namespace lumora {

std::u16string LoadFailedMessage(std::u16string_view fileName, std::u16string_view readError,
                                 std::size_t phrasesKept,
                                 const std::optional<std::u16string>& copyName) {
    std::u16string text = u"Lumora could not read the whole phrase file " + Quoted(fileName) +
                          u":\r\n" + std::u16string(readError) + u"\r\n\r\n";
    text += phrasesKept == 1 ? u"The list holds the 1 phrase read before the error"
                             : u"The list holds the " + DecimalText(phrasesKept) +
                                   u" phrases read before the error";
    text += u", and Lumora expands them as usual.";
    if (!copyName)
        text += u" No copy of the file could be made, so Lumora does not write over it.";
    else if (copyName->empty())
        text += u" The file holds no phrase to keep; at the next change to the list, and at "
                u"exit, the list is written to it.";
    else
        text += u" The file as it was is kept as " + Quoted(*copyName) +
                u"; at the next change to the list, and at exit, the list is written to " +
                Quoted(fileName) + u".";
    return text;
}

} // namespace lumora
