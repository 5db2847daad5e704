// Loads lumora.dll from beside the program and sets its keyboard and mouse hooks.
#include "winapp/HookLibrary.h"

#include "platform/win32/SystemErrors.h"
#include "platform/win32/VersionInfo.h"
#include "platform/win32/Win32Handles.h"

#include <cwchar>

namespace lumora {

namespace {

template <class Proc> Proc Export(HMODULE library, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

} // namespace

HookLibrary::HookLibrary() {
    wchar_t key[32] = {};
    const DWORD n = GetEnvironmentVariableW(L"LUMORA_TEST_HOOK_KEY", key, ARRAYSIZE(key));
    if (n > 0 && n < ARRAYSIZE(key)) testKey_ = std::wcstoull(key, nullptr, 0);
}

HookLibrary::Started HookLibrary::Start(HWND window) {
    // Only the library beside the executable, by full path: never the DLL search path, where a
    // planted lumora.dll could stand in for ours.
    const std::u16string folder = ExecutableFolder();
    const std::u16string dll = folder + u"lumora.dll";
    std::u16string problem;
    if (!library_) {
        library_ = LoadLibraryExW(WidePtr(dll), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!library_)
            problem = u"lumora.dll could not be loaded from the folder " + folder + u" (" +
                      SystemErrorText(GetLastError(), u"lumora.dll") +
                      u"). lumora.exe needs its own lumora.dll beside it.";
    }
    SetHookProc setHook = nullptr;
    if (library_) {
        setHook = Export<SetHookProc>(library_, "SetHook");
        if (!setHook)
            problem = u"the file lumora.dll in the folder " + folder +
                      u" is not Lumora's keyboard-hook library (it has no SetHook).";
    }
    Started started;
    started.HookThread = setHook ? setHook(window) : 0;
    if (started.HookThread == 0) {
        started.Failure = problem.empty() ? u"Could not set keyboard hook!"
                                          : u"Could not set keyboard hook: " + problem;
        return started;
    }
    lastEventTick_ = Export<HookLastEventTickProc>(library_, "HookLastEventTick");
    removeHooks_ = Export<RemoveHooksProc>(library_, "RemoveHooks");
    hold_ = Export<HookHoldProc>(library_, "HookHold");
    release_ = Export<HookReleaseProc>(library_, "HookRelease");
    reinstall_ = Export<ReinstallHooksProc>(library_, "ReinstallHooks");
    end_ = Export<EndHooksProc>(library_, "EndHooks");
    if (!hold_ || !release_ || !reinstall_ || !end_) {
        started.HookThread = 0;
        started.Failure = u"Could not set keyboard hook: the file lumora.dll in the folder " +
                          folder + u" belongs to another version of Lumora.";
    }
    holding_ = Export<HookHoldingProc>(library_, "HookHolding");
    return started;
}

std::optional<std::uint32_t> HookLibrary::LastEventTick() const {
    if (!lastEventTick_) return std::nullopt;
    return lastEventTick_();
}

void HookLibrary::Hold(std::uint32_t report, std::intptr_t flags) {
    if (hold_) hold_(report, static_cast<LONG_PTR>(flags));
}

void HookLibrary::Release(std::uint32_t report) {
    if (release_) release_(report);
}

void HookLibrary::Reinstall() {
    if (reinstall_) reinstall_();
}

void HookLibrary::End() {
    if (end_) end_();
}

bool HookLibrary::Holding() const {
    return holding_ && holding_() != FALSE;
}

void HookLibrary::RemoveHooksForTest(std::uint64_t key) const {
    if (testKey_ != 0 && key == testKey_ && removeHooks_) removeHooks_();
}

} // namespace lumora
