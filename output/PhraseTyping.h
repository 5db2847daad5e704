#pragma once
// Phrase typing: the steps of an expansion that reach the target (bring it back, erase with
// Backspaces, type the phrase), while the shadow text follows. expansion/PhraseExpansion runs
// them in order.
#include "hook/HookLink.h"
#include "output/PhraseFields.h"
#include "platform/Platform.h"
#include "tracking/TrackingRecords.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumora {

// An expansion decided by a typed character, handed from the intake to the typing-out: a copy
// of everything it needs, so that nothing the editor does meanwhile can pull it away.
struct PendingExpansion {
    std::u16string Abbreviation; // as stored; as many characters were typed before the caret
    std::u16string Trail;        // the character typed after it, retyped after the text
    std::u16string Text;         // the phrase's text as stored
    bool CapsLock = false;       // CapsLock was on when the abbreviation was typed
    // The trail is an Enter or Tab the hook library withheld: it is not in the target.
    bool TrailWithheld = false;
    std::uint32_t Report = 0; // the hook library's number of the key that decided it
    // Where it was typed: the window (0: the window in front when the typing starts) and its
    // focused control (0: whichever it has then).
    HWindow Target = 0;
    HWindow Control = 0;
    // Chosen by the user in the search window, not found in what was typed: pause and excluded
    // programs, which only keep Lumora from acting on its own, do not hold it back.
    bool Chosen = false;
    // The abbreviation as it was typed (its letter case).
    std::u16string Typed{};
    // Not 0: this takes back the expansion that typed this many characters, of which the
    // user's Backspace erased the last in the target (not in the shadow text); Text and Trail
    // are the abbreviation and its trail, typed again exactly as they were typed.
    std::int32_t Undoes = 0;
};

// Takes inShadow characters before the caret out of the current record's shadow text, as
// Backspaces take them in the target; a shorter text there is left alone.
void EraseInShadow(TrackingRecords& tracking, std::int32_t inShadow);

// Characters typed per injection: Escape is looked for between two injections.
constexpr std::size_t TypingChunk = 8;
// How long the typing waits for a target that lost the foreground to get it back.
constexpr std::uint32_t TargetWaitMs = 200;
// How long the typing waits at most for the target to take a chunk before it sends the next.
constexpr std::uint32_t PacingWaitMs = 250;

class PhraseTyping {
public:
    PhraseTyping(Platform& platform, TrackingRecords& tracking);

    // The expansion's target is in front with the same control focused, now or after asking
    // for it (up to TargetWaitMs); false when it is not.
    bool ReadyTarget(const PendingExpansion& expansion);
    // Erases count characters before the caret in the target, and the last inShadow of them
    // in the shadow text (keys typed after the abbreviation are not observed yet).
    void Erase(std::int32_t count, std::int32_t inShadow);
    // Types text and then trail into the target in its keyboard layout, mirroring each
    // character into the shadow text; Cancel stops it before the next injection.
    // A field that cannot be filled types nothing (FieldFilling.h).
    void TypeText(std::u16string_view text, std::u16string_view trail, bool capsLock = false);
    struct PreparedText;
    // Types a text whose fields are filled already; it stops before the next chunk at Cancel,
    // or when the window or control it began in is no longer in front (LeftTarget).
    void TypePrepared(const PreparedText& typed, bool capsLock = false);
    // The last typing stopped because the focus went elsewhere.
    bool LeftTarget() const { return leftTarget_; }
    // What the last TypePrepared typed: how many characters (code units), whether all of them
    // (no Escape came, the focus stayed), whether the caret went back to a {#cursor} field
    // afterwards, and whether a character took two code units (which a Backspace may erase at
    // once or by halves).
    struct TypedOut {
        std::size_t Length = 0;
        bool Complete = false;
        bool CaretMoved = false;
        bool Surrogates = false;
    };
    const TypedOut& LastTyped() const { return lastTyped_; }
    // Types text exactly as given (no fields), mirroring each character into the shadow text.
    // Escape does not stop it: what it types is what the user typed.
    void TypeExactly(std::u16string_view text, bool capsLock);
    // A pause between keys (0: none), for programs that drop keys that come fast.
    void SetKeyDelay(std::uint32_t ms) { keyDelayMs_ = ms; }
    // Types text exactly as given (keys the user typed, again), without touching the shadow
    // text: whoever observes them does that. Escape does not stop it: nothing the user typed
    // may be lost.
    void TypeAgain(std::u16string_view text);

    // An expansion is being typed out: the user's typing meanwhile is held by the hook.
    bool Active() const { return active_; }
    // Escape: stops the typing-out before its next injection.
    void Cancel() { canceled_ = true; }
    bool Canceled() const { return canceled_; }
    // A new expansion was decided: an Escape before it stops nothing.
    void ClearCancel() { canceled_ = false; }

    // The typing state for the whole of one expansion and on every path out of it.
    class ActiveScope {
    public:
        explicit ActiveScope(PhraseTyping& typing);
        ActiveScope(const ActiveScope&) = delete;
        ActiveScope& operator=(const ActiveScope&) = delete;
        ~ActiveScope();

    private:
        PhraseTyping& typing_;
    };

    // The text as it is typed: brace escapes rewritten, fields filled in (none without
    // values), line feeds dropped, trail appended; and how far the caret goes back afterwards
    // for a {#cursor} field.
    struct PreparedText {
        std::u16string Text;
        std::size_t CaretBack = 0;   // code units of Text after the cursor field
        std::size_t LeftPresses = 0; // characters of Text after it (a surrogate pair is one)
    };
    static PreparedText Prepare(std::u16string_view text, std::u16string_view trail,
                                FieldValues* values);

private:
    // Types text in chunks, mirroring into rec when given; Cancel stops it when cancelable.
    void Type(std::u16string_view text, TrackingRecord* rec, bool cancelable);
    // That window is in front with that control focused.
    bool StillAt(HWindow target, HWindow control);

    Platform& platform_;
    TrackingRecords& tracking_;
    bool active_ = false;
    bool canceled_ = false;
    bool leftTarget_ = false;
    TypedOut lastTyped_;
    std::uint32_t keyDelayMs_ = 0;
};

} // namespace lumora
