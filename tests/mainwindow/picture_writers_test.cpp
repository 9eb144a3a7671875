// The JPEG, GIF and BMP writers: what they write reads back as the picture given, and readers that no
// one here wrote accept it.

#include "mainwindow/bmp_writer.h"
#include "mainwindow/gif_writer.h"
#include "mainwindow/jpeg_writer.h"

#include "tests/mainwindow/external_tools.h"
#include "tests/support/test_support.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <filesystem>

namespace calidarix {
namespace {

using test::QPath;
using test::RunTool;
using test::TempDir;

// A colourful 24-bit picture of an odd size, so row padding matters.
QImage Sample(int w = 123, int h = 45) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.setPixel(x, y, qRgb(x * 2 % 256, y * 5 % 256, (x + y) % 256));
  QPainter painter(&image);
  painter.fillRect(10, 10, 30, 20, Qt::red);
  return image;
}

QImage Indexed(int w = 77, int h = 31) {
  QImage image(w, h, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int i = 0; i < 256; ++i)
    table << qRgb(i, 255 - i, (i * 7) % 256);
  image.setColorTable(table);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.scanLine(y)[x] = static_cast<uchar>((x * 3 + y) % 256);
  return image;
}

// Largest and mean difference of any channel between two pictures of one size.
struct Difference {
  int Max = 0;
  double Mean = 0.0;
};
Difference Compare(const QImage &a, const QImage &b) {
  Difference d;
  long long sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      for (int c :
           {std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))}) {
        d.Max = std::max(d.Max, c);
        sum += c;
      }
    }
  d.Mean = static_cast<double>(sum) / (3.0 * a.width() * a.height());
  return d;
}

TEST(PictureWriters, WrittenFilesReadBackAsThePictureGiven) {
  TempDir dir;
  const QImage picture = Sample();
  const QString jpeg = QPath(dir.file("p.jpg"));
  const QString jpegLow = QPath(dir.file("low.jpg"));
  const QString bmp = QPath(dir.file("p.bmp"));
  const QString gif = QPath(dir.file("p.gif"));
  ASSERT_TRUE(WriteJpeg(picture, 100, jpeg));
  ASSERT_TRUE(WriteJpeg(picture, 50, jpegLow));
  ASSERT_TRUE(WriteBmp(picture, bmp));
  ASSERT_TRUE(WriteGif(Indexed(), gif));

  const QImage fromBmp(bmp);
  ASSERT_EQ(fromBmp.size(), picture.size());
  EXPECT_EQ(Compare(fromBmp, picture).Max, 0);

  const QImage fromJpeg(jpeg);
  ASSERT_EQ(fromJpeg.size(), picture.size());
  EXPECT_FALSE(fromJpeg.isGrayscale());
  EXPECT_LT(Compare(fromJpeg, picture).Mean, 4.0); // quality 100: close, not exact
  EXPECT_LT(std::filesystem::file_size(dir.file("low.jpg")), std::filesystem::file_size(dir.file("p.jpg")));

  const QImage fromGif(gif);
  ASSERT_EQ(fromGif.size(), Indexed().size());
  EXPECT_EQ(Compare(fromGif, Indexed().convertToFormat(QImage::Format_RGB32)).Max, 0);
}

TEST(PictureWriters, ABmpIs24BitsUncompressed) {
  const QByteArray bytes = EncodeBmp(Sample(5, 3));
  ASSERT_GE(bytes.size(), 54);
  EXPECT_EQ(bytes.left(2), "BM");
  EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24u); // bits per pixel
  EXPECT_EQ(static_cast<unsigned char>(bytes[30]), 0u);  // BI_RGB
}

TEST(PictureWriters, FailuresAreReportedAndLeaveTheOldFile) {
  TempDir dir;
  const QString name = QPath(dir.file("keep.jpg"));
  test::WriteText(dir.file("keep.jpg"), "old");
  const struct {
    const char *what;
    IoResult result;
  } cases[] = {
      {"empty jpeg", WriteJpeg(QImage(), 100, name)},
      {"empty bmp", WriteBmp(QImage(), name)},
      {"gif of a 32-bit picture", WriteGif(Sample(), name)},
      {"gif of nothing", WriteGif(QImage(), name)},
  };
  for (const auto &c : cases) {
    EXPECT_FALSE(c.result) << c.what;
    EXPECT_TRUE(c.result.message.contains(name)) << c.result.message.toStdString();
  }
  EXPECT_EQ(test::ReadText(dir.file("keep.jpg")), "old");
  const IoResult noFolder = WriteJpeg(Sample(), 100, QPath(dir.file("missing/p.jpg")));
  EXPECT_FALSE(noFolder);
  EXPECT_FALSE(std::filesystem::exists(dir.file("missing/p.jpg")));
}

TEST(PictureWriters, ImageMagickReadsTheJpegGifAndBmp) {
  TempDir dir;
  ASSERT_TRUE(WriteJpeg(Sample(), 100, QPath(dir.file("p.jpg"))));
  ASSERT_TRUE(WriteGif(Indexed(), QPath(dir.file("p.gif"))));
  ASSERT_TRUE(WriteBmp(Sample(), QPath(dir.file("p.bmp"))));
  const struct {
    const char *file;
    const char *expected;
  } cases[] = {{"p.jpg", "JPEG 123x45"}, {"p.gif", "GIF 77x31"}, {"p.bmp", "BMP3 123x45"}};
  for (const auto &c : cases) {
    const test::ToolRun run = RunTool(QStringLiteral("identify"), {QPath(dir.file(c.file))});
    if (!run.Installed)
      GTEST_SKIP() << "ImageMagick's identify is not installed";
    EXPECT_EQ(run.ExitCode, 0) << run.Output.toStdString();
    EXPECT_TRUE(run.Output.contains(QString::fromLatin1(c.expected))) << run.Output.toStdString();
  }
  const test::ToolRun bmp =
      RunTool(QStringLiteral("identify"),
              {QStringLiteral("-format"), QStringLiteral("%z %C"), QPath(dir.file("p.bmp"))});
  EXPECT_EQ(bmp.Output.trimmed(), QStringLiteral("8 None")) << bmp.Output.toStdString();
}

} // namespace
} // namespace calidarix
