#pragma once
// The operating system for the core: every platform interface as a thin layer over user32 and
// kernel32, and nothing else.
#include "platform/CodePage.h"
#include "platform/DesktopWindows.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "platform/SignInStart.h"

#include <functional>

namespace lumora {

class Win32Platform final : public WindowQueries,
                            public KeyStates,
                            public Clipboard,
                            public Clock,
                            public DateFormats,
                            public MessagePort,
                            public InputInjector,
                            public KeyboardLayouts,
                            public ProcessQueries,
                            public GlobalShortcuts,
                            public MessageBoxes,
                            public SignInStart,
                            public CodePage,
                            public DesktopWindows {
public:
    // Told when a quit request turns up while pending messages are handled (unset: nothing).
    std::function<void()> QuitSeen;

    Win32Platform() = default;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    Platform AsPlatform() {
        return Platform{*this, *this, *this, *this, *this, *this, *this, *this, *this, *this};
    }

    // Message boxes are owned by this window, and global shortcuts come to it (the main
    // window; 0 until it exists).
    void SetOwnerWindow(HWindow w) { owner_ = w; }

    // WindowQueries
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

    // DesktopWindows
    std::vector<TopLevelWindow> TopLevelWindows() override;
    IconHandle WindowIcon(HWindow w, int size) override;

    // CodePage
    std::u16string ToUtf16(std::string_view bytes) override;
    std::optional<std::string> FromUtf16(std::u16string_view text) override;

    // KeyStates
    std::int16_t KeyState(int vk) override;
    bool IsKeyDown(int vk) override;

    // Clipboard
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
    HWindow Owner() override;
    // The owner window's WM_RENDERFORMAT, WM_RENDERALLFORMATS and WM_DESTROYCLIPBOARD.
    void RenderClipboardFormat(unsigned format);
    void RenderAllClipboardFormats();
    void ClipboardDestroyed() { offered_.reset(); }

    // Clock
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t ms) override;
    std::uint32_t LastInputTick() override;

    // DateFormats
    LocalTime CurrentTime() override;
    std::optional<std::u16string> FormatDate(const LocalTime& t,
                                             std::u16string_view picture) override;
    std::optional<std::u16string> FormatTime(const LocalTime& t,
                                             std::u16string_view picture) override;

    // MessagePort
    bool PostMessage(HWindow w, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool PostThreadMessage(ThreadId thread, unsigned msg, std::uintptr_t wParam,
                           std::intptr_t lParam) override;
    void ProcessPendingMessages() override;
    void WaitForMessages(std::uint32_t ms) override;

    // InputInjector
    unsigned MapVirtualKey(unsigned vk) override;
    std::uintptr_t MessageExtraInfo() override;
    void SendInput(const KeyEvent& e) override;
    void SendInputs(const std::vector<KeyEvent>& events) override;
    bool SetForegroundWindow(HWindow w) override;
    void WaitForInputTaken(HWindow target, std::uint32_t timeoutMs) override;

    // KeyboardLayouts
    HLayout KeyboardLayout(ThreadId thread) override;
    std::int16_t VkKeyScan(char16_t ch, HLayout layout) override;
    bool IsDeadKey(std::uint8_t vk, std::uint8_t shiftState, HLayout layout) override;

    // ProcessQueries
    std::optional<std::uint32_t> IntegrityLevel(HWindow w) override;
    std::optional<std::uint32_t> OwnIntegrityLevel() override;
    std::u16string ProgramPath(HWindow w) override;

    // GlobalShortcuts
    bool RegisterShortcut(int id, std::uint32_t modifiers, std::uint8_t key) override;
    void UnregisterShortcut(int id) override;

    // MessageBoxes
    void ShowMessage(const std::u16string& text, const std::u16string& caption,
                     MessageBoxIcon icon) override;

    // SignInStart
    std::optional<std::u16string> RunCommand() override;
    void SetRunCommand(const std::u16string& command) override;
    void RemoveRunCommand() override;

private:
    HWindow owner_ = 0;
    // The longest pause between two characters the target's caret was last seen to take.
    unsigned long long caretGapMs_ = 0;
    // The text offered for rendering on demand, until a program asks for it.
    std::optional<std::u16string> offered_;
    std::vector<HWindow> offerTakers_;
    // Our own integrity level, once read (it cannot change while we run).
    std::optional<std::optional<std::uint32_t>> ownIntegrity_;
};

} // namespace lumora
