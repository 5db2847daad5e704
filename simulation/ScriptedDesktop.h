#pragma once
// A scripted desktop: one object that plays every operating-system interface of platform/ for
// the tests. Windows, threads, key states, clipboard, clock and message queue are plain data
// that a test sets up and inspects; nothing here waits for real time.
#include "platform/DesktopWindows.h"
#include "platform/Platform.h"
#include "platform/SignInStart.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumora::sim {

struct ScriptedRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
};

// One scripted window: a top-level window (in the z-order) or a control inside one.
struct ScriptedWindow {
    HWindow Handle = 0;
    ThreadId Thread = 0;
    std::u16string Title;
    // WS_ACTIVECAPTION or 0; nullopt makes the status unreadable.
    std::optional<std::uint32_t> Status = 0;
    bool Visible = true;
    bool Enabled = true;
    // nullopt makes the class name unreadable.
    std::optional<std::u16string> ClassName = u"FakeWindow";
    bool Exists = true;
    ScriptedRect Rect;
    bool Password = false; // an edit control with the password style
    // The integrity level of the window's process (nullopt: unreadable) and its program.
    std::optional<std::uint32_t> Integrity = MediumIntegrity;
    std::u16string Program = u"C:\\Windows\\notepad.exe";
    // How the window lists of the Options window see it.
    bool ToolWindow = false;
    bool AppWindow = false;
    bool Owned = false;
    bool Cloaked = false;
    bool Ours = false;
    bool Shell = false;
    IconHandle Icon = 0;
};

// A message posted with PostMessage or PostThreadMessage.
struct PostedMessage {
    HWindow Window = 0;  // 0 for a thread message
    ThreadId Thread = 0; // 0 for a window message
    unsigned Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;

    bool operator==(const PostedMessage&) const = default;
};

class ScriptedDesktop final : public WindowQueries,
                              public KeyStates,
                              public Clipboard,
                              public Clock,
                              public DateFormats,
                              public MessagePort,
                              public InputInjector,
                              public KeyboardLayouts,
                              public ProcessQueries,
                              public GlobalShortcuts,
                              public SignInStart,
                              public DesktopWindows {
public:
    ScriptedDesktop();
    ScriptedDesktop(const ScriptedDesktop&) = delete; // the Platform it hands out refers to it
    ScriptedDesktop& operator=(const ScriptedDesktop&) = delete;

    // The aggregate the core takes; it refers to this object.
    Platform& AsPlatform() { return platform_; }

    // ---- Windows -------------------------------------------------------------------------
    // Adds (or replaces) a top-level window; it goes to the bottom of the z-order.
    ScriptedWindow& AddTopWindow(const ScriptedWindow& w);
    // Adds (or replaces) a control: a window that is not in the z-order.
    ScriptedWindow& AddControl(const ScriptedWindow& w);
    // The scripted window with that handle; throws std::out_of_range when there is none.
    ScriptedWindow& Window(HWindow w);
    // Moves a top-level window to the top of the z-order.
    void BringToTop(HWindow w);
    // Marks the window as destroyed (IsWindow false); it leaves the z-order.
    void DestroyWindow(HWindow w);
    void SetForeground(HWindow w) { Foreground = w; }
    // A thread's GUI info; a thread that has none makes GetGUIThreadInfo fail.
    void SetGuiThread(ThreadId thread, GuiThreadInfo info) { GuiThreads[thread] = info; }
    // Convenience: a foreground window of its own thread, active, with one focused control
    // that also holds the caret.
    void ScriptTarget(HWindow top, ThreadId thread, HWindow control,
                      const std::u16string& controlClass = u"Edit");
    // Moves keyboard focus and caret of a thread to another control.
    void FocusControl(ThreadId thread, HWindow control);

    HWindow Foreground = 0;
    std::vector<HWindow> ZOrder; // top first
    std::map<HWindow, ScriptedWindow> Windows;
    std::map<ThreadId, GuiThreadInfo> GuiThreads;
    // When set, WindowAt answers this instead of looking at the rectangles.
    std::optional<HWindow> WindowAtOverride;

    // ---- Key states ----------------------------------------------------------------------
    void SetKeyDown(int vk, bool down) { KeyTable[vk].Down = down; }
    void SetToggled(int vk, bool on) { KeyTable[vk].Toggled = on; }
    void ReleaseAllKeys();
    struct KeyStateEntry {
        bool Down = false;
        bool Toggled = false;
    };
    std::map<int, KeyStateEntry> KeyTable;
    // Injected key events move the key table as real input would (down, up, CapsLock toggle).
    bool InjectedEventsChangeKeyStates = true;

    // ---- Clipboard -----------------------------------------------------------------------
    // Another window holds the clipboard open; until the given tick, or until released.
    void HoldClipboardOpen(HWindow holder, std::optional<std::uint32_t> untilTick = std::nullopt);
    // Another program holds it open without a window (OpenClipboard(NULL), as OLE's clipboard
    // does): no window is named as holding it, yet nobody else can open it.
    void HoldClipboardOpenWithoutWindow(std::optional<std::uint32_t> untilTick = std::nullopt);
    void ReleaseClipboard() { holder_ = 0; }
    void SetClipboardText(const std::u16string& text);     // CF_UNICODETEXT only
    void SetClipboardAnsiText(const std::u16string& text); // CF_TEXT only (already converted)
    void ClearClipboard();
    bool ClipboardOpenByUs() const { return openedBy_ != 0; }
    // A program reads the clipboard's text as a paste does: it opens the clipboard for its
    // window, which renders offered text; the formats it found are kept in FormatsAtLastRead.
    std::u16string ReadAsProgram(HWindow reader);
    // Every format now on the clipboard (the text ones included), as ReadFormats sees them.
    std::vector<ClipboardItem> AllFormats() const;

    std::optional<std::u16string> ClipUnicode;
    std::optional<std::u16string> ClipAnsi;
    bool ClipboardDataHandleMissing = false; // formats announced, but no data handle
    bool ClipboardOpenFails = false;
    int ClipboardOpens = 0;  // successful Open calls
    int ClipboardCloses = 0; // Close calls while open
    // Formats besides the two texts (an image, rich text, a private format), by number.
    std::map<unsigned, std::vector<std::uint8_t>> ClipFormats;
    // Formats announced whose data is no block of memory (a bitmap handle): never readable.
    std::vector<unsigned> ClipUnreadable;
    // The clipboard as the last program that read it found it.
    std::vector<ClipboardItem> FormatsAtLastRead;
    // Registered format names, numbered from 0xC000 as the system numbers them.
    std::vector<std::u16string> RegisteredFormats;

    // ---- Clock ---------------------------------------------------------------------------
    std::uint32_t Now = 1000;
    std::uint32_t SleptMs = 0;
    std::uint32_t LastInput = 0; // the tick of the user's last input
    // The local date and time the phrases' fields see.
    LocalTime LocalNow{2026, 12, 9, 3, 14, 30, 0};
    // Runs on every Sleep, after the clock has moved (to script what happens meanwhile).
    std::function<void()> OnSleep;

    // ---- Messages ------------------------------------------------------------------------
    // Receives the messages posted to MainWindow when pending messages are processed.
    std::function<void(const PostedMessage&)> MessageHandler;
    // Runs at the start of every ProcessPendingMessages (to script input arriving meanwhile).
    std::function<void()> OnProcessPending;
    // The program's other threads (the hook library's): they run whenever the program's own
    // thread waits or handles pending messages.
    std::function<void()> OtherThreads;
    HWindow MainWindow = 0;
    std::vector<PostedMessage> Posted;      // every window message ever posted
    std::vector<PostedMessage> ThreadPosts; // every thread message ever posted
    std::deque<PostedMessage> Queue;        // posted to MainWindow and not yet delivered
    int ProcessPendingCalls = 0;
    // Delivers one queued message as the message loop would; false when the queue is empty.
    bool DeliverNext();
    // Window messages of one number posted so far.
    std::vector<PostedMessage> PostedWith(unsigned msg) const;
    std::vector<PostedMessage> ThreadPostsWith(unsigned msg) const;

    // ---- Input ---------------------------------------------------------------------------
    std::vector<KeyEvent> Injected;
    std::function<void(const KeyEvent&)> InjectObserver;
    std::map<unsigned, unsigned> ScanCodes; // vk -> scan code; a US keyboard's by default
    std::uintptr_t ExtraInfo = 0x4C55;
    int SendInputCalls = 0; // injections of several events at once (SendInputs)
    // Injections the system takes only in part, as while another desktop is shown: each of the
    // next ones delivers the first half of its events (a single event: none) and throws
    // InputRefused.
    int RefusedInjections = 0;
    std::vector<HWindow> ForegroundRequests;
    bool RefuseForeground = false;
    // Waits for a target to take its input: how many, and what runs at each (the simulated
    // desktop lets its lagging target catch up there).
    int InputWaits = 0;
    std::function<void(HWindow target)> OnWaitForInputTaken;

    // ---- Layouts -------------------------------------------------------------------------
    std::map<ThreadId, HLayout> ThreadLayouts;
    HLayout DefaultLayout = 0x04090409;
    // Answers VkKeyScan; unset means no key gives any character (-1).
    std::function<std::int16_t(char16_t, HLayout)> VkKeyScanHandler;
    // Answers IsDeadKey; unset means the layout has no dead keys.
    std::function<bool(std::uint8_t vk, std::uint8_t shiftState, HLayout)> DeadKeyHandler;

    // ---- Processes -----------------------------------------------------------------------
    std::optional<std::uint32_t> OwnIntegrity = MediumIntegrity;

    // ---- Global shortcuts ----------------------------------------------------------------
    struct ShortcutKey {
        std::uint32_t Modifiers = 0;
        std::uint8_t Key = 0;
        friend bool operator==(const ShortcutKey&, const ShortcutKey&) = default;
    };
    std::map<int, ShortcutKey> Shortcuts; // registered, by id
    // Held by other programs: registering one of them fails.
    std::vector<ShortcutKey> TakenShortcuts;
    // The user presses a shortcut: when it is registered, the system posts WM_HOTKEY with its
    // id to `owner`. False when it is not.
    bool PressShortcut(HWindow owner, std::uint32_t modifiers, std::uint8_t key);

    // ---- The interfaces ------------------------------------------------------------------
    HWindow ForegroundWindow() override;
    HWindow NextWindow(HWindow w) override;
    ThreadId WindowThread(HWindow w) override;
    bool TitleIs(HWindow w, std::u16string_view title) override;
    std::optional<std::uint32_t> WindowStatus(HWindow w) override;
    bool IsVisible(HWindow w) override;
    bool IsEnabled(HWindow w) override;
    std::optional<GuiThreadInfo> GuiThread(ThreadId thread) override;
    bool ClassNameStartsWith(HWindow w, std::u16string_view prefix) override;
    bool Exists(HWindow w) override;
    HWindow WindowAt(int x, int y) override;
    bool IsPasswordField(HWindow control) override;

    std::vector<TopLevelWindow> TopLevelWindows() override;
    IconHandle WindowIcon(HWindow w, int) override;

    std::int16_t KeyState(int vk) override;
    bool IsKeyDown(int vk) override { return KeyTable[vk].Down; }

    HWindow OpenClipboardWindow() override;
    bool Open(HWindow owner) override;
    void Close() override;
    bool IsFormatAvailable(unsigned format) override;
    std::optional<std::u16string> UnicodeText() override;
    std::optional<std::u16string> AnsiText() override;
    std::vector<ClipboardItem> ReadFormats() override;
    bool Empty() override;
    bool Put(unsigned format, const std::vector<std::uint8_t>& data) override;
    unsigned RegisterFormat(std::u16string_view name) override;
    bool OfferText(std::u16string text) override;
    std::vector<HWindow> OfferTakers() override { return offerTakers_; }
    HWindow Owner() override { return clipOwner_; }

    std::uint32_t TickCount() override { return Now; }
    void Sleep(std::uint32_t ms) override;
    std::uint32_t LastInputTick() override { return LastInput; }

    LocalTime CurrentTime() override { return LocalNow; }
    std::optional<std::u16string> FormatDate(const LocalTime& t,
                                             std::u16string_view picture) override {
        return FormatDatePicture(t, picture);
    }
    std::optional<std::u16string> FormatTime(const LocalTime& t,
                                             std::u16string_view picture) override {
        return FormatTimePicture(t, picture);
    }

    bool PostMessage(HWindow w, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool PostThreadMessage(ThreadId thread, unsigned msg, std::uintptr_t wParam,
                           std::intptr_t lParam) override;
    void ProcessPendingMessages() override;
    // Returns at once when a message waits for the main window, else sleeps for ms.
    void WaitForMessages(std::uint32_t ms) override;

    unsigned MapVirtualKey(unsigned vk) override;
    std::uintptr_t MessageExtraInfo() override { return ExtraInfo; }
    void SendInput(const KeyEvent& e) override;
    void SendInputs(const std::vector<KeyEvent>& events) override;
    bool SetForegroundWindow(HWindow w) override;
    void WaitForInputTaken(HWindow target, std::uint32_t timeoutMs) override;

    HLayout KeyboardLayout(ThreadId thread) override;
    std::int16_t VkKeyScan(char16_t ch, HLayout layout) override;
    bool IsDeadKey(std::uint8_t vk, std::uint8_t shiftState, HLayout layout) override {
        return DeadKeyHandler && DeadKeyHandler(vk, shiftState, layout);
    }

    std::optional<std::uint32_t> IntegrityLevel(HWindow w) override;
    std::optional<std::uint32_t> OwnIntegrityLevel() override { return OwnIntegrity; }
    std::u16string ProgramPath(HWindow w) override;

    bool RegisterShortcut(int id, std::uint32_t modifiers, std::uint8_t key) override;
    void UnregisterShortcut(int id) override { Shortcuts.erase(id); }

    // ---- The Run key's entry ----------------------------------------------------------------
    std::optional<std::u16string> RunKeyCommand;
    std::optional<std::u16string> RunCommand() override { return RunKeyCommand; }
    void SetRunCommand(const std::u16string& command) override { RunKeyCommand = command; }
    void RemoveRunCommand() override { RunKeyCommand.reset(); }

private:
    // One injected event reaches the key states and the observer.
    void Deliver(const KeyEvent& e);
    const ScriptedWindow* Find(HWindow w) const;

    HWindow holder_ = 0;
    bool holderUnnamed_ = false;
    std::optional<std::uint32_t> holderUntil_;
    // Another program holds the clipboard open (the hold expires at its tick).
    bool HeldByAnother();
    HWindow openedBy_ = 0;
    // Contents set or emptied by the test stand for another program's.
    static constexpr HWindow AnotherProgram = 0xFFFFFFFDu;
    HWindow clipOwner_ = 0;
    std::optional<std::u16string> offered_;
    std::vector<HWindow> offerTakers_;
    Platform platform_;
};

} // namespace lumora::sim
