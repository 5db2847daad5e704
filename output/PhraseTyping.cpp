#include "output/PhraseTyping.h"

#include "hook/HookMessages.h"
#include "data/Phrase.h"
#include "output/KeySynthesis.h"

#include <string>

namespace lumora {

namespace {

// TypingActive and the hook library's busy state, for the whole of one expansion and on every
// path out of it.
class TypingGuard {
public:
    TypingGuard(Platform& platform, ProgramState& state) : platform_(platform), state_(state) {
        state_.TypingActive = true;
        platform_.Messages.PostThreadMessage(state_.HookThreadId, WM_HOOK_BUSY, 1, 0);
    }
    TypingGuard(const TypingGuard&) = delete;
    TypingGuard& operator=(const TypingGuard&) = delete;
    ~TypingGuard() {
        platform_.Messages.PostThreadMessage(state_.HookThreadId, WM_HOOK_BUSY, 0, 0);
        state_.TypingActive = false;
    }

private:
    Platform& platform_;
    ProgramState& state_;
};

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

void ReplaceAll(std::u16string& s, std::u16string_view from, std::u16string_view to) {
    for (std::size_t at = s.find(from); at != std::u16string::npos;
         at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

// Enter and Tab that complete a match were withheld from the target by the hook library and
// left out of the shadow text, so there is nothing of them to erase.
bool TrailWasWithheld(std::u16string_view trail) {
    return trail == u"\r" || trail == u"\t";
}

} // namespace

PhraseTyping::PhraseTyping(Platform& platform, ProgramState& state, TrackingRecords& tracking,
                             EditKeys& editKeys)
    : platform_(platform), state_(state), tracking_(tracking), editKeys_(editKeys) {}

std::u16string PhraseTyping::PrepareText(std::u16string_view Text, std::u16string_view Trail) {
    std::u16string s(Text);
    ReplaceAll(s, u"\\\\\\}", u"}");
    ReplaceAll(s, u"\\\\\\{#", u"{#");
    // A stored line break is CR LF, and CR alone is the Enter key. The trail is added after,
    // so that a line feed the user typed (Ctrl+Enter) to complete the match is typed again.
    std::erase(s, u'\n');
    s += Trail;
    return s;
}

void PhraseTyping::ExpandPhrase(const Phrase* Phrase) {
    if (!Phrase) return;
    // A second WM_EXPAND for the same match is handled inside this one's key sending (pending
    // messages are handled after every key); it must not type the phrase a second time.
    if (state_.TypingActive) return;

    TypingGuard typing(platform_, state_);
    auto hold = tracking_.HoldRecords();
    // Copies: handlers run while keys are sent.
    const std::u16string text = Phrase->Text();
    const std::u16string trail = state_.PendingTrail;

    const HWindow Target = ActivateTarget(platform_, tracking_);
    const auto N = static_cast<std::int32_t>(state_.PendingMatch.size() +
                                             (TrailWasWithheld(trail) ? 0 : trail.size()));
    SendBackspaces(platform_, Target, N);
    if (TrackingRecord* rec = tracking_.CurrentRecord()) {
        // The Backspaces took the N characters before the caret; so does the shadow text, and
        // its caret goes back with them. Fewer than N there: the text is left alone.
        const std::int32_t caret = CaretInText(*rec);
        if (caret >= N) {
            rec->Text.erase(static_cast<std::size_t>(caret - N), static_cast<std::size_t>(N));
            rec->Pos = caret - N;
        }
    }
    editKeys_.SetPasteCanceled(false);
    TypeText(text, trail);

    state_.PendingMatch.clear();
    state_.PendingTrail.clear();
    state_.PendingPhrase = nullptr;
}

void PhraseTyping::TypeText(std::u16string_view Text, std::u16string_view Trail) {
    const HWindow Target = tracking_.FindTargetWindow();
    CapsLockOff capsOff(platform_, (state_.KeyStateFlags & KS_CAPSLOCK) != 0);
    const std::u16string S = PrepareText(Text, Trail);

    auto hold = tracking_.HoldRecords();
    TrackingRecord* Rec = tracking_.CurrentRecord();
    for (char16_t C : S) {
        if (state_.PasteCanceled) break;
        TypeChar(C, Target);
        if (Rec) {
            // At the caret as it stands now: a click meanwhile may have reset the record.
            const std::int32_t at = CaretInText(*Rec);
            Rec->Text.insert(static_cast<std::size_t>(at), 1, C);
            Rec->Pos = at + 1;
        }
    }
}

void PhraseTyping::TypeChar(char16_t C, HWindow Target) {
    const HLayout layout = TargetKeyboardLayout(platform_, Target);
    const std::int16_t K = platform_.Layouts.VkKeyScan(C, layout);
    if (K >= 0) {
        std::vector<std::int32_t> keys;
        if (K & 0x100) keys.push_back(vk::Shift);
        if (K & 0x200) keys.push_back(vk::Control);
        if (K & 0x400) keys.push_back(vk::RMenu);
        keys.push_back(K & 0xFF);
        SendKeys(platform_, keys, true, false);
        SendKeys(platform_, keys, false, false);
    } else if (K == -1 && C <= 0xFF) {
        // Alt with "0" and the decimal code on the keypad: the ANSI code page, which agrees
        // with Unicode below 256 except for 128 to 159.
        std::string digits(1, '0');
        digits += std::to_string(static_cast<unsigned>(C));
        SendKeys(platform_, {vk::RMenu}, true, false);
        for (char d : digits)
            TapKey(platform_, NumpadKeys[static_cast<std::size_t>(d - '0')]);
        SendKeys(platform_, {vk::RMenu}, false, false);
    } else if (K == -1) {
        // Above 255 an Alt code would be read in the ANSI code page and type something else
        // (each half of a surrogate pair worse): the code unit goes as a Unicode key event.
        SendUnicodeUnit(platform_, C);
    }
}

} // namespace lumora
