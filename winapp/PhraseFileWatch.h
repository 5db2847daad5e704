#pragma once
// Keeps the running program's phrase file looked after without waking it for nothing: its
// folder's change notifications arrive as a message, and the window's timer is set to when the
// file next has something to do (a save, a change settling), and to nothing at idle.
#include "data/PhraseFile.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32FolderWatch.h"

#include <memory>

namespace lumora {

class PhraseFileWatch {
public:
    // A change in the folder (wParam 1: the watch ended).
    static constexpr UINT FolderChangedMessage = WM_APP + 3;
    // The window's timer of the phrase file.
    static constexpr UINT_PTR TimerId = 3;

    PhraseFileWatch() = default;
    PhraseFileWatch(const PhraseFileWatch&) = delete;
    PhraseFileWatch& operator=(const PhraseFileWatch&) = delete;

    // Watches the file's folder (again, after the file moved), from the window's thread.
    void Watch(HWND window, PhraseFile& file);
    // The timer, set to the file's next due time, or stopped.
    void Arm();
    // TimerId fired. userEditing: the rows must not be replaced now.
    void TimerFired(bool userEditing);
    // FolderChangedMessage arrived.
    void FolderChanged(WPARAM wp);
    // The program ends: no more notifications or timers.
    void Stop();

private:
    HWND window_ = nullptr;
    PhraseFile* file_ = nullptr;
    std::unique_ptr<Win32FolderWatch> folder_;
};

} // namespace lumora
