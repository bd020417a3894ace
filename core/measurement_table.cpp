#include "core/measurement_table.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <string_view>

#include "core/number_text.h"
#include "core/texts.h"

namespace vantory {
namespace {

// `value` with three decimals and '.' as the decimal point, whatever the locale; a value
// that rounds to zero has no sign.
std::string threeDecimals(double value) {
  char digits[64];
  const auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 3).ptr;
  std::string text(digits, end);
  if (text == "-0.000") text.erase(0, 1);
  return text;
}

// A text the user supplied (a file name, a unit) as a cell. Spreadsheets take a cell that
// starts with = + - or @ for a formula, and a file name could make one run: such a cell
// gets a leading apostrophe, which keeps it text.
std::string textCell(std::string_view text) {
  static constexpr std::string_view kFormulaStarts = "=+-@\t\r";
  std::string cell;
  if (!text.empty() && kFormulaStarts.find(text.front()) != std::string_view::npos) cell = "'";
  return cell.append(text);
}

// The number of a label's text, " 12.345 mm" without its unit: "12.345". The C library
// writes the decimal point of the locale, which Qt takes from the environment (a comma in
// a German one); the table's is always '.'.
std::string labelNumber(float value) {
  const std::string label = labelText(value);
  const std::size_t first = label.find_first_not_of(' ');
  std::string number = label.substr(first, label.find_last_not_of(' ') - first + 1);
  const std::string_view point = std::localeconv()->decimal_point;
  if (const std::size_t at = number.find(point); point != "." && at != std::string::npos) {
    number.replace(at, point.size(), ".");
  }
  return number;
}

TableRow segmentRow(int number, const char* kind, const std::string& picture, const CoordinateMap& map,
                    const Segment& segment, float length, std::string_view unit) {
  // The points where Save draws the segment's line, in the picture's pixels.
  const TwipPoint a = map.point(segment.a);
  const TwipPoint b = map.point(segment.b);
  const double x1 = double{a.x} / kTwipsPerPixel;
  const double y1 = double{a.y} / kTwipsPerPixel;
  const double x2 = double{b.x} / kTwipsPerPixel;
  const double y2 = double{b.y} / kTwipsPerPixel;
  TableRow row{std::to_string(number), kind, textCell(picture)};
  for (const double value : {x1, y1, x2, y2, std::hypot(x2 - x1, y2 - y1)})
    row.push_back(threeDecimals(value));
  row.push_back(labelNumber(length));
  row.push_back(textCell(unit));
  return row;
}

// The rows joined: cells by `separator`, each row ended by `lineEnd`; a cell holding the
// separator, a quote or a line break is quoted, its quotes doubled.
std::string joined(const std::vector<TableRow>& table, char separator, std::string_view lineEnd) {
  const std::string special = std::string("\"\r\n") + separator;
  std::string text;
  for (const TableRow& row : table) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) text += separator;
      const std::string& cell = row[i];
      if (cell.find_first_of(special) == std::string::npos) {
        text += cell;
        continue;
      }
      text += '"';
      for (const char c : cell) {
        if (c == '"') text += '"';
        text += c;
      }
      text += '"';
    }
    text += lineEnd;
  }
  return text;
}

}  // namespace

std::vector<TableRow> measurementTable(const Annotations& annotations, const CoordinateMap& map,
                                       const std::string& pictureName) {
  std::vector<TableRow> table{TableRow(std::begin(texts::kTableColumns), std::end(texts::kTableColumns))};
  if (annotations.reference == nullptr) return table;
  table.push_back(segmentRow(0, texts::kReferenceRow, pictureName, map, *annotations.reference,
                             annotations.referenceLength, annotations.referenceUnit));
  int number = 0;
  for (const Measurement& m : annotations.measurements) {
    table.push_back(
        segmentRow(++number, texts::kMeasurementRow, pictureName, map, m.segment, m.length, m.unit));
  }
  return table;
}

std::string csvText(const std::vector<TableRow>& table) {
  return "\xEF\xBB\xBF" + joined(table, ',', "\r\n");
}

std::string tabSeparatedText(const std::vector<TableRow>& table) { return joined(table, '\t', "\n"); }

}  // namespace vantory
