#pragma once
// "Import from a backup...": the copies beside the phrase file that the phrase list offers, and
// bringing back the phrases of one that the list lacks.
#include "data/PhraseCopies.h"
#include "data/PhraseList.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

struct BackupChoice {
    std::u16string Path;
    std::u16string Name; // the file's name
    CopyKind Kind = CopyKind::Backup;
    // "2026-12-09 15:30": from a dated copy's name, else the time of its last change; empty
    // when neither is known.
    std::u16string Date;
    std::size_t Phrases = 0;   // as far as it can be read
    std::size_t NotInList = 0; // of them, the ones the list lacks
    bool Whole = true;         // read to its end
    bool Unreadable = false;   // could not be opened
};

// The backups and conflict copies beside the phrase file at path, newest first.
std::vector<BackupChoice> BackupsToImport(FileSystem& files, const std::u16string& path,
                                          const PhraseList& rows);

// One line of the list: name, date and counts.
std::u16string BackupChoiceText(const BackupChoice& choice);

struct ImportOutcome {
    std::size_t Added = 0;
    std::size_t AlreadyInList = 0;
    std::size_t LeftOut = 0; // no room: the list holds its largest number of phrases
};

// Appends, in the copy's order, each phrase of the copy that the list does not hold yet (the
// same abbreviation and text), while the list has room for it under maxPhrases (compared as
// unsigned). A copy cut off gives the phrases before the cut. Throws when it cannot be read.
ImportOutcome ImportFromBackup(PhraseList& rows, AbbreviationIndex& index, FileSystem& files,
                               const std::u16string& copyPath, std::uint32_t maxPhrases);

// What the import did, for the status bar or a message.
std::u16string ImportOutcomeText(const ImportOutcome& outcome, const std::u16string& name);

} // namespace lumora
