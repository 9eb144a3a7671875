// Test figures of a camera on the main window: noise against a reference file and between rows, the
// three-area resolution ratio and the squared difference of the two bands.

#include "mainwindow/ui/main_window.h"

#include "analysis/figures.h"
#include "mainwindow/ui/dialogs.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QLabel>

#include <array>
#include <memory>
#include <optional>

namespace calidarix {

bool AreaSumMode = false;

void TCalidarix::NoiseVsReference() {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  const TRect region = FMarkers.FCurrentArea.IsEmpty() ? TRect{0, 0, dtv.Width() - 1, dtv.Height() - 1}
                                                       : FMarkers.FCurrentArea.Rect();
  if (region.Right < region.Left || region.Bottom < region.Top)
    return;
  OpenDialogRequest request;
  request.Title = QStringLiteral("Reference thermogram");
  request.Folder = FOpenDirectory;
  request.Filter = QStringLiteral("DTV - files|*.dtv");
  request.DefaultSuffix = QStringLiteral("dtv");
  const QStringList files = FDialogs->OpenFiles(this, request);
  if (files.isEmpty())
    return;
  if (!BandDTV812)
    BandDTV812 = std::make_unique<TDTV>();
  const IoResult read = BandDTV812->LoadFromFile(files.front(), 1);
  if (!read) {
    MeasureNotice(QStringLiteral("Noise: ") + read.message);
    return;
  }
  if (BandDTV812->Width() != dtv.Width() || BandDTV812->Height() != dtv.Height()) {
    MeasureNotice(QStringLiteral("Noise: the reference is %1 x %2 pixels, this thermogram %3 x %4")
                      .arg(BandDTV812->Width())
                      .arg(BandDTV812->Height())
                      .arg(dtv.Width())
                      .arg(dtv.Height()));
    return;
  }
  if (const std::optional<TNoiseFigure> figure = NoiseAgainstReference(dtv, *BandDTV812, region)) {
    AnswerLabel->setText(NoiseText(*figure, 3));
    AnswerLabel->show();
  }
}

void TCalidarix::RowNoise(int r) {
  if (!CurrentDTV)
    return;
  if (const std::optional<TNoiseFigure> figure = RowNoiseFigure(*CurrentDTV, r)) {
    AnswerLabel->setText(NoiseText(*figure, 5));
    AnswerLabel->show();
  }
}

void TCalidarix::ShowResolutionRatio() {
  if (!CurrentDTV || FMarkers.FAreas.size() < 3)
    return;
  const TDTV &dtv = *CurrentDTV;
  std::array<double, 3> t{};
  for (std::size_t i = 0; i < 3; ++i) {
    TAreaRecord &area = FMarkers.FAreas[i];
    CountArray(area, true);
    t[i] = dtv.RawToTemperature(i < 2 ? FMeasure.FAreaRawAvg : FMeasure.FAreaRawMax);
  }
  const std::optional<double> ratio = ResolutionRatio(t[0], t[1], t[2]);
  if (!ratio) {
    // The first two areas give no contrast to compare with.
    FMeasure.FResolutionText = QStringLiteral("Res:-");
  } else {
    if (*ratio > 0.7)
      QApplication::beep();
    FMeasure.FResolutionText = QStringLiteral("Res:") + QString::fromStdString(FixedText(*ratio, 2));
  }
  ImagePB->update();
}

void TCalidarix::BuildDifferenceImage() {
  if (!CurrentDTV || !BandDTV812)
    return;
  if (!calidarix::BuildDifferenceImage(*CurrentDTV, *BandDTV812))
    return;
  ImagePBPaint(this);
  ScalePBPaint(this);
}

} // namespace calidarix
