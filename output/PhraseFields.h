#pragma once
// The fields of a phrase's text: {#NAME} and {#NAME:ARGUMENT}, filled in when the phrase is
// typed, and the stored escapes of the braces.
//
//   {#date} {#time}                today's date, the time now, in the user's short format
//   {#date:PICTURE} {#time:PICTURE} with a Windows date or time picture (yyyy-MM-dd, HH:mm)
//   {#clipboard}                   the clipboard's text (nothing when it holds none)
//   {#cursor}                      nothing; the caret goes back to this place afterwards
//   {#keepcase}                    nothing; the phrase keeps its letter case whatever the case
//                                  its abbreviation was typed in
//
// An unknown name, an unclosed field or a picture that cannot be used is typed as written.
// The stored escapes \\\} and \\\{# are a closing brace and a literal "{#".
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// What the fields are filled with.
class FieldValues {
public:
    virtual ~FieldValues() = default;
    // Empty picture: the short format; nullopt: the picture cannot be used.
    virtual std::optional<std::u16string> Date(std::u16string_view picture) = 0;
    virtual std::optional<std::u16string> Time(std::u16string_view picture) = 0;
    virtual std::u16string ClipboardText() = 0;
};

struct FilledText {
    std::u16string Text;
    // Where {#cursor} stood in Text (the first one), if it did.
    std::optional<std::size_t> Cursor;
};

// The text with its escapes rewritten and, given values, its fields filled in (without values
// every field is typed as written).
FilledText FillFields(std::u16string_view stored, FieldValues* values);

// How long the field written at the start of rest is ({#name} or {#name:argument}, known name
// or not); 0 when no field starts there.
std::size_t FieldLengthAt(std::u16string_view rest);

} // namespace lumora
