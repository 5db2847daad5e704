#pragma once
#include "data/Phrase.h"
#include "data/TagReader.h"
#include "data/PhraseList.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <functional>
#include <string>

namespace lumora {

// What a load found, for the decision at exit whether the old file must be kept.
struct TPhraseLoadResult {
    bool FileFound = false;
    // Phrase elements were left out because the rows reached maxItems.
    bool StoppedAtLimit = false;
};

// The whole phrase file as SavePhrases writes it: UTF-16LE with a byte-order mark.
std::string PhraseFileBytes(const TPhraseRows& rows);

// Writes the rows' phrases, in row order, atomically (the old file survives any failure).
void SavePhrases(const TPhraseRows& rows, FileSystem& files, const std::u16string& path);

// Replaces the rows' phrases by those of the file: no file leaves the rows empty; a reading
// error (EVrbXMLError) leaves the phrases made before it and then reaches the caller. The index
// is sorted on every path. processMessages runs once per phrase made (may be empty).
// maxItems is compared as unsigned: UINT32_MAX or a negative option lifts the limit.
TPhraseLoadResult LoadPhrases(TPhraseRows& rows, TPhraseData& data, FileSystem& files,
                              const std::u16string& path, std::uint32_t maxItems,
                              const std::function<void()>& processMessages);

// The same, from bytes already read.
TPhraseLoadResult LoadPhrasesFromBytes(TPhraseRows& rows, TPhraseData& data, std::string_view bytes,
                                       std::uint32_t maxItems,
                                       const std::function<void()>& processMessages);

// The phrase file of a running program: loaded at start, saved at exit. A load that failed or
// stopped at maxItems leaves stored phrases out of the rows; before the save at exit replaces
// such a file, it is kept as PATH.bak (replacing an older backup), so that none is lost.
class TPhraseFile {
public:
    TPhraseFile(FileSystem& files, std::u16string path) : fFiles(files), fPath(std::move(path)) {}

    const std::u16string& Path() const { return fPath; }
    std::u16string BackupPath() const { return fPath + u".bak"; }

    // LoadPhrases, remembering whether it failed (its error still reaches the caller) or
    // stopped at maxItems.
    TPhraseLoadResult Load(TPhraseRows& rows, TPhraseData& data, std::uint32_t maxItems,
                           const std::function<void()>& processMessages);
    // The file holds phrases the rows lack.
    bool KeepsOldFile() const { return fLoadFailed || fStoppedAtLimit; }
    // The save at exit: the backup when needed, then SavePhrases. If the backup cannot be
    // made, the file is not replaced and the error reaches the caller.
    void SaveAtExit(const TPhraseRows& rows);

private:
    FileSystem& fFiles;
    std::u16string fPath;
    bool fLoadFailed = false;
    bool fStoppedAtLimit = false;
};

// The root TagEvent of a load: makes one phrase and row per accepted phrase element.
class TPhraseTagHandler {
public:
    TPhraseTagHandler(TPhraseRows& rows, TPhraseData& data, std::uint32_t maxItems,
                      std::function<void()> processMessages)
        : fRows(rows), fData(data), fMaxItems(maxItems),
          fProcessMessages(std::move(processMessages)) {}

    void OnPhraseTag(PXMLTag Tag);
    bool StoppedAtLimit() const { return fStoppedAtLimit; }

private:
    TPhraseRows& fRows;
    TPhraseData& fData;
    std::uint32_t fMaxItems;
    std::function<void()> fProcessMessages;
    bool fStoppedAtLimit = false;
};

} // namespace lumora
