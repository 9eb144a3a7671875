// The V4L2 video backend. Devices are the "video*" nodes of the device folder that can capture. Every
// device is opened through libv4l2, which converts the camera's own format (YUYV, MJPEG, ...) to
// RGB24, so the program deals with one pixel layout only. A capture thread keeps the newest frame;
// the GUI thread takes a copy of it whenever it grabs.
//
// A format chosen from the list sets the frame size and the frame rate; the camera's own pixel
// layout behind the conversion is libv4l2's choice.

#include "acquisition/video_capture.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libv4l2.h>
#include <linux/videodev2.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace calidarix {

namespace {

// Bits per pixel of a device's own layout, as the format list counts them.
int BitsPerPixel(std::uint32_t fourcc) {
  switch (fourcc) {
  case V4L2_PIX_FMT_YUYV:
  case V4L2_PIX_FMT_YVYU:
  case V4L2_PIX_FMT_UYVY:
  case V4L2_PIX_FMT_VYUY:
  case V4L2_PIX_FMT_RGB565:
  case V4L2_PIX_FMT_RGB565X:
  case V4L2_PIX_FMT_RGB555:
  case V4L2_PIX_FMT_Y16:
    return 16;
  case V4L2_PIX_FMT_RGB24:
  case V4L2_PIX_FMT_BGR24:
  case V4L2_PIX_FMT_MJPEG:
  case V4L2_PIX_FMT_JPEG:
    return 24;
  case V4L2_PIX_FMT_YUV420:
  case V4L2_PIX_FMT_YVU420:
  case V4L2_PIX_FMT_NV12:
  case V4L2_PIX_FMT_NV21:
    return 12;
  case V4L2_PIX_FMT_GREY:
    return 8;
  case V4L2_PIX_FMT_RGB32:
  case V4L2_PIX_FMT_BGR32:
  case V4L2_PIX_FMT_XRGB32:
  case V4L2_PIX_FMT_XBGR32:
  case V4L2_PIX_FMT_ARGB32:
  case V4L2_PIX_FMT_ABGR32:
    return 32;
  default:
    return 0;
  }
}

// An ioctl that is retried when a signal interrupted it.
int Ioctl(int fd, unsigned long request, void *arg) {
  int r;
  do
    r = v4l2_ioctl(fd, request, arg);
  while (r == -1 && errno == EINTR);
  return r;
}

QString ErrnoText() {
  return QString::fromLocal8Bit(std::strerror(errno));
}

// A capture device: its node has a video-capture capability and a way to get frames out.
std::optional<QString> CaptureDeviceName(const std::filesystem::path &node) {
  const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0)
    return std::nullopt;
  v4l2_capability cap{};
  const bool ok = ::ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0;
  ::close(fd);
  if (!ok)
    return std::nullopt;
  const std::uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
  if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & (V4L2_CAP_READWRITE | V4L2_CAP_STREAMING)))
    return std::nullopt;
  const auto *card = reinterpret_cast<const char *>(cap.card);
  return QString::fromUtf8(card, static_cast<int>(strnlen(card, sizeof cap.card)));
}

std::int64_t FrameTime100ns(std::uint32_t numerator, std::uint32_t denominator) {
  if (numerator == 0 || denominator == 0)
    return 0;
  return static_cast<std::int64_t>(numerator) * 10000000 / denominator;
}

class V4l2VideoBackend : public VideoBackend {
public:
  explicit V4l2VideoBackend(std::filesystem::path folder) : folder_(std::move(folder)) {}
  ~V4l2VideoBackend() override { Close(); }

  QStringList DeviceNames() override {
    std::vector<std::pair<int, std::filesystem::path>> nodes;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(folder_, ec)) {
      const std::string name = entry.path().filename().string();
      if (name.size() <= 5 || name.compare(0, 5, "video") != 0)
        continue;
      const std::string digits = name.substr(5);
      if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
          digits.size() > 6)
        continue;
      nodes.emplace_back(std::stoi(digits), entry.path());
    }
    std::sort(nodes.begin(), nodes.end());
    paths_.clear();
    QStringList names;
    for (const auto &[number, node] : nodes) {
      if (const auto name = CaptureDeviceName(node)) {
        paths_.push_back(node);
        names << *name;
      }
    }
    return names;
  }

  bool Open(int deviceIndex, QString *error) override {
    Close();
    if (paths_.empty())
      DeviceNames();
    if (deviceIndex < 0 || static_cast<std::size_t>(deviceIndex) >= paths_.size()) {
      if (error)
        *error = QStringLiteral("there is no video device number %1").arg(deviceIndex);
      return false;
    }
    path_ = paths_[static_cast<std::size_t>(deviceIndex)];
    return OpenCurrent(std::nullopt, error);
  }

  void Close() override {
    StopCapture();
    if (fd_ >= 0)
      v4l2_close(fd_);
    fd_ = -1;
  }

  std::vector<VideoFormat> Formats() override {
    std::vector<VideoFormat> formats;
    if (fd_ < 0)
      return formats;
    for (std::uint32_t i = 0;; ++i) {
      v4l2_fmtdesc desc{};
      desc.index = i;
      desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      if (Ioctl(fd_, VIDIOC_ENUM_FMT, &desc) != 0)
        break;
      // The layouts libv4l2 adds by conversion are not the device's own.
      if (desc.flags & V4L2_FMT_FLAG_EMULATED)
        continue;
      for (const auto &[w, h] : FrameSizes(desc.pixelformat))
        for (const auto &[num, den] : FrameIntervals(desc.pixelformat, w, h)) {
          VideoFormat f;
          f.PixelFormat = desc.pixelformat;
          f.Width = static_cast<int>(w);
          f.Height = static_cast<int>(h);
          f.BitsPerPixel = BitsPerPixel(desc.pixelformat);
          f.IntervalNumerator = num;
          f.IntervalDenominator = den;
          f.FrameTime100ns = FrameTime100ns(num, den);
          formats.push_back(f);
        }
    }
    return formats;
  }

  bool SetFormat(const VideoFormat &format, QString *error) override {
    if (path_.empty() || fd_ < 0) {
      if (error)
        *error = QStringLiteral("video is not running");
      return false;
    }
    // A device that streams refuses a new format; it is opened afresh with it.
    Close();
    if (OpenCurrent(format, error))
      return true;
    QString ignored;
    OpenCurrent(std::nullopt, &ignored);
    return false;
  }

  bool LatestFrame(QImage &frame) override {
    std::lock_guard lock(mutex_);
    if (latest_.isNull())
      return false;
    frame = latest_;
    return true;
  }

  std::vector<VideoControl> Controls() override {
    std::vector<VideoControl> controls;
    if (fd_ < 0)
      return controls;
    v4l2_queryctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (Ioctl(fd_, VIDIOC_QUERYCTRL, &query) == 0) {
      const std::uint32_t id = query.id;
      query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
      if (query.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY))
        continue;
      VideoControl c;
      if (query.type == V4L2_CTRL_TYPE_INTEGER)
        c.Type = VideoControl::Kind::Integer;
      else if (query.type == V4L2_CTRL_TYPE_BOOLEAN)
        c.Type = VideoControl::Kind::Boolean;
      else if (query.type == V4L2_CTRL_TYPE_MENU)
        c.Type = VideoControl::Kind::Menu;
      else
        continue;
      c.Id = id;
      const auto *name = reinterpret_cast<const char *>(query.name);
      c.Name = QString::fromUtf8(name, static_cast<int>(strnlen(name, sizeof query.name)));
      c.Minimum = query.minimum;
      c.Maximum = query.maximum;
      c.Step = std::max(query.step, 1);
      c.Default = query.default_value;
      v4l2_control value{};
      value.id = id;
      c.Value = Ioctl(fd_, VIDIOC_G_CTRL, &value) == 0 ? value.value : query.default_value;
      if (c.Type == VideoControl::Kind::Menu)
        for (int i = query.minimum; i <= query.maximum && i - query.minimum < 64; ++i) {
          v4l2_querymenu item{};
          item.id = id;
          item.index = static_cast<std::uint32_t>(i);
          const auto *text = reinterpret_cast<const char *>(item.name);
          c.MenuItems << (Ioctl(fd_, VIDIOC_QUERYMENU, &item) == 0
                              ? QString::fromUtf8(text, static_cast<int>(strnlen(text, sizeof item.name)))
                              : QString());
        }
      controls.push_back(c);
    }
    return controls;
  }

  bool SetControl(std::uint32_t id, int value) override {
    if (fd_ < 0)
      return false;
    v4l2_control control{};
    control.id = id;
    control.value = value;
    return Ioctl(fd_, VIDIOC_S_CTRL, &control) == 0;
  }

private:
  bool OpenCurrent(const std::optional<VideoFormat> &format, QString *error) {
    const auto fail = [&](const QString &text) {
      if (error)
        *error = QStringLiteral("%1: %2").arg(QString::fromStdString(path_.string()), text);
      if (fd_ >= 0)
        v4l2_close(fd_);
      fd_ = -1;
      return false;
    };
    fd_ = v4l2_open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
      return fail(ErrnoText());
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Ioctl(fd_, VIDIOC_G_FMT, &fmt) != 0)
      return fail(ErrnoText());
    if (format) {
      fmt.fmt.pix.width = static_cast<std::uint32_t>(format->Width);
      fmt.fmt.pix.height = static_cast<std::uint32_t>(format->Height);
    }
    fmt.fmt.pix.pixelformat = V4L2_PIX_FMT_RGB24;
    fmt.fmt.pix.field = V4L2_FIELD_ANY;
    if (Ioctl(fd_, VIDIOC_S_FMT, &fmt) != 0)
      return fail(ErrnoText());
    if (fmt.fmt.pix.pixelformat != V4L2_PIX_FMT_RGB24)
      return fail(QStringLiteral("the device gives no picture that can be converted to RGB"));
    if (format && format->IntervalNumerator != 0 && format->IntervalDenominator != 0) {
      v4l2_streamparm parm{};
      parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      parm.parm.capture.timeperframe.numerator = format->IntervalNumerator;
      parm.parm.capture.timeperframe.denominator = format->IntervalDenominator;
      Ioctl(fd_, VIDIOC_S_PARM, &parm); // a device without rate control keeps its own rate
    }
    width_ = static_cast<int>(fmt.fmt.pix.width);
    height_ = static_cast<int>(fmt.fmt.pix.height);
    stride_ = static_cast<int>(std::max(fmt.fmt.pix.bytesperline, fmt.fmt.pix.width * 3));
    if (width_ <= 0 || height_ <= 0 || width_ > 16384 || height_ > 16384)
      return fail(QStringLiteral("the device reports a frame size of %1 x %2").arg(width_).arg(height_));
    StartCapture();
    return true;
  }

  std::vector<std::pair<std::uint32_t, std::uint32_t>> FrameSizes(std::uint32_t pixelFormat) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes;
    for (std::uint32_t i = 0; i < 256; ++i) {
      v4l2_frmsizeenum size{};
      size.index = i;
      size.pixel_format = pixelFormat;
      if (Ioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &size) != 0)
        break;
      if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
        sizes.emplace_back(size.discrete.width, size.discrete.height);
        continue;
      }
      // A range of sizes: its largest and its smallest.
      sizes.emplace_back(size.stepwise.max_width, size.stepwise.max_height);
      if (size.stepwise.min_width != size.stepwise.max_width)
        sizes.emplace_back(size.stepwise.min_width, size.stepwise.min_height);
      break;
    }
    if (sizes.empty() && width_ > 0)
      sizes.emplace_back(width_, height_);
    return sizes;
  }

  std::vector<std::pair<std::uint32_t, std::uint32_t>> FrameIntervals(std::uint32_t pixelFormat,
                                                                      std::uint32_t w, std::uint32_t h) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> intervals;
    for (std::uint32_t i = 0; i < 64; ++i) {
      v4l2_frmivalenum ival{};
      ival.index = i;
      ival.pixel_format = pixelFormat;
      ival.width = w;
      ival.height = h;
      if (Ioctl(fd_, VIDIOC_ENUM_FRAMEINTERVALS, &ival) != 0)
        break;
      if (ival.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
        intervals.emplace_back(ival.discrete.numerator, ival.discrete.denominator);
        continue;
      }
      // A range of rates: the fastest.
      intervals.emplace_back(ival.stepwise.min.numerator, ival.stepwise.min.denominator);
      break;
    }
    if (intervals.empty())
      intervals.emplace_back(0, 0);
    return intervals;
  }

  void StartCapture() {
    stop_ = false;
    thread_ = std::thread([this] { CaptureLoop(); });
  }

  void StopCapture() {
    stop_ = true;
    if (thread_.joinable())
      thread_.join();
    std::lock_guard lock(mutex_);
    latest_ = QImage();
  }

  void CaptureLoop() {
    const std::size_t size = static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height_);
    std::vector<uchar> buffer(size);
    while (!stop_) {
      const ssize_t n = v4l2_read(fd_, buffer.data(), buffer.size());
      if (n < 0) {
        if (errno != EAGAIN && errno != EINTR)
          return; // the device went away; the last frame stays the last one
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 100) < 0)
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      if (static_cast<std::size_t>(n) <
          static_cast<std::size_t>(width_) * 3 * static_cast<std::size_t>(height_))
        continue; // a short frame is no picture
      QImage frame(width_, height_, QImage::Format_RGB888);
      for (int y = 0; y < height_; ++y)
        std::memcpy(frame.scanLine(y), buffer.data() + static_cast<std::size_t>(y) * stride_,
                    static_cast<std::size_t>(width_) * 3);
      std::lock_guard lock(mutex_);
      latest_ = std::move(frame);
    }
  }

  std::filesystem::path folder_;
  std::vector<std::filesystem::path> paths_;
  std::filesystem::path path_;
  int fd_ = -1;
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  QImage latest_;
};

} // namespace

std::unique_ptr<VideoBackend> MakeV4l2VideoBackend(const std::filesystem::path &deviceFolder) {
  return std::make_unique<V4l2VideoBackend>(deviceFolder);
}

} // namespace calidarix
