#pragma once
#include "data/Phrase.h"
#include "data/PhraseList.h"
#include "data/TagReader.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <functional>
#include <string>

namespace lumora {

// What a load found, for the decision at exit whether the old file must be kept.
struct PhraseLoadResult {
    bool FileFound = false;
    // Phrase elements were left out because the rows reached MaxPhrases.
    bool StoppedAtLimit = false;
};

// The whole phrase file as SavePhrases writes it: UTF-16LE with a byte-order mark.
std::string PhraseFileBytes(const PhraseList& rows);

// Writes the rows' phrases, in row order, atomically (the old file survives any failure).
void SavePhrases(const PhraseList& rows, FileSystem& files, const std::u16string& path);

// Replaces the rows' phrases by those of the file: no file leaves the rows empty; a reading
// error (TagSyntaxError) leaves the phrases made before it and then reaches the caller. The index
// is sorted on every path. processMessages runs once per phrase made (may be empty).
// maxPhrases is compared as unsigned: UINT32_MAX or a negative option lifts the limit.
PhraseLoadResult LoadPhrases(PhraseList& rows, AbbreviationIndex& index, FileSystem& files,
                             const std::u16string& path, std::uint32_t maxPhrases,
                             const std::function<void()>& processMessages);

// The same, from bytes already read.
PhraseLoadResult LoadPhrasesFromBytes(PhraseList& rows, AbbreviationIndex& index,
                                      std::string_view bytes, std::uint32_t maxPhrases,
                                      const std::function<void()>& processMessages);

// The phrase file of a running program: loaded at start, saved at exit. A load that failed or
// stopped at MaxPhrases leaves stored phrases out of the rows; before the save at exit replaces
// such a file, it is kept as PATH.bak (replacing an older backup), so that none is lost.
class PhraseFile {
public:
    PhraseFile(FileSystem& files, std::u16string path) : files_(files), path_(std::move(path)) {}

    const std::u16string& Path() const { return path_; }
    std::u16string BackupPath() const { return path_ + u".bak"; }

    // LoadPhrases, remembering whether it failed (its error still reaches the caller) or
    // stopped at MaxPhrases.
    PhraseLoadResult Load(PhraseList& rows, AbbreviationIndex& index, std::uint32_t maxPhrases,
                          const std::function<void()>& processMessages);
    // The file holds phrases the rows lack.
    bool KeepsOldFile() const { return loadFailed_ || stoppedAtLimit_; }
    // The save at exit: the backup when needed, then SavePhrases. If the backup cannot be
    // made, the file is not replaced and the error reaches the caller.
    void SaveAtExit(const PhraseList& rows);

private:
    FileSystem& files_;
    std::u16string path_;
    bool loadFailed_ = false;
    bool stoppedAtLimit_ = false;
};

// The root's Opened callback of a load: makes one phrase and row per accepted phrase element.
class PhraseTagHandler {
public:
    PhraseTagHandler(PhraseList& rows, AbbreviationIndex& index, std::uint32_t maxPhrases,
                     std::function<void()> processMessages)
        : rows_(rows), index_(index), maxPhrases_(maxPhrases),
          processMessages_(std::move(processMessages)) {}

    void OnPhraseTag(Tag* tag);
    bool StoppedAtLimit() const { return stoppedAtLimit_; }

private:
    PhraseList& rows_;
    AbbreviationIndex& index_;
    std::uint32_t maxPhrases_;
    std::function<void()> processMessages_;
    bool stoppedAtLimit_ = false;
};

} // namespace lumora
