#pragma once
#include "platform/Types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// One format of the clipboard's contents, copied out as bytes.
struct ClipboardItem {
    unsigned Format = 0;
    std::vector<std::uint8_t> Data;

    bool operator==(const ClipboardItem&) const = default;
};

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

    // The clipboard-format side, for a paste that puts back what was there. The clipboard is
    // open for all but RegisterFormat, OfferTakers and the window's render requests.
    //
    // Every format on the clipboard whose data can be copied as bytes, in the clipboard's
    // order; a format whose data cannot be read (or is a handle of another kind) is left out.
    virtual std::vector<ClipboardItem> ReadFormats() = 0;
    // Empties the clipboard; the opening window owns it afterwards.
    virtual bool Empty() = 0;
    // Puts a copy of data on the clipboard as format.
    virtual bool Put(unsigned format, const std::vector<std::uint8_t>& data) = 0;
    // The number of a registered format (RegisterClipboardFormat); 0 when refused.
    virtual unsigned RegisterFormat(std::u16string_view name) = 0;
    // Puts CF_UNICODETEXT on the clipboard for rendering on demand: the text is handed over
    // when a program asks for it, so that the asking tells when the target took it.
    virtual bool OfferText(std::u16string text) = 0;
    // The windows that had the clipboard open when they asked for the offered text since it
    // was offered (0 where the system did not say), in order.
    virtual std::vector<HWindow> OfferTakers() = 0;
    // The window that emptied the clipboard last and so owns its contents (0: none, or one
    // opened without a window).
    virtual HWindow Owner() = 0;
};

} // namespace lumora
