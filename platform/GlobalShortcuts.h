#pragma once
#include <cstdint>

namespace lumora {

// The system's WM_HOTKEY, under a name of our own (the core never sees <windows.h>): a
// registered shortcut was pressed; wParam is its id.
constexpr unsigned WM_GLOBAL_SHORTCUT = 0x0312;

// Shortcuts that reach the program from anywhere (RegisterHotKey on the main window), each
// under an id of the program's choosing.
class GlobalShortcuts {
public:
    virtual ~GlobalShortcuts() = default;
    // Registers the key with modifiers (RegisterHotKey's MOD_ bits) under id, in place of what
    // id had; false when the system refuses, most often because another program has it.
    virtual bool RegisterShortcut(int id, std::uint32_t modifiers, std::uint8_t key) = 0;
    // Nothing happens for an id that has nothing registered.
    virtual void UnregisterShortcut(int id) = 0;
};

} // namespace lumora
