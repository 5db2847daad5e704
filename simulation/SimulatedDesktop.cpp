// The simulated desktop: routes every key event through the hook library to the focused field,
// and delivers the program's messages as its message loop would.
#include "simulation/SimulatedDesktop.h"

#include "hook/HookMessages.h"
#include "platform/Error.h"

#include <string>

namespace lumora::sim {

namespace {

const SimulatedLayout& LayoutOf(HLayout handle) {
    for (const SimulatedLayout* l : {&SimulatedLayout::UsInternational(),
                                     &SimulatedLayout::German(), &SimulatedLayout::French()})
        if (l->Handle() == handle) return *l;
    return SimulatedLayout::Us();
}

} // namespace

void SimulatedDesktop::SetLayout(const SimulatedLayout& layout) {
    // Every thread of the desktop switches, as after Alt+Shift with the setting for all.
    desktop_.DefaultLayout = layout.Handle();
    desktop_.ThreadLayouts.clear();
    keyboard_.SetLayout(layout);
}

SimulatedDesktop::SimulatedDesktop()
    : hook_(
          [this](unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
              desktop_.PostMessage(MainWindowHandle, msg, wParam, lParam);
          },
          [this] { return desktop_.Now; }) {
    ScriptedWindow main;
    main.Handle = MainWindowHandle;
    main.Thread = ProgramThread;
    main.Title = u"Lumora";
    main.Visible = false;
    main.ClassName = u"TMain";
    main.Rect = {0, 0, 531, 416};
    desktop_.AddTopWindow(main);
    desktop_.MainWindow = MainWindowHandle;
    desktop_.OtherThreads = [this] { HookThreadTurn(); };
    // The layouts are asked by handle, as the program asks for the target thread's.
    desktop_.VkKeyScanHandler = [](char16_t ch, HLayout layout) {
        return LayoutOf(layout).VkKeyScan(ch);
    };
    desktop_.DeadKeyHandler = [](std::uint8_t vk, std::uint8_t shiftState, HLayout layout) {
        return LayoutOf(layout).IsDeadKey(vk, shiftState);
    };
    hook_.SetLayoutSource([this]() -> const SimulatedLayout& { return keyboard_.Layout(); });
    // The keyboard model keeps the key states; the desktop's table mirrors it.
    desktop_.InjectedEventsChangeKeyStates = false;
    desktop_.InjectObserver = [this](const KeyEvent& e) {
        // The hook sees injected input too: it neither reports nor withholds it, but follows
        // the key states it changes.
        const bool down = (e.Flags & KEYEVENTF_KEYUP) == 0;
        if (e.Flags & KEYEVENTF_UNICODE) {
            if (HookEvent(simkey::Packet, down, false, true, static_cast<char16_t>(e.Scan),
                          e.ExtraInfo))
                return;
            ToTarget([this, e] { keyboard_.Inject(e, FocusedField()); });
            return;
        }
        const bool extended = (e.Flags & KEYEVENTF_EXTENDEDKEY) != 0;
        const auto vk = static_cast<std::uint8_t>(e.Vk);
        if (HookEvent(vk, down, extended, true, 0, e.ExtraInfo)) return;
        ToTarget([this, e, vk] {
            keyboard_.Inject(e, FocusedField());
            SyncKeyState(vk);
        });
    };
    // A lagging target takes what waits for it when the program waits for it to.
    desktop_.OnWaitForInputTaken = [this](HWindow) { CatchUp(); };
}

void SimulatedDesktop::ToTarget(std::function<void()> apply) {
    if (TargetLags)
        lagged_.push_back(std::move(apply));
    else
        apply();
}

void SimulatedDesktop::CatchUp() {
    while (!lagged_.empty()) {
        auto apply = std::move(lagged_.front());
        lagged_.pop_front();
        apply();
    }
}

void SimulatedDesktop::Connect(Handler handler, std::function<void()> idle) {
    desktop_.MessageHandler = nullptr;
    if (handler)
        desktop_.MessageHandler = [h = std::move(handler)](const PostedMessage& m) {
            h(m.Msg, m.WParam, m.LParam);
        };
    idle_ = std::move(idle);
}

void SimulatedDesktop::SyncKeyState(std::uint8_t vk) {
    for (int k : {vk, simkey::LShift, simkey::RShift, simkey::LControl, simkey::RControl,
                  simkey::LMenu, simkey::RMenu})
        desktop_.SetKeyDown(k, keyboard_.IsDown(k));
    desktop_.SetToggled(simkey::Capital, keyboard_.CapsLockOn());
}

void SimulatedDesktop::EnsureWindow(int n) {
    const HWindow top = WindowHandle(n);
    if (desktop_.Windows.count(top)) return;
    ScriptedWindow w;
    w.Handle = top;
    w.Thread = WindowThreadOf(n);
    const std::string number = std::to_string(n);
    w.Title = u"Window " + std::u16string(number.begin(), number.end());
    w.Status = 0;
    w.ClassName = u"Notepad";
    w.Rect = {100 + n * 20, 100 + n * 20, 700 + n * 20, 500 + n * 20};
    desktop_.AddTopWindow(w);
    desktop_.SetGuiThread(w.Thread, GuiThreadInfo{top, 0, 0});
}

void SimulatedDesktop::ShowWindow(int n) {
    EnsureWindow(n);
    // Only the front window is active (the program may have brought another to the front).
    if (front_ >= 0) desktop_.Window(WindowHandle(front_)).Status = 0;
    if (desktop_.Windows.count(desktop_.Foreground))
        desktop_.Window(desktop_.Foreground).Status = 0;
    const HWindow top = WindowHandle(n);
    desktop_.Window(top).Status = WS_ACTIVECAPTION;
    desktop_.BringToTop(top);
    desktop_.SetForeground(top);
    front_ = n;
    if (desktop_.GuiThreads[WindowThreadOf(n)].Focus == 0) FocusControl(0);
}

void SimulatedDesktop::FocusControl(int m) {
    if (front_ < 0) ShowWindow(0);
    const HWindow control = ControlHandle(front_, m);
    if (!desktop_.Windows.count(control)) {
        ScriptedWindow c;
        c.Handle = control;
        c.Thread = WindowThreadOf(front_);
        c.ClassName = u"Edit";
        desktop_.AddControl(c);
        fields_[control] = std::make_unique<SimulatedTextField>(FieldClipboard{
            [this, control] {
                if (PasteHoldsClipboardMs == 0) return desktop_.ReadAsProgram(control);
                const std::u16string text = desktop_.ReadAsProgram(0);
                desktop_.HoldClipboardOpenWithoutWindow(desktop_.Now + PasteHoldsClipboardMs);
                return text;
            },
            [this](const std::u16string& s) { desktop_.SetClipboardText(s); }});
    }
    desktop_.FocusControl(WindowThreadOf(front_), control);
}

SimulatedTextField* SimulatedDesktop::Field(int n, int m) {
    auto it = fields_.find(ControlHandle(n, m));
    return it == fields_.end() ? nullptr : it->second.get();
}

SimulatedTextField* SimulatedDesktop::FocusedField() {
    const HWindow fg = desktop_.ForegroundWindow();
    if (fg == 0) return nullptr;
    auto info = desktop_.GuiThread(desktop_.WindowThread(fg));
    if (!info) return nullptr;
    auto it = fields_.find(info->Focus);
    return it == fields_.end() ? nullptr : it->second.get();
}

void SimulatedDesktop::SetEditorShown(bool shown) {
    desktop_.Window(MainWindowHandle).Visible = shown;
}

bool SimulatedDesktop::HookEvent(std::uint8_t vk, bool down, bool extended, bool injected,
                                 char16_t packetChar, std::uint64_t extraInfo) {
    // The hook thread runs beside the program: it has taken what the program posted to it
    // before the next input arrives, even while a handler of the program is still running.
    HookThreadTurn();
    if (!hook_.Started()) {
        // The hook starts from the keys as they are when input first reaches it, so that a
        // test may set CapsLock up beforehand.
        const auto keys = keyboard_.KeyStates();
        hook_.Start(keys.data());
    }
    const std::uint32_t now = desktop_.Now;
    if (vk == simkey::Packet) return hook_.PacketEvent(packetChar, down, injected, extraInfo, now);
    // The low-level hook gets left- and right-hand modifier codes, never the generic ones.
    return hook_.KeyEvent(SimulatedKeyboard::Specific(vk, extended), down, extended, injected,
                          extraInfo, now);
}

std::vector<std::uint8_t> SimulatedDesktop::KeysDownNotHeld() const {
    std::vector<std::uint8_t> stuck;
    for (int k = 0; k < 256; ++k) {
        const auto vk = static_cast<std::uint8_t>(k);
        // The generic modifier codes stand for their two hands, counted there.
        if (vk == simkey::Shift || vk == simkey::Control || vk == simkey::Menu) continue;
        if (keyboard_.IsDown(vk) && !userHolds_[vk]) stuck.push_back(vk);
    }
    return stuck;
}

void SimulatedDesktop::UserKeyDown(std::uint8_t vk, bool extended) {
    userHolds_[SimulatedKeyboard::Specific(vk, extended)] = true;
    desktop_.LastInput = desktop_.Now;
    // The hook sees the key before its application does; a withheld key reaches neither the
    // application nor the system's key states.
    if (!HookEvent(vk, true, extended, false)) {
        ToTarget([this, vk, extended] {
            keyboard_.Key(vk, true, extended, FocusedField());
            SyncKeyState(vk);
        });
    }
    if (KeepUp) RunPending();
}

void SimulatedDesktop::UserKeyUp(std::uint8_t vk, bool extended) {
    userHolds_[SimulatedKeyboard::Specific(vk, extended)] = false;
    desktop_.LastInput = desktop_.Now;
    if (!HookEvent(vk, false, extended, false)) {
        ToTarget([this, vk, extended] {
            keyboard_.Key(vk, false, extended, FocusedField());
            SyncKeyState(vk);
        });
    }
    if (KeepUp) RunPending();
}

void SimulatedDesktop::PressKey(std::uint8_t vk, bool extended) {
    UserKeyDown(vk, extended);
    UserKeyUp(vk, extended);
}

void SimulatedDesktop::TypeText(std::u16string_view text) {
    for (char16_t c : text) {
        const auto strokes = keyboard_.Layout().Strokes(c);
        if (strokes.empty()) {
            desktop_.LastInput = desktop_.Now;
            if (!HookEvent(simkey::Packet, true, false, false, c)) {
                if (SimulatedTextField* field = FocusedField()) field->Char(c);
            }
            HookEvent(simkey::Packet, false, false, false, c);
            if (KeepUp) RunPending();
            continue;
        }
        for (const SimulatedLayout::Stroke& s : strokes)
            TypeStroke(s.Vk, s.ShiftState);
    }
}

void SimulatedDesktop::TypeStroke(std::uint8_t vk, std::uint8_t shiftState) {
    // The user's hand, not the keyboard: a Shift the program holds for a capital of its own, or
    // one the hook holds back, is no Shift the user pressed.
    const bool addShift =
        (shiftState & 1) && !userHolds_[simkey::LShift] && !userHolds_[simkey::RShift];
    // AltGr is the right Alt key, which the system reports with a left Ctrl before it.
    const bool altGr = (shiftState & 6) == 6;
    if (addShift) UserKeyDown(simkey::LShift);
    if (altGr) {
        UserKeyDown(simkey::LControl);
        UserKeyDown(simkey::RMenu, true);
    }
    PressKey(vk);
    if (altGr) {
        UserKeyUp(simkey::RMenu, true);
        UserKeyUp(simkey::LControl);
    }
    if (addShift) UserKeyUp(simkey::LShift);
}

void SimulatedDesktop::Click() {
    const HWindow fg = desktop_.ForegroundWindow();
    const ScriptedRect r = fg ? desktop_.Window(fg).Rect : ScriptedRect{};
    desktop_.LastInput = desktop_.Now;
    HookThreadTurn();
    hook_.MousePressed((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    if (KeepUp) RunPending();
}

void SimulatedDesktop::HookThreadTurn() {
    // The requests the program made inside its process; the hook thread takes no thread
    // message as one, since any program could post it.
    hook_.TakeRequests(desktop_.Now, keyboard_.KeyStates().data());
    hook_.Tick(desktop_.Now);
    Replay();
}

void SimulatedDesktop::Replay() {
    // The replay thread: it injects each batch the hook hands it, while the hook thread sees
    // every event of it go by (and may hold some again).
    if (replaying_) return;
    replaying_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{replaying_};
    for (auto batch = hook_.TakeReplay(); !batch.empty(); batch = hook_.TakeReplay()) {
        for (std::size_t i = 0; i < batch.size(); ++i) {
            const HookKeyEvent& h = batch[i];

            KeyEvent e;
            e.Vk = static_cast<std::uint16_t>(h.Vk == simkey::Packet ? 0 : h.Vk);
            e.Scan = static_cast<std::uint16_t>(h.Scan);
            e.Flags = (h.Down ? 0u : KEYEVENTF_KEYUP) | (h.Extended ? KEYEVENTF_EXTENDEDKEY : 0u) |
                      (h.Vk == simkey::Packet ? KEYEVENTF_UNICODE : 0u);
            e.ExtraInfo = static_cast<std::uintptr_t>(ReplayMarker | i);
            try {
                desktop_.SendInput(e);
            } catch (const InputRefused&) {
                // As the replay thread: the rest is lost, and the program is told.
                desktop_.PostMessage(MainWindowHandle, WM_HOOK_INPUT_REFUSED, batch.size() - i, 0);
                break;
            }
            ++Replayed;
        }
        hook_.ReplayDone(desktop_.Now);
    }
}

void SimulatedDesktop::RunPending() {
    if (running_) return;
    running_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};
    do {
        while (desktop_.DeliverNext())
            HookThreadTurn();
        HookThreadTurn();
        if (idle_) idle_();
        // Without a program connected the messages stay queued.
    } while (!desktop_.Queue.empty() && desktop_.MessageHandler);
}

} // namespace lumora::sim
