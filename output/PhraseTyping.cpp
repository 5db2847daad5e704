#include "output/PhraseTyping.h"

#include "hook/HookMessages.h"
#include "data/Phrase.h"
#include "output/KeySynthesis.h"

#include <string>

namespace lumora {

namespace {

// TypingActive and the hook library's busy state, for the whole of one expansion and on every
// path out of it.
class TTypingGuard {
public:
    TTypingGuard(Platform& platform, TProgramState& state) : fPlatform(platform), fState(state) {
        fState.TypingActive = true;
        fPlatform.Messages.PostThreadMessage(fState.HookThreadId, WM_HOOK_BUSY, 1, 0);
    }
    TTypingGuard(const TTypingGuard&) = delete;
    TTypingGuard& operator=(const TTypingGuard&) = delete;
    ~TTypingGuard() {
        fPlatform.Messages.PostThreadMessage(fState.HookThreadId, WM_HOOK_BUSY, 0, 0);
        fState.TypingActive = false;
    }

private:
    Platform& fPlatform;
    TProgramState& fState;
};

// CapsLock would turn the phrase's case around: it is switched off for the typing and on
// again afterwards, also when the typing is cancelled or fails.
class TCapsLockOff {
public:
    TCapsLockOff(Platform& platform, bool wasOn) : fPlatform(platform), fWasOn(wasOn) {
        if (fWasOn) TapKey(fPlatform, vk::Capital);
    }
    TCapsLockOff(const TCapsLockOff&) = delete;
    TCapsLockOff& operator=(const TCapsLockOff&) = delete;
    ~TCapsLockOff() {
        if (!fWasOn) return;
        try {
            TapKey(fPlatform, vk::Capital);
        } catch (...) {
            // Already unwinding from a failed typing-out; that failure is the one to report.
        }
    }

private:
    Platform& fPlatform;
    bool fWasOn;
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

TPhraseTyping::TPhraseTyping(Platform& platform, TProgramState& state, TTracking& tracking,
                             TEditKeys& editKeys)
    : fPlatform(platform), fState(state), fTracking(tracking), fEditKeys(editKeys) {}

std::u16string TPhraseTyping::PrepareText(std::u16string_view Text, std::u16string_view Trail) {
    std::u16string s(Text);
    ReplaceAll(s, u"\\\\\\}", u"}");
    ReplaceAll(s, u"\\\\\\{#", u"{#");
    // A stored line break is CR LF, and CR alone is the Enter key. The trail is added after,
    // so that a line feed the user typed (Ctrl+Enter) to complete the match is typed again.
    std::erase(s, u'\n');
    s += Trail;
    return s;
}

void TPhraseTyping::ExpandPhrase(const TMiniData* Phrase) {
    if (!Phrase) return;
    // A second WM_EXPAND for the same match is handled inside this one's key sending (pending
    // messages are handled after every key); it must not type the phrase a second time.
    if (fState.TypingActive) return;

    TTypingGuard typing(fPlatform, fState);
    auto hold = fTracking.HoldRecords();
    // Copies: handlers run while keys are sent.
    const std::u16string text = Phrase->Text();
    const std::u16string trail = fState.PendingTrail;

    const HWindow Target = ActivateTarget(fPlatform, fTracking);
    const auto N = static_cast<std::int32_t>(fState.PendingMatch.size() +
                                             (TrailWasWithheld(trail) ? 0 : trail.size()));
    SendBackspaces(fPlatform, Target, N);
    if (AutoWordRec* rec = fTracking.CurrentWordRec()) {
        // The Backspaces took the N characters before the caret; so does the shadow text, and
        // its caret goes back with them. Fewer than N there: the text is left alone.
        const std::int32_t caret = CaretInText(*rec);
        if (caret >= N) {
            rec->Text.erase(static_cast<std::size_t>(caret - N), static_cast<std::size_t>(N));
            rec->Pos = caret - N;
        }
    }
    fEditKeys.SetPasteCanceled(false);
    TypeText(text, trail);

    fState.PendingMatch.clear();
    fState.PendingTrail.clear();
    fState.PendingPhrase = nullptr;
}

void TPhraseTyping::TypeText(std::u16string_view Text, std::u16string_view Trail) {
    const HWindow Target = fTracking.FindTargetWindow();
    TCapsLockOff capsOff(fPlatform, (fState.KeyStateFlags & KS_CAPSLOCK) != 0);
    const std::u16string S = PrepareText(Text, Trail);

    auto hold = fTracking.HoldRecords();
    AutoWordRec* Rec = fTracking.CurrentWordRec();
    for (char16_t C : S) {
        if (fState.fPasteCanceled) break;
        TypeChar(C, Target);
        if (Rec) {
            // At the caret as it stands now: a click meanwhile may have reset the record.
            const std::int32_t at = CaretInText(*Rec);
            Rec->Text.insert(static_cast<std::size_t>(at), 1, C);
            Rec->Pos = at + 1;
        }
    }
}

void TPhraseTyping::TypeChar(char16_t C, HWindow Target) {
    const HLayout layout = TargetKeyboardLayout(fPlatform, Target);
    const std::int16_t K = fPlatform.Layouts.VkKeyScan(C, layout);
    if (K >= 0) {
        std::vector<std::int32_t> keys;
        if (K & 0x100) keys.push_back(vk::Shift);
        if (K & 0x200) keys.push_back(vk::Control);
        if (K & 0x400) keys.push_back(vk::RMenu);
        keys.push_back(K & 0xFF);
        SendKeys(fPlatform, keys, true, false);
        SendKeys(fPlatform, keys, false, false);
    } else if (K == -1 && C <= 0xFF) {
        // Alt with "0" and the decimal code on the keypad: the ANSI code page, which agrees
        // with Unicode below 256 except for 128 to 159.
        std::string digits(1, '0');
        digits += std::to_string(static_cast<unsigned>(C));
        SendKeys(fPlatform, {vk::RMenu}, true, false);
        for (char d : digits)
            TapKey(fPlatform, NumpadKeys[static_cast<std::size_t>(d - '0')]);
        SendKeys(fPlatform, {vk::RMenu}, false, false);
    } else if (K == -1) {
        // Above 255 an Alt code would be read in the ANSI code page and type something else
        // (each half of a surrogate pair worse): the code unit goes as a Unicode key event.
        SendUnicodeUnit(fPlatform, C);
    }
}

} // namespace lumora
