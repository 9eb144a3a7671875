#include "thermogram/formats/decoded_frame.h"

#include "thermogram/thermogram_globals.h"

#include <utility>

namespace calidarix {

std::optional<std::uint16_t> FrameSide(std::uint64_t value) {
  if (value < 1 || value > 65535) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

IoResult FrameSizeError(const QString &fileName) {
  return IoResult::Error(QStringLiteral("The frame size in \"%1\" is not valid").arg(fileName));
}

IoResult CheckFrameBudget(const QString &fileName, std::uint64_t width, std::uint64_t height) {
  if (width * height > FramePixelBudget) {
    return IoResult::Error(QStringLiteral("The frame of \"%1\" (%2 x %3 pixels) is too large to load")
                               .arg(fileName)
                               .arg(width)
                               .arg(height));
  }
  return IoResult::Ok();
}

void InstallFrame(TDTV &dtv, DecodedFrame &&frame) {
  dtv.FHeader = ResetHeaderValues();
  dtv.FFrameRec = TFilmFrameRecord{};
  dtv.FScanReconstructed = false;
  dtv.FAspectFromAngles = false;
  dtv.FHeader.Width = frame.Width;
  dtv.FHeader.Height = frame.Height;
  dtv.FRaw = std::move(frame.Raw);
  dtv.FIsoPoints.clear(); // traced on the frame just replaced
  dtv.UpdateStatistics();
}

void InstallFileFrame(TDTV &dtv, const QString &fileName, DecodedFrame &&frame) {
  dtv.FFileName = fileName;
  InstallFrame(dtv, std::move(frame));
  dtv.SetAspect(static_cast<double>(dtv.FHeader.Width) / dtv.FHeader.Height);
}

} // namespace calidarix
