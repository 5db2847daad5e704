#pragma once
// The tag writer of the phrase file and its text encoding: Base64 of UTF-8.
#include <string>
#include <string_view>

namespace lumora {

// An opening tag with a Base64 value, and/or a closing tag (see the cpp).
std::u16string WriteTag(const std::u16string& name, const std::u16string& value, bool open,
                        bool close);
// Base64 (RFC 2045 alphabet) in lines of 76 characters, CR LF after every full line.
std::u16string TextToBase64(std::string_view bytes);
// Decodes Base64 read from text (anything outside the alphabet is skipped) and reads the bytes
// as UTF-8; invalid sequences become U+FFFD.
std::u16string Base64ToText(std::u16string_view text);

} // namespace lumora
