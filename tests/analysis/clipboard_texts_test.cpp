#include "analysis/clipboard_texts.h"

#include "tests/support/test_support.h"
#include "tests/support/thermogram_fixture.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

using test::SetFrame;

const std::array<QString, 5> kTexts{"Min", "Max", "Avg", "Pts", "P"};

class ClipboardTextsTest : public test::ThermogramTest {
protected:
  TDTV &Frame(int w, int h, const std::function<int(int, int)> &pixel) {
    t.ResetHeader();
    SetFrame(t, w, h, pixel);
    t.FHeader.Scale = 0.5f;
    t.FHeader.Offset = 10.0f;
    t.UpdateStatistics();
    return t;
  }
  TDTV t;
};

TEST_F(ClipboardTextsTest, RegionTableHasOneLinePerColumn) {
  Frame(3, 2, [](int x, int y) { return x + 3 * y; });
  TAreaRecord none;
  EXPECT_EQ(RegionTableText(t, none, 1), "10,00\t11,50\t\r10,50\t12,00\t\r11,00\t12,50\t\r");
  // An area covers its columns Left .. Right - 1 and rows Top .. Bottom - 1.
  TAreaRecord area;
  area.SetRect(TRect{1, 0, 3, 1});
  EXPECT_EQ(RegionTableText(t, area, 1), "10,50\t\r11,00\t\r");
  // A higher mode raises the temperature to its power, in general text.
  EXPECT_EQ(RegionTableText(t, area, 2), "110,25\t\r121\t\r");
  // An area reaching past the frame reads only the frame.
  area.SetRect(TRect{2, 1, 9, 9});
  EXPECT_EQ(RegionTableText(t, area, 1), "12,50\t\r");
}

TEST_F(ClipboardTextsTest, PointsAndAreas) {
  Frame(4, 3, [](int x, int y) { return 10 * x + y; });
  std::vector<TPointRecord> points{{0, 0, 0, 0, 0, 1}, {3, 2, 5, 5, 2, 2}};
  EXPECT_EQ(MarkerValuesText(t, points, {}, kTexts), "P1\t10\r\nP2\t26\r\n");

  TAreaRecord a1, a2;
  a1.SetRect(TRect{0, 0, 1, 1}); // raw 0, 1, 10, 11
  a2.SetRect(TRect{2, 0, 2, 2}); // one column: raw 20, 21, 22, average that of raw 0
  EXPECT_EQ(MarkerValuesText(t, {}, {a1, a2}, kTexts),
            "\r\n\tMin\tAvg\tMax\tPts\r\n"
            "A1\t10.00\t13.00\t15.50\t4\r\n" // average Round(5.5) = 6
            "A2\t20.00\t10.00\t21.00\t3\r\n");
}

TEST_F(ClipboardTextsTest, TelemetryOfAFilm) {
  test::TempDir dir;
  const QString path = test::QPath(dir.file("telemetry.dtv"));
  TDTV film;
  film.ResetHeader();
  // Pixels 2 .. 8 carry the words: -256 and 512 as signed, then whole numbers.
  const std::vector<int> words{0, 65535, 65280, 512, 128, 7, 8, 9, 10, 3000, 3000, 3000};
  SetFrame(film, 4, 3, [&](int x, int y) { return words[static_cast<std::size_t>(y * 4 + x)]; });
  film.FHeader.Scale = static_cast<float>(100.0 / 65535);
  film.FHeader.Offset = 0.0f;
  ASSERT_TRUE(film.StartFilm(path));
  film.FHeader.Offset = 10.0f;
  ASSERT_TRUE(film.AppendFilmFrame(path));
  ASSERT_TRUE(t.LoadFromFile(path, 1));
  t.FFileName = path;

  TAreaRecord area;
  area.SetRect(TRect{1, 2, 3, 2}); // the three pixels of 3000 ... as a one-row area: empty
  std::int32_t average = 6553;     // raw average measured last: 10 % of the range
  const std::optional<QString> text = TelemetryText(t, area, false, TStatisticsSettings{}, average);
  ASSERT_TRUE(text);
  const QStringList lines = text->split('\r', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2);
  for (int n = 0; n < 2; ++n) {
    const QStringList fields = lines[n].split('\t');
    ASSERT_EQ(fields.size(), 9) << lines[n].toStdString();
    EXPECT_EQ(fields.mid(1).join('|'),
              QString("-1,00|2,00|0,50|7|8|9|10|") + (n == 0 ? QString("10,00") : QString("20,00")))
        << lines[n].toStdString();
  }
  EXPECT_EQ(lines[0].split('\t')[0], "0");
  EXPECT_EQ(t.FFrameIndex, 2) << "the thermogram is left on the last frame";

  // A frame without the marker pixels 0 and 65535 carries no telemetry.
  t.FRaw[1] = 65534;
  EXPECT_FALSE(TelemetryText(t, area, false, TStatisticsSettings{}, average));
}

} // namespace
} // namespace calidarix
