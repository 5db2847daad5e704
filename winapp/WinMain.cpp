// lumora.exe: the program entry.
#include "winapp/MainWindow.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Held, never closed, until the process ends; whether it existed is not our question.
    CreateMutexW(nullptr, FALSE, L"Lumora");

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);

    lumora::MainWindow main(instance);
    if (!main.Create()) return 1;
    // Never shown at start, whatever the command line says: the program lives in the tray.
    const int code = main.Run();
    main.Destroy();
    return code;
}
