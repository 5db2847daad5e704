#pragma once
#include "platform/Types.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lumora {

// Mandatory integrity levels (the last sub-authority of a token's integrity label).
constexpr std::uint32_t MediumIntegrity = 0x2000;
constexpr std::uint32_t HighIntegrity = 0x3000;

// What the core asks about the process behind a window (kernel32, advapi32).
class ProcessQueries {
public:
    virtual ~ProcessQueries() = default;
    // The integrity level of the process that owns w; nullopt when it cannot be read.
    virtual std::optional<std::uint32_t> IntegrityLevel(HWindow w) = 0;
    // The integrity level of our own process; nullopt when it cannot be read.
    virtual std::optional<std::uint32_t> OwnIntegrityLevel() = 0;
    // The full path of the executable of the process that owns w; empty when it cannot be read.
    virtual std::u16string ProgramPath(HWindow w) = 0;
};

} // namespace lumora
