// Beeftext combo files: JSON with combos (keyword, snippet, name, enabled, group; older files
// comboText and substitutionText), or CSV rows of keyword, snippet and name.
#include "exchange/FormatReaders.h"
#include "platform/Utf.h"

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <set>

namespace lumora {

namespace {

using nlohmann::json;

// A snippet's stored text: #{clipboard}, #{cursor}, #{date} and #{time} become fields; any
// other variable leaves the combo out, with the variable named in `reason`.
std::optional<std::u16string> MapSnippet(const std::u16string& snippet, std::u16string& reason) {
    static const std::map<std::u16string, std::u16string_view> Fields = {
        {u"clipboard", u"{#clipboard}"},
        {u"cursor", u"{#cursor}"},
        {u"date", u"{#date}"},
        {u"time", u"{#time}"},
    };
    std::u16string out;
    std::size_t i = 0;
    while (i < snippet.size()) {
        const std::size_t open = snippet.find(u"#{", i);
        const std::size_t close = open == std::u16string::npos ? open : snippet.find(u'}', open);
        if (close == std::u16string::npos) {
            out += EscapeLiteralText(std::u16string_view(snippet).substr(i));
            break;
        }
        out += EscapeLiteralText(std::u16string_view(snippet).substr(i, open - i));
        const std::u16string name = snippet.substr(open + 2, close - open - 2);
        const auto field = Fields.find(name);
        if (field == Fields.end()) {
            const std::u16string kind = name.substr(0, name.find(u':'));
            reason = u"uses the variable #{" + kind +
                     (kind.size() < name.size() ? u":...}" : u"}") +
                     u", which Lumora has no equivalent for";
            return std::nullopt;
        }
        out += field->second;
        i = close + 1;
    }
    return WithCrLf(out);
}

ImportedEntry Combo(const std::u16string& keyword, const std::u16string& snippet) {
    ImportedEntry entry;
    entry.Abbreviation = keyword;
    if (auto text = MapSnippet(snippet, entry.SkipReason)) entry.Text = std::move(*text);
    return entry;
}

std::u16string StringMember(const json& combo, const char* key) {
    const auto it = combo.find(key);
    if (it == combo.end() || it->is_null()) return {};
    if (!it->is_string())
        throw ImportError(u"a combo's " + Utf8ToUtf16(key) + u" is not a text: " +
                          Utf8ToUtf16(it->dump()));
    return Utf8ToUtf16(it->get<std::string>());
}

// Beeftext's numbered choices that differ from its defaults, for the report.
void NameOptions(const json& combo, ImportedEntry& entry) {
    if (combo.contains("name") && combo["name"].is_string() &&
        !combo["name"].get<std::string>().empty())
        entry.Options.push_back({u"name", u"a name beside the keyword (Lumora keeps none)"});
    if (combo.contains("group") && !combo["group"].is_null())
        entry.Options.push_back({u"group", u"the combo's group (Lumora keeps one list)"});
    if (combo.contains("matchingMode") && combo["matchingMode"].is_number_integer()) {
        const int mode = combo["matchingMode"].get<int>();
        if (mode == 1)
            entry.Options.push_back({u"matchingMode", u"strict: expands only after a word break"});
        else if (mode == 2)
            entry.Options.push_back({u"matchingMode", u"loose: expands also inside words"});
    }
    if (combo.contains("caseSensitivity") && combo["caseSensitivity"].is_number_integer()) {
        const int sensitivity = combo["caseSensitivity"].get<int>();
        if (sensitivity == 1)
            entry.Options.push_back({u"caseSensitivity", u"the keyword's letter case counts"});
        else if (sensitivity == 2)
            entry.Options.push_back(
                {u"caseSensitivity", u"types the snippet in the letter case the keyword had"});
    }
    if (combo.value("useLooseMatching", false))
        entry.Options.push_back({u"useLooseMatching", u"expands also inside words"});
}

ImportedFile BeeftextCombos(const json& root);

} // namespace

ImportedFile ReadBeeftextJson(std::string_view bytes) {
    const std::string text = DecodeImportTextAsUtf8(bytes);
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        const auto [line, column] = LineColumnOfOffset(text, e.byte > 0 ? e.byte - 1 : 0);
        std::string what = e.what();
        // nlohmann's own words after its position: "syntax error while parsing ...".
        const std::size_t colon = what.find(": ");
        if (colon != std::string::npos) what = what.substr(colon + 2);
        throw ImportError(AtLineColumn(line, column, Utf8ToUtf16(what)));
    } catch (const json::exception& e) {
        // A number beyond a double's range (nlohmann's out_of_range), which names no place.
        throw ImportError(u"This JSON file cannot be read: " + Utf8ToUtf16(e.what()));
    }
    try {
        return BeeftextCombos(root);
    } catch (const json::exception& e) {
        // A member of an unexpected type (nlohmann's type_error).
        throw ImportError(u"This Beeftext file holds a value of an unexpected kind: " +
                          Utf8ToUtf16(e.what()));
    }
}

namespace {

ImportedFile BeeftextCombos(const json& root) {
    ImportedFile result;
    result.FormatName = u"Beeftext combo file";
    const json* combos = &root;
    if (root.is_object()) {
        const auto it = root.find("combos");
        if (it == root.end())
            throw ImportError(u"This JSON file holds no combos: it is not a Beeftext combo file");
        combos = &*it;
    }
    if (!combos->is_array()) throw ImportError(u"The combos of this Beeftext file are not a list");
    for (const json& combo : *combos) {
        if (!combo.is_object())
            throw ImportError(u"A combo of this Beeftext file is not an object");
        std::u16string keyword = StringMember(combo, "keyword");
        if (keyword.empty()) keyword = StringMember(combo, "comboText");
        std::u16string snippet = StringMember(combo, "snippet");
        if (snippet.empty()) snippet = StringMember(combo, "substitutionText");
        ImportedEntry entry = Combo(keyword, snippet);
        if (combo.contains("enabled") && combo["enabled"].is_boolean() &&
            !combo["enabled"].get<bool>() && entry.SkipReason.empty())
            entry.SkipReason = u"disabled in Beeftext";
        NameOptions(combo, entry);
        result.Entries.push_back(std::move(entry));
    }
    return result;
}

} // namespace

ImportedFile ReadBeeftextCsv(const std::vector<CsvRow>& rows) {
    ImportedFile result;
    result.FormatName = u"Beeftext CSV file";
    for (const CsvRow& row : rows) {
        if (row.Fields.size() != 3)
            throw ImportError(AtLineColumn(row.Line, 1,
                                           DecimalText(static_cast<long long>(row.Fields.size())) +
                                               u" fields; a Beeftext row has 3 (keyword, "
                                               u"snippet, name)"));
        ImportedEntry entry = Combo(row.Fields[0], row.Fields[1]);
        entry.Line = row.Line;
        if (!row.Fields[2].empty())
            entry.Options.push_back({u"name", u"a name beside the keyword (Lumora keeps none)"});
        result.Entries.push_back(std::move(entry));
    }
    return result;
}

} // namespace lumora
