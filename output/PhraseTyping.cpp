#include "output/PhraseTyping.h"

#include "output/KeySynthesis.h"

#include <string>

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

PhraseTyping::ActiveScope::ActiveScope(PhraseTyping& typing) : typing_(typing) {
    typing_.active_ = true;
    typing_.platform_.Messages.PostThreadMessage(typing_.link_.HookThread, WM_HOOK_BUSY, 1, 0);
}

PhraseTyping::ActiveScope::~ActiveScope() {
    typing_.platform_.Messages.PostThreadMessage(typing_.link_.HookThread, WM_HOOK_BUSY, 0, 0);
    typing_.active_ = false;
}

PhraseTyping::PhraseTyping(Platform& platform, const HookLink& link, TrackingRecords& tracking)
    : platform_(platform), link_(link), tracking_(tracking) {}

void PhraseTyping::Cancel() {
    canceled_ = true;
    platform_.Messages.PostThreadMessage(link_.HookThread, WM_HOOK_BUSY, 0, 0);
}

std::u16string PhraseTyping::PrepareText(std::u16string_view text, std::u16string_view trail) {
    std::u16string s(text);
    ReplaceAll(s, u"\\\\\\}", u"}");
    ReplaceAll(s, u"\\\\\\{#", u"{#");
    // A stored line break is CR LF, and CR alone is the Enter key. The trail is added after,
    // so that a line feed the user typed (Ctrl+Enter) to complete the match is typed again.
    std::erase(s, u'\n');
    s += trail;
    return s;
}

void PhraseTyping::ExpandPhrase(const PendingExpansion& expansion) {
    // A second WM_EXPAND is handled inside this one's key sending (pending messages are handled
    // after every key); it must not start a second typing-out in the middle of this one.
    if (active_) return;

    ActiveScope typing(*this);
    auto hold = tracking_.HoldRecords();

    const HWindow target = ActivateTarget(platform_, tracking_);
    const auto count =
        static_cast<std::int32_t>(expansion.Abbreviation.size() +
                                  (TrailWasWithheld(expansion.Trail) ? 0 : expansion.Trail.size()));
    SendBackspaces(platform_, target, count);
    if (TrackingRecord* rec = tracking_.CurrentRecord()) {
        // The Backspaces took the characters before the caret; so does the shadow text, and
        // its caret goes back with them. Fewer there: the text is left alone.
        const std::int32_t caret = CaretInText(*rec);
        if (caret >= count) {
            rec->Text.erase(static_cast<std::size_t>(caret - count),
                            static_cast<std::size_t>(count));
            rec->Pos = caret - count;
        }
    }
    // An Escape before this point stopped nothing: the typing-out starts now.
    canceled_ = false;
    TypeText(expansion.Text, expansion.Trail, expansion.CapsLock);
}

void PhraseTyping::TypeText(std::u16string_view text, std::u16string_view trail, bool capsLock) {
    const HWindow target = tracking_.FindTargetWindow();
    CapsLockOff capsOff(platform_, capsLock);
    const std::u16string typed = PrepareText(text, trail);

    auto hold = tracking_.HoldRecords();
    TrackingRecord* rec = tracking_.CurrentRecord();
    for (char16_t c : typed) {
        if (canceled_) break;
        TypeChar(c, target);
        if (rec) {
            // At the caret as it stands now: a click meanwhile may have reset the record.
            const std::int32_t at = CaretInText(*rec);
            rec->Text.insert(static_cast<std::size_t>(at), 1, c);
            rec->Pos = at + 1;
        }
    }
}

void PhraseTyping::TypeChar(char16_t c, HWindow target) {
    const HLayout layout = TargetKeyboardLayout(platform_, target);
    const std::int16_t scan = platform_.Layouts.VkKeyScan(c, layout);
    if (scan >= 0) {
        // High byte: the shift state the layout needs for the character.
        std::vector<std::int32_t> keys;
        if (scan & 0x100) keys.push_back(vk::Shift);
        if (scan & 0x200) keys.push_back(vk::Control);
        if (scan & 0x400) keys.push_back(vk::RMenu);
        keys.push_back(scan & 0xFF);
        SendKeys(platform_, keys, true, false);
        SendKeys(platform_, keys, false, false);
    } else if (scan == -1 && c <= 0xFF) {
        // Alt with "0" and the decimal code on the keypad: the ANSI code page, which agrees
        // with Unicode below 256 except for 128 to 159.
        std::string digits(1, '0');
        digits += std::to_string(static_cast<unsigned>(c));
        SendKeys(platform_, {vk::RMenu}, true, false);
        for (char d : digits)
            TapKey(platform_, NumpadKeys[static_cast<std::size_t>(d - '0')]);
        SendKeys(platform_, {vk::RMenu}, false, false);
    } else if (scan == -1) {
        // Above 255 an Alt code would be read in the ANSI code page and type something else
        // (each half of a surrogate pair worse): the code unit goes as a Unicode key event.
        SendUnicodeUnit(platform_, c);
    }
}

} // namespace lumora
