#pragma once
// The reader of the phrase file's tag language.
#include "platform/Error.h"

#include <functional>
#include <optional>
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

// The phrase file's bytes read as text a line at a time, so that a load holds no second copy
// of the whole file. The byte-order mark picks UTF-16LE, UTF-16BE or UTF-8; without one, UTF-16
// is told by its pattern of NUL bytes, anything else is the ANSI code page. Breaks are CR LF, CR
// or LF; the text ends at its first NUL.
class FileText {
public:
    explicit FileText(std::string_view bytes);

    // The next line, without its break; false once the text has ended.
    bool NextLine(std::u16string& line);
    // The 1-based line of a NUL that more text follows (a zeroed block), if there is one.
    std::optional<long long> LineOfNulInsideText() const;
    // Nothing but spaces, tabs and line breaks (or nothing at all), over the whole file.
    bool IsBlank() const;

private:
    enum class Encoding { Utf16LE, Utf16BE, Utf8, Ansi };
    bool Wide() const;
    std::size_t Units() const;
    char16_t UnitAt(std::size_t i) const;
    void Decode(std::size_t begin, std::size_t end, std::u16string& out) const;

    std::string_view body_; // after the byte-order mark
    Encoding encoding_ = Encoding::Ansi;
    std::size_t at_ = 0; // in units (bytes for UTF-8 and ANSI)
    bool ended_ = false;
};

// Reads the elements of the file's text. Errors are TagSyntaxError; exceptions from a Closed
// callback are dropped, those from an Opened callback end the read.
void ReadTags(FileText& text, const TagOpenedEvent& opened, const TagClosedEvent& closed);
void ReadTags(std::string_view bytes, const TagOpenedEvent& opened, const TagClosedEvent& closed);
// Every line of the file's text, as FileText gives them.
std::vector<std::u16string> ReadTextLines(std::string_view bytes);
// 1-based position of ch in text at or after start (below 1 counts as 1); 0 if none.
std::size_t PosCharFrom(std::size_t start, char16_t ch, std::u16string_view text);

} // namespace lumora
