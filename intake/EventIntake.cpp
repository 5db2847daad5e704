#include "intake/EventIntake.h"

#include "hook/HookMessages.h"
#include "platform/Utf.h"
#include "platform/Error.h"
#include "output/KeySynthesis.h"

namespace lumora {

namespace {

const std::u16string ApplicationTitle = u"Lumora";

} // namespace

std::u16string ErrorBoxText(std::u16string_view message) {
    std::u16string text(message);
    if (!text.empty() && text.back() > u'.') text += u'.';
    return text;
}

TMain::TMain(Platform& platform, MessageBoxes& boxes, TProgramState& state,
             TDataStringList& phraseIndex)
    : fPlatform(platform), fBoxes(boxes), fState(state),
      fTracking(platform.Windows, state.MainWindow), fEditKeys(platform, state, fTracking),
      fSearch(phraseIndex, state.Options), fCharIntake(platform, state, fTracking, fSearch),
      fTyping(platform, state, fTracking, fEditKeys) {}

void TMain::SetMainWindow(HWindow mainWindow) {
    fState.MainWindow = mainWindow;
    fTracking.SetMainWindow(mainWindow);
}

bool TMain::MainWindowShown() {
    return fPlatform.Windows.IsVisible(fState.MainWindow);
}

bool TMain::HandleMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) noexcept {
    try {
        switch (msg) {
        case WM_HOOK_CHAR:
            HookChar(wParam, lParam);
            return true;
        case WM_HOOK_KEY:
            HookKey(wParam);
            return true;
        case WM_HOOK_MOUSE:
            HookMouse(wParam, lParam);
            return true;
        case WM_NEW_PHRASE:
            if (NewPhraseActExecute) NewPhraseActExecute();
            return true;
        case WM_EXPAND:
            fTyping.ExpandPhrase(fState.PendingPhrase);
            return true;
        default:
            if (fTaskbarCreatedMsg != 0 && msg == fTaskbarCreatedMsg && TrayIconReAdd)
                TrayIconReAdd();
            return false;
        }
    } catch (...) {
        ShowException(std::current_exception());
        return true;
    }
}

void TMain::ApplicationEventsIdle() noexcept {
    try {
        fTracking.PurgeWordRecs();
    } catch (...) {
        ShowException(std::current_exception());
    }
}

void TMain::HookChar(std::uintptr_t wParam, std::intptr_t lParam) {
    const auto ch = static_cast<char16_t>(wParam & 0xFFFF);
    const auto vk = static_cast<std::uint8_t>(lParam & 0xFF);
    const bool extended = ((lParam >> 8) & 0xFF) == 1;
    // The checks against control codes look at the whole wParam, as a signed number.
    const auto code = static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam));

    if (!fState.TypingActive && !MainWindowShown()) {
        fEditKeys.HandleEditKey(ch, true);
        if (code < 32 && code != 8 && code != 9 && code != 10 && code != 13) return;
        fCharIntake.HandleTypedChar(ch, vk, extended);
        return;
    }
    // Not observed now. The hook library withholds the Enter and Tab keys, so they are sent on
    // here; every other character has already reached its application.
    if (code == ch && IsWithheldKey(ch, vk)) TapKey(fPlatform, vk, extended);
}

void TMain::HookKey(std::uintptr_t wParam) {
    fEditKeys.HandleEditKey(static_cast<std::uint16_t>(wParam & 0xFFFF), false);
}

void TMain::HookMouse(std::uintptr_t wParam, std::intptr_t lParam) {
    fTracking.ResetOnClick(static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam)),
                           static_cast<std::int32_t>(static_cast<std::uint32_t>(lParam)));
}

void TMain::ShowException(std::exception_ptr error) noexcept {
    std::u16string message;
    try {
        std::rethrow_exception(error);
    } catch (const EVrbException& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = Utf8ToUtf16(e.what());
    } catch (...) {
        message = u"Unknown error";
    }
    try {
        fBoxes.ShowMessage(ErrorBoxText(message), ApplicationTitle, MessageBoxIcon::Error);
    } catch (...) {
        // Nowhere left to report to; the program goes on.
    }
}

} // namespace lumora
