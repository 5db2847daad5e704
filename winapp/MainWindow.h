#pragma once
// The program's main window on Windows: start-up and shutdown, the tray icon and its menu,
// showing and hiding, and the window procedure that hands every message of the intake to the
// portable EventIntake.
#include "data/Phrase.h"
#include "data/PhraseFile.h"
#include "data/PhraseList.h"
#include "editor/PhraseEditor.h"
#include "hook/LumoraHook.h"
#include "intake/EventIntake.h"
#include "intake/HookWatchdog.h"
#include "platform/FileSystem.h"
#include "platform/TrayNotices.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Platform.h"
#include "winapp/AboutDialog.h"
#include "winapp/PhraseGrid.h"

#include <memory>
#include <optional>
#include <string>

namespace lumora {

class MainWindow final : public TrayNotices, public HookActivity {
public:
    // lumoraRuns: another copy of Lumora was already running at our start.
    MainWindow(HINSTANCE instance, bool lumoraRuns);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window, hidden; its creation runs StartUp. False when no window could
    // be made.
    bool Create();
    // The message loop with the idle event, until a quit request.
    int Run();
    // Destroys the window; its destruction runs ShutDown (once).
    void Destroy();

    HWND Handle() const { return wnd_; }

    // A balloon at the tray icon.
    void ShowNotice(const std::u16string& title, const std::u16string& text) override;
    // The hook library's tick of its hooks' last event.
    std::optional<std::uint32_t> LastEventTick() override;

private:
    static LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    void StartUp();
    void ShutDown();
    void StartHook();
    void StartWatchdog();
    void StopWatchdog();

    void ShowPhraseList();
    void ExitProgram();
    void HideToTray();
    void ShowAbout();
    void ShowTrayMenu();

    // The phrase editor: toolbar, grid and status bar.
    bool CreateEditorControls();
    void LayoutEditor();
    void NewPhrase();
    void DeletePhrase();

    bool AddTrayIcon();
    void RemoveTrayIcon();
    void ShowTrayIcon();
    void ReAddTrayIcon();
    void RetryTrayIcon();
    void SetTrayTimer(bool on);

    HINSTANCE instance_;
    bool lumoraRuns_;
    HWND wnd_ = nullptr;

    Win32Platform win32_;
    Platform platform_;
    Options options_;
    HookLink link_;
    AbbreviationIndex index_;
    PhraseList rows_;
    EventIntake main_;
    HookWatchdog watchdog_;
    PhraseEditor editor_;
    PhraseGrid grid_;
    std::unique_ptr<FileSystem> files_;
    AboutDialog about_;

    // The phrase file beside the program: loaded at start, written after each change.
    std::optional<PhraseFile> phraseFile_;
    HANDLE instanceMutex_ = nullptr; // held until the process ends
    HMODULE hookLibrary_ = nullptr;  // stays loaded: its thread runs until the process ends
    HookLastEventTickProc hookLastEventTick_ = nullptr;
    RemoveHooksProc removeHooks_ = nullptr;
    // The number a test gives in LUMORA_TEST_HOOK_KEY, 0 for none (see WM_TEST_REMOVE_HOOKS).
    std::uint64_t testHookKey_ = 0;
    bool watching_ = false;
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND statusBar_ = nullptr;
    HACCEL accelerators_ = nullptr; // Ctrl+N
    bool trayTimerOn_ = false;
    bool shownOnce_ = false;
    bool shutDown_ = false;
    // Asked for while the phrase file was loading: done once it has ended.
    bool endAfterLoad_ = false;
    bool showAfterLoad_ = false;
};

} // namespace lumora
