#include "acquisition/video_capture.h"

#include "thermogram/palette_commands.h"
#include "thermogram/tdtv.h"

#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include <limits>

namespace calidarix {

namespace {

// JPEG quality the encoder library uses when it is given none.
constexpr int kJpegDefaultQuality = 75;

struct VideoUnit {
  std::unique_ptr<VideoBackend> Backend;
  bool Active = false;
  QImage FrameBitmap;
  std::vector<VideoFormat> Listed;
};

VideoUnit &Unit() {
  static VideoUnit unit;
  return unit;
}

VideoBackend &Backend() {
  VideoUnit &unit = Unit();
  if (!unit.Backend)
    unit.Backend = MakeV4l2VideoBackend(VideoDeviceFolder());
  return *unit.Backend;
}

void SetError(QString *error, const QString &text) {
  if (error)
    *error = text;
}

} // namespace

std::filesystem::path VideoDeviceFolder() {
  const QByteArray folder = qgetenv("CALIDARIX_VIDEO_DEVICES");
  return folder.isEmpty() ? std::filesystem::path("/dev") : std::filesystem::path(folder.toStdString());
}

void UseVideoBackend(std::unique_ptr<VideoBackend> backend) {
  VideoStop();
  Unit().Backend = std::move(backend);
}

void ResetVideoCapture() {
  VideoStop();
  VideoUnit &unit = Unit();
  unit.Backend.reset();
  unit.FrameBitmap = QImage();
}

bool VideoActive() {
  return Unit().Active;
}

bool VideoStart(int deviceIndex, QString *error) {
  VideoUnit &unit = Unit();
  if (unit.Active) {
    SetError(error, QStringLiteral("video is already running"));
    return false;
  }
  const QStringList names = Backend().DeviceNames();
  if (names.isEmpty()) {
    SetError(error, QStringLiteral("no video device"));
    return false;
  }
  if (deviceIndex < 0 || deviceIndex >= names.size()) {
    SetError(error, QStringLiteral("there is no video device number %1").arg(deviceIndex));
    return false;
  }
  QString reason;
  if (!Backend().Open(deviceIndex, &reason)) {
    SetError(error, reason.isEmpty() ? QStringLiteral("the video device cannot be opened") : reason);
    return false;
  }
  unit.Active = true;
  unit.Listed.clear();
  return true;
}

void VideoStop() {
  VideoUnit &unit = Unit();
  if (!unit.Active)
    return;
  unit.Backend->Close();
  unit.Active = false;
  unit.Listed.clear();
}

bool GrabVideoFrame() {
  VideoUnit &unit = Unit();
  if (!unit.Active)
    return false;
  QImage frame;
  if (!unit.Backend->LatestFrame(frame) || frame.isNull())
    return false;
  unit.FrameBitmap =
      frame.format() == QImage::Format_RGB888 ? frame : frame.convertToFormat(QImage::Format_RGB888);
  return true;
}

const QImage &VideoFrameBitmap() {
  return Unit().FrameBitmap;
}

IoResult SaveVideoFrameJPEG(const QString &fileName) {
  if (!VideoActive())
    return IoResult::Error(QStringLiteral("Video is not running"));
  if (!GrabVideoFrame())
    return IoResult::Error(QStringLiteral("The video device has delivered no frame yet"));
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly))
    return IoResult::Error(QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString()));
  QImageWriter writer(&file, "jpeg");
  writer.setQuality(kJpegDefaultQuality);
  if (!writer.write(VideoFrameBitmap())) {
    file.cancelWriting();
    return IoResult::Error(QStringLiteral("Cannot write %1: %2").arg(fileName, writer.errorString()));
  }
  if (!file.commit())
    return IoResult::Error(QStringLiteral("Cannot write %1: %2").arg(fileName, file.errorString()));
  return IoResult::Ok();
}

bool GrabVideoToImage(TDTV &thermogram) {
  if (!GrabVideoFrame())
    return false;
  const QImage &frame = VideoFrameBitmap();
  const int w = frame.width();
  const int h = frame.height();
  // The header holds 16-bit sides.
  if (w > std::numeric_limits<std::uint16_t>::max() || h > std::numeric_limits<std::uint16_t>::max())
    return false;
  if (w != thermogram.Width() || h != thermogram.Height()) {
    thermogram.FHeader.Width = static_cast<std::uint16_t>(w);
    thermogram.FHeader.Height = static_cast<std::uint16_t>(h);
    thermogram.SetAspect(static_cast<double>(w) / h);
    thermogram.FRaw.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  }
  std::uint16_t *out = thermogram.FRaw.data();
  for (int y = 0; y < h; ++y) {
    const uchar *p = frame.constScanLine(y);
    for (int x = 0; x < w; ++x, p += 3)
      *out++ = static_cast<std::uint16_t>((p[0] + p[1] + p[2]) / 3 * 257);
  }
  return true;
}

QStringList ListVideoDevices() {
  return Backend().DeviceNames();
}

std::vector<VideoFormat> ListedVideoFormats(const std::vector<VideoFormat> &formats) {
  std::vector<VideoFormat> listed;
  for (const VideoFormat &f : formats)
    if (f.BitsPerPixel == 16 || f.BitsPerPixel == 24)
      listed.push_back(f);
  return listed;
}

QString VideoFormatText(const VideoFormat &format) {
  const std::int64_t fps = format.FrameTime100ns > 0 ? 10000000 / format.FrameTime100ns : 0;
  return QStringLiteral("%1x%2 %3").arg(format.Width).arg(format.Height).arg(fps);
}

QStringList ListVideoFormats() {
  VideoUnit &unit = Unit();
  if (!unit.Active)
    return {};
  unit.Listed = ListedVideoFormats(unit.Backend->Formats());
  QStringList texts;
  for (const VideoFormat &f : unit.Listed)
    texts << VideoFormatText(f);
  return texts;
}

bool SetVideoFormat(int index, QString *error) {
  VideoUnit &unit = Unit();
  if (!unit.Active) {
    SetError(error, QStringLiteral("video is not running"));
    return false;
  }
  if (index < 0 || static_cast<std::size_t>(index) >= unit.Listed.size()) {
    SetError(error, QStringLiteral("there is no video format number %1").arg(index));
    return false;
  }
  return unit.Backend->SetFormat(unit.Listed[static_cast<std::size_t>(index)], error);
}

double VideoFormatAspect(int index) {
  const VideoUnit &unit = Unit();
  if (!unit.Active || index < 0 || static_cast<std::size_t>(index) >= unit.Listed.size())
    return kDefaultVideoAspect;
  const VideoFormat &f = unit.Listed[static_cast<std::size_t>(index)];
  if (f.Width <= 0 || f.Height <= 0)
    return kDefaultVideoAspect;
  return static_cast<double>(f.Width) / f.Height;
}

std::vector<VideoControl> VideoControls() {
  if (!VideoActive())
    return {};
  return Unit().Backend->Controls();
}

bool SetVideoControl(std::uint32_t id, int value) {
  if (!VideoActive())
    return false;
  return Unit().Backend->SetControl(id, value);
}

QRect DrawVideoFrame(QPainter &painter, const QRect &target, const QImage &frame, bool fillBars) {
  const TRect t{target.left(), target.top(), target.left() + target.width(), target.top() + target.height()};
  const std::optional<VideoFit> fit = FitVideoFrame(t, frame.width(), frame.height());
  if (!fit)
    return {};
  const auto rect = [](const TRect &r) { return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top); };
  if (fillBars) {
    painter.fillRect(rect(fit->Bar1), Qt::black);
    painter.fillRect(rect(fit->Bar2), Qt::black);
  }
  const QRect frameRect = rect(fit->Frame);
  painter.drawImage(frameRect, frame);
  return frameRect;
}

} // namespace calidarix
