// lumora.exe: the program entry.
#include "winapp/MainWindow.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Held, never closed, until the process ends. That it existed already tells a second
    // start that the copy running is Lumora (and not the other product of the shared mutex).
    SetLastError(ERROR_SUCCESS);
    const bool lumoraRuns = CreateMutexW(nullptr, FALSE, L"Lumora") != nullptr &&
                            GetLastError() == ERROR_ALREADY_EXISTS;

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);

    lumora::MainWindow main(instance, lumoraRuns);
    if (!main.Create()) return 1;
    // Never shown at start, whatever the command line says: the program lives in the tray.
    const int code = main.Run();
    main.Destroy();
    return code;
}
