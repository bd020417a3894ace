// The table of measurements over the recording fakes: its rows against the labels and the
// lines Save draws for the same session, and the bytes of its CSV and tab-separated forms.
#include <gtest/gtest.h>

#include <cmath>

#include "core/measurement_table.h"
#include "core/number_text.h"
#include "tests/core/program.h"

namespace vantory::testing {
namespace {

std::string fixed3(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

TEST(MeasurementTable, RowsAgreeWithTheLabelsAndLinesOfSave) {
  // The wide picture's corner and centre on the view are (0, 0) and (200, 100) pixels of it.
  const TwipPoint corner{120, 1293.75f}, centre{5827.5f, 4147.5f};
  Program p;
  p.open();
  p.commands().exportMeasurements();  // no reference yet: nothing is asked
  EXPECT_TRUE(p.prompts().dialogs.size() == 1 && !p.fake().window.tableEnabled);
  p.setReference(corner, centre, "25.4 mm");
  EXPECT_TRUE(p.fake().window.tableEnabled);
  p.measure({corner.x + 2853.75f, corner.y}, centre);
  p.measure({corner.x - 2853.75f, corner.y + 1234.5f}, {centre.x + 777.7f, centre.y - 11.1f});
  p.prompts().fileAnswers = {"/out/a.bmp", "/out/t.csv"};
  p.commands().savePicture();
  p.commands().exportMeasurements();
  EXPECT_EQ(p.prompts().dialogs.back().initialName, "/pictures/wide-测量.csv");
  p.commands().copyMeasurements();
  ASSERT_TRUE(p.noErrors());

  // The rows made of what Save drew: a label, then a line, for each segment.
  const std::vector<Drawn>& drawn = p.fake().disk.written.at("/out/a.bmp").drawn;
  ASSERT_EQ(drawn.size(), 6);
  std::string rows = "编号\t类型\t图片\tx1\ty1\tx2\ty2\t像素长度\t长度\t单位\n";
  for (std::size_t k = 0; k < 3; ++k) {
    const Drawn& line = drawn[2 * k + 1];
    const double x1 = line.from.x / 15.0, y1 = line.from.y / 15.0, x2 = line.to.x / 15.0,
                 y2 = line.to.y / 15.0;
    const std::string label = labelText(drawn[2 * k].value);
    rows += std::to_string(k) + (k == 0 ? "\t基准" : "\t测量") + "\twide.jpg\t" + fixed3(x1) + "\t" +
            fixed3(y1) + "\t" + fixed3(x2) + "\t" + fixed3(y2) + "\t" + fixed3(std::hypot(x2 - x1, y2 - y1)) +
            "\t" + label.substr(1, label.size() - 2) + "\tmm\n";
  }
  EXPECT_EQ(p.fake().window.clipboard, rows);
  // 25.4 x sqrt(2 / 5), cut: 16.064.
  EXPECT_NE(rows.find("\n0\t基准\twide.jpg\t0.000\t0.000\t200.000\t100.000\t223.607\t25.4\tmm\n"
                      "1\t测量\twide.jpg\t100.000\t0.000\t200.000\t100.000\t141.421\t16.064\tmm\n"),
            std::string::npos);
  std::string csv = "\xEF\xBB\xBF";
  for (const char c : rows) csv += c == '\t' ? "," : c == '\n' ? "\r\n" : std::string(1, c);
  EXPECT_EQ(p.fake().textFiles.written.at("/out/t.csv"), csv);
}

// A picture name that needs quoting in both forms, and would start a formula; a reference
// without a unit and no measurement: the header and the reference's row only.
TEST(MeasurementTable, QuotesTextCellsAndKeepsFileNamesFromBecomingFormulas) {
  const Segment reference{{-0.001f, 0}, {30, 40}};  // x1 rounds to 0, without a sign
  const auto table =
      measurementTable({&reference, 1e7f, {}, ""}, CoordinateMap::identity(), "=1+1 \"a\",b\t.jpg");
  EXPECT_EQ(csvText(table),
            "\xEF\xBB\xBF编号,类型,图片,x1,y1,x2,y2,像素长度,长度,单位\r\n"
            "0,基准,\"'=1+1 \"\"a\"\",b\t.jpg\",0.000,0.000,2.000,2.667,3.333,1E+07,\r\n");
  EXPECT_EQ(tabSeparatedText(table),
            "编号\t类型\t图片\tx1\ty1\tx2\ty2\t像素长度\t长度\t单位\n"
            "0\t基准\t\"'=1+1 \"\"a\"\",b\t.jpg\"\t0.000\t0.000\t2.000\t2.667\t3.333\t1E+07\t\n");
}

}  // namespace
}  // namespace vantory::testing
