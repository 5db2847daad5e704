#pragma once
// Comma-separated values as RFC 4180 has them (fields in double quotes may hold commas, line
// breaks and doubled quotes), read and written with libcsv.
#include <string>
#include <string_view>
#include <vector>

namespace lumora {

struct CsvRow {
    std::vector<std::u16string> Fields;
    long long Line = 0; // where the row begins, 1-based
};

// The rows of UTF-8 text (blank lines between rows are skipped). A quote where none may stand,
// or a quoted field that never ends, is an ImportError at its line and column.
std::vector<CsvRow> ReadCsv(std::string_view utf8);

// One row as UTF-8, every field quoted, ended by CR LF.
std::string CsvLine(const std::vector<std::u16string>& fields);

} // namespace lumora
