// lumoratool simulate FILE [-delims=N] [-maxitems=N]: the program, with the phrases of FILE,
// running on the simulated desktop, driven by a script of user input read from standard input.
#include "tools/ToolCommand.h"

#ifdef _WIN32

#include <ostream>

namespace lumora::tool {

// The simulated desktop is built with the tests, which the Windows build leaves out.
int SimulateCommand(const std::vector<std::u16string>&, ToolIo& io) {
    io.Err << "lumoratool: simulate is only in the Linux build\n";
    return ExitUsageOrFile;
}

} // namespace lumora::tool

#else

#include "data/PhraseFile.h"
#include "platform/Error.h"
#include "platform/Utf.h"
#include "simulation/SimulatedProgram.h"
#include "tools/Json.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <istream>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lumora::tool {

namespace {

using sim::SimulatedProgram;
namespace simkey = sim::simkey;

// A script line that cannot be run; the message is the reason.
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::optional<std::int64_t> ParseInteger(std::string_view text) {
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::u16string JsonStringArgument(std::string_view text) {
    nlohmann::json v;
    try {
        v = json::Parse(text);
    } catch (const json::Error& e) {
        const std::string where = e.Column ? ", at its character " + std::to_string(*e.Column) : "";
        throw ScriptError(std::string("bad JSON string: ") + e.what() + where);
    }
    if (!v.is_string()) throw ScriptError("expected a JSON string");
    return json::TextOf(v);
}

// The virtual key and extended flag of a key name of `press`.
std::pair<std::uint8_t, bool> KeyByName(std::string_view name) {
    struct Named {
        std::string_view Name;
        std::uint8_t Vk;
        bool Extended;
    };
    static constexpr Named keys[] = {
        {"Left", simkey::Left, true},     {"Right", simkey::Right, true},
        {"Up", simkey::Up, true},         {"Down", simkey::Down, true},
        {"Home", simkey::Home, true},     {"End", simkey::End, true},
        {"Delete", simkey::Delete, true}, {"Backspace", simkey::Back, false},
        {"Enter", simkey::Return, false}, {"Tab", simkey::Tab, false},
        {"Escape", simkey::Escape, false}};
    for (const Named& k : keys)
        if (k.Name == name) return {k.Vk, k.Extended};
    if (name.size() == 1) {
        const char c = name[0];
        if (c >= 'a' && c <= 'z') return {static_cast<std::uint8_t>(c - 'a' + 'A'), false};
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            return {static_cast<std::uint8_t>(c), false};
    }
    throw ScriptError("unknown key \"" + std::string(name) + "\"");
}

std::uint8_t ModifierByName(std::string_view name) {
    if (name == "shift") return simkey::LShift;
    if (name == "ctrl") return simkey::LControl;
    if (name == "alt") return simkey::LMenu;
    throw ScriptError("expected shift, ctrl or alt, not \"" + std::string(name) + "\"");
}

int WindowNumber(std::string_view text) {
    auto n = ParseInteger(text);
    if (!n || *n < 0 || *n > 999) throw ScriptError("expected a number from 0 to 999");
    return static_cast<int>(*n);
}

// "YYYY-MM-DD HH:MM": the simulated local time, for the phrases' date and time fields.
LocalTime ParseDateTime(const std::u16string& text) {
    const std::string s = Utf16ToUtf8(text);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    char tail = 0;
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d %2d:%2d%c", &y, &mo, &d, &h, &mi, &tail) != 5)
        throw ScriptError("expected a date as \"YYYY-MM-DD HH:MM\"");
    const std::chrono::year_month_day day{std::chrono::year{y}, std::chrono::month(mo),
                                          std::chrono::day(d)};
    if (!day.ok() || h > 23 || mi > 59 || h < 0 || mi < 0)
        throw ScriptError("no such date or time: " + s);
    const auto weekday = std::chrono::weekday{std::chrono::sys_days{day}};
    return LocalTime{y, mo, d, static_cast<int>(weekday.c_encoding()), h, mi, 0};
}

void Print(SimulatedProgram& program, std::ostream& out) {
    const sim::SimulatedTextField* field = program.Sim.FocusedField();
    const TrackingRecord* rec = program.CurrentRecord();
    out << "{\"text\":" << (field ? json::Quote(field->Text()) : "null")
        << ",\"caret\":" << (field ? std::to_string(field->Caret()) : "null")
        << ",\"shadow\":" << (rec ? json::Quote(rec->Text) : "null")
        << ",\"pos\":" << (rec ? std::to_string(rec->Pos) : "null")
        << ",\"expansions\":" << program.Expansions() << "}\n";
    out.flush();
}

// Runs one script line (without its line end).
void RunLine(SimulatedProgram& program, std::string_view line, std::ostream& out) {
    auto& sim = program.Sim;
    const std::size_t space = line.find(' ');
    const std::string_view command = line.substr(0, space);
    const std::string_view arg =
        space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    auto noArgument = [&] {
        if (space != std::string_view::npos)
            throw ScriptError(std::string(command) + " takes no argument");
    };
    auto needArgument = [&] {
        if (arg.empty()) throw ScriptError(std::string(command) + " needs an argument");
    };

    if (command == "type") {
        needArgument();
        sim.TypeText(JsonStringArgument(arg));
    } else if (command == "press") {
        needArgument();
        auto [vk, extended] = KeyByName(arg);
        sim.PressKey(vk, extended);
    } else if (command == "hold" || command == "release") {
        needArgument();
        const std::uint8_t vk = ModifierByName(arg);
        if (command == "hold")
            sim.UserKeyDown(vk);
        else
            sim.UserKeyUp(vk);
    } else if (command == "capslock") {
        noArgument();
        sim.PressKey(simkey::Capital);
    } else if (command == "click") {
        noArgument();
        sim.Click();
    } else if (command == "clipboard") {
        needArgument();
        sim.SetClipboard(JsonStringArgument(arg));
    } else if (command == "date") {
        needArgument();
        sim.Desktop().LocalNow = ParseDateTime(JsonStringArgument(arg));
    } else if (command == "window") {
        needArgument();
        sim.ShowWindow(WindowNumber(arg));
    } else if (command == "focus") {
        needArgument();
        sim.FocusControl(WindowNumber(arg));
    } else if (command == "editor") {
        if (arg != "show" && arg != "hide")
            throw ScriptError("expected editor show or editor hide");
        sim.SetEditorShown(arg == "show");
    } else if (command == "print") {
        noArgument();
    } else {
        throw ScriptError("unknown command \"" + std::string(command) + "\"");
    }
    sim.RunPending();
    if (command == "print") Print(program, out);
}

struct SimulateArguments {
    std::u16string File;
    Options Program;
};

std::optional<SimulateArguments> ReadArguments(const std::vector<std::u16string>& args,
                                               std::ostream& err) {
    SimulateArguments options;
    bool haveFile = false;
    for (const std::u16string& arg16 : args) {
        const std::string arg = Utf16ToUtf8(arg16);
        auto value = [&](std::string_view prefix) -> std::optional<std::int64_t> {
            auto n = ParseInteger(std::string_view(arg).substr(prefix.size()));
            if (!n || *n < INT32_MIN || *n > UINT32_MAX) {
                err << "lumoratool: " << prefix << " wants an integer\n";
                return std::nullopt;
            }
            return n;
        };
        if (arg.starts_with("-delims=")) {
            auto n = value("-delims=");
            if (!n) return std::nullopt;
            options.Program.Mode = DelimiterModeOf(static_cast<std::int32_t>(*n));
        } else if (arg.starts_with("-maxitems=")) {
            auto n = value("-maxitems=");
            if (!n) return std::nullopt;
            // The 32-bit pattern, compared unsigned: a negative number lifts the limit.
            options.Program.MaxPhrases = static_cast<std::uint32_t>(*n);
        } else if (!haveFile && !arg.starts_with("-")) {
            options.File = arg16;
            haveFile = true;
        } else {
            haveFile = false;
            break;
        }
    }
    if (!haveFile) {
        err << "usage: lumoratool simulate FILE [-delims=N] [-maxitems=N] < SCRIPT\n";
        return std::nullopt;
    }
    return options;
}

} // namespace

int SimulateCommand(const std::vector<std::u16string>& args, ToolIo& io) {
    auto options = ReadArguments(args, io.Err);
    if (!options) return ExitUsageOrFile;

    SimulatedProgram program(options->Program);
    try {
        const PhraseLoadResult loaded = LoadPhrases(program.Rows, program.Index, io.Files,
                                                    options->File, options->Program.MaxPhrases, {});
        if (!loaded.FileFound) {
            io.Err << "lumoratool: no such file: " << Utf16ToUtf8(options->File) << "\n";
            return ExitUsageOrFile;
        }
    } catch (const Error& e) {
        io.Err << "lumoratool: " << e.what() << "\n";
        return ExitDataError;
    }
    // The user starts out typing into the first field of the first window.
    program.Sim.ShowWindow(0);

    std::string line;
    for (int number = 1; std::getline(io.In, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        try {
            RunLine(program, line, io.Out);
        } catch (const ScriptError& e) {
            io.Err << "line " << number << ": " << e.what() << "\n";
            return ExitDataError;
        }
        // What the program showed in its error box, for the script's author.
        for (const auto& box : program.Boxes.Boxes)
            io.Err << "error box: " << Utf16ToUtf8(box.Text) << "\n";
        program.Boxes.Boxes.clear();
    }
    Print(program, io.Out);
    return ExitOk;
}

} // namespace lumora::tool

#endif
