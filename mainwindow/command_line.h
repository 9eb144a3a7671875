#pragma once
// The start-up command line:
//   [/userlog] [/ip [address]] [/scan] [/fullscan] [/fullvid] [/polyformleft] [/polyformright] [file name]
// Each switch is tested once, in this order, against the argument the index has reached; a switch out of
// order is therefore the first word of the file name. Switches match without regard to ASCII case.

#include <QString>
#include <QStringList>

namespace calidarix {

enum class StartupLoad {
  DemoByReload, // no arguments at all: reload with an empty name, which gives the demo image
  KeepDemo,     // arguments, but no file name: the demo image made earlier stays, no reload
  File,         // open `fileName`
  FixedFile,    // fixed-file mode: demo image by reload, scanning, saving into `fixedFileName`
};

struct StartupSwitches {
  bool userLog = false;
  bool cameraIpGiven = false;
  QString cameraIp;           // the address after "/ip", unchanged
  QString ipCaption;          // the window caption "/ip" sets: the text after the address's last "."
  bool clearFileName = false; // a scan switch empties the current thermogram's file name
  int moveToMonitor = -1;     // "/fullscan": monitor 0, "/fullvid": monitor 1 (when there are several)
  bool noHeadConnection = false;
  bool autoStartScan = false;
  bool fullScreenStart = false;
  bool fullVideoStart = false;
  bool polyFormLeft = false;
  bool polyFormRight = false;
  bool fixedFileStart = false;
  StartupLoad load = StartupLoad::DemoByReload;
  QString fileName;      // StartupLoad::File: the remaining arguments joined by single blanks
  QString fixedFileName; // StartupLoad::FixedFile: that text without its leading "-"
};

// `arguments` excludes the program file (argument 0).
StartupSwitches ParseCommandLine(const QStringList &arguments);

// The program's arguments after the program file, as text that keeps every byte (a file name that is
// not UTF-8 included; see platform/path_text.h).
QStringList CommandLineArguments(int argc, const char *const *argv);

// 1-based position of the last `c` in `text`; 0 when there is none.
int LastCharPos(const QString &text, QChar c);

} // namespace calidarix
