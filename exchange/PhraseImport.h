#pragma once
// Bringing phrases in from another text expander's file (or Lumora's own, or CSV), and taking
// them out as CSV. An import is planned first: the report says what will be added and what is
// left out, and nothing changes until the plan is applied.
#include "data/PhraseList.h"
#include "exchange/ImportedEntries.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumora {

enum class ImportFormat {
    FromName, // by the file's name, and for JSON and unknown names by its content
    Espanso,
    Beeftext, // JSON; a .csv of three columns is Beeftext's too
    AutoHotkey,
    PhraseFile,
    JsonLines,
    Csv,
};

// The format a name given on the command line stands for ("espanso", "beeftext", "ahk",
// "lmx", "jsonl", "csv"); FromName for one it does not know.
ImportFormat ImportFormatNamed(std::u16string_view name);

// Reads the file at path as the format says. No file, a file that cannot be read or one that is
// malformed throws (ImportError names the line and column).
ImportedFile ReadImportFile(FileSystem& files, const std::u16string& path,
                            ImportFormat format = ImportFormat::FromName);

struct ImportChoices {
    // An abbreviation that the list holds already (letter case aside) is added too, in a row of
    // its own that shares it, instead of being left out.
    bool AddDuplicates = false;
    std::uint32_t MaxPhrases = 0xFFFFFFFFu; // compared unsigned, as the list's limit
};

struct LeftOutEntry {
    std::u16string Abbreviation;
    std::u16string Reason;
    long long Line = 0;
    std::u16string File;
};

// An option of the other program and the abbreviations of the phrases that had it.
struct OptionWithoutEquivalent {
    UnsupportedOption Option;
    std::vector<std::u16string> Abbreviations;
};

struct ImportPlan {
    std::u16string FormatName;
    // The phrases to add, in the file's order: abbreviation and stored text.
    std::vector<std::pair<std::u16string, std::u16string>> ToAdd;
    std::vector<LeftOutEntry> LeftOut; // in the file's order, those that did not fit excluded
    std::vector<OptionWithoutEquivalent> Options;
    std::vector<std::u16string> Notes;
    std::size_t Duplicates = 0;      // left out, or added as shared rows
    std::size_t DuplicatesAdded = 0; // of those, added as shared rows
    std::size_t DidNotFit = 0;       // taken, but past the largest number of phrases
    std::u16string FirstThatDidNotFit;
    std::uint32_t MaxPhrases = 0xFFFFFFFFu;
    std::size_t RowsBefore = 0;
};

ImportPlan PlanImport(const ImportedFile& file, const PhraseList& rows,
                      const ImportChoices& choices);

// The report of a plan, one line per remark, lines joined by CR LF.
std::u16string ImportReport(const ImportPlan& plan);

// Appends the plan's phrases to the rows; returns how many.
std::size_t ApplyImport(const ImportPlan& plan, PhraseList& rows, AbbreviationIndex& index);

// The rows as CSV (UTF-8 with a byte-order mark, so that spreadsheet programs read it as
// such): a header "abbreviation","text", then one row per phrase, texts in the stored form.
std::string PhrasesAsCsv(const PhraseList& rows);

} // namespace lumora
