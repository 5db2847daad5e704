// The one window procedure of our own window classes: finds the owner and runs its handler
// inside the guard.
#include "winapp/WindowProcedure.h"

#include "platform/Error.h"
#include "platform/win32/Win32Handles.h"

namespace lumora {

LRESULT CALLBACK WindowOwner::Procedure(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<WindowOwner*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<WindowOwner*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->WindowAttached(w);
    }
    if (!self) return DefWindowProcW(w, msg, wp, lp);
    return GuardedHandler([&] { return self->HandleMessage(msg, wp, lp); },
                          [&](std::exception_ptr e) { self->ShowError(e); });
}

void ShowDialogError(HWND dlg, const wchar_t* caption, std::exception_ptr error) noexcept {
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        MessageBoxW(dlg, WidePtr(e.Message()), caption, MB_OK | MB_ICONERROR);
    } catch (const std::exception& e) {
        MessageBoxA(dlg, e.what(), nullptr, MB_OK | MB_ICONERROR);
    } catch (...) {
    }
}

void WindowOwner::Detach(HWND w) {
    SetWindowLongPtrW(w, GWLP_USERDATA, 0);
}

} // namespace lumora
