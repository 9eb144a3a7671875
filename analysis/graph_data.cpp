#include "analysis/graph_data.h"

#include "platform/numbers.h"
#include "thermogram/formats/dtv_format.h"
#include "thermogram/formats/file_reading.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace calidarix {

namespace {

QString Quoted(const QString &fileName) {
  return QStringLiteral("\"%1\"").arg(QFileInfo(fileName).fileName());
}

// The frames of a ".dtv" file, read piece by piece at their offsets. Every read is checked against the
// file's size, so a file shorter than its header says gives an error, never a short buffer.
class FrameFile {
public:
  // Opens the file and checks that it still holds frames of the thermogram shown (same version and size),
  // so that the region's coordinates mean the same pixels in the file.
  IoResult Open(const TTimeProfileSource &source) {
    // Unbuffered: every read takes a few bytes at a new offset, which a read-ahead buffer would only copy.
    file_.setFileName(source.FileName);
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
      return IoResult::Error(
          QStringLiteral("Cannot open %1: %2").arg(Quoted(source.FileName), file_.errorString()));
    std::vector<std::uint8_t> head;
    if (IoResult r = ReadRange(file_, 0, kDtvHeaderBytes, head); !r)
      return IoResult::Error(QStringLiteral("Cannot read %1: %2").arg(Quoted(source.FileName), r.message));
    DtvHeaderBytes bytes{};
    std::copy(head.begin(), head.end(), bytes.begin());
    const TDTVHeader header = DecodeDtvHeader(bytes);
    if (header.Version != source.Version || header.Width != source.Width || header.Height != source.Height)
      return IoResult::Error(
          QStringLiteral("%1 no longer holds the image shown").arg(Quoted(source.FileName)));
    version_ = header.Version;
    width_ = header.Width;
    const std::uint64_t pixels = std::uint64_t{header.Width} * header.Height;
    switch (version_) {
    case 2: // the frames of 8-bit files start where the header says it ends
      first_ = header.HeaderSize;
      stride_ = pixels;
      break;
    case 5:
      first_ = kDtvHeaderBytes;
      stride_ = kFilmRecordBytes + pixels * 2;
      break;
    default:
      first_ = kDtvHeaderBytes;
      stride_ = pixels * 2;
      break;
    }
    return IoResult::Ok();
  }

  // The record before film frame `frame` (0-based).
  IoResult ReadRecord(int frame, TFilmFrameRecord &record) {
    if (IoResult r = ReadRange(file_, FrameStart(frame), kFilmRecordBytes, buffer_); !r)
      return r;
    FilmRecordBytes bytes{};
    std::copy(buffer_.begin(), buffer_.end(), bytes.begin());
    record = DecodeFilmRecord(bytes);
    return IoResult::Ok();
  }

  // count values of row y from column x of frame `frame` (0-based): bytes of 8-bit files, words of the
  // others.
  IoResult ReadRun(int frame, int x, int y, int count, std::vector<std::uint16_t> &values) {
    const std::uint64_t sampleBytes = version_ == 2 ? 1 : 2;
    const std::uint64_t pixel = std::uint64_t(y) * std::uint64_t(width_) + std::uint64_t(x);
    const std::uint64_t start =
        FrameStart(frame) + (version_ == 5 ? kFilmRecordBytes : 0) + pixel * sampleBytes;
    if (IoResult r = ReadRange(file_, start, std::uint64_t(count) * sampleBytes, buffer_); !r)
      return r;
    values.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      const auto k = static_cast<std::size_t>(i);
      values[k] = sampleBytes == 1
                      ? buffer_[k]
                      : static_cast<std::uint16_t>(buffer_[2 * k] | (unsigned(buffer_[2 * k + 1]) << 8));
    }
    return IoResult::Ok();
  }

private:
  std::uint64_t FrameStart(int frame) const { return first_ + std::uint64_t(frame) * stride_; }

  QFile file_;
  int version_ = 0;
  int width_ = 0;
  std::uint64_t first_ = 0;
  std::uint64_t stride_ = 0;
  std::vector<std::uint8_t> buffer_;
};

bool ReadsFramesOf(int version) {
  return version == 2 || version == 3 || version == 5;
}

QString EndsEarly(const TTimeProfileSource &source, int framesRead, const IoResult &why) {
  return QStringLiteral("%1 could not be read after frame %2 of %3 (%4): the time profile ends there")
      .arg(Quoted(source.FileName))
      .arg(framesRead)
      .arg(source.FrameCount)
      .arg(why.message);
}

QString NotRead(const TTimeProfileSource &source) {
  return QStringLiteral("Frames of version %1 files are not read by the time profile").arg(source.Version);
}

// A film word of a frame's own rule brought onto the film's common range, as a 16-bit code.
std::uint16_t OnFilmRange(std::uint16_t w, const TFilmFrameRecord &record, const TGraphRange &film) {
  const double t = w * (record.MaxTemp - record.MinTemp) / kFullScaleRaw + record.MinTemp;
  const double v = (t - film.Min) / film.Span * kFullScaleRaw;
  if (!(v > 0.0)) // also a film without a range (0 / 0)
    return 0;
  return v >= kFullScaleRaw ? std::uint16_t{kFullScaleRaw} : static_cast<std::uint16_t>(v);
}

} // namespace

TGraphRange MakeRange(double min, double max) {
  return TGraphRange{min, max, max - min};
}

TProfile ThermoProfile(const TDTV &dtv, const TLineRecord &line) {
  const std::int64_t dx = std::int64_t{line.X2} - line.X1;
  const std::int64_t dy = std::int64_t{line.Y2} - line.Y1;
  const std::int64_t n = RoundToInt64(std::sqrt(double(dx * dx + dy * dy)));
  TProfile profile;
  if (n <= 0)
    return profile;
  const std::int64_t sx = line.X2 < line.X1 ? -1 : 1;
  const std::int64_t sy = line.Y2 < line.Y1 ? -1 : 1;
  const std::int64_t adx = std::abs(dx);
  const std::int64_t ady = std::abs(dy);
  profile.resize(static_cast<std::size_t>(n));
  for (std::int64_t i = 0; i < n; ++i) {
    const std::int64_t x = line.X1 + sx * (i * adx / n);
    const std::int64_t y = line.Y1 + sy * (i * ady / n);
    profile[static_cast<std::size_t>(i)] = static_cast<float>(dtv.TemperatureAt(int(x), int(y)));
  }
  return profile;
}

TGraphRange FullRawRange(const TDTV &dtv) {
  return MakeRange(dtv.RawToTemperature(0), dtv.RawToTemperature(kFullScaleRaw));
}

TTimeProfileSource TimeProfileSourceOf(const TDTV &dtv) {
  TTimeProfileSource s;
  s.FileName = dtv.FFileName;
  s.FrameCount = dtv.FHeader.FrameCount;
  s.Version = dtv.FHeader.Version;
  s.Width = dtv.Width();
  s.Height = dtv.Height();
  s.Scale = dtv.FHeader.Scale;
  s.Offset = dtv.FHeader.Offset;
  s.FilmMin = dtv.FFilmMin;
  s.FilmMax = dtv.FFilmMax;
  return s;
}

TGraphRange TimeProfileRange(const TTimeProfileSource &source) {
  // Only films carry a common range of their own; other files share the header's rule, and the film
  // range left from an earlier film would mean nothing for them.
  if (source.Version == 5)
    return MakeRange(source.FilmMin, source.FilmMax);
  return MakeRange(source.Offset, kFullScaleRaw * source.Scale + source.Offset);
}

TTimeProfile RegionTimeProfile(const TTimeProfileSource &source, TRect region, int arrayStatistic) {
  TTimeProfile result;
  result.Range = TimeProfileRange(source);
  region.Right = std::min(region.Right, source.Width - 1);
  region.Bottom = std::min(region.Bottom, source.Height - 1);
  region.Left = std::max(region.Left, 0);
  region.Top = std::max(region.Top, 0);
  if (source.FileName.isEmpty() || source.FrameCount <= 1)
    return result;
  result.Built = true;
  const bool all = arrayStatistic == 3;
  result.Slots.resize(all ? 4 : 1);
  if (!ReadsFramesOf(source.Version)) {
    result.Problem = NotRead(source);
    return result;
  }
  // Films are read over the region's last row and column too.
  const int inclusive = source.Version == 5 ? 1 : 0;
  const int columns = region.Right - region.Left + inclusive;
  const int rows = region.Bottom - region.Top + inclusive;
  if (columns <= 0 || rows <= 0)
    return result; // no pixel: no profile

  FrameFile file;
  if (IoResult opened = file.Open(source); !opened) {
    result.Problem = opened.message;
    return result;
  }
  // Values of 8-bit files are bytes; the loader makes byte b the raw value b x 256.
  const double factor = source.Version == 2 ? 256.0 : 1.0;
  const TGraphRange &range = result.Range;
  const auto onRange = [&](std::int64_t v) {
    return static_cast<float>(v * factor / kFullScaleRaw * range.Span + range.Min);
  };
  for (TProfile &slot : result.Slots)
    slot.reserve(static_cast<std::size_t>(source.FrameCount));
  std::vector<std::uint16_t> run;
  for (int frame = 0; frame < source.FrameCount; ++frame) {
    TFilmFrameRecord record;
    IoResult read = source.Version == 5 ? file.ReadRecord(frame, record) : IoResult::Ok();
    std::int64_t sum = 0;
    std::uint16_t minimum = kFullScaleRaw;
    std::uint16_t maximum = 0;
    for (int y = region.Top; read && y < region.Top + rows; ++y) {
      read = file.ReadRun(frame, region.Left, y, columns, run);
      for (std::uint16_t v : run) {
        if (source.Version == 5)
          v = OnFilmRange(v, record, range);
        sum += v;
        minimum = std::min(minimum, v);
        maximum = std::max(maximum, v);
      }
    }
    if (!read) {
      result.Problem = EndsEarly(source, frame, read);
      break;
    }
    const std::int64_t mean = sum / (std::int64_t{columns} * rows);
    switch (arrayStatistic) {
    case 1:
      result.Slots[0].push_back(onRange(minimum));
      break;
    case 2:
      result.Slots[0].push_back(onRange(maximum));
      break;
    case 3:
      result.Slots[0].push_back(onRange(mean));
      result.Slots[1].push_back(onRange(maximum));
      result.Slots[2].push_back(onRange(minimum));
      break;
    default:
      result.Slots[0].push_back(onRange(mean));
      break;
    }
  }
  return result;
}

TTimeProfile PointTimeProfile(const TTimeProfileSource &source, int x, int y) {
  TTimeProfile result;
  result.Range = TimeProfileRange(source);
  if (source.FileName.isEmpty() || source.FrameCount < 2 || x < 0 || y < 0 || x >= source.Width ||
      y >= source.Height)
    return result;
  result.Built = true;
  result.Slots.resize(1);
  if (!ReadsFramesOf(source.Version)) {
    result.Problem = NotRead(source);
    return result;
  }
  FrameFile file;
  if (IoResult opened = file.Open(source); !opened) {
    result.Problem = opened.message;
    return result;
  }
  TProfile &profile = result.Slots[0];
  profile.reserve(static_cast<std::size_t>(source.FrameCount));
  std::vector<std::uint16_t> run;
  for (int frame = 0; frame < source.FrameCount; ++frame) {
    TFilmFrameRecord record;
    IoResult read = source.Version == 5 ? file.ReadRecord(frame, record) : IoResult::Ok();
    if (read)
      read = file.ReadRun(frame, x, y, 1, run);
    if (!read) {
      result.Problem = EndsEarly(source, frame, read);
      break;
    }
    double t = 0.0;
    switch (source.Version) {
    case 2:
      t = run[0] * 256.0 * source.Scale + source.Offset;
      break;
    case 3:
      t = run[0] * source.Scale + source.Offset;
      break;
    default: // a film frame by its own rule
      t = run[0] * (record.MaxTemp - record.MinTemp) / kFullScaleRaw + record.MinTemp;
      break;
    }
    profile.push_back(static_cast<float>(t));
  }
  return result;
}

THistogram RegionHistogram(const TDTV &dtv, TRect region) {
  THistogram h;
  const int left = std::max(region.Left, 0);
  const int top = std::max(region.Top, 0);
  const int right = std::min(region.Right, dtv.Width());
  const int bottom = std::min(region.Bottom, dtv.Height());
  const auto pixel = [&](int x, int y) {
    return dtv.FRaw[static_cast<std::size_t>(y) * static_cast<std::size_t>(dtv.Width()) +
                    static_cast<std::size_t>(x)];
  };
  if (left >= right || top >= bottom ||
      dtv.FRaw.size() < static_cast<std::size_t>(dtv.Width()) * static_cast<std::size_t>(dtv.Height())) {
    h.LowLimitTemp = h.HighLimitTemp = dtv.RawToTemperature(0);
    return h;
  }
  int lo = kFullScaleRaw;
  int hi = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      lo = std::min<int>(lo, pixel(x, y));
      hi = std::max<int>(hi, pixel(x, y));
    }
  // The factor is just under 100 so that the maximum lands in the last bin.
  const double span = hi - lo;
  std::vector<std::int64_t> counts(kHistogramBins, 0);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const int bin =
          span > 0 ? std::clamp(static_cast<int>((pixel(x, y) - lo) / span * 99.9999), 0, kHistogramBins - 1)
                   : 0;
      ++counts[static_cast<std::size_t>(bin)];
    }
  for (int i = 0; i < kHistogramBins; ++i)
    h.Counts[static_cast<std::size_t>(i)] = static_cast<float>(counts[static_cast<std::size_t>(i)]);
  h.RawMin = lo;
  h.RawMax = hi;
  h.Pixels = std::int64_t{right - left} * (bottom - top);
  h.LowLimitTemp = dtv.RawToTemperature(lo);
  h.HighLimitTemp = dtv.RawToTemperature(hi);
  return h;
}

TGraphRange ProfileRange(const TProfile &profile) {
  double min = 10000.0;
  double max = -273.15;
  for (float v : profile) {
    min = std::min<double>(min, v);
    max = std::max<double>(max, v);
  }
  if (max == min)
    max += 1.0;
  return MakeRange(min, max);
}

} // namespace calidarix
