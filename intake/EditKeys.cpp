#include "intake/EditKeys.h"

#include "hook/HookMessages.h"

#include <algorithm>

namespace lumora {

namespace {

// Closes the clipboard on every path once it has been opened.
class TClipboardGuard {
public:
    explicit TClipboardGuard(Clipboard& clip) : fClip(clip) {}
    TClipboardGuard(const TClipboardGuard&) = delete;
    TClipboardGuard& operator=(const TClipboardGuard&) = delete;
    ~TClipboardGuard() { fClip.Close(); }

private:
    Clipboard& fClip;
};

bool IsBreakChar(char16_t c) {
    return BreakChars.find(c) != std::u16string_view::npos;
}

std::int32_t Length(const AutoWordRec& rec) {
    return static_cast<std::int32_t>(rec.Text.size());
}

void EmptyText(AutoWordRec& rec) {
    TTracking::ResetWordRec(&rec);
}

void BackspaceRule(AutoWordRec& rec) {
    const std::int32_t p = rec.Pos;
    const std::int32_t L = Length(rec);
    // Only a lone delimiter after a word is surely gone; after a letter we cannot know what
    // the control removed, so the caret just moves back over it.
    if (L > 0 && p > 0 && p <= L && IsBreakChar(rec.Text[p - 1]) &&
        (p == 1 || !IsBreakChar(rec.Text[p - 2])) && p > rec.SentenceStart)
        rec.Text.erase(p - 1, 1);
    rec.Pos = p - 1;
}

void DeleteRule(AutoWordRec& rec) {
    const std::int32_t p = rec.Pos;
    const std::int32_t L = Length(rec);
    if (p >= 0 && p + 1 == L && IsBreakChar(rec.Text[p]) &&
        (p == 0 || !IsBreakChar(rec.Text[p - 1])) && p > rec.SentenceStart)
        rec.Text.erase(p, 1);
}

void Clamp(AutoWordRec& rec) {
    const std::int32_t L = Length(rec);
    if (rec.SelStart < 0) rec.SelStart = 0;
    if (rec.SelCount < 0) rec.SelCount = 0;
    if (rec.Text.empty()) rec.Pos = rec.SelStart = rec.SelCount = 0;
    // The selection may reach one place past the end of the text.
    if (rec.SelCount > 0 && L < rec.SelStart + rec.SelCount - 1)
        rec.SelCount = std::max(0, L - rec.SelStart + 1);
    if (rec.Pos < 0) rec.Pos = 0;
    if (rec.Pos > L) rec.Pos = L;
}

void ShiftLeft(AutoWordRec& r) {
    if (r.SelCount == 0) {
        r.SelStart = r.Pos - 1;
        r.SelCount = 1;
    } else if (r.SelStart < r.Pos) {
        r.SelCount -= 1;
    } else {
        r.SelStart = r.Pos - 1;
        r.SelCount += 1;
    }
    r.Pos -= 1;
}

void ShiftRight(AutoWordRec& r) {
    if (r.SelCount == 0) {
        r.SelStart = r.Pos;
        r.SelCount = 1;
    } else if (r.Pos > r.SelStart) {
        r.SelCount += 1;
    } else {
        r.SelCount -= 1;
        if (r.SelStart == r.Pos) r.SelStart += 1;
    }
    r.Pos += 1;
}

void ShiftHome(AutoWordRec& r) {
    if (r.SelCount == 0) {
        r.SelCount = r.Pos;
    } else if (r.SelStart < r.Pos) {
        r.SelCount = r.SelStart;
    } else {
        r.SelCount += r.Pos;
    }
    r.SelStart = 0;
    r.Pos = 0;
}

void ShiftEnd(AutoWordRec& r) {
    const std::int32_t L = Length(r);
    if (r.SelCount == 0) {
        r.SelStart = r.Pos;
        r.SelCount = L - r.Pos + 1;
    } else if (r.SelStart < r.Pos) {
        r.SelCount = L - r.SelStart + 1;
    } else {
        r.SelCount = L - (r.SelStart + r.SelCount);
        r.SelStart = L - r.SelCount;
    }
    r.Pos = L;
}

} // namespace

TEditKeys::TEditKeys(Platform& platform, TProgramState& state, TTracking& tracking)
    : fPlatform(platform), fState(state), fTracking(tracking) {}

std::uint8_t TEditKeys::ReadKeyState() {
    std::uint8_t flags = 0;
    // Low byte 1: toggled on and not held down.
    if ((fPlatform.Keys.KeyState(vk::Capital) & 0xFF) == 1) flags |= KS_CAPSLOCK;
    for (std::size_t i = 0; i < ModifierKeyTable.size(); ++i) {
        if (fPlatform.Keys.KeyState(ModifierKeyTable[i]) < 0) // high bit: down
            flags |= i < 3 ? KS_SHIFT : i < 6 ? KS_ALT : KS_CTRL;
    }
    fState.KeyStateFlags = flags;
    return flags;
}

void TEditKeys::SetPasteCanceled(bool value) {
    fState.fPasteCanceled = value;
    if (value) fPlatform.Messages.PostThreadMessage(fState.HookThreadId, WM_HOOK_BUSY, 0, 0);
}

void TEditKeys::HandleEditKey(std::uint16_t code, bool FromChar) {
    const std::uint8_t flags = ReadKeyState();
    if (code == vk::Escape) {
        SetPasteCanceled(true);
        fPlatform.Messages.PostThreadMessage(fState.HookThreadId, WM_HOOK_CANCEL, 0, 0);
        return;
    }
    if (fState.TypingActive || fPlatform.Windows.IsVisible(fState.MainWindow)) return;

    // Editing keys never create a record, and take the control as found (no Excel rule).
    const HWindow top = fTracking.FindTargetWindow();
    AutoWordRec* rec = fTracking.FindWordRec(top, fTracking.FindFocusedControl(top));
    if (!rec) return;
    if (flags & KS_ALT) return;

    const bool S = flags & KS_SHIFT;
    const bool C = flags & KS_CTRL;
    AutoWordRec& r = *rec;
    // A printable character whose code equals a key code (% is 37, Left; ( is 40, Down; $ is
    // 36, Home ...) is text, not that key: imitating the key would wreck the shadow text.
    // The control codes below 32 that Ctrl shortcuts, Backspace and Escape produce still act.
    const bool printable = FromChar && code >= 32;

    if (!printable) {
        switch (code) {
        case vk::Left:
            if (C)
                TTracking::ResetWordRec(&r);
            else if (S)
                ShiftLeft(r);
            else {
                r.SelStart = 0;
                r.SelCount = 0;
                r.Pos -= 1;
            }
            break;
        case vk::Right:
            if (C)
                TTracking::ResetWordRec(&r);
            else if (S)
                ShiftRight(r);
            else {
                r.SelStart = 0;
                r.SelCount = 0;
                r.Pos += 1;
            }
            break;
        case vk::Up: // the caret lands somewhere we cannot follow
            if (!FromChar) TTracking::ResetWordRec(&r);
            break;
        case vk::Down:
            TTracking::ResetWordRec(&r);
            break;
        case vk::Home:
            if (S)
                ShiftHome(r);
            else
                r.SelStart = r.SelCount = r.Pos = 0;
            break;
        case vk::End:
            if (S)
                ShiftEnd(r);
            else {
                r.SelStart = r.SelCount = 0;
                r.Pos = Length(r);
            }
            break;
        case 'A':
        case 1: // Ctrl+A
            if (C && !S) {
                r.SelStart = 0;
                r.SelCount = Length(r);
                r.Pos = Length(r);
            }
            break;
        case 'X':
        case 24: // Ctrl+X
            if (C && !S && r.SelCount > 0) {
                r.Corrected = true;
                EraseSelection(r);
            }
            break;
        case 'Z':
        case 26: // Ctrl+Z
            if (C && !S) TTracking::ResetWordRec(&r);
            break;
        case 'V':
        case 22: // Ctrl+V
            if (C && !S) Paste(r);
            break;
        case vk::Back:
            if (r.SelCount > 0)
                EraseSelection(r);
            else if (C)
                EmptyText(r);
            else
                BackspaceRule(r);
            break;
        case vk::Delete:
            if (r.SelCount > 0)
                EraseSelection(r);
            else if (C)
                EmptyText(r);
            else
                DeleteRule(r);
            break;
        default:
            break;
        }
    }
    Clamp(r);
}

void TEditKeys::Paste(AutoWordRec& rec) {
    // The wait handles queued input: keep the record alive and read Pos only afterwards.
    auto hold = fTracking.HoldRecords();
    std::u16string s = ReadClipboardText();
    std::u16string pasted;
    pasted.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        pasted.push_back(s[i]);
        if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i; // CR LF becomes CR
    }
    const std::int32_t at = CaretInText(rec);
    rec.Text.insert(static_cast<std::size_t>(at), pasted);
    rec.Pos = at + static_cast<std::int32_t>(pasted.size());
    rec.Corrected = true;
}

bool TEditKeys::WaitForClipboard() {
    const std::uint32_t start = fPlatform.Time.TickCount();
    while (fPlatform.Clip.OpenClipboardWindow() != 0 &&
           static_cast<std::uint32_t>(fPlatform.Time.TickCount() - start) < ClipboardWaitMs) {
        fPlatform.Time.Sleep(1);
        fPlatform.Messages.ProcessPendingMessages();
    }
    return fPlatform.Clip.OpenClipboardWindow() == 0;
}

std::u16string TEditKeys::ReadClipboardText() {
    if (!WaitForClipboard()) return {};
    if (!fPlatform.Clip.Open(fState.MainWindow)) return {};
    TClipboardGuard guard(fPlatform.Clip);
    if (fPlatform.Clip.IsFormatAvailable(CF_UNICODETEXT)) {
        if (auto text = fPlatform.Clip.UnicodeText()) return *text;
    } else if (fPlatform.Clip.IsFormatAvailable(CF_TEXT)) {
        if (auto text = fPlatform.Clip.AnsiText()) return *text;
    }
    return {};
}

} // namespace lumora
