// Operations that combine whole frames in the temperature domain: the running mean of camera frames,
// the mosaic of joined thermograms, the absolute difference, the heat map and the stacked film.
//
// Every result is written back as a 16-bit frame re-quantized over its own lowest and highest value
// (raw = Trunc((v - low) / (high - low) x 65535), Offset := low, Scale := (high - low) / 65535), so
// that the temperature rule returns the result value. A span of zero is widened to low .. low + 1.

#include "thermogram/tdtv.h"

#include "platform/numbers.h"
#include "thermogram/io_result.h"
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

// A thermogram's part in a join, worked on apart from the thermogram: its header, frame and aspect.
struct JoinPart {
  TDTV Dtv;

  explicit JoinPart(const TDTV &t) {
    Dtv.FHeader = t.FHeader;
    Dtv.FRaw = t.FRaw;
    Dtv.FAspect = t.FAspect;
    Dtv.FPixelAspect = t.FPixelAspect;
  }

  // Gives `t` the header, frame and aspect worked out here, with statistics to match.
  void CopyTo(TDTV &t) {
    t.FHeader = Dtv.FHeader;
    t.FRaw = std::move(Dtv.FRaw);
    t.FAspect = Dtv.FAspect;
    t.FPixelAspect = Dtv.FPixelAspect;
    t.UpdateStatistics();
    t.FIsoPoints.clear();
  }
};

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

IoResult TDTV::AppendImage(TDTV &other, const TRect &view) {
  if (&other == this) {
    return IoResult::Error(QStringLiteral("A thermogram cannot be joined to itself"));
  }
  if (PixelCount(other) == 0 || PixelCount(*this) == 0) {
    return IoResult::Error(QStringLiteral("There is no frame to join"));
  }
  return WithoutAllocationFailure(QStringLiteral("the joined picture"), [&] {
    // The join is worked out on copies: one that is refused leaves both thermograms as they were.
    JoinPart mine(*this);
    JoinPart theirs(other);
    const double low = std::min<double>(FHeader.Offset, other.FHeader.Offset);
    const double high = std::max(RawToTemperature(kFullScaleRaw), other.RawToTemperature(kFullScaleRaw));
    mine.Dtv.SetTemperatureRange(true, low, high);
    theirs.Dtv.SetTemperatureRange(true, low, high);
    theirs.Dtv.ResampleToAspect();
    TPoint appendPos = FAppendPos;
    if (appendPos == TPoint{0, 0}) {
      mine.Dtv.ResampleToAspect();
      appendPos.X = mine.Dtv.Width();
    }

    const double viewWidth = std::abs(static_cast<double>(view.Right) - view.Left);
    const double viewHeight = std::abs(static_cast<double>(view.Bottom) - view.Top);
    const double ratio = (viewWidth > 0.0 && viewHeight > 0.0) ? viewWidth / viewHeight : 1.0;
    auto misfit = [ratio](std::int64_t w, std::int64_t h) {
      const double q = static_cast<double>(w) / static_cast<double>(h) / ratio;
      return q < 1.0 ? 1.0 / q : q;
    };
    const std::int64_t w = mine.Dtv.Width();
    const std::int64_t h = mine.Dtv.Height();
    const std::int64_t ow = theirs.Dtv.Width();
    const std::int64_t oh = theirs.Dtv.Height();
    // A: in the same row, to the right of the last joined image; B: a new row below everything.
    const std::int64_t aw = std::max<std::int64_t>(appendPos.X + ow, w);
    const std::int64_t ah = std::max<std::int64_t>(appendPos.Y + oh, h);
    const std::int64_t bw = std::max(ow, w);
    const std::int64_t bh = h + oh;
    const bool right = misfit(aw, ah) <= misfit(bw, bh);
    const std::int64_t nw = right ? aw : bw;
    const std::int64_t nh = right ? ah : bh;
    if (nw > kMaxSide || nh > kMaxSide || appendPos.X < 0 || appendPos.Y < 0) {
      const QString text =
          QStringLiteral("Join refused: the picture would be %1 x %2 pixels, more than 65535 on a side")
              .arg(nw)
              .arg(nh);
      ThermogramLog(text);
      return IoResult::Error(text);
    }
    if (static_cast<std::uint64_t>(nw) * static_cast<std::uint64_t>(nh) > FramePixelBudget) {
      const QString text =
          QStringLiteral("Join refused: the picture of %1 x %2 pixels would be too large").arg(nw).arg(nh);
      ThermogramLog(text);
      return IoResult::Error(text);
    }
    if (!right) {
      appendPos = TPoint{0, static_cast<int>(h)};
    }

    std::vector<std::uint16_t> mosaic(static_cast<std::size_t>(nw) * static_cast<std::size_t>(nh), 0);
    const int newW = static_cast<int>(nw);
    const int newH = static_cast<int>(nh);
    Blit(mine.Dtv.FRaw, mine.Dtv.Width(), mine.Dtv.Height(), mosaic, newW, newH, 0, 0);
    Blit(theirs.Dtv.FRaw, theirs.Dtv.Width(), theirs.Dtv.Height(), mosaic, newW, newH, appendPos.X,
         appendPos.Y);
    appendPos.X += theirs.Dtv.Width();

    // Nothing can fail from here on: both thermograms take their new content.
    theirs.CopyTo(other);
    mine.Dtv.FHeader.Width = static_cast<std::uint16_t>(newW);
    mine.Dtv.FHeader.Height = static_cast<std::uint16_t>(newH);
    mine.Dtv.FRaw = std::move(mosaic);
    mine.Dtv.SetAspect(static_cast<double>(newW) / newH);
    mine.CopyTo(*this);
    FAppendPos = appendPos;
    return IoResult::Ok();
  });
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
  const QFileInfo film(FFileName);
  if (FFileName.isEmpty() || !film.isFile()) {
    return IoResult::Error(QStringLiteral("No film to stack: \"%1\" does not exist").arg(FFileName));
  }
  if (first < 1 || last < first) {
    return IoResult::Error(QStringLiteral("No frames to stack: %1 .. %2").arg(first).arg(last));
  }
  const std::int64_t n = std::int64_t{last} - first + 1;
  return WithoutAllocationFailure(QStringLiteral("the stacked frames"), [&]() -> IoResult {
    TDTV frame;
    if (IoResult read = frame.LoadFromFile(FFileName, first); !read) {
      return IoResult::Error(
          QStringLiteral("Frame %1 of \"%2\": %3").arg(first).arg(FFileName, read.message));
    }
    const int fw = frame.Width();
    const int fh = frame.Height();
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(fw) * static_cast<std::uint64_t>(fh);
    if (fw < 1 || fh < 1 || n * fh > kMaxSide || pixels > FramePixelBudget) {
      return IoResult::Error(
          QStringLiteral("%1 frames of %2 x %3 do not fit into one thermogram").arg(n).arg(fw).arg(fh));
    }
    // Every frame format stores at least one byte per pixel: a film whose header claims more frames
    // than its size allows is damaged, and is refused before the stacked frame is made for them.
    const std::uint64_t claimed = frame.FHeader.Version == 5 ? frame.FHeader.FrameCount : 0;
    if (pixels > static_cast<std::uint64_t>(film.size()) ||
        (claimed != 0 && static_cast<std::uint64_t>(last) > claimed)) {
      return IoResult::Error(
          QStringLiteral("\"%1\" does not hold frames %2 .. %3").arg(FFileName).arg(first).arg(last));
    }
    // A film's frames are brought to the range of the whole film; frames of an ordinary file share the
    // quantization of its header already.
    const Range range = frame.FHeader.Version == 5
                            ? Range{frame.FFilmMin, frame.FFilmMax}
                            : Range{frame.RawToTemperature(0), frame.RawToTemperature(kFullScaleRaw)};
    std::vector<std::uint16_t> stacked(static_cast<std::size_t>(pixels), 0);
    for (int k = first; k <= last; ++k) {
      if (k != first) {
        if (IoResult read = frame.LoadFromFile(FFileName, k); !read) {
          return IoResult::Error(
              QStringLiteral("Frame %1 of \"%2\": %3").arg(k).arg(FFileName, read.message));
        }
        if (frame.Width() != fw || frame.Height() != fh) {
          return IoResult::Error(QStringLiteral("Frame %1 of \"%2\" is %3 x %4, not %5 x %6")
                                     .arg(k)
                                     .arg(FFileName)
                                     .arg(frame.Width())
                                     .arg(frame.Height())
                                     .arg(fw)
                                     .arg(fh));
        }
      }
      if (!frame.SetTemperatureRange(true, range.Low, range.High)) {
        return IoResult::Error(QStringLiteral("The film's temperature range is not valid"));
      }
      const std::size_t at = static_cast<std::size_t>(k - first) * frame.FRaw.size();
      std::copy(frame.FRaw.begin(), frame.FRaw.end(), stacked.begin() + static_cast<std::ptrdiff_t>(at));
    }

    // Every frame is read: the thermogram takes the stack. Pixels keep their shape: the stacked image
    // is n frames tall on screen.
    double pixelAspect = FPixelAspect;
    if (!(pixelAspect > 0.0) || !std::isfinite(pixelAspect)) {
      pixelAspect = 1.0;
    }
    FRangeLocked = false;
    FHeader.Width = static_cast<std::uint16_t>(fw);
    FHeader.Height = static_cast<std::uint16_t>(n * fh);
    FHeader.Scale = frame.FHeader.Scale; // the film range, as the last frame was re-quantized to it
    FHeader.Offset = frame.FHeader.Offset;
    FRaw = std::move(stacked);
    SetAspect(static_cast<double>(Width()) / Height() / pixelAspect);
    UpdateStatistics();
    FIsoPoints.clear();
    return IoResult::Ok();
  });
}

} // namespace calidarix
