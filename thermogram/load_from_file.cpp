// The one entry through which a thermogram file is read: reader by extension, load options,
// companion files, and the demo image for a missing file.

#include "platform/datetime.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "thermogram/formats/dtv_format.h"
#include "thermogram/tdtv.h"
#include "thermogram/thermogram_globals.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>

namespace calidarix {

namespace {

// The lower-case extension of a file name without its dot; empty when the name has none.
QString LowerExtension(const QString &fileName) {
  const QString name = QFileInfo(fileName).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

// The companion of an image (".abc" overlay, ".wav" voice note), found whatever its case. A film
// held open for a run keeps what its first frame found.
QString FindCompanion(CompanionFiles &companions, const QString &fileName, std::string_view extension) {
  DtvFilmReadSession::OpenFilm *const film = DtvFilmReadSession::For(fileName);
  if (film) {
    for (const auto &[kept, name] : film->Companions) {
      if (kept == extension) {
        return name;
      }
    }
  }
  const auto found =
      companions.Find(std::filesystem::path(QFile::encodeName(fileName).toStdString()), extension);
  const QString name = found ? QFile::decodeName(QByteArray::fromStdString(found->string())) : QString();
  if (film) {
    film->Companions.emplace_back(std::string(extension), name);
  }
  return name;
}

} // namespace

IoResult TDTV::LoadFromFile(const QString &fileName, int frame) {
  FAppendPos = TPoint{0, 0};
  FCountedFrames = 0; // only a film's reader knows of frames it cannot find
  // A film held open for a run is there for the whole run.
  const bool heldOpen = DtvFilmReadSession::For(fileName) != nullptr;
  const QFileInfo info(fileName);
  if (!heldOpen && (!info.exists() || info.isDir())) {
    MakeDemoImage();
    if (FixedLevelShift) {
      FHeader.Offset = static_cast<float>(FHeader.Offset + FixedLevel);
    }
    return IoResult::Ok();
  }
  // A file that asks for more memory than there is (a reader's frame, or a rotation of it) is not
  // loaded; it never ends the program.
  return WithoutAllocationFailure(QStringLiteral("the frame of \"%1\"").arg(fileName),
                                  [&] { return LoadExistingFile(fileName, frame); });
}

IoResult TDTV::LoadExistingFile(const QString &fileName, int frame) {

  const QString extension = LowerExtension(fileName);
  IoResult read = IoResult::Error(QStringLiteral("no reader for this file type"));
  if (extension == QLatin1String("dtv")) {
    read = LoadDTV(fileName, frame);
  } else if (extension == QLatin1String("img")) {
    read = LoadIMG(fileName, frame);
  } else if (extension == QLatin1String("sit")) {
    read = LoadSIT(fileName, frame);
  } else if (extension == QLatin1String("ti4")) {
    read = LoadTI4(fileName, frame);
  } else if (extension == QLatin1String("ser")) {
    read = LoadSER(fileName, frame);
  } else if (extension == QLatin1String("bmp")) {
    read = LoadBMP(fileName);
  } else if (extension == QLatin1String("bmt")) {
    read = LoadBMT(fileName);
  } else if (extension == QLatin1String("is2")) {
    read = LoadIS2(fileName);
  } else if (extension == QLatin1String("jpg")) {
    read = LoadRadiometricJPG(fileName);
  } else if (extension == QLatin1String("png")) {
    read = LoadPNG(fileName);
  } else if (extension == QLatin1String("dat")) {
    read = LoadDAT(fileName, frame);
  }
  // Without a new frame the load options must not run again over the frame already shown, so the
  // thermogram stays exactly as it was.
  if (!read) {
    return IoResult::Error(QStringLiteral("\"%1\" not loaded: %2").arg(fileName, read.message));
  }

  FFileDate = FileDosDateTime(fileName).value_or(kDosDateTime2000);
  const TRect whole{0, 0, FHeader.Width - 1, FHeader.Height - 1};
  if (FFlipAfterLoad) {
    FlipRect(whole);
  }
  if (FMirrorAfterLoad) {
    MirrorRect(whole);
  }
  if (FRotateAfterLoad) {
    RotateByAngle(FRotateAngle);
  }
  if (FStampCameraTemp) {
    // The camera temperature as a small square in the top-left corner, clipped to the frame.
    FCameraTemp = FFrameRec.CameraTemp;
    const std::uint16_t v = RoundToUInt16Clamped((FCameraTemp - FHeader.Offset) / FHeader.Scale);
    const int w = FHeader.Width;
    const int lastRow = std::min(19, FHeader.Height - 1);
    const int lastColumn = std::min(19, w - 1);
    for (int y = 4; y <= lastRow; ++y) {
      for (int x = 4; x <= lastColumn; ++x) {
        FRaw[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] = v;
      }
    }
  }
  if (FRangeLocked && !SetTemperatureRange(false, LockMin, LockMax)) {
    ThermogramLog(QStringLiteral("Locked range %1 .. %2 is not valid; kept as it was")
                      .arg(QString::fromStdString(FloatToText(LockMin)))
                      .arg(QString::fromStdString(FloatToText(LockMax))));
  }
  if (FixedLevelShift) {
    FHeader.Offset = static_cast<float>(FHeader.Offset + FixedLevel);
  }

  FOverlay = QImage();
  if (extension != QLatin1String("abc")) {
    const QString overlayName = FindCompanion(FCompanions, fileName, ".abc");
    if (!overlayName.isEmpty()) {
      QImage overlay(overlayName);
      if (overlay.isNull()) {
        // A broken companion must not keep the thermogram itself from opening.
        ThermogramLog(QStringLiteral("Overlay picture \"%1\" could not be read; ignored").arg(overlayName));
      } else {
        FOverlay = overlay.convertToFormat(QImage::Format_RGB888);
      }
    }
  }
  FHasVoiceNote = !FindCompanion(FCompanions, fileName, ".wav").isEmpty();
  if (FShowIsolines) {
    BuildIsotherms();
  }
  return IoResult::Ok();
}

} // namespace calidarix
