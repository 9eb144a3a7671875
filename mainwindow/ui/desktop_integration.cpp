#include "mainwindow/ui/desktop_integration.h"

#include "mainwindow/desktop_shortcuts.h"
#include "mainwindow/film_recovery.h"
#include "mainwindow/ui/logger_window.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <QCoreApplication>

namespace calidarix {

namespace {

QString Text(const std::filesystem::path &path) {
  return QString::fromStdString(path.string());
}

} // namespace

FreedesktopIntegration::FreedesktopIntegration(std::filesystem::path registryFile,
                                               std::filesystem::path programFile)
    : registryFile_(std::move(registryFile)), programFile_(std::move(programFile)) {}

ServiceStatus FreedesktopIntegration::CreateDesktopShortcuts() {
  Registry registry(registryFile_.empty() ? RegistryFilePath() : registryFile_);
  const std::filesystem::path program =
      programFile_.empty() ? std::filesystem::path(QCoreApplication::applicationFilePath().toStdString())
                           : programFile_;
  const std::filesystem::path desktop = UserDesktopFolder();
  bool failed = false;
  for (const DesktopShortcut &shortcut : {DatabaseShortcut(), ProgramShortcut(program)}) {
    QString why;
    const ShortcutOutcome outcome = CreateDesktopShortcut(registry, shortcut, desktop, &why);
    if (outcome == ShortcutOutcome::Written)
      LogLine(QStringLiteral("Desktop shortcut written: ") + shortcut.LinkName);
    if (outcome == ShortcutOutcome::Failed) {
      LogLine(QStringLiteral("Desktop shortcut %1 not written: %2").arg(shortcut.LinkName, why));
      failed = true;
    }
  }
  return failed ? ServiceStatus::Failed : ServiceStatus::Done;
}

ServiceStatus FreedesktopIntegration::RecoverInterruptedFilm(const QString &driveLetter) {
  const char letter = driveLetter.isEmpty() ? 'C' : driveLetter.front().toLatin1();
  const std::optional<std::filesystem::path> folder = DriveFolder(letter);
  if (!folder)
    return ServiceStatus::Failed;
  const FilmRecovery recovery = RecoverInterruptedFilms(*folder);
  for (const std::filesystem::path &busy : recovery.InUse)
    LogLine(QStringLiteral("Film being recorded by another instance left alone: ") + Text(busy));
  bool failed = false;
  for (const RecoveredFilm &film : recovery.Films) {
    if (film.Moved) {
      LogLine(QStringLiteral("Interrupted film restored as ") + Text(film.To));
    } else {
      LogLine(
          QStringLiteral("Interrupted film %1 could not be restored: %2").arg(Text(film.From), film.Error));
      failed = true;
    }
  }
  return failed ? ServiceStatus::Failed : ServiceStatus::Done;
}

QString OnScreenKeyboardProgram() {
  const QString chosen = qEnvironmentVariable("CALIDARIX_KEYBOARD").trimmed();
  return chosen.isEmpty() ? QStringLiteral("onboard") : chosen;
}

} // namespace calidarix
