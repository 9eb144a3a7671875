#include "mainwindow/folder_conversions.h"

#include "mainwindow/scratch_thermogram.h"
#include "platform/numbers.h"
#include "platform/path_text.h"
#include "platform/paths.h"
#include "thermogram/thermogram_globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace calidarix {

namespace {

// Reads frame 1 of a listed file; false (with a log line) when it is to be skipped.
bool ReadListedFile(TDTV &scratch, const QString &fileName) {
  if (!QFileInfo(fileName).isFile()) {
    ThermogramLog(QStringLiteral("\"%1\" no longer exists: skipped").arg(fileName));
    return false;
  }
  if (const IoResult read = scratch.LoadFromFile(fileName, 1); !read) {
    ThermogramLog(read.message + QStringLiteral(": skipped"));
    return false;
  }
  return true;
}

bool SameSize(const TDTV &frame, int width, int height, const QString &fileName) {
  if (frame.Width() == width && frame.Height() == height)
    return true;
  ThermogramLog(QStringLiteral("\"%1\" holds %2 x %3 pixels, not %4 x %5: skipped")
                    .arg(fileName)
                    .arg(frame.Width())
                    .arg(frame.Height())
                    .arg(width)
                    .arg(height));
  return false;
}

} // namespace

QString FolderFilmName(const QString &currentFile) {
  const QString folder = QFileInfo(currentFile).absolutePath();
  QString name = QDir(folder).dirName();
  if (name.isEmpty() || name == QLatin1String("/"))
    name = QStringLiteral("folder");
  return QDir(folder).filePath(name + QStringLiteral(".dtv"));
}

QString FolderPictureName(const QString &fileName) {
  const QFileInfo info(fileName);
  return QDir(info.absolutePath())
      .filePath(QStringLiteral("Auto_") + info.completeBaseName() + QStringLiteral(".jpg"));
}

TFolderFilmResult FolderToFilm(const QStringList &files, const QString &film, const TDTV &loadOptions,
                               Progress &progress, const std::function<void()> &letEventsRun) {
  TFolderFilmResult result;
  const QFileInfo target(film);
  QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                           QStringLiteral(".XXXXXX~"));
  temporary.setAutoRemove(false);
  if (!temporary.open()) {
    result.Result =
        IoResult::Error(QStringLiteral("Cannot write \"%1\": %2").arg(film, temporary.errorString()));
    return result;
  }
  const QString temporaryName = temporary.fileName();
  temporary.close();
  // Removed on every way out unless it became the film.
  bool renamed = false;
  const auto cleanUp = qScopeGuard([&] {
    if (!renamed)
      QFile::remove(temporaryName);
  });

  progress.SetProgress(0);
  progress.Show();
  const auto hide = qScopeGuard([&progress] { progress.Hide(); });

  TDTV frame;
  CopyLoadOptions(loadOptions, frame);
  int width = 0;
  int height = 0;
  const qsizetype count = files.size();
  for (qsizetype j = 0; j < count; ++j) {
    const QString &name = files[j];
    // A second run finds the film of the first among the files it lists.
    const bool isTarget = SameFile(QtFileSystemPath(name), QtFileSystemPath(film));
    if (isTarget || !ReadListedFile(frame, name)) {
      result.Skipped += isTarget ? 0 : 1;
    } else if (result.FramesWritten > 0 && !SameSize(frame, width, height, name)) {
      ++result.Skipped;
    } else {
      const bool stamped = frame.FHeader.Version == 5;
      frame.FCameraTemp = stamped ? frame.FFrameRec.CameraTemp : frame.FHeader.CameraTemp;
      const IoResult written =
          result.FramesWritten == 0 ? frame.StartFilm(temporaryName) : frame.AppendFilmFrame(temporaryName);
      if (!written) {
        result.Result = written;
        return result;
      }
      width = frame.Width();
      height = frame.Height();
      ++result.FramesWritten;
    }
    progress.SetProgress(static_cast<int>(static_cast<std::int64_t>(j) * 100 / count));
    if (letEventsRun)
      letEventsRun();
    if (progress.Cancelled()) {
      result.Cancelled = true;
      break;
    }
  }
  if (result.FramesWritten == 0) {
    result.Result =
        IoResult::Error(QStringLiteral("No thermogram of the folder could be read; no film was written"));
    return result;
  }
  const QFileDevice::Permissions permissions =
      QFileInfo::exists(film) ? QFile::permissions(film)
                              : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                                    QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
  QFile::setPermissions(temporaryName, permissions);
  std::error_code ec;
  std::filesystem::rename(QtFileSystemPath(temporaryName), QtFileSystemPath(film), ec);
  if (ec) {
    result.Result = IoResult::Error(
        QStringLiteral("Cannot write \"%1\": %2").arg(film, QString::fromStdString(ec.message())));
    return result;
  }
  renamed = true;
  result.Result = IoResult::Ok();
  return result;
}

TMaxOverFilesResult MaxOverFiles(const QStringList &files, const TDTV &loadOptions, TDTV &result) {
  TMaxOverFilesResult outcome;
  TDTV first;
  TDTV frame;
  CopyLoadOptions(loadOptions, first);
  CopyLoadOptions(loadOptions, frame);
  std::vector<float> maxima;
  for (const QString &name : files) {
    TDTV &into = maxima.empty() ? first : frame;
    if (!ReadListedFile(into, name))
      continue;
    if (!maxima.empty() && !SameSize(into, first.Width(), first.Height(), name))
      continue;
    if (maxima.empty())
      maxima.assign(into.FRaw.size(), static_cast<float>(kAbsoluteZero));
    for (std::size_t p = 0; p < maxima.size(); ++p) {
      const auto t = static_cast<float>(into.RawToTemperature(into.FRaw[p]));
      if (t > maxima[p])
        maxima[p] = t;
    }
    ++outcome.FilesUsed;
  }
  if (maxima.empty()) {
    outcome.Result =
        IoResult::Error(files.isEmpty() ? QStringLiteral("The folder list is empty")
                                        : QStringLiteral("No thermogram of the folder could be read"));
    return outcome;
  }
  float low = 10000.0f;
  float high = static_cast<float>(kAbsoluteZero);
  for (const float m : maxima) {
    low = std::min(low, m);
    high = std::max(high, m);
  }
  const double span = static_cast<double>(high) - low;
  first.FRaw.resize(maxima.size());
  for (std::size_t p = 0; p < maxima.size(); ++p)
    first.FRaw[p] = span > 0.0 ? RoundToUInt16Clamped((maxima[p] - low) / span * kFullScaleRaw) : 0;
  first.FHeader.Offset = low;
  // A flat picture still needs a scale: one degree over the full raw range, every pixel at raw 0.
  first.FHeader.Scale = static_cast<float>(span > 0.0 ? span / kFullScaleRaw : 1.0 / kFullScaleRaw);
  first.FHeader.FrameCount = 1;
  if (first.FHeader.Version == 5)
    first.FHeader.Version = 3; // a single thermogram, no longer a film frame with its record
  const double aspect = first.FAspect;
  result.Assign(first);
  result.SetAspect(aspect);
  result.FFileName.clear();
  result.FFrameIndex = 1;
  result.FOverlay = QImage();
  result.FHasVoiceNote = false;
  result.UpdateStatistics();
  outcome.Result = IoResult::Ok();
  return outcome;
}

} // namespace calidarix
