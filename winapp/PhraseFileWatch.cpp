// The phrase file's folder watch and its timer on the main window.
#include "winapp/PhraseFileWatch.h"

#include <algorithm>

namespace lumora {

void PhraseFileWatch::Watch(HWND window, PhraseFile& file) {
    window_ = window;
    file_ = &file;
    if (!folder_) folder_ = std::make_unique<Win32FolderWatch>(window, FolderChangedMessage);
    file.SetPollInterval(PollIntervalFor(folder_->Watch(file.Path())));
    Arm();
}

void PhraseFileWatch::Arm() {
    if (!window_ || !file_) return;
    if (const std::optional<std::uint32_t> delay = file_->NextTickDelayMs())
        SetTimer(window_, TimerId, std::max<UINT>(*delay, USER_TIMER_MINIMUM), nullptr);
    else
        KillTimer(window_, TimerId);
}

void PhraseFileWatch::TimerFired(bool userEditing) {
    if (!file_) return;
    file_->Tick(userEditing);
    Arm();
}

void PhraseFileWatch::FolderChanged(WPARAM wp) {
    if (!file_ || !folder_) return;
    folder_->Delivered();
    if (wp == 1) file_->SetPollInterval(PhraseFile::SlowPollIntervalMs);
    file_->FileChangeNoticed();
    Arm();
}

void PhraseFileWatch::Stop() {
    if (folder_) folder_->Stop();
    if (window_) KillTimer(window_, TimerId);
    file_ = nullptr;
}

} // namespace lumora
