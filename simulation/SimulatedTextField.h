#pragma once
#include "simulation/UsLayout.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>

namespace lumora::sim {

// The clipboard as a text field sees it: Ctrl+C and Ctrl+X write, Ctrl+V reads.
struct FieldClipboard {
    std::function<std::u16string()> Read;
    std::function<void(const std::u16string&)> Write;
};

// A text field that behaves like a multiline Windows edit control: it gets WM_KEYDOWN for the
// navigation and Delete keys and WM_CHAR for characters, and changes its text, caret and
// selection as the edit control does. A line break is CR LF, which the caret steps over as one.
class SimulatedTextField {
public:
    explicit SimulatedTextField(FieldClipboard clipboard = {});

    const std::u16string& Text() const { return text_; }
    std::size_t Caret() const { return caret_; }
    std::size_t SelStart() const { return std::min(anchor_, caret_); }
    std::size_t SelEnd() const { return std::max(anchor_, caret_); }
    std::u16string SelectedText() const { return text_.substr(SelStart(), SelEnd() - SelStart()); }

    // Replaces the content; the caret goes to the end.
    void SetText(std::u16string text);

    // WM_KEYDOWN: arrows, Home, End, Delete, Insert; other keys change nothing here.
    void KeyDown(std::uint8_t vk, const Modifiers& mods);
    // WM_CHAR: printable characters replace the selection; control characters are the edit
    // control's commands (Backspace, Enter, Tab, Ctrl+A/C/V/X, Ctrl+Backspace).
    void Char(char16_t ch);

private:
    void Replace(std::u16string_view with);
    void MoveTo(std::size_t pos, bool extend);
    std::size_t StepLeft(std::size_t pos) const;
    std::size_t StepRight(std::size_t pos) const;
    std::size_t WordLeft(std::size_t pos) const;
    std::size_t WordRight(std::size_t pos) const;
    std::size_t LineStart(std::size_t pos) const;
    std::size_t LineEnd(std::size_t pos) const;
    void Copy();
    void Paste();

    FieldClipboard clipboard_;
    std::u16string text_;
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0; // the other end of the selection; equal to the caret when none
};

} // namespace lumora::sim
