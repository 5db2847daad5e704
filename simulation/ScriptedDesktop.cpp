#include "simulation/ScriptedDesktop.h"

#include <algorithm>
#include <stdexcept>

namespace lumora::fakes {

namespace {

// Scan codes of a US keyboard (set 1), as MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) gives them.
std::map<unsigned, unsigned> UsScanCodes() {
    std::map<unsigned, unsigned> m;
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const unsigned letterScans[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                      0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                      0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    for (int i = 0; i < 26; ++i)
        m[static_cast<unsigned>(letters[i])] = letterScans[i];
    for (unsigned d = 1; d <= 9; ++d)
        m['0' + d] = 0x01 + d;
    m['0'] = 0x0B;
    const unsigned numpad[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    for (unsigned d = 0; d < 10; ++d)
        m[0x60 + d] = numpad[d];
    const std::pair<unsigned, unsigned> others[] = {
        {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C}, {0x10, 0x2A}, {0x11, 0x1D}, {0x12, 0x38},
        {0x14, 0x3A}, {0x1B, 0x01}, {0x20, 0x39}, {0x23, 0x4F}, {0x24, 0x47}, {0x25, 0x4B},
        {0x26, 0x48}, {0x27, 0x4D}, {0x28, 0x50}, {0x2E, 0x53}, {0x5B, 0x5B}, {0x5C, 0x5C},
        {0xA0, 0x2A}, {0xA1, 0x36}, {0xA2, 0x1D}, {0xA3, 0x1D}, {0xA4, 0x38}, {0xA5, 0x38},
        {0xBA, 0x27}, {0xBB, 0x0D}, {0xBC, 0x33}, {0xBD, 0x0C}, {0xBE, 0x34}, {0xBF, 0x35},
        {0xC0, 0x29}, {0xDB, 0x1A}, {0xDC, 0x2B}, {0xDD, 0x1B}, {0xDE, 0x28}};
    for (auto [vk, scan] : others)
        m[vk] = scan;
    return m;
}

} // namespace

FakeDesktop::FakeDesktop()
    : ScanCodes(UsScanCodes()), fPlatform{*this, *this, *this, *this, *this, *this, *this} {}

// ---- Windows -----------------------------------------------------------------------------

FakeWindow& FakeDesktop::AddTopWindow(const FakeWindow& w) {
    Windows[w.Handle] = w;
    std::erase(ZOrder, w.Handle);
    ZOrder.push_back(w.Handle);
    return Windows[w.Handle];
}

FakeWindow& FakeDesktop::AddControl(const FakeWindow& w) {
    Windows[w.Handle] = w;
    std::erase(ZOrder, w.Handle);
    return Windows[w.Handle];
}

FakeWindow& FakeDesktop::Window(HWindow w) {
    auto it = Windows.find(w);
    if (it == Windows.end()) throw std::out_of_range("no scripted window " + std::to_string(w));
    return it->second;
}

void FakeDesktop::BringToTop(HWindow w) {
    std::erase(ZOrder, w);
    ZOrder.insert(ZOrder.begin(), w);
}

void FakeDesktop::DestroyWindow(HWindow w) {
    Window(w).Exists = false;
    std::erase(ZOrder, w);
    if (Foreground == w) Foreground = 0;
}

void FakeDesktop::ScriptTarget(HWindow top, ThreadId thread, HWindow control,
                               const std::u16string& controlClass) {
    FakeWindow t;
    t.Handle = top;
    t.Thread = thread;
    t.Title = u"Untitled - Notepad";
    t.Status = WS_ACTIVECAPTION;
    t.Rect = {0, 0, 800, 600};
    AddTopWindow(t);
    BringToTop(top);
    if (control != 0) {
        FakeWindow c;
        c.Handle = control;
        c.Thread = thread;
        c.ClassName = controlClass;
        AddControl(c);
    }
    SetGuiThread(thread, GuiThreadInfo{top, control, control});
    Foreground = top;
}

void FakeDesktop::FocusControl(ThreadId thread, HWindow control) {
    auto& info = GuiThreads[thread];
    info.Focus = control;
    info.Caret = control;
}

const FakeWindow* FakeDesktop::Find(HWindow w) const {
    auto it = Windows.find(w);
    return it == Windows.end() ? nullptr : &it->second;
}

HWindow FakeDesktop::ForegroundWindow() {
    return Exists(Foreground) ? Foreground : 0;
}

HWindow FakeDesktop::NextWindow(HWindow w) {
    auto it = std::find(ZOrder.begin(), ZOrder.end(), w);
    if (it == ZOrder.end() || ++it == ZOrder.end()) return 0;
    return *it;
}

ThreadId FakeDesktop::WindowThread(HWindow w) {
    const FakeWindow* f = Find(w);
    return f && f->Exists ? f->Thread : 0;
}

std::u16string FakeDesktop::WindowTitle(HWindow w) {
    const FakeWindow* f = Find(w);
    return f && f->Exists ? f->Title : std::u16string();
}

std::optional<std::uint32_t> FakeDesktop::WindowStatus(HWindow w) {
    const FakeWindow* f = Find(w);
    if (!f || !f->Exists) return std::nullopt;
    return f->Status;
}

bool FakeDesktop::IsVisible(HWindow w) {
    const FakeWindow* f = Find(w);
    return f && f->Exists && f->Visible;
}

bool FakeDesktop::IsEnabled(HWindow w) {
    const FakeWindow* f = Find(w);
    return f && f->Exists && f->Enabled;
}

std::optional<GuiThreadInfo> FakeDesktop::GuiThread(ThreadId thread) {
    auto it = GuiThreads.find(thread);
    if (it == GuiThreads.end()) return std::nullopt;
    return it->second;
}

std::optional<std::u16string> FakeDesktop::ClassName(HWindow w) {
    const FakeWindow* f = Find(w);
    if (!f || !f->Exists) return std::nullopt;
    return f->ClassName;
}

bool FakeDesktop::Exists(HWindow w) {
    const FakeWindow* f = Find(w);
    return f && f->Exists;
}

HWindow FakeDesktop::WindowAt(int x, int y) {
    if (WindowAtOverride) return *WindowAtOverride;
    for (HWindow w : ZOrder) {
        const FakeWindow* f = Find(w);
        if (f && f->Exists && f->Visible && f->Rect.Contains(x, y)) return w;
    }
    return 0;
}

// ---- Key states --------------------------------------------------------------------------

void FakeDesktop::ReleaseAllKeys() {
    for (auto& [vk, entry] : KeyTable)
        entry.Down = false;
}

std::int16_t FakeDesktop::KeyState(int vk) {
    auto down = [this](int k) {
        auto it = KeyTable.find(k);
        return it != KeyTable.end() && it->second.Down;
    };
    bool isDown = down(vk);
    // The generic modifier codes report either side, as GetKeyState does.
    if (vk == 0x10) isDown = isDown || down(0xA0) || down(0xA1);
    if (vk == 0x11) isDown = isDown || down(0xA2) || down(0xA3);
    if (vk == 0x12) isDown = isDown || down(0xA4) || down(0xA5);
    auto it = KeyTable.find(vk);
    bool toggled = it != KeyTable.end() && it->second.Toggled;
    std::uint16_t result = (isDown ? 0xFF80u : 0u) | (toggled ? 1u : 0u);
    return static_cast<std::int16_t>(result);
}

// ---- Clipboard ---------------------------------------------------------------------------

void FakeDesktop::HoldClipboardOpen(HWindow holder, std::optional<std::uint32_t> untilTick) {
    fHolder = holder;
    fHolderUntil = untilTick;
}

void FakeDesktop::SetClipboardText(const std::u16string& text) {
    ClipUnicode = text;
    ClipAnsi.reset();
}

void FakeDesktop::SetClipboardAnsiText(const std::u16string& text) {
    ClipAnsi = text;
    ClipUnicode.reset();
}

void FakeDesktop::ClearClipboard() {
    ClipUnicode.reset();
    ClipAnsi.reset();
}

HWindow FakeDesktop::OpenClipboardWindow() {
    if (fHolder != 0 && fHolderUntil && static_cast<std::int32_t>(Now - *fHolderUntil) >= 0)
        fHolder = 0;
    if (fHolder != 0) return fHolder;
    return fOpenedBy;
}

bool FakeDesktop::Open(HWindow owner) {
    if (ClipboardOpenFails || OpenClipboardWindow() != 0) return false;
    // A window of 0 opens the clipboard for the task; remember it as open all the same.
    fOpenedBy = owner != 0 ? owner : 0xFFFFFFFFu;
    ++ClipboardOpens;
    return true;
}

void FakeDesktop::Close() {
    if (fOpenedBy == 0) return;
    fOpenedBy = 0;
    ++ClipboardCloses;
}

bool FakeDesktop::IsFormatAvailable(unsigned format) {
    if (format == CF_UNICODETEXT) return ClipUnicode.has_value();
    if (format == CF_TEXT) return ClipAnsi.has_value();
    return false;
}

std::optional<std::u16string> FakeDesktop::UnicodeText() {
    // GetClipboardData fails unless the caller has the clipboard open.
    if (fOpenedBy == 0 || ClipboardDataHandleMissing) return std::nullopt;
    return ClipUnicode;
}

std::optional<std::u16string> FakeDesktop::AnsiText() {
    if (fOpenedBy == 0 || ClipboardDataHandleMissing) return std::nullopt;
    return ClipAnsi;
}

// ---- Clock -------------------------------------------------------------------------------

void FakeDesktop::Sleep(std::uint32_t ms) {
    Now += ms;
    SleptMs += ms;
    if (OnSleep) OnSleep();
}

// ---- Messages ----------------------------------------------------------------------------

bool FakeDesktop::PostMessage(HWindow w, unsigned msg, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    PostedMessage m{w, 0, msg, wParam, lParam};
    Posted.push_back(m);
    if (w != 0 && w == MainWindow) Queue.push_back(m);
    return true;
}

bool FakeDesktop::PostThreadMessage(ThreadId thread, unsigned msg, std::uintptr_t wParam,
                                    std::intptr_t lParam) {
    ThreadPosts.push_back(PostedMessage{0, thread, msg, wParam, lParam});
    return thread != 0;
}

bool FakeDesktop::DeliverNext() {
    if (!MessageHandler || Queue.empty()) return false;
    PostedMessage m = Queue.front();
    Queue.pop_front();
    MessageHandler(m);
    return true;
}

void FakeDesktop::ProcessPendingMessages() {
    ++ProcessPendingCalls;
    if (OnProcessPending) OnProcessPending();
    // Messages posted by a handler are handled in the same pass, as PeekMessage would.
    while (DeliverNext()) {
    }
}

std::vector<PostedMessage> FakeDesktop::PostedWith(unsigned msg) const {
    std::vector<PostedMessage> out;
    for (const auto& m : Posted)
        if (m.Msg == msg) out.push_back(m);
    return out;
}

std::vector<PostedMessage> FakeDesktop::ThreadPostsWith(unsigned msg) const {
    std::vector<PostedMessage> out;
    for (const auto& m : ThreadPosts)
        if (m.Msg == msg) out.push_back(m);
    return out;
}

// ---- Input -------------------------------------------------------------------------------

unsigned FakeDesktop::MapVirtualKey(unsigned vk) {
    auto it = ScanCodes.find(vk);
    return it == ScanCodes.end() ? 0 : it->second;
}

void FakeDesktop::SendInput(const KeyEvent& e) {
    Injected.push_back(e);
    if (InjectedEventsChangeKeyStates && !(e.Flags & KEYEVENTF_UNICODE) && e.Vk != 0) {
        auto& entry = KeyTable[e.Vk];
        if (e.Flags & KEYEVENTF_KEYUP) {
            entry.Down = false;
        } else {
            if (e.Vk == 0x14 && !entry.Down) entry.Toggled = !entry.Toggled;
            entry.Down = true;
        }
    }
    if (InjectObserver) InjectObserver(e);
}

bool FakeDesktop::SetForegroundWindow(HWindow w) {
    ForegroundRequests.push_back(w);
    if (RefuseForeground || !Exists(w)) return false;
    Foreground = w;
    return true;
}

bool FakeDesktop::BlockInput(bool block) {
    BlockInputCalls.push_back(block);
    InputBlocked = block;
    return BlockInputResult;
}

// ---- Layouts -----------------------------------------------------------------------------

HLayout FakeDesktop::KeyboardLayout(ThreadId thread) {
    auto it = ThreadLayouts.find(thread);
    return it == ThreadLayouts.end() ? DefaultLayout : it->second;
}

std::int16_t FakeDesktop::VkKeyScan(char16_t ch, HLayout layout) {
    return VkKeyScanHandler ? VkKeyScanHandler(ch, layout) : std::int16_t{-1};
}

} // namespace lumora::fakes
