// The system's own text for an error code.
#include "platform/win32/SystemErrors.h"

#include "platform/win32/Win32Handles.h"

namespace lumora {

std::u16string SystemErrorText(DWORD code, std::u16string_view file) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text = n && buffer ? FromWide(buffer, n) : std::u16string();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ' ||
                             text.back() == u'.'))
        text.pop_back();
    for (std::size_t at = text.find(u"%1"); at != std::u16string::npos;
         at = text.find(u"%1", at + file.size()))
        text.replace(at, 2, file);
    if (text.empty()) {
        const std::string number = "error " + std::to_string(code);
        text.assign(number.begin(), number.end());
    }
    return text;
}

} // namespace lumora
