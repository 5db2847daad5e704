#include "tests/DesktopFixture.h"

namespace lumora::testing {
namespace {

using TrackingRecordsTest = DesktopFixture;

sim::ScriptedWindow TopWindow(HWindow h, ThreadId t, std::u16string title = u"Window") {
    sim::ScriptedWindow w;
    w.Handle = h;
    w.Thread = t;
    w.Title = std::move(title);
    w.Status = WS_ACTIVECAPTION;
    return w;
}

TEST_F(TrackingRecordsTest,
       FindTargetWindow_ShouldWalkZOrderPastOwnAndUnfitWindows_WhenForegroundIsOurs) {
    // z-order: own (foreground), another of our thread, inactive, hidden, disabled, unreadable,
    // and last a fit one.
    desk.BringToTop(OwnWindow);
    desk.SetForeground(OwnWindow);
    desk.Window(OwnWindow).Status = WS_ACTIVECAPTION;
    desk.AddTopWindow(TopWindow(101, OwnThread, u"About"));
    auto& inactive = desk.AddTopWindow(TopWindow(300, 3));
    inactive.Status = 0;
    desk.AddTopWindow(TopWindow(301, 3)).Visible = false;
    desk.AddTopWindow(TopWindow(302, 3)).Enabled = false;
    desk.AddTopWindow(TopWindow(303, 3)).Status = std::nullopt;
    desk.AddTopWindow(TopWindow(304, 4));
    desk.ZOrder = {OwnWindow, 101, 300, 301, 302, 303, Editor, 304};
    desk.Window(Editor).Status = 0; // the editor is no longer active

    EXPECT_EQ(tracking.FindTargetWindow(), 304u);

    desk.Window(304).Status = 0;
    EXPECT_EQ(tracking.FindTargetWindow(), 0u);
    EXPECT_EQ(tracking.CurrentRecord(), nullptr);
    EXPECT_TRUE(tracking.Records().empty());

    desk.SetForeground(0);
    EXPECT_EQ(tracking.FindTargetWindow(), 0u);
}

TEST_F(TrackingRecordsTest,
       FindTargetWindow_ShouldSkipOnlyExactStartTitle_WhenForegroundIsTaskbar) {
    desk.AddTopWindow(TopWindow(400, 5, u"Start"));
    desk.BringToTop(400);
    desk.SetForeground(400);
    EXPECT_EQ(tracking.FindTargetWindow(), Editor);

    desk.Window(400).Title = u"start";
    EXPECT_EQ(tracking.FindTargetWindow(), 400u);
    desk.Window(400).Title = u"Start ";
    EXPECT_EQ(tracking.FindTargetWindow(), 400u);
}

TEST_F(TrackingRecordsTest, FindFocusedControl_ShouldPreferCaretOverFocus_AndGiveZeroWhenUnknown) {
    desk.SetGuiThread(EditorThread, GuiThreadInfo{Editor, 210, 211});
    EXPECT_EQ(tracking.FindFocusedControl(), 211u);
    desk.SetGuiThread(EditorThread, GuiThreadInfo{Editor, 210, 0});
    EXPECT_EQ(tracking.FindFocusedControl(), 210u);
    desk.SetGuiThread(EditorThread, GuiThreadInfo{Editor, 0, 0});
    EXPECT_EQ(tracking.FindFocusedControl(), 0u);
    desk.GuiThreads.erase(EditorThread); // GetGUIThreadInfo fails
    EXPECT_EQ(tracking.FindFocusedControl(), 0u);
    desk.SetForeground(0);
    desk.GuiThreads[EditorThread] = GuiThreadInfo{Editor, 210, 211};
    EXPECT_EQ(tracking.FindFocusedControl(), 0u);
}

TEST_F(TrackingRecordsTest,
       CurrentRecord_ShouldKeepOneRecordPerControl_WhenTypingMovesBetweenControls) {
    TrackingRecord* first = tracking.CurrentRecord();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->MainWindow, Editor);
    EXPECT_EQ(first->EditControl, EditorField);
    first->Text = u"hello";
    first->Pos = 5;

    desk.AddControl(Control(202, EditorThread));
    desk.FocusControl(EditorThread, 202);
    TrackingRecord* second = tracking.CurrentRecord();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(second->EditControl, 202u);
    EXPECT_TRUE(second->Text.empty());

    desk.FocusControl(EditorThread, EditorField);
    EXPECT_EQ(tracking.CurrentRecord(), first);
    EXPECT_EQ(first->Text, u"hello");
    EXPECT_EQ(tracking.Records().size(), 2u);

    desk.SetGuiThread(EditorThread, GuiThreadInfo{Editor, 0, 0});
    TrackingRecord* none = tracking.CurrentRecord();
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->EditControl, 0u);
}

TEST_F(TrackingRecordsTest, CurrentRecord_ShouldShareOneRecord_WhenControlsAreOfExcelClasses) {
    desk.AddControl(Control(500, EditorThread, u"EXCEL7"));
    desk.AddControl(Control(501, EditorThread, u"excel<"));
    desk.AddControl(Control(502, EditorThread, u"Exce"));
    desk.AddControl(Control(503, EditorThread, std::nullopt));

    desk.FocusControl(EditorThread, 500);
    TrackingRecord* a = tracking.CurrentRecord();
    desk.FocusControl(EditorThread, 501);
    TrackingRecord* b = tracking.CurrentRecord();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->EditControl, ExcelControlKey);

    desk.FocusControl(EditorThread, 502);
    EXPECT_EQ(tracking.CurrentRecord()->EditControl, 502u);
    desk.FocusControl(EditorThread, 503);
    EXPECT_EQ(tracking.CurrentRecord()->EditControl, 503u);
}

TEST_F(TrackingRecordsTest, Records_ShouldStayAtTheirAddresses_WhenTheTableGrows) {
    TrackingRecord* held = tracking.CurrentRecord();
    held->Text = u"kept";
    for (HWindow c = 1000; c < 1200; ++c)
        tracking.AddRecord(Editor, c);
    EXPECT_EQ(held->Text, u"kept");
    EXPECT_EQ(tracking.FindRecord(Editor, EditorField), held);
    EXPECT_EQ(tracking.FindRecord(Editor, 1199)->EditControl, 1199u);
    EXPECT_EQ(tracking.FindRecord(Editor, 5000), nullptr);
}

TEST_F(TrackingRecordsTest,
       PurgeRecords_ShouldDropEveryRecordOfAClosedWindow_AndKeepTheOthersInOrder) {
    desk.AddTopWindow(TopWindow(600, 6));
    tracking.AddRecord(Editor, EditorField);
    tracking.AddRecord(600, 601);
    tracking.AddRecord(Editor, 202);
    tracking.AddRecord(600, 602);

    desk.DestroyWindow(600);
    {
        auto hold = tracking.HoldRecords(); // someone waits with a record in hand
        tracking.PurgeRecords();
        EXPECT_EQ(tracking.Records().size(), 4u);
    }
    tracking.PurgeRecords();
    ASSERT_EQ(tracking.Records().size(), 2u);
    EXPECT_EQ(tracking.Records()[0]->EditControl, EditorField);
    EXPECT_EQ(tracking.Records()[1]->EditControl, 202u);

    // A closed control alone does not drop the record of a living window.
    desk.AddControl(Control(202, EditorThread));
    desk.DestroyWindow(202);
    tracking.PurgeRecords();
    EXPECT_EQ(tracking.Records().size(), 2u);
}

TEST_F(TrackingRecordsTest, PurgeRecords_ShouldFindAClosedWindowAmongMany_WithinARoundOfTheTable) {
    // Each call looks at a few records only; a closed window's records still go within a
    // round of the table, and a found record stays found by its window and control.
    for (HWindow w = 1000; w < 1100; ++w) {
        desk.AddTopWindow(TopWindow(w, 9));
        tracking.AddRecord(w, w + 1);
        tracking.AddRecord(w, w + 2);
    }
    desk.DestroyWindow(1077);
    int calls = 0;
    while (tracking.FindRecord(1077, 1078) && calls < 100) {
        tracking.PurgeRecords();
        ++calls;
    }
    EXPECT_LE(calls, 200 / 16 + 1);
    EXPECT_EQ(tracking.FindRecord(1077, 1079), nullptr);
    EXPECT_EQ(tracking.Records().size(), 198u);
    EXPECT_NE(tracking.FindRecord(1099, 1101), nullptr);
}

TEST_F(TrackingRecordsTest,
       ResetOnClick_ShouldEmptyTheCurrentRecord_UnlessTheClickIsOnOurOwnWindow) {
    TrackingRecord& rec = FieldRec();
    rec.Text = u"abc";
    rec.Pos = 2;
    rec.SelStart = 1;
    rec.SelCount = 1;

    desk.WindowAtOverride = OwnWindow;
    tracking.ResetOnClick(10, 10);
    EXPECT_EQ(rec.Text, u"abc");

    desk.WindowAtOverride = 9999; // somewhere else, even outside the target
    tracking.ResetOnClick(900, 900);
    EXPECT_TRUE(rec.Text.empty());
    EXPECT_EQ(rec.Pos, 0);
    EXPECT_EQ(rec.SelStart, 0);
    EXPECT_EQ(rec.SelCount, 0);

    // A press in a control with no record yet creates it.
    desk.AddControl(Control(203, EditorThread));
    desk.FocusControl(EditorThread, 203);
    tracking.ResetOnClick(5, 5);
    EXPECT_NE(tracking.FindRecord(Editor, 203), nullptr);
}

TEST_F(TrackingRecordsTest, TextBeforeCaret_ShouldGiveTheTextUpToPos_ClippedToTheText) {
    TrackingRecord rec;
    rec.Text = u"hello";
    rec.Pos = 3;
    EXPECT_EQ(TrackingRecords::TextBeforeCaret(&rec), u"hel");
    rec.Pos = 9;
    EXPECT_EQ(TrackingRecords::TextBeforeCaret(&rec), u"hello");
    rec.Pos = -1;
    EXPECT_EQ(TrackingRecords::TextBeforeCaret(&rec), u"");
    EXPECT_EQ(TrackingRecords::TextBeforeCaret(nullptr), u"");
    TrackingRecords::ResetRecord(nullptr); // no effect, no crash
}

} // namespace
TEST_F(TrackingRecordsTest, BoundText_ShouldKeepTheTextAroundTheCaret_WhenTheRecordGrowsTooLong) {
    TrackingRecord& rec = FieldRec();
    rec.Text = std::u16string(MaxShadowLength, u'a') + u" brb" + std::u16string(2000, u'z');
    rec.Pos = static_cast<std::int32_t>(MaxShadowLength + 4);
    rec.SelStart = 2;
    rec.SelCount = 3;
    BoundText(rec);
    EXPECT_EQ(rec.Text.size(), 2 * KeptAroundCaret);
    EXPECT_EQ(rec.Pos, static_cast<std::int32_t>(KeptAroundCaret));
    EXPECT_EQ(TrackingRecords::TextBeforeCaret(&rec).substr(KeptAroundCaret - 4), u" brb");
    EXPECT_EQ(rec.SelCount, 0) << "the selection lay in what was cut";
    const std::u16string kept = rec.Text;
    BoundText(rec);
    EXPECT_EQ(rec.Text, kept) << "short enough now";
}

} // namespace lumora::testing
