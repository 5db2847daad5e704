// Finds the window and control the user types into, and keeps one tracking record for each.
#include "tracking/TrackingRecords.h"

#include <algorithm>

namespace lumora {

namespace {

// A z-order walk that meets windows being re-stacked could in principle go round; no desktop
// has this many top-level windows.
constexpr int MaxZOrderSteps = 100000;

// Records looked at by one PurgeRecords.
constexpr std::size_t PurgeBatch = 16;

} // namespace

void BoundText(TrackingRecord& rec) {
    if (rec.Text.size() <= MaxShadowLength) return;
    const auto caret = static_cast<std::size_t>(CaretInText(rec));
    const std::size_t end = std::min(rec.Text.size(), caret + KeptAroundCaret);
    const std::size_t begin = caret > KeptAroundCaret ? caret - KeptAroundCaret : 0;
    rec.Text = rec.Text.substr(begin, end - begin);
    rec.Pos = static_cast<std::int32_t>(caret - begin);
    const auto selStart =
        static_cast<std::int64_t>(rec.SelStart) - static_cast<std::int64_t>(begin);
    if (rec.SelCount > 0 && selStart >= 0 &&
        selStart + rec.SelCount <= static_cast<std::int64_t>(rec.Text.size()) + 1) {
        rec.SelStart = static_cast<std::int32_t>(selStart);
    } else {
        rec.SelStart = 0;
        rec.SelCount = 0;
    }
}

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
    if (remember_ && memo_.HaveTarget) return memo_.Target;
    HWindow w = windows_.ForegroundWindow();
    HWindow found = 0;
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
            !windows_.TitleIs(w, u"Start") && windows_.IsVisible(w) && windows_.IsEnabled(w);
        if (qualifies) {
            found = w;
            break;
        }
        w = windows_.NextWindow(w);
    }
    if (remember_) memo_.HaveTarget = true, memo_.Target = found;
    return found;
}

HWindow TrackingRecords::FindFocusedControl(HWindow target) {
    if (target == 0) return 0;
    if (remember_ && memo_.HaveControl && memo_.ControlOf == target) return memo_.Control;
    auto info = windows_.GuiThread(windows_.WindowThread(target));
    const HWindow control = !info ? 0 : info->Caret != 0 ? info->Caret : info->Focus;
    if (remember_) memo_.HaveControl = true, memo_.ControlOf = target, memo_.Control = control;
    return control;
}

HWindow TrackingRecords::FindFocusedControl() {
    return FindFocusedControl(FindTargetWindow());
}

TrackingRecord* TrackingRecords::CurrentRecord() {
    const HWindow top = FindTargetWindow();
    const HWindow control = FindFocusedControl(top);
    // Every cell editor of a spreadsheet is a new control; they share one record.
    const HWindow key = windows_.ClassNameStartsWith(control, u"excel") ? ExcelControlKey : control;
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
    auto it = byKey_.find(Key(top, controlKey));
    return it == byKey_.end() ? nullptr : it->second;
}

TrackingRecord& TrackingRecords::AddRecord(HWindow top, HWindow controlKey) {
    auto rec = std::make_unique<TrackingRecord>();
    rec->MainWindow = top;
    rec->EditControl = controlKey;
    records_.push_back(std::move(rec));
    byKey_[Key(top, controlKey)] = records_.back().get();
    return *records_.back();
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
    if (holds_ > 0 || records_.empty()) return;
    HWindow closed[PurgeBatch];
    std::size_t found = 0;
    for (std::size_t n = 0; n < std::min(PurgeBatch, records_.size()); ++n) {
        if (purgeCursor_ >= records_.size()) purgeCursor_ = 0;
        const HWindow top = records_[purgeCursor_++]->MainWindow;
        if (std::find(closed, closed + found, top) == closed + found && !windows_.Exists(top))
            closed[found++] = top;
    }
    if (found == 0) return;
    // Every record of a closed window goes at once.
    std::erase_if(records_, [&](const auto& rec) {
        if (std::find(closed, closed + found, rec->MainWindow) == closed + found) return false;
        byKey_.erase(Key(rec->MainWindow, rec->EditControl));
        return true;
    });
}

void TrackingRecords::ResetOnClick(int x, int y) {
    const HWindow clicked = windows_.WindowAt(x, y);
    if (windows_.WindowThread(clicked) == windows_.WindowThread(mainWindow_)) return;
    ResetRecord(CurrentRecord());
}

} // namespace lumora
