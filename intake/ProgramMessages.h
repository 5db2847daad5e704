#pragma once
// The messages the main window posts to itself, so that work decided in one handler runs after
// that handler has returned. Their numbers stand clear of the hook library's (HookMessages.h),
// which reach the same window, and of the expansion's WM_EXPAND (expansion/PhraseExpansion.h).
#include "hook/HookMessages.h"

namespace lumora {

constexpr unsigned WM_NEW_PHRASE = WM_USER_BASE + 19; // the phrase list's New item

} // namespace lumora
