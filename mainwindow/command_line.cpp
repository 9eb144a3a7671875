#include "mainwindow/command_line.h"

#include "platform/path_text.h"

namespace calidarix {

namespace {

// Only ASCII letters fold: a file name with other letters never matches a switch by accident.
QString AsciiLower(const QString &text) {
  QString lower = text;
  for (QChar &c : lower)
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
      c = QChar(c.unicode() + ('a' - 'A'));
  return lower;
}

} // namespace

int LastCharPos(const QString &text, QChar c) {
  return static_cast<int>(text.lastIndexOf(c)) + 1;
}

StartupSwitches ParseCommandLine(const QStringList &arguments) {
  StartupSwitches s;
  if (arguments.isEmpty())
    return s; // DemoByReload

  qsizetype i = 0;
  auto takes = [&](const char *name) {
    if (i < arguments.size() && AsciiLower(arguments[i]) == QLatin1String(name)) {
      ++i;
      return true;
    }
    return false;
  };

  if (takes("/userlog"))
    s.userLog = true;
  if (takes("/ip") && i < arguments.size()) {
    s.cameraIpGiven = true;
    s.cameraIp = arguments[i];
    s.ipCaption = s.cameraIp.mid(LastCharPos(s.cameraIp, QLatin1Char('.')));
    ++i;
  }
  if (takes("/scan")) {
    s.clearFileName = true;
    s.autoStartScan = true;
  }
  if (takes("/fullscan")) {
    s.clearFileName = true;
    s.moveToMonitor = 0;
    s.autoStartScan = true;
    s.fullScreenStart = true;
  }
  if (takes("/fullvid")) {
    s.clearFileName = true;
    s.moveToMonitor = 1;
    s.noHeadConnection = true;
    s.fullVideoStart = true;
    s.fullScreenStart = true;
  }
  if (takes("/polyformleft")) {
    s.polyFormLeft = true;
    s.autoStartScan = true;
    s.fullScreenStart = true;
  }
  if (takes("/polyformright")) {
    s.polyFormRight = true;
    s.autoStartScan = true;
    s.fullScreenStart = true;
  }

  if (i >= arguments.size()) {
    s.load = StartupLoad::KeepDemo;
    return s;
  }
  // A path with blanks that was not quoted arrives in pieces: put it together again.
  const QString name = arguments.mid(i).join(QLatin1Char(' '));
  if (name.startsWith(QLatin1Char('-'))) {
    s.load = StartupLoad::FixedFile;
    s.fixedFileName = name.mid(1);
    s.autoStartScan = true;
    s.fixedFileStart = true;
  } else {
    s.load = StartupLoad::File;
    s.fileName = name;
  }
  return s;
}

QStringList CommandLineArguments(int argc, const char *const *argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments.append(PathTextFromNative(QByteArray(argv[i])));
  return arguments;
}

} // namespace calidarix
