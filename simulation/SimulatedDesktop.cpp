#include "simulation/SimulatedDesktop.h"

#include "hook/HookMessages.h"

#include <string>

namespace lumora::fakes {

SimulatedDesktop::SimulatedDesktop()
    : fHook([this](unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
          fDesktop.PostMessage(MainWindowHandle, msg, wParam, lParam);
      }) {
    FakeWindow main;
    main.Handle = MainWindowHandle;
    main.Thread = ProgramThread;
    main.Title = u"Lumora";
    main.Visible = false;
    main.ClassName = u"TMain";
    main.Rect = {0, 0, 531, 416};
    fDesktop.AddTopWindow(main);
    fDesktop.MainWindow = MainWindowHandle;
    fDesktop.VkKeyScanHandler = [](char16_t ch, HLayout) { return uslayout::VkKeyScan(ch); };
    // The keyboard model keeps the key states; the desktop's table mirrors it.
    fDesktop.InjectedEventsChangeKeyStates = false;
    fDesktop.InjectObserver = [this](const KeyEvent& e) {
        // The hook sees injected input too: it neither reports nor withholds it, but follows
        // the key states it changes.
        const bool down = (e.Flags & KEYEVENTF_KEYUP) == 0;
        if (e.Flags & KEYEVENTF_UNICODE) {
            if (HookEvent(simkey::Packet, down, false, true, static_cast<char16_t>(e.Scan))) return;
            fKeyboard.Inject(e, FocusedField());
            return;
        }
        const bool extended = (e.Flags & KEYEVENTF_EXTENDEDKEY) != 0;
        const auto vk = static_cast<std::uint8_t>(e.Vk);
        if (HookEvent(vk, down, extended, true)) return;
        fKeyboard.Inject(e, FocusedField());
        SyncKeyState(vk);
    };
}

void SimulatedDesktop::Connect(Handler handler, std::function<void()> idle) {
    fDesktop.MessageHandler = nullptr;
    if (handler)
        fDesktop.MessageHandler = [h = std::move(handler)](const PostedMessage& m) {
            h(m.Msg, m.WParam, m.LParam);
        };
    fIdle = std::move(idle);
}

void SimulatedDesktop::SyncKeyState(std::uint8_t vk) {
    for (int k : {vk, simkey::LShift, simkey::RShift, simkey::LControl, simkey::RControl,
                  simkey::LMenu, simkey::RMenu})
        fDesktop.SetKeyDown(k, fKeyboard.IsDown(k));
    fDesktop.SetToggled(simkey::Capital, fKeyboard.CapsLockOn());
}

void SimulatedDesktop::EnsureWindow(int n) {
    const HWindow top = WindowHandle(n);
    if (fDesktop.Windows.count(top)) return;
    FakeWindow w;
    w.Handle = top;
    w.Thread = WindowThreadOf(n);
    const std::string number = std::to_string(n);
    w.Title = u"Window " + std::u16string(number.begin(), number.end());
    w.Status = 0;
    w.ClassName = u"Notepad";
    w.Rect = {100 + n * 20, 100 + n * 20, 700 + n * 20, 500 + n * 20};
    fDesktop.AddTopWindow(w);
    fDesktop.SetGuiThread(w.Thread, GuiThreadInfo{top, 0, 0});
}

void SimulatedDesktop::ShowWindow(int n) {
    EnsureWindow(n);
    for (auto& [handle, window] : fDesktop.Windows)
        if (window.Status) window.Status = 0;
    const HWindow top = WindowHandle(n);
    fDesktop.Window(top).Status = WS_ACTIVECAPTION;
    fDesktop.BringToTop(top);
    fDesktop.SetForeground(top);
    fFront = n;
    if (fDesktop.GuiThreads[WindowThreadOf(n)].Focus == 0) FocusControl(0);
}

void SimulatedDesktop::FocusControl(int m) {
    if (fFront < 0) ShowWindow(0);
    const HWindow control = ControlHandle(fFront, m);
    if (!fDesktop.Windows.count(control)) {
        FakeWindow c;
        c.Handle = control;
        c.Thread = WindowThreadOf(fFront);
        c.ClassName = u"Edit";
        fDesktop.AddControl(c);
        fFields[control] = std::make_unique<FakeTextField>(
            FieldClipboard{[this] { return fDesktop.ClipUnicode.value_or(u""); },
                           [this](const std::u16string& s) { fDesktop.SetClipboardText(s); }});
    }
    fDesktop.FocusControl(WindowThreadOf(fFront), control);
}

FakeTextField* SimulatedDesktop::Field(int n, int m) {
    auto it = fFields.find(ControlHandle(n, m));
    return it == fFields.end() ? nullptr : it->second.get();
}

FakeTextField* SimulatedDesktop::FocusedField() {
    const HWindow fg = fDesktop.ForegroundWindow();
    if (fg == 0) return nullptr;
    auto info = fDesktop.GuiThread(fDesktop.WindowThread(fg));
    if (!info) return nullptr;
    auto it = fFields.find(info->Focus);
    return it == fFields.end() ? nullptr : it->second.get();
}

void SimulatedDesktop::SetEditorShown(bool shown) {
    fDesktop.Window(MainWindowHandle).Visible = shown;
}

bool SimulatedDesktop::HookEvent(std::uint8_t vk, bool down, bool extended, bool injected,
                                 char16_t packetChar) {
    // The hook thread runs beside the program: it has taken what the program posted to it
    // before the next input arrives, even while a handler of the program is still running.
    ForwardThreadPosts();
    if (!fHook.Started()) {
        // The hook starts from the keys as they are when input first reaches it, so that a
        // test may set CapsLock up beforehand.
        const auto keys = fKeyboard.KeyStates();
        fHook.Start(keys.data());
    }
    if (vk == simkey::Packet) return fHook.PacketEvent(packetChar, down, injected);
    // The low-level hook gets left- and right-hand modifier codes, never the generic ones.
    return fHook.KeyEvent(FakeKeyboard::Specific(vk, extended), down, extended, injected);
}

void SimulatedDesktop::UserKeyDown(std::uint8_t vk, bool extended) {
    // The hook sees the key before its application does; a withheld key reaches neither the
    // application nor the system's key states.
    if (!HookEvent(vk, true, extended, false)) {
        fKeyboard.Key(vk, true, extended, FocusedField());
        SyncKeyState(vk);
    }
    if (KeepUp) RunPending();
}

void SimulatedDesktop::UserKeyUp(std::uint8_t vk, bool extended) {
    if (!HookEvent(vk, false, extended, false)) {
        fKeyboard.Key(vk, false, extended, FocusedField());
        SyncKeyState(vk);
    }
    if (KeepUp) RunPending();
}

void SimulatedDesktop::PressKey(std::uint8_t vk, bool extended) {
    UserKeyDown(vk, extended);
    UserKeyUp(vk, extended);
}

void SimulatedDesktop::TypeText(std::u16string_view text) {
    for (char16_t c : text) {
        const std::int16_t k = uslayout::VkKeyScan(c);
        if (k < 0) {
            if (!HookEvent(simkey::Packet, true, false, false, c)) {
                if (FakeTextField* field = FocusedField()) field->Char(c);
            }
            HookEvent(simkey::Packet, false, false, false, c);
            if (KeepUp) RunPending();
            continue;
        }
        const bool addShift = (k & 0x100) && !fKeyboard.IsDown(simkey::Shift);
        if (addShift) UserKeyDown(simkey::LShift);
        PressKey(static_cast<std::uint8_t>(k & 0xFF));
        if (addShift) UserKeyUp(simkey::LShift);
    }
}

void SimulatedDesktop::Click() {
    const HWindow fg = fDesktop.ForegroundWindow();
    const FakeRect r = fg ? fDesktop.Window(fg).Rect : FakeRect{};
    ForwardThreadPosts();
    fHook.MousePressed((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    if (KeepUp) RunPending();
}

void SimulatedDesktop::ForwardThreadPosts() {
    for (; fThreadPostsSeen < fDesktop.ThreadPosts.size(); ++fThreadPostsSeen) {
        const PostedMessage& m = fDesktop.ThreadPosts[fThreadPostsSeen];
        if (m.Thread == HookThread) fHook.ThreadMessageReceived(m.Msg, m.WParam, m.LParam);
    }
}

void SimulatedDesktop::RunPending() {
    if (fRunning) return;
    fRunning = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{fRunning};
    do {
        while (fDesktop.DeliverNext())
            ForwardThreadPosts();
        ForwardThreadPosts();
        if (fIdle) fIdle();
    } while (!fDesktop.Queue.empty());
}

} // namespace lumora::fakes
