#include "data/VrbExceptions.h"

#include "data/Utf.h"

#include <utility>

namespace lumora {

EVrbException::EVrbException(std::u16string message)
    : fMessage(std::move(message)), fUtf8(Utf16ToUtf8(fMessage)) {}

} // namespace lumora
