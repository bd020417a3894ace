// The table of measurements over the recording fakes: its rows against the labels and the
// lines Save draws for the same session, and the bytes of its CSV and tab-separated forms.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "core/measurement_table.h"
#include "core/number_text.h"
#include "tests/core/program.h"

namespace vantory::testing {
namespace {

// The wide picture's corner and centre on the view map to (0, 0) and (200, 100) pixels;
// a quarter of its shown width is 100 pixels.
constexpr TwipPoint kCorner{120, 1293.75f};
constexpr TwipPoint kCentre{5827.5f, 4147.5f};
constexpr float kQuarter = 2853.75f;

std::string pixels(float twips) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", double{twips} / kTwipsPerPixel);
  return text;
}

std::string pixelLength(const Drawn& line) {
  char text[32];
  std::snprintf(
      text, sizeof text, "%.3f",
      std::hypot(double{line.to.x} - line.from.x, double{line.to.y} - line.from.y) / kTwipsPerPixel);
  return text;
}

std::vector<std::vector<std::string>> rows(const std::string& text, char separator) {
  std::vector<std::vector<std::string>> table;
  std::istringstream lines(text);
  for (std::string line, cell; std::getline(lines, line);) {
    if (line.ends_with('\r')) line.pop_back();
    std::istringstream cells(line);
    table.emplace_back();
    while (std::getline(cells, cell, separator)) table.back().push_back(cell);
  }
  return table;
}

TEST(MeasurementTable, RowsAgreeWithTheLabelsAndLinesOfSave) {
  Program p;
  p.open();
  p.commands().exportMeasurements();  // no reference yet: nothing is asked
  EXPECT_TRUE(p.prompts().dialogs.size() == 1 && !p.fake().window.tableEnabled);
  p.setReference(kCorner, kCentre, "25.4 mm");
  EXPECT_TRUE(p.fake().window.tableEnabled);
  p.measure({kCorner.x + kQuarter, kCorner.y}, kCentre);
  p.measure({kCorner.x - kQuarter, kCorner.y + 1234.5f}, {kCentre.x + 777.7f, kCentre.y - 11.1f});
  p.prompts().fileAnswers = {"/out/a.bmp", "/out/t.csv"};
  p.commands().savePicture();
  p.commands().exportMeasurements();
  EXPECT_EQ(p.prompts().dialogs.back().initialName, "/pictures/wide-测量.csv");
  p.commands().copyMeasurements();
  ASSERT_TRUE(p.noErrors());

  // 25.4 x sqrt(2/5), cut: 16.064.
  const std::string csv = p.fake().textFiles.written.at("/out/t.csv");
  EXPECT_EQ(csv.substr(0, csv.find("\r\n1,")),
            "\xEF\xBB\xBF编号,类型,图片,x1,y1,x2,y2,像素长度,长度,单位\r\n"
            "0,基准,wide.jpg,0.000,0.000,200.000,100.000,223.607,25.4,mm");
  EXPECT_NE(csv.find("\r\n1,测量,wide.jpg,100.000,0.000,200.000,100.000,141.421,16.064,mm\r\n"),
            std::string::npos);

  // Every row against what Save drew (a label, then a line, for each segment), and the
  // clipboard's rows the file's.
  const std::vector<Drawn>& drawn = p.fake().disk.written.at("/out/a.bmp").drawn;
  const auto table = rows(p.fake().window.clipboard, '\t');
  ASSERT_EQ(table.size(), 4);
  EXPECT_EQ(table, rows(csv.substr(3), ','));
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\r'), 4);  // every line ends with CRLF
  EXPECT_TRUE(csv.ends_with("\r\n"));
  for (std::size_t k = 0; k < 3; ++k) {
    const Drawn& label = drawn[2 * k];
    const Drawn& line = drawn[2 * k + 1];
    const std::string shown = labelText(label.value);
    const std::vector<std::string> expected{std::to_string(k),
                                            k == 0 ? "基准" : "测量",
                                            "wide.jpg",
                                            pixels(line.from.x),
                                            pixels(line.from.y),
                                            pixels(line.to.x),
                                            pixels(line.to.y),
                                            pixelLength(line),
                                            shown.substr(1, shown.size() - 2),
                                            "mm"};
    EXPECT_EQ(table[k + 1], expected);
  }
  EXPECT_EQ(table[3][3], "-100.000");  // left of the picture
}

// A picture name that needs quoting in both forms, and would start a formula; a reference
// without a unit and no measurement: the header and the reference's row only.
TEST(MeasurementTable, QuotesTextCellsAndKeepsFileNamesFromBecomingFormulas) {
  const Segment reference{{-0.001f, 0}, {30, 40}};  // x1 rounds to 0, without a sign
  const auto table =
      measurementTable({&reference, 1e7f, {}, ""}, CoordinateMap::identity(), "=1+1 \"a\",b\t.jpg");
  const std::string row = ",基准,\"'=1+1 \"\"a\"\",b\t.jpg\",0.000,0.000,2.000,2.667,3.333,1E+07,";
  EXPECT_EQ(csvText(table), "\xEF\xBB\xBF编号,类型,图片,x1,y1,x2,y2,像素长度,长度,单位\r\n0" + row + "\r\n");
  EXPECT_EQ(tabSeparatedText(table),
            "编号\t类型\t图片\tx1\ty1\tx2\ty2\t像素长度\t长度\t单位\n0\t基准\t\"'=1+1 "
            "\"\"a\"\",b\t.jpg\"\t0.000\t0.000\t2.000\t2.667\t3.333\t1E+07\t\n");
}

}  // namespace
}  // namespace vantory::testing
