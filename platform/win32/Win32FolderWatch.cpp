#include "platform/win32/Win32FolderWatch.h"

#include "platform/win32/Win32Handles.h"

#include <vector>

namespace lumora {

namespace {

// The folder of the file the path leads to: a link's changes happen where its target is.
std::u16string FolderOf(const std::u16string& path) {
    std::u16string file = path;
    HANDLE h = CreateFileW(WidePtr(path), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        std::vector<wchar_t> buffer(MAX_PATH);
        DWORD n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n >= buffer.size()) {
            buffer.resize(n + 1);
            n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        }
        if (n > 0 && n < buffer.size()) file = FromWide(buffer.data(), n);
        CloseHandle(h);
    }
    const std::size_t slash = file.find_last_of(u"\\/");
    return slash == std::u16string::npos ? u"." : file.substr(0, slash + 1);
}

// Notifications from a network share depend on its server, and some never send them.
bool OnNetworkShare(const std::u16string& folder) {
    wchar_t volume[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(WidePtr(folder), volume, MAX_PATH)) return false;
    return GetDriveTypeW(volume) == DRIVE_REMOTE;
}

} // namespace

FolderWatchReach Win32FolderWatch::Watch(const std::u16string& path) {
    Stop();
    const std::u16string folder = FolderOf(path);
    // File names (a replace by rename), sizes and times of last write: every way a sync tool,
    // an editor or a script changes a file.
    change_ = FindFirstChangeNotificationW(WidePtr(folder), FALSE,
                                           FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE |
                                               FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (change_ == INVALID_HANDLE_VALUE) return FolderWatchReach::None;
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop_) thread_ = CreateThread(nullptr, 0, Wait, this, 0, nullptr);
    if (!thread_) {
        Stop();
        return FolderWatchReach::None;
    }
    return OnNetworkShare(folder) ? FolderWatchReach::Unsure : FolderWatchReach::Notified;
}

void Win32FolderWatch::Stop() {
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    if (stop_) {
        CloseHandle(stop_);
        stop_ = nullptr;
    }
    if (change_ != INVALID_HANDLE_VALUE) {
        FindCloseChangeNotification(change_);
        change_ = INVALID_HANDLE_VALUE;
    }
    posted_.store(false);
}

DWORD WINAPI Win32FolderWatch::Wait(void* param) {
    auto* self = static_cast<Win32FolderWatch*>(param);
    HANDLE handles[2] = {self->stop_, self->change_};
    for (;;) {
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
        if (!self->posted_.exchange(true)) PostMessageW(self->window_, self->message_, 0, 0);
        if (!FindNextChangeNotification(self->change_)) {
            // The folder went away (a share disconnected): no more notifications will come.
            PostMessageW(self->window_, self->message_, 1, 0);
            break;
        }
    }
    return 0;
}

} // namespace lumora
