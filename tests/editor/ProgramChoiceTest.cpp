#include "editor/ProgramChoice.h"
#include "simulation/ScriptedDesktop.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

// A desktop as the Options window finds it: two Notepads, a browser, windows no task switcher
// shows, Lumora's own, and a program above ours whose path cannot be read.
TEST(ProgramChoiceTest, WindowList_ShouldOfferEachWindowASwitcherShows_ByTitle_WithItsProgram) {
    sim::ScriptedDesktop desk;
    const auto top = [&](HWindow h, std::u16string title, std::u16string program) {
        sim::ScriptedWindow w;
        w.Handle = h;
        w.Title = std::move(title);
        w.Program = std::move(program);
        w.Icon = 0x7000 + h;
        return &desk.AddTopWindow(w);
    };
    top(1, u"Untitled - Notepad", u"C:\\Windows\\notepad.exe");
    top(2, u"notes.txt - Notepad", u"C:\\Windows\\NOTEPAD.EXE");
    top(3, u"Untitled - Notepad", u"C:\\Windows\\notepad.exe"); // alike: one line
    top(4, u"Start page - Browser", u"C:\\Apps\\browser.exe");
    top(5, u"Calculator", u"C:\\Windows\\calc.exe"); // listed already
    top(6, u"", u"C:\\Apps\\tray.exe");              // no title
    top(7, u"Hidden", u"C:\\Apps\\hidden.exe")->Visible = false;
    top(8, u"Palette", u"C:\\Apps\\paint.exe")->ToolWindow = true;
    top(9, u"Find", u"C:\\Apps\\paint.exe")->Owned = true; // a dialog of another window
    sim::ScriptedWindow* owned = top(10, u"Chat", u"C:\\Apps\\chat.exe");
    owned->Owned = owned->AppWindow = true; // owned, but on the taskbar
    top(11, u"Other desktop", u"C:\\Apps\\far.exe")->Cloaked = true;
    top(12, u"Options", u"C:\\Tools\\lumora.exe")->Ours = true;
    top(13, u"Lumora 2", u"C:\\Other\\Lumora.exe"); // another copy of Lumora
    top(14, u"Administrator: Setup", u"");          // above ours: no path
    top(15, u"Program Manager", u"C:\\Windows\\explorer.exe")->Shell = true;

    const std::vector<WindowOffer> offer = WindowsToOffer(desk, desk, {u"Calc.exe"}, 16);
    std::vector<std::u16string> lines;
    for (const WindowOffer& w : offer) {
        lines.push_back(w.Title + u" | " + w.Program);
        EXPECT_EQ(w.Icon, 0x7000 + w.Window) << "the icon of its own window";
    }
    EXPECT_EQ(lines,
              (std::vector<std::u16string>{u"Chat | chat.exe", u"notes.txt - Notepad | NOTEPAD.EXE",
                                           u"Start page - Browser | browser.exe",
                                           u"Untitled - Notepad | notepad.exe"}));

    // A program already listed goes from the window list with all its windows.
    EXPECT_EQ(
        WindowsToOffer(desk, desk, {u"notepad.exe", u"chat.exe", u"browser.exe", u"calc.exe"}, 16)
            .size(),
        0u);
}

TEST(ProgramChoiceTest, BrowsedFiles_AndListedNames_ShouldBeNamedAsTheListsKeepThem) {
    EXPECT_EQ(ProgramOfFile(u"C:\\Program Files\\Old App\\OldApp.EXE"), u"OldApp.EXE");
    EXPECT_EQ(ProgramOfFile(u"D:/tools/putty.exe"), u"putty.exe");
    EXPECT_EQ(ProgramOfFile(u"C:\\Users\\Ann\\notes.txt"), std::nullopt);
    EXPECT_EQ(ProgramOfFile(u"C:\\folder.exe\\"), std::nullopt);
    EXPECT_EQ(ProgramOfFile(u"C:\\x\\.exe"), std::nullopt);

    const std::vector<std::u16string> listed{u"calc.exe", u"Notepad.exe"};
    EXPECT_EQ(FindProgram(listed, u"NOTEPAD.EXE"), 1u);
    EXPECT_EQ(FindProgram(listed, u"notepad"), std::nullopt);
}

} // namespace
} // namespace lumora
