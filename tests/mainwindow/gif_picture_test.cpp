#include "mainwindow/gif_picture.h"

#include "tests/support/thermogram_fixture.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

class GifPicture : public test::ThermogramTest {
protected:
  void SetUp() override {
    test::ThermogramTest::SetUp();
    test::SetFrame(dtv, 256, 248, [](int x, int y) { return (x * 256 + y * 7) % 65536; });
    dtv.SetAspect(256.0 / 216.0);
    for (int i = 0; i < 256; ++i)
      dtv.FPalette[static_cast<std::size_t>(i)] = TRGB{
          static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2), static_cast<std::uint8_t>(255 - i)};
    dtv.PalBottom = 0;
    dtv.PalTop = 255;
  }
  TDTV dtv;
};

TEST_F(GifPicture, IsTwiceTheWidthAtTheDisplayAspect) {
  const QImage picture = PalettedGifPicture(dtv);
  ASSERT_FALSE(picture.isNull());
  EXPECT_EQ(picture.size(), QSize(512, 432)); // 512 x 216 div 256
  EXPECT_EQ(picture.format(), QImage::Format_Indexed8);
  EXPECT_EQ(picture.colorCount(), 256);
  // The top-left pixel is raw 0, the darkest entry; its colour is the palette's first.
  EXPECT_EQ(picture.pixel(0, 0), qRgb(0, 0, 255));
}

TEST_F(GifPicture, LeavesTheThermogramAsItWas) {
  dtv.FFileName = QStringLiteral("/nowhere/edited.dtv"); // no file to read back from
  const std::vector<std::uint16_t> raw = dtv.FRaw;
  dtv.FRaw[5] = 1234; // an edit made after loading must survive
  const std::vector<std::uint16_t> edited = dtv.FRaw;
  const QImage bitmap(10, 10, QImage::Format_RGB32);
  dtv.FBitmap = bitmap;
  PalettedGifPicture(dtv);
  EXPECT_EQ(dtv.Width(), 256);
  EXPECT_EQ(dtv.Height(), 248);
  EXPECT_EQ(dtv.FRaw, edited);
  EXPECT_EQ(dtv.FBitmap.size(), QSize(10, 10));
  EXPECT_EQ(dtv.FFileName, QStringLiteral("/nowhere/edited.dtv"));
}

TEST_F(GifPicture, OverlayTakesTheNearestPaletteColours) {
  dtv.FPalette[77] = TRGB{0, 0, 0};
  dtv.FPalette[200] = TRGB{255, 255, 255};
  const QImage plain = PalettedGifPicture(dtv);
  ASSERT_TRUE(plain.colorTable().contains(qRgb(0, 0, 0)));
  const QImage picture = PalettedGifPicture(dtv, [](QPainter &p) {
    p.fillRect(4, 4, 3, 3, Qt::black);
    p.fillRect(10, 4, 3, 3, QColor(250, 250, 250));
  });
  EXPECT_EQ(picture.pixel(5, 5), qRgb(0, 0, 0));
  EXPECT_EQ(picture.pixel(11, 5), qRgb(255, 255, 255));
  EXPECT_EQ(picture.pixelIndex(20, 20), plain.pixelIndex(20, 20)); // untouched outside the overlay
}

TEST_F(GifPicture, NoPictureOfAnUnusableFrame) {
  TDTV empty;
  empty.FHeader.Width = 0;
  empty.FRaw.clear();
  EXPECT_TRUE(PalettedGifPicture(empty).isNull());
  TDTV broken;
  broken.FHeader.Width = 10;
  broken.FHeader.Height = 10;
  broken.FRaw.assign(5, 0); // fewer pixels than the header says
  EXPECT_TRUE(PalettedGifPicture(broken).isNull());
}

} // namespace
} // namespace calidarix
