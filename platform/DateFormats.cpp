// Formats dates and times by Windows' date and time pictures, for the simulated desktop.
#include "platform/DateFormats.h"

#include <algorithm>
#include <array>
#include <string>

namespace lumora {

namespace {

constexpr std::array<std::u16string_view, 7> DayNames = {
    u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
constexpr std::array<std::u16string_view, 12> MonthNames = {
    u"January", u"February", u"March",     u"April",   u"May",      u"June",
    u"July",    u"August",   u"September", u"October", u"November", u"December"};

std::u16string Number(int n, std::size_t width) {
    const std::string digits = std::to_string(n);
    std::u16string out(digits.size() < width ? width - digits.size() : 0, u'0');
    out.append(digits.begin(), digits.end());
    return out;
}

// Walks the picture: runs of one letter go to `field` (which answers false for letters it
// does not know: those are copied), quoted text is copied without its quotes ('' is a quote).
template <class Field>
std::optional<std::u16string> Format(std::u16string_view picture, Field field) {
    std::u16string out;
    for (std::size_t i = 0; i < picture.size();) {
        const char16_t c = picture[i];
        if (c == u'\'') {
            // '' is a quote, outside quoted text and inside it ('o''clock' gives o'clock).
            if (i + 1 < picture.size() && picture[i + 1] == u'\'') {
                out += u'\'';
                i += 2;
                continue;
            }
            std::size_t from = i + 1;
            for (;;) {
                const std::size_t end = picture.find(u'\'', from);
                if (end == std::u16string_view::npos) return std::nullopt;
                out.append(picture.substr(from, end - from));
                if (end + 1 < picture.size() && picture[end + 1] == u'\'') {
                    out += u'\'';
                    from = end + 2;
                    continue;
                }
                i = end + 1;
                break;
            }
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c)
            ++run;
        if (!field(c, run, out)) out.append(picture.substr(i, run));
        i += run;
    }
    return out;
}

bool DateField(const LocalTime& t, char16_t c, std::size_t run, std::u16string& out) {
    switch (c) {
    case u'd':
        if (run <= 2)
            out += Number(t.Day, run);
        else if (run == 3)
            out += DayNames[t.DayOfWeek % 7].substr(0, 3);
        else
            out += DayNames[t.DayOfWeek % 7];
        return true;
    case u'M':
        if (run <= 2)
            out += Number(t.Month, run);
        else if (run == 3)
            out += MonthNames[(t.Month + 11) % 12].substr(0, 3);
        else
            out += MonthNames[(t.Month + 11) % 12];
        return true;
    case u'y':
        if (run <= 2)
            out += Number(t.Year % 100, run);
        else
            out += Number(t.Year, 4);
        return true;
    case u'g':
        out += u"A.D.";
        return true;
    default:
        return false;
    }
}

bool TimeField(const LocalTime& t, char16_t c, std::size_t run, std::u16string& out) {
    const std::size_t width = run >= 2 ? 2 : 1;
    switch (c) {
    case u'h':
        out += Number(t.Hour % 12 == 0 ? 12 : t.Hour % 12, width);
        return true;
    case u'H':
        out += Number(t.Hour, width);
        return true;
    case u'm':
        out += Number(t.Minute, width);
        return true;
    case u's':
        out += Number(t.Second, width);
        return true;
    case u't':
        out += run >= 2 ? (t.Hour < 12 ? u"AM" : u"PM") : (t.Hour < 12 ? u"A" : u"P");
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<std::u16string> FormatDatePicture(const LocalTime& t, std::u16string_view picture) {
    return Format(picture.empty() ? u"M/d/yyyy" : picture,
                  [&](char16_t c, std::size_t run, std::u16string& out) {
                      return DateField(t, c, run, out);
                  });
}

std::vector<std::u16string> PicturePieces(std::u16string_view picture, std::size_t limit) {
    limit = std::max<std::size_t>(limit, 4); // room for a quoted quote
    std::vector<std::u16string> pieces(1);
    auto add = [&](std::u16string_view token) {
        std::u16string& last = pieces.back();
        // Two quoted texts side by side would read as one with a quote inside.
        const bool quotesMeet = !last.empty() && last.back() == u'\'' && token.front() == u'\'';
        if (!last.empty() && (last.size() + token.size() > limit || quotesMeet))
            pieces.emplace_back();
        pieces.back() += token;
    };
    for (std::size_t i = 0; i < picture.size();) {
        const char16_t c = picture[i];
        if (c == u'\'' && i + 1 < picture.size() && picture[i + 1] == u'\'') {
            add(u"''");
            i += 2;
            continue;
        }
        if (c == u'\'') {
            // Quoted text in quoted parts that fit; a doubled quote inside stays doubled.
            std::u16string part;
            auto flush = [&] {
                if (!part.empty()) add(u"'" + part + u"'");
                part.clear();
            };
            std::size_t k = i + 1;
            for (;;) {
                if (k >= picture.size()) {
                    flush();
                    add(u"'"); // unclosed, for the formatter to refuse
                    return pieces;
                }
                std::u16string_view unit = picture.substr(k, 1);
                if (picture[k] == u'\'') {
                    if (k + 1 >= picture.size() || picture[k + 1] != u'\'') break;
                    unit = picture.substr(k, 2);
                }
                if (part.size() + unit.size() + 2 > limit) flush();
                part += unit;
                k += unit.size();
            }
            flush();
            i = k + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c)
            ++run;
        add(picture.substr(i, run));
        i += run;
    }
    if (pieces.back().empty()) pieces.pop_back();
    return pieces;
}

std::optional<std::u16string> FormatTimePicture(const LocalTime& t, std::u16string_view picture) {
    return Format(picture.empty() ? u"h:mm tt" : picture,
                  [&](char16_t c, std::size_t run, std::u16string& out) {
                      return TimeField(t, c, run, out);
                  });
}

} // namespace lumora
