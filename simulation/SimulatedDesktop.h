#pragma once
// A desktop that behaves like Windows for the program: numbered application windows whose
// controls are edit-control text fields, a keyboard with a layout (US unless set), the hook
// library, and the program's own hidden main window. Every key event goes first through the hook
// library, which decides with lumora.dll's rules: the user's keys are reported to the program and
// (unless withheld) reach the focused field; the program's injected keys reach the focused field.
#include "simulation/ScriptedDesktop.h"
#include "simulation/SimulatedHookLibrary.h"
#include "simulation/SimulatedKeyboard.h"
#include "simulation/SimulatedTextField.h"

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace lumora::sim {

class SimulatedDesktop {
public:
    static constexpr HWindow MainWindowHandle = 0x10;
    static constexpr ThreadId ProgramThread = 1;
    static constexpr ThreadId HookThread = 2;

    using Handler = std::function<void(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam)>;

    SimulatedDesktop();
    SimulatedDesktop(const SimulatedDesktop&) = delete;
    SimulatedDesktop& operator=(const SimulatedDesktop&) = delete;

    ScriptedDesktop& Desktop() { return desktop_; }
    Platform& AsPlatform() { return desktop_.AsPlatform(); }
    SimulatedKeyboard& Keyboard() { return keyboard_; }
    SimulatedHookLibrary& Hook() { return hook_; }

    // The program: the handler of its main window's messages and its idle event.
    void Connect(Handler handler, std::function<void()> idle);

    // Brings application window n to the front (creating it, with control 0 focused, on first
    // use); the other windows lose their active status.
    void ShowWindow(int n);
    // Focuses control m of the front application window (created on first use).
    void FocusControl(int m);
    HWindow WindowHandle(int n) const { return 0x1000 + static_cast<HWindow>(n) * 0x100; }
    HWindow ControlHandle(int n, int m) const {
        return WindowHandle(n) + 1 + static_cast<HWindow>(m);
    }
    // The field that has the keyboard focus now, null when none (e.g. no window yet).
    SimulatedTextField* FocusedField();
    SimulatedTextField* Field(int n, int m);
    // The main window (the phrase editor) shown or hidden; it does not take the focus.
    void SetEditorShown(bool shown);

    // The user's keyboard and mouse. Keys are given as the low-level hook sees them (left or
    // right modifier codes, extended flag).
    void UserKeyDown(std::uint8_t vk, bool extended = false);
    void UserKeyUp(std::uint8_t vk, bool extended = false);
    void PressKey(std::uint8_t vk, bool extended = false);
    // Types each character on the keyboard's layout, with Shift and AltGr where the layout
    // needs them (Shift unless held already), an accented letter with its dead key; a
    // character no key gives arrives as a VK_PACKET key.
    void TypeText(std::u16string_view text);
    // One key with the shift state of VkKeyScan (1 Shift, 6 AltGr).
    void TypeStroke(std::uint8_t vk, std::uint8_t shiftState = 0);
    // The keyboard layout of every window from now on (US at first); the program reads it
    // per thread like the system's.
    void SetLayout(const SimulatedLayout& layout);
    // A mouse press inside the front window.
    void Click();
    void SetClipboard(const std::u16string& text) { desktop_.SetClipboardText(text); }
    // Not 0: the fields read a paste as a rich-text control through OLE does, with the
    // clipboard opened without a window, and hold it open this much longer.
    std::uint32_t PasteHoldsClipboardMs = 0;

    // Handles every pending message of the program, then its idle event, as the message loop
    // does, until nothing is pending. Does nothing when called from inside a handler: the
    // handling that is under way delivers the messages.
    void RunPending();

    // The program handles each input of the user before the next arrives, as it does at
    // human typing speed (the modifiers it reads are the ones held for that key). Off: input
    // queues up until RunPending, as when the program is busy.
    bool KeepUp = true;

    // The front application takes its input only when the program waits for it to
    // (WaitForInputTaken) or at CatchUp, as a slow program whose queue fills up; off: at once.
    bool TargetLags = false;
    void CatchUp();

    // Key events replayed so far (held by the hook and injected again afterwards).
    int Replayed = 0;

    // The keys the user's hand holds now (left- and right-hand codes), as pressed and released
    // through UserKeyDown and UserKeyUp.
    bool UserHolds(std::uint8_t vk) const { return userHolds_[vk]; }
    // The keys down on the keyboard that the user does not hold: stuck keys. Empty at the end of
    // every scenario.
    std::vector<std::uint8_t> KeysDownNotHeld() const;

private:
    void EnsureWindow(int n);
    void SyncKeyState(std::uint8_t vk);
    // One key event through the hook library (packetChar for VK_PACKET); true when withheld.
    bool HookEvent(std::uint8_t vk, bool down, bool extended, bool injected,
                   char16_t packetChar = 0, std::uint64_t extraInfo = 0);
    // The hook thread's turn: it takes what the program asked of it (a hold, a release, a
    // re-install), and the batches of held keys it hands back are replayed.
    void HookThreadTurn();
    void Replay();
    // Hands one event to the focused field, now or, when the target lags, later.
    void ToTarget(std::function<void()> apply);
    ThreadId WindowThreadOf(int n) const { return 100 + static_cast<ThreadId>(n); }

    ScriptedDesktop desktop_;
    SimulatedKeyboard keyboard_;
    SimulatedHookLibrary hook_;
    std::function<void()> idle_;
    std::map<HWindow, std::unique_ptr<SimulatedTextField>> fields_; // by control handle
    std::array<bool, 256> userHolds_{};
    int front_ = -1;
    bool running_ = false;
    bool replaying_ = false;
    std::deque<std::function<void()>> lagged_;
};

} // namespace lumora::sim
