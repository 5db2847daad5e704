#pragma once
// The program's portable core (EventIntake with its phrases) running on the simulated desktop.
#include "data/Phrase.h"
#include "data/PhraseList.h"
#include "intake/EventIntake.h"
#include "intake/HookWatchdog.h"
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

// Tray notices that are only recorded.
class RecordingTrayNotices : public TrayNotices {
public:
    struct Notice {
        std::u16string Title;
        std::u16string Text;
    };
    void ShowNotice(const std::u16string& title, const std::u16string& text) override {
        Notices.push_back({title, text});
    }
    std::vector<Notice> Notices;
};

class SimulatedProgram {
public:
    explicit SimulatedProgram(lumora::Options options = {});
    SimulatedProgram(const SimulatedProgram&) = delete;
    SimulatedProgram& operator=(const SimulatedProgram&) = delete;
    ~SimulatedProgram();

    SimulatedDesktop Sim;
    RecordingMessageBoxes Boxes;
    RecordingTrayNotices Notices;
    lumora::Options Options;
    HookLink Link{SimulatedDesktop::MainWindowHandle, SimulatedDesktop::HookThread, &Sim.Hook()};
    AbbreviationIndex Index;
    PhraseList Rows;
    EventIntake Main;
    // Sees the main window's messages after Main; the timer is the test's (Check).
    HookWatchdog Watchdog;

    // Adds a phrase as the editor would.
    Phrase& AddPhrase(const std::u16string& abbreviation, const std::u16string& text);
    // The record of the current target and control, null when there is none (never creates).
    const TrackingRecord* CurrentRecord();
    // Expansions decided so far (each asks the hook library to hold the keys after it).
    int Expansions();
};

} // namespace lumora::sim
