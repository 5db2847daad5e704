// The one window procedure of our own window classes: finds the owner and runs its handler
// inside the guard.
#include "winapp/WindowProcedure.h"

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

void WindowOwner::Detach(HWND w) {
    SetWindowLongPtrW(w, GWLP_USERDATA, 0);
}

} // namespace lumora
