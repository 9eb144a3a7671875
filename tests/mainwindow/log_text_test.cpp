#include "mainwindow/log_text.h"

#include "tests/support/test_support.h"

#include <QFile>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

TEST(LogText, LineStampIsTwentyFourHourWithMillisecondsAndABlank) {
  EXPECT_EQ(LogLineStamp(QTime(0, 0, 0, 0)), "00:00:00.000 ");
  EXPECT_EQ(LogLineStamp(QTime(9, 5, 3, 7)), "09:05:03.007 ");
  EXPECT_EQ(LogLineStamp(QTime(23, 59, 59, 999)), "23:59:59.999 ");
}

TEST(LogText, FileNameHasNoSlashOrColon) {
  const QString name = UserLogFileName(QDateTime(QDate(2024, 3, 9), QTime(14, 3, 7)));
  EXPECT_EQ(name, "UserLog_2024-03-09 14-03-07.log");
  EXPECT_FALSE(name.contains('/'));
  EXPECT_FALSE(name.contains(':'));
}

TEST(LogText, WritesTheWholeFileAndReplacesIt) {
  test::TempDir dir;
  const QString path = QString::fromStdString((dir.path() / "sub" / "log.log").string());
  EXPECT_EQ(WriteLogFile(path, {"first", QString::fromUtf8("второй")}), "");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(file.readAll()), QString::fromUtf8("first\nвторой\n"));
  file.close();
  EXPECT_EQ(WriteLogFile(path, {"only"}), "");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), "only\n");
}

TEST(LogText, ReportsAFolderThatCannotBeMade) {
  test::TempDir dir;
  test::WriteFile(dir.file("plain"), {'x'});
  const QString path = QString::fromStdString((dir.path() / "plain" / "log.log").string());
  EXPECT_NE(WriteLogFile(path, {"line"}), "");
}

} // namespace
} // namespace calidarix
