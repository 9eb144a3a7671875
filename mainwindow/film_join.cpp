#include "mainwindow/film_join.h"

#include "platform/paths.h"
#include "thermogram/formats/dtv_format.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace calidarix {

namespace {

// The top of a frame's range counts 65536 steps of Scale above Offset, one more than the highest raw
// value, so the common range always holds every frame's own range.
constexpr double kRangeSteps = 65536.0;

IoResult LoadExisting(TDTV &into, const QString &fileName, int frame) {
  const QFileInfo info(fileName);
  if (!info.exists() || info.isDir()) {
    // The loader would show the demo image for a missing file; a join must not take it for a frame.
    return IoResult::Error(QStringLiteral("\"%1\" does not exist").arg(fileName));
  }
  return into.LoadFromFile(fileName, frame);
}

IoResult SizeMismatch(const QString &fileName, int frame, const TDTV &t, int width, int height) {
  return IoResult::Error(
      QStringLiteral("Frame %1 of \"%2\" is %3 x %4 pixels; the film holds frames of %5 x %6")
          .arg(frame)
          .arg(fileName)
          .arg(t.Width())
          .arg(t.Height())
          .arg(width)
          .arg(height));
}

bool Rename(const QString &from, const QString &to, QString &error) {
  std::error_code ec;
  std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), ec);
  if (ec) {
    error = QString::fromStdString(ec.message());
    return false;
  }
  return true;
}

} // namespace

QString JoinedFilmFileName() {
  const auto path = LocalPathFromWindows("C:\\tempdtv.dtv");
  return QFile::decodeName(QByteArray::fromStdString(path ? path->string() : std::string("tempdtv.dtv")));
}

void WidenJoinRange(JoinRange &range, const TDTV &frame) {
  const double offset = frame.FHeader.Offset;
  const double top = static_cast<double>(frame.FHeader.Scale) * kRangeSteps + offset;
  if (!std::isfinite(offset) || !std::isfinite(top)) {
    return;
  }
  range.Low = std::min(range.Low, offset);
  range.High = std::max(range.High, top);
}

JoinResult JoinFilesToFilm(const QStringList &files, const QString &target, TDTV &work,
                           const JoinProgress &progress) {
  JoinResult out;
  if (files.isEmpty()) {
    out.Result = IoResult::Error(QStringLiteral("No files to join"));
    return out;
  }

  // First every file's frame count and frame size, so that nothing is written for a join that cannot
  // be made.
  std::vector<int> frameCounts;
  std::int64_t total = 0;
  int width = 0;
  int height = 0;
  for (const QString &file : files) {
    if (IoResult loaded = LoadExisting(work, file, 1); !loaded) {
      out.Result = loaded;
      return out;
    }
    if (frameCounts.empty()) {
      width = work.Width();
      height = work.Height();
    } else if (work.Width() != width || work.Height() != height) {
      out.Result = SizeMismatch(file, 1, work, width, height);
      return out;
    }
    const int count = std::max<int>(1, work.FHeader.FrameCount);
    frameCounts.push_back(count);
    total += count;
  }
  if (total > kMaxFilmFrames) {
    out.Result = IoResult::Error(
        QStringLiteral("The files hold %1 frames; a film holds at most %2").arg(total).arg(kMaxFilmFrames));
    return out;
  }

  QTemporaryFile temporary(QFileInfo(target).absolutePath() + QStringLiteral("/.join-XXXXXX.dt~"));
  temporary.setAutoRemove(false);
  if (!temporary.open()) {
    out.Result =
        IoResult::Error(QStringLiteral("Cannot write \"%1\": %2").arg(target, temporary.errorString()));
    return out;
  }
  const QString temporaryName = temporary.fileName();
  temporary.close();

  const auto fail = [&](IoResult result) {
    QFile::remove(temporaryName);
    out.Result = std::move(result);
    return out;
  };

  for (qsizetype f = 0; f < files.size(); ++f) {
    const QString &file = files[f];
    for (int frame = 1; frame <= frameCounts[static_cast<std::size_t>(f)]; ++frame) {
      if (IoResult loaded = LoadExisting(work, file, frame); !loaded) {
        return fail(loaded);
      }
      if (work.Width() != width || work.Height() != height) {
        return fail(SizeMismatch(file, frame, work, width, height));
      }
      WidenJoinRange(out.Range, work);
      IoResult written =
          out.FramesWritten == 0 ? work.StartFilm(temporaryName) : work.AppendFilmFrame(temporaryName);
      if (!written) {
        return fail(written);
      }
      ++out.FramesWritten;
      const int percent = static_cast<int>(std::int64_t{out.FramesWritten} * 100 / total);
      if (progress && !progress(percent)) {
        out.Cancelled = true;
        return fail(IoResult::Error(QStringLiteral("Joining was cancelled")));
      }
    }
  }

  if (QString error; !Rename(temporaryName, target, error)) {
    return fail(IoResult::Error(QStringLiteral("Cannot write \"%1\": %2").arg(target, error)));
  }
  work.FFileName = target;
  work.FFrameIndex = out.FramesWritten;
  if (out.Range.Valid()) {
    work.SetTemperatureRange(false, out.Range.Low, out.Range.High);
  }
  out.Result = IoResult::Ok();
  return out;
}

IoResult AppendDTVFile(TDTV &current, const QString &fileName, const TRect &view) {
  TDTV other;
  if (IoResult loaded = LoadExisting(other, fileName, 1); !loaded) {
    return loaded;
  }
  return current.AppendImage(other, view);
}

} // namespace calidarix
