#include "mainwindow/ui/logger_window.h"

#include "tests/support/test_support.h"
#include "thermogram/thermogram_globals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <thread>

namespace calidarix {
namespace {

const QRegularExpression kStamped(R"(^\d\d:\d\d:\d\d\.\d\d\d (.*)$)");

QString Unstamped(const QString &line) {
  const auto match = kStamped.match(line);
  return match.hasMatch() ? match.captured(1) : QStringLiteral("<no stamp: %1>").arg(line);
}

TEST(Logger, AppendsStampedLinesWhetherShownOrLoggingIsOn) {
  Tlogger log;
  EXPECT_FALSE(log.isVisible());
  EXPECT_FALSE(log.FUserLog);
  log.AppendLine("head found");
  log.AppendLine("");
  const QStringList lines = log.Lines();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(Unstamped(lines[0]), "head found");
  EXPECT_EQ(Unstamped(lines[1]), "");
  EXPECT_EQ(lines[1].size(), 13); // the stamp and its trailing blank
}

// The thermogram library has no window: its diagnostics (a refused projection, a film cut short)
// reach the user through the one log window.
TEST(Logger, ThermogramDiagnosticsReachTheLogWindow) {
  Tlogger log;
  logger = &log;
  ThermogramLog(QStringLiteral("Projection of \"scan.dtv\" refused"));
  logger = nullptr;
  ThermogramLog(QStringLiteral("no window to show this"));
  const QStringList lines = log.Lines();
  ASSERT_EQ(lines.size(), 1);
  EXPECT_EQ(Unstamped(lines[0]), "Projection of \"scan.dtv\" refused");
}

TEST(Logger, LinesFromAnotherThreadArriveOnTheGuiThread) {
  Tlogger log;
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i)
      log.AppendLine(QString::number(i));
  });
  worker.join();
  QCoreApplication::processEvents();
  const QStringList lines = log.Lines();
  ASSERT_EQ(lines.size(), 50);
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(Unstamped(lines[i]), QString::number(i));
}

TEST(Logger, SavesOnlyWithLoggingOnAndRewritesTheSameFile) {
  test::TempDir dir;
  Tlogger log;
  log.FLogFolder = QString::fromStdString(dir.path().string());
  log.AppendLine("one");
  QString error;
  EXPECT_FALSE(log.SaveLog(&error));
  EXPECT_EQ(error, "");
  EXPECT_TRUE(QDir(log.FLogFolder).isEmpty());

  log.FUserLog = true;
  ASSERT_TRUE(log.SaveLog(&error)) << error.toStdString();
  const QString name = log.FLogFileName;
  EXPECT_TRUE(name.startsWith("UserLog_") && name.endsWith(".log")) << name.toStdString();
  EXPECT_FALSE(name.contains(':') || name.contains('/'));
  log.AppendLine("two");
  ASSERT_TRUE(log.SaveLog(&error));
  EXPECT_EQ(log.FLogFileName, name);
  EXPECT_EQ(QDir(log.FLogFolder).entryList(QDir::Files), QStringList{name});
  QFile file(log.FLogFolder + "/" + name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList saved = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(saved.size(), 2);
  EXPECT_EQ(Unstamped(saved[0]), "one");
  EXPECT_EQ(Unstamped(saved[1]), "two");
}

TEST(Logger, ReportsAFileThatCannotBeWritten) {
  test::TempDir dir;
  test::WriteFile(dir.file("plain"), {'x'});
  Tlogger log;
  log.FUserLog = true;
  log.FLogFolder = QString::fromStdString(dir.file("plain").string());
  QString error;
  EXPECT_FALSE(log.SaveLog(&error));
  EXPECT_NE(error, "");
}

TEST(Logger, ExitHidesAndKeepsTheLines) {
  Tlogger log;
  log.show();
  log.AppendLine("kept");
  log.ExitItem->trigger();
  EXPECT_FALSE(log.isVisible());
  EXPECT_EQ(log.Lines().size(), 1);
  EXPECT_EQ(log.objectName(), "logger");
  EXPECT_EQ(log.windowTitle(), "logger");
  EXPECT_TRUE(log.AlwaysOnTopItem->isChecked());
  EXPECT_FALSE(log.AutoSave1->isChecked());
}

} // namespace
} // namespace calidarix
