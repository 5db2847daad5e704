#pragma once
#include "platform/Utf.h"

#include <exception>
#include <string>
#include <utility>

namespace lumora {

// The program's base exception: the message is kept in UTF-16, as the error box shows it;
// what() gives the same text in UTF-8 for the tool and the tests.
class EVrbException : public std::exception {
public:
    explicit EVrbException(std::u16string message)
        : fMessage(std::move(message)), fUtf8(Utf16ToUtf8(fMessage)) {}
    const std::u16string& Message() const noexcept { return fMessage; }
    const char* what() const noexcept override { return fUtf8.c_str(); }

private:
    std::u16string fMessage;
    std::string fUtf8;
};

// Malformed nesting in the phrase file's tag language.
class EVrbXMLError : public EVrbException {
public:
    using EVrbException::EVrbException;
};

} // namespace lumora
