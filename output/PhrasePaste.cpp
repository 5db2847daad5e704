// Pasting a phrase through the clipboard, with the clipboard's contents kept whole.
#include "output/PhrasePaste.h"

#include "output/ClipboardText.h"
#include "output/KeySynthesis.h"
#include "platform/TextCase.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace lumora {

namespace {

// Closes the clipboard on every path once it has been opened.
class OpenClipboard {
public:
    explicit OpenClipboard(Clipboard& clip) : clip_(clip) {}
    OpenClipboard(const OpenClipboard&) = delete;
    OpenClipboard& operator=(const OpenClipboard&) = delete;
    ~OpenClipboard() { clip_.Close(); }

private:
    Clipboard& clip_;
};

std::u16string FileNameOf(std::u16string_view path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    return LowerCased(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

std::vector<std::uint8_t> Dword(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// On the clipboard a line break is CR LF; the prepared text has the Enter key's CR alone.
std::u16string ClipboardLines(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    for (char16_t c : text) {
        out += c;
        if (c == u'\r') out += u'\n';
    }
    return out;
}

} // namespace

OutputMethod ChooseOutputMethod(const Options& options, std::u16string_view programPath,
                                bool console, std::size_t length) {
    if (!programPath.empty()) {
        const std::u16string name = FileNameOf(programPath);
        for (const ProgramMethod& entry : options.ProgramMethods)
            if (entry.Program != ConsoleWindows && FileNameOf(entry.Program) == name)
                return entry.Method;
    }
    if (console)
        for (const ProgramMethod& entry : options.ProgramMethods)
            if (entry.Program == ConsoleWindows) return entry.Method;
    if (options.PasteAbove > 0 && length > static_cast<std::size_t>(options.PasteAbove))
        return OutputMethod::Paste;
    return OutputMethod::Type;
}

bool IsConsoleWindow(Platform& platform, HWindow target) {
    // The system's console host, Windows Terminal, and Wine's console.
    for (std::u16string_view cls :
         {u"ConsoleWindowClass", u"CASCADIA_HOSTING_WINDOW_CLASS", u"WineConsoleClass"})
        if (platform.Windows.ClassNameStartsWith(target, cls)) return true;
    return false;
}

PhrasePaste::PhrasePaste(Platform& platform, TrackingRecords& tracking, TrayNotices& notices)
    : platform_(platform), tracking_(tracking), notices_(notices) {}

// The clipboard lent to a phrase: what it held goes back when this ends, on every path (a
// refused injection included).
class PhrasePaste::Lent {
public:
    Lent(PhrasePaste& paste, std::vector<ClipboardItem> saved)
        : paste_(paste), saved_(std::move(saved)) {}
    Lent(const Lent&) = delete;
    Lent& operator=(const Lent&) = delete;
    ~Lent() {
        try {
            GiveBack();
        } catch (...) {
            // Already unwinding from a failed paste; that failure is the one to report.
        }
    }
    void GiveBack() {
        if (given_) return;
        given_ = true;
        paste_.Restore(saved_);
    }

private:
    PhrasePaste& paste_;
    std::vector<ClipboardItem> saved_;
    bool given_ = false;
};

PhrasePaste::Result PhrasePaste::Paste(const PhraseTyping::PreparedText& text, HWindow target,
                                       bool shiftInsert, std::int32_t erase,
                                       std::int32_t eraseInShadow) {
    Clipboard& clip = platform_.Clip;
    std::vector<ClipboardItem> saved;
    bool offered = false;
    {
        // Before anything is erased: a clipboard that cannot be had leaves the typing to do
        // it all, as if no paste had been thought of.
        if (!OpenClipboardWithin(platform_, tracking_.MainWindow(), PasteClipboardWaitMs))
            return Result::NotOffered;
        OpenClipboard open(clip);
        // The clipboard still holds an earlier phrase of ours whose give-back waits: what goes
        // back after this paste is the user's contents kept then. Someone else's copy since
        // makes that copy the one to keep.
        const bool earlierOurs = waiting_ && clip.Owner() == tracking_.MainWindow();
        if (!earlierOurs) saved = clip.ReadFormats();
        if (!clip.Empty()) return Result::NotOffered;
        if (earlierOurs) saved = std::move(waiting_->Saved);
        waiting_.reset();
        // Marked before the text goes on, so that no monitor sees it unmarked.
        const std::u16string_view marks[] = {ExcludeFromMonitorsFormat, HistoryFormat, CloudFormat};
        for (std::size_t i = 0; i < markFormats_.size(); ++i) {
            // A registered format keeps its number for the session: asked once.
            if (markFormats_[i] == 0) markFormats_[i] = clip.RegisterFormat(marks[i]);
            if (markFormats_[i] != 0) clip.Put(markFormats_[i], Dword(0));
        }
        offered = clip.OfferText(ClipboardLines(text.Text));
    }
    Lent lent(*this, std::move(saved));
    if (!offered) return Result::NotOffered;
    // The Backspaces and the paste keys in one injection: the target takes them in order, so
    // nothing waits between the two, and the phrase is on offer before either goes.
    std::vector<KeyEvent> keys;
    AppendBackspaces(platform_, keys, erase);
    const std::uint16_t modifier = shiftInsert ? vk::Shift : vk::Control;
    const std::uint16_t key = shiftInsert ? vk::Insert : 'V';
    keys.push_back(MakeKeyEvent(platform_, modifier, true));
    keys.push_back(MakeKeyEvent(platform_, key, true, shiftInsert));
    keys.push_back(MakeKeyEvent(platform_, key, false, shiftInsert));
    keys.push_back(MakeKeyEvent(platform_, modifier, false));
    platform_.Input.SendInputs(keys);
    EraseInShadow(tracking_, eraseInShadow);
    const bool taken = WaitUntilTaken(target);
    lent.GiveBack();
    if (!taken) return Result::NotTaken;

    auto hold = tracking_.HoldRecords();
    TrackingRecord* rec = tracking_.CurrentRecord();
    if (rec) {
        // The shadow text holds a line break as the Enter key's CR, as typing leaves it.
        const std::int32_t caret = CaretInText(*rec);
        rec->Text.insert(static_cast<std::size_t>(caret), text.Text);
        rec->Pos = caret + static_cast<std::int32_t>(text.Text.size());
        BoundText(*rec);
    }
    if (text.LeftPresses > 0) {
        std::vector<KeyEvent> lefts;
        for (std::size_t i = 0; i < text.LeftPresses; ++i) {
            lefts.push_back(MakeKeyEvent(platform_, vk::Left, true, true));
            lefts.push_back(MakeKeyEvent(platform_, vk::Left, false, true));
        }
        platform_.Input.SendInputs(lefts);
        if (rec)
            rec->Pos = std::max(0, CaretInText(*rec) - static_cast<std::int32_t>(text.CaretBack));
    }
    platform_.Messages.ProcessPendingMessages();
    return Result::Pasted;
}

bool PhrasePaste::WaitUntilTaken(HWindow target) {
    const ThreadId thread = target ? platform_.Windows.WindowThread(target) : 0;
    auto byTarget = [&](HWindow taker) {
        return taker == 0 || target == 0 || platform_.Windows.WindowThread(taker) == thread;
    };
    const std::uint32_t start = platform_.Time.TickCount();
    for (;;) {
        const std::vector<HWindow> takers = platform_.Clip.OfferTakers();
        if (std::any_of(takers.begin(), takers.end(), byTarget)) return true;
        const auto waited = static_cast<std::uint32_t>(platform_.Time.TickCount() - start);
        // Taken by another window first: the text stays on the clipboard for the target, which
        // is given a moment to paste it.
        if (!takers.empty() && waited >= PasteSettleMs) return true;
        if (waited >= PasteTakeWaitMs) return false;
        // The target's request for the text is a sent message: it is answered as it comes.
        platform_.Messages.WaitForMessages(1);
        platform_.Messages.ProcessPendingMessages();
    }
}

void PhrasePaste::Restore(std::vector<ClipboardItem>& saved) {
    // The target may still hold the clipboard open while it reads; a rich-text control reading
    // through OLE holds it without a window, a moment after it had the text.
    if (TryRestore(saved, ClipboardWaitMs)) return;
    // Held longer by another program: the user's contents are kept for a later try.
    waiting_ = Waiting{std::move(saved), platform_.Time.TickCount()};
    std::vector<ClipboardItem>().swap(saved);
}

bool PhrasePaste::TryRestore(std::vector<ClipboardItem>& saved, std::uint32_t waitMs) {
    if (!OpenClipboardWithin(platform_, tracking_.MainWindow(), waitMs)) return false;
    {
        Clipboard& clip = platform_.Clip;
        OpenClipboard open(clip);
        // Emptied by someone else since the phrase went on: their copy is newer than ours.
        if (clip.Owner() == tracking_.MainWindow()) {
            clip.Empty();
            for (const ClipboardItem& item : saved)
                clip.Put(item.Format, item.Data);
            restoredAt_ = platform_.Time.TickCount();
        }
    }
    // The user's contents are on the clipboard again (or overtaken): our copy goes now.
    std::vector<ClipboardItem>().swap(saved);
    return true;
}

std::optional<std::uint32_t> PhrasePaste::GiveBackRetryDelayMs() const {
    if (!waiting_) return std::nullopt;
    return GiveBackRetryMs;
}

void PhrasePaste::RetryGiveBack() {
    if (!waiting_) return;
    if (TryRestore(waiting_->Saved, 0)) {
        waiting_.reset();
        return;
    }
    if (static_cast<std::uint32_t>(platform_.Time.TickCount() - waiting_->Since) <
        GiveBackRetryForMs)
        return;
    waiting_.reset();
    notices_.ShowNotice(u"Lumora could not restore the clipboard",
                        u"Another program kept the clipboard open, so what you had copied "
                        u"before a phrase was pasted could not be put back on it. Copy it "
                        u"again.");
}

} // namespace lumora
