#include "simulation/SimulatedProgram.h"

#include "hook/HookMessages.h"

namespace lumora::fakes {

namespace {

TProgramState InitialState(const TOptions& options) {
    TProgramState state;
    state.Options = options;
    state.MainWindow = SimulatedDesktop::MainWindowHandle;
    state.HookThreadId = SimulatedDesktop::HookThread;
    return state;
}

} // namespace

SimulatedProgram::SimulatedProgram(TOptions options)
    : State(InitialState(options)), Main(Sim.AsPlatform(), Boxes, State, Data.PhraseIndex) {
    Sim.Connect([this](unsigned msg, std::uintptr_t wParam,
                       std::intptr_t lParam) { Main.HandleMessage(msg, wParam, lParam); },
                [this] { Main.ApplicationEventsIdle(); });
}

SimulatedProgram::~SimulatedProgram() {
    // The handlers refer to Main; nothing may reach them while the members go.
    Sim.Connect(nullptr, nullptr);
}

TMiniData& SimulatedProgram::AddPhrase(const std::u16string& autotext, const std::u16string& text) {
    return Rows.AppendPhrase(Data, autotext, text);
}

const AutoWordRec* SimulatedProgram::CurrentRecord() {
    TTracking& t = Main.Tracking();
    return t.FindWordRec(t.FindTargetWindow(), t.FindFocusedControl());
}

int SimulatedProgram::Expansions() {
    int n = 0;
    for (const PostedMessage& m : Sim.Desktop().ThreadPosts)
        if (m.Msg == WM_HOOK_BUSY && m.WParam == 1) ++n;
    return n;
}

} // namespace lumora::fakes
