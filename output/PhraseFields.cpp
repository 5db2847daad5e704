// Fills in the fields of a phrase's text and rewrites the stored escapes of the braces.
#include "output/PhraseFields.h"

namespace lumora {

namespace {

constexpr std::u16string_view EscapedBrace = u"\\\\\\}";  // \\\} types }
constexpr std::u16string_view EscapedField = u"\\\\\\{#"; // \\\{# types {#
constexpr std::u16string_view FieldStart = u"{#";

bool IsNameChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The value of the field `name` with `argument` (nullopt: no argument); nullopt when it is not
// a field that can be filled.
std::optional<std::u16string> FieldValue(std::u16string_view name,
                                         std::optional<std::u16string_view> argument,
                                         FieldValues& values, bool& cursor) {
    // {#date:} names no picture: typed as written, like any picture that cannot be used.
    if (argument && argument->empty()) return std::nullopt;
    if (name == u"date") return values.Date(argument.value_or(u""));
    if (name == u"time") return values.Time(argument.value_or(u""));
    if (argument) return std::nullopt; // the others take none
    if (name == u"clipboard") return values.ClipboardText();
    // The phrase's mark against case-following: read before the typing, types nothing.
    if (name == u"keepcase") return std::u16string();
    if (name == u"cursor") {
        cursor = true;
        return std::u16string();
    }
    return std::nullopt;
}

std::u16string Unescaped(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::u16string_view rest = text.substr(i);
        if (rest.starts_with(EscapedBrace)) {
            out += u'}';
            i += EscapedBrace.size();
        } else if (rest.starts_with(EscapedField)) {
            out += FieldStart;
            i += EscapedField.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

// A field as written: {#name} or {#name:argument}, closed by the first } that is not escaped.
struct Field {
    std::u16string_view Name;
    std::optional<std::u16string_view> Argument;
    std::size_t Length = 0;
};

std::optional<Field> FieldAt(std::u16string_view rest) {
    if (!rest.starts_with(FieldStart)) return std::nullopt;
    std::size_t at = FieldStart.size();
    while (at < rest.size() && IsNameChar(rest[at]))
        ++at;
    Field field;
    field.Name = rest.substr(FieldStart.size(), at - FieldStart.size());
    std::size_t close = std::u16string_view::npos;
    if (at < rest.size() && rest[at] == u'}') {
        close = at;
    } else if (at < rest.size() && rest[at] == u':') {
        // An escaped brace does not close the field.
        for (std::size_t k = at + 1; k < rest.size(); ++k) {
            if (rest.substr(k).starts_with(EscapedBrace)) {
                k += EscapedBrace.size() - 1;
            } else if (rest[k] == u'}') {
                close = k;
                field.Argument = rest.substr(at + 1, close - at - 1);
                break;
            }
        }
    }
    if (field.Name.empty() || close == std::u16string_view::npos) return std::nullopt;
    field.Length = close + 1;
    return field;
}

} // namespace

std::size_t FieldLengthAt(std::u16string_view rest) {
    const std::optional<Field> field = FieldAt(rest);
    return field ? field->Length : 0;
}

FilledText FillFields(std::u16string_view stored, FieldValues* values) {
    FilledText out;
    out.Text.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size();) {
        const std::u16string_view rest = stored.substr(i);
        if (rest.starts_with(EscapedBrace)) {
            out.Text += u'}';
            i += EscapedBrace.size();
            continue;
        }
        if (rest.starts_with(EscapedField)) {
            out.Text += FieldStart;
            i += EscapedField.size();
            continue;
        }
        if (values) {
            if (const std::optional<Field> field = FieldAt(rest)) {
                bool cursor = false;
                // The picture gets its escaped braces as the braces they stand for.
                std::optional<std::u16string_view> argument = field->Argument;
                std::u16string unescaped;
                if (argument) {
                    unescaped = Unescaped(*argument);
                    argument = unescaped;
                }
                if (auto value = FieldValue(field->Name, argument, *values, cursor)) {
                    if (cursor && !out.Cursor) out.Cursor = out.Text.size();
                    out.Text += *value;
                    i += field->Length;
                    continue;
                }
            }
        }
        out.Text += stored[i];
        ++i;
    }
    return out;
}

} // namespace lumora
