// The remote-control commands against the real main window, through the server over loopback:
// markers added and read back, the area statistics, the pixel under the mouse, and start and stop
// while no acquisition runs.

#include "acquisition/camera_state.h"
#include "acquisition/tcp_remote_server.h"
#include "acquisition/ui/main_window_remote.h"
#include "mainwindow/ui/main_window.h"
#include "platform/numbers.h"
#include "tests/acquisition/remote_test_client.h"
#include "tests/mainwindow/ui/real_view_fixture.h"
#include "tests/support/thermogram_fixture.h"
#include "thermogram/thermogram_globals.h"

#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace calidarix {
namespace {

std::string Text(double t) {
  return FloatToText(t, '.');
}

class MainWindowRemote : public test::RealViewWindow {
protected:
  void SetUp() override {
    RealViewWindow::SetUp();
    qputenv("CALIDARIX_NETWORK", "loopback");
  }
  void TearDown() override {
    server.reset();
    host.reset();
    RealViewWindow::TearDown();
  }

  // The window with a 320 x 240 thermogram whose pixels rise to the right and downwards.
  TCalidarix &Open() {
    TCalidarix &w = CreateWindow();
    ShowWindow();
    test::SetFrame(*CurrentDTV, 320, 240, [](int x, int y) { return 20000 + 7 * x + 3 * y; });
    CurrentDTV->UpdateStatistics();
    host = std::make_unique<TMainWindowRemoteHost>(w);
    server = std::make_unique<TRemoteServer>(*host);
    EXPECT_TRUE(server->Listen(QHostAddress::LocalHost, 0));
    return w;
  }

  std::string Exchange(const QByteArray &request) {
    test::RemoteClient client(server->Port());
    EXPECT_TRUE(client.Connected());
    client.Send(request);
    const QByteArray reply = client.ReplyUntilClosed();
    EXPECT_TRUE(client.ClosedByServer());
    return reply.toStdString();
  }

  std::unique_ptr<TMainWindowRemoteHost> host;
  std::unique_ptr<TRemoteServer> server;
};

TEST_F(MainWindowRemote, SetPointAddsMarkersThatGetPointReads) {
  TCalidarix &w = Open();
  EXPECT_EQ(Exchange("getpoint\r\n"), "\r\n");
  EXPECT_EQ(Exchange("setpoint\r\n318&10\r\n"), "");
  EXPECT_EQ(Exchange("setpoint\r\n319&10\r\n"), ""); // the last column
  EXPECT_EQ(Exchange("setpoint\r\n5&200\r\n"), "");
  EXPECT_EQ(Exchange("setpoint\r\n318&10\r\n"), ""); // already there
  ASSERT_EQ(w.FMarkers.FPoints.size(), 2u);
  TPointRecord first;
  first.X = 318;
  first.Y = 10;
  first.Direction = 1;
  EXPECT_EQ(w.FMarkers.FPoints[0], first);
  EXPECT_EQ(w.FMarkers.FPoints[1].Direction, 3);
  EXPECT_EQ(w.FMarkers.FPoints[1].Number, 0);

  const double t1 = w.T_XY(318, 10);
  const double t2 = w.T_XY(5, 200);
  ASSERT_NE(t1, t2);
  EXPECT_EQ(Exchange("GETPOINT\r\n"),
            Text(RoundHalfEven(t1 * 100) / 100) + "&" + Text(RoundHalfEven(t2 * 100) / 100) + "\r\n");
}

TEST_F(MainWindowRemote, GetTempReportsTheWholeFrameOrTheSelectedArea) {
  TCalidarix &w = Open();
  const TDTV &dtv = *CurrentDTV;
  const std::string whole = Exchange("gettemp\r\n");
  EXPECT_EQ(whole, "0&0&319&239&" + Text(dtv.RawToTemperature(dtv.FRawMin)) + "&" +
                       Text(dtv.RawToTemperature(dtv.FRawMax)) + "&" +
                       Text(dtv.RawToTemperature(dtv.FRawMean)) + "\r\n");
  EXPECT_LT(dtv.RawToTemperature(dtv.FRawMin), dtv.RawToTemperature(dtv.FRawMax));

  TAreaRecord area;
  area.SetRect({10, 20, 30, 40});
  w.FMarkers.FCurrentArea = area;
  w.FMeasure.FAreaRawMin = 20100;
  w.FMeasure.FAreaRawMax = 20400;
  w.FMeasure.FAreaRawAvg = 20250;
  EXPECT_EQ(Exchange("gettemp\r\n"), "10&20&30&40&" + Text(dtv.RawToTemperature(20100)) + "&" +
                                         Text(dtv.RawToTemperature(20400)) + "&" +
                                         Text(dtv.RawToTemperature(20250)) + "\r\n");
}

TEST_F(MainWindowRemote, GetCursorReadsThePixelUnderTheMouse) {
  TCalidarix &w = Open();
  w.FMouseInImage = false;
  EXPECT_EQ(Exchange("getcursor\r\n"), "MouseOut\r\n");

  w.FMouseInImage = true;
  w.FMousePos = {40, 30};
  const std::uint16_t x = w.GetRealX(40);
  const std::uint16_t y = w.GetRealY(30);
  EXPECT_EQ(Exchange("getcursor\r\n"),
            std::to_string(x) + "&" + std::to_string(y) + "&" + Text(w.T_XY(x, y)) + "\r\n");
}

TEST_F(MainWindowRemote, StartAndStopWithoutAcquisition) {
  TCalidarix &w = Open();
  EXPECT_EQ(Exchange("getstrnumb\r\n"), ""); // not acquiring: no reply
  EXPECT_EQ(Exchange("stop\r\n"), "");
  EXPECT_FALSE(ScanRequests.ScanRunning.Get());

  auto *frame = w.findChild<QToolButton *>("FrameSB");
  ASSERT_NE(frame, nullptr);
  const bool checked = frame->isChecked();
  EXPECT_EQ(Exchange("start\r\nRun 7/../Take 2\r\n"), "");
  EXPECT_EQ(w.FAcquisition.FTcpFileName, "Take 2");
  EXPECT_TRUE(w.FStatusNotice.contains("Starting acquisition")); // acquisition is not started here
  EXPECT_NE(frame->isChecked(), checked);
  EXPECT_FALSE(ScanRequests.ScanRunning.Get());
}

} // namespace
} // namespace calidarix
