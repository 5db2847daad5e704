#include "tracking/TrackingRecords.h"

#include <algorithm>

namespace lumora {

namespace {

// A z-order walk that meets windows being re-stacked could in principle go round; no desktop
// has this many top-level windows.
constexpr int MaxZOrderSteps = 100000;

bool IsExcelClass(const std::optional<std::u16string>& cls) {
    if (!cls || cls->size() < 5) return false;
    static constexpr std::u16string_view excel = u"excel";
    for (std::size_t i = 0; i < 5; ++i) {
        char16_t c = (*cls)[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != excel[i]) return false;
    }
    return true;
}

} // namespace

void EraseSelection(AutoWordRec& rec) {
    const auto L = static_cast<std::int32_t>(rec.Text.size());
    if (rec.SelStart >= 0 && rec.SelStart < L && rec.SelCount > 0)
        rec.Text.erase(rec.SelStart, std::min(rec.SelCount, L - rec.SelStart));
    rec.Pos = rec.SelStart;
    rec.SelStart = 0;
    rec.SelCount = 0;
}

TTracking::TTracking(WindowQueries& windows, HWindow mainWindow)
    : fWindows(windows), fMainWindow(mainWindow) {}

HWindow TTracking::FindTargetWindow() {
    HWindow w = fWindows.ForegroundWindow();
    if (w == 0) return 0;
    const ThreadId ownThread = fWindows.WindowThread(fMainWindow);
    for (int step = 0; w != 0 && step < MaxZOrderSteps; ++step) {
        // Tested in this order, cheapest rejections of our own windows first.
        bool qualifies =
            fWindows.WindowThread(w) != ownThread &&
            fWindows.WindowStatus(w) == std::optional<std::uint32_t>(WS_ACTIVECAPTION) &&
            fWindows.WindowTitle(w) != u"Start" && fWindows.IsVisible(w) && fWindows.IsEnabled(w);
        if (qualifies) return w;
        w = fWindows.NextWindow(w);
    }
    return 0;
}

HWindow TTracking::FindFocusedControl(HWindow target) {
    if (target == 0) return 0;
    auto info = fWindows.GuiThread(fWindows.WindowThread(target));
    if (!info) return 0;
    return info->Caret != 0 ? info->Caret : info->Focus;
}

HWindow TTracking::FindFocusedControl() {
    return FindFocusedControl(FindTargetWindow());
}

AutoWordRec* TTracking::CurrentWordRec() {
    const HWindow top = FindTargetWindow();
    const HWindow control = FindFocusedControl(top);
    // Every cell editor of a spreadsheet is a new control; they share one record.
    const HWindow key = IsExcelClass(fWindows.ClassName(control)) ? ExcelControlKey : control;
    AutoWordRec* rec = FindWordRec(top, key);
    if (!rec && top != 0) rec = &AddWordRec(top, key);
    return rec;
}

AutoWordRec* TTracking::FindWordRec(HWindow top, HWindow controlKey) {
    for (auto& rec : fWordRecs)
        if (rec->MainWindow == top && rec->EditControl == controlKey) return rec.get();
    return nullptr;
}

AutoWordRec& TTracking::AddWordRec(HWindow top, HWindow controlKey) {
    auto rec = std::make_unique<AutoWordRec>();
    rec->MainWindow = top;
    rec->EditControl = controlKey;
    fWordRecs.push_back(std::move(rec));
    return *fWordRecs.back();
}

void TTracking::ResetWordRec(AutoWordRec* rec) {
    if (!rec) return;
    rec->Text.clear();
    rec->Pos = 0;
    rec->SelStart = 0;
    rec->SelCount = 0;
}

std::u16string TTracking::TextBeforeCaret(const AutoWordRec* rec) {
    if (!rec || rec->Pos <= 0) return {};
    return rec->Text.substr(0, std::min<std::size_t>(rec->Text.size(), rec->Pos));
}

void TTracking::PurgeWordRecs() {
    if (fHolds > 0) return;
    std::erase_if(fWordRecs, [this](const auto& rec) { return !fWindows.Exists(rec->MainWindow); });
}

void TTracking::ResetOnClick(int x, int y) {
    const HWindow clicked = fWindows.WindowAt(x, y);
    if (fWindows.WindowThread(clicked) == fWindows.WindowThread(fMainWindow)) return;
    ResetWordRec(CurrentWordRec());
}

} // namespace lumora
