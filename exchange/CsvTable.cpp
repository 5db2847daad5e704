#include "exchange/CsvTable.h"

#include "exchange/ImportedEntries.h"
#include "platform/Utf.h"

#include <csv.h>

namespace lumora {

namespace {

struct CsvReading {
    std::vector<CsvRow> Rows;
    CsvRow Row;
    bool RowOpen = false;
    long long Line = 1;
};

void OnField(void* data, std::size_t length, void* reading) {
    auto& r = *static_cast<CsvReading*>(reading);
    r.Row.Fields.push_back(Utf8ToUtf16(std::string_view(static_cast<const char*>(data), length)));
}

void OnRowEnd(int, void* reading) {
    auto& r = *static_cast<CsvReading*>(reading);
    r.Rows.push_back(std::move(r.Row));
    r.Row = CsvRow{};
    r.RowOpen = false;
}

// Spaces around a field are part of it (RFC 4180); libcsv would trim them.
int NoSpace(unsigned char) {
    return 0;
}

class CsvParser {
public:
    CsvParser() {
        if (csv_init(&parser_, CSV_STRICT | CSV_STRICT_FINI) != 0)
            throw ImportError(u"Out of memory for the CSV reader");
        csv_set_space_func(&parser_, NoSpace);
    }
    ~CsvParser() { csv_free(&parser_); }
    CsvParser(const CsvParser&) = delete;
    CsvParser& operator=(const CsvParser&) = delete;
    csv_parser* operator->() { return &parser_; }
    csv_parser* get() { return &parser_; }

private:
    csv_parser parser_{};
};

} // namespace

std::vector<CsvRow> ReadCsv(std::string_view utf8) {
    CsvParser parser;
    CsvReading reading;
    // Line by line, so that each row knows where it began and an error where it is.
    std::size_t at = 0;
    while (at < utf8.size()) {
        std::size_t end = utf8.find('\n', at);
        end = end == std::string_view::npos ? utf8.size() : end + 1;
        const std::string_view line = utf8.substr(at, end - at);
        const bool blank = line.find_first_not_of("\r\n") == std::string_view::npos;
        // A row begins on this line unless a quoted field goes on from the one before.
        if (!reading.RowOpen && !blank && parser->pstate == 0 && parser->entry_pos == 0) {
            reading.Row.Line = reading.Line;
            reading.RowOpen = true;
        }
        const std::size_t taken =
            csv_parse(parser.get(), line.data(), line.size(), OnField, OnRowEnd, &reading);
        if (taken != line.size()) {
            const auto [l, column] = LineColumnOfOffset(utf8, at + taken);
            throw ImportError(AtLineColumn(
                l, column,
                csv_error(parser.get()) == CSV_EPARSE
                    ? u"a double quote where none may stand (a quote inside a field must be "
                      u"doubled, and the field itself be in quotes)"
                    : u"the CSV reader failed"));
        }
        at = end;
        ++reading.Line;
    }
    if (csv_fini(parser.get(), OnField, OnRowEnd, &reading) != 0) {
        const auto [l, column] = LineColumnOfOffset(utf8, utf8.size());
        throw ImportError(AtLineColumn(
            l, column,
            u"the file ends inside a quoted field (its closing double quote is missing; it "
            u"begins in the row of line " +
                DecimalText(reading.Row.Line) + u")"));
    }
    return std::move(reading.Rows);
}

std::string CsvLine(const std::vector<std::u16string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        const std::string field = Utf16ToUtf8(fields[i]);
        // Quotes around and each quote doubled: at most twice as long, plus the two quotes.
        std::string quoted(field.size() * 2 + 2, '\0');
        quoted.resize(csv_write(quoted.data(), quoted.size(), field.data(), field.size()));
        line += quoted;
    }
    line += "\r\n";
    return line;
}

} // namespace lumora
