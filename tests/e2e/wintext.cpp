// wintext: a helper for the end-to-end tests, run under Wine. It looks at the windows of the
// Wine desktop the way a Windows program sees them.
//
//   wintext list                              every top-level window: handle, pid, visibility,
//                                             screen rectangle, class, title
//   wintext wait [--class C] [--title T] [--timeout MS]
//                                             waits until such a top-level window exists and
//                                             prints its handle; exit 1 on timeout
//   wintext text [--class C] [--child K] [--expect TEXT] [--timeout MS]
//                                             prints, as UTF-8, the text of the first child of
//                                             class K (default "Edit") of the top-level window
//                                             of class C (default "Notepad"); with --expect it
//                                             polls until the text equals TEXT (exit 1 if not)
//   wintext activate [--class C] [--title T]  brings that window to the foreground
//   wintext close [--class C] [--title T]     posts WM_CLOSE to that window
//   wintext post [--class C] [--title T] --message N [--wparam N] [--lparam N]
//                                             posts a message (numbers as in C: 0x16, 22;
//                                             a name is a registered message)
//   wintext send ...                          the same, sent: returns once the window has
//                                             handled it (exit 1 if it did not within 5 s)
//   wintext child [--class C] [--title T] --child K [--text X]
//                                             the first descendant window of class K (with
//                                             the text X): its handle, visibility, screen
//                                             rectangle and text; K may be a path "A>B", the
//                                             first B inside the first A
//   wintext rows [--class C] [--title T]      the rows of the first list view (SysListView32)
//                                             of that window, one a line, cells separated by a
//                                             tab, line breaks in a cell as LF
//   wintext columns [--class C] [--title T]   that list view's column widths, in column order,
//                                             and its client width: "80 440 client=527"
//   wintext toolbar [--class C] [--title T]   the first toolbar of that window: a line
//                                             "padding=7x6", then one a button, "40004
//                                             image=0 size=23x22 ink=97" (its command, image
//                                             index, size, and how many of its pixels on the
//                                             screen stand out from its background), or "sep"
//   wintext size [--class C] [--title T] --width W --height H
//                                             gives that window this outer size
//   wintext keys --text TEXT                  how this thread's keyboard layout types each
//                                             character: "U+0040 vk=0x51 shift=6 dead=0", vk
//                                             and shift as VkKeyScanW gives them (-1: none),
//                                             dead 1 when MapVirtualKeyW marks the key dead
//
// The text read back is printed as UTF-8 without a trailing newline, every line break (CR LF,
// and the CR CR LF that Wine's Notepad gives) as a single LF; --expect takes LF as well.
#include "winhelper.h"

#include <cstring>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using e2e::ToUtf8;

std::wstring ClassOf(HWND w) {
    wchar_t buf[256] = {};
    GetClassNameW(w, buf, 256);
    return buf;
}

// InternalGetWindowText sends no message, so a hung or dying program cannot block us.
std::wstring TitleOf(HWND w) {
    wchar_t buf[512] = {};
    int n = InternalGetWindowText(w, buf, 512);
    return std::wstring(buf, static_cast<size_t>(n < 0 ? 0 : n));
}

struct Query {
    std::wstring Class;
    std::wstring Title;
    bool HasClass = false;
    bool HasTitle = false;
};

struct FindState {
    const Query* Q;
    HWND Found;
};

BOOL CALLBACK FindProc(HWND w, LPARAM lp) {
    auto* st = reinterpret_cast<FindState*>(lp);
    if (st->Q->HasClass && ClassOf(w) != st->Q->Class) return TRUE;
    if (st->Q->HasTitle && TitleOf(w) != st->Q->Title) return TRUE;
    st->Found = w;
    return FALSE;
}

HWND FindTop(const Query& q) {
    FindState st{&q, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&st));
    return st.Found;
}

BOOL CALLBACK ListProc(HWND w, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    RECT r{};
    GetWindowRect(w, &r);
    std::printf("%08llx pid=%lu visible=%d rect=%ld,%ld,%ld,%ld class=%s title=%s\n",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(w)),
                static_cast<unsigned long>(pid), IsWindowVisible(w) ? 1 : 0, r.left, r.top, r.right,
                r.bottom, ToUtf8(ClassOf(w)).c_str(), ToUtf8(TitleOf(w)).c_str());
    return TRUE;
}

std::wstring ReadText(HWND edit) {
    const long long len = e2e::TextLength(edit);
    if (len < 0) return {};
    const std::wstring s = e2e::ReadRawText(edit, len);
    // Wine 8's Notepad reads back an Enter typed into it as CR CR LF; line breaks are given
    // as a plain LF, whatever their form.
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == L'\r') {
            size_t j = i;
            while (j < s.size() && s[j] == L'\r')
                ++j;
            if (j < s.size() && s[j] == L'\n') {
                out += L'\n';
                i = j;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

struct ChildSearch {
    std::wstring Class;
    HWND Found;
    std::wstring Text; // when not empty, the descendant's text too (a button's caption)
};

BOOL CALLBACK ChildProc(HWND w, LPARAM lp) {
    auto* st = reinterpret_cast<ChildSearch*>(lp);
    if (ClassOf(w) != st->Class) return TRUE;
    if (!st->Text.empty() && ReadText(w) != st->Text) return TRUE;
    st->Found = w;
    return FALSE;
}

// The first descendant of that class (EnumChildWindows walks the whole tree). A class path
// "A>B" names the first B inside the first A (the cell editor inside the list view, not the
// filter box beside it).
HWND FindDescendant(HWND top, const std::wstring& cls, const std::wstring& text = L"") {
    const std::size_t inside = cls.find(L'>');
    if (inside != std::wstring::npos)
        return FindDescendant(FindDescendant(top, cls.substr(0, inside)), cls.substr(inside + 1),
                              text);
    ChildSearch st{cls, nullptr, text};
    if (top) EnumChildWindows(top, ChildProc, reinterpret_cast<LPARAM>(&st));
    return st.Found;
}

// Every hot-key field's value (HKM_GETHOTKEY: low byte the key, high byte the modifiers), one
// a line in the order of the window's controls.
BOOL CALLBACK PrintHotKey(HWND w, LPARAM) {
    if (ClassOf(w) == L"msctls_hotkey32")
        std::printf("0x%04x\n",
                    static_cast<unsigned>(SendMessageW(w, HKM_GETHOTKEY, 0, 0) & 0xFFFF));
    return TRUE;
}

// Memory in another process, freed on every path.
struct RemoteBuffer {
    HANDLE Process;
    void* Address;
    ~RemoteBuffer() {
        if (Address) VirtualFreeEx(Process, Address, 0, MEM_RELEASE);
        if (Process) CloseHandle(Process);
    }
};

// A list view of another process answers LVM_GETITEMTEXT only into its own memory: the item
// and the text buffer are placed there and read back.
bool PrintRows(HWND list) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    constexpr int TextMax = 2048;
    RemoteBuffer buf{
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid),
        nullptr};
    if (!buf.Process) return false;
    buf.Address = VirtualAllocEx(buf.Process, nullptr, sizeof(LVITEMW) + TextMax * sizeof(wchar_t),
                                 MEM_COMMIT, PAGE_READWRITE);
    if (!buf.Address) return false;
    auto* remoteText =
        reinterpret_cast<wchar_t*>(static_cast<char*>(buf.Address) + sizeof(LVITEMW));
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::wstring line;
        for (int col = 0; col < columns; ++col) {
            LVITEMW item{};
            item.iSubItem = col;
            item.pszText = remoteText;
            item.cchTextMax = TextMax;
            SIZE_T n = 0;
            if (!WriteProcessMemory(buf.Process, buf.Address, &item, sizeof item, &n)) return false;
            const auto len = static_cast<int>(
                SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(buf.Address)));
            std::wstring text(static_cast<size_t>(len > 0 ? len : 0), L'\0');
            if (len > 0 && !ReadProcessMemory(buf.Process, remoteText, text.data(),
                                              text.size() * sizeof(wchar_t), &n))
                return false;
            if (col) line += L'\t';
            line += text;
        }
        std::fputs((ToUtf8(line) + "\n").c_str(), stdout);
    }
    return true;
}

// The texts of a status bar's panels, one a line; SB_GETTEXTW of another process, like
// LVM_GETITEMTEXTW, writes only into memory of the bar's own process.
bool PrintStatusParts(HWND bar) {
    DWORD pid = 0;
    GetWindowThreadProcessId(bar, &pid);
    constexpr int TextMax = 1024;
    RemoteBuffer buf{
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid),
        nullptr};
    if (!buf.Process) return false;
    buf.Address =
        VirtualAllocEx(buf.Process, nullptr, TextMax * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE);
    if (!buf.Address) return false;
    const int parts = static_cast<int>(SendMessageW(bar, SB_GETPARTS, 0, 0));
    for (int part = 0; part < parts; ++part) {
        const int len = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, part, 0));
        std::wstring text(static_cast<size_t>(std::min(len, TextMax - 1)), L'\0');
        SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(buf.Address));
        SIZE_T n = 0;
        if (!text.empty() && !ReadProcessMemory(buf.Process, buf.Address, text.data(),
                                                text.size() * sizeof(wchar_t), &n))
            return false;
        std::fputs((ToUtf8(text) + "\n").c_str(), stdout);
    }
    return true;
}

// The pixels of a button on the screen that differ clearly from the pixel in its corner (the
// toolbar's face): 0 when nothing, or only a frame, is drawn.
int InkOnScreen(HWND toolbar, RECT button) {
    POINT origin{button.left, button.top};
    ClientToScreen(toolbar, &origin);
    const int w = button.right - button.left, h = button.bottom - button.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    int ink = 0;
    if (dib && memory) {
        const HGDIOBJ old = SelectObject(memory, dib);
        BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY);
        SelectObject(memory, old);
        const auto* pixel = static_cast<const unsigned char*>(bits);
        // The face, two pixels in from the corner (inside a flat button's border).
        const unsigned char* face = pixel + (2 * w + 2) * 4;
        for (int i = 0; i < w * h; ++i) {
            const unsigned char* p = pixel + i * 4;
            if (std::abs(p[0] - face[0]) + std::abs(p[1] - face[1]) + std::abs(p[2] - face[2]) > 90)
                ++ink;
        }
    }
    if (dib) DeleteObject(dib);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ink;
}

// The buttons of a toolbar of another process: TB_GETBUTTON and TB_GETITEMRECT, like
// LVM_GETITEMTEXTW, write only into the toolbar's own process.
bool PrintToolbar(HWND toolbar) {
    DWORD pid = 0;
    GetWindowThreadProcessId(toolbar, &pid);
    RemoteBuffer buf{
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid),
        nullptr};
    if (!buf.Process) return false;
    buf.Address = VirtualAllocEx(buf.Process, nullptr, sizeof(TBBUTTON) + sizeof(RECT), MEM_COMMIT,
                                 PAGE_READWRITE);
    if (!buf.Address) return false;
    const auto padding = static_cast<DWORD>(SendMessageW(toolbar, TB_GETPADDING, 0, 0));
    std::printf("padding=%ux%u\n", LOWORD(padding), HIWORD(padding));
    const int count = static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        RECT rect{};
        SIZE_T n = 0;
        if (!SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(buf.Address)) ||
            !ReadProcessMemory(buf.Process, buf.Address, &button, sizeof button, &n) ||
            !SendMessageW(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(buf.Address)) ||
            !ReadProcessMemory(buf.Process, buf.Address, &rect, sizeof rect, &n))
            return false;
        if (button.fsStyle & BTNS_SEP) {
            std::printf("sep\n");
            continue;
        }
        std::printf("%d image=%d size=%ldx%ld ink=%d\n", button.idCommand, button.iBitmap,
                    rect.right - rect.left, rect.bottom - rect.top, InkOnScreen(toolbar, rect));
    }
    return true;
}

[[noreturn]] void Usage() {
    std::fprintf(
        stderr,
        "usage: wintext list | wait | launch | text | activate | close | post | post-thread | "
        "child | rows | columns | hotkeys | status | toolbar | size | clip-text | clip-image | "
        "clip-get | clip-formats [options]\n");
    std::exit(2);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) Usage();
    e2e::BinaryStdio();
    std::wstring cmd = argv[1];
    Query q;
    std::wstring child = L"Edit";
    std::wstring expect;
    bool hasExpect = false;
    DWORD timeout = 0;
    std::wstring message, wparam = L"0", lparam = L"0";
    std::wstring program;
    DWORD thread = 0;
    int width = 0, height = 0;
    for (int i = 2; i < argc; ++i) {
        std::wstring a = argv[i];
        if (i + 1 >= argc) Usage();
        std::wstring v = argv[++i];
        if (a == L"--class")
            q.Class = v, q.HasClass = true;
        else if (a == L"--title")
            q.Title = v, q.HasTitle = true;
        else if (a == L"--child")
            child = v;
        else if (a == L"--expect")
            expect = v, hasExpect = true;
        else if (a == L"--timeout")
            timeout = static_cast<DWORD>(_wtoi(v.c_str()));
        else if (a == L"--message")
            message = v;
        else if (a == L"--wparam")
            wparam = v;
        else if (a == L"--lparam")
            lparam = v;
        else if (a == L"--program")
            program = v;
        else if (a == L"--thread")
            thread = static_cast<DWORD>(std::wcstoul(v.c_str(), nullptr, 0));
        else if (a == L"--width")
            width = _wtoi(v.c_str());
        else if (a == L"--height")
            height = _wtoi(v.c_str());
        else if (a == L"--text")
            expect = v;
        else
            Usage();
    }

    if (cmd == L"launch") {
        // Starts PROGRAM (in its own folder) and prints the milliseconds until a window of the
        // class has a title that starts with the expected text; the program is left running.
        LARGE_INTEGER frequency, start, now;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        std::wstring commandLine = L"\"" + program + L"\"";
        const std::wstring folder = program.substr(0, program.find_last_of(L"\\/") + 1);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.empty() ? nullptr : folder.c_str(), &si, &pi))
            return 1;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        const DWORD begun = GetTickCount();
        for (;;) {
            if (HWND w = FindWindowW(q.Class.c_str(), nullptr)) {
                wchar_t title[256] = L"";
                GetWindowTextW(w, title, 256);
                if (std::wstring(title).rfind(expect, 0) == 0) {
                    QueryPerformanceCounter(&now);
                    std::printf("%.1f\n", 1000.0 *
                                              static_cast<double>(now.QuadPart - start.QuadPart) /
                                              static_cast<double>(frequency.QuadPart));
                    return 0;
                }
            }
            if (GetTickCount() - begun >= timeout) return 1;
            Sleep(1);
        }
    }
    if (cmd == L"list") {
        EnumWindows(ListProc, 0);
        return 0;
    }
    if (cmd == L"wait") {
        DWORD start = GetTickCount();
        for (;;) {
            if (HWND w = FindTop(q)) {
                std::printf("%08llx\n",
                            static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(w)));
                return 0;
            }
            if (GetTickCount() - start >= timeout) return 1;
            Sleep(50);
        }
    }
    if (cmd == L"post-thread") {
        // A thread message from a program of the desktop, as anyone may post one.
        if (!thread || message.empty()) return 1;
        const auto num = [](const std::wstring& v) { return std::wcstoull(v.c_str(), nullptr, 0); };
        return PostThreadMessageW(thread, static_cast<UINT>(num(message)),
                                  static_cast<WPARAM>(num(wparam)),
                                  static_cast<LPARAM>(num(lparam)))
                   ? 0
                   : 1;
    }
    if (cmd == L"post" || cmd == L"send") {
        HWND w = FindTop(q);
        if (!w || message.empty()) return 1;
        auto num = [](const std::wstring& v) { return std::wcstoull(v.c_str(), nullptr, 0); };
        // A name that is not a number is a registered message ("TaskbarCreated").
        UINT msg = iswdigit(message[0]) ? static_cast<UINT>(num(message))
                                        : RegisterWindowMessageW(message.c_str());
        const auto wp = static_cast<WPARAM>(num(wparam));
        const auto lp = static_cast<LPARAM>(num(lparam));
        if (cmd == L"post") return PostMessageW(w, msg, wp, lp) ? 0 : 1;
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, 5000, &result) ? 0 : 1;
    }
    if (cmd == L"close") {
        HWND w = FindTop(q);
        if (!w) return 1;
        PostMessageW(w, WM_CLOSE, 0, 0);
        return 0;
    }
    if (cmd == L"activate") {
        HWND w = FindTop(q);
        if (!w) return 1;
        // Wine hands the foreground over asynchronously, and a window mapped meanwhile (its
        // tray window, when a program adds an icon) can take it back: asked again until it holds.
        for (DWORD start = GetTickCount(), asked = 0; GetTickCount() - start < 3000; Sleep(20)) {
            if (GetForegroundWindow() == w) return 0;
            if (GetTickCount() - asked >= 250) {
                SetForegroundWindow(w);
                asked = GetTickCount();
            }
        }
        return 1;
    }
    if (cmd == L"child") {
        // --text (kept with --expect) asks for the descendant with that text.
        HWND w = FindDescendant(FindTop(q), child, expect);
        if (!w) return 1;
        RECT r{};
        GetWindowRect(w, &r);
        std::printf("%08llx visible=%d rect=%ld,%ld,%ld,%ld text=%s\n",
                    static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(w)),
                    IsWindowVisible(w) ? 1 : 0, r.left, r.top, r.right, r.bottom,
                    ToUtf8(ReadText(w)).c_str());
        return 0;
    }
    if (cmd == L"rows") {
        HWND list = FindDescendant(FindTop(q), L"SysListView32");
        return list && PrintRows(list) ? 0 : 1;
    }
    if (cmd == L"hotkeys") {
        HWND top = FindTop(q);
        if (!top) return 1;
        EnumChildWindows(top, PrintHotKey, 0);
        return 0;
    }
    if (cmd == L"status") {
        HWND bar = FindDescendant(FindTop(q), L"msctls_statusbar32");
        return bar && PrintStatusParts(bar) ? 0 : 1;
    }
    if (cmd == L"toolbar") {
        HWND toolbar = FindDescendant(FindTop(q), TOOLBARCLASSNAMEW);
        return toolbar && PrintToolbar(toolbar) ? 0 : 1;
    }
    if (cmd == L"columns") {
        HWND list = FindDescendant(FindTop(q), L"SysListView32");
        if (!list) return 1;
        HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        const int columns =
            header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
        for (int c = 0; c < columns; ++c)
            std::printf("%d ", static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, c, 0)));
        RECT r{};
        GetClientRect(list, &r);
        std::printf("client=%ld\n", r.right - r.left);
        return 0;
    }
    if (cmd == L"size") {
        HWND w = FindTop(q);
        if (!w || width <= 0 || height <= 0) return 1;
        return SetWindowPos(w, nullptr, 0, 0, width, height,
                            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE)
                   ? 0
                   : 1;
    }
    if (cmd == L"keys") {
        for (wchar_t c : expect) {
            const SHORT scan = VkKeyScanW(c);
            const UINT vk = scan == -1 ? 0 : (scan & 0xFF);
            const bool dead = vk && (MapVirtualKeyW(vk, MAPVK_VK_TO_CHAR) & 0x80000000u);
            std::printf("U+%04X vk=0x%02X shift=%d dead=%d\n", static_cast<unsigned>(c), vk,
                        scan == -1 ? -1 : (scan >> 8) & 0xFF, dead ? 1 : 0);
        }
        return 0;
    }
    // The clipboard, for the paste tests: put text (--text) or a small image (--width,
    // --height; a 24-bit DIB with a pattern) on it, read its text, or list every format with
    // its size and a checksum of its bytes ("13 CF 84 1a2b3c4d").
    if (cmd == L"clip-text" || cmd == L"clip-image" || cmd == L"clip-get" ||
        cmd == L"clip-formats") {
        bool open = false;
        for (int i = 0; i < 100 && !(open = OpenClipboard(nullptr)); ++i)
            Sleep(20);
        if (!open) return 1;
        int rc = 0;
        auto put = [](UINT format, const void* data, std::size_t size) {
            HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
            if (!h) return false;
            std::memcpy(GlobalLock(h), data, size);
            GlobalUnlock(h);
            if (SetClipboardData(format, h)) return true;
            GlobalFree(h);
            return false;
        };
        if (cmd == L"clip-text") {
            EmptyClipboard();
            rc = put(CF_UNICODETEXT, expect.c_str(), (expect.size() + 1) * sizeof(wchar_t)) ? 0 : 1;
        } else if (cmd == L"clip-image") {
            EmptyClipboard();
            const int stride = (width * 3 + 3) & ~3;
            std::vector<unsigned char> dib(sizeof(BITMAPINFOHEADER) +
                                           static_cast<std::size_t>(stride) * height);
            auto* info = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
            info->biSize = sizeof(BITMAPINFOHEADER);
            info->biWidth = width;
            info->biHeight = height;
            info->biPlanes = 1;
            info->biBitCount = 24;
            info->biCompression = BI_RGB;
            info->biSizeImage = static_cast<DWORD>(stride * height);
            for (std::size_t i = sizeof(BITMAPINFOHEADER); i < dib.size(); ++i)
                dib[i] = static_cast<unsigned char>(i * 7);
            rc = put(CF_DIB, dib.data(), dib.size()) ? 0 : 1;
        } else if (cmd == L"clip-get") {
            if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
                const auto* p = static_cast<const wchar_t*>(GlobalLock(h));
                if (p) std::fputs(ToUtf8(p).c_str(), stdout);
                GlobalUnlock(h);
            } else {
                rc = 1;
            }
        } else {
            for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) {
                wchar_t name[128] = L"";
                if (!GetClipboardFormatNameW(f, name, 128)) wcscpy(name, L"-");
                unsigned long size = 0, sum = 0;
                HANDLE h = GetClipboardData(f);
                if (h && f != CF_BITMAP && f != CF_ENHMETAFILE && f != CF_PALETTE &&
                    f != CF_METAFILEPICT) {
                    size = static_cast<unsigned long>(GlobalSize(h));
                    if (const auto* p = static_cast<const unsigned char*>(GlobalLock(h))) {
                        for (unsigned long i = 0; i < size; ++i)
                            sum = sum * 31 + p[i];
                        GlobalUnlock(h);
                    }
                }
                std::printf("%u %s %lu %08lx\n", f, ToUtf8(name).c_str(), size, sum);
            }
        }
        CloseClipboard();
        return rc;
    }
    if (cmd == L"text") {
        if (!q.HasClass && !q.HasTitle) q.Class = L"Notepad", q.HasClass = true;
        DWORD start = GetTickCount();
        std::wstring text;
        for (;;) {
            HWND top = FindTop(q);
            // The first child of that class with some text (a message box has an icon
            // Static before the one holding its message).
            HWND edit = nullptr;
            text.clear();
            for (HWND c = top ? FindWindowExW(top, nullptr, child.c_str(), nullptr) : nullptr; c;
                 c = FindWindowExW(top, c, child.c_str(), nullptr)) {
                if (!edit) edit = c;
                std::wstring t = ReadText(c);
                if (!t.empty()) {
                    edit = c;
                    text = t;
                    break;
                }
            }
            bool ok = edit != nullptr;
            if (ok && (!hasExpect || text == expect)) break;
            if (GetTickCount() - start >= timeout) {
                std::fputs(ToUtf8(text).c_str(), stdout);
                if (!ok) std::fprintf(stderr, "wintext: no such window\n");
                return 1;
            }
            Sleep(50);
        }
        std::fputs(ToUtf8(text).c_str(), stdout);
        return 0;
    }
    Usage();
}
