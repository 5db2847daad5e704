// Phrase typing: erases and types in the target, key by key in chunks, mirroring what it types
// into the shadow text.
#include "output/PhraseTyping.h"

#include "output/FieldFilling.h"
#include "output/KeySynthesis.h"

#include <algorithm>
#include <string>
#include <vector>

namespace lumora {

namespace {

// CapsLock would turn the phrase's case around: it is switched off for the typing and on
// again afterwards, also when the typing is cancelled or fails.
class CapsLockOff {
public:
    CapsLockOff(Platform& platform, bool wasOn) : platform_(platform), wasOn_(wasOn) {
        if (wasOn_) TapKey(platform_, vk::Capital);
    }
    CapsLockOff(const CapsLockOff&) = delete;
    CapsLockOff& operator=(const CapsLockOff&) = delete;
    ~CapsLockOff() {
        if (!wasOn_) return;
        try {
            TapKey(platform_, vk::Capital);
        } catch (...) {
            // Already unwinding from a failed typing-out; that failure is the one to report.
        }
    }

private:
    Platform& platform_;
    bool wasOn_;
};

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

PhraseTyping::ActiveScope::ActiveScope(PhraseTyping& typing) : typing_(typing) {
    typing_.active_ = true;
}

PhraseTyping::ActiveScope::~ActiveScope() {
    typing_.active_ = false;
}

PhraseTyping::PhraseTyping(Platform& platform, TrackingRecords& tracking)
    : platform_(platform), tracking_(tracking) {}

PhraseTyping::PreparedText PhraseTyping::Prepare(std::u16string_view text,
                                                 std::u16string_view trail, FieldValues* values) {
    const FilledText filled = FillFields(text, values);
    PreparedText out;
    out.Text.reserve(filled.Text.size() + trail.size());
    std::size_t cursor = 0;
    for (std::size_t i = 0; i < filled.Text.size(); ++i) {
        if (filled.Cursor && i == *filled.Cursor) cursor = out.Text.size();
        // A stored line break is CR LF, and CR alone is the Enter key.
        if (filled.Text[i] != u'\n') out.Text += filled.Text[i];
    }
    if (filled.Cursor && *filled.Cursor >= filled.Text.size()) cursor = out.Text.size();
    // The trail is added after, so that a line feed the user typed (Ctrl+Enter) to complete
    // the match is typed again.
    out.Text += trail;
    if (filled.Cursor) {
        out.CaretBack = out.Text.size() - cursor;
        for (std::size_t i = cursor; i < out.Text.size(); ++i)
            if (!IsLowSurrogate(out.Text[i]) || i == cursor) ++out.LeftPresses;
    }
    return out;
}

bool PhraseTyping::ReadyTarget(const PendingExpansion& expansion) {
    const HWindow target = expansion.Target;
    auto ready = [&] {
        const HWindow front = tracking_.FindTargetWindow();
        if (front == 0) return false;
        if (target == 0) return true;
        return front == target &&
               (expansion.Control == 0 || tracking_.FindFocusedControl(front) == expansion.Control);
    };
    // Still where the abbreviation was typed: at once (waiting is where other keys got in).
    if (ready()) return true;
    if (target == 0) return false;
    platform_.Input.SetForegroundWindow(target);
    const std::uint32_t start = platform_.Time.TickCount();
    while (!ready()) {
        if (static_cast<std::uint32_t>(platform_.Time.TickCount() - start) >= TargetWaitMs)
            return false;
        platform_.Time.Sleep(10);
        platform_.Messages.ProcessPendingMessages();
    }
    return true;
}

void PhraseTyping::Erase(std::int32_t count, std::int32_t inShadow) {
    SendBackspaces(platform_, count);
    EraseInShadow(tracking_, inShadow);
}

void EraseInShadow(TrackingRecords& tracking, std::int32_t inShadow) {
    if (TrackingRecord* rec = tracking.CurrentRecord()) {
        // The Backspaces took the characters before the caret; so does the shadow text, and
        // its caret goes back with them. Fewer there: the text is left alone.
        const std::int32_t caret = CaretInText(*rec);
        if (caret >= inShadow) {
            rec->Text.erase(static_cast<std::size_t>(caret - inShadow),
                            static_cast<std::size_t>(inShadow));
            rec->Pos = caret - inShadow;
        }
    }
}

void PhraseTyping::TypeText(std::u16string_view text, std::u16string_view trail, bool capsLock) {
    const FilledPhrase filled = FillPhrase(platform_, tracking_.MainWindow(), text, trail);
    if (filled.Prepared) TypePrepared(*filled.Prepared, capsLock);
}

void PhraseTyping::TypePrepared(const PreparedText& typed, bool capsLock) {
    leftTarget_ = false;
    CapsLockOff capsOff(platform_, capsLock);
    auto hold = tracking_.HoldRecords();
    TrackingRecord* rec = tracking_.CurrentRecord();
    lastTyped_ = {typed.Text.size(), false, typed.LeftPresses != 0,
                  std::any_of(typed.Text.begin(), typed.Text.end(), IsHighSurrogate)};
    Type(typed.Text, rec, true);
    lastTyped_.Complete = !canceled_ && !leftTarget_;
    if (typed.LeftPresses == 0 || canceled_ || leftTarget_) return;
    // Back to the {#cursor} field, and the shadow caret with it.
    std::vector<KeyEvent> lefts;
    for (std::size_t i = 0; i < typed.LeftPresses; ++i) {
        lefts.push_back(MakeKeyEvent(platform_, vk::Left, true, true));
        lefts.push_back(MakeKeyEvent(platform_, vk::Left, false, true));
    }
    platform_.Input.SendInputs(lefts);
    if (rec) rec->Pos = std::max(0, CaretInText(*rec) - static_cast<std::int32_t>(typed.CaretBack));
    platform_.Messages.ProcessPendingMessages();
}

void PhraseTyping::TypeExactly(std::u16string_view text, bool capsLock) {
    CapsLockOff capsOff(platform_, capsLock);
    auto hold = tracking_.HoldRecords();
    Type(text, tracking_.CurrentRecord(), false);
}

void PhraseTyping::TypeAgain(std::u16string_view text) {
    Type(text, nullptr, false);
}

void PhraseTyping::Type(std::u16string_view text, TrackingRecord* rec, bool cancelable) {
    // The window and control the phrase goes to: the typing stops when either is no longer in
    // front, so that nothing lands in a program the user moved to.
    const HWindow target = tracking_.FindTargetWindow();
    const HWindow control = target ? tracking_.FindFocusedControl(target) : 0;
    // The layout once: the target is the same for every character.
    const HLayout layout = TargetKeyboardLayout(platform_, target);
    std::vector<KeyEvent> events;
    for (std::size_t at = 0; at < text.size() && !(cancelable && canceled_);) {
        if (at > 0 && !StillAt(target, control)) {
            leftTarget_ = true;
            return;
        }
        // Slowly: one key per injection, with the pause after it.
        std::size_t n = std::min(keyDelayMs_ ? std::size_t{1} : TypingChunk, text.size() - at);
        // The two halves of a surrogate pair stay in one injection.
        if (at + n < text.size() && IsHighSurrogate(text[at + n - 1])) ++n;
        const std::u16string_view chunk = text.substr(at, n);
        events.clear();
        for (char16_t c : chunk)
            AppendCharEvents(platform_, events, c, layout);
        platform_.Input.SendInputs(events);
        if (rec) {
            // At the caret as it stands now: a click meanwhile may have reset the record.
            const std::int32_t caret = CaretInText(*rec);
            rec->Text.insert(static_cast<std::size_t>(caret), chunk);
            rec->Pos = caret + static_cast<std::int32_t>(chunk.size());
            BoundText(*rec);
        }
        at += n;
        if (keyDelayMs_) platform_.Time.Sleep(keyDelayMs_);
        // The next chunk only once the target has taken this one: the keys do not pile up in
        // its queue, so that Escape, a change of focus or the program's end stop the text
        // within a chunk or so of that moment.
        if (at < text.size() && target) platform_.Input.WaitForInputTaken(target, PacingWaitMs);
        platform_.Messages.ProcessPendingMessages();
    }
}

bool PhraseTyping::StillAt(HWindow target, HWindow control) {
    const HWindow front = tracking_.FindTargetWindow();
    return front == target && tracking_.FindFocusedControl(front) == control;
}

} // namespace lumora
