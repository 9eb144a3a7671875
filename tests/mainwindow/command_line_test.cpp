#include "mainwindow/command_line.h"

#include "platform/path_text.h"

#include <gtest/gtest.h>

namespace calidarix {
namespace {

// The parts of the result that a case checks, compared as one text so a table row reads as a sentence.
std::string Summary(const StartupSwitches &s) {
  std::string out;
  const char *loads[] = {"demo-reload", "keep-demo", "file", "fixed"};
  out += loads[static_cast<int>(s.load)];
  if (s.load == StartupLoad::File)
    out += "(" + s.fileName.toStdString() + ")";
  if (s.load == StartupLoad::FixedFile)
    out += "(" + s.fixedFileName.toStdString() + ")";
  if (s.userLog)
    out += " userlog";
  if (s.cameraIpGiven)
    out += " ip=" + s.cameraIp.toStdString() + " caption=" + s.ipCaption.toStdString();
  if (s.clearFileName)
    out += " clear";
  if (s.moveToMonitor >= 0)
    out += " monitor" + std::to_string(s.moveToMonitor);
  if (s.noHeadConnection)
    out += " nohead";
  if (s.autoStartScan)
    out += " scan";
  if (s.fullScreenStart)
    out += " full";
  if (s.fullVideoStart)
    out += " video";
  if (s.polyFormLeft)
    out += " left";
  if (s.polyFormRight)
    out += " right";
  if (s.fixedFileStart)
    out += " fixedstart";
  return out;
}

struct Case {
  QStringList arguments;
  std::string expected;
};

TEST(CommandLine, Grammar) {
  const Case cases[] = {
      {{}, "demo-reload"},
      {{"/userlog"}, "keep-demo userlog"},
      {{"/USERLOG"}, "keep-demo userlog"},
      {{"/ip", "192.168.0.33"}, "keep-demo ip=192.168.0.33 caption=33"},
      {{"/ip", "camera"}, "keep-demo ip=camera caption=camera"},
      {{"/ip"}, "keep-demo"},
      {{"/scan", "C:\\a.dtv"}, "file(C:\\a.dtv) clear scan"},
      {{"/fullscan", "/scan"}, "file(/scan) clear monitor0 scan full"},
      {{"/fullvid"}, "keep-demo clear monitor1 nohead full video"},
      {{"/polyformleft"}, "keep-demo scan full left"},
      {{"/PolyFormRight", "x.dtv"}, "file(x.dtv) scan full right"},
      {{"-D:\\fixed.dtv"}, "fixed(D:\\fixed.dtv) scan fixedstart"},
      {{"C:\\My", "Films\\x.dtv"}, "file(C:\\My Films\\x.dtv)"},
      {{"/userlog", "/ip", "10.0.0.7", "/scan", "/fullscan", "/fullvid", "/polyformleft", "/polyformright",
        "f"},
       "file(f) userlog ip=10.0.0.7 caption=7 clear monitor1 nohead scan full video left right"},
      // Out of order: "/userlog" after "/ip" starts the file name.
      {{"/ip", "1.2.3.4", "/userlog"}, "file(/userlog) ip=1.2.3.4 caption=4"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(Summary(ParseCommandLine(c.arguments)), c.expected) << c.arguments.join(' ').toStdString();
}

TEST(CommandLine, ArgumentsKeepBytesThatAreNotUtf8) {
  const char *argv[] = {"calidarix", "/userlog", "/data/caf\xE9/a.dtv", "/data/\xD0\xB4.dtv"};
  const QStringList arguments = CommandLineArguments(4, argv);
  ASSERT_EQ(arguments.size(), 3);
  EXPECT_EQ(arguments[0], "/userlog");
  EXPECT_EQ(NativeFromPathText(arguments[1]), QByteArray("/data/caf\xE9/a.dtv"));
  EXPECT_EQ(arguments[2], QString::fromUtf8("/data/\xD0\xB4.dtv"));
  const StartupSwitches s = ParseCommandLine(arguments);
  EXPECT_TRUE(s.userLog);
  EXPECT_EQ(NativeFromPathText(s.fileName), QByteArray("/data/caf\xE9/a.dtv /data/\xD0\xB4.dtv"));
}

TEST(CommandLine, LastCharPos) {
  EXPECT_EQ(LastCharPos("192.168.0.33", '.'), 10);
  EXPECT_EQ(LastCharPos("abc", '.'), 0);
  EXPECT_EQ(LastCharPos("", '.'), 0);
  EXPECT_EQ(LastCharPos("a.", '.'), 2);
}

} // namespace
} // namespace calidarix
