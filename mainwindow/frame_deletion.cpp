#include "mainwindow/frame_deletion.h"

#include "mainwindow/image_sidecar.h"
#include "mainwindow/partial_film.h"
#include "platform/path_text.h"
#include "platform/paths.h"
#include "thermogram/tdtv.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <optional>

namespace calidarix {

IoResult DeleteFilmFrame(const QString &fileName, int frame) {
  if (QFileInfo(fileName).suffix().compare(QLatin1String("dtv"), Qt::CaseInsensitive) != 0)
    return IoResult::Error(
        QStringLiteral("Frames can only be deleted from .dtv films; \"%1\" is left as it is").arg(fileName));
  if (!QFileInfo(fileName).isFile())
    return IoResult::Error(QStringLiteral("The film \"%1\" no longer exists").arg(fileName));
  TDTV probe;
  if (const IoResult read = probe.LoadFromFile(fileName, 1); !read)
    return read;
  const int count = probe.FHeader.FrameCount;
  if (count < 2)
    return IoResult::Error(QStringLiteral("\"%1\" holds a single frame").arg(fileName));
  if (frame < 1 || frame > count)
    return IoResult::Error(
        QStringLiteral("\"%1\" has no frame %2 (it holds %3)").arg(fileName).arg(frame).arg(count));
  TPartialFilmRequest request;
  request.Source = fileName;
  request.Target = fileName;
  request.Comment = probe.CommentText();
  for (int k = 1; k <= count; ++k)
    if (k != frame)
      request.Frames.push_back(k);
  return WritePartialFilm(request).Result;
}

QStringList ThermogramCompanions(const QString &fileName) {
  QStringList found;
  const std::filesystem::path file = QtFileSystemPath(fileName);
  const auto add = [&](const std::optional<std::filesystem::path> &path) {
    if (!path || SameFile(*path, file))
      return;
    const QString name = QtPathText(*path);
    for (const QString &known : found)
      if (SameFile(QtFileSystemPath(known), *path))
        return;
    found << name;
  };
  const QString sidecar = SidecarFileName(fileName);
  if (!sidecar.isEmpty()) {
    std::string base = file.string();
    base.pop_back();
    add(FindFileWithExtension(std::filesystem::path(base), "i"));
  }
  for (const char *extension : {".dti", ".wav", ".abc"})
    add(FindCompanionFile(file, extension));
  return found;
}

IoResult DeleteThermogramFile(const QString &fileName) {
  const QStringList companions = ThermogramCompanions(fileName);
  QFile file(fileName);
  if (!file.remove())
    return IoResult::Error(QStringLiteral("Cannot delete \"%1\": %2").arg(fileName, file.errorString()));
  QStringList kept;
  for (const QString &companion : companions)
    if (!QFile::remove(companion))
      kept << companion;
  if (kept.isEmpty())
    return IoResult::Ok();
  return IoResult{true, QStringLiteral("Could not delete %1").arg(kept.join(QStringLiteral(", ")))};
}

} // namespace calidarix
