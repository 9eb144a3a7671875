// A strip from the main window's "Start Strip" to its saved thermogram, with the real acquisition thread
// receiving from the simulated network camera and the real head link driving the simulated head on a
// pseudo-terminal.

#include "acquisition/scan_thread.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/strip_scan.h"
#include "head/ui/head_service.h"
#include "tests/acquisition/ui/live_window_fixture.h"
#include "tests/head/head_sim_fixture.h"
#include "thermogram/thermogram_globals.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace calidarix {
namespace {

class StripWindow : public test::LiveWindow {
protected:
  void SetUp() override {
    LiveWindow::SetUp();
    ASSERT_TRUE(pty.Start(100));
    head = pty.head.get();
    fakes.services.head = std::make_unique<QorHeadLink>();
    fakes.head = nullptr;
  }
  void TearDown() override {
    LiveWindow::TearDown();
    pty.Stop();
    ResetHeadGlobals();
  }

  // The thermograms saved under the drive folder.
  QStringList Saved() const {
    QStringList files;
    QDirIterator it(QString::fromStdString(driveDir.path().string()), {QStringLiteral("*.dtv")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
      files << it.next();
    return files;
  }

  test::ScopedEnv network{"CALIDARIX_NETWORK", "loopback"};
  test::PtyHead pty;
  sim::HeadSimulator *head = nullptr;
};

TEST_F(StripWindow, AStripIsSweptReceivedShapedAndSaved) {
  TCalidarix &w = Open();
  logger->FUserLog = true;
  w.ScanforPanHead1Click();
  ASSERT_TRUE(w.HeadConnected);
  // A camera of some 5,000 lines a second, and a short sweep: a strip of a few hundred lines.
  Start({});
  sim::LanCameraFaults paced;
  paced.datagramDelayMicros = 200;
  camera->SetFaults(paced);
  ASSERT_TRUE(WaitForShownFrames(3));
  w.FIniSettings.Head.StripUp = 2;
  w.FIniSettings.Head.StripDown = -2;
  head->ClearCommands();
  const std::size_t requestsBefore = camera->Requests().size();

  w.Strip1Click();

  const TStripOutcome &out = w.FPanoSequence.LastStrip;
  ASSERT_EQ(out.End, TStripEnd::Done) << out.Message.toStdString();
  EXPECT_GT(out.LineCount, 0);
  EXPECT_EQ(out.LineCount % 4, 0);
  // The camera was asked for the short frame of 32 lines and then for the strip frame, both at speed 0.
  const std::vector<sim::LanCameraRequest> requests = camera->Requests();
  std::vector<std::int32_t> speedZero;
  for (std::size_t i = requestsBefore; i < requests.size(); ++i)
    if (requests[i].speed == 0)
      speedZero.push_back(requests[i].height);
  ASSERT_GE(speedZero.size(), 2u);
  EXPECT_EQ(speedZero[speedZero.size() - 2], 32);
  EXPECT_EQ(speedZero.back(), out.LineCount);
  // The head went up to the start, was sent down during the short frame, and back to the horizon (by the
  // sequence and once more by the command as it ends).
  std::vector<int> verticalTargets;
  for (const std::string &c : head->Commands())
    if (c.rfind("$TVer", 0) == 0)
      verticalTargets.push_back((static_cast<std::uint8_t>(c[5]) | static_cast<std::uint8_t>(c[6]) << 8) -
                                0x8000);
  EXPECT_EQ(verticalTargets, (std::vector<int>{2, -2, 0, 0}));
  // No frame of the sequence was lost on the link: the frames before the strip frame take the lost
  // path with code 0 by design, nothing else.
  const QRegularExpression lost(QStringLiteral("Scan frame lost. Error code:(-?\\d+)"));
  for (const QString &line : logger->Lines())
    if (const QRegularExpressionMatch m = lost.match(line); m.hasMatch())
      EXPECT_EQ(m.captured(1), QStringLiteral("0")) << line.toStdString();

  // Saved with the strip's height and extent; the shown thermogram is back to an ordinary header.
  const QStringList saved = Saved();
  ASSERT_EQ(saved.size(), 1) << saved.join(' ').toStdString();
  EXPECT_TRUE(saved.front().contains(QStringLiteral("R_"))) << saved.front().toStdString();
  TDTV strip;
  ASSERT_TRUE(strip.LoadDTV(saved.front(), 0));
  EXPECT_EQ(strip.FHeader.Version, 4);
  EXPECT_EQ(strip.Height(), out.Lines());
  EXPECT_EQ(strip.Width(), 320);
  EXPECT_GT(strip.FHeader.VertExtent, 0);
  EXPECT_EQ(CurrentDTV->FHeader.Version, 3);
  // "Keep on stripping" is off: the acquisition stopped and the sequence ended.
  EXPECT_TRUE(WaitUntil([] { return !ScanRequests.ScanRunning.Get(); }));
  EXPECT_FALSE(w.FPanoSequence.Busy);
}

} // namespace
} // namespace calidarix
