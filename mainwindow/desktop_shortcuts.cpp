#include "mainwindow/desktop_shortcuts.h"

#include "platform/atomic_file.h"
#include "platform/paths.h"

#include <QStandardPaths>
#include <QUrl>

#include <system_error>

namespace calidarix {

namespace {

// A value of a desktop entry: backslashes and line breaks escaped as freedesktop desktop entries want.
QString EntryValue(const QString &text) {
  QString out;
  for (const QChar c : text) {
    if (c == QLatin1Char('\\'))
      out += QStringLiteral("\\\\");
    else if (c == QLatin1Char('\n'))
      out += QStringLiteral("\\n");
    else if (c == QLatin1Char('\r'))
      out += QStringLiteral("\\r");
    else
      out += c;
  }
  return out;
}

// The program as one quoted argument of Exec: inside the quotes ", `, $ and \ take a backslash, and %
// is doubled because Exec gives it a meaning of its own.
QString ExecArgument(const QString &program) {
  QString quoted = QStringLiteral("\"");
  for (const QChar c : program) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
      quoted += QLatin1Char('\\');
    if (c == QLatin1Char('%'))
      quoted += QLatin1Char('%');
    quoted += c;
  }
  return quoted + QLatin1Char('"');
}

QString FromPath(const std::filesystem::path &path) {
  return QString::fromStdString(path.string());
}

std::filesystem::path ToPath(const QString &text) {
  return std::filesystem::path(text.toStdString());
}

} // namespace

DesktopShortcut DatabaseShortcut() {
  DesktopShortcut s;
  s.Target = LocalPathFromWindows("C:\\DATABASE.KVD").value_or(std::filesystem::path());
  s.TargetIsFolder = true;
  s.LinkName = QStringLiteral("DATABASE.desktop");
  s.Title = QStringLiteral("DATABASE");
  return s;
}

DesktopShortcut ProgramShortcut(const std::filesystem::path &programFile) {
  DesktopShortcut s;
  s.Target = programFile;
  s.TargetIsFolder = false;
  s.LinkName = QStringLiteral("Calidarix.desktop");
  s.Title = QStringLiteral("Calidarix");
  return s;
}

std::filesystem::path UserDesktopFolder() {
  // Qt reads the same "user-dirs.dirs" as xdg-user-dir, but falls back to ~/Desktop rather than to the
  // home folder itself when the desktop is not configured.
  return ToPath(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
}

QString DesktopEntryText(const DesktopShortcut &shortcut) {
  QString text = QStringLiteral("[Desktop Entry]\n");
  if (shortcut.TargetIsFolder) {
    text += QStringLiteral("Type=Link\n");
    text += QStringLiteral("Name=") + EntryValue(shortcut.Title) + QLatin1Char('\n');
    text += QStringLiteral("URL=") +
            EntryValue(QUrl::fromLocalFile(FromPath(shortcut.Target)).toString(QUrl::FullyEncoded)) +
            QLatin1Char('\n');
    text += QStringLiteral("Icon=folder\n");
  } else {
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=") + EntryValue(shortcut.Title) + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + EntryValue(ExecArgument(FromPath(shortcut.Target))) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n");
  }
  return text;
}

ShortcutOutcome CreateDesktopShortcut(Registry &registry, const DesktopShortcut &shortcut,
                                      const std::filesystem::path &userDesktop, QString *error) {
  std::error_code ec;
  const bool targetThere = !shortcut.Target.empty() &&
                           (shortcut.TargetIsFolder ? std::filesystem::is_directory(shortcut.Target, ec)
                                                    : std::filesystem::is_regular_file(shortcut.Target, ec));
  if (!targetThere)
    return ShortcutOutcome::NoTarget;

  std::filesystem::path desktop;
  bool write = false;
  std::optional<std::string> stored;
  if (registry.OpenKey(kDesktopPathKey, false))
    stored = registry.ReadString(kDesktopPathValue);
  if (stored && !stored->empty()) {
    // A value carried over from Windows names its folder the Windows way.
    desktop = LocalPathFromWindows(*stored).value_or(std::filesystem::path(*stored));
  } else {
    desktop = userDesktop;
    QString folder = FromPath(userDesktop);
    if (!folder.endsWith(QLatin1Char('/')))
      folder += QLatin1Char('/');
    if (registry.OpenKey(kDesktopPathKey, true))
      registry.WriteString(kDesktopPathValue, folder.toStdString());
    write = true;
  }
  const std::filesystem::path link = desktop / shortcut.LinkName.toStdString();
  if (!write && !std::filesystem::exists(std::filesystem::symlink_status(link, ec)))
    write = true;
  if (!write)
    return ShortcutOutcome::Kept;

  if (!std::filesystem::is_directory(desktop, ec)) {
    if (error)
      *error = QStringLiteral("the desktop folder \"%1\" does not exist").arg(FromPath(desktop));
    return ShortcutOutcome::Failed;
  }
  std::string why;
  if (!WriteFileAtomically(link, DesktopEntryText(shortcut).toStdString(), &why)) {
    if (error)
      *error = QString::fromStdString(why);
    return ShortcutOutcome::Failed;
  }
  using std::filesystem::perms;
  std::filesystem::permissions(link, perms::owner_exec | perms::group_exec | perms::others_exec,
                               std::filesystem::perm_options::add, ec);
  return ShortcutOutcome::Written;
}

} // namespace calidarix
