#pragma once
// The automatic save tree and the work of the two save commands, without the window.
//
// Tree: <drive folder of FDriveLetter>/DATABASE.KVD/<yy-mm-dd>.KVD/ holds one file per save, named
// by the time of day (hh_nn_ss, never the locale's format, so names are the same on every machine).
// A panorama by frames files its cells in a folder "IRPano-<stamp>-<CC>x<RR>" of the day folder,
// named "PF_<HHHHHH>_<VVVVVV>.dtv" by the head's position counters; a strip-scan frame appends
// "R_<HHHHHH>_<VVVVVV>" to its time name.
//
// A save never reports success for a file it did not write: a time-based name that exists already is
// made unique ("09_05_07_2.dtv"), a panorama cell saved twice at one head position is reported and
// not written, and the writers' failures are returned for the window to show.
//
// The camera's number and temperature are stamped into the header only while a scan runs (the frame
// came from the camera); a thermogram opened from a file is saved with its own header values.

#include "thermogram/io_result.h"
#include "thermogram/tdtv.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

namespace calidarix {

// State of the camera, the head and the window that the automatic save reads.
struct AutoSaveContext {
  char DriveLetter = 'C';
  // Camera
  bool ScanRunning = false;   // a scan runs (the acquisition thread exists and runs)
  bool FilmRecording = false; // ... and records a film
  int CameraInterfaceType = 0;
  int CameraNo = 0;               // stamped only while a scan runs
  double CameraTemperature = 0.0; // likewise, degrees Celsius
  bool VideoOn = false;
  int Sectors = 0; // 255: line mode
  // Two-window set-up
  bool PolyFormLeft = false;
  bool PolyFormRight = false;
  // Head
  bool HeadConnected = false;
  bool StripScanning = false;
  bool PanByFramesActive = false;
  int PanoCol = 0;
  int PanoRow = 0;
  int PanoLastCol = 0;
  int PanoLastRow = 0;
  std::uint32_t StripHorCounterRaw = 0;
  std::uint32_t StripVerCounterRaw = 0;
};

// State that lives between saves; the save reads and updates it.
struct AutoSaveState {
  QString SaveNameSuffix; // suffix for the next save only; emptied by every save
  QString PanoStartStamp; // time text of the running panorama's first cell
  QString LastPanoPath;   // the panorama folder most recently created, with its final "/"
};

// The thermograms a save writes: the current one, and the two bands of a two-band camera.
struct AutoSaveThermograms {
  TDTV *Current = nullptr;
  TDTV *Band35 = nullptr;
  TDTV *Band812 = nullptr;
};

struct AutoSaveResult {
  IoResult Result;            // Ok only when FileName was written
  bool Skipped = false;       // a film is being recorded: nothing was done at all
  QString FileName;           // the file written (or refused), full path
  QString DayFolder;          // with its final "/"
  QString HeadIniFile;        // at a panorama's first cell: the panorama parameters file to write
  QString VideoFrameFile;     // when the video is on: where the current video frame goes (".jpg")
  bool ShowDayFolder = false; // the file list should show the day folder (scan, line mode, strip)
};

// The database folder of a drive letter: <drive folder>/DATABASE.KVD (not created here). A character
// that names no drive means drive C.
QString DatabaseFolder(char driveLetter);
// Day folder of a date, with its final "/": <database folder>/<yy-mm-dd>.KVD/.
QString DayFolder(char driveLetter, const QDateTime &now);
// Time text of a save: "hh_nn_ss".
QString SaveTimeText(const QDateTime &now);
// Panorama folder name: "IRPano-" + stamp + "-" + two upper-case hexadecimal digits of
// (lastCol + 1) mod 256 + "x" + those of (lastRow + 1) mod 256.
QString PanoramaFolderName(const QString &stamp, int lastCol, int lastRow);
// "<HHHHHH>_<VVVVVV>": the low 24 bits of the two head counters in upper-case hexadecimal.
QString HeadCounterText(std::uint32_t horizontal, std::uint32_t vertical);

// The two bands as a film of two frames, the first band first. The film is put together in a
// temporary file and renamed into place, so no half film is ever left under the final name.
IoResult WriteTwoBandFilm(TDTV &band35, TDTV &band812, const QString &fileName);

// The automatic save at the moment `now` (the caller passes Now() of platform/datetime.h).
AutoSaveResult SaveDTVAuto(const AutoSaveThermograms &thermograms, const AutoSaveContext &context,
                           AutoSaveState &state, const QDateTime &now);

// The steps of the save with a comment that need the window or the acquisition thread.
struct SaveWithCommentSteps {
  std::function<void()> SuspendScan;
  std::function<void()> ResumeScan;
  std::function<bool()> AskComment; // the comment dialog; false when it was cancelled
  std::function<IoResult()> SaveAs; // Save As with the new comment
};

enum class SaveWithCommentOutcome { Skipped, Cancelled, Saved, Failed };

struct SaveWithCommentResult {
  SaveWithCommentOutcome Outcome = SaveWithCommentOutcome::Skipped;
  IoResult Result;
};

// Nothing while a film is being recorded. While a scan runs the acquisition thread is suspended for
// the dialog and Save As, and resumed afterwards whatever their outcome (also after a failed save, so
// a failure never leaves the camera stopped).
SaveWithCommentResult SaveWithComment(bool scanRunning, bool filmRecording,
                                      const SaveWithCommentSteps &steps);

} // namespace calidarix
