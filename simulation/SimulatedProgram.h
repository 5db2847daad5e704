#pragma once
// The program's portable core (EventIntake with its phrases) running on the simulated desktop.
#include "data/Phrase.h"
#include "data/PhraseList.h"
#include "intake/EventIntake.h"
#include "simulation/SimulatedDesktop.h"

#include <string>
#include <vector>

namespace lumora::sim {

// Message boxes that are only recorded.
class RecordingMessageBoxes : public MessageBoxes {
public:
    struct Box {
        std::u16string Text;
        std::u16string Caption;
        MessageBoxIcon Icon;
    };
    void ShowMessage(const std::u16string& text, const std::u16string& caption,
                     MessageBoxIcon icon) override {
        Boxes.push_back({text, caption, icon});
    }
    std::vector<Box> Boxes;
};

class SimulatedProgram {
public:
    explicit SimulatedProgram(lumora::Options options = {});
    SimulatedProgram(const SimulatedProgram&) = delete;
    SimulatedProgram& operator=(const SimulatedProgram&) = delete;
    ~SimulatedProgram();

    SimulatedDesktop Sim;
    RecordingMessageBoxes Boxes;
    lumora::Options Options;
    HookLink Link{SimulatedDesktop::MainWindowHandle, SimulatedDesktop::HookThread};
    AbbreviationIndex Index;
    PhraseList Rows;
    EventIntake Main;

    // Adds a phrase as the editor would.
    Phrase& AddPhrase(const std::u16string& abbreviation, const std::u16string& text);
    // The record of the current target and control, null when there is none (never creates).
    const TrackingRecord* CurrentRecord();
    // Expansions decided so far (each asks the hook library to hold the keys after it).
    int Expansions();
};

} // namespace lumora::sim
