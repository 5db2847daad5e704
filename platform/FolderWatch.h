#pragma once
#include <string>

namespace lumora {

// How far the system's change notifications for a folder can be trusted.
enum class FolderWatchReach {
    None,     // no notifications: the folder must be looked at now and then
    Notified, // every change is notified
    Unsure,   // notified, but some changes may go unnotified (a network share)
};

// Tells the program when something in the folder of a file changes (ReadDirectoryChangesW or
// FindFirstChangeNotification on Windows). The notification arrives on the program's own
// thread, as a message of the implementation's choosing.
class FolderWatch {
public:
    virtual ~FolderWatch() = default;
    // Watches the folder of the file at path (the folder of the file a link leads to), in
    // place of any folder watched before.
    virtual FolderWatchReach Watch(const std::u16string& path) = 0;
    virtual void Stop() = 0;
};

} // namespace lumora
