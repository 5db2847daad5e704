// espanso match files: YAML with matches: (trigger or triggers, replace, vars), global_vars:
// and imports:.
#include "exchange/FormatReaders.h"
#include "platform/Utf.h"

#include <yaml-cpp/yaml.h>

#include <map>
#include <optional>
#include <set>

namespace lumora {

namespace {

std::u16string U16(const std::string& s) {
    return Utf8ToUtf16(s);
}

struct Variable {
    std::string Type;
    YAML::Node Params;
};
using Variables = std::map<std::string, Variable>;

[[noreturn]] void FailAt(const YAML::Node& node, std::u16string_view what) {
    const YAML::Mark mark = node.Mark();
    throw ImportError(AtLineColumn(mark.line + 1, mark.column + 1, what));
}

std::string ScalarOf(const YAML::Node& node, std::u16string_view what) {
    if (!node.IsScalar()) FailAt(node, std::u16string(what) + u" is not a text");
    return node.Scalar();
}

bool IsTrue(const YAML::Node& node) {
    if (!node.IsScalar()) return true;
    const std::string& s = node.Scalar();
    return !(s == "false" || s == "False" || s == "no" || s == "0" || s.empty());
}

void ReadVariables(const YAML::Node& list, Variables& into) {
    if (!list) return;
    if (!list.IsSequence()) FailAt(list, u"vars is not a list");
    for (const YAML::Node& v : list) {
        if (!v.IsMap()) FailAt(v, u"a variable is not a map of name, type and params");
        const std::string name = ScalarOf(v["name"] ? v["name"] : v, u"a variable's name");
        const std::string type = v["type"] ? ScalarOf(v["type"], u"a variable's type") : "";
        // A YAML::Node assigned to is written through, so the entry is made anew.
        into.erase(name);
        into.emplace(name, Variable{type, v["params"]});
    }
}

// What a match's options mean in espanso, for the report. A false value asks for nothing.
std::optional<UnsupportedOption> OptionOf(const std::string& key, const YAML::Node& value) {
    static const std::map<std::string, std::u16string> Meanings = {
        {"word", u"expands only when the trigger stands as a whole word"},
        {"left_word", u"expands only when a word break comes before the trigger"},
        {"right_word", u"expands only when a word break follows the trigger"},
        {"propagate_case", u"types the text in the letter case the trigger was typed in"},
        {"uppercase_style", u"how the letter case is carried over"},
        {"label", u"a label shown in espanso's search"},
        {"search_terms", u"further words for espanso's search"},
        {"force_clipboard", u"types the text through the clipboard"},
        {"force_mode", u"chooses how the text is typed"},
        {"paragraph", u"leaves out the text's closing line break"},
        {"passive_only", u"expands only on espanso's passive command"},
    };
    if (value.IsScalar() && !IsTrue(value)) return std::nullopt;
    const auto known = Meanings.find(key);
    return UnsupportedOption{U16(key), known != Meanings.end() ? known->second
                                                               : u"an option Lumora does not know"};
}

// The stored text of a replace, with its variables in place; nullopt with the reason when a
// variable has no equivalent.
std::optional<std::u16string> MapReplace(const std::string& replace, const Variables& vars,
                                         std::u16string& reason,
                                         std::vector<UnsupportedOption>& options) {
    std::u16string out;
    const std::u16string text = U16(replace);
    std::size_t i = 0;
    auto literal = [&](std::size_t from, std::size_t to) {
        std::u16string_view piece(text.data() + from, to - from);
        // $|$ marks where the caret goes.
        for (std::size_t at; (at = piece.find(u"$|$")) != std::u16string_view::npos;) {
            out += EscapeLiteralText(piece.substr(0, at));
            out += u"{#cursor}";
            piece.remove_prefix(at + 3);
        }
        out += EscapeLiteralText(piece);
    };
    while (i < text.size()) {
        const std::size_t open = text.find(u"{{", i);
        const std::size_t close = open == std::u16string::npos ? open : text.find(u"}}", open + 2);
        if (close == std::u16string::npos) {
            literal(i, text.size());
            break;
        }
        literal(i, open);
        std::u16string name16 = text.substr(open + 2, close - open - 2);
        while (!name16.empty() && name16.front() == u' ')
            name16.erase(0, 1);
        while (!name16.empty() && name16.back() == u' ')
            name16.pop_back();
        const std::string name = Utf16ToUtf8(name16);
        const auto var = vars.find(name.substr(0, name.find('.')));
        if (var == vars.end()) {
            reason = u"uses the variable {{" + name16 + u"}}, which the file does not define";
            return std::nullopt;
        }
        const Variable& v = var->second;
        if (v.Type == "date") {
            if (v.Params && v.Params["offset"] && v.Params["offset"].IsScalar() &&
                v.Params["offset"].Scalar() != "0") {
                reason = u"a date variable with an offset (Lumora types only today's date)";
                return std::nullopt;
            }
            if (v.Params && v.Params["locale"])
                options.push_back({u"locale", u"the language of a date's names"});
            const std::u16string format = v.Params && v.Params["format"]
                                              ? U16(ScalarOf(v.Params["format"], u"format"))
                                              : u"%x";
            std::u16string unknown;
            const std::u16string fields = DateFieldsOfStrftime(format, unknown);
            if (!unknown.empty()) {
                reason = u"a date format with " + unknown + u", which Windows cannot show";
                return std::nullopt;
            }
            out += fields;
        } else if (v.Type == "clipboard") {
            out += u"{#clipboard}";
        } else if (v.Type == "echo") {
            const YAML::Node echo = v.Params ? v.Params["echo"] : YAML::Node();
            out += EscapeLiteralText(echo ? U16(ScalarOf(echo, u"echo")) : u"");
        } else if (v.Type == "shell" || v.Type == "script") {
            reason = u"a " + U16(v.Type) + u" variable (Lumora runs no programs)";
            return std::nullopt;
        } else if (v.Type == "match") {
            reason = u"a nested match";
            return std::nullopt;
        } else if (v.Type == "form") {
            reason = u"a form";
            return std::nullopt;
        } else {
            reason = u"a variable of type " + U16(v.Type.empty() ? "(none)" : v.Type);
            return std::nullopt;
        }
        i = close + 2;
    }
    return WithCrLf(out);
}

class EspansoReader {
public:
    EspansoReader(FileSystem& files, ImportedFile& result) : files_(files), result_(result) {}

    void Read(std::string_view bytes, const std::u16string& path, const Variables& inherited,
              bool first) {
        seen_.insert(path);
        try {
            ReadRoot(YAML::Load(DecodeImportTextAsUtf8(bytes)), path, inherited, first);
        } catch (const ImportError& e) {
            throw ImportError(Prefix(path, first) + e.Message());
        } catch (const YAML::Exception& e) {
            throw ImportError(Prefix(path, first) +
                              AtLineColumn(e.mark.line + 1, e.mark.column + 1, U16(e.msg)));
        }
    }

private:
    static std::u16string Prefix(const std::u16string& path, bool first) {
        return first ? u"" : path + u": ";
    }

    void ReadRoot(const YAML::Node& root, const std::u16string& path, const Variables& inherited,
                  bool first) {
        if (root.IsNull()) return;
        if (!root.IsMap()) FailAt(root, u"an espanso match file is a map with matches:");
        Variables globals = inherited;
        ReadVariables(root["global_vars"], globals);
        if (const YAML::Node matches = root["matches"]) {
            if (!matches.IsSequence()) FailAt(matches, u"matches is not a list");
            for (const YAML::Node& match : matches)
                ReadMatch(match, globals, first ? u"" : path);
        }
        if (const YAML::Node imports = root["imports"]) {
            if (!imports.IsSequence()) FailAt(imports, u"imports is not a list");
            for (const YAML::Node& name : imports)
                ReadImport(U16(ScalarOf(name, u"an import")), path, globals);
        }
    }

    void ReadImport(const std::u16string& name, const std::u16string& from,
                    const Variables& globals) {
        std::u16string path = name;
        const bool absolute = (!name.empty() && (name[0] == u'/' || name[0] == u'\\')) ||
                              (name.size() > 1 && name[1] == u':');
        const std::size_t slash = from.find_last_of(u"/\\");
        if (!absolute && slash != std::u16string::npos) path = from.substr(0, slash + 1) + name;
        if (seen_.contains(path)) return;
        const std::optional<std::string> bytes = files_.ReadFile(path);
        if (!bytes) {
            result_.Notes.push_back(u"imports: " + name +
                                    u" was not found; its matches are not "
                                    u"imported");
            return;
        }
        result_.Notes.push_back(u"imports: " + name + u" is imported too");
        Read(*bytes, path, globals, false);
    }

    void ReadMatch(const YAML::Node& match, const Variables& globals, const std::u16string& file) {
        if (!match.IsMap()) FailAt(match, u"a match is not a map");
        ImportedEntry entry;
        entry.Line = match.Mark().line + 1;
        entry.File = file;
        std::vector<std::u16string> triggers;
        if (const YAML::Node t = match["trigger"]) triggers.push_back(U16(ScalarOf(t, u"trigger")));
        if (const YAML::Node list = match["triggers"]) {
            if (!list.IsSequence()) FailAt(list, u"triggers is not a list");
            for (const YAML::Node& t : list)
                triggers.push_back(U16(ScalarOf(t, u"a trigger")));
        }
        Variables vars = globals;
        ReadVariables(match["vars"], vars);

        static const std::set<std::string> Handled = {
            "trigger", "triggers",    "replace", "vars",     "regex",
            "form",    "form_fields", "html",    "markdown", "image_path"};
        for (auto it = match.begin(); it != match.end(); ++it) {
            const std::string key = it->first.Scalar();
            if (Handled.contains(key)) continue;
            if (auto option = OptionOf(key, it->second)) entry.Options.push_back(*option);
        }

        if (const YAML::Node regex = match["regex"]) {
            entry.Abbreviation = U16(ScalarOf(regex, u"regex"));
            entry.SkipReason = u"a regex trigger";
        } else if (triggers.empty()) {
            entry.SkipReason = u"no trigger";
        } else if (match["form"]) {
            entry.SkipReason = u"a form";
        } else if (match["html"]) {
            entry.SkipReason = u"html text";
        } else if (match["markdown"]) {
            entry.SkipReason = u"markdown text";
        } else if (match["image_path"]) {
            entry.SkipReason = u"an image";
        } else if (!match["replace"]) {
            entry.SkipReason = u"no replace text";
        } else if (auto text = MapReplace(ScalarOf(match["replace"], u"replace"), vars,
                                          entry.SkipReason, entry.Options)) {
            entry.Text = std::move(*text);
        }
        if (triggers.empty()) {
            result_.Entries.push_back(std::move(entry));
            return;
        }
        for (const std::u16string& trigger : triggers) {
            ImportedEntry one = entry;
            one.Abbreviation = trigger;
            result_.Entries.push_back(std::move(one));
        }
    }

    FileSystem& files_;
    ImportedFile& result_;
    std::set<std::u16string> seen_;
};

} // namespace

ImportedFile ReadEspansoFile(std::string_view bytes, const std::u16string& path,
                             FileSystem& files) {
    ImportedFile result;
    result.FormatName = u"espanso match file";
    EspansoReader(files, result).Read(bytes, path, {}, true);
    return result;
}

std::u16string DateFieldsOfStrftime(std::u16string_view format, std::u16string& unknown) {
    // The picture of each strftime specifier, and whether it belongs to a date or a time.
    struct Picture {
        std::u16string_view Text;
        bool Time;
    };
    static const std::map<std::u16string, Picture> Pictures = {
        {u"Y", {u"yyyy", false}},     {u"y", {u"yy", false}},
        {u"m", {u"MM", false}},       {u"-m", {u"M", false}},
        {u"d", {u"dd", false}},       {u"-d", {u"d", false}},
        {u"e", {u"d", false}},        {u"B", {u"MMMM", false}},
        {u"b", {u"MMM", false}},      {u"h", {u"MMM", false}},
        {u"A", {u"dddd", false}},     {u"a", {u"ddd", false}},
        {u"D", {u"MM/dd/yy", false}}, {u"F", {u"yyyy-MM-dd", false}},
        {u"x", {u"", false}},         {u"H", {u"HH", true}},
        {u"-H", {u"H", true}},        {u"k", {u"H", true}},
        {u"I", {u"hh", true}},        {u"-I", {u"h", true}},
        {u"l", {u"h", true}},         {u"M", {u"mm", true}},
        {u"-M", {u"m", true}},        {u"S", {u"ss", true}},
        {u"-S", {u"s", true}},        {u"p", {u"tt", true}},
        {u"R", {u"HH:mm", true}},     {u"T", {u"HH:mm:ss", true}},
        {u"X", {u"", true}},
    };
    std::u16string out;
    enum class Kind { None, Date, Time };
    Kind open = Kind::None; // the field being built
    std::u16string pendingLiteral;
    auto closeField = [&] {
        if (open != Kind::None) out += u"}";
        open = Kind::None;
        out += EscapeLiteralText(pendingLiteral);
        pendingLiteral.clear();
    };
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%' || i + 1 >= format.size()) {
            pendingLiteral += format[i];
            continue;
        }
        std::u16string code(1, format[++i]);
        if (code == u"-" && i + 1 < format.size()) code += format[++i];
        if (code == u"%") {
            pendingLiteral += u'%';
            continue;
        }
        if (code == u"n" || code == u"t") {
            pendingLiteral += code == u"n" ? u'\n' : u'\t';
            continue;
        }
        const auto picture = Pictures.find(code);
        if (picture == Pictures.end()) {
            unknown = u"%" + code;
            return {};
        }
        // Separators without letters stay inside one field; a letter would be read as part of
        // the picture, so such text ends the field and is typed as it stands.
        const bool plain = pendingLiteral.find_first_of(
                               u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ'{}\\") ==
                           std::u16string::npos;
        const bool empty = picture->second.Text.empty(); // the short format: a field alone
        const Kind kind = picture->second.Time ? Kind::Time : Kind::Date;
        if (open == kind && plain && !empty && !pendingLiteral.empty()) {
            out += pendingLiteral;
            pendingLiteral.clear();
        } else if (!(open == kind && pendingLiteral.empty() && !empty)) {
            closeField();
            out += kind == Kind::Time ? u"{#time" : u"{#date";
            if (!empty) out += u":";
            open = kind;
        }
        out += picture->second.Text;
        if (empty) {
            out += u"}";
            open = Kind::None;
        }
    }
    closeField();
    return out;
}

} // namespace lumora
