#pragma once
// The thermogram: one frame of 16-bit raw values, the header that travels with it in a ".dtv" file,
// the linear rule raw -> degrees Celsius (T = raw x Scale + Offset), the palettes and windows used to
// render it, the main window's view state, the current film frame record and the buffers of the
// analysis operations.
//
// TDTV is one class whose methods live in several files, one per concern (tdtv.cpp, dtv_format.cpp,
// load_from_file.cpp, palette_render.cpp, geometry.cpp, ...). Fields are public on purpose: the main
// window, the tools and the views read and set them directly, as the rest of the program expects.
//
// Invariant kept by every operation: FRaw.size() == Width x Height of FHeader.

#include "platform/companion_files.h"
#include "thermogram/frame_statistics.h"
#include "thermogram/io_result.h"
#include "thermogram/rect.h"

#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace calidarix {

// The header held by every thermogram. This is the in-memory form only: the file layout is read and
// written field by field at fixed offsets (dtv_format.cpp), never by copying this struct.
struct TDTVHeader {
  std::uint8_t HeaderSize = 0; // header length in the file (110)
  std::uint8_t Version = 0;    // 2: 8-bit frames, 3: 16-bit, 4: 16-bit to be re-projected, 5: film
  std::uint16_t Reserved2 = 0; // the Reserved fields are not interpreted, only kept and copied
  std::uint8_t Reserved4 = 0;
  std::uint8_t Reserved5 = 0;
  std::uint16_t Reserved6 = 0;
  std::uint16_t Reserved8 = 0;
  std::uint16_t Width = 0;
  std::uint16_t Height = 0;
  std::uint16_t Reserved14 = 0;
  std::uint16_t FrameCount = 0;
  std::uint16_t FieldMode = 0;  // 2: half-height field image
  std::uint8_t ModelHigh = 0;   // camera model code div 100
  std::uint8_t ModelLow = 0;    // camera model code mod 100
  float CameraTemp = 0.0f;      // camera body or detector temperature at capture
  std::uint16_t HorzExtent = 0; // 1/180 degree; 64799 or more means a full circle
  std::uint16_t VertExtent = 0; // 1/180 degree
  float FrameInterval = 0.0f;   // seconds between film frames
  float Scale = 0.0f;           // degrees per raw count
  float Offset = 0.0f;          // temperature of raw 0
  std::int16_t Elevation = 0;   // 1/180 degree; kElevationNotSet means not set
  // Comment bytes in the Windows-1251 code page, zero-terminated when shorter than 64 characters.
  std::array<char, 64> Comment{};

  static constexpr std::int16_t kElevationNotSet = -32768;
};

// The header a reset gives (ResetHeader): 1 x 1 pixel, one frame, version 3, the default Scale, Offset
// 0, and an empty comment.
TDTVHeader ResetHeaderValues();

// The record stored before each frame of a film.
struct TFilmFrameRecord {
  double MinTemp = 0.0;    // temperature of raw 0 of this frame
  double MaxTemp = 0.0;    // temperature of raw 65535 of this frame
  double CameraTemp = 0.0; // camera temperature of the frame
  std::array<std::uint8_t, 12> Reserved{};
  std::uint32_t TimeStamp = 0; // day of the month x 2^24 + seconds since midnight
};

// One palette entry and a 256-entry palette (entry 0 first, 768 bytes in files).
struct TRGB {
  std::uint8_t R = 0;
  std::uint8_t G = 0;
  std::uint8_t B = 0;

  friend bool operator==(const TRGB &, const TRGB &) = default;
};
using TPaletteTable = std::array<TRGB, 256>;

// A colour texel of the 3-D view's textures: the palette colour and an alpha byte (0 marks an
// empty pixel).
struct TTexel {
  std::uint8_t R = 0;
  std::uint8_t G = 0;
  std::uint8_t B = 0;
  std::uint8_t A = 0;
};

// One row of the film processing table, one per film frame, shown by the film review window.
struct TFilmProcessTable {
  std::int32_t FrameNo = 0; // 1-based
  double Time = 0.0;        // time of day as a fraction of a day
  float MinTemp = 0.0f;
  float MaxTemp = 0.0f;
  float MeanTemp = 0.0f;
  float CameraTemp = 0.0f;
  std::uint8_t Viewed = 0;     // the review window showed this row
  std::uint8_t MarkedSafe = 0; // the user marked this row safe
  std::int32_t Picket = 0;     // route picket from the matching ".sin" line
  std::int32_t Metres = 0;     // metres after the picket
  std::int32_t SinValue = 0;   // last numeric field of the matching line
  QString SinText;             // text field of the matching line, "No Data" without one
  QString Note;
};

class TDTV {
public:
  TDTV();
  ~TDTV();
  TDTV(const TDTV &) = delete;
  TDTV &operator=(const TDTV &) = delete;

  // ---- Object basics (tdtv.cpp) ----

  // Header defaults (1 x 1 pixel, one frame, version 3, default Scale), FFileName cleared, FRaw sized,
  // isotherm contours dropped. The comment stays.
  void ResetHeader();
  void SetAspect(double aspect);
  void UpdatePixelSize();
  void SetDistance(double distance);
  // With rescale the frame is re-quantized to low .. high; without, only the locked range is stored.
  // low is raised to absolute zero, a low above high becomes high - 1, and an empty range is widened
  // to one degree. Returns false and changes nothing when a bound is not finite.
  bool SetTemperatureRange(bool rescale, double low, double high);
  void UpdateStatistics();
  // The same from a summary of FRaw as it is now, for a reader that has just taken one.
  void UpdateStatistics(const RawSummary &summary);
  // Adds the frame's pixels to counts[0 .. bins-1]; counts is not cleared. Returns false and adds
  // nothing when bins < 1 or counts holds fewer than bins elements.
  bool Histogram(std::vector<std::int64_t> &counts, int bins) const;
  double RawToTemperature(int raw) const;
  // Temperature of pixel (x, y), 0.0 outside the frame.
  double TemperatureAt(int x, int y) const;
  double MinTemperature() const;
  double MaxTemperature() const;
  // Copies the source's header (comment included), frame and FScanReconstructed, and drops the
  // isotherm contours of the frame it replaces; nothing else.
  void Assign(const TDTV &source);
  // Time of day of a film frame's time stamp as a fraction of a day.
  static double FrameDateTime(std::uint32_t timeStamp);

  // Comment as text (converted from and to Windows-1251 at this boundary).
  QString CommentText() const;
  void SetCommentText(const QString &text);

  // ---- The .dtv file and film format (formats/dtv_format.cpp) ----

  // Reads frame `frame` (1-based). On failure the thermogram is left exactly as it was.
  IoResult LoadDTV(const QString &fileName, int frame);
  // The writers replace a file only once the new one is whole (through "<name>.tmp").
  IoResult SaveDTV(const QString &fileName);
  IoResult StartFilm(const QString &fileName);
  IoResult AppendFilmFrame(const QString &fileName);

  // ---- Loading by file type, companions, demo image (load_from_file.cpp, demo_image.cpp) ----

  IoResult LoadFromFile(const QString &fileName, int frame);
  void MakeDemoImage();

private:
  // LoadFromFile for a file that exists.
  IoResult LoadExistingFile(const QString &fileName, int frame);

public:
  // ---- Rendering (palette_render.cpp) ----

  // Renders the view into FBitmap sized as rect (its position is not used). firstRow = lastRow = 0
  // renders every row, otherwise only the bitmap rows showing image rows firstRow .. lastRow.
  void RenderToBitmap(const TRect &rect, int firstRow, int lastRow);
  void RenderAnaglyph();
  void RenderRawBitmap();
  void RenderPalettedBitmap();
  // Sets the palette scaling globals; run once before a series of RawToColor calls.
  void PreparePaletteScaling() const;
  TRGB RawToColor(std::uint16_t raw) const;

  // ---- Foreign thermogram formats (formats/<format>_reader.cpp) ----

  IoResult LoadBMP(const QString &fileName);
  IoResult LoadBMT(const QString &fileName);
  IoResult LoadSER(const QString &fileName, int frame);
  IoResult LoadSIT(const QString &fileName, int frame);
  IoResult LoadIMG(const QString &fileName, int frame);
  IoResult LoadTI4(const QString &fileName, int frame);
  IoResult LoadIS2(const QString &fileName);
  IoResult LoadRadiometricJPG(const QString &fileName);
  IoResult LoadDAT(const QString &fileName, int frame);

  // ---- 16-bit PNG thermogram (formats/png16_thermogram.cpp) ----

  IoResult SavePNG(const QString &fileName) const;
  IoResult LoadPNG(const QString &fileName);

  // ---- Geometric operations (geometry.cpp) ----

  void ResampleToAspect();
  void MirrorRect(const TRect &rect); // rect inclusive
  void FlipRect(const TRect &rect);   // rect inclusive
  void CropToRect(const TRect &rect); // rect half-open
  void DoubleWidth();
  void HalveWidth();
  void DoubleHeight();
  void HalveHeight();
  void RotateByAngle(double angle); // degrees, about the frame centre
  void Rotate90(bool clockwise);

  // ---- Filters and pixel repair (filters.cpp) ----

  void SmoothRect(const TRect &rect);
  void SharpenRect(const TRect &rect);
  void UnsharpMaskRect(const TRect &rect);
  void EdgeDetect(const TRect &rect);
  void Emboss(int direction); // 0 .. 7
  void FillZeroPixels(bool twice);
  void Destripe();

  // ---- Isotherms (isotherms.cpp) ----

  void BuildIsotherms();
  void AddIsothermLevel(int level);
  void BurnIsoline(std::uint16_t level);

  // ---- Frame arithmetic and summation (frame_arithmetic.cpp) ----

  void AccumulateFrame();
  // Joins other into this mosaic (other is re-quantized and resampled too). A join that cannot be
  // made (too large a picture) changes neither thermogram and returns the reason.
  IoResult AppendImage(TDTV &other, const TRect &view);
  void MakeAbsDifference(const TDTV &other);
  void MakeHeatMap(const TDTV &reference, const TRect &rect); // rect half-open
  // Replaces the frame by frames first .. last of the film FFileName, one below the other; a film
  // that does not hold them, or a stack beyond the frame budget, is refused and nothing changes.
  IoResult StackFilmFrames(int first, int last);

  // ---- Scan reconstruction by projection (scan_projection.cpp) ----

  // Replaces the frame by its projection of kind FProjection. A projection that cannot be made
  // changes nothing (frame, aspect, flags), says why in the log and returns false.
  bool ReconstructScan();

  // ---- Cube faces and textures of the 3-D view (cube_faces.cpp) ----

  void FillColorTexture(std::vector<TTexel> &texture, TPoint step, TPoint count, bool coloursOnly) const;
  void SubsampleHeightMap(std::vector<std::uint16_t> &heights, TPoint count, TPoint step) const;
  void BuildCubeFaceColors(std::vector<TTexel> &texture, int n, int face) const;
  void BuildCubeFaceRaw(std::vector<std::uint16_t> &values, int n, int face) const;

  // ---- Line profile analysis (line_profile.cpp) ----

  int FindSharpestRow(const TRect &rect);

  // ---- Scan-row tripling, dual-scan decoding and sampling (sampling.cpp) ----

  void TripleHeight(bool reverse);
  void DecodeDualScan();
  // Interpolated raw value at a fractional position; 0 outside 0 <= x < W, 0 <= y < H.
  std::uint16_t SampleBilinear(double x, double y) const;

  // ---- Plane projection, symmetric resampling, unfolding (plane_projection.cpp) ----

  // The plane projection from the header's angles; like ReconstructScan, a refusal changes nothing,
  // is logged and returns false.
  bool ProjectByAngles();
  void ProjectFrame(double horizontal, double vertical, double elevation); // degrees
  void ResampleSymmetric(const std::vector<double> &xOffsets, const std::vector<double> &yOffsets);
  void UnfoldHalves(int dx, int dy);

  // ================= Fields =================

  // File identity and header
  TDTVHeader FHeader;
  QString FFileName;
  int FFrameIndex = 0;
  std::uint32_t FFileDate = 0; // packed DOS date (high word) and time (low word)
  int FTimeDelta = 0;          // seconds added to every film frame's time stamp on reading
  // The frames the header of the file read last counts when it holds fewer (a film cut short), so that
  // the window can say so; 0 when the file holds what it counts.
  std::uint16_t FCountedFrames = 0;

  // Frame and analysis buffers
  std::vector<std::uint16_t> FRaw; // W x H, row after row from the top, left to right
  std::vector<double> FIsoPoints;  // isotherm contour segments
  std::vector<int> FPeakRows;
  int FBestPeak = 0;
  std::vector<TFilmProcessTable> FFilmProcessTable;
  bool FHasSinFile = false;
  bool FSumming = false;
  bool FSumReady = false;
  int SumCount = 0;
  int FSumDone = 0;
  double FSumMinTemp = 0.0;
  double FSumMaxTemp = 0.0;
  std::vector<double> FSumBuffer;
  TPoint FAppendPos;

  // Statistics (kept by UpdateStatistics)
  std::uint16_t FRawMin = 0;
  std::uint16_t FRawMax = 0;
  int FRawMean = 0;

  // Display geometry
  double FAspect = 0.0;      // display aspect of the whole frame (width / height on screen)
  double FPixelAspect = 0.0; // W / H / FAspect
  double FBaseAspect = 0.0;  // aspect before the last projection
  double FZoom = 0.0;        // screen pixels per image column
  double FViewOffsetX = 0.0;
  double FViewOffsetY = 0.0;
  QImage FBitmap;  // cached rendering
  QImage FOverlay; // picture of the ".abc" companion; null when there is none
  // Where the loader found the companions of the file read, kept while the file is stepped through.
  CompanionFiles FCompanions;

  // Palettes and windows
  TPaletteTable FPalette{};
  TPaletteTable FIsoPalette{};
  std::uint8_t PalBottom = 0;
  std::uint8_t PalTop = 0;
  std::uint8_t IsoBottom = 0;
  std::uint8_t IsoTop = 0;
  bool isIso = false;
  bool isIsoColor = false;
  bool isIsoAuto = false;
  bool FSmoothPalette = false;
  bool FRangeLocked = false;
  double LockMin = 0.0;
  double LockMax = 0.0;
  bool FFilmRangeLock = false;

  // Load options (read by LoadFromFile)
  bool FFlipAfterLoad = false;
  bool FMirrorAfterLoad = false;
  bool FRotateAfterLoad = false;
  float FRotateAngle = 0.0f; // degrees
  bool FStampCameraTemp = false;
  bool FDecodeDualScan = false;
  bool FShowIsolines = false;

  // Processing state
  bool FSmoothed = false;
  int FSmoothCount = 0;
  bool FProcessedFlag = false;
  bool FSkewCorrect = false;
  bool FSkewParity = false;
  double FSkewOffset = 0.0;
  double FSkewSlope = 0.0;
  bool FHasVoiceNote = false;

  // Film
  TFilmFrameRecord FFrameRec;
  double FFilmMin = 0.0;
  double FFilmMax = 0.0;
  double FCameraTemp = 0.0;

  // Projection
  bool FAspectFromAngles = false;
  int FProjection = 0; // 0 sphere, 1 cylinder, 2 transversal, 3 Mercator, 4 plane, 5/6 polar, 21, 22
  bool FScanReconstructed = false;
  std::uint16_t FPlaneDirection = 0; // 1/180 degree

  // Object geometry and heat
  double FEmissivity = 0.0;
  double FAmbientTemp = 0.0;
  double FFovHorz = 0.0;  // degrees
  double FFovVert = 0.0;  // degrees
  double FDistance = 0.0; // metres
  double FPixelWidth = 0.0;
  double FPixelHeight = 0.0;
  double FPixelArea = 0.0;
  double FRectArea = 0.0;
  double FThickness = 0.0;
  double FSpecificHeat = 0.0;
  double FDensity = 0.0;

  int Width() const { return FHeader.Width; }
  int Height() const { return FHeader.Height; }
};

// The thermogram has a size and exactly its width x height pixels.
inline bool HoldsWholeFrame(const TDTV &dtv) {
  return dtv.Width() > 0 && dtv.Height() > 0 &&
         dtv.FRaw.size() == static_cast<std::size_t>(dtv.Width()) * static_cast<std::size_t>(dtv.Height());
}

// Full-scale raw value used throughout the program.
inline constexpr int kFullScaleRaw = 65535;
// Lowest temperature a thermogram accepts, degrees Celsius.
inline constexpr double kAbsoluteZero = -273.15;

// Decimal text of value padded on the left with "0" to at least width characters (before the minus
// sign for a negative value).
QString IntToStrZ(int value, int width);

} // namespace calidarix
