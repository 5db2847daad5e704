// Shadow text editing: imitates each editing key on the tracking record of its control.
#include "intake/EditKeys.h"

#include "hook/HookMessages.h"
#include "output/ClipboardText.h"

#include <algorithm>

namespace lumora {

namespace {

bool IsBreakChar(char16_t c) {
    return BreakChars.find(c) != std::u16string_view::npos;
}

std::int32_t Length(const TrackingRecord& rec) {
    return static_cast<std::int32_t>(rec.Text.size());
}

void EmptyText(TrackingRecord& rec) {
    TrackingRecords::ResetRecord(&rec);
}

void BackspaceRule(TrackingRecord& rec) {
    const std::int32_t p = rec.Pos;
    const std::int32_t L = Length(rec);
    // Only a lone delimiter after a word is surely gone; after a letter we cannot know what
    // the control removed, so the caret just moves back over it.
    if (L > 0 && p > 0 && p <= L && IsBreakChar(rec.Text[p - 1]) &&
        (p == 1 || !IsBreakChar(rec.Text[p - 2])))
        rec.Text.erase(p - 1, 1);
    rec.Pos = p - 1;
}

void DeleteRule(TrackingRecord& rec) {
    const std::int32_t p = rec.Pos;
    const std::int32_t L = Length(rec);
    // At the start of the text nothing tells a lone delimiter from the end of a word.
    if (p > 0 && p + 1 == L && IsBreakChar(rec.Text[p]) && !IsBreakChar(rec.Text[p - 1]))
        rec.Text.erase(p, 1);
}

void Clamp(TrackingRecord& rec) {
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

void ShiftLeft(TrackingRecord& r) {
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

void ShiftHome(TrackingRecord& r) {
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

} // namespace

EditKeys::EditKeys(Platform& platform, const HookLink& link, TrackingRecords& tracking,
                   PhraseTyping& typing)
    : platform_(platform), link_(link), tracking_(tracking), typing_(typing) {}

KeyFlags EditKeys::ReadKeyState() {
    KeyFlags flags;
    // Low byte 1: toggled on and not held down.
    flags.CapsLock = (platform_.Keys.KeyState(vk::Capital) & 0xFF) == 1;
    auto down = [this](int vk) { return platform_.Keys.KeyState(vk) < 0; }; // high bit
    flags.Shift = down(vk::LShift) || down(vk::RShift) || down(vk::Shift);
    flags.Alt = down(vk::LMenu) || down(vk::RMenu) || down(vk::Menu);
    flags.Ctrl = down(vk::LControl) || down(vk::RControl) || down(vk::Control);
    latest_ = flags;
    return flags;
}

void EditKeys::HandleEditKey(std::uint16_t code, bool fromChar) {
    const KeyFlags flags = ReadKeyState();
    if (code == vk::Escape) {
        typing_.Cancel();
        return;
    }
    if (typing_.Active() || platform_.Windows.IsVisible(link_.MainWindow)) return;

    // Editing keys never create a record, and take the control as found (no Excel rule).
    TrackingRecord* rec = tracking_.RecordForEditing();
    if (!rec) return;
    // The hook library could not tell what an accent made of the key after it.
    if (!fromChar && code == ForgetTextKey) {
        TrackingRecords::ResetRecord(rec);
        return;
    }
    if (flags.Alt) return;

    const bool shift = flags.Shift;
    const bool ctrl = flags.Ctrl;
    TrackingRecord& r = *rec;
    // A printable character whose code equals a key code (% is 37, Left; ( is 40, Down; $ is
    // 36, Home ...) is text, not that key: imitating the key would wreck the shadow text.
    // The control codes below 32 that Ctrl shortcuts, Backspace and Escape produce still act.
    const bool printable = fromChar && code >= 32;

    // The record vouches only for the text before the caret (Backspace and Delete leave what
    // they took after it, and Home, Left at its start or a click put unseen text there). A key
    // that takes the caret where the record cannot follow empties it, as a click does: the
    // Backspaces of an expansion must never erase text the record has not seen.
    if (!printable) {
        switch (code) {
        case vk::Left:
            // Ctrl moves by words; a selection collapses to one of its ends, by the control's
            // own rule.
            if (ctrl || (!shift && r.SelCount > 0))
                TrackingRecords::ResetRecord(&r);
            else if (shift)
                ShiftLeft(r);
            else
                r.Pos -= 1;
            break;
        case vk::Right: // into the text after the caret (and past its end)
        case vk::End:   // to the end of the line, or with Ctrl of the text
        case vk::Down:
        case vk::Prior: // Page Up
        case vk::Next:  // Page Down
            TrackingRecords::ResetRecord(&r);
            break;
        case vk::Up: // the caret lands somewhere we cannot follow
            if (!fromChar) TrackingRecords::ResetRecord(&r);
            break;
        case vk::Home: // nothing before the caret is claimed afterwards
            if (shift)
                ShiftHome(r);
            else
                r.SelStart = r.SelCount = r.Pos = 0;
            break;
        case 'A':
        case 1: // Ctrl+A: the caret goes to the end of text the record has not all seen; what
                // replaces the selection next is all the field holds, as in an empty record
        case 'Z':
        case 26: // Ctrl+Z, and with Shift redo
        case 'Y':
        case 25: // Ctrl+Y, redo
            if (ctrl) TrackingRecords::ResetRecord(&r);
            break;
        case 'X':
        case 24: // Ctrl+X
            if (ctrl && !shift && r.SelCount > 0)
                EraseSelection(r);
            else if (ctrl && shift)
                TrackingRecords::ResetRecord(&r);
            break;
        case 'V':
        case 22: // Ctrl+V; with Shift a paste of another kind, or none
            if (ctrl && !shift)
                Paste(r);
            else if (ctrl && shift)
                TrackingRecords::ResetRecord(&r);
            break;
        case vk::Insert: // Shift+Insert pastes as well
            if (shift && !ctrl) Paste(r);
            break;
        case vk::Back:
            if (r.SelCount > 0)
                EraseSelection(r);
            else if (ctrl)
                EmptyText(r);
            else
                BackspaceRule(r);
            break;
        case vk::Delete:
            if (r.SelCount > 0)
                EraseSelection(r);
            else if (ctrl)
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

void EditKeys::Paste(TrackingRecord& rec) {
    // The wait handles queued input: keep the record alive and read it only afterwards.
    auto hold = tracking_.HoldRecords();
    std::u16string s = ReadClipboardText(platform_, link_.MainWindow);
    if (s.empty()) {
        // Nothing we could read: the control may still have pasted (it got the clipboard after
        // our wait), or replaced its selection with nothing.
        TrackingRecords::ResetRecord(&rec);
        return;
    }
    std::u16string pasted;
    pasted.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        pasted.push_back(s[i]);
        if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i; // CR LF becomes CR
    }
    // The pasted text takes the place of the selection, as in the control.
    if (rec.SelCount > 0) EraseSelection(rec);
    const std::int32_t at = CaretInText(rec);
    rec.Text.insert(static_cast<std::size_t>(at), pasted);
    rec.Pos = at + static_cast<std::int32_t>(pasted.size());
    BoundText(rec);
}

} // namespace lumora
