#include "simulation/SimulatedTextField.h"

#include "platform/Utf.h"

#include <algorithm>
#include <utility>

namespace lumora::fakes {

namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

FakeTextField::FakeTextField(FieldClipboard clipboard) : fClipboard(std::move(clipboard)) {}

void FakeTextField::SetText(std::u16string text) {
    fText = std::move(text);
    fCaret = fAnchor = fText.size();
}

// A line break and a surrogate pair are one step for the caret, as in the edit control.
std::size_t FakeTextField::StepLeft(std::size_t pos) const {
    if (pos == 0) return 0;
    if (pos >= 2 && fText[pos - 2] == u'\r' && fText[pos - 1] == u'\n') return pos - 2;
    if (pos >= 2 && IsHighSurrogate(fText[pos - 2]) && IsLowSurrogate(fText[pos - 1]))
        return pos - 2;
    return pos - 1;
}

std::size_t FakeTextField::StepRight(std::size_t pos) const {
    if (pos >= fText.size()) return fText.size();
    if (pos + 1 < fText.size() && fText[pos] == u'\r' && fText[pos + 1] == u'\n') return pos + 2;
    if (pos + 1 < fText.size() && IsHighSurrogate(fText[pos]) && IsLowSurrogate(fText[pos + 1]))
        return pos + 2;
    return pos + 1;
}

std::size_t FakeTextField::WordLeft(std::size_t pos) const {
    while (pos > 0 && IsSpace(fText[pos - 1]))
        --pos;
    while (pos > 0 && !IsSpace(fText[pos - 1]))
        --pos;
    return pos;
}

std::size_t FakeTextField::WordRight(std::size_t pos) const {
    while (pos < fText.size() && !IsSpace(fText[pos]))
        ++pos;
    while (pos < fText.size() && IsSpace(fText[pos]))
        ++pos;
    return pos;
}

std::size_t FakeTextField::LineStart(std::size_t pos) const {
    while (pos > 0 && fText[pos - 1] != u'\n')
        --pos;
    return pos;
}

std::size_t FakeTextField::LineEnd(std::size_t pos) const {
    while (pos < fText.size() && fText[pos] != u'\r')
        ++pos;
    return pos;
}

void FakeTextField::MoveTo(std::size_t pos, bool extend) {
    fCaret = std::min(pos, fText.size());
    if (!extend) fAnchor = fCaret;
}

void FakeTextField::Replace(std::u16string_view with) {
    std::size_t start = SelStart();
    fText.replace(start, SelEnd() - start, with);
    fCaret = fAnchor = start + with.size();
}

void FakeTextField::Copy() {
    if (SelStart() != SelEnd() && fClipboard.Write) fClipboard.Write(SelectedText());
}

void FakeTextField::Paste() {
    if (fClipboard.Read) Replace(fClipboard.Read());
}

void FakeTextField::KeyDown(std::uint8_t vk, const Modifiers& mods) {
    const bool sel = SelStart() != SelEnd();
    switch (vk) {
    case simkey::Left:
        if (mods.Ctrl)
            MoveTo(WordLeft(fCaret), mods.Shift);
        else if (sel && !mods.Shift)
            MoveTo(SelStart(), false);
        else
            MoveTo(StepLeft(fCaret), mods.Shift);
        break;
    case simkey::Right:
        if (mods.Ctrl)
            MoveTo(WordRight(fCaret), mods.Shift);
        else if (sel && !mods.Shift)
            MoveTo(SelEnd(), false);
        else
            MoveTo(StepRight(fCaret), mods.Shift);
        break;
    case simkey::Home:
        MoveTo(mods.Ctrl ? 0 : LineStart(fCaret), mods.Shift);
        break;
    case simkey::End:
        MoveTo(mods.Ctrl ? fText.size() : LineEnd(fCaret), mods.Shift);
        break;
    case simkey::Up:
    case simkey::Down: {
        std::size_t start = LineStart(fCaret);
        std::size_t column = fCaret - start;
        std::size_t target;
        if (vk == simkey::Up) {
            if (start == 0)
                target = 0;
            else {
                std::size_t prev = LineStart(start >= 2 ? start - 2 : 0); // before the CR LF
                target = std::min(prev + column, LineEnd(prev));
            }
        } else {
            std::size_t end = LineEnd(fCaret);
            if (end >= fText.size())
                target = fText.size();
            else {
                std::size_t next = end + 2;
                target = std::min(next + column, LineEnd(next));
            }
        }
        MoveTo(target, mods.Shift);
        break;
    }
    case simkey::Delete:
        if (mods.Shift && !mods.Ctrl) { // Shift+Delete is cut
            Copy();
            Replace(u"");
        } else if (sel) {
            Replace(u"");
        } else {
            fAnchor = mods.Ctrl ? WordRight(fCaret) : StepRight(fCaret);
            Replace(u"");
        }
        break;
    case 0x2D: // Insert: Ctrl copies, Shift pastes
        if (mods.Ctrl)
            Copy();
        else if (mods.Shift)
            Paste();
        break;
    default:
        break;
    }
}

void FakeTextField::Char(char16_t ch) {
    switch (ch) {
    case 8: // Backspace
        if (SelStart() == SelEnd()) fAnchor = StepLeft(fCaret);
        Replace(u"");
        return;
    case 127: // Ctrl+Backspace takes the word before the caret
        if (SelStart() == SelEnd()) fAnchor = WordLeft(fCaret);
        Replace(u"");
        return;
    case 13:
    case 10:
        Replace(u"\r\n");
        return;
    case 9:
        Replace(u"\t");
        return;
    case 1: // Ctrl+A
        fAnchor = 0;
        fCaret = fText.size();
        return;
    case 3: // Ctrl+C
        Copy();
        return;
    case 22: // Ctrl+V
        Paste();
        return;
    case 24: // Ctrl+X
        Copy();
        Replace(u"");
        return;
    default:
        if (ch < 32) return; // Escape, Ctrl+Z and the rest are no text
        Replace(std::u16string_view(&ch, 1));
        return;
    }
}

} // namespace lumora::fakes
