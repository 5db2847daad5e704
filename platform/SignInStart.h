#pragma once
#include <optional>
#include <string>

namespace lumora {

// Lumora's entry in the per-user Run key (HKCU\Software\Microsoft\Windows\CurrentVersion\Run),
// which starts it when the user signs in to Windows.
class SignInStart {
public:
    virtual ~SignInStart() = default;
    // The command the entry starts; nullopt when there is none.
    virtual std::optional<std::u16string> RunCommand() = 0;
    // Writes the entry (throws Error when it cannot).
    virtual void SetRunCommand(const std::u16string& command) = 0;
    // Removes the entry (throws Error when it cannot).
    virtual void RemoveRunCommand() = 0;
};

} // namespace lumora
