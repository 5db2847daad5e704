#pragma once
// The system's own text for an error code.
#include "platform/win32/Win32Api.h"

#include <string>
#include <string_view>

namespace lumora {

// The system's text for an error code, without its line break and final stop, with file for
// its "%1"; "error N" when the system has none.
std::u16string SystemErrorText(DWORD code, std::u16string_view file = {});

} // namespace lumora
