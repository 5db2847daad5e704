#pragma once
// What a dead key's accent makes of the key typed after it, where the system cannot be asked
// without disturbing the user's own accent (ToUnicodeEx keeps one shared dead-key state).
#include <optional>
#include <string>

namespace lumora {

// The text a Windows layout types for accent (the character ToUnicodeEx gives for the dead
// key) followed by ch: the accent alone before a space, the accented letter where every
// layout with that accent agrees on it; nullopt where layouts differ or it is not known, so
// that the caller forgets rather than guesses.
std::optional<std::u16string> ComposeAccent(char16_t accent, char16_t ch);

} // namespace lumora
