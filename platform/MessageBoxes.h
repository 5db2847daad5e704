#pragma once
#include <string>

namespace lumora {

enum class MessageBoxIcon { Error, Information, Warning };

// Modal message boxes with a single OK button (MessageBoxW on the main window).
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void ShowMessage(const std::u16string& text, const std::u16string& caption,
                             MessageBoxIcon icon) = 0;
};

} // namespace lumora
