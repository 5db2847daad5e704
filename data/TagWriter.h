#pragma once
// The tag writer of the phrase file and its text encoding: Base64 of UTF-8.
#include <cstddef>
#include <string>
#include <string_view>

namespace lumora {

// Writes the phrase file's text straight into its stored form, UTF-16LE bytes, so that a save
// of thousands of phrases builds no string per tag.
class TagBytesWriter {
public:
    explicit TagBytesWriter(std::string& out) : out_(out) {}

    // Characters as they are (the header, tag names).
    void Text(std::u16string_view text);
    // An opening tag with a Base64 value, and/or a closing tag (see WriteTag).
    void Tag(std::u16string_view name, std::u16string_view value, bool open, bool close);
    // The number of bytes Tag writes, to size the output once.
    static std::size_t TagSize(std::u16string_view name, std::u16string_view value, bool open,
                               bool close);

private:
    char* Grow(std::size_t units);

    std::string& out_;
    std::string utf8_; // reused by every value
};

// An opening tag with a Base64 value, and/or a closing tag: open and close give
// <name>VALUE</name> CR LF, open alone <name>VALUE (<name> CR LF for an empty value), close
// alone </name> CR LF.
std::u16string WriteTag(const std::u16string& name, const std::u16string& value, bool open,
                        bool close);
// Base64 (RFC 2045 alphabet) in lines of 76 characters, CR LF after every full line.
std::u16string TextToBase64(std::string_view bytes);
// Decodes Base64 read from text (anything outside the alphabet is skipped) and reads the bytes
// as UTF-8; invalid sequences become U+FFFD.
std::u16string Base64ToText(std::u16string_view text);

} // namespace lumora
