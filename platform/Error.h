#pragma once
#include "platform/Utf.h"

#include <exception>
#include <string>
#include <utility>

namespace lumora {

// The program's exception: the message is kept in UTF-16, as the error box shows it;
// what() gives the same text in UTF-8 for the tool and the tests.
class Error : public std::exception {
public:
    explicit Error(std::u16string message)
        : message_(std::move(message)), utf8_(Utf16ToUtf8(message_)) {}
    const std::u16string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::u16string message_;
    std::string utf8_;
};

// The system took fewer of the injected events than it was given (another desktop is shown, or
// the window with the focus runs above us): the rest never arrived.
class InputRefused : public Error {
public:
    using Error::Error;
};

} // namespace lumora
