// The measurements as a table, for a spreadsheet: a header row, the reference's row, then
// one row for each measurement in the order kept. Points are in the picture's own pixels,
// mapped as Save maps them, so that a table and a saved picture of the same session agree
// point for point. Written as CSV for a file and as tab-separated text for the clipboard.
#pragma once

#include <string>
#include <vector>

#include "core/annotations.h"

namespace vantory {

// One row's cells as text.
using TableRow = std::vector<std::string>;

// The table of `annotations`, whose reference is set: number (0 for the reference), kind,
// `pictureName`, x1, y1, x2, y2 (the ends mapped through `map` onto the picture's twips,
// then in pixels with three decimals), the length in the picture's pixels (three
// decimals), the length as its label shows it, and the unit.
std::vector<TableRow> measurementTable(const Annotations& annotations, const CoordinateMap& map,
                                       const std::string& pictureName);

// The table as CSV (RFC 4180): UTF-8 with a byte-order mark, so that spreadsheets read the
// Chinese headers; commas between the cells, CRLF after every row; a cell holding a comma,
// a quote or a line break is quoted, its quotes doubled.
std::string csvText(const std::vector<TableRow>& table);

// The table as tab-separated text, as spreadsheets paste it: tabs between the cells, LF
// after every row; a cell holding a tab, a quote or a line break is quoted as in CSV.
std::string tabSeparatedText(const std::vector<TableRow>& table);

}  // namespace vantory
