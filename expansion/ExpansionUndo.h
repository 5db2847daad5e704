#pragma once
// Undo with Backspace: the expansion typed last can be taken back by one Backspace pressed
// right after it, before anything else was typed or clicked. The user's Backspace reaches the
// target as usual and erases the last character of the phrase; the undo erases the rest and
// types the abbreviation and its trail again, as they were typed.
#include "output/PhraseTyping.h"
#include "platform/Types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace lumora {

// A Backspace this long after the expansion is an ordinary one: the user has paused, and
// may well have forgotten what the phrase replaced.
constexpr std::uint32_t UndoWaitMs = 3000;
// An expansion that typed more characters than this is not taken back: every character is
// erased with a Backspace of its own, and the more there are, the likelier the target changed
// some of them (a pasted phrase, which the target may reflow, counts the same).
constexpr std::size_t UndoMaxLength = 1000;

class ExpansionUndo {
public:
    // An expansion was typed out: it may be undone, unless it was chosen in the search window
    // (nothing was typed for it), cut short by Escape, left the caret at a {#cursor} field,
    // holds a character of two code units (targets differ on how many Backspaces erase it), or
    // was too long.
    void ExpansionTyped(const PendingExpansion& expansion, const PhraseTyping::TypedOut& typed,
                        HWindow target, HWindow control, std::uint32_t now);
    // Anything other than the undoing Backspace: a key, a character, a click.
    void Disarm() {
        armed_.reset();
        undone_ = false;
    }
    // The user pressed Backspace (alone) in target and control: the undo it decides, if the
    // expansion before it may be taken back. Either way nothing is left to undo after it.
    std::optional<PendingExpansion> BackspacePressed(HWindow target, HWindow control,
                                                     std::uint32_t now);
    bool Armed() const { return armed_.has_value(); }

    // An undo was typed: the abbreviation stands before the caret again, and the next
    // character must not expand it right away. True once, then false.
    void Undone() { undone_ = true; }
    bool TakeUndone() { return std::exchange(undone_, false); }

private:
    struct Undoable {
        std::u16string Typed;
        std::u16string Trail;
        std::int32_t Length = 0; // characters the expansion typed
        bool CapsLock = false;
        HWindow Target = 0;
        HWindow Control = 0;
        std::uint32_t At = 0;
    };
    std::optional<Undoable> armed_;
    bool undone_ = false;
};

} // namespace lumora
