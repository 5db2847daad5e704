#pragma once
// The folder watch on Windows: a thread waits on the system's change notification and posts a
// message to the program's window, so that the window's own thread looks at the file and no
// timer has to wake the program while nothing changes.
#include "platform/FolderWatch.h"
#include "platform/win32/Win32Api.h"

#include <atomic>

namespace lumora {

class Win32FolderWatch final : public FolderWatch {
public:
    // Changes are told to window as message (wParam 0); wParam 1 says that the watch ended
    // and no more notifications come.
    Win32FolderWatch(HWND window, UINT message) : window_(window), message_(message) {}
    ~Win32FolderWatch() override { Stop(); }
    Win32FolderWatch(const Win32FolderWatch&) = delete;
    Win32FolderWatch& operator=(const Win32FolderWatch&) = delete;

    FolderWatchReach Watch(const std::u16string& path) override;
    void Stop() override;
    // The window has taken the message: the next change posts another (a burst of changes is
    // one message).
    void Delivered() { posted_.store(false); }

private:
    static DWORD WINAPI Wait(void* self);

    HWND window_;
    UINT message_;
    HANDLE change_ = INVALID_HANDLE_VALUE;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    std::atomic<bool> posted_{false};
};

} // namespace lumora
