#pragma once
// The reader of the phrase file's tag language.
#include "platform/Error.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// Malformed nesting in the tag language.
class TagSyntaxError : public Error {
public:
    using Error::Error;
};

struct Tag;

// A child element has just opened; the callback may replace the child's callbacks before its
// content is read.
using TagOpenedEvent = std::function<void(Tag* tag)>;
// An element has closed, with its name and text.
using TagClosedEvent =
    std::function<void(const std::u16string& tagName, const std::u16string& tagText)>;

struct Tag {
    std::u16string Name;
    std::u16string Text;
    TagOpenedEvent Opened;
    TagClosedEvent Closed;
    // Where the opening tag stood, as the reader's messages count (for a callback's own error).
    long long Line = 0;
    long long Column = 0;
};

// Longest name a message quotes whole: a damaged file may hold a tag name of megabytes.
inline constexpr std::size_t MaxQuotedNameLength = 64;
// The name as a message quotes it: cut to MaxQuotedNameLength, with "..." when cut.
std::u16string QuotedName(std::u16string_view name);

// Deepest nesting of open elements the reader accepts; deeper input raises TagSyntaxError
// instead of exhausting the stack.
inline constexpr int MaxTagDepth = 256;

// Reads the elements of the file's bytes. Errors are TagSyntaxError; exceptions from a Closed
// callback are dropped, those from an Opened callback end the read.
void ReadTags(std::string_view bytes, const TagOpenedEvent& opened, const TagClosedEvent& closed);
void ReadTagLines(std::vector<std::u16string>& lines, const TagOpenedEvent& opened,
                  const TagClosedEvent& closed);
// The file's text split into lines: the byte-order mark picks UTF-16LE, UTF-16BE or UTF-8;
// without one, UTF-16 is told by its pattern of NUL bytes, anything else is the ANSI code page;
// breaks are CR LF, CR or LF; the text ends at its first NUL.
std::vector<std::u16string> ReadTextLines(std::string_view bytes);
// The two steps of ReadTextLines: the whole text (NULs included), and its lines.
std::u16string DecodeFileText(std::string_view bytes);
std::vector<std::u16string> SplitTextLines(std::u16string_view text);
// 1-based position of ch in text at or after start (below 1 counts as 1); 0 if none.
std::size_t PosCharFrom(std::size_t start, char16_t ch, std::u16string_view text);

} // namespace lumora
