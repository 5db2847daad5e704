// Base64ToText on arbitrary UTF-16 text, and the encoder's round trip of arbitrary bytes.
#include "data/TagReader.h"
#include "data/TagWriter.h"
#include "platform/Utf.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    std::u16string decoded = Base64ToText(text);

    // Text that went through UTF-8 once is stable.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::u16string once = Utf8ToUtf16(bytes);
    if (Base64ToText(TextToBase64(Utf16ToUtf8(once))) != once) __builtin_trap();
    if (Utf8ToUtf16(Utf16ToUtf8(decoded)) != decoded) __builtin_trap();
    return 0;
}
