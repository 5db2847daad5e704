#pragma once
// How a window's messages reach the C++ object that owns it, with the guard that keeps every
// exception inside the window procedure.
#include "platform/win32/Win32Api.h"

#include <exception>
#include <utility>

namespace lumora {

// Runs one message's handler. Nothing may leave a window procedure: an exception ends the
// handler, goes to onError, and the message counts as handled.
template <class Handler, class OnError>
LRESULT GuardedHandler(Handler&& handler, OnError&& onError) noexcept {
    try {
        return std::forward<Handler>(handler)();
    } catch (...) {
        std::forward<OnError>(onError)(std::current_exception());
        return 0;
    }
}

// The owner of a window of a class of our own. Register the class with Procedure and pass the
// owner (as a WindowOwner*) as the creation parameter of CreateWindowExW: from WM_NCCREATE on,
// every message goes to HandleMessage, guarded.
class WindowOwner {
public:
    static LRESULT CALLBACK Procedure(HWND w, UINT msg, WPARAM wp, LPARAM lp);

protected:
    ~WindowOwner() = default;
    // The window's handle, as its first message arrives (inside CreateWindowExW).
    virtual void WindowAttached(HWND w) = 0;
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) = 0;
    // An exception that left HandleMessage.
    virtual void ShowError(std::exception_ptr error) = 0;
    // Called on WM_NCDESTROY after HandleMessage: no message reaches the owner after it.
    static void Detach(HWND w);
};

} // namespace lumora
