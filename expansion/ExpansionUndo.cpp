// Undo with Backspace: remembers the expansion typed last and turns a Backspace right after it
// into the expansion that takes it back.
#include "expansion/ExpansionUndo.h"

namespace lumora {

void ExpansionUndo::ExpansionTyped(const PendingExpansion& expansion,
                                   const PhraseTyping::TypedOut& typed, HWindow target,
                                   HWindow control, std::uint32_t now) {
    armed_.reset();
    if (expansion.Chosen || expansion.Undoes != 0 || !typed.Complete || typed.CaretMoved ||
        typed.Surrogates || typed.Length == 0 || typed.Length > UndoMaxLength ||
        expansion.Typed.empty())
        return;
    armed_ = Undoable{expansion.Typed,
                      expansion.Trail,
                      static_cast<std::int32_t>(typed.Length),
                      expansion.CapsLock,
                      target,
                      control,
                      now};
}

std::optional<PendingExpansion> ExpansionUndo::BackspacePressed(HWindow target, HWindow control,
                                                                std::uint32_t now) {
    const std::optional<Undoable> armed = std::exchange(armed_, std::nullopt);
    if (!armed || target != armed->Target || control != armed->Control ||
        static_cast<std::uint32_t>(now - armed->At) > UndoWaitMs)
        return std::nullopt;
    PendingExpansion undo;
    undo.Abbreviation = armed->Typed;
    undo.Typed = armed->Typed;
    undo.Text = armed->Typed;
    undo.Trail = armed->Trail;
    undo.CapsLock = armed->CapsLock;
    undo.Target = target;
    undo.Control = control;
    undo.Undoes = armed->Length;
    return undo;
}

} // namespace lumora
