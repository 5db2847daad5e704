#pragma once
// The check every scenario on the simulated desktop ends with: once the program has handled
// everything, no key is down that the user does not hold.
#include "simulation/SimulatedDesktop.h"

#include <gtest/gtest.h>

#include <string>

namespace lumora::testing {

inline void ExpectNoKeyDownThatTheUserDoesNotHold(sim::SimulatedDesktop& sim) {
    sim.RunPending();
    std::string stuck;
    for (std::uint8_t vk : sim.KeysDownNotHeld())
        stuck += " " + std::to_string(vk);
    EXPECT_TRUE(stuck.empty()) << "keys down that the user does not hold:" << stuck;
}

} // namespace lumora::testing
