// The phrase file and the abbreviation index at sizes well beyond real use.
#include "data/PhraseFile.h"
#include "editor/OptionsForm.h"
#include "editor/PhraseFilter.h"
#include "editor/PhraseSearch.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>

// Live heap bytes of the process and their peak, for the load's memory figure.
namespace {
std::atomic<std::size_t> liveBytes{0};
std::atomic<std::size_t> peakBytes{0};
} // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    std::size_t live = liveBytes += malloc_usable_size(p);
    std::size_t peak = peakBytes.load(std::memory_order_relaxed);
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
    }
    return p;
}
void operator delete(void* p) noexcept {
    if (p) liveBytes -= malloc_usable_size(p);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace lumora {
namespace {

std::u16string RandomWord(std::mt19937& random, std::size_t length) {
    static const char16_t letters[] = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::uniform_int_distribution<int> pick(0, 51);
    std::u16string word(length, u' ');
    for (auto& c : word)
        c = letters[pick(random)];
    return word;
}

void FillRows(PhraseList& rows, AbbreviationIndex& data, int count) {
    std::mt19937 random(42);
    for (int i = 0; i < count; ++i) {
        std::u16string abbreviation = RandomWord(random, 6);
        rows.AppendPhrase(data, abbreviation, RandomWord(random, 200));
    }
}

void BM_SavePhrases10k(benchmark::State& state) {
    AbbreviationIndex data;
    PhraseList rows;
    FillRows(rows, data, 10000);
    for (auto _ : state) {
        std::string bytes = PhraseFileBytes(rows);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_SavePhrases10k)->Unit(benchmark::kMillisecond);

void BM_LoadPhrases10k(benchmark::State& state) {
    AbbreviationIndex source;
    PhraseList sourceRows;
    FillRows(sourceRows, source, 10000);
    const std::string bytes = PhraseFileBytes(sourceRows);
    double peakToFile = 0;
    for (auto _ : state) {
        // Into an empty list, as at start-up; the file's bytes are held, as by the real load.
        auto data = std::make_unique<AbbreviationIndex>();
        auto rows = std::make_unique<PhraseList>();
        std::size_t before = liveBytes;
        peakBytes = before;
        LoadPhrasesFromBytes(*rows, *data, bytes, 0xFFFFFFFFu, {});
        benchmark::DoNotOptimize(rows->Count());
        peakToFile = static_cast<double>(peakBytes - before + bytes.size()) /
                     static_cast<double>(bytes.size());
        state.PauseTiming();
        rows.reset();
        data.reset();
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
    // The peak heap of the load, the file's bytes included, as a multiple of the file's size.
    state.counters["peak_heap_x_file"] = peakToFile;
}
BENCHMARK(BM_LoadPhrases10k)->Unit(benchmark::kMillisecond);

void BM_IndexInsert100k(benchmark::State& state) {
    std::mt19937 random(7);
    std::vector<std::u16string> values;
    for (int i = 0; i < 100000; ++i)
        values.push_back(RandomWord(random, 6));
    for (auto _ : state) {
        AbbreviationIndex list;
        for (const auto& v : values)
            list.Insert(v, nullptr);
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_IndexInsert100k)->Unit(benchmark::kMillisecond);

void BM_IndexFindWithValue100k(benchmark::State& state) {
    std::mt19937 random(7);
    AbbreviationIndex list;
    std::vector<std::u16string> probes;
    for (int i = 0; i < 100000; ++i) {
        std::u16string v = RandomWord(random, 6);
        list.Insert(v, nullptr);
        if (i % 100 == 0) probes.push_back(v);                     // hits
        if (i % 100 == 1) probes.push_back(RandomWord(random, 5)); // mostly misses
    }
    std::vector<const AbbreviationEntry*> found;
    std::size_t k = 0;
    for (auto _ : state) {
        found.clear();
        list.Find(probes[k++ % probes.size()], found);
        benchmark::DoNotOptimize(found.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IndexFindWithValue100k);

// The search window filters at every key typed into it: 10,000 phrases of 200 characters.
void BM_SearchPhrases10k(benchmark::State& state) {
    AbbreviationIndex data;
    PhraseList rows;
    FillRows(rows, data, 10000);
    for (auto _ : state) {
        auto found = SearchPhrases(rows, u"ab q");
        benchmark::DoNotOptimize(found.data());
    }
}
BENCHMARK(BM_SearchPhrases10k)->Unit(benchmark::kMillisecond);

// A query the user might type: words in and out of the texts, some repeated, longer than the
// window takes (256 characters).
std::u16string LongQuery() {
    std::u16string query;
    std::mt19937 random(7);
    while (query.size() < 300)
        query += RandomWord(random, 1 + random() % 6) + u" ";
    return query;
}

// The search window at 100,000 phrases of 200 characters, a long query typed into it key by
// key: the time is per key.
void BM_SearchTyping100k(benchmark::State& state) {
    AbbreviationIndex data;
    PhraseList rows;
    FillRows(rows, data, 100000);
    SearchList list(rows);
    const std::u16string query = LongQuery();
    std::size_t keys = 0;
    for (auto _ : state) {
        for (std::size_t n = 1; n <= query.size(); ++n) {
            list.SetQuery(std::u16string_view(query).substr(0, n));
            benchmark::DoNotOptimize(list.Rows().data());
        }
        keys += query.size();
    }
    state.counters["per_key"] = benchmark::Counter(
        static_cast<double>(keys), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SearchTyping100k)->Unit(benchmark::kMillisecond);

// The worst key at 100,000 phrases: a long query that narrows nothing (pasted, or a key taken
// back), so every phrase is looked at.
void BM_SearchLongQuery100k(benchmark::State& state) {
    AbbreviationIndex data;
    PhraseList rows;
    FillRows(rows, data, 100000);
    SearchList list(rows);
    const std::u16string query = LongQuery();
    for (auto _ : state) {
        state.PauseTiming();
        list.SetQuery(u"\u00e9\u00e9\u00e9");
        state.ResumeTiming();
        list.SetQuery(query);
        benchmark::DoNotOptimize(list.Rows().data());
    }
}
BENCHMARK(BM_SearchLongQuery100k)->Unit(benchmark::kMillisecond);

// The phrases lowered when the window opens, at 100,000 phrases.
void BM_SearchOpen100k(benchmark::State& state) {
    AbbreviationIndex data;
    PhraseList rows;
    FillRows(rows, data, 100000);
    SearchList list(rows);
    for (auto _ : state) {
        list.Refresh();
        benchmark::DoNotOptimize(list.Rows().data());
    }
}
BENCHMARK(BM_SearchOpen100k)->Unit(benchmark::kMillisecond);

// The phrase list's filter box at 10,000 phrases: a query of two words after an edit, so that
// the phrases are lowered anew first (the worst refill), and the same query again, narrowed
// from the last (a key typed on).
void BM_PhraseFilterAfterEdit10k(benchmark::State& state) {
    AbbreviationIndex data;
    PhraseList rows;
    FillRows(rows, data, 10000);
    PhraseFilter filter(rows);
    for (auto _ : state) {
        filter.PhrasesChanged();
        filter.SetQuery(u"ab q");
        benchmark::DoNotOptimize(filter.LineCount());
    }
}
BENCHMARK(BM_PhraseFilterAfterEdit10k)->Unit(benchmark::kMillisecond);

void BM_PhraseFilterTyping10k(benchmark::State& state) {
    AbbreviationIndex data;
    PhraseList rows;
    FillRows(rows, data, 10000);
    PhraseFilter filter(rows);
    const std::u16string query = LongQuery();
    std::size_t keys = 0;
    for (auto _ : state) {
        for (std::size_t n = 1; n <= query.size(); ++n) {
            filter.SetQuery(std::u16string_view(query).substr(0, n));
            benchmark::DoNotOptimize(filter.LineCount());
        }
        keys += query.size();
    }
    state.counters["per_key"] = benchmark::Counter(
        static_cast<double>(keys), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PhraseFilterTyping10k)->Unit(benchmark::kMillisecond);

// OK in the Options window with N programs to leave alone: linear in N.
void BM_OptionsOk(benchmark::State& state) {
    std::mt19937 random(3);
    OptionsFormValues values = FormValuesOf(Settings{}, false);
    for (std::int64_t i = 0; i < state.range(0); ++i)
        values.ExcludedPrograms.push_back(RandomWord(random, 10) + u".exe");
    for (auto _ : state) {
        OptionsFormResult result = ReadOptionsForm(values, Settings{}, 0);
        benchmark::DoNotOptimize(result.NewSettings.ExcludedPrograms.data());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_OptionsOk)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace
} // namespace lumora
