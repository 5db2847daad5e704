// The cost of one typed character: the editing rules, then the intake with its candidate
// search (and, for a match, case-following), on a shadow text of 200 characters, for indexes
// of several sizes. The counter "allocs" is the heap allocations per character: none on the
// common path (no match).
#include "data/Phrase.h"
#include "expansion/CaseFollowing.h"
#include "intake/CharIntake.h"
#include "intake/EditKeys.h"
#include "simulation/ScriptedDesktop.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {
std::atomic<std::size_t> allocations{0};
} // namespace

// Every heap allocation of the process is counted.
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace lumora {
namespace {

// Distinct abbreviations of 3 to 8 letters, spread over the alphabet.
std::u16string Abbreviation(std::size_t i) {
    std::u16string s;
    std::size_t n = i * 2654435761u % 1000003u + i; // scatter, stay unique by the + i
    const std::size_t length = 3 + i % 6;
    for (std::size_t k = 0; k < length || n != 0; ++k) {
        s.push_back(static_cast<char16_t>(u'a' + n % 26));
        n /= 26;
    }
    return s;
}

struct TypingBench {
    explicit TypingBench(std::size_t phrases, std::int32_t mode) {
        desk.ScriptTarget(200, 2, 201);
        sim::ScriptedWindow own;
        own.Handle = 100;
        own.Thread = 1;
        own.Visible = false;
        desk.AddTopWindow(own);
        mode_ = DelimiterModeOf(mode);
        {
            AbbreviationIndex::LoadScope loading(data);
            for (std::size_t i = 0; i < phrases; ++i) {
                records.push_back(std::make_unique<Phrase>(data));
                records.back()->SetText(u"expansion text");
                records.back()->SetAbbreviation(Abbreviation(i));
            }
        }
        rec = tracking.CurrentRecord();
    }

    // Types ch after text (200 characters with the caret at the end); restores the text after.
    void Type(const std::u16string& text, char16_t ch) {
        rec->Text = text;
        rec->Pos = static_cast<std::int32_t>(text.size());
        // As the event intake does: one event, the target looked up once.
        TrackingRecords::Event event(tracking);
        editKeys.HandleEditKey(ch, true);
        intake.HandleTypedChar(ch, static_cast<std::uint8_t>(ch - u'a' + 'A'));
        // A match gets the letter case it was typed in, as the event intake gives it.
        if (pending)
            pending->Text =
                FollowCase(pending->Text, CaseOfTyped(pending->Typed, pending->Abbreviation));
        desk.Posted.clear();
    }

    sim::ScriptedDesktop desk;
    HookLink link{100, 3};
    DelimiterMode mode_ = DelimiterMode::AfterDelimiter;
    AbbreviationIndex data;
    std::vector<std::unique_ptr<Phrase>> records;
    TrackingRecords tracking{desk, 100};
    CandidateSearch search{data, mode_};
    PhraseTyping typing{desk.AsPlatform(), tracking};
    EditKeys editKeys{desk.AsPlatform(), link, tracking, typing};
    std::optional<PendingExpansion> pending;
    CharIntake intake{tracking, search, editKeys, pending};
    TrackingRecord* rec = nullptr;
};

std::u16string Prose(std::size_t length) {
    const std::u16string words = u"the quick brown fox jumps over the lazy dog and ";
    std::u16string s;
    while (s.size() < length)
        s += words;
    s.resize(length);
    return s;
}

// state.range(0): phrases; state.range(1): 1 when the character completes an abbreviation.
void Run(benchmark::State& state, std::int32_t mode) {
    TypingBench b(static_cast<std::size_t>(state.range(0)), mode);
    const bool match = state.range(1) != 0;
    const std::u16string abbreviation = Abbreviation(static_cast<std::size_t>(state.range(0)) / 2);
    std::u16string text = Prose(200);
    char16_t ch = u'q';
    if (match) {
        // The abbreviation but its last letter, after a space; typing the letter completes it.
        text.replace(text.size() - abbreviation.size(), abbreviation.size(), abbreviation);
        text[text.size() - abbreviation.size() - 1] = u' ';
        ch = text.back();
        text.pop_back();
    } else {
        text.pop_back();
    }
    b.Type(text, ch); // warm: the buffers reach their size
    const std::size_t before = allocations.load();
    for (auto _ : state) {
        b.Type(text, ch);
        benchmark::DoNotOptimize(b.rec->Text.data());
    }
    state.counters["allocs"] =
        static_cast<double>(allocations.load() - before) / static_cast<double>(state.iterations());
    const bool found = b.pending.has_value();
    if (found != match) state.SkipWithError("the benchmark does not do what it says");
}

void BM_TypedChar_Mode0(benchmark::State& state) {
    Run(state, 0);
}
// Mode 2 accepts every position: all 95 lookups are made.
void BM_TypedChar_Mode2(benchmark::State& state) {
    Run(state, 2);
}

BENCHMARK(BM_TypedChar_Mode0)->ArgsProduct({{30, 1000, 100000}, {0, 1}});
BENCHMARK(BM_TypedChar_Mode2)->ArgsProduct({{30, 1000, 100000}, {0, 1}});

} // namespace
} // namespace lumora
