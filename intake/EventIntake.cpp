#include "intake/EventIntake.h"

#include "intake/ProgramMessages.h"
#include "output/KeySynthesis.h"
#include "platform/Error.h"
#include "platform/Utf.h"

#include <utility>

namespace lumora {

namespace {

const std::u16string ApplicationTitle = u"Lumora";

} // namespace

std::u16string ErrorBoxText(std::u16string_view message) {
    std::u16string text(message);
    if (!text.empty() && text.back() > u'.') text += u'.';
    return text;
}

EventIntake::EventIntake(Platform& platform, MessageBoxes& boxes, TrayNotices& notices,
                         HookLink& link, const Options& options, const AbbreviationIndex& index)
    : platform_(platform), boxes_(boxes), link_(link), tracking_(platform.Windows, link.MainWindow),
      typing_(platform, link, tracking_), editKeys_(platform, link, tracking_, typing_),
      search_(index, options.Mode),
      charIntake_(platform, link, tracking_, search_, editKeys_, pending_),
      elevated_(platform.Processes, notices) {}

void EventIntake::SetMainWindow(HWindow mainWindow) {
    link_.MainWindow = mainWindow;
    tracking_.SetMainWindow(mainWindow);
}

bool EventIntake::MainWindowShown() {
    return platform_.Windows.IsVisible(link_.MainWindow);
}

bool EventIntake::HandleMessage(unsigned msg, std::uintptr_t wParam,
                                std::intptr_t lParam) noexcept {
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
            if (NewPhrase) NewPhrase();
            return true;
        case WM_EXPAND:
            // Taken, so that a second WM_EXPAND finds nothing left to type.
            if (auto expansion = std::exchange(pending_, std::nullopt))
                if (MayTypeHere()) typing_.ExpandPhrase(*expansion);
            return true;
        default:
            if (taskbarCreatedMsg_ != 0 && msg == taskbarCreatedMsg_ && ReAddTrayIcon)
                ReAddTrayIcon();
            return false;
        }
    } catch (...) {
        ShowException(std::current_exception());
        return true;
    }
}

bool EventIntake::MayTypeHere() {
    // The focus may have moved on since the abbreviation was typed: never erase or type into a
    // password field. Checked before anything is erased.
    return !tracking_.InPasswordField() && elevated_.MayTypeInto(tracking_.FindTargetWindow());
}

void EventIntake::OnIdle() noexcept {
    try {
        tracking_.PurgeRecords();
    } catch (...) {
        ShowException(std::current_exception());
    }
}

void EventIntake::HookChar(std::uintptr_t wParam, std::intptr_t lParam) {
    const auto ch = static_cast<char16_t>(wParam & 0xFFFF);
    const auto vk = static_cast<std::uint8_t>(lParam & 0xFF);
    const bool extended = ((lParam >> 8) & 0xFF) == 1;
    // The checks against control codes look at the whole wParam, as a signed number.
    const auto code = static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam));

    if (!typing_.Active() && !MainWindowShown()) {
        editKeys_.HandleEditKey(ch, true);
        if (code < 32 && code != 8 && code != 9 && code != 10 && code != 13) return;
        charIntake_.HandleTypedChar(ch, vk, extended);
        return;
    }
    // Not observed now. The hook library withholds the Enter and Tab keys, so they are sent on
    // here; every other character has already reached its application.
    if (code == ch && IsWithheldKey(ch, vk)) TapKey(platform_, vk, extended);
}

void EventIntake::HookKey(std::uintptr_t wParam) {
    editKeys_.HandleEditKey(static_cast<std::uint16_t>(wParam & 0xFFFF), false);
}

void EventIntake::HookMouse(std::uintptr_t wParam, std::intptr_t lParam) {
    tracking_.ResetOnClick(static_cast<std::int32_t>(static_cast<std::uint32_t>(wParam)),
                           static_cast<std::int32_t>(static_cast<std::uint32_t>(lParam)));
}

void EventIntake::ShowException(std::exception_ptr error) noexcept {
    std::u16string message;
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = Utf8ToUtf16(e.what());
    } catch (...) {
        message = u"Unknown error";
    }
    try {
        boxes_.ShowMessage(ErrorBoxText(message), ApplicationTitle, MessageBoxIcon::Error);
    } catch (...) {
        // Nowhere left to report to; the program goes on.
    }
}

} // namespace lumora
