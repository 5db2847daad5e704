#pragma once
// A desktop with the program's hidden main window (thread 1) and a text editor in front of it
// (window 200 of thread 2, whose edit control 201 has focus and caret).
#include "hook/HookLink.h"
#include "simulation/ScriptedDesktop.h"
#include "tracking/TrackingRecords.h"

#include <gtest/gtest.h>

namespace lumora::testing {

constexpr HWindow OwnWindow = 100;
constexpr ThreadId OwnThread = 1;
constexpr HWindow Editor = 200;
constexpr ThreadId EditorThread = 2;
constexpr HWindow EditorField = 201;
constexpr ThreadId HookThread = 77;

// A control of a thread, of the given class (nullopt: unreadable).
inline sim::ScriptedWindow Control(HWindow h, ThreadId thread,
                                   std::optional<std::u16string> cls = u"Edit") {
    sim::ScriptedWindow w;
    w.Handle = h;
    w.Thread = thread;
    w.ClassName = std::move(cls);
    return w;
}

class DesktopFixture : public ::testing::Test {
protected:
    DesktopFixture() {
        sim::ScriptedWindow own;
        own.Handle = OwnWindow;
        own.Thread = OwnThread;
        own.Title = u"Lumora";
        own.Visible = false;
        own.Rect = {0, 0, 400, 300};
        desk.AddTopWindow(own);
        desk.ScriptTarget(Editor, EditorThread, EditorField);
        desk.MainWindow = OwnWindow;
    }

    // The record of the editor's field, as typing would create it.
    TrackingRecord& FieldRec() { return *tracking.CurrentRecord(); }

    sim::ScriptedDesktop desk;
    HookLink link{OwnWindow, HookThread};
    TrackingRecords tracking{desk, OwnWindow};
};

} // namespace lumora::testing
