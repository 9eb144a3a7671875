#pragma once
// What the USB thermal module's driver does with the frames it receives: statistics per frame type,
// the dead-pixel map and its repair, the correction of the image frame against the reference and gain
// frames, the flat field taken after each shutter event, the optional filters and the temperatures.
//
// Frame types: 3 image, 1 reference subtracted from the image, 4 gain frame (also the source of the
// dead pixels), 6 and 7 required before a correction, 5 two 8-bit values packed per word, 9 the table
// of the inside temperature, 10 shutter frame (the source of the flat field). Buffer t holds the last
// frame of type t; buffer 0 the corrected image and buffer 2 the dead-pixel map (bit 0: the module's
// fixed pattern, bit 2: gain below 8; any bit set: dead).
//
// One object is used by one thread at a time (the driver thread, or its owner under the driver's lock).

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace calidarix {

// The module (first model): USB identity, image and raw frame sizes.
inline constexpr std::uint16_t SeekVendorId = 0x289D;
inline constexpr std::uint16_t SeekProductId = 0x0010;
inline constexpr int SeekImageWidth = 206;
inline constexpr int SeekImageHeight = 152;
inline constexpr int SeekImagePixels = SeekImageWidth * SeekImageHeight; // 31312
inline constexpr int SeekRawWidth = 208;                                 // 16-bit words per raw row
inline constexpr int SeekRawHeight = 156;
inline constexpr int SeekRawWords = SeekRawWidth * SeekRawHeight; // 32448
inline constexpr int SeekRowOffset = 0;
inline constexpr int SeekColumnOffset = 0;
inline constexpr int kModuleBuffers = 11;

// Frame types with a meaning of their own.
inline constexpr int kModuleImageBuffer = 0;
inline constexpr int kModuleReferenceFrame = 1;
inline constexpr int kModuleDeadPixelMap = 2;
inline constexpr int kModuleImageFrame = 3;
inline constexpr int kModuleGainFrame = 4;
inline constexpr int kModulePackedFrame = 5;
inline constexpr int kModuleTemperatureTable = 9;
inline constexpr int kModuleShutterFrame = 10;

struct TModuleFrameStats {
  std::uint16_t Minimum = 0;
  std::uint16_t Maximum = 0;
  std::uint16_t Mean = 0;
  std::uint16_t HeaderWord = 0; // of the frame the values were taken from
};

// The frame header of a raw frame, taken out of it.
struct TModuleFrameHeader {
  std::uint16_t HeaderWord = 0; // word 1
  std::uint8_t RawType = 0;     // byte 20
  int Type = 0;                 // 14 and every type from 11 up count as 10
  bool Stored = false;          // the pixels go to the type's buffer (1 .. 10 and 14)
};

// Reads the header word and the frame type, then clears bytes 2-3, 20-21 and 80-81 of the raw frame
// (words 1, 10 and 40). `raw` holds SeekRawWords words.
TModuleFrameHeader TakeModuleFrameHeader(std::span<std::uint16_t> raw);

class TModuleImage {
public:
  TModuleImage();

  bool HasBuffer(int t) const;
  // The image part of a raw frame (SeekRawWords words) into buffer t, allocated on first use.
  void StoreRawFrame(int t, std::span<const std::uint16_t> raw);
  // Statistics of buffer t over the live pixels; for t = 4 the dead-pixel map first, for t = 5 the
  // byte expansion after.
  void ProcessFrameByType(int t);
  void BuildDeadPixelMap();
  bool HasDeadPixelMap() const { return HasBuffer(kModuleDeadPixelMap); }
  bool IsDead(std::size_t i) const;
  void FixDeadPixels(int b);
  void CorrectImage();
  void StoreFlatField();
  void ImageStats(int b);
  // Inside temperature of a signal from the temperature table (buffer 9), degrees Celsius; 0 when
  // stopped, without the table or for a signal outside it.
  double InsideTemperature(std::uint16_t v, bool stopped) const;
  // The image frame's processing: statistics, correction, dead pixels, after a shutter event the flat
  // field and the temperatures (readShutter gives the shutter's reading, 0 for none), the filters, and
  // FImage. Writes its lines to `log` when given.
  void ImagePipeline(bool afterShutterEvent, bool stopped, const std::function<double()> &readShutter,
                     const std::function<void(const QString &)> &log);

  // In place: the median of the 3 x 3 block whose top-left corner is each pixel (positions outside the
  // image left out). `window` is the block's side; only 3 is used.
  static void MedianFilter3x3(std::uint16_t *data, int width, int window, int height);
  // In place: the 3 x 3 binomial filter (1 2 1 / 2 4 2 / 1 2 1, shifted right by 4) inside the border;
  // border pixels stay.
  static void SmoothFilter(std::uint16_t *data, int width, int height);

  std::array<std::vector<std::uint16_t>, kModuleBuffers> FFrameBuffers;
  std::array<TModuleFrameStats, kModuleBuffers> FFrameStats{};
  std::vector<std::uint16_t> FImage;
  std::uint16_t FImageMin = 0;
  std::uint16_t FImageMax = 0;
  std::vector<std::uint16_t> FFlatField;
  TModuleFrameStats FFlatFieldStats{};
  bool FFlatFieldOn = false;
  int FDeadPixelCount = 0;
  std::uint16_t FHeaderWord = 0; // of the last raw frame
  bool FMedianFilterOn = false;
  double FBlindTemperature = 20.0; // shutter temperature, degrees Celsius
  double FInsideTemperature = 0.0;
  double FTemperatureOffset = 0.0; // blind - inside
  // A new flat field was taken: the next image frame is not shown.
  bool FSkipNextPost = false;
};

} // namespace calidarix
