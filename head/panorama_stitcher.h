#pragma once
// The panorama stitching object: it turns a panorama folder (panorama_folder.h) into one thermogram.
// It reads the folder's parameters, lists and orders the frames, places every frame on a common
// equirectangular grid (columns are azimuth, rows elevation from the top down, one pixel the same
// angle on both axes) and composes the pixels.
//
// Methods live in several files, one per concern:
//   panorama_stitch_setup.cpp  defaults, the parameter file, the frame order
//   panorama_stitch_run.cpp    listing the frames, the common temperature range, the run and its output
//   panorama_geometry.cpp      directions of the pixels, frame rotation, limits and panorama size
//   panorama_composition.cpp   composing one frame into the panorama (merge modes, blending, borders)
//
// Units: angles in the parameter file, the head settings and thermogram headers are integers in 1/180
// degree ("units"; 64800 = one turn). Inside, angles are radians; K = 32400/pi units per radian.
// Directions are 16-bit vectors of length 32750 (z forward along the optical axis, y up, x towards the
// left edge of the frame), rotated in place and rounded after every single rotation: the whole
// direction table of a frame is computed once per run and only rotated per frame.
//
// The object runs on the GUI thread. Progress, Cancel and the message queue are reached through the
// TStitchProgress it is given; diagnostics go to FLog.

#include "head/direction_rows.h"
#include "thermogram/rect.h"
#include "thermogram/tdtv.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace calidarix {

// One listed frame.
struct TPanoFrame {
  bool Wraps = false;    // the frame crosses the azimuth of +-180 degrees
  bool InLimits = false; // (HorDeg, VerDeg) lies in FCamPosLimits
  std::int32_t HorCounter = 0;
  std::int32_t VerCounter = 0;
  double HorAngle = 0.0; // head angles of the frame centre, radians
  double VerAngle = 0.0;
  std::int32_t HorDeg = 0; // the same in whole degrees
  std::int32_t VerDeg = 0;
  // Extent in units: azimuths (0..64799 for a frame that wraps), elevations. While measuring the
  // elevations hold y components of directions.
  std::int32_t MinAz = 0;
  std::int32_t MaxEl = 0;
  std::int32_t MaxAz = 0;
  std::int32_t MinEl = 0;
  QString FileName;
  // The frame reaches over a pole of the sphere: +1 the zenith, -1 the nadir, 0 neither. Such a frame
  // spans every azimuth and is filled from its outline to the pole.
  int Pole = 0;
  // Film frames in its file (1 for a single thermogram).
  int FilmFrames = 1;
};

// Progress and Cancel of a run: the progress window answers it, or a test.
class TStitchProgress {
public:
  virtual ~TStitchProgress() = default;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual void SetPosition(int percent) = 0;
  // Lets the message queue run once (so that a click on Cancel is seen).
  virtual void ProcessMessages() = 0;
  virtual bool Cancelled() const = 0;
};

enum class TStitchOutcome {
  Written,         // the panorama was written
  Listed,          // a quiet run listed and ordered the frames
  NoParameterFile, // nothing was done
  BadParameterFile,
  NoFrames,
  NothingInLimits,
  Cancelled, // nothing was written
  Failed,    // nothing was written
};

struct TStitchResult {
  TStitchOutcome Outcome = TStitchOutcome::Failed;
  QString Message;      // why nothing was written; empty when it was
  QString OutputFile;   // the panorama's file name (also when nothing was written)
  QStringList Warnings; // frames left out, and why
  int FilmFrames = 0;   // film frames written
  bool Written() const { return Outcome == TStitchOutcome::Written; }
};

class TFOV {
public:
  TFOV();
  ~TFOV();
  TFOV(const TFOV &) = delete;
  TFOV &operator=(const TFOV &) = delete;

  // ---- Set-up, parameter file and frame order (panorama_stitch_setup.cpp) ----
  void SetDefaults();
  // Empties the frame list, the direction tables, the maps, the order and the accumulators.
  void FreeArrays();
  // Reads section "PARAMS"; false at the first missing or invalid value (FParamsError says which).
  bool LoadPanoParams(const QString &iniFileName);
  // Orders FFrames into FSortIndex. With FApplyOrderSwitches the three order switches choose the
  // order; otherwise it is the fixed order of the design: column by column from left to right, each
  // column from top to bottom (the switches are set to that order).
  void SortPanoFrames();
  void SetFrameTilt(double radians) { FFrameTilt = radians; }
  double GetFrameTilt() const { return FFrameTilt; }
  void SetNonorthogonality(double radians) { FNonorthogonality = radians; }
  double GetNonorthogonality() const { return FNonorthogonality; }
  double GetScanArcH() const { return FScanArcH; }
  double GetScanArcV() const { return FScanArcV; }
  void SetFrameWidth(int value);
  void SetFrameHeight(int value);
  int GetFrameWidth() const { return FFrameWidth; }
  int GetFrameHeight() const { return FFrameHeight; }

  // ---- The run (panorama_stitch_run.cpp) ----
  // Stitches folder into "<folder>" + FNameSuffix + ".dtv" beside it. frameLimit is not used (callers
  // pass 9999). quiet lists and orders the frames only: no progress window, no output.
  TStitchResult ProcessPanoFolder(const QString &folder, int frameLimit, bool quiet);
  // The output name for a folder: the folder without its final separator + FNameSuffix + ".dtv".
  QString OutputFileName(const QString &folder) const;

  // ---- Geometry (panorama_geometry.cpp) ----
  void SetRotation(double angle);
  void RotateX(TDirVec &v) const;
  void RotateY(TDirVec &v) const;
  void RotateZ(TDirVec &v) const;
  // Round(atan2(-x, z) x K), -32400..32400.
  static std::int16_t Azimuth(const TDirVec &v);
  // Round(arcsin(y / 32750) x K); components a rounding beyond the unit length count as the pole.
  static std::int16_t Elevation(std::int16_t y);
  // (a - b) brought into 0..64799.
  static std::int32_t AzimuthDiff(std::int32_t a, std::int32_t b);
  // The 16 x 2 grid of edge directions used to measure the frames' extents.
  void PredProcess9points();
  // The full direction table of a frame and the weight map.
  void PredProcess();
  // Cosines and sines of the frame's angles; while measuring also the zenith and 180-degree limits.
  void PrepareFrameRotation(int index, bool measuring);
  // A direction of the head frame into the world frame of the current frame.
  void RotateToFrame(TDirVec &v) const;
  // FWorkTable for one frame; with measure the limits widen to it.
  void ProcessFrameCoords(int index, bool measure);
  // After measuring: the frames over a pole get their full span, the vertical limits become elevations.
  void PanoLimits();
  int GetPanoWidth() const { return FPanoWidth; }
  int GetPanoHeight() const { return FPanoHeight; }
  std::int32_t GetPanoHorExtent() const { return FPanoHorExtent; }
  std::int32_t GetPanoVerExtent() const { return FPanoVerExtent; }
  std::int32_t GetPanoElevation() const { return FPanoElevation; }
  // Computes the panorama's size and header values from the limits; false (with FSizeError) when the
  // panorama would be empty or too large.
  bool ComputePanoSize();

  // ---- Composition (panorama_composition.cpp) ----
  // Composes frame `index` (already loaded into FFrameLoader and re-quantized, its FWorkTable filled)
  // into the panorama's raw frame and the accumulators.
  void BlendPanoFrame(int index, TDTV &pano, const TRect &panoRect);
  // Clears the panorama's raw frame and the accumulators of the current modes (once per film frame).
  bool ResetAccumulators(TDTV &pano);
  // Merge mode 2: the weighted sums become the panorama's values.
  void FinishWeightedMerge(TDTV &pano) const;

  // ================= Fields =================
  std::int32_t FLeftAz = 0; // panorama azimuth limits, units
  std::int32_t FRightAz = 0;
  std::int32_t FTopLimit = 0; // y components while measuring, elevation units after PanoLimits
  std::int32_t FBottomLimit = 0;
  double FScanArcH = 0.0; // field of view of one frame, radians
  double FScanArcV = 0.0;
  int FFrameWidth = 0; // one frame after pixel doubling
  int FFrameHeight = 0;
  int FWorkWidth = 0; // the current direction table
  int FWorkHeight = 0;
  bool FAnyInLimits = false;
  std::vector<TDirVec> FDirTable;
  std::vector<TDirVec> FWorkTable;
  // Where FWorkTable's directions point: azimuths brought into 0..64799, and elevations, in units.
  std::vector<std::uint16_t> FWorkAzimuth;
  std::vector<std::int16_t> FWorkElevation;
  std::vector<std::uint8_t> FWeightMap;
  std::vector<std::int32_t> FRowMaxX, FRowMinX, FColMinY, FColMaxY;
  std::unique_ptr<TDTV> FFrameLoader;
  TRect FUsedRect; // inclusive
  double FMinTemp = 0.0;
  double FMaxTemp = 0.0;
  bool FStitchRequested = false;
  bool FKeepGeometry = false;
  TRect FCamPosLimits{-180, -90, 180, 90}; // degrees; left and top included, right and bottom not
  TRect FFrameCuts{};                      // pixels cut from the left, top, right and bottom edges
  std::uint8_t FMergeMode = 0;             // 0 overwrite, 1 nearest centre, 2 weighted blend
  int FWeightShiftX = 0;                   // percent of half the frame width
  int FWeightShiftY = 0;
  bool FDecodeDualScans = false;
  bool FDoublePixels = true;
  bool FDrawFrameBorders = false;
  bool FDrawFramesByLevels = false;
  bool FPointHitCounting = false;
  std::vector<std::uint8_t> FLevelMap; // frames averaged per panorama pixel; 255 marks a border
  bool FBlending = false;
  int FProcessedCount = 0;
  QString FNameSuffix;
  bool FFullCircle = false;
  std::vector<TPanoFrame> FFrames;
  bool FLeftToRight = true;
  bool FTopToBottom = true;
  bool FColumnPriority = true;
  // The order switches choose the frame order, and the parameter file does not change them (the
  // "Try All Orders" command); FNameSuffix is then kept as the caller set it.
  bool FApplyOrderSwitches = false;
  double FFrameTilt = 0.0;
  double FNonorthogonality = 0.0;
  std::int32_t FHorizonCorrection = 0;
  std::int32_t FHorArc = 0; // FScanArcH, FScanArcV in units
  std::int32_t FVerArc = 0;
  double FPanoAnglePerPixel = 0.0;
  double FHorAnglePerPixel = 0.0;
  double FVerAnglePerPixel = 0.0;
  double FLineHeel = 0.0;
  double FLineYaw = 0.0;
  std::int32_t FRatioVer = 1;
  std::int32_t FRatioHor = 1;
  std::int32_t FRatioVerTurns = 0;
  std::int32_t FRatioHorTurns = 0;
  std::vector<int> FSortIndex;

  // Accumulators, one entry per panorama pixel, only in the modes that need them.
  std::vector<std::uint8_t> PanoMaxWeightMap;  // merge mode 1
  std::vector<std::uint64_t> PanoWeightedSums; // merge mode 2: value x weight
  std::vector<std::uint32_t> PanoWeightTotals; // merge mode 2: weights

  // Why LoadPanoParams or ComputePanoSize refused.
  QString FParamsError;
  QString FSizeError;

  TStitchProgress *FProgress = nullptr;
  // Diagnostics; FLogging asks for the timing lines of a run as well.
  std::function<void(const QString &)> FLog;
  bool FLogging = false;

private:
  void Log(const QString &text) const;
  // Diagnostic lines, written only with FLogging.
  void Trace(const QString &text) const {
    if (FLogging)
      Log(text);
  }
  bool Cancelled() const;
  // Rotation scratch.
  double FCos = 1.0, FSin = 0.0;
  TFrameRotation FRotation;
  std::vector<std::int16_t> FRowAzimuths; // one row's azimuths while a frame is turned
  // Panorama size and header values.
  int FPanoWidth = 0;
  int FPanoHeight = 0;
  std::int32_t FPanoHorExtent = 0;
  std::int32_t FPanoVerExtent = 0;
  std::int32_t FPanoElevation = 0;
  // The frame box of the frame being composed, reused between frames.
  std::vector<std::uint16_t> FBoxValues;
  std::vector<std::uint8_t> FBoxWeights;
  // Milliseconds since the run started, for the timing lines.
  std::int64_t FRunStartMs = 0;
  // Composition helpers.
  struct Box;
  bool ProjectPixel(const Box &box, std::size_t pixel, int &px, int &py) const;
  void TraceOutline(const Box &box);
  void TraceLine(const Box &box, int px, int py, int qx, int qy);
  void UpdateSpans(const Box &box, int x, int y);
  void FillHole(const Box &box, int lx, int ly);
  std::int64_t ElapsedMs() const;
  void LogTime(const QString &text) const;
};

} // namespace calidarix
