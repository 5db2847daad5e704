#pragma once
// The copies Lumora keeps beside a phrase file: backups of a list about to lose phrases, and
// the versions of other programs that a save had to write over. Each dated copy gets a name of
// its own and is never overwritten; old ones are pruned, but never the only file that holds a
// phrase.
#include "data/PhraseList.h"
#include "platform/DateFormats.h"
#include "platform/FileSystem.h"

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

enum class CopyKind {
    Backup,   // PATH.DATE.bak, and the undated PATH.bak and PATH.N-phrases.bak
    Conflict, // PATH.DATE.conflict, and the undated PATH.conflict of older versions
};

// Pruning leaves at least this many dated copies of each kind.
constexpr std::size_t KeptCopiesOfEachKind = 10;

// A phrase as a value: two phrases are the same when both strings are.
struct PhraseValue {
    std::u16string Abbreviation;
    std::u16string Text;
    auto operator<=>(const PhraseValue&) const = default;
};

std::vector<PhraseValue> ValuesOf(const PhraseList& rows);

// The phrases of a file's bytes, as far as they can be read.
struct PhraseFileContent {
    std::vector<PhraseValue> Phrases;
    bool Whole = false; // read to the end without an error
    bool Blank = false; // no bytes, or nothing but a byte-order mark and white space
};
PhraseFileContent ReadPhraseValues(std::string_view bytes);

// How many of the phrases in `of` are missing from `in` (a phrase held twice counts twice).
std::size_t MissingPhrases(const std::vector<PhraseValue>& of, const std::vector<PhraseValue>& in);

struct PhraseCopy {
    std::u16string Path;
    CopyKind Kind = CopyKind::Backup;
    // "2026-12-09 15:30" for a dated copy; empty for an undated one.
    std::u16string Date;
    // Orders the copies: a later date, then a higher number within the same minute, is newer.
    std::u16string SortKey;
};

// The copies beside the phrase file at path, newest first, the undated ones last.
std::vector<PhraseCopy> CopiesBeside(FileSystem& files, const std::u16string& path);

// PATH.2026-12-09-1530.bak (number 1), PATH.2026-12-09-1530-2.bak (number 2), ...
std::u16string DatedCopyPath(const std::u16string& path, CopyKind kind, const LocalTime& time,
                             unsigned number);

// Writes bytes as a new dated copy beside the file, under the first name of that minute that
// is free; its path. Then prunes the copies of that kind. Throws when it cannot be written.
std::u16string KeepDatedCopy(FileSystem& files, const std::u16string& path, CopyKind kind,
                             const LocalTime& time, std::string_view bytes);

// Removes the dated copies of the kind beyond the newest KeptCopiesOfEachKind, oldest first,
// each only when every phrase it holds is also held by another file that stays (the phrase
// file or any other copy); a copy that cannot be read whole is never removed. The paths
// removed.
std::vector<std::u16string> PruneCopies(FileSystem& files, const std::u16string& path,
                                        CopyKind kind);

} // namespace lumora
