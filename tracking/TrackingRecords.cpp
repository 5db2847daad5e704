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

void EraseSelection(TrackingRecord& rec) {
    const auto L = static_cast<std::int32_t>(rec.Text.size());
    if (rec.SelStart >= 0 && rec.SelStart < L && rec.SelCount > 0)
        rec.Text.erase(rec.SelStart, std::min(rec.SelCount, L - rec.SelStart));
    rec.Pos = rec.SelStart;
    rec.SelStart = 0;
    rec.SelCount = 0;
}

TrackingRecords::TrackingRecords(WindowQueries& windows, HWindow mainWindow)
    : windows_(windows), mainWindow_(mainWindow) {}

HWindow TrackingRecords::FindTargetWindow() {
    HWindow w = windows_.ForegroundWindow();
    if (w == 0) return 0;
    const ThreadId ownThread = windows_.WindowThread(mainWindow_);
    // The foreground window may be one of ours (the tray menu, a message box): the target is
    // then the active window below it in the z-order.
    for (int step = 0; w != 0 && step < MaxZOrderSteps; ++step) {
        // Cheapest rejections of our own windows first. A top-level window titled exactly
        // "Start" is the taskbar's Start button, which takes the activation while the Start
        // menu is open: what is typed then goes to the menu's search, not to an application.
        bool qualifies =
            windows_.WindowThread(w) != ownThread &&
            windows_.WindowStatus(w) == std::optional<std::uint32_t>(WS_ACTIVECAPTION) &&
            windows_.WindowTitle(w) != u"Start" && windows_.IsVisible(w) && windows_.IsEnabled(w);
        if (qualifies) return w;
        w = windows_.NextWindow(w);
    }
    return 0;
}

HWindow TrackingRecords::FindFocusedControl(HWindow target) {
    if (target == 0) return 0;
    auto info = windows_.GuiThread(windows_.WindowThread(target));
    if (!info) return 0;
    return info->Caret != 0 ? info->Caret : info->Focus;
}

HWindow TrackingRecords::FindFocusedControl() {
    return FindFocusedControl(FindTargetWindow());
}

TrackingRecord* TrackingRecords::CurrentRecord() {
    const HWindow top = FindTargetWindow();
    const HWindow control = FindFocusedControl(top);
    // Every cell editor of a spreadsheet is a new control; they share one record.
    const HWindow key = IsExcelClass(windows_.ClassName(control)) ? ExcelControlKey : control;
    TrackingRecord* rec = FindRecord(top, key);
    if (windows_.IsPasswordField(control)) {
        // What is typed into a password field is not ours to keep, nor to expand. A field that
        // became one (a "show password" box unticked) loses what it held.
        ResetRecord(rec);
        return nullptr;
    }
    if (!rec && top != 0) rec = &AddRecord(top, key);
    return rec;
}

TrackingRecord* TrackingRecords::RecordForEditing() {
    const HWindow top = FindTargetWindow();
    const HWindow control = FindFocusedControl(top);
    TrackingRecord* rec = FindRecord(top, control);
    if (rec && windows_.IsPasswordField(control)) {
        ResetRecord(rec);
        return nullptr;
    }
    return rec;
}

TrackingRecord* TrackingRecords::FindRecord(HWindow top, HWindow controlKey) {
    for (auto& rec : wordRecs_)
        if (rec->MainWindow == top && rec->EditControl == controlKey) return rec.get();
    return nullptr;
}

TrackingRecord& TrackingRecords::AddRecord(HWindow top, HWindow controlKey) {
    auto rec = std::make_unique<TrackingRecord>();
    rec->MainWindow = top;
    rec->EditControl = controlKey;
    wordRecs_.push_back(std::move(rec));
    return *wordRecs_.back();
}

void TrackingRecords::ResetRecord(TrackingRecord* rec) {
    if (!rec) return;
    rec->Text.clear();
    rec->Pos = 0;
    rec->SelStart = 0;
    rec->SelCount = 0;
}

std::u16string TrackingRecords::TextBeforeCaret(const TrackingRecord* rec) {
    if (!rec || rec->Pos <= 0) return {};
    return rec->Text.substr(0, std::min<std::size_t>(rec->Text.size(), rec->Pos));
}

void TrackingRecords::PurgeRecords() {
    if (holds_ > 0) return;
    std::erase_if(wordRecs_, [this](const auto& rec) { return !windows_.Exists(rec->MainWindow); });
}

void TrackingRecords::ResetOnClick(int x, int y) {
    const HWindow clicked = windows_.WindowAt(x, y);
    if (windows_.WindowThread(clicked) == windows_.WindowThread(mainWindow_)) return;
    ResetRecord(CurrentRecord());
}

} // namespace lumora
