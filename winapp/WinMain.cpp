// lumora.exe: the program entry, which hands a second start's command on or runs the main
// window.
#include "winapp/MainWindow.h"
#include "winapp/ProgramLifetime.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Held, never closed, until the process ends. That it existed already tells a second
    // start that the copy running is Lumora (and not the other product of the shared mutex).
    SetLastError(ERROR_SUCCESS);
    const bool lumoraRuns = CreateMutexW(nullptr, FALSE, L"Lumora") != nullptr &&
                            GetLastError() == ERROR_ALREADY_EXISTS;

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);

    // -pause, -resume, -toggle and -exit go to the copy that runs, and this start ends quietly;
    // with none running, -exit has nothing to do and -pause or -toggle start paused.
    using lumora::ControlCommand;
    const ControlCommand command = lumora::ControlCommandOfThisStart();
    if (command != ControlCommand::None && lumora::HandToRunningCopy(command)) return 0;
    if (command == ControlCommand::Exit) return 0;
    const bool startPaused = command == ControlCommand::Pause || command == ControlCommand::Toggle;

    lumora::MainWindow main(instance, lumoraRuns, startPaused);
    if (!main.Create()) return 1;
    // Never shown at start, whatever the command line says: the program lives in the tray.
    const int code = main.Run();
    main.Destroy();
    return code;
}
