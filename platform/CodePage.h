#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace lumora {

// The system's ANSI code page, in which Windows programs and editors write 8-bit text files.
class CodePage {
public:
    virtual ~CodePage() = default;
    virtual std::u16string ToUtf16(std::string_view bytes) = 0;
    // Bytes that read back as the same text; nullopt when a character has no form in the code
    // page (it would be written as a question mark).
    virtual std::optional<std::string> FromUtf16(std::u16string_view text) = 0;
};

// Windows-1252, the code page of Western European Windows: the simulated desktop's, and the
// one the native tools assume.
class Windows1252 final : public CodePage {
public:
    std::u16string ToUtf16(std::string_view bytes) override;
    std::optional<std::string> FromUtf16(std::u16string_view text) override;
};

} // namespace lumora
