// The program's own work for one expansion of a 512-character phrase, on the path the program
// runs (begun, checked, Backspaces, every key event and its pass over the message queue, the
// shadow text mirrored), against the scripted desktop, so the target application's speed does
// not count.
#include "data/Phrase.h"
#include "expansion/PhraseExpansion.h"
#include "simulation/ScriptedDesktop.h"
#include "simulation/UsLayout.h"

#include <benchmark/benchmark.h>

#include <string>

namespace lumora {
namespace {

// Nothing slips past without a hook library, and notices are not shown.
struct Quiet final : SlippedKeysObserver, TrayNotices {
    void ObserveChar(char16_t, std::uint8_t, std::uint32_t) override {}
    void ObserveKey(std::uint8_t) override {}
    void ShowNotice(const std::u16string&, const std::u16string&) override {}
};

struct ExpansionBench {
    ExpansionBench() {
        sim::ScriptedWindow own;
        own.Handle = 100;
        own.Thread = 1;
        own.Visible = false;
        desk.AddTopWindow(own);
        desk.ScriptTarget(200, 2, 201);
        desk.VkKeyScanHandler = [](char16_t ch, HLayout) { return sim::uslayout::VkKeyScan(ch); };
        rec = tracking.CurrentRecord();
    }

    void Expand() {
        rec->Text = u"some text before brb";
        rec->Pos = static_cast<std::int32_t>(rec->Text.size());
        expansion.Begin({u"brb", u"", phrase.Text(), false});
        expansion.ExpandPhrase();
        desk.Injected.clear();
        desk.Posted.clear();
        desk.Queue.clear();
        desk.ThreadPosts.clear();
        desk.ForegroundRequests.clear();
    }

    sim::ScriptedDesktop desk;
    AbbreviationIndex data;
    Phrase phrase{data};
    TrackingRecords tracking{desk, 100};
    PhraseTyping typing{desk.AsPlatform(), tracking};
    Quiet quiet;
    Options options;
    HookLink link{100, 0};
    ProgramControl control{desk.AsPlatform(), quiet, tracking, options};
    PhraseExpansion expansion{desk.AsPlatform(), quiet, link, tracking, typing, control, quiet};
    TrackingRecord* rec = nullptr;
};

std::u16string Phrase(std::u16string_view pattern) {
    std::u16string s;
    while (s.size() < 512)
        s += pattern;
    s.resize(512);
    return s;
}

void Run(benchmark::State& state, std::u16string_view pattern) {
    ExpansionBench b;
    b.phrase.SetText(Phrase(pattern));
    for (auto _ : state) {
        b.Expand();
        benchmark::DoNotOptimize(b.rec->Text.data());
    }
    if (b.rec->Text != u"some text before " + b.phrase.Text())
        state.SkipWithError("the phrase was not typed");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 512);
}

// Lower case, capitals and punctuation: every character a key of the layout.
void BM_Expand512_Layout(benchmark::State& state) {
    Run(state, u"Be right back, see you at 10:30! ");
}
// Accented letters by Alt code, dashes and emoji by Unicode key events.
void BM_Expand512_OffLayout(benchmark::State& state) {
    Run(state, u"caf\u00e9 \u2014 \U0001F600 ");
}

BENCHMARK(BM_Expand512_Layout);
BENCHMARK(BM_Expand512_OffLayout);

} // namespace
} // namespace lumora
