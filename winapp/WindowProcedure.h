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

// Shows an error that left a dialog's handler in a box over the dialog.
void ShowDialogError(HWND dlg, const wchar_t* caption, std::exception_ptr error) noexcept;

// The dialog procedure of a dialog whose owner is DialogBoxParamW's parameter: from
// WM_INITDIALOG on, every message goes to owner->OnMessage(dlg, msg, wp, lp). Nothing may leave
// a dialog procedure: an error is shown, captioned owner->ErrorCaption(), and the dialog stays.
template <class Owner> INT_PTR CALLBACK DialogProcedure(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(dlg, DWLP_USER, lp);
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (!owner) return FALSE;
    try {
        return owner->OnMessage(dlg, msg, wp, lp);
    } catch (...) {
        ShowDialogError(dlg, owner->ErrorCaption(), std::current_exception());
        return TRUE;
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
