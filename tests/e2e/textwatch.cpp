// textwatch: the timing side of the end-to-end expansion benchmark (bench_expansion.py), run
// under Wine beside Wine's Notepad. It stays running and answers commands read from stdin, one
// a line, fields separated by a tab, texts in UTF-8; every time it prints is in milliseconds of
// QueryPerformanceCounter, the one clock all the figures are taken on:
//
//   now                       "now T": the clock, for lining it up with the driver's own clock
//   find                      "ok": Notepad's window and its Edit control were found
//   fg                        "fg 1" when Notepad is the foreground window, else "fg 0"
//   text                      "text TEXT": the Edit control's text as it stands (CR LF kept)
//   clear                     empties the Edit control (WM_SETTEXT); "cleared T"
//   watch MS FIRST FINAL      "ready T" once watching, then "first T" when the text is first
//                             seen equal to FIRST, "change T" when it is next seen different
//                             from FIRST ("-" for a time not seen before FINAL), and
//                             "final T POLLS" when it is seen equal to FINAL, or
//                             "timeout TEXT" after MS milliseconds
//   send MS TEXT              one SendInput call holding the whole TEXT as Unicode key events
//                             (KEYEVENTF_UNICODE, down and up per UTF-16 unit) into the
//                             foreground window, watched meanwhile as watch does with an
//                             empty FIRST: "sent T0 T1 EVENTS" (before and after the call),
//                             "change T", then "final T POLLS" or "timeout TEXT"
//   clipset TEXT              puts TEXT on the clipboard; "clipset"
//   watchclip MS FIRST FINAL USER
//                             as watch, then "clip T same|other": the clipboard's last change
//                             and whether it holds USER again
//   paste MS TEXT             the fastest paste: TEXT on the clipboard beforehand, then one
//                             SendInput call of Ctrl+V; replies as send
//   erasepaste MS FIRST TEXT  the fastest erase and paste: the Edit control holds FIRST with the
//                             caret at its end and the clipboard TEXT beforehand, then one
//                             SendInput call of a Backspace per character of FIRST and Ctrl+V;
//                             replies as send
//
// A state is seen by polling the Edit control (WM_GETTEXTLENGTH, and WM_GETTEXT only when the
// length fits), every --poll-ms milliseconds (1 by default; 0 polls without pause). Notepad
// answers a poll only between two of its messages, so a poll sent while it pastes returns once
// the paste is done: the state a poll saw stood when its answer came. Its time is the midpoint
// between the answer of the poll that saw it and the answer of the poll before (for send,
// paste and erasepaste no earlier than the call): the change happened in between. Starting a
// Wine process per look would cost far more than the thing measured.
//
// The hand-overs' keys carry the program's own mark, as its typing does: the program's hook
// passes them without a word, as it passes its own, instead of taking them for the user's
// (for whom it would follow a Backspace, or read the clipboard at a Ctrl+V).
#include "winhelper.h"

#include "hook/HookMessages.h"

#include <cstring>

#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

using e2e::FromUtf8;
using e2e::TextLength;
using e2e::ToUtf8;

double gTicksPerMs = 1.0;

double NowMs() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / gTicksPerMs;
}

void Reply(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void Reply(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::vfprintf(stdout, fmt, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

struct Target {
    HWND Top = nullptr;
    HWND Edit = nullptr;
};

Target FindNotepad() {
    Target t;
    t.Top = FindWindowW(L"Notepad", nullptr);
    if (t.Top) t.Edit = FindWindowExW(t.Top, nullptr, L"Edit", nullptr);
    return t;
}

class Watcher {
public:
    Watcher(HWND edit, DWORD pollMs) : fEdit(edit), fPollMs(pollMs) {}

    struct Seen {
        double First = -1;  // the text first seen equal to first
        double Change = -1; // then first seen different from it
        double Final = -1;  // the text seen equal to final
        // The answers of the poll before the one that saw final, and of that one.
        double FinalAfter = -1, FinalBy = -1;
        // The final time when it cannot have come before the moment `from`.
        double FinalFrom(double from) const { return (std::max(FinalAfter, from) + FinalBy) / 2; }
    };

    // Polls until the text equals final (true) or timeoutMs passes (false); times not seen
    // stay negative.
    // started, if given, is set once the first poll is done.
    bool Run(const std::wstring& first, const std::wstring& final, double timeoutMs, Seen& seen,
             std::atomic<bool>* started = nullptr) {
        seen = Seen{};
        const double deadline = NowMs() + timeoutMs;
        double previous = NowMs();
        for (;;) {
            ++fPolls;
            const long long len = TextLength(fEdit);
            const bool firstLength = len == static_cast<long long>(first.size());
            const bool finalLength = len == static_cast<long long>(final.size());
            const std::wstring text =
                firstLength || finalLength ? e2e::ReadRawText(fEdit, len) : std::wstring();
            const double at = NowMs();
            const double when = (previous + at) / 2;
            const double before = previous;
            previous = at;
            const bool isFirst = firstLength && text == first;
            if (seen.First < 0 && isFirst) seen.First = when;
            if (seen.First >= 0 && seen.Change < 0 && !isFirst) seen.Change = when;
            if (started) started->store(true);
            if (finalLength && text == final) {
                seen.Final = when;
                seen.FinalAfter = before;
                seen.FinalBy = at;
                return true;
            }
            if (at >= deadline) return false;
            if (fPollMs) Sleep(fPollMs);
        }
    }

    long long Polls() const { return fPolls; }
    std::string Current() const {
        const long long len = TextLength(fEdit);
        return len < 0 ? std::string("<no answer>") : ToUtf8(e2e::ReadRawText(fEdit, len));
    }

private:
    HWND fEdit;
    DWORD fPollMs;
    long long fPolls = 0;
};

bool SetClipboardText(const std::wstring& text) {
    bool open = false;
    for (int i = 0; i < 100 && !(open = OpenClipboard(nullptr)); ++i)
        Sleep(10);
    if (!open) return false;
    EmptyClipboard();
    bool ok = false;
    const std::size_t size = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size)) {
        std::memcpy(GlobalLock(h), text.c_str(), size);
        GlobalUnlock(h);
        ok = SetClipboardData(CF_UNICODETEXT, h) != nullptr;
        if (!ok) GlobalFree(h);
    }
    CloseClipboard();
    return ok;
}

std::wstring ClipboardText() {
    std::wstring text;
    for (int i = 0; i < 100; ++i) {
        if (!OpenClipboard(nullptr)) {
            Sleep(10);
            continue;
        }
        if (HANDLE h = GetClipboardData(CF_UNICODETEXT))
            if (const auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
                text = p;
                GlobalUnlock(h);
            }
        CloseClipboard();
        break;
    }
    return text;
}

void ReportTime(const char* what, double at) {
    if (at >= 0)
        Reply("%s %.3f", what, at);
    else
        Reply("%s -", what);
}

void ReportFinal(Watcher& w, bool ok, const Watcher::Seen& seen, double from = -1) {
    if (ok)
        Reply("final %.3f %lld", from < 0 ? seen.Final : seen.FinalFrom(from), w.Polls());
    else
        Reply("timeout %s", w.Current().c_str());
}

INPUT KeyInput(WORD vk, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = flags;
    in.ki.dwExtraInfo = static_cast<ULONG_PTR>(lumora::TypingMarker);
    return in;
}

// One SendInput call of inputs into the foreground window while the Edit control is watched
// from a thread of its own (under Wine the call returns only once every low-level keyboard
// hook has seen every event, and the text starts to arrive well before that), until it holds
// final; replies "sent", "change" and "final".
void SendWatched(HWND edit, DWORD pollMs, std::vector<INPUT>& inputs, const std::wstring& first,
                 const std::wstring& final, double timeoutMs) {
    Watcher w(edit, pollMs);
    Watcher::Seen seen;
    bool ok = false;
    std::atomic<bool> polling{false};
    std::thread poller([&] { ok = w.Run(first, final, timeoutMs, seen, &polling); });
    while (!polling.load())
        Sleep(0);
    const double t0 = NowMs();
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    const double t1 = NowMs();
    poller.join();
    Reply("sent %.3f %.3f %u", t0, t1, sent);
    ReportTime("change", seen.Change < 0 ? -1 : std::max(seen.Change, t0));
    ReportFinal(w, ok, seen, t0);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    e2e::BinaryStdio();
    DWORD pollMs = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::wcscmp(argv[i], L"--poll-ms") == 0)
            pollMs = static_cast<DWORD>(_wtoi(argv[i + 1]));
    }
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    gTicksPerMs = static_cast<double>(freq.QuadPart) / 1000.0;
    // Sleep(1) as close to a millisecond as the system gives.
    timeBeginPeriod(1);

    Target target;
    std::string line;
    char buf[8192];
    while (std::fgets(buf, sizeof buf, stdin)) {
        line += buf;
        if (line.empty() || line.back() != '\n') continue; // a line longer than the buffer
        line.pop_back();
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> f = SplitTabs(line);
        line.clear();
        const std::string& cmd = f[0];

        if (cmd == "now") {
            Reply("now %.3f", NowMs());
            continue;
        }
        if (cmd == "find") {
            target = FindNotepad();
            Reply(target.Edit ? "ok" : "error no Notepad window with an Edit control");
            continue;
        }
        if (!target.Edit || !IsWindow(target.Edit)) {
            Reply("error find first");
            continue;
        }
        if (cmd == "fg") {
            Reply("fg %d", GetForegroundWindow() == target.Top ? 1 : 0);
        } else if (cmd == "text") {
            Watcher w(target.Edit, pollMs);
            Reply("text %s", w.Current().c_str());
        } else if (cmd == "clear") {
            SendMessageTimeoutW(target.Edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""),
                                SMTO_ABORTIFHUNG, 2000, nullptr);
            Reply(TextLength(target.Edit) == 0 ? "cleared %.3f" : "error not cleared at %.3f",
                  NowMs());
        } else if (cmd == "watch" && f.size() == 4) {
            Watcher w(target.Edit, pollMs);
            Reply("ready %.3f", NowMs());
            Watcher::Seen seen;
            const bool ok = w.Run(FromUtf8(f[2]), FromUtf8(f[3]), std::atof(f[1].c_str()), seen);
            ReportTime("first", seen.First);
            ReportTime("change", seen.Change);
            ReportFinal(w, ok, seen);
        } else if (cmd == "send" && f.size() == 3) {
            const std::wstring text = FromUtf8(f[2]);
            std::vector<INPUT> inputs;
            for (wchar_t unit : text) {
                for (DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
                    INPUT in{};
                    in.type = INPUT_KEYBOARD;
                    in.ki.wScan = static_cast<WORD>(unit);
                    in.ki.dwFlags = KEYEVENTF_UNICODE | up;
                    in.ki.dwExtraInfo = static_cast<ULONG_PTR>(lumora::TypingMarker);
                    inputs.push_back(in);
                }
            }
            SendWatched(target.Edit, pollMs, inputs, L"", text, std::atof(f[1].c_str()));
        } else if (cmd == "clipset" && f.size() == 2) {
            Reply(SetClipboardText(FromUtf8(f[1])) ? "clipset" : "error clipboard");
        } else if (cmd == "watchclip" && f.size() == 5) {
            // As watch, and meanwhile the clipboard's sequence number, read without opening
            // the clipboard (which would stand in the program's way): its last change, up to a
            // second and a half after the phrase stood, is when the clipboard was given back;
            // then whether it holds f[4] again.
            Watcher w(target.Edit, pollMs);
            std::atomic<bool> done{false};
            double lastChange = -1;
            const DWORD seq0 = GetClipboardSequenceNumber();
            std::thread clip([&] {
                DWORD seq = seq0;
                double stop = -1;
                for (;;) {
                    const double at = NowMs();
                    const DWORD now = GetClipboardSequenceNumber();
                    if (now != seq) seq = now, lastChange = at;
                    if (done.load() && stop < 0) stop = at + 1500;
                    if (stop >= 0 && at >= stop) break;
                    Sleep(1);
                }
            });
            Reply("ready %.3f", NowMs());
            Watcher::Seen seen;
            const bool ok = w.Run(FromUtf8(f[2]), FromUtf8(f[3]), std::atof(f[1].c_str()), seen);
            done.store(true);
            clip.join();
            ReportTime("first", seen.First);
            ReportTime("change", seen.Change);
            ReportFinal(w, ok, seen);
            Reply("clip %s %s", lastChange >= 0 ? std::to_string(lastChange).c_str() : "-",
                  ClipboardText() == FromUtf8(f[4]) ? "same" : "other");
        } else if ((cmd == "paste" && f.size() == 3) || (cmd == "erasepaste" && f.size() == 4)) {
            // The fastest paste: the text on the clipboard beforehand, then one Ctrl+V; for
            // erasepaste, behind a Backspace per character of the text the Edit control holds.
            const std::wstring first = cmd == "paste" ? L"" : FromUtf8(f[2]);
            const std::wstring text = FromUtf8(f.back());
            if (!SetClipboardText(text)) {
                Reply("error clipboard");
                continue;
            }
            if (!first.empty()) {
                SendMessageTimeoutW(target.Edit, WM_SETTEXT, 0,
                                    reinterpret_cast<LPARAM>(first.c_str()), SMTO_ABORTIFHUNG, 2000,
                                    nullptr);
                SendMessageTimeoutW(target.Edit, EM_SETSEL, first.size(), first.size(),
                                    SMTO_ABORTIFHUNG, 2000, nullptr);
            }
            std::vector<INPUT> inputs;
            for (std::size_t i = 0; i < first.size(); ++i) {
                inputs.push_back(KeyInput(VK_BACK, 0));
                inputs.push_back(KeyInput(VK_BACK, KEYEVENTF_KEYUP));
            }
            for (auto [vk, up] : {std::pair<WORD, DWORD>{VK_CONTROL, 0},
                                  {'V', 0},
                                  {'V', KEYEVENTF_KEYUP},
                                  {VK_CONTROL, KEYEVENTF_KEYUP}})
                inputs.push_back(KeyInput(vk, up));
            SendWatched(target.Edit, pollMs, inputs, first, text, std::atof(f[1].c_str()));
        } else {
            Reply("error unknown command %s", cmd.c_str());
        }
    }
    timeEndPeriod(1);
    return 0;
}
