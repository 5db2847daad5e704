// Runs the program's portable core on the simulated desktop, wired as lumora.exe wires it.
#include "simulation/SimulatedProgram.h"

#include "hook/HookMessages.h"

namespace lumora::sim {

SimulatedProgram::SimulatedProgram(lumora::Options options)
    : Options(options), Main(Sim.AsPlatform(), Boxes, Notices, Link, Options, Index),
      Watchdog(Sim.AsPlatform(), Link, Sim.Hook(), Main.Tracking()) {
    Sim.Connect(
        [this](unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
            Main.HandleMessage(msg, wParam, lParam);
            Watchdog.HandleMessage(msg, wParam);
        },
        [this] { Main.OnIdle(); });
}

SimulatedProgram::~SimulatedProgram() {
    // The handlers refer to Main; nothing may reach them while the members go.
    Sim.Connect(nullptr, nullptr);
}

Phrase& SimulatedProgram::AddPhrase(const std::u16string& abbreviation,
                                    const std::u16string& text) {
    return Rows.AppendPhrase(Index, abbreviation, text);
}

const TrackingRecord* SimulatedProgram::CurrentRecord() {
    TrackingRecords& t = Main.Tracking();
    return t.FindRecord(t.FindTargetWindow(), t.FindFocusedControl());
}

int SimulatedProgram::Expansions() {
    int n = 0;
    for (const auto& m : Sim.Hook().ThreadMessages())
        if (m.Msg == WM_HOOK_HOLD) ++n;
    return n;
}

} // namespace lumora::sim
