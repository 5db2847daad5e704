// A simulated text field that changes its text, caret and selection as an edit control does.
#include "simulation/SimulatedTextField.h"

#include "platform/Utf.h"

#include <algorithm>
#include <utility>

namespace lumora::sim {

namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

} // namespace

SimulatedTextField::SimulatedTextField(FieldClipboard clipboard)
    : clipboard_(std::move(clipboard)) {}

void SimulatedTextField::SetText(std::u16string text) {
    text_ = std::move(text);
    caret_ = anchor_ = text_.size();
}

// A line break and a surrogate pair are one step for the caret, as in the edit control.
std::size_t SimulatedTextField::StepLeft(std::size_t pos) const {
    if (pos == 0) return 0;
    if (pos >= 2 && text_[pos - 2] == u'\r' && text_[pos - 1] == u'\n') return pos - 2;
    if (pos >= 2 && IsHighSurrogate(text_[pos - 2]) && IsLowSurrogate(text_[pos - 1]))
        return pos - 2;
    return pos - 1;
}

std::size_t SimulatedTextField::StepRight(std::size_t pos) const {
    if (pos >= text_.size()) return text_.size();
    if (pos + 1 < text_.size() && text_[pos] == u'\r' && text_[pos + 1] == u'\n') return pos + 2;
    if (pos + 1 < text_.size() && IsHighSurrogate(text_[pos]) && IsLowSurrogate(text_[pos + 1]))
        return pos + 2;
    return pos + 1;
}

std::size_t SimulatedTextField::WordLeft(std::size_t pos) const {
    while (pos > 0 && IsSpace(text_[pos - 1]))
        --pos;
    while (pos > 0 && !IsSpace(text_[pos - 1]))
        --pos;
    return pos;
}

std::size_t SimulatedTextField::WordRight(std::size_t pos) const {
    while (pos < text_.size() && !IsSpace(text_[pos]))
        ++pos;
    while (pos < text_.size() && IsSpace(text_[pos]))
        ++pos;
    return pos;
}

std::size_t SimulatedTextField::LineStart(std::size_t pos) const {
    while (pos > 0 && text_[pos - 1] != u'\n')
        --pos;
    return pos;
}

std::size_t SimulatedTextField::LineEnd(std::size_t pos) const {
    while (pos < text_.size() && text_[pos] != u'\r')
        ++pos;
    return pos;
}

void SimulatedTextField::MoveTo(std::size_t pos, bool extend) {
    caret_ = std::min(pos, text_.size());
    if (!extend) anchor_ = caret_;
}

void SimulatedTextField::Replace(std::u16string_view with) {
    std::size_t start = SelStart();
    text_.replace(start, SelEnd() - start, with);
    caret_ = anchor_ = start + with.size();
}

void SimulatedTextField::Copy() {
    if (SelStart() != SelEnd() && clipboard_.Write) clipboard_.Write(SelectedText());
}

void SimulatedTextField::Paste() {
    if (clipboard_.Read) Replace(clipboard_.Read());
}

void SimulatedTextField::KeyDown(std::uint8_t vk, const Modifiers& mods) {
    const bool sel = SelStart() != SelEnd();
    switch (vk) {
    case simkey::Left:
        if (mods.Ctrl)
            MoveTo(WordLeft(caret_), mods.Shift);
        else if (sel && !mods.Shift)
            MoveTo(SelStart(), false);
        else
            MoveTo(StepLeft(caret_), mods.Shift);
        break;
    case simkey::Right:
        if (mods.Ctrl)
            MoveTo(WordRight(caret_), mods.Shift);
        else if (sel && !mods.Shift)
            MoveTo(SelEnd(), false);
        else
            MoveTo(StepRight(caret_), mods.Shift);
        break;
    case simkey::Home:
        MoveTo(mods.Ctrl ? 0 : LineStart(caret_), mods.Shift);
        break;
    case simkey::End:
        MoveTo(mods.Ctrl ? text_.size() : LineEnd(caret_), mods.Shift);
        break;
    case simkey::Up:
    case simkey::Down: {
        std::size_t start = LineStart(caret_);
        std::size_t column = caret_ - start;
        std::size_t target;
        if (vk == simkey::Up) {
            if (start == 0)
                target = 0;
            else {
                std::size_t prev = LineStart(start >= 2 ? start - 2 : 0); // before the CR LF
                target = std::min(prev + column, LineEnd(prev));
            }
        } else {
            std::size_t end = LineEnd(caret_);
            if (end >= text_.size())
                target = text_.size();
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
            anchor_ = mods.Ctrl ? WordRight(caret_) : StepRight(caret_);
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

void SimulatedTextField::Char(char16_t ch) {
    switch (ch) {
    case 8: // Backspace
        if (SelStart() == SelEnd()) anchor_ = StepLeft(caret_);
        Replace(u"");
        return;
    case 127: // Ctrl+Backspace takes the word before the caret
        if (SelStart() == SelEnd()) anchor_ = WordLeft(caret_);
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
        anchor_ = 0;
        caret_ = text_.size();
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

} // namespace lumora::sim
