// The main window's panorama commands on synthetic panorama folders: stitching from the menu, a
// folder that cannot be stitched, the re-stitch from the head control form in service mode, all eight
// frame orders, the parameter file of a scan and the service items.

#include "head/head_globals.h"
#include "head/head_link.h"
#include "head/ui/pano_scan_dialog.h"
#include "head/ui/qor_ctrl.h"
#include "platform/inifile.h"
#include "tests/head/synthetic_panorama.h"
#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

namespace calidarix {
namespace {

using test::QPath;

class MainWindowPanorama : public test::FileWindow {
protected:
  TCalidarix &StartWith(const QString &folder) {
    TCalidarix &w = Start();
    w.FPanorama.FChooseFolder = [this, folder](const QString &title, const QString &start) {
      asked << title << start;
      return folder;
    };
    return w;
  }
  QAction *Item(const char *name) { return window->findChild<QAction *>(name); }
  // A folder of two frames side by side, the left one at 20 degrees, the right one at 40.
  std::filesystem::path TwoFrames(const std::string &name) {
    const test::SynthCamera cam{80, 60, 20.0, 15.0, 0.0};
    const auto folder = test::MakeSynthFolder(dir.path(), name, cam, {}, {});
    test::WriteSynthFrame(folder, cam, {-6.0, 0.0}, [](double, double) { return 20.0; });
    test::WriteSynthFrame(folder, cam, {6.0, 0.0}, [](double, double) { return 40.0; });
    return folder;
  }
  void TearDown() override {
    test::FileWindow::TearDown();
    ResetHeadGlobals();
  }
  QStringList asked;
};

TEST_F(MainWindowPanorama, MenuStitchesAChosenFolderAndShowsIt) {
  const auto folder = TwoFrames("IRPano-menu");
  TCalidarix &w = StartWith(QPath(folder));
  // "Blending" sits under "Panoram options" and is checked at start.
  QAction *blending = Item("Blending1");
  ASSERT_NE(blending, nullptr);
  EXPECT_TRUE(blending->isChecked());
  EXPECT_TRUE(window->findChild<QMenu *>("PanoramOptions1")->actions().contains(blending));

  Item("OpenPanFolder1")->trigger();
  EXPECT_EQ(asked.value(0), "Choose Folder with Panorama");
  EXPECT_TRUE(asked.value(1).endsWith("DATABASE.KVD/"));
  ASSERT_TRUE(w.FPanorama.FLastResult.Written()) << w.FPanorama.FLastResult.Message.toStdString();
  EXPECT_EQ(CurrentDTV->FFileName, QPath(dir.file("IRPano-menu_Blended.dtv")));
  EXPECT_GT(CurrentDTV->Width(), 80);
  EXPECT_EQ(w.FRegistrySettings.LastPanoPath, QPath(folder));
  EXPECT_TRUE(window->findChild<QMenu *>("Panoram1")->isEnabled());

  blending->setChecked(false);
  Item("OpenPanFolder1")->trigger();
  EXPECT_EQ(CurrentDTV->FFileName, QPath(dir.file("IRPano-menu.dtv")));
  EXPECT_TRUE(std::filesystem::exists(dir.file("IRPano-menu.dtv")));
}

TEST_F(MainWindowPanorama, AFolderThatCannotBeStitchedKeepsTheImage) {
  const auto folder = dir.path() / "IRPano-empty";
  std::filesystem::create_directories(folder);
  const QString shown = Thermogram("shown.dtv", 5.0f);
  TCalidarix &w = StartWith(QPath(folder));
  CurrentDTV->FFileName = shown;
  ASSERT_TRUE(w.ChangeDTV(true));
  Item("OpenPanFolder1")->trigger();
  EXPECT_EQ(CurrentDTV->FFileName, shown);
  EXPECT_EQ(CurrentDTV->Width(), 4);
  EXPECT_TRUE(w.FStatusNotice.contains("there is no parameter file")) << w.FStatusNotice.toStdString();
  // Choosing no folder does nothing at all.
  w.FPanorama.FChooseFolder = [](const QString &, const QString &) { return QString(); };
  w.FStatusNotice.clear();
  Item("OpenPanFolder1")->trigger();
  EXPECT_TRUE(w.FStatusNotice.isEmpty());
}

TEST_F(MainWindowPanorama, RestitchInServiceModeTakesAndReturnsTheFormsSettings) {
  const auto folder = TwoFrames("IRPano-re");
  TQorCtrl form;
  QorCtrl = &form;
  TCalidarix &w = StartWith(QString());
  w.ServiceMode = true;
  // Nothing stitched yet: the user is asked for a folder (and chooses none here).
  Message restitch{WM_RESTITCH, 0, 0, 0};
  w.WndProc(restitch);
  EXPECT_EQ(asked.size(), 2);
  EXPECT_FALSE(w.FHeadState.RestitchPending);

  w.FRegistrySettings.LastPanoPath = QPath(folder);
  form.FFromSettings = false;
  form.FHorArc = 3600;
  form.FVerArc = 2700;
  form.FTilt = 90; // half a degree
  form.FDrawFrameBorders = true;
  CurrentDTV->FZoom = 2.5;
  w.WndProc(restitch);
  ASSERT_TRUE(w.FPanorama.FLastResult.Written()) << w.FPanorama.FLastResult.Message.toStdString();
  EXPECT_NEAR(w.FPanorama.PanoFov->GetFrameTilt(), 90 / kPanoK, 1e-12);
  EXPECT_TRUE(w.FPanorama.PanoFov->FKeepGeometry);
  EXPECT_EQ(form.FTilt, 90);
  EXPECT_TRUE(form.FDrawFrameBorders);
  EXPECT_FALSE(w.FHeadState.RestitchPending);
  EXPECT_FALSE(form.FFromSettings);
  // The re-stitch keeps the zoom the user looked at.
  EXPECT_DOUBLE_EQ(CurrentDTV->FZoom, 2.5);
  EXPECT_EQ(CurrentDTV->FFileName, QPath(dir.file("IRPano-re_Blended.dtv")));
  QorCtrl = nullptr;
}

TEST_F(MainWindowPanorama, TryAllOrdersWritesEachOrderUnderItsOwnName) {
  const auto folder = TwoFrames("IRPano-all");
  TCalidarix &w = StartWith(QPath(folder));
  w.StartServiceMode();
  Item("AllOrdersStitch")->setChecked(true);
  Item("AllOrdersProject")->setChecked(true);
  Item("TryAllOrders1")->trigger();
  const char *names[] = {" by rows to left to top ",     " by columns to left to top ",
                         " by rows to right to top ",    " by columns to right to top ",
                         " by rows to left to bottom ",  " by columns to left to bottom ",
                         " by rows to right to bottom ", " by columns to right to bottom "};
  for (const char *name : names) {
    EXPECT_TRUE(std::filesystem::exists(dir.file(std::string("IRPano-all") + name + ".dtv"))) << name;
    EXPECT_TRUE(std::filesystem::exists(dir.file(std::string("IRPano-all") + name + ".bmp"))) << name;
  }
  // Each run applied its order: in the overlap the later frame wins, the left one when going left.
  const auto centre = [&](const char *name) {
    TDTV t;
    EXPECT_TRUE(t.LoadDTV(QPath(dir.file(std::string("IRPano-all") + name + ".dtv")), 1));
    return t.TemperatureAt(t.Width() / 2, t.Height() / 2);
  };
  EXPECT_NEAR(centre(" by columns to right to bottom "), 40.0, 0.1);
  EXPECT_NEAR(centre(" by columns to left to bottom "), 20.0, 0.1);
  EXPECT_EQ(CurrentDTV->FFileName, QPath(dir.file("IRPano-all by columns to right to bottom .dtv")));
}

TEST_F(MainWindowPanorama, ParameterFileOfAScanAndTheServiceItems) {
  TCalidarix &w = StartWith(QString());
  QorHead = std::make_unique<tQor>();
  QorHead->FQorType = 'M';
  QorHead->FQorVersion = "3b";
  QorHead->FQorSerial = 77;
  w.FIniSettings.Head.ScanArcH = 3000;
  w.FIniSettings.TopToBottom = true;
  const auto file = dir.file("IRPano-1-01x01.ini");
  w.WriteHeadIni(QPath(file));
  const IniFile ini(file);
  EXPECT_EQ(ini.ReadString("HEAD", "HdType", ""), "M");
  EXPECT_EQ(ini.ReadString("HEAD", "HdVersion", ""), "3b");
  EXPECT_EQ(ini.ReadInteger("HEAD", "HdSerial", 0), 77);
  EXPECT_EQ(ini.ReadInteger("PARAMS", "ScanArcH", 0), 3000);
  EXPECT_EQ(ini.ReadInteger("PARAMS", "RatioHor", 0), w.FIniSettings.Head.RatioHor);
  EXPECT_EQ(ini.ReadString("PARAMS", "TopToBottom", ""), "1");

  // The service presets of the stitching object and the dialog shown on its own.
  const QList<QAction *> service = w.ServiceFunctions->actions();
  EXPECT_LT(service.indexOf(Item("CreateaDTVandappendDTV1")), service.indexOf(w.ShowProgressForm));
  EXPECT_EQ(service.indexOf(Item("ShowPanDialog")), service.indexOf(w.ShowProgressForm) + 1);
  Item("CreateaDTVandappendDTV1")->trigger();
  ASSERT_TRUE(w.FPanorama.PanoFov);
  EXPECT_EQ(w.FPanorama.PanoFov->FHorArc, 3000);
  EXPECT_EQ(w.FPanorama.PanoFov->FRatioVer, w.FIniSettings.Head.RatioVer);

  TPanoScanDialog dialog;
  PanoScanDialog = &dialog;
  Item("ShowPanDialog")->trigger();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NEAR(dialog.FHorStepAngle, 4.0 * 197 * 256 / 4049252 * 360, 1e-9);
  EXPECT_NEAR(dialog.FHorFov, 3000 / 180.0, 1e-12);
  EXPECT_EQ(dialog.FHorStep, 197);
  dialog.hide();
  PanoScanDialog = nullptr;
}

} // namespace
} // namespace calidarix
