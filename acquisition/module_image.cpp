#include "acquisition/module_image.h"

#include "platform/numbers.h"

#include <algorithm>
#include <limits>

namespace calidarix {

namespace {

constexpr std::size_t kPixels = SeekImagePixels;

// The module's fixed pattern of dead pixels (first model).
bool FixedPatternDead(int x, int y) {
  return (x + 5 + 4 * y) % 15 == 0;
}

std::uint16_t Clamp16(std::int64_t v) {
  return static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, 65535));
}

// Running minimum, maximum and mean of a set of values.
struct Tally {
  std::uint16_t lo = std::numeric_limits<std::uint16_t>::max();
  std::uint16_t hi = 0;
  std::int64_t sum = 0;
  std::int64_t count = 0;
  void Add(std::uint16_t v) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    sum += v;
    ++count;
  }
  TModuleFrameStats Stats(std::uint16_t header) const {
    if (count == 0)
      return TModuleFrameStats{0, 0, 0, header};
    return TModuleFrameStats{lo, hi, static_cast<std::uint16_t>(sum / count), header};
  }
};

} // namespace

TModuleFrameHeader TakeModuleFrameHeader(std::span<std::uint16_t> raw) {
  TModuleFrameHeader h;
  if (raw.size() < 41)
    return h;
  h.HeaderWord = raw[1];
  h.RawType = static_cast<std::uint8_t>(raw[10] & 0xFF); // byte 20, the low byte of word 10
  raw[1] = 0;
  raw[10] = 0;
  raw[40] = 0;
  if (h.RawType == 0) {
    h.Type = 0;
  } else if (h.RawType <= 10 || h.RawType == 14) {
    h.Type = h.RawType == 14 ? kModuleShutterFrame : h.RawType;
    h.Stored = true;
  } else {
    h.Type = kModuleShutterFrame;
  }
  // Buffer 2 holds the dead-pixel map: a frame of that type would overwrite it with pixels.
  if (h.Type == kModuleDeadPixelMap)
    h.Stored = false;
  return h;
}

TModuleImage::TModuleImage() : FImage(kPixels, 0), FFlatField(kPixels, 0) {}

bool TModuleImage::HasBuffer(int t) const {
  return t >= 0 && t < kModuleBuffers && FFrameBuffers[static_cast<std::size_t>(t)].size() == kPixels;
}

void TModuleImage::StoreRawFrame(int t, std::span<const std::uint16_t> raw) {
  if (t < 1 || t >= kModuleBuffers || raw.size() < static_cast<std::size_t>(SeekRawWords))
    return;
  std::vector<std::uint16_t> &b = FFrameBuffers[static_cast<std::size_t>(t)];
  b.resize(kPixels);
  for (int y = 0; y < SeekImageHeight; ++y) {
    const std::uint16_t *row =
        raw.data() + static_cast<std::size_t>(y + SeekRowOffset) * SeekRawWidth + SeekColumnOffset;
    std::copy(row, row + SeekImageWidth, b.begin() + static_cast<std::ptrdiff_t>(y) * SeekImageWidth);
  }
}

bool TModuleImage::IsDead(std::size_t i) const {
  return FFrameBuffers[kModuleDeadPixelMap][i] != 0;
}

void TModuleImage::BuildDeadPixelMap() {
  if (!HasBuffer(kModuleGainFrame))
    return;
  const std::vector<std::uint16_t> &gain = FFrameBuffers[kModuleGainFrame];
  std::vector<std::uint16_t> &map = FFrameBuffers[kModuleDeadPixelMap];
  map.assign(kPixels, 0);
  FDeadPixelCount = 0;
  for (int y = 0; y < SeekImageHeight; ++y)
    for (int x = 0; x < SeekImageWidth; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * SeekImageWidth + x;
      if (FixedPatternDead(x, y))
        map[i] |= 1;
      if (gain[i] < 8) {
        map[i] |= 4;
        ++FDeadPixelCount;
      }
    }
}

void TModuleImage::ProcessFrameByType(int t) {
  if (t == kModuleGainFrame)
    BuildDeadPixelMap();
  if (t < 1 || t >= kModuleBuffers || t == kModuleDeadPixelMap || !HasBuffer(t) || !HasDeadPixelMap())
    return;
  const std::vector<std::uint16_t> &b = FFrameBuffers[static_cast<std::size_t>(t)];
  std::uint16_t hi = 0;
  Tally positive;
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (IsDead(i))
      continue;
    hi = std::max(hi, b[i]);
    if (b[i] > 0)
      positive.Add(b[i]);
  }
  TModuleFrameStats s = positive.Stats(FHeaderWord);
  s.Maximum = hi;
  FFrameStats[static_cast<std::size_t>(t)] = s;

  if (t == kModulePackedFrame) {
    FFrameStats[kModulePackedFrame] = TModuleFrameStats{100, 152, 128, FHeaderWord};
    // Two bytes per word, expanded from the middle of the row backwards so that no word is read after
    // it was overwritten.
    std::vector<std::uint16_t> &p = FFrameBuffers[kModulePackedFrame];
    const auto clamp = [](int v) { return static_cast<std::uint16_t>(std::clamp(v, 100, 152)); };
    for (int y = 0; y < SeekImageHeight; ++y) {
      std::uint16_t *row = p.data() + static_cast<std::size_t>(y) * SeekImageWidth;
      for (int x = SeekImageWidth / 2 - 1; x >= 0; --x) {
        const std::uint16_t w = row[x];
        row[2 * x] = clamp(w & 0xFF);
        row[2 * x + 1] = clamp(w >> 8);
      }
    }
  }
}

void TModuleImage::FixDeadPixels(int b) {
  if (!HasDeadPixelMap())
    BuildDeadPixelMap();
  if (!HasDeadPixelMap() || !HasBuffer(b) || b == kModuleDeadPixelMap)
    return;
  std::vector<std::uint16_t> &d = FFrameBuffers[static_cast<std::size_t>(b)];
  for (int y = 0; y < SeekImageHeight; ++y)
    for (int x = 0; x < SeekImageWidth; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * SeekImageWidth + x;
      if (!IsDead(i))
        continue;
      std::int64_t sum = 0;
      int count = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx;
          const int ny = y + dy;
          // The last column is left out of the neighbourhood, as the module's own repair does.
          if ((dx == 0 && dy == 0) || ny < 0 || ny >= SeekImageHeight || nx < 0 || nx >= SeekImageWidth - 1)
            continue;
          const std::size_t n = static_cast<std::size_t>(ny) * SeekImageWidth + nx;
          if (IsDead(n))
            continue;
          sum += d[n];
          ++count;
        }
      d[i] = count > 0 ? Clamp16(sum / count) : 0;
    }
}

void TModuleImage::CorrectImage() {
  if (!HasDeadPixelMap())
    return;
  for (const int t : {1, 3, 4, 6, 7})
    if (!HasBuffer(t)) {
      FFrameStats[kModuleImageBuffer] = TModuleFrameStats{0, 0, 0, FHeaderWord};
      return;
    }
  const std::vector<std::uint16_t> &image = FFrameBuffers[kModuleImageFrame];
  const std::vector<std::uint16_t> &reference = FFrameBuffers[kModuleReferenceFrame];
  const std::vector<std::uint16_t> &gain = FFrameBuffers[kModuleGainFrame];
  std::vector<std::uint16_t> &out = FFrameBuffers[kModuleImageBuffer];
  std::vector<std::uint16_t> &shutter = FFrameBuffers[kModuleShutterFrame];
  if (out.size() != kPixels)
    out.assign(kPixels, 0);
  if (shutter.size() != kPixels)
    shutter.assign(kPixels, 0);
  const std::int64_t k = FFrameStats[kModuleImageFrame].HeaderWord;
  const std::int64_t flatMean = FFlatFieldStats.Mean;
  Tally corrected;
  Tally shown;
  for (std::size_t i = 0; i < kPixels; ++i) {
    // A gain of 0 is dead by the map; the test keeps a map built from an older gain frame safe too.
    if (IsDead(i) || gain[i] == 0)
      continue;
    const std::int64_t product = (static_cast<std::int64_t>(image[i]) - reference[i]) * k;
    std::int64_t c = TruncToInt64(static_cast<double>(product) / gain[i]) + k;
    shutter[i] = Clamp16(c);
    corrected.Add(shutter[i]);
    if (FFlatFieldOn)
      c = c - FFlatField[i] + flatMean;
    out[i] = Clamp16(c);
    shown.Add(out[i]);
  }
  FFrameStats[kModuleShutterFrame] = corrected.Stats(FHeaderWord);
  FFrameStats[kModuleImageBuffer] = shown.Stats(FHeaderWord);
}

void TModuleImage::StoreFlatField() {
  if (!HasBuffer(kModuleShutterFrame))
    return;
  FFlatField = FFrameBuffers[kModuleShutterFrame];
  if (!HasDeadPixelMap())
    return;
  Tally t;
  for (std::size_t i = 0; i < kPixels; ++i)
    if (!IsDead(i) && FFlatField[i] >= 1 && FFlatField[i] <= 65534)
      t.Add(FFlatField[i]);
  FFlatFieldStats = t.Stats(FHeaderWord);
}

void TModuleImage::ImageStats(int b) {
  if (!HasBuffer(b) || !HasDeadPixelMap() || b == kModuleDeadPixelMap)
    return;
  const std::vector<std::uint16_t> &d = FFrameBuffers[static_cast<std::size_t>(b)];
  Tally t;
  for (std::size_t i = 0; i < kPixels; ++i)
    if (!IsDead(i))
      t.Add(d[i]);
  FFrameStats[static_cast<std::size_t>(b)] = t.Stats(FHeaderWord);
}

double TModuleImage::InsideTemperature(std::uint16_t v, bool stopped) const {
  if (stopped || !HasBuffer(kModuleTemperatureTable) || v >= kPixels)
    return 0.0;
  const std::vector<std::uint16_t> &t9 = FFrameBuffers[kModuleTemperatureTable];
  return (static_cast<double>(t9[v]) - static_cast<double>(t9[0])) / 32.0 - 273.15;
}

void TModuleImage::ImagePipeline(bool afterShutterEvent, bool stopped,
                                 const std::function<double()> &readShutter,
                                 const std::function<void(const QString &)> &log) {
  ProcessFrameByType(kModuleImageFrame);
  CorrectImage();
  FixDeadPixels(kModuleImageBuffer);
  if (afterShutterEvent) {
    const double reading = readShutter ? readShutter() : 0.0;
    if (log)
      log(QStringLiteral("seekRealTemp = ") + QString::fromStdString(FixedText(FBlindTemperature, 2)));
    FInsideTemperature = InsideTemperature(FFrameStats[kModuleImageBuffer].Mean, stopped);
    if (log)
      log(QStringLiteral("seekInsideTemp = ") + QString::fromStdString(FixedText(FInsideTemperature, 2)));
    if (reading != 0.0)
      FBlindTemperature = reading;
    if (FBlindTemperature == 0.0)
      FBlindTemperature = 20.0;
    FTemperatureOffset = FBlindTemperature - FInsideTemperature;
    StoreFlatField();
    FFlatFieldOn = true;
    FSkipNextPost = true;
  }
  if (FMedianFilterOn && HasBuffer(kModuleImageBuffer)) {
    std::uint16_t *image = FFrameBuffers[kModuleImageBuffer].data();
    MedianFilter3x3(image, SeekImageWidth, 3, SeekImageHeight);
    SmoothFilter(image, SeekImageWidth, SeekImageHeight);
    ImageStats(kModuleImageBuffer);
  }
  FImageMin = FFrameStats[kModuleImageBuffer].Minimum;
  FImageMax = FFrameStats[kModuleImageBuffer].Maximum;
  if (HasBuffer(kModuleImageBuffer))
    FImage = FFrameBuffers[kModuleImageBuffer];
}

void TModuleImage::MedianFilter3x3(std::uint16_t *data, int width, int window, int height) {
  if (!data || width <= 0 || height <= 0 || window < 1)
    return;
  window = std::min(window, 3);
  std::vector<std::uint16_t> copy(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  std::array<std::uint16_t, 9> samples{};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int n = 0;
      for (int dy = 0; dy < window && y + dy < height; ++dy) {
        const std::uint16_t *row = data + static_cast<std::size_t>(y + dy) * width;
        for (int dx = 0; dx < window && x + dx < width; ++dx)
          samples[static_cast<std::size_t>(n++)] = row[x + dx];
      }
      // The element a full sort would put at position n div 2.
      std::nth_element(samples.begin(), samples.begin() + n / 2, samples.begin() + n);
      copy[static_cast<std::size_t>(y) * width + x] = samples[static_cast<std::size_t>(n / 2)];
    }
  std::copy(copy.begin(), copy.end(), data);
}

void TModuleImage::SmoothFilter(std::uint16_t *data, int width, int height) {
  if (!data || width < 3 || height < 3)
    return;
  const std::size_t w = static_cast<std::size_t>(width);
  std::vector<std::uint16_t> copy(data, data + w * static_cast<std::size_t>(height));
  for (int y = 1; y < height - 1; ++y) {
    const std::uint16_t *up = copy.data() + (y - 1) * w;
    const std::uint16_t *mid = copy.data() + y * w;
    const std::uint16_t *down = copy.data() + (y + 1) * w;
    std::uint16_t *out = data + y * w;
    for (int x = 1; x < width - 1; ++x) {
      const std::uint32_t sum = up[x - 1] + 2u * up[x] + up[x + 1] + 2u * mid[x - 1] + 4u * mid[x] +
                                2u * mid[x + 1] + down[x - 1] + 2u * down[x] + down[x + 1];
      out[x] = static_cast<std::uint16_t>(sum >> 4);
    }
  }
}

} // namespace calidarix
