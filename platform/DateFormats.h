#pragma once
// Dates and times in the user's formats, for the fields of a phrase.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

// A moment of local time, as GetLocalTime gives it.
struct LocalTime {
    int Year = 2000;
    int Month = 1; // 1 to 12
    int Day = 1;
    int DayOfWeek = 6; // 0 Sunday to 6 Saturday
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

class DateFormats {
public:
    virtual ~DateFormats() = default;
    virtual LocalTime CurrentTime() = 0;
    // The date (time) in the user's short format for an empty picture, else in a Windows date
    // (time) picture such as "yyyy-MM-dd" ("HH:mm"); nullopt when the picture cannot be used.
    virtual std::optional<std::u16string> FormatDate(const LocalTime& t,
                                                     std::u16string_view picture) = 0;
    virtual std::optional<std::u16string> FormatTime(const LocalTime& t,
                                                     std::u16string_view picture) = 0;
};

// The pictures as Windows reads them, with English names (the US short formats M/d/yyyy and
// h:mm tt for an empty picture): the simulated desktop's formats. Letters that are not
// part of the picture language, and text in single quotes, are copied ('' is a quote, inside
// quoted text too); an unclosed quote is nullopt.
std::optional<std::u16string> FormatDatePicture(const LocalTime& t, std::u16string_view picture);
std::optional<std::u16string> FormatTimePicture(const LocalTime& t, std::u16string_view picture);

// A picture cut into pieces of at most `limit` units (a longer run of one letter stays whole)
// that give, one after the other, what the whole picture gives: cut only between fields and
// inside quoted text, which is closed and opened again. Wine's formatting breaks off a result
// of over 255 characters; pieces of a short picture each give a short result.
std::vector<std::u16string> PicturePieces(std::u16string_view picture, std::size_t limit);

} // namespace lumora
