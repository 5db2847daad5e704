// lumoratool import FILE [--into FILE.lmx]: phrases from another text expander's file (or
// Lumora's own, or CSV). The report comes first; without --into the phrases are printed as JSON
// lines (for lumoratool write), with it they are added to that phrase file.
#include "data/PhraseFile.h"
#include "exchange/PhraseImport.h"
#include "platform/Error.h"
#include "platform/MessageBoxes.h"
#include "settings/SettingsFile.h"
#include "tools/Json.h"
#include "tools/ToolCommand.h"

#include <limits>
#include <optional>
#include <ostream>

namespace lumora::tool {

namespace {

constexpr const char* Usage =
    "usage: lumoratool import FILE [--into FILE.lmx] [--add-duplicates] [--dry-run]\n"
    "                         [--format espanso|beeftext|ahk|lmx|jsonl|csv] [-maxitems=N]\n";

// Messages of the settings file (one that cannot be read) go to the terminal.
class TerminalBoxes : public MessageBoxes {
public:
    explicit TerminalBoxes(std::ostream& err) : err_(err) {}
    void ShowMessage(const std::u16string& text, const std::u16string&, MessageBoxIcon) override {
        err_ << "lumoratool: " << Utf16ToUtf8(text) << "\n";
    }

private:
    std::ostream& err_;
};

std::string ForTerminal(const std::u16string& text) {
    std::string out;
    for (char c : Utf16ToUtf8(text))
        if (c != '\r') out += c;
    return out;
}

// The settings file beside the phrase file: the limit the program will apply.
std::uint32_t MaxPhrasesBeside(const std::u16string& phraseFile, ToolIo& io) {
    const std::size_t slash = phraseFile.find_last_of(u"/\\");
    const std::u16string folder =
        slash == std::u16string::npos ? u"" : phraseFile.substr(0, slash + 1);
    TerminalBoxes boxes(io.Err);
    return SettingsFile(io.Files, boxes, folder + u"lumora.ini").Load().MaxPhrases;
}

} // namespace

int ImportCommand(const std::vector<std::u16string>& args, ToolIo& io) {
    std::optional<std::u16string> source, into;
    ImportChoices choices;
    std::optional<std::uint32_t> maxItems;
    ImportFormat format = ImportFormat::FromName;
    bool dryRun = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::u16string& a = args[i];
        if (a == u"--into" && i + 1 < args.size()) {
            into = args[++i];
        } else if (a == u"--format" && i + 1 < args.size()) {
            format = ImportFormatNamed(args[++i]);
            if (format == ImportFormat::FromName) {
                io.Err << Usage;
                return ExitUsageOrFile;
            }
        } else if (a == u"--add-duplicates") {
            choices.AddDuplicates = true;
        } else if (a == u"--dry-run") {
            dryRun = true;
        } else if (a.starts_with(u"-maxitems=")) {
            try {
                maxItems = static_cast<std::uint32_t>(std::stoll(Utf16ToUtf8(a.substr(10))));
            } catch (const std::exception&) {
                io.Err << Usage;
                return ExitUsageOrFile;
            }
        } else if (!source && !a.starts_with(u"-")) {
            source = a;
        } else {
            io.Err << Usage;
            return ExitUsageOrFile;
        }
    }
    if (!source) {
        io.Err << Usage;
        return ExitUsageOrFile;
    }

    ImportedFile file;
    try {
        file = ReadImportFile(io.Files, *source, format);
    } catch (const ImportError& e) {
        io.Err << Utf16ToUtf8(*source) << ": " << ForTerminal(e.Message()) << "\n"
               << "Nothing was imported.\n";
        return ExitDataError;
    } catch (const Error& e) {
        io.Err << "lumoratool: " << ForTerminal(e.Message()) << "\n";
        return ExitUsageOrFile;
    }

    AbbreviationIndex index;
    PhraseList rows;
    if (into) {
        try {
            if (io.Files.ReadFile(*into))
                LoadPhrases(rows, index, io.Files, *into, std::numeric_limits<std::uint32_t>::max(),
                            {});
        } catch (const Error& e) {
            io.Err << Utf16ToUtf8(*into) << ": " << ForTerminal(e.Message())
                   << "\nNothing was imported: the phrase file must be read whole first.\n";
            return ExitDataError;
        }
        choices.MaxPhrases = maxItems ? *maxItems : MaxPhrasesBeside(*into, io);
    } else if (maxItems) {
        choices.MaxPhrases = *maxItems;
    }

    const ImportPlan plan = PlanImport(file, rows, choices);
    const std::string report = ForTerminal(ImportReport(plan));
    if (!into) {
        io.Err << report;
        for (const auto& [abbreviation, text] : plan.ToAdd)
            io.Out << "{\"autotext\":" << json::Quote(abbreviation)
                   << ",\"text\":" << json::Quote(text) << "}\n";
        io.Out.flush();
        return ExitOk;
    }
    io.Out << report;
    if (dryRun) {
        io.Out << "Nothing was changed (--dry-run).\n";
        return ExitOk;
    }
    ApplyImport(plan, rows, index);
    try {
        SavePhrases(rows, io.Files, *into);
    } catch (const Error& e) {
        io.Err << "lumoratool: " << ForTerminal(e.Message()) << "\n";
        return ExitUsageOrFile;
    }
    io.Out << "Added " << plan.ToAdd.size() << (plan.ToAdd.size() == 1 ? " phrase" : " phrases") << " to " << Utf16ToUtf8(*into) << ".\n";
    return ExitOk;
}

int ExportCommand(const std::vector<std::u16string>& args, ToolIo& io) {
    if (args.size() < 2 || args.size() > 3 || args[0] != u"--csv") {
        io.Err << "usage: lumoratool export --csv FILE.lmx [OUT.csv]\n";
        return ExitUsageOrFile;
    }
    AbbreviationIndex index;
    PhraseList rows;
    try {
        if (!io.Files.ReadFile(args[1])) {
            io.Err << "lumoratool: no such file: " << Utf16ToUtf8(args[1]) << "\n";
            return ExitUsageOrFile;
        }
        LoadPhrases(rows, index, io.Files, args[1], std::numeric_limits<std::uint32_t>::max(), {});
    } catch (const Error& e) {
        io.Err << Utf16ToUtf8(args[1]) << ": " << ForTerminal(e.Message()) << "\n";
        return ExitDataError;
    }
    const std::string csv = PhrasesAsCsv(rows);
    if (args.size() == 2) {
        io.Out << csv;
        io.Out.flush();
        return ExitOk;
    }
    try {
        io.Files.WriteFileAtomic(args[2], csv);
    } catch (const Error& e) {
        io.Err << "lumoratool: " << ForTerminal(e.Message()) << "\n";
        return ExitUsageOrFile;
    }
    return ExitOk;
}

} // namespace lumora::tool
