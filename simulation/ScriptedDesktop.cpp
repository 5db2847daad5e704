// The scripted desktop: plays every platform interface over plain data the tests set up.
#include "simulation/ScriptedDesktop.h"

#include "platform/Error.h"

#include <algorithm>
#include <stdexcept>

namespace lumora::sim {

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

ScriptedDesktop::ScriptedDesktop()
    : ScanCodes(UsScanCodes()), platform_{*this, *this, *this, *this, *this,
                                          *this, *this, *this, *this, *this} {}

// ---- Windows -----------------------------------------------------------------------------

ScriptedWindow& ScriptedDesktop::AddTopWindow(const ScriptedWindow& w) {
    Windows[w.Handle] = w;
    std::erase(ZOrder, w.Handle);
    ZOrder.push_back(w.Handle);
    return Windows[w.Handle];
}

ScriptedWindow& ScriptedDesktop::AddControl(const ScriptedWindow& w) {
    Windows[w.Handle] = w;
    std::erase(ZOrder, w.Handle);
    return Windows[w.Handle];
}

ScriptedWindow& ScriptedDesktop::Window(HWindow w) {
    auto it = Windows.find(w);
    if (it == Windows.end()) throw std::out_of_range("no scripted window " + std::to_string(w));
    return it->second;
}

void ScriptedDesktop::BringToTop(HWindow w) {
    std::erase(ZOrder, w);
    ZOrder.insert(ZOrder.begin(), w);
}

void ScriptedDesktop::DestroyWindow(HWindow w) {
    Window(w).Exists = false;
    std::erase(ZOrder, w);
    if (Foreground == w) Foreground = 0;
}

void ScriptedDesktop::ScriptTarget(HWindow top, ThreadId thread, HWindow control,
                                   const std::u16string& controlClass) {
    ScriptedWindow t;
    t.Handle = top;
    t.Thread = thread;
    t.Title = u"Untitled - Notepad";
    t.Status = WS_ACTIVECAPTION;
    t.Rect = {0, 0, 800, 600};
    AddTopWindow(t);
    BringToTop(top);
    if (control != 0) {
        ScriptedWindow c;
        c.Handle = control;
        c.Thread = thread;
        c.ClassName = controlClass;
        AddControl(c);
    }
    SetGuiThread(thread, GuiThreadInfo{top, control, control});
    Foreground = top;
}

void ScriptedDesktop::FocusControl(ThreadId thread, HWindow control) {
    auto& info = GuiThreads[thread];
    info.Focus = control;
    info.Caret = control;
}

std::vector<TopLevelWindow> ScriptedDesktop::TopLevelWindows() {
    std::vector<TopLevelWindow> list;
    for (HWindow h : ZOrder) {
        const ScriptedWindow* w = Find(h);
        if (!w) continue;
        list.push_back({w->Handle, w->Title, w->Visible, w->ToolWindow, w->AppWindow, w->Owned,
                        w->Cloaked, w->Ours, w->Shell});
    }
    return list;
}

IconHandle ScriptedDesktop::WindowIcon(HWindow w, int) {
    const ScriptedWindow* f = Find(w);
    return f ? f->Icon : 0;
}

const ScriptedWindow* ScriptedDesktop::Find(HWindow w) const {
    auto it = Windows.find(w);
    return it == Windows.end() ? nullptr : &it->second;
}

HWindow ScriptedDesktop::ForegroundWindow() {
    return Exists(Foreground) ? Foreground : 0;
}

HWindow ScriptedDesktop::NextWindow(HWindow w) {
    auto it = std::find(ZOrder.begin(), ZOrder.end(), w);
    if (it == ZOrder.end() || ++it == ZOrder.end()) return 0;
    return *it;
}

ThreadId ScriptedDesktop::WindowThread(HWindow w) {
    const ScriptedWindow* f = Find(w);
    return f && f->Exists ? f->Thread : 0;
}

bool ScriptedDesktop::TitleIs(HWindow w, std::u16string_view title) {
    const ScriptedWindow* f = Find(w);
    return f && f->Exists && f->Title == title;
}

std::optional<std::uint32_t> ScriptedDesktop::WindowStatus(HWindow w) {
    const ScriptedWindow* f = Find(w);
    if (!f || !f->Exists) return std::nullopt;
    return f->Status;
}

bool ScriptedDesktop::IsVisible(HWindow w) {
    const ScriptedWindow* f = Find(w);
    return f && f->Exists && f->Visible;
}

bool ScriptedDesktop::IsEnabled(HWindow w) {
    const ScriptedWindow* f = Find(w);
    return f && f->Exists && f->Enabled;
}

std::optional<GuiThreadInfo> ScriptedDesktop::GuiThread(ThreadId thread) {
    auto it = GuiThreads.find(thread);
    if (it == GuiThreads.end()) return std::nullopt;
    return it->second;
}

bool ScriptedDesktop::ClassNameStartsWith(HWindow w, std::u16string_view prefix) {
    const ScriptedWindow* f = Find(w);
    if (!f || !f->Exists || !f->ClassName || f->ClassName->size() < prefix.size()) return false;
    auto lower = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
    };
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (lower((*f->ClassName)[i]) != lower(prefix[i])) return false;
    return true;
}

bool ScriptedDesktop::Exists(HWindow w) {
    const ScriptedWindow* f = Find(w);
    return f && f->Exists;
}

HWindow ScriptedDesktop::WindowAt(int x, int y) {
    if (WindowAtOverride) return *WindowAtOverride;
    for (HWindow w : ZOrder) {
        const ScriptedWindow* f = Find(w);
        if (f && f->Exists && f->Visible && f->Rect.Contains(x, y)) return w;
    }
    return 0;
}

bool ScriptedDesktop::IsPasswordField(HWindow control) {
    const ScriptedWindow* f = Find(control);
    return f && f->Exists && f->Password;
}

std::optional<std::uint32_t> ScriptedDesktop::IntegrityLevel(HWindow w) {
    const ScriptedWindow* f = Find(w);
    return f && f->Exists ? f->Integrity : std::nullopt;
}

std::u16string ScriptedDesktop::ProgramPath(HWindow w) {
    const ScriptedWindow* f = Find(w);
    return f && f->Exists ? f->Program : std::u16string();
}

// ---- Global shortcuts --------------------------------------------------------------------

bool ScriptedDesktop::RegisterShortcut(int id, std::uint32_t modifiers, std::uint8_t key) {
    const ShortcutKey wanted{modifiers, key};
    if (std::find(TakenShortcuts.begin(), TakenShortcuts.end(), wanted) != TakenShortcuts.end())
        return false;
    // As RegisterHotKey: one program cannot hold the same shortcut under two ids.
    for (const auto& [other, k] : Shortcuts)
        if (other != id && k == wanted) return false;
    Shortcuts[id] = wanted;
    return true;
}

bool ScriptedDesktop::PressShortcut(HWindow owner, std::uint32_t modifiers, std::uint8_t key) {
    for (const auto& [id, k] : Shortcuts) {
        if (k == ShortcutKey{modifiers, key}) {
            PostMessage(owner, WM_GLOBAL_SHORTCUT, static_cast<std::uintptr_t>(id), 0);
            return true;
        }
    }
    return false;
}

// ---- Key states --------------------------------------------------------------------------

void ScriptedDesktop::ReleaseAllKeys() {
    for (auto& [vk, entry] : KeyTable)
        entry.Down = false;
}

std::int16_t ScriptedDesktop::KeyState(int vk) {
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

void ScriptedDesktop::HoldClipboardOpen(HWindow holder, std::optional<std::uint32_t> untilTick) {
    holder_ = holder;
    holderUnnamed_ = false;
    holderUntil_ = untilTick;
}

void ScriptedDesktop::HoldClipboardOpenWithoutWindow(std::optional<std::uint32_t> untilTick) {
    holder_ = 0xFFFFFFFEu;
    holderUnnamed_ = true;
    holderUntil_ = untilTick;
}

bool ScriptedDesktop::HeldByAnother() {
    if (holder_ != 0 && holderUntil_ && static_cast<std::int32_t>(Now - *holderUntil_) >= 0)
        holder_ = 0;
    return holder_ != 0;
}

void ScriptedDesktop::SetClipboardText(const std::u16string& text) {
    // A program that sets the clipboard empties it first.
    ClearClipboard();
    ClipUnicode = text;
}

void ScriptedDesktop::SetClipboardAnsiText(const std::u16string& text) {
    ClipAnsi = text;
    ClipUnicode.reset();
}

void ScriptedDesktop::ClearClipboard() {
    ClipUnicode.reset();
    ClipAnsi.reset();
    ClipFormats.clear();
    ClipUnreadable.clear();
    offered_.reset();
    clipOwner_ = AnotherProgram;
}

namespace {

std::vector<std::uint8_t> UnicodeBytes(const std::u16string& text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::u16string UnicodeFromBytes(const std::vector<std::uint8_t>& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == 0) break;
        text += c;
    }
    return text;
}

} // namespace

std::vector<ClipboardItem> ScriptedDesktop::AllFormats() const {
    std::vector<ClipboardItem> items;
    if (ClipAnsi) {
        // The simulated 8-bit text is kept converted; one byte per character stands for it.
        std::vector<std::uint8_t> bytes;
        for (char16_t c : *ClipAnsi)
            bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
        items.push_back({CF_TEXT, bytes});
    }
    if (ClipUnicode) items.push_back({CF_UNICODETEXT, UnicodeBytes(*ClipUnicode)});
    for (const auto& [format, data] : ClipFormats)
        items.push_back({format, data});
    return items;
}

std::u16string ScriptedDesktop::ReadAsProgram(HWindow reader) {
    if (offered_) {
        // The system asks the owner to render, with the reader holding the clipboard open.
        ClipUnicode = *offered_;
        offered_.reset();
        offerTakers_.push_back(reader);
    }
    FormatsAtLastRead = AllFormats();
    return ClipUnicode.value_or(u"");
}

std::vector<ClipboardItem> ScriptedDesktop::ReadFormats() {
    if (openedBy_ == 0 || ClipboardDataHandleMissing) return {};
    if (offered_) ReadAsProgram(openedBy_);
    std::vector<ClipboardItem> items = AllFormats();
    std::erase_if(items, [this](const ClipboardItem& item) {
        return std::find(ClipUnreadable.begin(), ClipUnreadable.end(), item.Format) !=
               ClipUnreadable.end();
    });
    return items;
}

bool ScriptedDesktop::Empty() {
    if (openedBy_ == 0) return false;
    ClearClipboard();
    clipOwner_ = openedBy_ == 0xFFFFFFFFu ? 0 : openedBy_;
    return true;
}

bool ScriptedDesktop::Put(unsigned format, const std::vector<std::uint8_t>& data) {
    if (openedBy_ == 0) return false;
    if (format == CF_UNICODETEXT) {
        ClipUnicode = UnicodeFromBytes(data);
    } else if (format == CF_TEXT) {
        std::u16string text;
        for (std::uint8_t b : data) {
            if (b == 0) break;
            text += static_cast<char16_t>(b);
        }
        ClipAnsi = text;
    } else {
        ClipFormats[format] = data;
    }
    return true;
}

unsigned ScriptedDesktop::RegisterFormat(std::u16string_view name) {
    auto it = std::find(RegisteredFormats.begin(), RegisteredFormats.end(), name);
    if (it == RegisteredFormats.end())
        it = RegisteredFormats.insert(RegisteredFormats.end(), std::u16string(name));
    return 0xC000u + static_cast<unsigned>(it - RegisteredFormats.begin());
}

bool ScriptedDesktop::OfferText(std::u16string text) {
    if (openedBy_ == 0) return false;
    ClipUnicode.reset();
    offered_ = std::move(text);
    offerTakers_.clear();
    return true;
}

HWindow ScriptedDesktop::OpenClipboardWindow() {
    if (HeldByAnother()) return holderUnnamed_ ? 0 : holder_;
    return openedBy_;
}

bool ScriptedDesktop::Open(HWindow owner) {
    if (ClipboardOpenFails || HeldByAnother() || openedBy_ != 0) return false;
    // A window of 0 opens the clipboard for the task; remember it as open all the same.
    openedBy_ = owner != 0 ? owner : 0xFFFFFFFFu;
    ++ClipboardOpens;
    return true;
}

void ScriptedDesktop::Close() {
    if (openedBy_ == 0) return;
    openedBy_ = 0;
    ++ClipboardCloses;
}

bool ScriptedDesktop::IsFormatAvailable(unsigned format) {
    if (format == CF_UNICODETEXT) return ClipUnicode.has_value() || offered_.has_value();
    if (format == CF_TEXT) return ClipAnsi.has_value();
    return ClipFormats.count(format) != 0 ||
           std::find(ClipUnreadable.begin(), ClipUnreadable.end(), format) != ClipUnreadable.end();
}

std::optional<std::u16string> ScriptedDesktop::UnicodeText() {
    // GetClipboardData fails unless the caller has the clipboard open.
    if (openedBy_ == 0 || ClipboardDataHandleMissing) return std::nullopt;
    if (offered_) ReadAsProgram(openedBy_);
    return ClipUnicode;
}

std::optional<std::u16string> ScriptedDesktop::AnsiText() {
    if (openedBy_ == 0 || ClipboardDataHandleMissing) return std::nullopt;
    return ClipAnsi;
}

// ---- Clock -------------------------------------------------------------------------------

void ScriptedDesktop::Sleep(std::uint32_t ms) {
    Now += ms;
    SleptMs += ms;
    if (OtherThreads) OtherThreads();
    if (OnSleep) OnSleep();
}

// ---- Messages ----------------------------------------------------------------------------

bool ScriptedDesktop::PostMessage(HWindow w, unsigned msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    PostedMessage m{w, 0, msg, wParam, lParam};
    Posted.push_back(m);
    if (w != 0 && w == MainWindow) Queue.push_back(m);
    return true;
}

bool ScriptedDesktop::PostThreadMessage(ThreadId thread, unsigned msg, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
    ThreadPosts.push_back(PostedMessage{0, thread, msg, wParam, lParam});
    return thread != 0;
}

bool ScriptedDesktop::DeliverNext() {
    if (!MessageHandler || Queue.empty()) return false;
    PostedMessage m = Queue.front();
    Queue.pop_front();
    MessageHandler(m);
    return true;
}

void ScriptedDesktop::ProcessPendingMessages() {
    ++ProcessPendingCalls;
    if (OtherThreads) OtherThreads();
    if (OnProcessPending) OnProcessPending();
    // Messages posted by a handler are handled in the same pass, as PeekMessage would.
    while (DeliverNext()) {
        if (OtherThreads) OtherThreads();
    }
}

void ScriptedDesktop::WaitForMessages(std::uint32_t ms) {
    if (Queue.empty()) Sleep(ms);
}

std::vector<PostedMessage> ScriptedDesktop::PostedWith(unsigned msg) const {
    std::vector<PostedMessage> out;
    for (const auto& m : Posted)
        if (m.Msg == msg) out.push_back(m);
    return out;
}

std::vector<PostedMessage> ScriptedDesktop::ThreadPostsWith(unsigned msg) const {
    std::vector<PostedMessage> out;
    for (const auto& m : ThreadPosts)
        if (m.Msg == msg) out.push_back(m);
    return out;
}

// ---- Input -------------------------------------------------------------------------------

unsigned ScriptedDesktop::MapVirtualKey(unsigned vk) {
    auto it = ScanCodes.find(vk);
    return it == ScanCodes.end() ? 0 : it->second;
}

void ScriptedDesktop::SendInput(const KeyEvent& e) {
    if (RefusedInjections > 0) {
        --RefusedInjections;
        throw InputRefused(u"Windows refused a typed key");
    }
    Deliver(e);
}

void ScriptedDesktop::Deliver(const KeyEvent& e) {
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

void ScriptedDesktop::SendInputs(const std::vector<KeyEvent>& events) {
    ++SendInputCalls;
    const bool refused = RefusedInjections > 0 && !events.empty();
    const std::size_t taken = refused ? events.size() / 2 : events.size();
    for (std::size_t i = 0; i < taken; ++i)
        Deliver(events[i]);
    if (!refused) return;
    --RefusedInjections;
    throw InputRefused(u"Windows refused the typed keys");
}

void ScriptedDesktop::WaitForInputTaken(HWindow target, std::uint32_t) {
    ++InputWaits;
    if (OnWaitForInputTaken) OnWaitForInputTaken(target);
}

bool ScriptedDesktop::SetForegroundWindow(HWindow w) {
    ForegroundRequests.push_back(w);
    if (RefuseForeground || !Exists(w)) return false;
    // The window comes to the front and is activated, as on Windows.
    if (Foreground != w && Exists(Foreground) && Windows[Foreground].Status)
        Windows[Foreground].Status = 0;
    Foreground = w;
    Windows[w].Status = WS_ACTIVECAPTION;
    if (std::find(ZOrder.begin(), ZOrder.end(), w) != ZOrder.end()) BringToTop(w);
    return true;
}

// ---- Layouts -----------------------------------------------------------------------------

HLayout ScriptedDesktop::KeyboardLayout(ThreadId thread) {
    auto it = ThreadLayouts.find(thread);
    return it == ThreadLayouts.end() ? DefaultLayout : it->second;
}

std::int16_t ScriptedDesktop::VkKeyScan(char16_t ch, HLayout layout) {
    return VkKeyScanHandler ? VkKeyScanHandler(ch, layout) : std::int16_t{-1};
}

} // namespace lumora::sim
