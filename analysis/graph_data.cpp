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

// The frames of a ".dtv" file, read piece by piece at their offsets. The file's size is taken once, when
// it is opened, and every read is checked against it, so a file shorter than its header says gives an
// error, never a short buffer. A frame costs two positioned reads at most: its record and the band of
// rows that holds the region.
// A band of rows up to this size is read whole, whatever part of it the region takes.
constexpr std::uint64_t kWholeBandBytes = 1 << 20;

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
    size_ = static_cast<std::uint64_t>(file_.size());
    DtvHeaderBytes bytes{};
    if (IoResult r = ReadRangeAt(file_, size_, 0, kDtvHeaderBytes, bytes.data()); !r)
      return IoResult::Error(QStringLiteral("Cannot read %1: %2").arg(Quoted(source.FileName), r.message));
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
    FilmRecordBytes bytes{};
    if (IoResult r = ReadRangeAt(file_, size_, FrameStart(frame), kFilmRecordBytes, bytes.data()); !r)
      return r;
    record = DecodeFilmRecord(bytes);
    return IoResult::Ok();
  }

  // Rows y .. y + rows - 1 of frame `frame` (0-based), columns x .. x + columns - 1; Value(row, column)
  // then gives them, relative to x and y: bytes of 8-bit files, words of the others. The band of rows is
  // one read of the bytes from its first value to its last, unless that would read far more than the
  // region (a tall, narrow region of a wide frame): then each row is a read of its own.
  IoResult ReadBand(int frame, int x, int y, int columns, int rows) {
    sampleBytes_ = version_ == 2 ? 1 : 2;
    const std::uint64_t pixel = std::uint64_t(y) * std::uint64_t(width_) + std::uint64_t(x);
    const std::uint64_t start =
        FrameStart(frame) + (version_ == 5 ? kFilmRecordBytes : 0) + pixel * sampleBytes_;
    const std::uint64_t wanted = std::uint64_t(rows) * std::uint64_t(columns) * sampleBytes_;
    const std::uint64_t band =
        (std::uint64_t(rows - 1) * std::uint64_t(width_) + std::uint64_t(columns)) * sampleBytes_;
    if (band <= std::max<std::uint64_t>(4 * wanted, kWholeBandBytes)) {
      rowStride_ = static_cast<std::size_t>(width_);
      buffer_.resize(static_cast<std::size_t>(band));
      return ReadRangeAt(file_, size_, start, band, buffer_.data());
    }
    rowStride_ = static_cast<std::size_t>(columns);
    buffer_.resize(static_cast<std::size_t>(wanted));
    const std::uint64_t rowBytes = std::uint64_t(columns) * sampleBytes_;
    for (int r = 0; r < rows; ++r) {
      const std::uint64_t at = start + std::uint64_t(r) * std::uint64_t(width_) * sampleBytes_;
      if (IoResult read =
              ReadRangeAt(file_, size_, at, rowBytes, buffer_.data() + std::uint64_t(r) * rowBytes);
          !read)
        return read;
    }
    return IoResult::Ok();
  }

  std::uint16_t Value(int row, int column) const {
    const std::size_t k = static_cast<std::size_t>(row) * rowStride_ + static_cast<std::size_t>(column);
    return sampleBytes_ == 1
               ? buffer_[k]
               : static_cast<std::uint16_t>(buffer_[2 * k] | (unsigned(buffer_[2 * k + 1]) << 8));
  }

private:
  std::uint64_t FrameStart(int frame) const { return first_ + std::uint64_t(frame) * stride_; }

  QFile file_;
  std::uint64_t size_ = 0;
  int version_ = 0;
  int width_ = 0;
  std::uint64_t first_ = 0;
  std::uint64_t stride_ = 0;
  std::size_t sampleBytes_ = 2;
  std::size_t rowStride_ = 0; // values from one row of the buffer to the next
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
  for (int frame = 0; frame < source.FrameCount; ++frame) {
    TFilmFrameRecord record;
    IoResult read = source.Version == 5 ? file.ReadRecord(frame, record) : IoResult::Ok();
    if (read)
      read = file.ReadBand(frame, region.Left, region.Top, columns, rows);
    std::int64_t sum = 0;
    std::uint16_t minimum = kFullScaleRaw;
    std::uint16_t maximum = 0;
    for (int r = 0; read && r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        std::uint16_t v = file.Value(r, c);
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
  for (int frame = 0; frame < source.FrameCount; ++frame) {
    TFilmFrameRecord record;
    IoResult read = source.Version == 5 ? file.ReadRecord(frame, record) : IoResult::Ok();
    if (read)
      read = file.ReadBand(frame, x, y, 1, 1);
    if (!read) {
      result.Problem = EndsEarly(source, frame, read);
      break;
    }
    const std::uint16_t value = file.Value(0, 0);
    double t = 0.0;
    switch (source.Version) {
    case 2:
      t = value * 256.0 * source.Scale + source.Offset;
      break;
    case 3:
      t = value * source.Scale + source.Offset;
      break;
    default: // a film frame by its own rule
      t = value * (record.MaxTemp - record.MinTemp) / kFullScaleRaw + record.MinTemp;
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
