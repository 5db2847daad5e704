#pragma once
// The readers of each format that phrases are imported from. Each throws ImportError for a
// file it cannot read, so that nothing of that file is imported.
#include "exchange/CsvTable.h"
#include "exchange/ImportedEntries.h"
#include "platform/FileSystem.h"

#include <string>
#include <string_view>

namespace lumora {

// espanso match files (YAML). Files named under imports: are read too, relative to the file's
// folder, each once; path is the file's own path, for those.
ImportedFile ReadEspansoFile(std::string_view bytes, const std::u16string& path, FileSystem& files);

// Beeftext combo files: JSON (combos, or the older comboText / substitutionText), and CSV rows
// of keyword, snippet and name.
ImportedFile ReadBeeftextJson(std::string_view bytes);
ImportedFile ReadBeeftextCsv(const std::vector<CsvRow>& rows);

// AutoHotkey hotstrings in a script.
ImportedFile ReadHotstringScript(std::string_view bytes);

// Lumora's own: a phrase file, the JSON lines of lumoratool dump, and CSV of abbreviation and
// text (a first row "abbreviation","text" is a header).
ImportedFile ReadLumoraPhraseFile(std::string_view bytes);
ImportedFile ReadLumoraJsonLines(std::string_view bytes);
ImportedFile ReadLumoraCsv(const std::vector<CsvRow>& rows);

// A Windows date or time picture for an strftime format (espanso's dates): the stored text with
// {#date:...} and {#time:...} fields and the literal text between them; empty, with the
// specifier in `unknown`, when a specifier has no picture.
std::u16string DateFieldsOfStrftime(std::u16string_view format, std::u16string& unknown);

} // namespace lumora
