// Reads the command line's options and the delimiter mode a number stands for.
#include "settings/Options.h"

#include "platform/MessageText.h"

#include <limits>
#include <optional>
#include <utility>

namespace lumora {

namespace {

// Only A-Z are lowered: option names are ASCII, and the value keeps its characters.
std::u16string AsciiLower(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    return out;
}

std::u16string Decimal(std::uint32_t n) {
    if (n == std::numeric_limits<std::uint32_t>::max()) return u"unlimited";
    return DecimalText(n);
}

} // namespace

std::optional<std::int32_t> ParseInt32(std::u16string_view s) {
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
    if (i == s.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < u'0' || s[i] > u'9') return std::nullopt;
        value = value * 10 + (s[i] - u'0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

DelimiterMode DelimiterModeOf(std::int32_t number) {
    switch (number) {
    case 0:
        return DelimiterMode::AfterDelimiter;
    case 1:
        return DelimiterMode::BetweenDelimiters;
    default:
        return DelimiterMode::Anywhere;
    }
}

Options ReadOptions(const std::vector<std::u16string>& args, Options base,
                    std::vector<std::u16string>* problems) {
    constexpr std::u16string_view delims = u"-delims=";
    constexpr std::u16string_view maxitems = u"-maxitems=";
    Options options = std::move(base);
    for (const std::u16string& arg : args) {
        const std::u16string lower = AsciiLower(arg);
        if (lower.starts_with(delims)) {
            options.Mode = DelimiterModeOf(
                ParseInt32(std::u16string_view(arg).substr(delims.size())).value_or(0));
        } else if (lower.starts_with(maxitems)) {
            const std::u16string_view value = std::u16string_view(arg).substr(maxitems.size());
            // The 32-bit pattern: -1 becomes the largest unsigned count, so no limit.
            if (const std::optional<std::int32_t> n = ParseInt32(value)) {
                options.MaxPhrases = static_cast<std::uint32_t>(*n);
            } else if (problems) {
                problems->push_back(u"The command line's " + arg + u": \"" + std::u16string(value) +
                                    u"\" is not a number. The largest number of phrases stays " +
                                    Decimal(options.MaxPhrases) + u".");
            }
        }
    }
    return options;
}

ControlCommand ReadControlCommand(const std::vector<std::u16string>& args) {
    ControlCommand command = ControlCommand::None;
    for (const std::u16string& arg : args) {
        const std::u16string lower = AsciiLower(arg);
        if (lower == u"-pause")
            command = ControlCommand::Pause;
        else if (lower == u"-resume")
            command = ControlCommand::Resume;
        else if (lower == u"-toggle")
            command = ControlCommand::Toggle;
        else if (lower == u"-exit")
            command = ControlCommand::Exit;
    }
    return command;
}

} // namespace lumora
