#include "mainwindow/picture_export.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(PictureExport, FilmFrameNames) {
  using P = TPictureType;
  const int time = (9 * 60 + 5) * 60 + 7;
  const struct {
    const char *chosen;
    P type;
    int seconds;
    int frame;
    const char *name;
  } cases[] = {
      {"/r/film.jpg", P::JpegHigh, time, 7, "/r/film-09_05_07-0007.jpg"},
      {"/r/film.jpg", P::JpegLow, time, 12345, "/r/film-09_05_07-12345.jpg"},
      {"/r/film.bmp", P::Bmp, time, 2, "/r/film-09_05_07-0002.jpg"}, // the metro report is a JPEG
      {"/r/film.gif", P::Gif, time, 3, "/r/film0003.gif"},
      {"/r/film.png", P::Png16, time, 4, "/r/film-09_05_07-0004.png"},
      {"/r/film.jpeg", P::JpegHigh, 0, 1, "/r/film-00_00_00-0001.jpg"},
      {"/r.d/film", P::JpegHigh, 86400 + 1, 1, "/r.d/film-00_00_01-0001.jpg"}, // no extension; time of day
      {"/r/.hidden", P::Gif, 0, 1, "/r/.hidden0001.gif"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(FilmFramePictureName(QString::fromUtf8(c.chosen), c.type, c.seconds, c.frame),
              QString::fromUtf8(c.name))
        << c.chosen;
}

TEST(PictureExport, FilterEntries) {
  EXPECT_EQ(PictureFilter().split(QLatin1Char('|')).size(), 10);
  EXPECT_EQ(PictureTypeOf(4), TPictureType::Gif);
  EXPECT_EQ(PictureTypeOf(0), TPictureType::JpegHigh);
  EXPECT_EQ(PictureTypeOf(6), TPictureType::JpegHigh);
  EXPECT_EQ(JpegQuality(TPictureType::JpegHigh), 100);
  EXPECT_EQ(JpegQuality(TPictureType::JpegLow), 50);
}

} // namespace
} // namespace calidarix
