#pragma once
// A panorama shot by the head is one folder: a frame thermogram per head position, named by the head's
// two counters, and a parameter file with the head's identity and the geometry that turns counters
// into angles. The folder is all that scanning hands to stitching and to the 3-D view.
//
// Frame names: "PF_" + six hexadecimal digits of the horizontal counter + "_" + six of the vertical
// counter + ".dtv". Each field holds the 24 low bits of (counter + 0x800080), so that a counter a
// little below zero still gives a positive field; a reader subtracts the offset again.
//
// Parameter file: an INI file in the folder (the folder's own name + ".ini" when the scan writes it;
// a reader takes the first "*.ini" by name, whatever it is called) with the sections "HEAD" (written
// for the record, read by nothing) and "PARAMS".

#include "thermogram/io_result.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

namespace calidarix {

inline constexpr std::int32_t kPanoCounterOffset = 0x800080;

// The counters a frame name carries.
struct TPanoCounters {
  std::int32_t Hor = 0;
  std::int32_t Ver = 0;
  friend bool operator==(const TPanoCounters &, const TPanoCounters &) = default;
};

// "PF_800080_800080.dtv" for counters (0, 0). Counters wrap to 24 bits like the head's.
QString PanoFrameName(std::int32_t horCounter, std::int32_t verCounter);
// The counters of a frame name (without folder); nullopt when the name is not "PF_" + 6 hex + "_" +
// 6 hex + ".dtv". Letters match without regard to case.
std::optional<TPanoCounters> ParsePanoFrameName(const QString &fileName);

// What a panorama folder holds, by name order.
struct TPanoFolderListing {
  QString ParameterFile;  // full path of the first "*.ini"; empty when there is none
  QStringList FrameFiles; // full paths of the frames whose names carry counters
  QStringList Skipped;    // names that look like frames ("PF_*.dtv") but carry no counters
};
// Lists a folder. Patterns match without regard to case; the listing is sorted by name so that the
// result does not depend on the file system's order.
TPanoFolderListing ListPanoFolder(const QString &folder);

// The values of the parameter file, in the order they are written.
struct TPanoHeadIniValues {
  // "HEAD": the head's identity as its registers gave it.
  char HdType = 0;           // type letter
  std::string HdVersion;     // firmware version (2 characters)
  std::int32_t HdSerial = 0; // serial number
  std::int64_t TheDay = 0;   // day the head was programmed; 1 January of year 1 is day 1
  std::int64_t RN = 0;       // restart count
  std::int64_t RS = 0;       // motor running time, seconds
  // "PARAMS": the program's geometry settings.
  std::int32_t RatioHor = 0;
  std::int32_t RatioHorTurns = 0;
  std::int32_t RatioVer = 0;
  std::int32_t RatioVerTurns = 0;
  std::int32_t HorizonCorrection = 0;
  std::int32_t FrameTilt = 0;        // 1/180 degree
  std::int32_t Nonorthogonality = 0; // 1/180 degree
  std::int32_t StripHeel = 0;
  std::int32_t ScanArcH = 0; // 1/180 degree, 0..65535
  std::int32_t ScanArcV = 0;
  bool ColumnPriority = false;
  bool LeftToRight = false;
  bool TopToBottom = false;
};

// Writes the two sections into fileName (created, or updated with its other keys kept). An error names
// the file when a key could not be written.
IoResult WritePanoParameterFile(const QString &fileName, const TPanoHeadIniValues &values);

} // namespace calidarix
