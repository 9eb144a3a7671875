#pragma once
// Runs a tool that no one here wrote (ImageMagick's identify, pngcheck, poppler's pdfinfo and
// pdftoppm) over a file the program wrote, so the files are checked by another reader than ours.
// The tools are optional set-up packages: a test skips its check when one is not installed.

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace calidarix::test {

struct ToolRun {
  bool Installed = false;
  int ExitCode = -1;
  QString Output; // standard output and standard error together
};

inline ToolRun RunTool(const QString &program, const QStringList &arguments) {
  ToolRun run;
  const QString path = QStandardPaths::findExecutable(program);
  if (path.isEmpty())
    return run;
  run.Installed = true;
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(path, arguments);
  if (!process.waitForFinished(30000)) {
    process.kill();
    process.waitForFinished();
    run.Output = QStringLiteral("timed out");
    return run;
  }
  run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.Output = QString::fromLocal8Bit(process.readAll());
  return run;
}

} // namespace calidarix::test
