#include "mainwindow/auto_save.h"

#include "platform/datetime.h"
#include "platform/numbers.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>

namespace calidarix {

namespace {

QString TwoHexDigits(int value) {
  const int byte = ((value % 256) + 256) % 256;
  return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString SixHexDigits(std::uint32_t value) {
  return QStringLiteral("%1").arg(value & 0xFFFFFFu, 6, 16, QLatin1Char('0')).toUpper();
}

IoResult MakeFolder(const QString &folder) {
  if (QFileInfo(folder).isDir() || QDir().mkpath(folder)) {
    return IoResult::Ok();
  }
  return IoResult::Error(QStringLiteral("Cannot create the folder \"%1\"").arg(folder));
}

// The first of base + ".dtv", base + "_2.dtv", base + "_3.dtv", ... that does not exist.
QString UniqueName(const QString &base) {
  QString name = base + QStringLiteral(".dtv");
  for (int k = 2; QFileInfo::exists(name); ++k) {
    name = base + QStringLiteral("_%1.dtv").arg(k);
  }
  return name;
}

} // namespace

IoResult WriteTwoBandFilm(TDTV &band35, TDTV &band812, const QString &fileName) {
  QTemporaryFile temporary(QFileInfo(fileName).absolutePath() + QStringLiteral("/.bands-XXXXXX.dt~"));
  temporary.setAutoRemove(false);
  if (!temporary.open()) {
    return IoResult::Error(QStringLiteral("Cannot write \"%1\": %2").arg(fileName, temporary.errorString()));
  }
  const QString temporaryName = temporary.fileName();
  temporary.close();
  IoResult written = band35.StartFilm(temporaryName);
  if (written) {
    band812.FFilmMin = band35.FFilmMin;
    band812.FFilmMax = band35.FFilmMax;
    written = band812.AppendFilmFrame(temporaryName);
  }
  if (written) {
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(temporaryName).toStdString(),
                            QFile::encodeName(fileName).toStdString(), ec);
    if (ec) {
      written = IoResult::Error(
          QStringLiteral("Cannot write \"%1\": %2").arg(fileName, QString::fromStdString(ec.message())));
    }
  }
  if (!written) {
    QFile::remove(temporaryName);
    return written;
  }
  band35.FFileName = fileName;
  band812.FFileName = fileName;
  return IoResult::Ok();
}

QString DatabaseFolder(char driveLetter) {
  const auto drive = DriveFolder(driveLetter);
  const std::filesystem::path root = drive ? *drive : *DriveFolder('C');
  return QDir::cleanPath(QFile::decodeName(QByteArray::fromStdString(root.string())) +
                         QStringLiteral("/DATABASE.KVD"));
}

QString DayFolder(char driveLetter, const QDateTime &now) {
  return DatabaseFolder(driveLetter) + QLatin1Char('/') + FormatDateTime(QStringLiteral("yy-mm-dd"), now) +
         QStringLiteral(".KVD/");
}

QString SaveTimeText(const QDateTime &now) {
  return FormatDateTime(QStringLiteral("hh_nn_ss"), now);
}

QString PanoramaFolderName(const QString &stamp, int lastCol, int lastRow) {
  return QStringLiteral("IRPano-") + stamp + QLatin1Char('-') + TwoHexDigits(lastCol + 1) + QLatin1Char('x') +
         TwoHexDigits(lastRow + 1);
}

QString HeadCounterText(std::uint32_t horizontal, std::uint32_t vertical) {
  return SixHexDigits(horizontal) + QLatin1Char('_') + SixHexDigits(vertical);
}

AutoSaveResult SaveDTVAuto(const AutoSaveThermograms &thermograms, const AutoSaveContext &context,
                           AutoSaveState &state, const QDateTime &now) {
  AutoSaveResult out;
  if (context.ScanRunning && context.FilmRecording) {
    out.Skipped = true;
    out.Result = IoResult::Ok();
    return out;
  }
  if (thermograms.Current == nullptr) {
    out.Result = IoResult::Error(QStringLiteral("There is no thermogram to save"));
    return out;
  }
  TDTV &current = *thermograms.Current;

  const QString timeText = SaveTimeText(now);
  out.DayFolder = DayFolder(context.DriveLetter, now);
  if (IoResult made = MakeFolder(DatabaseFolder(context.DriveLetter)); !made) {
    out.Result = made;
    return out;
  }
  if (IoResult made = MakeFolder(out.DayFolder); !made) {
    out.Result = made;
    return out;
  }

  QString path = out.DayFolder + timeText;
  if (context.PolyFormLeft) {
    state.SaveNameSuffix =
        QStringLiteral("_L_") + QString::fromStdString(FixedText(current.MaxTemperature(), 1));
  }
  if (context.PolyFormRight) {
    state.SaveNameSuffix =
        QStringLiteral("_R_") + QString::fromStdString(FixedText(current.MaxTemperature(), 1));
  }
  path += state.SaveNameSuffix;
  state.SaveNameSuffix.clear();

  const QString counters = HeadCounterText(context.StripHorCounterRaw, context.StripVerCounterRaw);
  bool panoramaCell = false;
  if (context.PanByFramesActive) {
    const bool firstCell = context.PanoCol == 0 && context.PanoRow == context.PanoLastRow;
    if (firstCell) {
      state.PanoStartStamp = timeText;
    }
    const QString name = PanoramaFolderName(state.PanoStartStamp, context.PanoLastCol, context.PanoLastRow);
    const QString folder = out.DayFolder + name + QLatin1Char('/');
    if (!QFileInfo(folder).isDir()) {
      if (IoResult made = MakeFolder(folder); !made) {
        out.Result = made;
        return out;
      }
      state.LastPanoPath = folder;
    }
    path = folder + QStringLiteral("PF_") + counters;
    if (firstCell) {
      out.HeadIniFile = folder + name + QStringLiteral(".ini");
    }
    panoramaCell = true;
  }
  if (context.HeadConnected && context.StripScanning) {
    path += QStringLiteral("R_") + counters;
  }
  out.ShowDayFolder = context.ScanRunning || context.Sectors == 255 || context.StripScanning;

  if (panoramaCell) {
    out.FileName = path + QStringLiteral(".dtv");
    if (QFileInfo::exists(out.FileName)) {
      // The head stands where a cell was saved already: keep the first one and say so.
      out.Result = IoResult::Error(
          QStringLiteral("\"%1\" exists already: this panorama cell was saved before").arg(out.FileName));
      return out;
    }
  } else {
    out.FileName = UniqueName(path);
  }
  const QString stem = out.FileName.left(out.FileName.size() - 4); // without ".dtv"

  if (context.ScanRunning) {
    // A frame the camera has just delivered carries the camera's number and body temperature. A
    // thermogram opened from a file keeps the values of its own header: the camera in use now did
    // not take it.
    current.FHeader.ModelHigh = static_cast<std::uint8_t>((context.CameraNo / 100) & 0xFF);
    current.FHeader.ModelLow = static_cast<std::uint8_t>((context.CameraNo % 100) & 0xFF);
    current.FHeader.CameraTemp = static_cast<float>(context.CameraTemperature);
  }

  if (context.CameraInterfaceType == 64 || context.CameraInterfaceType == 257) {
    if (thermograms.Band35 == nullptr || thermograms.Band812 == nullptr) {
      out.Result = IoResult::Error(QStringLiteral("The two band thermograms are missing"));
      return out;
    }
    out.Result = WriteTwoBandFilm(*thermograms.Band35, *thermograms.Band812, out.FileName);
  } else if (!context.ScanRunning && current.FHeader.FrameCount > 1) {
    // One frame of an open film goes out as a single thermogram; the film stays open at that frame.
    const TDTVHeader header = current.FHeader;
    const QString fileName = current.FFileName;
    const int frameIndex = current.FFrameIndex;
    out.Result = current.SaveDTV(out.FileName);
    current.FHeader = header;
    current.FFileName = fileName;
    current.FFrameIndex = frameIndex;
  } else {
    out.Result = current.SaveDTV(out.FileName);
  }
  if (out.Result && context.VideoOn) {
    out.VideoFrameFile = stem + QStringLiteral(".jpg");
  }
  return out;
}

SaveWithCommentResult SaveWithComment(bool scanRunning, bool filmRecording,
                                      const SaveWithCommentSteps &steps) {
  SaveWithCommentResult out;
  if (scanRunning && filmRecording) {
    out.Outcome = SaveWithCommentOutcome::Skipped;
    out.Result = IoResult::Ok();
    return out;
  }
  if (scanRunning && steps.SuspendScan) {
    steps.SuspendScan();
  }
  if (!steps.AskComment || !steps.AskComment()) {
    out.Outcome = SaveWithCommentOutcome::Cancelled;
    out.Result = IoResult::Ok();
  } else {
    out.Result = steps.SaveAs ? steps.SaveAs() : IoResult::Error(QStringLiteral("Save As is not available"));
    out.Outcome = out.Result ? SaveWithCommentOutcome::Saved : SaveWithCommentOutcome::Failed;
  }
  if (scanRunning && steps.ResumeScan) {
    steps.ResumeScan();
  }
  return out;
}

} // namespace calidarix
