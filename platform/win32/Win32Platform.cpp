// The platform interfaces on Windows: each call a thin layer over user32 and kernel32.
#include "platform/win32/Win32Platform.h"

#include "platform/Error.h"
#include "platform/win32/SystemErrors.h"
#include "platform/win32/Win32Handles.h"

#include <dwmapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace lumora {

namespace {

// GlobalLock/GlobalUnlock of a clipboard data handle.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HANDLE h) : handle_(h), data_(h ? GlobalLock(h) : nullptr) {}
    ~GlobalLockGuard() {
        if (data_) GlobalUnlock(handle_);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    void* Data() const { return data_; }
    // The size of the block, to bound the search for the terminating NUL.
    std::size_t Size() const { return data_ ? GlobalSize(handle_) : 0; }

private:
    HANDLE handle_;
    void* data_;
};

// The process that owns a window, opened for what may be asked of any process, elevated or not
// (PROCESS_QUERY_LIMITED_INFORMATION); null when it cannot be opened.
HANDLE OpenWindowProcess(HWindow w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(ToHwnd(w), &pid);
    return pid ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid) : nullptr;
}

// The last sub-authority of the token's integrity label.
std::optional<std::uint32_t> IntegrityOf(HANDLE process) {
    UniqueHandle token;
    if (!process || !OpenProcessToken(process, TOKEN_QUERY, token.Receive())) return std::nullopt;
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenIntegrityLevel, nullptr, 0, &size);
    if (size < sizeof(TOKEN_MANDATORY_LABEL)) return std::nullopt;
    std::vector<unsigned char> buffer(size);
    if (!GetTokenInformation(token.Get(), TokenIntegrityLevel, buffer.data(), size, &size))
        return std::nullopt;
    const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
    if (!sid || !IsValidSid(sid)) return std::nullopt;
    const UCHAR count = *GetSidSubAuthorityCount(sid);
    if (count == 0) return std::nullopt;
    return static_cast<std::uint32_t>(*GetSidSubAuthority(sid, count - 1));
}

} // namespace

// --- WindowQueries ---------------------------------------------------------------------------

HWindow Win32Platform::ForegroundWindow() {
    return FromHwnd(GetForegroundWindow());
}

HWindow Win32Platform::NextWindow(HWindow w) {
    return FromHwnd(GetWindow(ToHwnd(w), GW_HWNDNEXT));
}

ThreadId Win32Platform::WindowThread(HWindow w) {
    return w ? GetWindowThreadProcessId(ToHwnd(w), nullptr) : 0;
}

namespace {

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

} // namespace

bool Win32Platform::TitleIs(HWindow w, std::u16string_view title) {
    wchar_t buf[64];
    if (title.size() + 2 > std::size(buf)) return false;
    // One more than the title can hold: a longer title does not compare equal.
    const int n = GetWindowTextW(ToHwnd(w), buf, static_cast<int>(title.size() + 2));
    if (n < 0 || static_cast<std::size_t>(n) != title.size()) return false;
    return std::equal(title.begin(), title.end(), buf,
                      [](char16_t a, wchar_t b) { return a == static_cast<char16_t>(b); });
}

std::optional<std::uint32_t> Win32Platform::WindowStatus(HWindow w) {
    WINDOWINFO info{};
    info.cbSize = sizeof info;
    if (!GetWindowInfo(ToHwnd(w), &info)) return std::nullopt;
    if (info.dwWindowStatus == WS_ACTIVECAPTION) return WS_ACTIVECAPTION;
    // Wine reports a status of 0 for other processes' windows even when they are active; the
    // active window of the window's own thread tells the truth there, and on Windows as well.
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    DWORD thread = GetWindowThreadProcessId(ToHwnd(w), nullptr);
    if (thread && GetGUIThreadInfo(thread, &gui) && gui.hwndActive == ToHwnd(w))
        return WS_ACTIVECAPTION;
    return info.dwWindowStatus;
}

bool Win32Platform::IsVisible(HWindow w) {
    return IsWindowVisible(ToHwnd(w)) != FALSE;
}

bool Win32Platform::IsEnabled(HWindow w) {
    return IsWindowEnabled(ToHwnd(w)) != FALSE;
}

std::optional<GuiThreadInfo> Win32Platform::GuiThread(ThreadId thread) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (!GetGUIThreadInfo(thread, &gui)) return std::nullopt;
    return GuiThreadInfo{FromHwnd(gui.hwndActive), FromHwnd(gui.hwndFocus),
                         FromHwnd(gui.hwndCaret)};
}

bool Win32Platform::ClassNameStartsWith(HWindow w, std::u16string_view prefix) {
    wchar_t buf[257];
    const int n = GetClassNameW(ToHwnd(w), buf, 257);
    if (n <= 0 || static_cast<std::size_t>(n) < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(static_cast<char16_t>(buf[i])) != AsciiLower(prefix[i])) return false;
    return true;
}

bool Win32Platform::Exists(HWindow w) {
    return w != 0 && IsWindow(ToHwnd(w)) != FALSE;
}

HWindow Win32Platform::WindowAt(int x, int y) {
    return FromHwnd(WindowFromPoint(POINT{x, y}));
}

bool Win32Platform::IsPasswordField(HWindow control) {
    if (control == 0) return false;
    const HWND w = ToHwnd(control);
    // The style is read without a message, so ordinary controls cost nothing. Other classes
    // give the same bit meanings of their own (a button's BS_LEFTTEXT): the password
    // character, which only an edit control with the password style has, settles it.
    if ((GetWindowLongW(w, GWL_STYLE) & ES_PASSWORD) == 0) return false;
    DWORD_PTR passwordChar = 0;
    if (!SendMessageTimeoutW(w, EM_GETPASSWORDCHAR, 0, 0, SMTO_ABORTIFHUNG, 200, &passwordChar))
        return true; // no answer: the style alone decides, on the side of privacy
    return passwordChar != 0;
}

// --- DesktopWindows --------------------------------------------------------------------------

namespace {

BOOL CALLBACK CollectWindow(HWND w, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
    return TRUE;
}

} // namespace

std::vector<TopLevelWindow> Win32Platform::TopLevelWindows() {
    std::vector<HWND> handles;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&handles));
    std::vector<TopLevelWindow> windows;
    windows.reserve(handles.size());
    const DWORD ownProcess = GetCurrentProcessId();
    HWND const shell = GetShellWindow();
    HWND const taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    // Wine without a desktop shows the notification area in a window of its own instead.
    HWND const wineTray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    for (HWND w : handles) {
        TopLevelWindow info;
        info.Window = FromHwnd(w);
        // Read from the system's copy for another process's window: a hung program cannot
        // stall the list.
        wchar_t title[512] = {};
        const int n = GetWindowTextW(w, title, ARRAYSIZE(title));
        info.Title = FromWide(title, static_cast<std::size_t>(std::max(n, 0)));
        info.Visible = IsWindowVisible(w) != FALSE;
        const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(w, GWL_EXSTYLE));
        info.ToolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
        info.AppWindow = (exStyle & WS_EX_APPWINDOW) != 0;
        info.Owned = GetWindow(w, GW_OWNER) != nullptr;
        DWORD cloaked = 0;
        info.Cloaked =
            SUCCEEDED(DwmGetWindowAttribute(w, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) &&
            cloaked != 0;
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        info.Ours = pid == ownProcess;
        info.Shell = w == shell || w == taskbar || w == wineTray;
        windows.push_back(std::move(info));
    }
    return windows;
}

IconHandle Win32Platform::WindowIcon(HWindow w, int size) {
    HWND hwnd = ToHwnd(w);
    const bool small = size <= GetSystemMetrics(SM_CXSMICON);
    // Asked with a time limit: a window that does not answer gets no icon, not a frozen list.
    const WPARAM kinds[2] = {small ? static_cast<WPARAM>(ICON_SMALL2) : ICON_BIG,
                             small ? static_cast<WPARAM>(ICON_BIG) : ICON_SMALL2};
    for (WPARAM kind : kinds) {
        DWORD_PTR icon = 0;
        if (SendMessageTimeoutW(hwnd, WM_GETICON, kind, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 200,
                                &icon) &&
            icon)
            return static_cast<IconHandle>(icon);
    }
    const int classIcons[2] = {small ? GCLP_HICONSM : GCLP_HICON,
                               small ? GCLP_HICON : GCLP_HICONSM};
    for (int index : classIcons)
        if (const ULONG_PTR icon = GetClassLongPtrW(hwnd, index)) return icon;
    return 0;
}

// --- DateFormats -----------------------------------------------------------------------------

namespace {

SYSTEMTIME ToSystemTime(const LocalTime& t) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.Year);
    st.wMonth = static_cast<WORD>(t.Month);
    st.wDay = static_cast<WORD>(t.Day);
    st.wDayOfWeek = static_cast<WORD>(t.DayOfWeek);
    st.wHour = static_cast<WORD>(t.Hour);
    st.wMinute = static_cast<WORD>(t.Minute);
    st.wSecond = static_cast<WORD>(t.Second);
    return st;
}

// The user's own locale and formats; 0 from the API (a picture it refuses) is nullopt. The
// size is asked first: a long picture gives more than any fixed buffer holds.
template <class Api> std::optional<std::u16string> Formatted(Api api) {
    const int size = api(nullptr, 0);
    if (size <= 1) return std::nullopt;
    std::wstring buffer(static_cast<std::size_t>(size), L'\0');
    const int n = api(buffer.data(), size);
    if (n <= 1) return std::nullopt;
    return FromWide(buffer.data(), static_cast<std::size_t>(n - 1));
}

} // namespace

LocalTime Win32Platform::CurrentTime() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return LocalTime{st.wYear, st.wMonth, st.wDay, st.wDayOfWeek, st.wHour, st.wMinute, st.wSecond};
}

namespace {

// Wine breaks off a result of over 255 characters: a long picture is formatted in pieces that
// each give a short one (on Windows the result is the same either way).
constexpr std::size_t PicturePieceLimit = 64;

template <class Piece>
std::optional<std::u16string> InPieces(std::u16string_view picture, Piece format) {
    if (picture.size() <= PicturePieceLimit) return format(std::u16string(picture));
    std::u16string out;
    for (const std::u16string& piece : PicturePieces(picture, PicturePieceLimit)) {
        std::optional<std::u16string> part = format(piece);
        if (!part) return std::nullopt;
        out += *part;
    }
    return out;
}

} // namespace

std::optional<std::u16string> Win32Platform::FormatDate(const LocalTime& t,
                                                        std::u16string_view picture) {
    const SYSTEMTIME st = ToSystemTime(t);
    return InPieces(picture, [&](const std::u16string& pic) {
        return Formatted([&](wchar_t* out, int size) {
            return GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, pic.empty() ? DATE_SHORTDATE : 0, &st,
                                   pic.empty() ? nullptr : WidePtr(pic), out, size, nullptr);
        });
    });
}

std::optional<std::u16string> Win32Platform::FormatTime(const LocalTime& t,
                                                        std::u16string_view picture) {
    const SYSTEMTIME st = ToSystemTime(t);
    return InPieces(picture, [&](const std::u16string& pic) {
        return Formatted([&](wchar_t* out, int size) {
            return GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, pic.empty() ? TIME_NOSECONDS : 0, &st,
                                   pic.empty() ? nullptr : WidePtr(pic), out, size);
        });
    });
}

// --- CodePage --------------------------------------------------------------------------------

std::u16string Win32Platform::ToUtf16(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int length = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, out.data(), n);
    return FromWide(out);
}

std::optional<std::string> Win32Platform::FromUtf16(std::u16string_view text) {
    if (text.empty()) return std::string();
    const std::wstring wide(text.begin(), text.end());
    const int length = static_cast<int>(wide.size());
    // No best fit: an "é" the code page lacks must not quietly become an "e".
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0,
                                      nullptr, &lossy);
    if (n <= 0 || lossy) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, out.data(), n, nullptr,
                        &lossy);
    if (lossy) return std::nullopt;
    return out;
}

// --- KeyStates -------------------------------------------------------------------------------

std::int16_t Win32Platform::KeyState(int vk) {
    return GetKeyState(vk);
}

bool Win32Platform::IsKeyDown(int vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

// --- Clipboard -------------------------------------------------------------------------------

HWindow Win32Platform::OpenClipboardWindow() {
    return FromHwnd(GetOpenClipboardWindow());
}

bool Win32Platform::Open(HWindow owner) {
    return OpenClipboard(ToHwnd(owner)) != FALSE;
}

void Win32Platform::Close() {
    CloseClipboard();
}

bool Win32Platform::IsFormatAvailable(unsigned format) {
    return IsClipboardFormatAvailable(format) != FALSE;
}

std::optional<std::u16string> Win32Platform::UnicodeText() {
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    if (!h) return std::nullopt;
    GlobalLockGuard lock(h);
    const auto* p = static_cast<const char16_t*>(lock.Data());
    if (!p) return std::u16string();
    // Never read past the block, even when its text lacks the terminating NUL.
    std::size_t max = lock.Size() / sizeof(char16_t), n = 0;
    while (n < max && p[n] != 0)
        ++n;
    return std::u16string(p, n);
}

std::optional<std::u16string> Win32Platform::AnsiText() {
    HANDLE h = GetClipboardData(CF_TEXT);
    if (!h) return std::nullopt;
    GlobalLockGuard lock(h);
    const auto* p = static_cast<const char*>(lock.Data());
    if (!p) return std::u16string();
    std::size_t max = lock.Size(), n = 0;
    while (n < max && p[n] != 0)
        ++n;
    if (n == 0) return std::u16string();
    int len = MultiByteToWideChar(CP_ACP, 0, p, static_cast<int>(n), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(len > 0 ? len : 0), L'\0');
    if (len > 0) MultiByteToWideChar(CP_ACP, 0, p, static_cast<int>(n), w.data(), len);
    return FromWide(w);
}

namespace {

// Formats whose data is a GDI or other handle, not a block of global memory: GetClipboardData
// gives no HGLOBAL to copy, so they cannot be saved as bytes. Windows synthesises CF_BITMAP
// and CF_ENHMETAFILE from CF_DIB and CF_METAFILEPICT's neighbours on request, so an image
// comes back through its DIB; an owner-display or GDI-object format is lost with its owner.
bool IsHandleFormat(UINT format) {
    switch (format) {
    case CF_BITMAP:
    case CF_METAFILEPICT: // an HGLOBAL, but holding a metafile handle that dies with its owner
    case CF_PALETTE:
    case CF_ENHMETAFILE:
    case CF_OWNERDISPLAY:
    case CF_DSPBITMAP:
    case CF_DSPMETAFILEPICT:
    case CF_DSPENHMETAFILE:
        return true;
    default:
        return format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST;
    }
}

// A copy of bytes in movable global memory, as SetClipboardData takes it; null when none.
HGLOBAL GlobalCopy(const void* data, std::size_t size) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size ? size : 1);
    if (!h) return nullptr;
    if (void* p = GlobalLock(h)) {
        if (size) std::memcpy(p, data, size);
        GlobalUnlock(h);
        return h;
    }
    GlobalFree(h);
    return nullptr;
}

} // namespace

std::vector<ClipboardItem> Win32Platform::ReadFormats() {
    std::vector<ClipboardItem> items;
    for (UINT format = EnumClipboardFormats(0); format != 0;
         format = EnumClipboardFormats(format)) {
        if (IsHandleFormat(format)) continue;
        // A delayed format is rendered by its owner now; one that will not render, or whose
        // handle is no global memory block (GlobalSize 0), cannot be kept and is skipped.
        HANDLE h = GetClipboardData(format);
        if (!h) continue;
        GlobalLockGuard lock(h);
        const auto* p = static_cast<const std::uint8_t*>(lock.Data());
        if (!p) continue;
        items.push_back({format, std::vector<std::uint8_t>(p, p + lock.Size())});
    }
    return items;
}

bool Win32Platform::Empty() {
    offered_.reset();
    return EmptyClipboard() != FALSE;
}

bool Win32Platform::Put(unsigned format, const std::vector<std::uint8_t>& data) {
    HGLOBAL h = GlobalCopy(data.data(), data.size());
    if (!h) return false;
    // The system owns the block once SetClipboardData succeeds, and not before.
    if (!SetClipboardData(format, h)) {
        GlobalFree(h);
        return false;
    }
    return true;
}

unsigned Win32Platform::RegisterFormat(std::u16string_view name) {
    return RegisterClipboardFormatW(ToWide(std::u16string(name)).c_str());
}

bool Win32Platform::OfferText(std::u16string text) {
    offerTakers_.clear();
    // A null handle asks the system to send WM_RENDERFORMAT when a program wants the data.
    SetClipboardData(CF_UNICODETEXT, nullptr);
    offered_ = std::move(text);
    return true;
}

void Win32Platform::RenderClipboardFormat(unsigned format) {
    if (format != CF_UNICODETEXT || !offered_) return;
    // The program that asked holds the clipboard open while it waits for us.
    offerTakers_.push_back(FromHwnd(GetOpenClipboardWindow()));
    const std::u16string& text = *offered_;
    HGLOBAL h = GlobalCopy(text.c_str(), (text.size() + 1) * sizeof(char16_t));
    if (h && !SetClipboardData(CF_UNICODETEXT, h)) GlobalFree(h);
    offered_.reset();
}

void Win32Platform::RenderAllClipboardFormats() {
    // Our window goes away while its text is still on offer: it is rendered for good, if the
    // clipboard is still ours.
    if (!offered_ || !OpenClipboard(ToHwnd(owner_))) return;
    if (GetClipboardOwner() == ToHwnd(owner_)) RenderClipboardFormat(CF_UNICODETEXT);
    CloseClipboard();
}

// --- Clock -----------------------------------------------------------------------------------

std::uint32_t Win32Platform::TickCount() {
    return GetTickCount();
}

void Win32Platform::Sleep(std::uint32_t ms) {
    ::Sleep(ms);
}

std::uint32_t Win32Platform::LastInputTick() {
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    return GetLastInputInfo(&info) ? info.dwTime : GetTickCount();
}

// --- MessagePort -----------------------------------------------------------------------------

bool Win32Platform::PostMessage(HWindow w, unsigned msg, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    return PostMessageW(ToHwnd(w), msg, wParam, lParam) != FALSE;
}

bool Win32Platform::PostThreadMessage(ThreadId thread, unsigned msg, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
    return thread != 0 && PostThreadMessageW(thread, msg, wParam, lParam) != FALSE;
}

void Win32Platform::ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The quit request belongs to the main loop: put it back for it and stop here. The
            // work that called in here (an expansion's typing) must stop too.
            PostQuitMessage(static_cast<int>(msg.wParam));
            if (QuitSeen) QuitSeen();
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Win32Platform::WaitForMessages(std::uint32_t ms) {
    // A program that asks for a paste waits, blocked, for our WM_RENDERFORMAT: the answer must
    // not sit out the rest of a Sleep. QS_ALLINPUT includes sent messages.
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

// --- InputInjector ---------------------------------------------------------------------------

unsigned Win32Platform::MapVirtualKey(unsigned vk) {
    return MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
}

std::uintptr_t Win32Platform::MessageExtraInfo() {
    return static_cast<std::uintptr_t>(GetMessageExtraInfo());
}

namespace {

INPUT ToInput(const KeyEvent& e) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = e.Vk;
    in.ki.wScan = e.Scan;
    in.ki.dwFlags = e.Flags;
    in.ki.time = e.Time;
    in.ki.dwExtraInfo = e.ExtraInfo;
    return in;
}

} // namespace

void Win32Platform::SendInput(const KeyEvent& e) {
    INPUT in = ToInput(e);
    if (::SendInput(1, &in, sizeof in) != 1) throw InputRefused(u"Windows refused a typed key");
}

void Win32Platform::SendInputs(const std::vector<KeyEvent>& events) {
    if (events.empty()) return;
    std::vector<INPUT> inputs;
    inputs.reserve(events.size());
    for (const KeyEvent& e : events)
        inputs.push_back(ToInput(e));
    // UIPI and a desktop switch make SendInput take fewer events than given, without an error
    // of their own.
    if (::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) !=
        inputs.size())
        throw InputRefused(u"Windows refused the typed keys");
}

bool Win32Platform::SetForegroundWindow(HWindow w) {
    return ::SetForegroundWindow(ToHwnd(w)) != FALSE;
}

namespace {

// How long the target's caret must stand still for its thread to count as done with the keys,
// at least and at most: between the two, a few times the longest pause it has been seen to
// take between two characters.
constexpr ULONGLONG CaretStillMinMs = 12;
constexpr ULONGLONG CaretStillMaxMs = 150;

} // namespace

void Win32Platform::WaitForInputTaken(HWindow target, std::uint32_t timeoutMs) {
    // No call tells how much input waits in another thread's queue, and a sent message is
    // answered between two input messages, not after the last. Two signs together: the thread
    // answers at all (WM_NULL; a hung one is not waited for), and its caret, which an edit
    // control moves with every character it takes, stands still for a few times the target's
    // own pace (under Wine Notepad takes 6 to 15 ms a character: a fixed short
    // pause let the keys pile up in its queue whenever it was slower).
    const ULONGLONG start = GetTickCount64();
    HWND w = ToHwnd(target);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &result))
        return;
    const DWORD thread = GetWindowThreadProcessId(w, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(thread, &info) || !info.hwndCaret) return; // no caret to watch
    HWND caret = info.hwndCaret;
    RECT at = info.rcCaret;
    ULONGLONG moved = GetTickCount64();
    bool anyMove = false;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG still =
            std::clamp<ULONGLONG>(caretGapMs_ * 3, CaretStillMinMs, CaretStillMaxMs);
        if (now - start >= timeoutMs) return;
        // A fast target has taken the chunk before the first look: the caret stands still.
        if (now - moved >= still) return;
        ::Sleep(1);
        if (!GetGUIThreadInfo(thread, &info)) return;
        if (info.hwndCaret != caret || !EqualRect(&info.rcCaret, &at)) {
            const ULONGLONG t = GetTickCount64();
            if (anyMove) caretGapMs_ = std::max(t - moved, caretGapMs_ * 7 / 8);
            anyMove = true;
            caret = info.hwndCaret;
            at = info.rcCaret;
            moved = t;
        }
    }
}

// --- KeyboardLayouts -------------------------------------------------------------------------

HLayout Win32Platform::KeyboardLayout(ThreadId thread) {
    return static_cast<HLayout>(reinterpret_cast<std::uintptr_t>(GetKeyboardLayout(thread)));
}

std::int16_t Win32Platform::VkKeyScan(char16_t ch, HLayout layout) {
    return VkKeyScanExW(static_cast<wchar_t>(ch),
                        reinterpret_cast<HKL>(static_cast<std::uintptr_t>(layout)));
}

bool Win32Platform::IsDeadKey(std::uint8_t vk, std::uint8_t shiftState, HLayout layout) {
    const HKL hkl = reinterpret_cast<HKL>(static_cast<std::uintptr_t>(layout));
    // The top bit of the key's unshifted character marks a dead key; taken for the shifted
    // state too, whose character (° beside German ^) then goes as a Unicode event: no harm.
    if (MapVirtualKeyExW(vk, MAPVK_VK_TO_CHAR, hkl) & 0x80000000u) return true;
    // The shifted state of a key may be dead where the plain one is not (^ on Shift+6 of
    // US-International): ToUnicodeEx answers for the exact state. Flag 4 leaves the system's
    // dead-key state alone; where a system ignores the flag, the second call takes the accent
    // the first one left pending back out again.
    BYTE keys[256] = {};
    if (shiftState & 1) keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
    if (shiftState & 2) keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
    if (shiftState & 4) keys[VK_MENU] = keys[VK_RMENU] = 0x80;
    const UINT scan = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, hkl);
    wchar_t buf[8] = {};
    if (ToUnicodeEx(vk, scan, keys, buf, 8, 0x4, hkl) >= 0) return false;
    ToUnicodeEx(vk, scan, keys, buf, 8, 0x4, hkl);
    return true;
}

HWindow Win32Platform::Owner() {
    return FromHwnd(GetClipboardOwner());
}

// --- ProcessQueries ----------------------------------------------------------------------------

std::optional<std::uint32_t> Win32Platform::IntegrityLevel(HWindow w) {
    // A process of another account (elevated with an administrator's password) cannot be
    // opened: nullopt, and the caller decides.
    UniqueHandle process(OpenWindowProcess(w));
    return IntegrityOf(process.Get());
}

std::optional<std::uint32_t> Win32Platform::OwnIntegrityLevel() {
    // A process's level is fixed when it starts: read once, not on every expansion.
    if (!ownIntegrity_) ownIntegrity_ = IntegrityOf(GetCurrentProcess());
    return *ownIntegrity_;
}

std::u16string Win32Platform::ProgramPath(HWindow w) {
    UniqueHandle process(OpenWindowProcess(w));
    if (!process.Valid()) return {};
    wchar_t buffer[1024] = {};
    DWORD size = ARRAYSIZE(buffer);
    if (!QueryFullProcessImageNameW(process.Get(), 0, buffer, &size)) return {};
    return FromWide(buffer, size);
}

// --- GlobalShortcuts -------------------------------------------------------------------------

bool Win32Platform::RegisterShortcut(int id, std::uint32_t modifiers, std::uint8_t key) {
    UnregisterHotKey(ToHwnd(owner_), id);
    // MOD_NOREPEAT: a held shortcut toggles once, not at the keyboard's repeat rate.
    return RegisterHotKey(ToHwnd(owner_), id, modifiers | MOD_NOREPEAT, key) != FALSE;
}

void Win32Platform::UnregisterShortcut(int id) {
    UnregisterHotKey(ToHwnd(owner_), id);
}

// --- MessageBoxes ----------------------------------------------------------------------------

void Win32Platform::ShowMessage(const std::u16string& text, const std::u16string& caption,
                                MessageBoxIcon icon) {
    UINT style = MB_OK;
    switch (icon) {
    case MessageBoxIcon::Error:
        style |= MB_ICONERROR;
        break;
    case MessageBoxIcon::Information:
        style |= MB_ICONINFORMATION;
        break;
    case MessageBoxIcon::Warning:
        style |= MB_ICONWARNING;
        break;
    }
    MessageBoxW(ToHwnd(owner_), WidePtr(text), WidePtr(caption), style);
}

// --- SignInStart -----------------------------------------------------------------------------

namespace {

const wchar_t RunKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t RunValueName[] = L"Lumora";

// An open registry key, closed on every path.
struct KeyCloser {
    HKEY Key = nullptr;
    ~KeyCloser() {
        if (Key) RegCloseKey(Key);
    }
};

[[noreturn]] void ThrowRunKeyError(const char16_t* what, LSTATUS status) {
    throw Error(std::u16string(what) + u" the entry in HKEY_CURRENT_USER\\" + FromWide(RunKeyPath) +
                u" (" + SystemErrorText(static_cast<DWORD>(status)) + u")");
}

} // namespace

std::optional<std::u16string> Win32Platform::RunCommand() {
    KeyCloser run;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_QUERY_VALUE, &run.Key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(run.Key, RunValueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(run.Key, RunValueName, nullptr, &type,
                         reinterpret_cast<BYTE*>(value.data()), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    // The stored string may or may not end in its terminator.
    value.resize(wcsnlen(value.c_str(), value.size()));
    return FromWide(value);
}

void Win32Platform::SetRunCommand(const std::u16string& command) {
    KeyCloser run;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, RunKeyPath, 0, nullptr, 0, KEY_SET_VALUE,
                                     nullptr, &run.Key, nullptr);
    if (status != ERROR_SUCCESS) ThrowRunKeyError(u"Could not write", status);
    const auto bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(run.Key, RunValueName, 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(WidePtr(command)), bytes);
    if (status != ERROR_SUCCESS) ThrowRunKeyError(u"Could not write", status);
}

void Win32Platform::RemoveRunCommand() {
    KeyCloser run;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_SET_VALUE, &run.Key);
    if (status == ERROR_FILE_NOT_FOUND) return;
    if (status == ERROR_SUCCESS) status = RegDeleteValueW(run.Key, RunValueName);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        ThrowRunKeyError(u"Could not remove", status);
}

} // namespace lumora
