// A stitching run: the frames of the folder are listed with their head angles and temperature ranges
// and ordered; every frame is measured, the panorama's limits and size follow, and each film frame of
// the frame files is composed from all frames and written.
//
// Nothing of an earlier panorama file is lost: a single picture is written by the thermogram writer
// (a temporary file renamed over the old one), a film of several panoramas is written whole under a
// temporary name and renamed when it is complete. A cancelled or failed run writes nothing.

#include "head/panorama_folder.h"
#include "head/panorama_stitcher.h"

#include "platform/numbers.h"
#include "platform/path_text.h"
#include "thermogram/formats/dtv_format.h"
#include "thermogram/thermogram_globals.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

namespace calidarix {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The header of a frame file, read directly.
std::optional<TDTVHeader> ReadFrameHeader(const QString &fileName) {
  QFile file(OpenablePathText(fileName).value_or(fileName));
  if (!file.open(QIODevice::ReadOnly))
    return std::nullopt;
  DtvHeaderBytes bytes{};
  if (file.read(reinterpret_cast<char *>(bytes.data()), static_cast<qint64>(bytes.size())) !=
      static_cast<qint64>(bytes.size()))
    return std::nullopt;
  return DecodeDtvHeader(bytes);
}

QString BareName(const QString &path) {
  return QFileInfo(path).fileName();
}

bool RenameOver(const QString &from, const QString &to, QString &error) {
  std::error_code ec;
  std::filesystem::rename(NativeFromPathText(from).toStdString(), NativeFromPathText(to).toStdString(), ec);
  if (ec)
    error = QString::fromStdString(ec.message());
  return !ec;
}

} // namespace

void TFOV::Log(const QString &text) const {
  if (FLog)
    FLog(text);
}

bool TFOV::Cancelled() const {
  return FProgress && FProgress->Cancelled();
}

std::int64_t TFOV::ElapsedMs() const {
  return QDateTime::currentMSecsSinceEpoch() - FRunStartMs;
}

void TFOV::LogTime(const QString &text) const {
  if (FLogging)
    Log(text + QString::number(ElapsedMs()));
}

QString TFOV::OutputFileName(const QString &folder) const {
  QString base = folder;
  while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
    base.chop(1);
  return base + FNameSuffix + QStringLiteral(".dtv");
}

TStitchResult TFOV::ProcessPanoFolder(const QString &folderName, int /*frameLimit*/, bool quiet) {
  FRunStartMs = QDateTime::currentMSecsSinceEpoch();
  TStitchResult result;
  QString folder = folderName;
  if (!folder.endsWith(QLatin1Char('/')))
    folder += QLatin1Char('/');
  if (!FApplyOrderSwitches)
    FNameSuffix = FMergeMode == 2 ? QStringLiteral("_Blended") : QString();
  result.OutputFile = OutputFileName(folder);
  const auto stop = [&result](TStitchOutcome outcome, const QString &why) {
    result.Outcome = outcome;
    result.Message = why;
    return result;
  };

  const TPanoFolderListing listing = ListPanoFolder(folder);
  if (listing.ParameterFile.isEmpty())
    return stop(TStitchOutcome::NoParameterFile,
                QStringLiteral("there is no parameter file (*.ini) in %1").arg(folderName));
  if (!LoadPanoParams(listing.ParameterFile))
    return stop(TStitchOutcome::BadParameterFile,
                QStringLiteral("%1: %2").arg(BareName(listing.ParameterFile), FParamsError));
  const auto warn = [this, &result](const QString &text) {
    result.Warnings.append(text);
    Log(text);
  };
  for (const QString &name : listing.Skipped)
    warn(QStringLiteral("%1 left out: its name carries no head counters").arg(name));

  FMinTemp = 10000.0;
  FMaxTemp = kAbsoluteZero;
  FFrames.clear();
  FSortIndex.clear();
  FAnyInLimits = false;
  if (!quiet && FProgress) {
    FProgress->SetPosition(0);
    FProgress->Show();
    FProgress->ProcessMessages();
  }
  const auto hide = qScopeGuard([this, quiet] {
    if (!quiet && FProgress)
      FProgress->Hide();
  });
  LogTime(QStringLiteral("Time one:"));

  bool first = true;
  for (const QString &file : listing.FrameFiles) {
    const QString name = BareName(file);
    const std::optional<TDTVHeader> header = ReadFrameHeader(file);
    if (!header || header->Width == 0 || header->Height == 0 || !std::isfinite(header->Scale) ||
        !std::isfinite(header->Offset)) {
      warn(QStringLiteral("%1 left out: it is not a readable thermogram").arg(name));
      continue;
    }
    TPanoFrame frame;
    if (first) {
      first = false;
      if (!FFrameLoader)
        FFrameLoader = std::make_unique<TDTV>();
      FFrameLoader->FHeader.Width = header->Width;
      FFrameLoader->FHeader.Height = header->Height;
      FFrameWidth = header->Width;
      FFrameHeight = header->Height;
      if (FDoublePixels) {
        // Strongly elongated frames get square-ish pixels before they are placed.
        if (static_cast<double>(header->Width) / header->Height >= 2.0)
          SetFrameHeight(FFrameHeight * 2);
        if (static_cast<double>(header->Height) / header->Width >= 2.0)
          SetFrameWidth(FFrameWidth * 2);
      }
      FPanoAnglePerPixel = FScanArcH / FFrameWidth;
    }
    const TPanoCounters counters = *ParsePanoFrameName(name);
    frame.FileName = file;
    frame.HorCounter = counters.Hor;
    frame.VerCounter = counters.Ver;
    frame.HorAngle = static_cast<double>(frame.HorCounter) / FRatioHor * FRatioHorTurns * kTwoPi;
    frame.VerAngle = static_cast<double>(frame.VerCounter + static_cast<std::int64_t>(FHorizonCorrection)) /
                     FRatioVer * FRatioVerTurns * kTwoPi;
    frame.HorDeg = RoundToInt32(frame.HorAngle * 180.0 / std::numbers::pi);
    frame.VerDeg = RoundToInt32(frame.VerAngle * 180.0 / std::numbers::pi);
    frame.InLimits = frame.HorDeg >= FCamPosLimits.Left && frame.HorDeg < FCamPosLimits.Right &&
                     frame.VerDeg >= FCamPosLimits.Top && frame.VerDeg < FCamPosLimits.Bottom;
    if (frame.InLimits)
      FAnyInLimits = true;
    // The range a frame's raw values can stand for: a byte per pixel for version 2, 16 bits otherwise
    // (a film's header carries the film's Scale and Offset like any other).
    const double fullScale = header->Version == 2 ? 256.0 : 65535.0;
    const double low = header->Offset;
    const double high = static_cast<double>(header->Scale) * fullScale + header->Offset;
    FMinTemp = std::min(FMinTemp, low);
    FMaxTemp = std::max(FMaxTemp, high);
    frame.FilmFrames = std::max<int>(1, header->FrameCount);
    FFrames.push_back(frame);
  }
  SortPanoFrames();
  if (quiet) {
    result.Outcome = TStitchOutcome::Listed;
    return result;
  }

  if (FFrames.empty())
    return stop(TStitchOutcome::NoFrames,
                QStringLiteral("there are no frames (PF_*.dtv) in %1").arg(folderName));
  if (!FAnyInLimits)
    return stop(TStitchOutcome::NothingInLimits,
                QStringLiteral("no frame of %1 lies within the camera position limits").arg(folderName));

  // One scale for all frames; raw 0 stays one step below every frame's data, free for "no data".
  if (FPointHitCounting) {
    FMaxTemp = 65535.0;
    FMinTemp = 0.0;
  }
  if (!(FMaxTemp > FMinTemp))
    FMaxTemp = FMinTemp + 1.0;
  FMinTemp = FMinTemp - (FMaxTemp - FMinTemp) / 65535.0;

  // Measure.
  PredProcess9points();
  LogTime(QStringLiteral("Time pred process:"));
  for (std::size_t k = 0; k < FFrames.size(); ++k)
    ProcessFrameCoords(static_cast<int>(k), true);
  LogTime(QStringLiteral("Coords Processed:"));
  if (Cancelled())
    return stop(TStitchOutcome::Cancelled, QStringLiteral("cancelled"));
  PanoLimits();
  if (!ComputePanoSize())
    return stop(TStitchOutcome::Failed, FSizeError);
  LogTime(QStringLiteral("Panorama estmtd @:") +
          QStringLiteral(" _ size:%1 x %2").arg(FPanoWidth).arg(FPanoHeight));

  TDTV pano;
  pano.FHeader.Version = 3;
  if (CurrentDTV)
    pano.FHeader.Comment = CurrentDTV->FHeader.Comment;
  pano.FHeader.Width = static_cast<std::uint16_t>(FPanoWidth);
  pano.FHeader.Height = static_cast<std::uint16_t>(FPanoHeight);
  pano.FHeader.HorzExtent = static_cast<std::uint16_t>(FPanoHorExtent);
  pano.FHeader.VertExtent = static_cast<std::uint16_t>(FPanoVerExtent);
  pano.FHeader.Elevation = static_cast<std::int16_t>(FPanoElevation);
  pano.FHeader.Scale = static_cast<float>((FMaxTemp - FMinTemp) / 65535.0);
  pano.FHeader.Offset = static_cast<float>(FMinTemp);
  if (!ResetAccumulators(pano))
    return stop(TStitchOutcome::Failed, FSizeError);

  try {
    PredProcess();
  } catch (const std::bad_alloc &) {
    return stop(TStitchOutcome::Failed, QStringLiteral("not enough memory for the direction table"));
  }
  LogTime(QStringLiteral("b4 PredProcess frame:"));

  // Every film frame that all frame files hold.
  int films = 0;
  for (const TPanoFrame &f : FFrames)
    if (f.InLimits)
      films = films == 0 ? f.FilmFrames : std::min(films, f.FilmFrames);
  for (const TPanoFrame &f : FFrames)
    if (f.InLimits && f.FilmFrames != films)
      warn(QStringLiteral("%1 holds %2 film frames; %3 are stitched")
               .arg(BareName(f.FileName))
               .arg(f.FilmFrames)
               .arg(films));

  const QString output = result.OutputFile;
  // A film is put together under a name of its own and replaces the old file only when whole.
  const QString filmFile = output + QStringLiteral(".stitching");
  const auto dropFilm = qScopeGuard([&] {
    if (films > 1)
      QFile::remove(filmFile);
  });
  const TRect panoRect{0, 0, FPanoWidth, FPanoHeight};
  const int count = static_cast<int>(FFrames.size());
  LogTime(QStringLiteral("b4 0 frame:"));
  for (int i = 0; i < films; ++i) {
    if (i > 0 && !ResetAccumulators(pano))
      return stop(TStitchOutcome::Failed, FSizeError);
    for (int n = 0; n < count; ++n) {
      const int k = FSortIndex[static_cast<std::size_t>(n)];
      const TPanoFrame &f = FFrames[static_cast<std::size_t>(k)];
      if (f.InLimits) {
        // The frame's own reader, not the program's loader: no load options, no demo image for a
        // file that went away.
        const IoResult loaded = FFrameLoader->LoadDTV(f.FileName, i + 1);
        if (!loaded) {
          warn(QStringLiteral("%1 left out: %2").arg(BareName(f.FileName), loaded.message));
        } else {
          if (FDoublePixels) {
            if (static_cast<double>(FFrameLoader->Width()) / FFrameLoader->Height() >= 2.0)
              FFrameLoader->DoubleHeight();
            if (static_cast<double>(FFrameLoader->Height()) / FFrameLoader->Width() >= 2.0)
              FFrameLoader->DoubleWidth();
          }
          FFrameLoader->SetTemperatureRange(true, FMinTemp, FMaxTemp);
          ProcessFrameCoords(k, false);
          BlendPanoFrame(k, pano, panoRect);
        }
      }
      if (FProgress) {
        FProgress->SetPosition(TruncToInt32(static_cast<double>(n + 1) / count * 100.0));
        FProgress->ProcessMessages();
      }
      if (Cancelled())
        return stop(TStitchOutcome::Cancelled, QStringLiteral("cancelled"));
    }
    LogTime(QStringLiteral("frame processed:"));
    FinishWeightedMerge(pano);
    IoResult written;
    if (films == 1)
      written = pano.SaveDTV(output);
    else if (i == 0)
      written = pano.StartFilm(filmFile);
    else
      written = pano.AppendFilmFrame(filmFile);
    if (!written)
      return stop(TStitchOutcome::Failed, written.message);
    Trace(QStringLiteral("Panorama:") + output);
  }
  if (films > 1) {
    QString error;
    if (!RenameOver(filmFile, output, error))
      return stop(TStitchOutcome::Failed, QStringLiteral("Cannot write \"%1\": %2").arg(output, error));
  }
  PanoWeightedSums.clear();
  PanoWeightTotals.clear();
  PanoMaxWeightMap.clear();
  if (FLogging)
    Log(QStringLiteral("all done @:") + QString::number(ElapsedMs()));
  result.Outcome = TStitchOutcome::Written;
  result.FilmFrames = films;
  return result;
}

} // namespace calidarix
