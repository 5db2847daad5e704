#pragma once
// Windows drops the input a program synthesises for a process that runs at a higher integrity
// level than its own (an administrator console, an elevated installer): an expansion there
// would do nothing, or part of its work. It is not started, and the user learns why from a
// tray notice, once for each such program.
#include "platform/ProcessQueries.h"
#include "platform/TrayNotices.h"
#include "platform/WindowMemo.h"
#include "platform/WindowQueries.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace lumora {

class ElevatedTargets {
public:
    ElevatedTargets(WindowQueries& windows, ProcessQueries& processes, TrayNotices& notices);

    // False when target runs above us (and then, the first time for its program, the notice).
    // A level that cannot be read counts as ours: the expansion goes ahead, as it always did.
    bool MayTypeInto(HWindow target);

private:
    // The level of target's process, asked of the system once per window (it is fixed when
    // the process starts).
    std::optional<std::uint32_t> LevelOf(HWindow target);

    WindowQueries& windows_;
    ProcessQueries& processes_;
    TrayNotices& notices_;
    std::set<std::u16string> told_; // the programs the notice named
    WindowMemo<std::optional<std::uint32_t>> level_;
};

} // namespace lumora
