// Reads the clipboard's text, waiting a little for another window to let go of it.
#include "output/ClipboardText.h"

namespace lumora {

namespace {

// Closes the clipboard on every path once it has been opened.
class ClipboardGuard {
public:
    explicit ClipboardGuard(Clipboard& clip) : clip_(clip) {}
    ClipboardGuard(const ClipboardGuard&) = delete;
    ClipboardGuard& operator=(const ClipboardGuard&) = delete;
    ~ClipboardGuard() { clip_.Close(); }

private:
    Clipboard& clip_;
};

} // namespace

bool OpenClipboardWithin(Platform& platform, HWindow owner, std::uint32_t waitMs) {
    const std::uint32_t start = platform.Time.TickCount();
    for (;;) {
        if (platform.Clip.Open(owner)) return true;
        if (static_cast<std::uint32_t>(platform.Time.TickCount() - start) >= waitMs) return false;
        platform.Time.Sleep(1);
        platform.Messages.ProcessPendingMessages();
    }
}

std::u16string ReadClipboardText(Platform& platform, HWindow owner) {
    return TryReadClipboardText(platform, owner, ClipboardWaitMs).value_or(u"");
}

std::optional<std::u16string> TryReadClipboardText(Platform& platform, HWindow owner,
                                                   std::uint32_t waitMs) {
    if (!OpenClipboardWithin(platform, owner, waitMs)) return std::nullopt;
    ClipboardGuard guard(platform.Clip);
    if (platform.Clip.IsFormatAvailable(CF_UNICODETEXT)) {
        if (auto text = platform.Clip.UnicodeText()) return *text;
    } else if (platform.Clip.IsFormatAvailable(CF_TEXT)) {
        if (auto text = platform.Clip.AnsiText()) return *text;
    }
    return std::u16string();
}

} // namespace lumora
