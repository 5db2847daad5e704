#pragma once
#include "platform/Types.h"

#include <optional>
#include <string>

namespace lumora {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // The window that has the clipboard open, or 0.
    virtual HWindow OpenClipboardWindow() = 0;
    virtual bool Open(HWindow owner) = 0;
    virtual void Close() = 0;
    virtual bool IsFormatAvailable(unsigned format) = 0;
    // The NUL-terminated text of CF_UNICODETEXT; nullopt when there is no data handle.
    virtual std::optional<std::u16string> UnicodeText() = 0;
    // The NUL-terminated text of CF_TEXT converted with the system code page; nullopt when
    // there is no data handle.
    virtual std::optional<std::u16string> AnsiText() = 0;
};

} // namespace lumora
