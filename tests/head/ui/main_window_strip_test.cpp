// A strip from the main window's "Start Strip" to its saved thermogram, with the real acquisition thread
// receiving from the simulated network camera and the real head link driving the simulated head on a
// pseudo-terminal.

#include "acquisition/scan_thread.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/strip_scan.h"
#include "head/ui/head_service.h"
#include "mainwindow/fake_sound.h"
#include "platform/messages.h"
#include "tests/head/ui/live_head_window_fixture.h"
#include "thermogram/formats/dtv_format.h"
#include "thermogram/thermogram_globals.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <algorithm>

namespace calidarix {
namespace {

// The pitch of 16-bit mono samples from their rising zero crossings.
double StripTonePitch(const WaveSound &sound) {
  int rises = 0;
  std::int16_t last = 0;
  const std::size_t n = sound.Data.size() / 2;
  for (std::size_t i = 0; i < n; ++i) {
    const auto v = static_cast<std::int16_t>(sound.Data[2 * i] | (sound.Data[2 * i + 1] << 8));
    if (i > 0 && last < 0 && v >= 0)
      ++rises;
    last = v;
  }
  return n == 0 ? 0.0 : rises * static_cast<double>(sound.Format.SamplesPerSec) / static_cast<double>(n);
}

class StripWindow : public test::LiveHeadWindow {
protected:
  // The thermograms saved under the drive folder.
  QStringList Saved() const {
    QStringList files;
    QDirIterator it(QString::fromStdString(driveDir.path().string()), {QStringLiteral("*.dtv")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
      files << it.next();
    return files;
  }
};

TEST_F(StripWindow, AStripIsSweptReceivedShapedAndSaved) {
  TCalidarix &w = Open();
  FakeSoundDevice sound;
  w.FPanels.Sound = &sound;
  logger->FUserLog = true;
  w.ScanforPanHead1Click();
  ASSERT_TRUE(w.HeadConnected);
  // A camera of some 5,000 lines a second.
  Start({});
  sim::LanCameraFaults paced;
  paced.datagramDelayMicros = 200;
  camera->SetFaults(paced);
  ASSERT_TRUE(WaitForShownFrames(3));
  // A sweep of 8 x 256 counter units, which the head covers in the time the strip is given for it.
  w.FIniSettings.Head.StripUp = 4;
  w.FIniSettings.Head.StripDown = -4;
  head->SetMoveMs(static_cast<int>(8 * 256 / StripCounterRate));
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
  // The head went up to the start, was sent down during the short frame, and back to the horizon. Step
  // messages of earlier frames taken late may repeat a target; the order is what counts.
  std::vector<int> verticalTargets;
  for (const std::string &c : head->Commands()) {
    const int target = (static_cast<std::uint8_t>(c[5]) | static_cast<std::uint8_t>(c[6]) << 8) - 0x8000;
    if (c.rfind("$TVer", 0) == 0 && (verticalTargets.empty() || verticalTargets.back() != target))
      verticalTargets.push_back(target);
  }
  EXPECT_EQ(verticalTargets, (std::vector<int>{4, -4, 0}));
  // No frame of the sequence was lost on the link. By design the frames before the strip frame take
  // the lost path with code 0, and those that come while it is handled with code -10; nothing else.
  const QRegularExpression lost(QStringLiteral("Scan frame lost. Error code:(-?\\d+)"));
  for (const QString &line : logger->Lines()) {
    if (const QRegularExpressionMatch m = lost.match(line); m.hasMatch()) {
      EXPECT_TRUE(m.captured(1) == QLatin1String("0") || m.captured(1) == QLatin1String("-10"))
          << line.toStdString();
    }
  }

  // Saved as a strip: version 4, the strip's height, a vertical extent (read from the header, as a
  // viewer projects such a frame by its angles).
  const QStringList saved = Saved();
  ASSERT_EQ(saved.size(), 1) << saved.join(' ').toStdString();
  QFile file(saved.front());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GE(bytes.size(), static_cast<qsizetype>(kDtvHeaderBytes));
  DtvHeaderBytes header{};
  std::copy_n(bytes.constData(), header.size(), reinterpret_cast<char *>(header.data()));
  const TDTVHeader strip = DecodeDtvHeader(header);
  EXPECT_EQ(strip.Version, 4);
  EXPECT_EQ(strip.Width, 320);
  EXPECT_EQ(strip.Height, out.Lines());
  EXPECT_GT(strip.VertExtent, 0);
  EXPECT_EQ(bytes.size(), static_cast<qsizetype>(kDtvHeaderBytes + 2 * 320 * strip.Height));
  // The saved strip was signalled by a low tone and then a high one, a fifth of a second each.
  const std::vector<WaveSound> tones = sound.Playbacks();
  ASSERT_EQ(tones.size(), 2u);
  for (const auto &[tone, hz] : {std::pair{tones[0], 250.0}, std::pair{tones[1], 500.0}}) {
    EXPECT_NEAR(StripTonePitch(tone), hz, 10.0);
    EXPECT_EQ(tone.Data.size(), tone.Format.AvgBytesPerSec / 5);
  }
  // "Keep on stripping" is off: the acquisition stopped and the sequence ended.
  EXPECT_TRUE(WaitUntil([] { return !ScanRequests.ScanRunning.Get(); }));
  EXPECT_FALSE(w.FPanoSequence.Busy);
}

TEST_F(StripWindow, AStepMessageTakenAfterTheThreadMovedOnStillStartsTheSweep) {
  TCalidarix &w = OpenStripping(-20);
  ASSERT_TRUE(w.HeadConnected);
  // The short frame is over and the strip frame requested before the window takes the short frame's
  // message.
  ScanRequests.StripStep.Set(3);
  head->ClearCommands();
  Message shortFrame{WM_HEADSTEP, 2, 0, 0};
  w.WndProc(shortFrame);
  EXPECT_TRUE(head->WaitForCommand("$TVer", 1000));
  EXPECT_EQ(ScanRequests.StripStep.Get(), 3);
  // The strip frame's own message moves the strip on.
  Message stripFrame{WM_HEADSTEP, 3, 0, 0};
  w.WndProc(stripFrame);
  EXPECT_EQ(ScanRequests.StripStep.Get(), 4);
  ScanRequests.StripScanning.Set(false);
}

} // namespace
} // namespace calidarix
