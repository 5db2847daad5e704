#pragma once
// What a reader of another program's file found: one entry per phrase it would make, each
// either taken (abbreviation and text in Lumora's stored form) or left out with its reason.
#include "platform/Error.h"
#include "platform/MessageText.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// A file that cannot be read as its format: nothing of it is imported. The message names the
// line and column where the parser gives them ("Line 3, column 7: ...").
class ImportError : public Error {
public:
    using Error::Error;
};

// An option of the other program that a phrase of Lumora cannot carry: the entry is imported,
// and the report names the option.
struct UnsupportedOption {
    std::u16string Name;    // as the other program spells it ("word", "*", "#IfWinActive")
    std::u16string Meaning; // what it does there ("expands only after a word break")
    bool operator==(const UnsupportedOption&) const = default;
};

struct ImportedEntry {
    std::u16string Abbreviation;
    std::u16string Text; // Lumora's stored form: fields as {#...}, line breaks CR LF
    // Not empty: the entry cannot be taken, and why ("uses a regex trigger").
    std::u16string SkipReason;
    std::vector<UnsupportedOption> Options;
    // Where the entry stands in its file (1-based; 0 when the format gives no lines), and the
    // file when it is not the one imported (an espanso import of another file).
    long long Line = 0;
    std::u16string File;
};

struct ImportedFile {
    std::u16string FormatName; // "espanso match file", "AutoHotkey script", ...
    std::vector<ImportedEntry> Entries;
    // Remarks on the file as a whole (the other files an espanso file imports, read or not).
    std::vector<std::u16string> Notes;
};

// The file's bytes as text: UTF-8 with or without a byte-order mark, or UTF-16 (LE or BE, with
// a byte-order mark or told by its NUL bytes). Bytes that are not UTF-8 are an ImportError at
// their line and column, rather than text read wrong.
std::u16string DecodeImportText(std::string_view bytes);
// The same text, as UTF-8 without a byte-order mark, for the parser libraries.
std::string DecodeImportTextAsUtf8(std::string_view bytes);

// A text that is meant literally, in the stored form: "{#" and the escape of a closing brace
// are escaped, so that nothing in it is taken for a field.
std::u16string EscapeLiteralText(std::u16string_view text);
// Line breaks of any kind (CR LF, LF, CR) as CR LF, as the phrase list keeps them.
std::u16string WithCrLf(std::u16string_view text);

// "Line 3, column 7: " + what.
std::u16string AtLineColumn(long long line, long long column, std::u16string_view what);
// Line and column (1-based, in characters) of a byte offset in UTF-8 text.
std::pair<long long, long long> LineColumnOfOffset(std::string_view utf8, std::size_t offset);

} // namespace lumora
