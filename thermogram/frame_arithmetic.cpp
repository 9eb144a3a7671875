// Operations that combine whole frames in the temperature domain: the running mean of camera frames,
// the mosaic of joined thermograms, the absolute difference, the heat map and the stacked film.
//
// Every result is written back as a 16-bit frame re-quantized over its own lowest and highest value
// (raw = Trunc((v - low) / (high - low) x 65535), Offset := low, Scale := (high - low) / 65535), so
// that the temperature rule returns the result value. A span of zero is widened to low .. low + 1.

#include "thermogram/tdtv.h"

#include "platform/numbers.h"
#include "thermogram/rect_clip.h"
#include "thermogram/thermogram_globals.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace calidarix {

namespace {

constexpr int kMaxSide = std::numeric_limits<std::uint16_t>::max();

// The range low .. high a result is re-quantized over; a zero span becomes one degree (or unit).
struct Range {
  double Low = 0.0;
  double High = 1.0;
};

Range Widened(double low, double high) {
  if (!(high > low)) { // equal, or nothing was seen
    high = low + 1.0;
  }
  return Range{low, high};
}

std::uint16_t Quantize(double v, const Range &range) {
  const double raw = (v - range.Low) / (range.High - range.Low) * kFullScaleRaw;
  return static_cast<std::uint16_t>(std::clamp(TruncToInt32(raw), 0, kFullScaleRaw));
}

void SetScale(TDTVHeader &header, const Range &range) {
  header.Offset = static_cast<float>(range.Low);
  header.Scale = static_cast<float>((range.High - range.Low) / kFullScaleRaw);
}

std::size_t PixelCount(const TDTV &t) {
  return static_cast<std::size_t>(t.Width()) * static_cast<std::size_t>(t.Height());
}

// Copies the w x h frame src into the dw x dh frame dst with its top-left pixel at (left, top),
// leaving out whatever falls outside dst.
void Blit(const std::vector<std::uint16_t> &src, int w, int h, std::vector<std::uint16_t> &dst, int dw,
          int dh, int left, int top) {
  const int x0 = std::max(0, -left);
  const int x1 = std::min(w, dw - left);
  for (int y = std::max(0, -top); y < h && y + top < dh; ++y) {
    for (int x = x0; x < x1; ++x) {
      dst[static_cast<std::size_t>(y + top) * dw + static_cast<std::size_t>(x + left)] =
          src[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)];
    }
  }
}

} // namespace

void TDTV::AccumulateFrame() {
  const std::size_t count = PixelCount(*this);
  // A frame of another size cannot be added to the sums so far: it starts the summation again.
  const bool sizeChanged = FSumDone > 0 && FSumBuffer.size() != count;
  if (!FSumming || FSumDone == 0 || sizeChanged) {
    FSumMinTemp = 10000.0;
    FSumMaxTemp = kAbsoluteZero;
    FSumming = true;
    FSumDone = 0;
  }
  FSumBuffer.resize(count, 0.0);
  for (std::size_t i = 0; i < count; ++i) {
    const double t = RawToTemperature(FRaw[i]);
    FSumMinTemp = std::min(FSumMinTemp, t);
    FSumMaxTemp = std::max(FSumMaxTemp, t);
    if (FSumDone == 0) {
      FSumBuffer[i] = t;
    } else {
      FSumBuffer[i] += t;
    }
  }
  if (FSumDone > 0) {
    const Range range = Widened(FSumMinTemp, FSumMaxTemp);
    const double frames = FSumDone + 1.0;
    for (std::size_t i = 0; i < count; ++i) {
      FRaw[i] = Quantize(FSumBuffer[i] / frames, range);
    }
    SetScale(FHeader, range);
    UpdateStatistics();
    FIsoPoints.clear();
  }
  if (SumCount > 0 && FSumDone >= SumCount) {
    FSumDone = 0;
    FSumBuffer.clear();
    FSumming = false;
  } else {
    ++FSumDone;
  }
}

void TDTV::AppendImage(TDTV &other, const TRect &view) {
  if (&other == this || PixelCount(other) == 0 || PixelCount(*this) == 0) {
    return;
  }
  const double low = std::min<double>(FHeader.Offset, other.FHeader.Offset);
  const double high = std::max(RawToTemperature(kFullScaleRaw), other.RawToTemperature(kFullScaleRaw));
  SetTemperatureRange(true, low, high);
  other.SetTemperatureRange(true, low, high);
  other.ResampleToAspect();
  if (FAppendPos == TPoint{0, 0}) {
    ResampleToAspect();
    FAppendPos.X = Width();
  }

  const double viewWidth = std::abs(static_cast<double>(view.Right) - view.Left);
  const double viewHeight = std::abs(static_cast<double>(view.Bottom) - view.Top);
  const double ratio = (viewWidth > 0.0 && viewHeight > 0.0) ? viewWidth / viewHeight : 1.0;
  auto misfit = [ratio](std::int64_t w, std::int64_t h) {
    const double q = static_cast<double>(w) / static_cast<double>(h) / ratio;
    return q < 1.0 ? 1.0 / q : q;
  };
  const std::int64_t w = Width();
  const std::int64_t h = Height();
  const std::int64_t ow = other.Width();
  const std::int64_t oh = other.Height();
  // A: in the same row, to the right of the last joined image; B: a new row below everything.
  const std::int64_t aw = std::max<std::int64_t>(FAppendPos.X + ow, w);
  const std::int64_t ah = std::max<std::int64_t>(FAppendPos.Y + oh, h);
  const std::int64_t bw = std::max(ow, w);
  const std::int64_t bh = h + oh;
  const bool right = misfit(aw, ah) <= misfit(bw, bh);
  const std::int64_t nw = right ? aw : bw;
  const std::int64_t nh = right ? ah : bh;
  if (nw > kMaxSide || nh > kMaxSide || FAppendPos.X < 0 || FAppendPos.Y < 0) {
    ThermogramLog(QStringLiteral("Join refused: the mosaic would exceed 65535 pixels"));
    return;
  }
  if (!right) {
    FAppendPos = TPoint{0, Height()};
  }

  std::vector<std::uint16_t> mosaic(static_cast<std::size_t>(nw) * static_cast<std::size_t>(nh), 0);
  const int newW = static_cast<int>(nw);
  const int newH = static_cast<int>(nh);
  Blit(FRaw, Width(), Height(), mosaic, newW, newH, 0, 0);
  Blit(other.FRaw, other.Width(), other.Height(), mosaic, newW, newH, FAppendPos.X, FAppendPos.Y);
  FHeader.Width = static_cast<std::uint16_t>(newW);
  FHeader.Height = static_cast<std::uint16_t>(newH);
  FRaw = std::move(mosaic);
  SetAspect(static_cast<double>(newW) / newH);
  FAppendPos.X += other.Width();
  UpdateStatistics();
  FIsoPoints.clear();
}

void TDTV::MakeAbsDifference(const TDTV &other) {
  const int w = Width();
  const int h = Height();
  // Only pixels present in both frames are compared.
  const int cw = std::min(w, other.Width());
  const int ch = std::min(h, other.Height());
  std::vector<double> diff(static_cast<std::size_t>(std::max(cw, 0)) *
                           static_cast<std::size_t>(std::max(ch, 0)));
  double low = std::numeric_limits<double>::infinity();
  double high = -std::numeric_limits<double>::infinity();
  for (int y = 0; y < ch; ++y) {
    for (int x = 0; x < cw; ++x) {
      const double d = std::abs(other.TemperatureAt(x, y) - TemperatureAt(x, y));
      diff[static_cast<std::size_t>(y) * cw + static_cast<std::size_t>(x)] = d;
      low = std::min(low, d);
      high = std::max(high, d);
    }
  }
  if (diff.empty()) {
    low = 0.0;
    high = 0.0;
  }
  const Range range = Widened(low, high);
  // Outside the compared area a raw value would mean another temperature under the new scale, so
  // those pixels become empty.
  std::fill(FRaw.begin(), FRaw.end(), std::uint16_t{0});
  for (int y = 0; y < ch; ++y) {
    for (int x = 0; x < cw; ++x) {
      FRaw[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] =
          Quantize(diff[static_cast<std::size_t>(y) * cw + static_cast<std::size_t>(x)], range);
    }
  }
  SetScale(FHeader, range);
  UpdateStatistics();
  FIsoPoints.clear();
}

void TDTV::MakeHeatMap(const TDTV &reference, const TRect &rect) {
  const int w = Width();
  const TRect r =
      ClipHalfOpenRect(rect, std::min(w, reference.Width()), std::min(Height(), reference.Height()));
  const int rw = std::max(r.Right - r.Left, 0);
  const int rh = std::max(r.Bottom - r.Top, 0);
  FRectArea = static_cast<double>(rw) * rh * FPixelArea;
  const double perKelvin = FDensity * FThickness * FSpecificHeat * FPixelArea;
  std::vector<double> heat(static_cast<std::size_t>(rw) * static_cast<std::size_t>(rh));
  // The range always reaches 0 at its upper end, so a uniformly colder frame still shows against 0.
  double low = 2147483647.0;
  double high = 0.0;
  for (int y = 0; y < rh; ++y) {
    for (int x = 0; x < rw; ++x) {
      const int px = r.Left + x;
      const int py = r.Top + y;
      const double q = (TemperatureAt(px, py) - reference.TemperatureAt(px, py)) * perKelvin;
      heat[static_cast<std::size_t>(y) * rw + static_cast<std::size_t>(x)] = q;
      if (std::isfinite(q)) {
        low = std::min(low, q);
        high = std::max(high, q);
      }
    }
  }
  if (low > high) { // nothing compared
    low = 0.0;
  }
  const Range range = Widened(low, high);
  std::fill(FRaw.begin(), FRaw.end(), std::uint16_t{0});
  for (int y = 0; y < rh; ++y) {
    for (int x = 0; x < rw; ++x) {
      FRaw[static_cast<std::size_t>(r.Top + y) * w + static_cast<std::size_t>(r.Left + x)] =
          Quantize(heat[static_cast<std::size_t>(y) * rw + static_cast<std::size_t>(x)], range);
    }
  }
  SetScale(FHeader, range);
  UpdateStatistics();
  FIsoPoints.clear();
}

IoResult TDTV::StackFilmFrames(int first, int last) {
  if (FFileName.isEmpty() || !QFileInfo(FFileName).isFile()) {
    return IoResult::Error(QStringLiteral("No film to stack: \"%1\" does not exist").arg(FFileName));
  }
  if (first < 1 || last < first) {
    return IoResult::Error(QStringLiteral("No frames to stack: %1 .. %2").arg(first).arg(last));
  }
  const std::int64_t n = std::int64_t{last} - first + 1;
  FRangeLocked = false;

  TDTV frame;
  std::vector<std::uint16_t> stacked;
  int fw = 0;
  int fh = 0;
  Range range;
  for (int k = first; k <= last; ++k) {
    IoResult read = frame.LoadFromFile(FFileName, k);
    if (!read) {
      return IoResult::Error(QStringLiteral("Frame %1 of \"%2\": %3").arg(k).arg(FFileName, read.message));
    }
    if (k == first) {
      fw = frame.Width();
      fh = frame.Height();
      if (fw < 1 || fh < 1 || n * fh > kMaxSide) {
        return IoResult::Error(
            QStringLiteral("%1 frames of %2 x %3 do not fit into one thermogram").arg(n).arg(fw).arg(fh));
      }
      // A film's frames are brought to the range of the whole film; frames of an ordinary file share
      // the quantization of its header already.
      range = frame.FHeader.Version == 5
                  ? Range{frame.FFilmMin, frame.FFilmMax}
                  : Range{frame.RawToTemperature(0), frame.RawToTemperature(kFullScaleRaw)};
      stacked.assign(
          static_cast<std::size_t>(fw) * static_cast<std::size_t>(fh) * static_cast<std::size_t>(n), 0);
    } else if (frame.Width() != fw || frame.Height() != fh) {
      return IoResult::Error(QStringLiteral("Frame %1 of \"%2\" is %3 x %4, not %5 x %6")
                                 .arg(k)
                                 .arg(FFileName)
                                 .arg(frame.Width())
                                 .arg(frame.Height())
                                 .arg(fw)
                                 .arg(fh));
    }
    if (!frame.SetTemperatureRange(true, range.Low, range.High)) {
      return IoResult::Error(QStringLiteral("The film's temperature range is not valid"));
    }
    const std::size_t at = static_cast<std::size_t>(k - first) * frame.FRaw.size();
    std::copy(frame.FRaw.begin(), frame.FRaw.end(), stacked.begin() + static_cast<std::ptrdiff_t>(at));
  }

  // Keep the pixel shape: the stacked image is n frames tall on screen.
  double pixelAspect = FPixelAspect;
  if (!(pixelAspect > 0.0) || !std::isfinite(pixelAspect)) {
    pixelAspect = 1.0;
  }
  FHeader.Width = static_cast<std::uint16_t>(fw);
  FHeader.Height = static_cast<std::uint16_t>(n * fh);
  FHeader.Scale = frame.FHeader.Scale; // the film range, as the last frame was re-quantized to it
  FHeader.Offset = frame.FHeader.Offset;
  FRaw = std::move(stacked);
  SetAspect(static_cast<double>(Width()) / Height() / pixelAspect);
  UpdateStatistics();
  FIsoPoints.clear();
  return IoResult::Ok();
}

} // namespace calidarix
