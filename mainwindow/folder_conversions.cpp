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

// The files named in a conversion's message; the rest are counted.
constexpr std::size_t kSkippedNamed = 3;

QString Skipped(const QString &fileName, const QString &reason) {
  ThermogramLog(QStringLiteral("\"%1\" %2: skipped").arg(DisplayPathText(fileName), reason));
  return reason;
}

// Why a frame of another size than the film's cannot join it; nullopt when it can.
std::optional<QString> SizeProblem(const TDTV &frame, int width, int height, const QString &fileName) {
  if (frame.Width() == width && frame.Height() == height)
    return std::nullopt;
  return Skipped(fileName, QStringLiteral("holds %1 x %2 pixels, not %3 x %4")
                               .arg(frame.Width())
                               .arg(frame.Height())
                               .arg(width)
                               .arg(height));
}

} // namespace

std::optional<QString> ReadListedFile(TDTV &scratch, const QString &fileName) {
  if (!QFileInfo(fileName).isFile())
    return Skipped(fileName, QStringLiteral("no longer exists"));
  if (const IoResult read = scratch.LoadFromFile(fileName, 1); !read) {
    // The readers name the file; the message names it once, before the reason.
    const QString quoted = QStringLiteral("\"%1\"").arg(fileName);
    QString reason = read.message;
    for (const QString &named : {quoted + QStringLiteral(" not loaded: "), quoted + QLatin1Char(' ')})
      if (reason.startsWith(named))
        reason.remove(0, named.size());
    return Skipped(fileName, reason.replace(quoted, QStringLiteral("it")));
  }
  return std::nullopt;
}

QString SkippedFilesText(const std::vector<TSkippedFile> &skipped) {
  if (skipped.empty())
    return QString();
  QStringList named;
  for (std::size_t i = 0; i < skipped.size() && i < kSkippedNamed; ++i)
    named << QStringLiteral("%1 (%2)").arg(QFileInfo(DisplayPathText(skipped[i].FileName)).fileName(),
                                           skipped[i].Reason);
  QString text = skipped.size() == 1 ? QStringLiteral(", 1 file skipped: ")
                                     : QStringLiteral(", %1 files skipped: ").arg(skipped.size());
  text += named.join(QStringLiteral(", "));
  if (skipped.size() > kSkippedNamed)
    text += QStringLiteral(" and %1 more").arg(skipped.size() - kSkippedNamed);
  return text;
}

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
    std::optional<QString> problem;
    if (!isTarget) {
      problem = ReadListedFile(frame, name);
      if (!problem && result.FramesWritten > 0)
        problem = SizeProblem(frame, width, height, name);
    }
    if (problem) {
      result.Skipped.push_back(TSkippedFile{name, *problem});
    } else if (!isTarget) {
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
    if (ReadListedFile(into, name))
      continue;
    if (!maxima.empty() && SizeProblem(into, first.Width(), first.Height(), name))
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
