#pragma once
// The program's start and end: what a second start does with its -pause, -resume, -toggle or
// -exit. The main window's own start-up and shutdown (one copy at a time, the settings and the
// phrase file read, the hook set; the phrases saved at the end) are in ProgramLifetime.cpp.
#include "platform/win32/Win32Api.h"
#include "settings/Options.h"

#include <string>
#include <vector>

namespace lumora {

// The arguments after the program's name.
std::vector<std::u16string> CommandLineArguments();
// The -pause, -resume, -toggle or -exit of this start, if any.
ControlCommand ControlCommandOfThisStart();
// Hands the command to the copy of Lumora that runs; false when none runs.
bool HandToRunningCopy(ControlCommand command);

} // namespace lumora
