#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace lumora {

// Text services of the operating system that the core needs. On Windows they are
// CharLowerBuffW, CharUpperBuffW, CompareStringW and the ANSI code page; elsewhere lower- and
// upper-case mappings of the whole Basic Multilingual Plane and an equality that agrees with it.

// Lower-cases code units in place, one for one; the length never changes.
void LowerCaseBuffer(char16_t* text, std::size_t length);

// Upper-cases code units in place, one for one; a letter whose capital is not one code unit
// (German sharp s) stays as it is.
void UpperCaseBuffer(char16_t* text, std::size_t length);

// A lower-cased copy.
std::u16string LowerCased(std::u16string_view text);

// Case-insensitive comparison under the invariant locale: -1, 0 or 1 (0 also when the
// platform's comparison fails). Only "is it 0" is meaningful across platforms. Never
// allocates.
int CompareTextInvariant(std::u16string_view a, std::u16string_view b);

// Bytes in the system's ANSI code page (Windows-1252 outside Windows) to UTF-16.
std::u16string AnsiToUtf16(std::string_view bytes);

} // namespace lumora
