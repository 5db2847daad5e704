#pragma once
#include <string>
#include <string_view>

namespace lumora {

// UTF-8 <-> UTF-16. Both directions are lossy rather than failing: an invalid UTF-8 sequence
// or a lone surrogate becomes U+FFFD, so no stored or decoded text can make them throw.

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view bytes);

} // namespace lumora
