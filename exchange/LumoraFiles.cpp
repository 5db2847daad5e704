// Lumora's own files as import sources: a phrase file (a backup, another computer's list), the
// JSON lines of lumoratool dump, and CSV of abbreviation and text. Their texts are in the
// stored form already.
#include "data/PhraseFile.h"
#include "exchange/FormatReaders.h"
#include "platform/TextCase.h"
#include "platform/Utf.h"

#include <nlohmann/json.hpp>

#include <limits>

namespace lumora {

ImportedFile ReadLumoraPhraseFile(std::string_view bytes) {
    ImportedFile result;
    result.FormatName = u"Lumora phrase file";
    AbbreviationIndex index;
    PhraseList rows;
    try {
        LoadPhrasesFromBytes(rows, index, bytes, std::numeric_limits<std::uint32_t>::max(), {});
    } catch (const Error& e) {
        // The reader's message is parts joined by CR, as the error box shows them.
        std::u16string message = e.Message();
        for (char16_t& c : message)
            if (c == u'\r') c = u' ';
        throw ImportError(message);
    }
    for (std::size_t i = 0; i < rows.Count(); ++i) {
        ImportedEntry entry;
        entry.Abbreviation = rows.At(i).Abbreviation();
        entry.Text = rows.At(i).Text();
        result.Entries.push_back(std::move(entry));
    }
    return result;
}

ImportedFile ReadLumoraJsonLines(std::string_view bytes) {
    using nlohmann::json;
    ImportedFile result;
    result.FormatName = u"phrases as JSON lines";
    const std::string text = DecodeImportTextAsUtf8(bytes);
    std::size_t at = 0;
    for (long long number = 1; at < text.size(); ++number) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = std::string_view(text).substr(at, end - at);
        at = end + 1;
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
        json value;
        try {
            value = json::parse(line);
        } catch (const json::parse_error& e) {
            std::string what = e.what();
            const std::size_t colon = what.find(": ");
            if (colon != std::string::npos) what = what.substr(colon + 2);
            throw ImportError(
                AtLineColumn(number, LineColumnOfOffset(line, e.byte > 0 ? e.byte - 1 : 0).second,
                             Utf8ToUtf16(what)));
        } catch (const json::exception& e) {
            // A number beyond a double's range (nlohmann's out_of_range), which names no column.
            throw ImportError(AtLineColumn(number, 1, Utf8ToUtf16(e.what())));
        }
        const auto member = [&](const char* key) -> const json* {
            if (!value.is_object()) return nullptr;
            const auto it = value.find(key);
            return it != value.end() && it->is_string() ? &*it : nullptr;
        };
        const json* abbreviation = member("autotext");
        const json* phraseText = member("text");
        if (!abbreviation || !phraseText)
            throw ImportError(AtLineColumn(
                number, 1, u"not a phrase: a line is {\"autotext\":\"...\",\"text\":\"...\"}"));
        ImportedEntry entry;
        entry.Line = number;
        entry.Abbreviation = Utf8ToUtf16(abbreviation->get<std::string>());
        entry.Text = Utf8ToUtf16(phraseText->get<std::string>());
        result.Entries.push_back(std::move(entry));
    }
    return result;
}

ImportedFile ReadLumoraCsv(const std::vector<CsvRow>& rows) {
    ImportedFile result;
    result.FormatName = u"CSV file";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const CsvRow& row = rows[i];
        if (row.Fields.size() != 2)
            throw ImportError(AtLineColumn(row.Line, 1,
                                           DecimalText(static_cast<long long>(row.Fields.size())) +
                                               u" fields; a row has 2 (abbreviation, text)"));
        if (i == 0 && LowerCased(row.Fields[0]) == u"abbreviation" &&
            LowerCased(row.Fields[1]) == u"text")
            continue; // the header
        ImportedEntry entry;
        entry.Line = row.Line;
        entry.Abbreviation = row.Fields[0];
        entry.Text = WithCrLf(row.Fields[1]);
        result.Entries.push_back(std::move(entry));
    }
    return result;
}

} // namespace lumora
