#pragma once
// The program's main window on Windows: start-up and shutdown, the tray icon and its menu,
// showing and hiding, and the window procedure that hands every message of the intake to the
// portable TMain.
#include "intake/EventIntake.h"
#include "settings/ProgramState.h"
#include "data/PhraseFile.h"
#include "data/Phrase.h"
#include "editor/PhraseEditor.h"
#include "data/PhraseList.h"
#include "platform/FileSystem.h"
#include "winapp/AboutDialog.h"
#include "winapp/PhraseGrid.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Platform.h"

#include <memory>
#include <optional>
#include <string>

namespace lumora {

class TMainWindow {
public:
    explicit TMainWindow(HINSTANCE instance);
    ~TMainWindow();
    TMainWindow(const TMainWindow&) = delete;
    TMainWindow& operator=(const TMainWindow&) = delete;

    // Creates the window, hidden; its creation runs TntFormCreate. False when no window could
    // be made.
    bool Create();
    // The message loop with the idle event, until a quit request.
    int Run();
    // Destroys the window; its destruction runs TntFormDestroy (once).
    void Destroy();

    HWND Handle() const { return fWnd; }

private:
    static LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    void TntFormCreate();
    void TntFormDestroy();
    void StartHook();

    void Settings1Click();
    void Exit1Click();
    void ApplicationEventsMinimize();
    void AboutActExecute();
    void ShowTrayMenu();

    // The phrase editor: toolbar, grid and status bar.
    bool CreateEditorControls();
    void LayoutEditor();
    void NewPhraseActExecute();
    void DelActExecute();

    bool AddTrayIcon();
    void RemoveTrayIcon();
    void TrayIconShow();
    void TrayIconReAdd();
    void TrayTimerTimer();
    void SetTrayTimer(bool on);

    HINSTANCE fInstance;
    HWND fWnd = nullptr;

    Win32Platform fWin32;
    Platform fPlatform;
    TProgramState fState;
    TPhraseData fData;
    TPhraseRows fRows;
    TMain fMain;
    TPhraseEditor fEditor;
    TPhraseGrid fGrid;
    std::unique_ptr<FileSystem> fFiles;
    TAbout fAbout;

    std::u16string CurrentFileName;
    // The phrase file at CurrentFileName; knows whether the load left stored phrases out.
    std::optional<TPhraseFile> fPhraseFile;
    HANDLE fVerbantaMutex = nullptr; // held until the process ends
    HMODULE fHookLibrary = nullptr;  // stays loaded: its thread runs until the process ends
    HICON fIcon = nullptr;
    HICON fSmallIcon = nullptr;
    HWND fToolbar = nullptr;
    HWND fStatusBar = nullptr;
    HACCEL fAccelerators = nullptr; // Ctrl+N
    bool fTrayTimerOn = false;
    bool fShownOnce = false;
    bool fShutDown = false;
};

} // namespace lumora
