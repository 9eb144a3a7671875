#include "mainwindow/ui/main_window.h"

#include "analysis/markers.h"
#include "mainwindow/ui/thermogram_view.h"
#include "tests/mainwindow/ui/real_view_fixture.h"
#include "tests/mainwindow/ui/shell_fakes.h"
#include "thermogram/builtin_palettes.h"
#include "thermogram/palette_bar.h"
#include "thermogram/palette_render.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace calidarix {
namespace {

QRgb Rgb24(const TRGB &c) {
  return qRgb(c.R, c.G, c.B) & 0xffffff;
}

TPaletteTable Reversed(TPaletteTable table) {
  std::reverse(table.begin(), table.end());
  return table;
}

class PaletteCommands : public test::RealViewWindow {
protected:
  // The window as the program starts it, showing a frame whose left half is at raw 0 and right half
  // at raw 65535.
  TCalidarix &Start() {
    CreateWindow();
    ShowWindow();
    TDTV &dtv = *CurrentDTV;
    dtv.ResetHeader();
    dtv.FHeader.Width = 8;
    dtv.FHeader.Height = 4;
    dtv.FHeader.Scale = 0.01f;
    dtv.FRaw.assign(32, 0);
    for (int y = 0; y < 4; ++y)
      std::fill_n(dtv.FRaw.begin() + y * 8 + 4, 4, std::uint16_t{65535});
    dtv.SetAspect(2.0);
    dtv.UpdateStatistics();
    return *window;
  }

  // The colours the image shows at its cold and its hot half.
  std::pair<QRgb, QRgb> Shown() {
    // Showing panels or processing events may have fitted the frame to the window's own image box.
    window->FitImageLayout(TRect{0, 0, 160, 80}, true);
    QImage picture(160, 80, QImage::Format_RGB32);
    picture.fill(Qt::magenta);
    QPainter painter(&picture);
    window->ImagePBPaintTo(painter, TRect{0, 0, 160, 80}, true);
    painter.end();
    return {picture.pixel(20, 40) & 0xffffff, picture.pixel(140, 40) & 0xffffff};
  }

  static void Press(QWidget *widget) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
  }
};

TEST_F(PaletteCommands, ChoosingASlotFromTheMenuOrTheToolPanelShowsTheImageInThatPalette) {
  TCalidarix &w = Start();
  QStringList items;
  for (QAction *item : w.PalettePopupMenu->actions())
    items << item->objectName() + "=" + item->text();
  EXPECT_EQ(items, QStringList({"RGB1=RGB", "HotMetal1=Hot Metal", "HotBlue1=Hot Blue", "Gray1=Gray",
                                "Infratec1=Infratec", "Agema1=Agema", "rainbow1=Inframetrics", "CMY1=CMY",
                                "Other1=Other...", "AdaptivePalette=Adaptive Palette"}));

  EXPECT_EQ(Shown(), std::make_pair(Rgb24(w.FPalettes[0][0]), Rgb24(w.FPalettes[0][255])));
  w.PalettePopupMenu->findChild<QAction *>("HotMetal1")->trigger();
  EXPECT_EQ(PalNumber, 1);
  EXPECT_EQ(Shown(), std::make_pair(Rgb24(w.FPalettes[1][0]), Rgb24(w.FPalettes[1][255])));
  EXPECT_NE(Rgb24(w.FPalettes[1][255]), Rgb24(w.FPalettes[0][255]))
      << "the two palettes must differ at the hot end";

  // A tool-panel button acts through its caption as through its picture, and the panel closes.
  w.PalToolPanel->show();
  Press(w.findChild<QLabel *>("Pal7NamePanel"));
  EXPECT_EQ(PalNumber, 6);
  EXPECT_EQ(CurrentDTV->FPalette, w.FPalettes[6]);
  EXPECT_EQ(Shown().second, Rgb24(w.FPalettes[6][255]));
  EXPECT_FALSE(w.PalToolPanel->isVisible());
  w.PalToolPanel->show();
  Press(w.findChild<QLabel *>("Pal4Image"));
  EXPECT_EQ(PalNumber, 3);
  EXPECT_EQ(CurrentDTV->FPalette, w.FPalettes[3]);

  // With the isotherm band shown a slot becomes the isotherm palette; the image palette stays.
  w.PalToolPanel->show();
  Press(w.findChild<QLabel *>("PalIsoNamePanel"));
  ASSERT_TRUE(CurrentDTV->isIso);
  EXPECT_EQ(w.PalBottomPanel->palette().color(QPalette::Window), QColor(255, 255, 0));
  w.PalChange(2);
  EXPECT_EQ(IsoNumber, 2);
  EXPECT_EQ(CurrentDTV->FIsoPalette, w.FPalettes[2]);
  EXPECT_FALSE(isIsoInverted);
  EXPECT_EQ(PalNumber, 3);
  EXPECT_EQ(CurrentDTV->FPalette, w.FPalettes[3]);

  // Numbers that name no slot change nothing.
  for (int slot : {-1, 9, 255}) {
    w.PalChange(slot);
    EXPECT_EQ(IsoNumber, 2) << slot;
    EXPECT_EQ(CurrentDTV->FIsoPalette, w.FPalettes[2]) << slot;
  }
}

TEST_F(PaletteCommands, ReversingAndComplementingTwiceRestorePalettesAndFlags) {
  TCalidarix &w = Start();
  struct Case {
    const char *how;
    bool band;
    bool reverses;     // else complements
    bool imageChanges; // the image palette changes
    bool isoChanges;   // the isotherm palette changes
  };
  const Case cases[] = {
      {"PalRotateAction", false, true, true, true},         {"PalRotateAction", true, true, false, true},
      {"PalInvertAction", false, false, true, false},       {"PalInvertAction", true, false, false, true},
      {"double click on the bar", false, true, true, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.how) + (c.band ? " in the band" : ""));
    w.PalChange(1);
    CurrentDTV->isIso = c.band;
    const TPaletteTable image = w.FPalette;
    const TPaletteTable iso = w.FIsoPalette;
    const bool palFlag = isPalInverted;
    const bool isoFlag = isIsoInverted;
    const auto run = [&] {
      if (c.how[0] == 'P') {
        w.findChild<QAction *>(c.how)->trigger();
      } else {
        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(3, 3), w.PalPB->mapToGlobal(QPointF(3, 3)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.PalPB, &click);
      }
    };

    run();
    TPaletteTable changed = image;
    if (c.imageChanges) {
      if (c.reverses)
        changed = Reversed(image);
      else
        for (TRGB &e : changed)
          e = TRGB{static_cast<std::uint8_t>(255 - e.R), static_cast<std::uint8_t>(255 - e.G),
                   static_cast<std::uint8_t>(255 - e.B)};
    }
    EXPECT_EQ(w.FPalette, changed);
    EXPECT_EQ(CurrentDTV->FPalette, changed);
    EXPECT_EQ(w.FIsoPalette == iso, !c.isoChanges);
    EXPECT_EQ(CurrentDTV->FIsoPalette, w.FIsoPalette);
    EXPECT_EQ(isPalInverted != palFlag, c.imageChanges);
    EXPECT_EQ(isIsoInverted != isoFlag, c.isoChanges);
    EXPECT_FALSE(isPalRotated || isIsoRotated);
    if (!c.band) {
      EXPECT_EQ(Shown(), std::make_pair(Rgb24(changed[0]), Rgb24(changed[255])));
    }

    run();
    EXPECT_EQ(w.FPalette, image);
    EXPECT_EQ(w.FIsoPalette, iso);
    EXPECT_EQ(CurrentDTV->FPalette, image);
    EXPECT_EQ(CurrentDTV->FIsoPalette, iso);
    EXPECT_EQ(isPalInverted, palFlag);
    EXPECT_EQ(isIsoInverted, isoFlag);
  }
}

TEST_F(PaletteCommands, PosterizingDoublesItsGroupsUntilTheNextSlotChangeAndTheRampFollows) {
  TCalidarix &w = Start();
  w.PalChange(3); // the grey ramp
  ASSERT_EQ(w.FPalette, GreyRamp());
  w.FSidecarSaved = true;
  w.PalPosterize();
  for (int k = 0; k <= 126; ++k) {
    const std::uint8_t v = static_cast<std::uint8_t>(2 * k);
    EXPECT_EQ(w.FPalette[static_cast<std::size_t>(2 * k)], (TRGB{v, v, v})) << k;
    EXPECT_EQ(w.FPalette[static_cast<std::size_t>(2 * k + 1)], (TRGB{v, v, v})) << k;
  }
  EXPECT_EQ(w.FPalette[254], (TRGB{254, 254, 254}));
  EXPECT_EQ(w.FPalette[255], (TRGB{255, 255, 255}));
  EXPECT_EQ(CurrentDTV->FPalette, w.FPalette);
  EXPECT_TRUE(w.FSidecarSaved) << "posterizing does not ask for the sidecar to be written";

  for (int i = 0; i < 5; ++i)
    w.PalPosterize();
  const TPaletteTable sixth = w.FPalette;
  EXPECT_EQ(PosterizeStep, 64);
  EXPECT_EQ(std::count(sixth.begin(), sixth.end(), sixth[0]), 64);
  EXPECT_NE(sixth[63], sixth[64]);
  w.PalPosterize();
  EXPECT_EQ(w.FPalette, sixth);
  EXPECT_EQ(Shown().second, Rgb24(sixth[255]));

  w.PalChange(3);
  EXPECT_EQ(PosterizeStep, 1);
  EXPECT_FALSE(w.FSidecarSaved);
  w.PalPosterize();
  EXPECT_EQ(w.FPalette[0], w.FPalette[1]);
  EXPECT_NE(w.FPalette[1], w.FPalette[2]);

  w.PalChange(3);
  w.BuildPaletteRamp();
  EXPECT_EQ(w.FPalette[0], (TRGB{255, 255, 255}));
  EXPECT_EQ(w.FPalette[79], (TRGB{82, 82, 82}));
  EXPECT_EQ(w.FPalette[80], (TRGB{80, 80, 80}));
  EXPECT_EQ(CurrentDTV->FPalette, w.FPalette);
}

TEST_F(PaletteCommands, ThePaletteTimerCyclesUntilItIsStoppedAndBackwardStepsUndoIt) {
  TCalidarix &w = Start();
  // Every entry different, so that the rotation can be read off.
  TPaletteTable distinct;
  for (int i = 0; i < 256; ++i)
    distinct[static_cast<std::size_t>(i)] = TRGB{
        static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i / 2)};
  w.UseEditorPalette(distinct);
  ASSERT_EQ(PalNumber, 8);
  ASSERT_EQ(w.FPalette, distinct);
  EXPECT_FALSE(w.PalTimer->isActive());
  EXPECT_EQ(w.PalTimer->interval(), 40);

  w.TogglePalTimer(true);
  ASSERT_TRUE(w.PalTimer->isActive());
  QElapsedTimer clock;
  clock.start();
  while (w.FPalette == distinct && clock.elapsed() < 5000)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  w.TogglePalTimer(true);
  EXPECT_FALSE(w.PalTimer->isActive());

  // Forward: entry 0 now holds a later entry.
  const auto at = std::find(distinct.begin(), distinct.end(), w.FPalette[0]);
  const int steps = static_cast<int>(at - distinct.begin());
  ASSERT_GT(steps, 0);
  TPaletteTable expected = distinct;
  std::rotate(expected.begin(), expected.begin() + steps, expected.end());
  EXPECT_EQ(w.FPalette, expected);
  EXPECT_EQ(CurrentDTV->FPalette, expected);
  EXPECT_EQ(Shown().first, Rgb24(expected[0]));
  for (int i = 0; i < steps; ++i)
    w.PalCycle(false);
  EXPECT_EQ(w.FPalette, distinct);
}

TEST_F(PaletteCommands, TheAdaptivePaletteFollowsTheHistogramAndLeavesAnEmptyFrameAlone) {
  TCalidarix &w = Start();
  // Every pixel in the lowest bin: the whole palette is the run from black to magenta.
  std::fill(CurrentDTV->FRaw.begin(), CurrentDTV->FRaw.end(), std::uint16_t{100});
  w.AdaptivePalette->trigger();
  EXPECT_EQ(w.FPalette[0], (TRGB{0, 0, 0}));
  EXPECT_EQ(w.FPalette[255], (TRGB{255, 0, 255}));
  EXPECT_EQ(CurrentDTV->FPalette, w.FPalette);
  EXPECT_EQ(PalNumber, 0) << "the slot does not change";

  const TPaletteTable before = w.FPalette;
  CurrentDTV->FHeader.Width = 0;
  CurrentDTV->FHeader.Height = 0;
  CurrentDTV->FRaw.clear();
  w.AdaptivePaletteClick();
  EXPECT_EQ(w.FPalette, before);
  EXPECT_EQ(CurrentDTV->FPalette, before);
}

TEST_F(PaletteCommands, TheBandSwitchUnderTheBarAndSlotNumbersFromFiles) {
  TCalidarix &w = Start();
  w.FSidecarSaved = true;
  // The panel and its labels switch the band without asking for the sidecar to be written.
  for (const char *name : {"PalBottomPanel", "Label8", "PalEndLabel"}) {
    const bool before = CurrentDTV->isIso;
    Press(w.findChild<QWidget *>(name));
    EXPECT_NE(CurrentDTV->isIso, before) << name;
  }
  EXPECT_TRUE(w.FSidecarSaved);
  ASSERT_TRUE(CurrentDTV->isIso);
  w.PalIsoPanelClick();
  EXPECT_FALSE(CurrentDTV->isIso);
  EXPECT_FALSE(w.FSidecarSaved);

  // Slot numbers a file gives are used only when they name a slot.
  w.UsePaletteSlots(5, 2);
  EXPECT_EQ(PalNumber, 5);
  EXPECT_EQ(IsoNumber, 2);
  EXPECT_EQ(CurrentDTV->FPalette, w.FPalettes[5]);
  EXPECT_EQ(CurrentDTV->FIsoPalette, w.FPalettes[2]);
  w.UsePaletteSlots(9, -1);
  EXPECT_EQ(PalNumber, 0);
  EXPECT_EQ(IsoNumber, 3);
  EXPECT_EQ(CurrentDTV->FPalette, w.FPalettes[0]);
  EXPECT_EQ(CurrentDTV->FIsoPalette, w.FPalettes[3]);
}

// The bar lays out the window's 256 colours from bottom to top, stretched to the bar's height: each
// pixel is exactly what drawing the palette as an indexed column gives, for windows, isotherm modes
// and heights that stretch the column unevenly.
TEST_F(PaletteCommands, ThePaletteBarShowsThePalettesColoursAsAnIndexedColumnWould) {
  TCalidarix &w = Start();
  TDTV &dtv = *CurrentDTV;
  const struct {
    std::uint8_t bottom, top;
    bool iso;
    QSize size;
  } cases[] = {
      {0, 255, false, QSize(20, 434)}, {40, 200, false, QSize(20, 100)}, {10, 90, true, QSize(13, 777)},
      {0, 255, true, QSize(20, 256)},  {128, 129, false, QSize(7, 543)},
  };
  for (const auto &c : cases) {
    dtv.PalBottom = c.bottom;
    dtv.PalTop = c.top;
    dtv.IsoBottom = c.bottom;
    dtv.IsoTop = c.top;
    dtv.isIso = c.iso;
    const TRect bar{0, 0, c.size.width(), c.size.height()};
    QImage shown(c.size, QImage::Format_RGB32);
    shown.fill(Qt::magenta);
    {
      QPainter painter(&shown);
      w.PalPBPaintTo(painter, bar);
    }
    const QList<QRgb> colours =
        MakeLogicalPalette(w.FPalette, w.FIsoPalette, dtv.PalBottom, dtv.PalTop, dtv.IsoBottom, dtv.IsoTop,
                           dtv.isIso, dtv.isIsoColor, dtv.isIsoAuto);
    QImage column(1, 256, QImage::Format_Indexed8);
    column.setColorTable(colours);
    for (int i = 0; i < 256; ++i)
      column.scanLine(i)[0] = static_cast<uchar>(255 - i);
    QImage expected(c.size, QImage::Format_RGB32);
    expected.fill(Qt::magenta);
    {
      QPainter painter(&expected);
      painter.drawImage(QRect(QPoint(0, 0), c.size), column);
    }
    // The window's lines are drawn over the colours; compare the rows without them.
    const TPaletteLines lines = PaletteWindowLines(bar, PaletteBytesOf(dtv), dtv.isIso);
    int compared = 0;
    for (int y = 0; y < c.size.height(); ++y) {
      if ((lines.HasLower && y == lines.LowerY) || (lines.HasUpper && y == lines.UpperY))
        continue;
      ++compared;
      for (int x = 0; x < c.size.width(); ++x)
        ASSERT_EQ(shown.pixel(x, y), expected.pixel(x, y)) << x << "," << y << " of " << c.size.height();
    }
    EXPECT_GE(compared, c.size.height() - 2);
  }
}

} // namespace
} // namespace calidarix
