#pragma once
// The export of the keyboard-hook library lumora.dll.
//
// SetHook(window) starts the library's own thread, installs a low-level keyboard hook and a
// low-level mouse hook on it, and returns that thread's id once both are installed (0 when they
// could not be). From then on the thread posts to `window`:
//   WM_HOOK_CHAR  for a key press that types a character: wParam the UTF-16 unit, lParam
//                 vk | extended << 8. Backspace is char 8; Enter and Tab pressed without Ctrl,
//                 Alt or Windows are char 13 and 9 and are withheld from the target application
//                 (their release too); Ctrl+Enter is char 10 and passes.
//   WM_HOOK_KEY   for every other key press: wParam the virtual-key code (Escape is always 27).
//   WM_HOOK_MOUSE for a mouse button press: wParam x, lParam y (screen coordinates).
// Input injected by a program (SendInput) is neither reported nor withheld.
//
// HookHold(report, flags) and HookRelease(report): an expansion holds the user's keys, and lets
// them go (WM_HOOK_HOLD and WM_HOOK_RELEASE in HookMessages.h, and KeyHold.h). Called from
// inside the process only: they queue the request and wake the library's thread.
//
// ReinstallHooks() removes the hooks and installs them again (Windows may have taken them away:
// a slow callback, sleep, a locked session), starting from the keys as they are then.
// EndHooks() removes the hooks and ends the library's thread. Both work only from inside the
// process: the thread takes no thread message of anyone's as a request (a WM_QUIT posted to it
// is ignored), so that no other program can switch the hooks off or reset them.
//
// HookLastEventTick() gives GetTickCount at the last event either hook saw (any key or mouse
// event, also injected ones; the time of installing before the first). RemoveHooks() takes
// both hooks away until the next ReinstallHooks() (for lumora.exe's test of the re-install).
//
// HookHolding() is TRUE while the library holds keys or replays them: the program's end waits
// for it to turn FALSE after the last release, so that no key the user typed is lost.
//
// Calling convention: WINAPI (__stdcall; the same as the default on x64), exported undecorated
// as "SetHook". A second call returns the id of the thread already running.
#include "platform/win32/Win32Api.h"

extern "C" {
using SetHookProc = DWORD(WINAPI*)(HWND window);
using HookLastEventTickProc = DWORD(WINAPI*)();
using RemoveHooksProc = void(WINAPI*)();
using HookHoldProc = void(WINAPI*)(DWORD report, LONG_PTR flags);
using HookReleaseProc = void(WINAPI*)(DWORD report);
using HookHoldingProc = BOOL(WINAPI*)();
using ReinstallHooksProc = void(WINAPI*)();
using EndHooksProc = void(WINAPI*)();
}

#ifdef LUMORA_HOOK_BUILD
extern "C" __declspec(dllexport) DWORD WINAPI SetHook(HWND window);
extern "C" __declspec(dllexport) DWORD WINAPI HookLastEventTick();
extern "C" __declspec(dllexport) void WINAPI RemoveHooks();
extern "C" __declspec(dllexport) void WINAPI HookHold(DWORD report, LONG_PTR flags);
extern "C" __declspec(dllexport) void WINAPI HookRelease(DWORD report);
extern "C" __declspec(dllexport) BOOL WINAPI HookHolding();
extern "C" __declspec(dllexport) void WINAPI ReinstallHooks();
extern "C" __declspec(dllexport) void WINAPI EndHooks();
#endif
