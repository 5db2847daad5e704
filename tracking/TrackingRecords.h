#pragma once
// Where the user types: the target window and control, and one tracking record (shadow text,
// caret, selection) per pair of them.
#include "platform/WindowQueries.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace lumora {

struct TrackingRecord {
    HWindow MainWindow = 0;  // the target top-level window; never 0 in a stored record
    HWindow EditControl = 0; // its focused control, 0 for none, 1 for every "Excel" control
    std::u16string Text;     // the shadow copy of what was typed into the control
    std::int32_t Pos = 0;    // characters of Text before the caret
    std::int32_t SelStart = 0;
    std::int32_t SelCount = 0; // 0: no selection
};

// Pos as a place in Text. Pos may stray outside it: records of "Excel" controls never get the
// editing keys' clamp, and handlers run meanwhile may have shortened the text.
inline std::int32_t CaretInText(const TrackingRecord& rec) {
    return std::clamp<std::int32_t>(rec.Pos, 0, static_cast<std::int32_t>(rec.Text.size()));
}

// A shadow text longer than this is cut down to what stands near the caret. Only the last few
// dozen characters before the caret can ever make an expansion; the rest is kept for the
// editing keys, but a record must not grow without bound when no sentence end is typed.
constexpr std::size_t MaxShadowLength = 4096;
constexpr std::size_t KeptAroundCaret = 1024;

// Cuts a text longer than MaxShadowLength to KeptAroundCaret code units on each side of the
// caret; a selection that no longer fits is forgotten.
void BoundText(TrackingRecord& rec);

// Removes the selected text (what of it lies inside Text); the caret goes where it began and
// nothing stays selected.
void EraseSelection(TrackingRecord& rec);

// The control key that every control of an "Excel..." class shares.
constexpr HWindow ExcelControlKey = 1;

class TrackingRecords {
public:
    TrackingRecords(WindowQueries& windows, HWindow mainWindow);
    TrackingRecords(const TrackingRecords&) = delete;
    TrackingRecords& operator=(const TrackingRecords&) = delete;

    // The program's own main window; may be set once it exists.
    void SetMainWindow(HWindow mainWindow) { mainWindow_ = mainWindow; }
    HWindow MainWindow() const { return mainWindow_; }

    // The top-level window the user types into, 0 when there is none.
    HWindow FindTargetWindow();
    // The caret (or else focus) window of the target's thread, 0 when none.
    HWindow FindFocusedControl();
    // The same for a target already found (saves a second z-order walk).
    HWindow FindFocusedControl(HWindow target);
    // The record of the current target and control, created when missing; nullptr when there
    // is no target window, and in a password field (whose record, if any, is emptied).
    TrackingRecord* CurrentRecord();
    // The record the editing keys change: that of the current target and the control exactly as
    // found (no Excel rule); never creates one, and none in a password field.
    TrackingRecord* RecordForEditing();
    // Never creates.
    TrackingRecord* FindRecord(HWindow top, HWindow controlKey);
    TrackingRecord& AddRecord(HWindow top, HWindow controlKey);
    static void ResetRecord(TrackingRecord* rec);
    static std::u16string TextBeforeCaret(const TrackingRecord* rec);
    // Drops the records of windows that no longer exist (not while records are held). Each call
    // looks at a few records, going round the table, so that it costs the same with twenty
    // thousand records as with twenty: it runs whenever the program is idle.
    void PurgeRecords();
    void ResetOnClick(int x, int y);

    // The records, in creation order. Each lives in its own heap object, so a pointer to one
    // stays valid while the table grows.
    const std::vector<std::unique_ptr<TrackingRecord>>& Records() const { return records_; }
    void ClearRecords() {
        records_.clear();
        byKey_.clear();
    }

    // While a key event is handled, the target window and its focused control are looked up
    // once, not once for the editing keys and again for the character intake. Nests: a nested
    // event (handled at a point of re-entry) leaves the outer one to look again. Work that
    // waits for the windows to change (the typing-out) opens one with remember false.
    class Event {
    public:
        explicit Event(TrackingRecords& t, bool remember = true)
            : tracking_(t), outer_(t.remember_) {
            tracking_.remember_ = remember;
            tracking_.memo_ = {};
        }
        Event(const Event&) = delete;
        Event& operator=(const Event&) = delete;
        ~Event() {
            tracking_.remember_ = outer_;
            tracking_.memo_ = {};
        }

    private:
        TrackingRecords& tracking_;
        bool outer_;
    };

    // While a hold exists (someone keeps a record across a point of re-entry), PurgeRecords
    // leaves the table alone, so a held record can never be freed under its holder.
    class Hold {
    public:
        explicit Hold(TrackingRecords& t) : tracking_(&t) { ++t.holds_; }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold() { --tracking_->holds_; }

    private:
        TrackingRecords* tracking_;
    };
    Hold HoldRecords() { return Hold(*this); }

private:
    static std::uint64_t Key(HWindow top, HWindow control) {
        return static_cast<std::uint64_t>(top) << 32 | control;
    }

    struct Memo {
        bool HaveTarget = false;
        HWindow Target = 0;
        bool HaveControl = false;
        HWindow ControlOf = 0; // the target the control was found for
        HWindow Control = 0;
    };

    WindowQueries& windows_;
    HWindow mainWindow_;
    std::vector<std::unique_ptr<TrackingRecord>> records_;
    std::unordered_map<std::uint64_t, TrackingRecord*> byKey_;
    std::size_t purgeCursor_ = 0;
    int holds_ = 0;
    bool remember_ = false;
    Memo memo_;
};

} // namespace lumora
