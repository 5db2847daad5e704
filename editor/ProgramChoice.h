#pragma once
// The Options window's ways to name a program for its lists: one of the open windows, or an
// executable file chosen with Browse.
#include "platform/DesktopWindows.h"
#include "platform/ProcessQueries.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// One line of the window list: a window by its title and icon, and its program's file name,
// the name the lists keep.
struct WindowOffer {
    HWindow Window = 0;
    std::u16string Title;
    std::u16string Program;
    IconHandle Icon = 0;
};

// The open windows to pick a program from: those a task switcher shows (visible, titled, not
// cloaked, no tool windows, no owned ones unless on the taskbar), none of our own, each of a
// program that can be named, is not listed already and is not Lumora. Two windows alike in
// title and program are one line. Sorted by title, then program, letter case aside. Icons are
// asked for at iconSize pixels, only for the windows kept.
std::vector<WindowOffer> WindowsToOffer(DesktopWindows& desktop, ProcessQueries& processes,
                                        const std::vector<std::u16string>& listed, int iconSize);

// The name a file chosen with Browse is listed under: its file name, when it is a program
// (an .exe); nothing otherwise.
std::optional<std::u16string> ProgramOfFile(std::u16string_view path);

// Where a program is in a list already, letter case aside.
std::optional<std::size_t> FindProgram(const std::vector<std::u16string>& listed,
                                       std::u16string_view program);

} // namespace lumora
