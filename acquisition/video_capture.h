#pragma once
// Visible-light video: one capture device at a time, its current frame, its formats and controls.
//
// The routines below keep the state of the one video source of the run (as the main window expects:
// `VideoActive`, `VideoFrameBitmap`, the formats listed last). They run on the GUI thread; the device
// backend may capture on a thread of its own and hands over whole frames. Every routine does nothing
// (and returns false, an empty list or the documented fallback) while video is not active.
//
// Devices come from a backend: the V4L2 one (libv4l2, which converts every camera format to RGB24) by
// default, a fake in tests (UseVideoBackend).

#include "thermogram/io_result.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

class QPainter;

namespace calidarix {

class TDTV;

// One capture format of a device: a pixel layout, a frame size and a frame rate.
struct VideoFormat {
  std::uint32_t PixelFormat = 0; // the device's own four-character code
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 0;                  // of the device's own layout (MJPEG counts as 24)
  std::int64_t FrameTime100ns = 0;       // average time per frame in units of 100 ns; 0: not known
  std::uint32_t IntervalNumerator = 0;   // the frame interval as the device gives it, in seconds
  std::uint32_t IntervalDenominator = 0; // (0 / 0: not known)
};

// One adjustable setting of a device (brightness, contrast, ...).
struct VideoControl {
  enum class Kind { Integer, Boolean, Menu };
  std::uint32_t Id = 0;
  QString Name;
  Kind Type = Kind::Integer;
  int Minimum = 0;
  int Maximum = 0;
  int Step = 1;
  int Default = 0;
  int Value = 0;
  QStringList MenuItems; // Menu: the entry names, index Minimum + i; empty entries are not offered
};

// The capture devices of one platform.
class VideoBackend {
public:
  virtual ~VideoBackend() = default;
  // The names of the capture devices, in the order their indices count.
  virtual QStringList DeviceNames() = 0;
  // Opens a device and starts capturing in its current format. False with the reason on failure.
  virtual bool Open(int deviceIndex, QString *error) = 0;
  virtual void Close() = 0;
  // Every capture format of the open device.
  virtual std::vector<VideoFormat> Formats() = 0;
  // Switches the open device to a format (capture stops and starts again). False when refused.
  virtual bool SetFormat(const VideoFormat &format, QString *error) = 0;
  // The newest frame captured (24-bit RGB); false while none has arrived yet.
  virtual bool LatestFrame(QImage &frame) = 0;
  virtual std::vector<VideoControl> Controls() = 0;
  virtual bool SetControl(std::uint32_t id, int value) = 0;
};

// The V4L2 devices "video*" in `deviceFolder`.
std::unique_ptr<VideoBackend> MakeV4l2VideoBackend(const std::filesystem::path &deviceFolder);
// The folder of the video devices: CALIDARIX_VIDEO_DEVICES when set (the test runs point it at a folder
// without devices), else "/dev".
std::filesystem::path VideoDeviceFolder();

// Replaces the backend (stopping video first); tests give a fake. ResetVideoCapture stops video and
// returns to the V4L2 backend.
void UseVideoBackend(std::unique_ptr<VideoBackend> backend);
void ResetVideoCapture();

// Aspect of every answer made without a running device.
inline constexpr double kDefaultVideoAspect = 4.0 / 3.0;

bool VideoActive();
// Opens device `deviceIndex` and starts capturing. False when video is already active or the device
// cannot be opened (the reason in `error`).
bool VideoStart(int deviceIndex, QString *error = nullptr);
void VideoStop();
// The device's current frame into VideoFrameBitmap. False when video is not active or no frame has
// arrived yet; the bitmap then keeps what it had.
bool GrabVideoFrame();
// The frame grabbed last (24-bit RGB), null before the first grab.
const QImage &VideoFrameBitmap();
// Grabs a frame and writes it as a JPEG file (quality 75) under fileName, whatever its extension,
// replacing an older file only once the new one is complete.
IoResult SaveVideoFrameJPEG(const QString &fileName);
// Grabs a frame and makes the thermogram a grey picture of it: its size follows the frame's, and
// every pixel becomes (red + green + blue) div 3 x 257. False (the thermogram unchanged) without a
// frame.
bool GrabVideoToImage(TDTV &thermogram);
// The names of the capture devices (also while video is not active).
QStringList ListVideoDevices();
// The capture formats of 16 or 24 bits per pixel of the running device, as "640x480 30" (width "x"
// height, then frames per second truncated); remembered for SetVideoFormat and VideoFormatAspect.
QStringList ListVideoFormats();
// Applies format number `index` of the last list. False when video is not active, the index names no
// listed format or the device refused it.
bool SetVideoFormat(int index, QString *error = nullptr);
// Width / height of listed format `index`; kDefaultVideoAspect without video or for another index.
double VideoFormatAspect(int index);
// The running device's settings, and a change of one; nothing without video.
std::vector<VideoControl> VideoControls();
bool SetVideoControl(std::uint32_t id, int value);

// The text of one listed format ("640x480 30").
QString VideoFormatText(const VideoFormat &format);
// Formats of 16 or 24 bits per pixel, in the device's order.
std::vector<VideoFormat> ListedVideoFormats(const std::vector<VideoFormat> &formats);

// Draws `frame` fitted into `target` (aspect kept, centred). With fillBars the two bars the fit leaves
// free are first filled black. Returns the rectangle the frame took; an empty one for an empty frame.
QRect DrawVideoFrame(QPainter &painter, const QRect &target, const QImage &frame, bool fillBars);

} // namespace calidarix
