#pragma once
// Phrase typing: a matched abbreviation is erased in the target with Backspaces and the phrase
// typed in its place, key by key, while the shadow text follows.
#include "hook/HookLink.h"
#include "platform/Platform.h"
#include "tracking/TrackingRecords.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumora {

// An expansion decided by a typed character, handed from the intake to the typing-out: a copy
// of everything it needs, so that nothing the editor does meanwhile can pull it away.
struct PendingExpansion {
    std::u16string Abbreviation; // as stored; as many characters were typed before the caret
    std::u16string Trail;        // the delimiter typed after it (mode 1), retyped after the text
    std::u16string Text;         // the phrase's text as stored
    bool CapsLock = false;       // CapsLock was on when the abbreviation was typed
};

// VK_NUMPAD0 to VK_NUMPAD9, by digit.
constexpr std::array<std::int32_t, 10> NumpadKeys = {96, 97, 98, 99, 100, 101, 102, 103, 104, 105};

class PhraseTyping {
public:
    PhraseTyping(Platform& platform, const HookLink& link, TrackingRecords& tracking);

    // Erases the abbreviation (and its trail) in the target and types the phrase there. The
    // typing state and the hook's busy state cover all of it.
    void ExpandPhrase(const PendingExpansion& expansion);
    // Types text and then trail into the target in its keyboard layout, mirroring each
    // character into the shadow text; Cancel stops it before the next one.
    void TypeText(std::u16string_view text, std::u16string_view trail, bool capsLock = false);

    // An expansion is being typed out: the user's typing meanwhile is not observed.
    bool Active() const { return active_; }
    // Escape: stops the typing-out before its next character, and ends the hook's busy state.
    void Cancel();
    bool Canceled() const { return canceled_; }

    // The text as it is typed: brace escapes rewritten, trail appended, line feeds dropped.
    static std::u16string PrepareText(std::u16string_view text, std::u16string_view trail);

    // The typing state and the hook library's busy state, for the whole of one expansion and
    // on every path out of it.
    class ActiveScope {
    public:
        explicit ActiveScope(PhraseTyping& typing);
        ActiveScope(const ActiveScope&) = delete;
        ActiveScope& operator=(const ActiveScope&) = delete;
        ~ActiveScope();

    private:
        PhraseTyping& typing_;
    };

private:
    void TypeChar(char16_t c, HWindow target);

    Platform& platform_;
    const HookLink& link_;
    TrackingRecords& tracking_;
    bool active_ = false;
    bool canceled_ = false;
};

} // namespace lumora
