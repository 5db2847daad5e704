#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

struct TXMLTag;
using PXMLTag = TXMLTag*;

// A child element has just opened; the callback may replace the child's callbacks before its
// content is read.
using TXMLTagEvent = std::function<void(PXMLTag Tag)>;
// An element has closed, with its name and text.
using TXMLDataEvent =
    std::function<void(const std::u16string& TagName, const std::u16string& TagText)>;

struct TXMLTag {
    std::u16string Name;
    std::u16string Text;
    TXMLTagEvent TagEvent;
    TXMLDataEvent DataEvent;
};

// Deepest nesting of open elements the reader accepts; deeper input raises EVrbXMLError
// instead of exhausting the stack.
inline constexpr int kMaxXMLDepth = 256;

// The reader of the phrase file's tag language. Errors are EVrbXMLError; exceptions from a
// DataEvent are dropped, those from a TagEvent end the read.
void ParseXMLStream(std::string_view bytes, const TXMLTagEvent& tagEvent,
                    const TXMLDataEvent& dataEvent);
void ParseXMLLines(std::vector<std::u16string>& lines, const TXMLTagEvent& tagEvent,
                   const TXMLDataEvent& dataEvent);
// The file's text split into lines: the byte-order mark picks UTF-16LE, UTF-16BE or UTF-8 (none:
// the ANSI code page); breaks are CR LF, CR or LF; the text ends at its first NUL.
std::vector<std::u16string> ReadXMLLines(std::string_view bytes);
// 1-based position of ch in text at or after start (below 1 counts as 1); 0 if none.
std::size_t PosCharFrom(std::size_t start, char16_t ch, std::u16string_view text);

} // namespace lumora
