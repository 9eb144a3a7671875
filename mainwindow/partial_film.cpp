#include "mainwindow/partial_film.h"

#include "platform/path_text.h"
#include "thermogram/formats/dtv_format.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>

namespace calidarix {

namespace {

TPartialFilmResult Failure(const QString &message) {
  return TPartialFilmResult{IoResult::Error(message), QString()};
}

// StartFilm and AppendFilmFrame stamp each frame with the present time; the copied frames get their
// own time stamps back.
IoResult RestoreTimeStamps(const QString &film, const std::vector<std::optional<std::uint32_t>> &stamps,
                           std::uint64_t frameBytes) {
  QFile file(film);
  if (!file.open(QIODevice::ReadWrite))
    return IoResult::Error(QStringLiteral("Cannot write \"%1\": %2").arg(film, file.errorString()));
  for (std::size_t i = 0; i < stamps.size(); ++i) {
    if (!stamps[i])
      continue;
    const std::uint64_t offset = kDtvHeaderBytes + i * (kFilmRecordBytes + frameBytes) + 36;
    unsigned char bytes[4];
    for (int b = 0; b < 4; ++b)
      bytes[b] = static_cast<unsigned char>((*stamps[i] >> (8 * b)) & 0xFFu);
    if (!file.seek(static_cast<qint64>(offset)) || file.write(reinterpret_cast<const char *>(bytes), 4) != 4)
      return IoResult::Error(QStringLiteral("Cannot write \"%1\": %2").arg(film, file.errorString()));
  }
  if (!file.flush())
    return IoResult::Error(QStringLiteral("Cannot write \"%1\": %2").arg(film, file.errorString()));
  return IoResult::Ok();
}

} // namespace

QString SaveTargetFile(const QString &target) {
  std::error_code ec;
  const std::filesystem::path path = QtFileSystemPath(target);
  if (!std::filesystem::exists(path, ec))
    return target;
  const std::filesystem::path real = std::filesystem::canonical(path, ec);
  return ec ? target : QtPathText(real);
}

QDateTime KeptFramesFileTime(const QDateTime &sourceTime, int frameCount, int lastFrame, double interval) {
  if (!std::isfinite(interval) || interval < 0.0)
    interval = 0.0;
  const int following = std::max(frameCount - lastFrame, 0);
  return sourceTime.addMSecs(-static_cast<qint64>(std::llround(following * interval * 1000.0)));
}

bool SetFileModificationTime(const QString &fileName, const QDateTime &time) {
  QFile file(fileName);
  if (!time.isValid() || !file.open(QIODevice::ReadWrite))
    return false;
  return file.setFileTime(time, QFileDevice::FileModificationTime);
}

TPartialFilmResult WritePartialFilm(const TPartialFilmRequest &request) {
  const QFileInfo source(request.Source);
  if (!source.isFile())
    return Failure(QStringLiteral("The film \"%1\" no longer exists").arg(request.Source));
  if (request.Frames.empty())
    return Failure(QStringLiteral("No frames were chosen"));
  const QDateTime sourceTime = source.lastModified();
  const QString finalName = SaveTargetFile(request.Target);

  QTemporaryFile temporary(QFileInfo(finalName).absolutePath() + QStringLiteral("/.") +
                           QFileInfo(finalName).fileName() + QStringLiteral(".XXXXXX~"));
  temporary.setAutoRemove(false);
  if (!temporary.open())
    return Failure(QStringLiteral("Cannot write \"%1\": %2").arg(request.Target, temporary.errorString()));
  const QString temporaryName = temporary.fileName();
  temporary.close();
  const auto fail = [&](const QString &message) {
    QFile::remove(temporaryName);
    return Failure(message);
  };

  int frameCount = 0;
  double interval = 0.0;
  std::uint64_t frameBytes = 0;
  std::vector<std::optional<std::uint32_t>> stamps;
  for (std::size_t i = 0; i < request.Frames.size(); ++i) {
    const int k = request.Frames[i];
    TDTV frame;
    if (IoResult read = frame.LoadFromFile(request.Source, k); !read)
      return fail(read.message);
    if (i == 0) {
      frameCount = frame.FHeader.FrameCount;
      interval = frame.FHeader.FrameInterval;
      frameBytes = static_cast<std::uint64_t>(frame.Width()) * static_cast<std::uint64_t>(frame.Height()) * 2;
    }
    if (k < 1 || k > frameCount)
      return fail(
          QStringLiteral("\"%1\" has no frame %2 (it holds %3)").arg(request.Source).arg(k).arg(frameCount));
    const bool stamped = frame.FHeader.Version == 5;
    stamps.push_back(stamped ? std::optional<std::uint32_t>(frame.FFrameRec.TimeStamp) : std::nullopt);
    if (stamped)
      frame.FCameraTemp = frame.FFrameRec.CameraTemp;
    IoResult written = IoResult::Ok();
    if (i == 0) {
      frame.SetCommentText(request.Comment);
      written = frame.StartFilm(temporaryName);
    } else {
      written = frame.AppendFilmFrame(temporaryName);
    }
    if (!written)
      return fail(written.message);
  }
  if (IoResult restored = RestoreTimeStamps(temporaryName, stamps, frameBytes); !restored)
    return fail(restored.message);

  // The temporary file is private to its owner; the film takes the permissions of the file it replaces,
  // or those of an ordinary new file.
  const QFileDevice::Permissions permissions = QFileInfo::exists(finalName)
                                                   ? QFile::permissions(finalName)
                                                   : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                         QFileDevice::ReadUser | QFileDevice::WriteUser |
                                                         QFileDevice::ReadGroup | QFileDevice::ReadOther;
  QFile::setPermissions(temporaryName, permissions);
  std::error_code ec;
  std::filesystem::rename(QtFileSystemPath(temporaryName), QtFileSystemPath(finalName), ec);
  if (ec)
    return fail(
        QStringLiteral("Cannot write \"%1\": %2").arg(finalName, QString::fromStdString(ec.message())));
  const int last = *std::max_element(request.Frames.begin(), request.Frames.end());
  // A file time that cannot be set leaves the film correct; only its date in the view is off.
  SetFileModificationTime(finalName, KeptFramesFileTime(sourceTime, frameCount, last, interval));
  return TPartialFilmResult{IoResult::Ok(), finalName};
}

} // namespace calidarix
