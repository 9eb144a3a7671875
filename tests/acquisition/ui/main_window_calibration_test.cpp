#include "acquisition/camera_ini.h"
#include "acquisition/camera_state.h"
#include "acquisition/scan_thread.h"
#include "acquisition/scanner_exchange.h"
#include "acquisition/ui/calibr_form.h"
#include "tests/mainwindow/ui/real_view_fixture.h"
#include "tests/support/test_support.h"
#include "thermogram/thermogram_globals.h"

#include "tests/acquisition/ui/typing.h"
#include <QCheckBox>
#include <QLineEdit>
#include <QTabBar>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace calidarix {
namespace {

class CalibrationHotkeys : public test::RealViewWindow {
protected:
  void SetUp() override {
    RealViewWindow::SetUp();
    ResetCameraState();
    ResetCalibrationCurve();
    CreateWindow();
    ShowWindow();
    form = std::make_unique<TCalibrForm>();
    CalibrForm = form.get();
    form->ShowError = [this](const QString &text) { errors << text; };
    form->ModalHook = [this] {
      ++shown;
      if (whileShown)
        whileShown();
    };
    window->FIniFileName = dir.file("Calidarix.ini");
  }
  void TearDown() override {
    CalibrForm = nullptr;
    form.reset();
    RealViewWindow::TearDown();
    ResetCameraState();
    ResetCalibrationCurve();
  }

  // "Calidarix.ini" with set `set` holding points at these raw signals (temperatures 10, 20, ...)
  // and the curve A = 6e7, B = 3000, offset 1000.
  void WriteIni(int set, const std::vector<std::int32_t> &raws) {
    test::WriteText(dir.file("Calidarix.ini"), "[SETUP]\nCameraNo=7\nWidth=320\nHeight=120\n");
    IniFile ini(dir.file("Calidarix.ini"));
    TCalibrationTable table;
    table.Resize(static_cast<std::int32_t>(raws.size()));
    for (std::size_t i = 0; i < raws.size(); ++i) {
      table.FCalibrPoints[i + 1].RawSignal = raws[i];
      table.FCalibrPoints[i + 1].Temperature = 10.0 * static_cast<double>(i + 1);
    }
    CalibrExpA = 6.0e7;
    CalibrExpB = 3000.0;
    CalibrSignal0 = 1000.0;
    CalibrAmplification = 4;
    TScanUnit scratch;
    ASSERT_TRUE(SaveCalibrData(&ini, set, scratch, table));
    ResetCalibrationCurve();
  }

  // A uniform thermogram whose temperature equals its raw value, with an area selected.
  void UniformImage(std::uint16_t raw) {
    TDTV &dtv = *CurrentDTV;
    dtv.FHeader.Width = 8;
    dtv.FHeader.Height = 8;
    dtv.FRaw.assign(64, raw);
    dtv.FHeader.Scale = 1.0f;
    dtv.FHeader.Offset = 0.0f;
    window->FMarkers.FCurrentArea.SetRect(TRect{1, 1, 6, 6});
  }

  test::TempDir dir;
  std::unique_ptr<TCalibrForm> form;
  QStringList errors;
  int shown = 0;
  std::function<void()> whileShown;
};

TEST_F(CalibrationHotkeys, BothDoNothingWithoutTheIniFile) {
  ScanRequests.BlindCorrectionOn.Set(false);
  ASSERT_NE(CurrentDTV, nullptr);
  UniformImage(3000);
  window->CtrlAltPointExecute();
  window->CtrlAltCommaExecute();
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(form->FTable.FPointCount, 0);
  EXPECT_EQ(form->FIniFile, nullptr);
}

TEST_F(CalibrationHotkeys, PointKeyOpensTheSetOfRangeAndBandAndSelectsItAfterwards) {
  WriteIni(4, {2000, 3000, 5000});
  ScanUnit.CalibrationRange = 1;
  ScanUnit.CalibrationBand = 1;
  whileShown = [this] {
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->ExpTC->currentIndex(), 4);
    EXPECT_EQ(form->FLoadedTab, 4);
    EXPECT_EQ(form->FTable.FPointCount, 3);
    EXPECT_EQ(form->CalibrSG->rowCount(), 3);
    EXPECT_EQ(ScanUnit.CameraNo, 7);
  };
  window->CtrlAltPointExecute();
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(form->isVisible());
  // The set in use now is set 4, in the working values of both kinds.
  EXPECT_EQ(ScanUnit.CurSignal0, 1000.0);
  EXPECT_EQ(ScanUnit.CurAmplification, 4);
  EXPECT_EQ(ScanUnit.CurBand2Signal0, 1000.0);
  EXPECT_EQ(ScanUnit.CurExpA, ScanUnit.Band2Coefficients.Exp2A);
  EXPECT_EQ(ScanUnit.CurBand2ExpB, ScanUnit.Band2Coefficients.Exp2B);
}

TEST_F(CalibrationHotkeys, CommaKeyNeedsBlindCorrectionOffAndASelectedArea) {
  WriteIni(0, {2000, 5000});
  UniformImage(3000);
  ScanRequests.BlindCorrectionOn.Set(true);
  window->CtrlAltCommaExecute();
  EXPECT_EQ(shown, 0);

  ScanRequests.BlindCorrectionOn.Set(false);
  window->FMarkers.FCurrentArea.SetRect(TRect{0, 0, 0, 0});
  window->CtrlAltCommaExecute();
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(form->FTable.FPointCount, 0);
}

TEST_F(CalibrationHotkeys, CommaKeyAddsThePointOfTheAreaAtItsSortedPlace) {
  // The equal raw signal goes before the existing point.
  WriteIni(0, {2000, 3000, 5000});
  ScanRequests.BlindCorrectionOn.Set(false);
  ScanUnit.CameraTemperature = 23.5f;
  UniformImage(3000);
  double shownTemperature = 0.0;
  whileShown = [&] {
    ASSERT_EQ(form->FTable.FPointCount, 4);
    const TCalibrPoint &p = form->FTable.FCalibrPoints[2];
    EXPECT_EQ(p.RawSignal, 3000);
    EXPECT_EQ(p.NetSignal, 2000.0);
    EXPECT_FLOAT_EQ(static_cast<float>(p.BodyTemperature), 23.5f);
    shownTemperature = p.Temperature;
    EXPECT_EQ(form->FTable.FCalibrPoints[3].Temperature, 20.0); // the old point 2
    ASSERT_TRUE(form->CalibrSG->Editing());
    EXPECT_EQ(form->CalibrSG->currentRow(), 1);
    EXPECT_EQ(form->CalibrSG->currentColumn(), 3);
    auto *editor = qobject_cast<QLineEdit *>(form->CalibrSG->indexWidget(form->CalibrSG->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->clear();
    test::TypeText(editor, "15");
    test::TypeKey(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_FALSE(form->CalibrSG->Editing());
  };
  window->CtrlAltCommaExecute();
  EXPECT_EQ(shown, 1);
  // The form's curve at the start (offset 1000, A 6e7, B 3000) gave the shown temperature.
  EXPECT_NEAR(shownTemperature, 3000.0 / std::log(6.0e7 / 2000.0) + AbsoluteZero, 1e-3);
  EXPECT_EQ(form->FTable.FCalibrPoints[2].Temperature, 15.0);
  // Closing saved the set with the new point (AutoSave).
  TCalibrationTable stored;
  LoadCalibrData(form->FIniFile.get(), 0, ScanUnit, stored);
  ASSERT_EQ(stored.FPointCount, 4);
  EXPECT_EQ(stored.FCalibrPoints[2].RawSignal, 3000);
  EXPECT_EQ(stored.FCalibrPoints[2].Temperature, 15.0);
}

TEST_F(CalibrationHotkeys, AMeanAtOrBelowTheOffsetGivesTheSmallestNetSignal) {
  WriteIni(0, {2000, 5000});
  ScanRequests.BlindCorrectionOn.Set(false);
  UniformImage(900);
  whileShown = [this] {
    ASSERT_EQ(form->FTable.FPointCount, 3);
    const TCalibrPoint &p = form->FTable.FCalibrPoints[1];
    EXPECT_EQ(p.RawSignal, 900);
    // The point starts at the curve's temperature of the smallest net signal (the refresh then
    // shows the net signal as raw - offset, which the fit refuses, so the curve stays as loaded).
    EXPECT_EQ(CalibrExpA, 6.0e7);
    EXPECT_EQ(p.Temperature, CalibrSignalToTemperature(0.00001));
    EXPECT_LT(p.Temperature, CalibrSignalToTemperature(1.0));
  };
  form->AutoSaveCB->setChecked(false);
  window->CtrlAltCommaExecute();
  EXPECT_EQ(shown, 1);
}

TEST_F(CalibrationHotkeys, RangeEditsPauseRunningAcquisitionCooperatively) {
  // Nothing runs: nothing is asked of any thread.
  window->MaxEditEnter();
  EXPECT_FALSE(ScanRequests.FPauseRequest.Get());
  EXPECT_FALSE(ScanRequests.FSkipNextFrame.Get());

  TScan scan([](MessageId, WPARAM, LPARAM) {}, ScanRequests, ScanUnit);
  Scan = &scan;
  ScanRequests.ScanRunning.Set(true);
  window->MinEditEnter();
  EXPECT_TRUE(ScanRequests.FPauseRequest.Get());
  EXPECT_TRUE(ScanRequests.FSkipNextFrame.Get());
  EXPECT_TRUE(window->FRangeEditPaused);
  // The thread may have dropped the frame meanwhile: the pause is released all the same.
  ScanRequests.FSkipNextFrame.Set(false);
  window->MinEditExit();
  EXPECT_FALSE(ScanRequests.FPauseRequest.Get());
  EXPECT_FALSE(window->FRangeEditPaused);
  // A pause this window did not ask for is not released by leaving an edit.
  scan.SetPause(true);
  window->MaxEditExit();
  EXPECT_TRUE(ScanRequests.FPauseRequest.Get());
  scan.SetPause(false);
  ScanRequests.ScanRunning.Set(false);
  Scan = nullptr;
}

TEST_F(CalibrationHotkeys, TheFormReachesANetworkCameraThroughTheIdleThreadObjectsLink) {
  TCalidarix &w = *window;
  ASSERT_EQ(Scan, nullptr);
  TExchangeLanHost *host = w.CalibrLanHost();
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->LanLink(), nullptr); // no thread object, nothing made without an address

  // Connect makes the thread object, suspended and not started, and opens its link.
  TCameraCommandLink *link = host->EnsureLanLink("127.0.0.1");
  ASSERT_NE(link, nullptr);
  ASSERT_NE(Scan, nullptr);
  EXPECT_FALSE(Scan->Started());
  EXPECT_TRUE(link->Connected());
  EXPECT_EQ(link, &Scan->Link());
  EXPECT_EQ(host->LanLink(), link);
  EXPECT_EQ(host->EnsureLanLink("127.0.0.1"), link); // made once

  // Once acquisition starts, the link is the thread's own.
  Scan->Resume();
  EXPECT_EQ(host->LanLink(), nullptr);
  EXPECT_EQ(host->EnsureLanLink("127.0.0.1"), nullptr);
  w.StopAcquisitionThread();
  EXPECT_EQ(Scan, nullptr);
}

} // namespace
} // namespace calidarix
