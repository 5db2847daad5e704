// Formats dates and times by Windows' date and time pictures, for the simulated desktop.
#include "platform/DateFormats.h"

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
            const std::size_t end = picture.find(u'\'', i + 1);
            if (end == std::u16string_view::npos) return std::nullopt;
            if (end == i + 1)
                out += u'\'';
            else
                out.append(picture.substr(i + 1, end - i - 1));
            i = end + 1;
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

std::optional<std::u16string> FormatTimePicture(const LocalTime& t, std::u16string_view picture) {
    return Format(picture.empty() ? u"h:mm tt" : picture,
                  [&](char16_t c, std::size_t run, std::u16string& out) {
                      return TimeField(t, c, run, out);
                  });
}

} // namespace lumora
