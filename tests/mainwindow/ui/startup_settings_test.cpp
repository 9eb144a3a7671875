// Start-up and close of the main window with the real settings stores in a temporary folder: the
// program INI, the registry file and the file association; the joystick on a named pipe.

#include "mainwindow/ui/dialogs.h"
#include "mainwindow/ui/joystick.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/program_settings.h"
#include "mainwindow/ui/registry_store.h"
#include "mainwindow/ui/thermogram_view.h"
#include "platform/paths.h"
#include "tests/mainwindow/ui/settings_environment.h"
#include "tests/mainwindow/ui/shell_fakes.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace calidarix {
namespace {

const char *kInterfaceKey = "\\dtvimage\\Calidarix_Interface";

class StartupSettings : public ::testing::Test {
protected:
  void SetUp() override {
    fakes.services.registry = std::make_unique<RegistryKeyValueStore>(env.registry());
    ProgramSettingsPlaces places = ProgramSettingsPlaces::Current();
    places.refreshDesktopDatabases = false; // no desktop tools started by tests
    fakes.services.settings = std::make_unique<StoredProgramSettings>(places);
    // The real view: it sets the palette start values that replace the stored ones.
    fakes.services.view = std::make_unique<MainWindowThermogramView>();
    CurrentDTV = std::make_unique<TDTV>();
  }
  void TearDown() override {
    window.reset();
    ResetThermogramGlobals();
  }
  TCalidarix &Start(const QStringList &arguments = {}) {
    window = std::make_unique<TCalidarix>(fakes.services);
    Calidarix = window.get();
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    window->SetDialogs(std::move(scripted));
    window->FormCreate(arguments);
    window->show();
    return *window;
  }
  void WriteIni(const std::string &text) {
    test::WriteFile(env.programDir() / "Calidarix.ini", std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  QString Log() const { return logger ? logger->Lines().join('\n') : QString(); }

  test::SettingsEnvironment env;
  test::FakeServices fakes;
  std::unique_ptr<TCalidarix> window;
  ScriptedDialogs *dialogs = nullptr;
};

TEST_F(StartupSettings, TheStoredImagePaletteSurvivesStartButTheOtherPaletteStateFontAndLookDoNot) {
  {
    Registry registry(env.registry());
    ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Palette", true));
    registry.WriteInteger("PalNumber", 5);
    registry.WriteInteger("IsoNumber", 7);
    registry.WriteBool("isPalInverted", true);
    registry.WriteBool("isIsoInverted", false);
    registry.WriteBool("isIso", true);
    registry.WriteInteger("PalTop", 300); // 8 bits kept: 44, then replaced by the start value
    registry.WriteInteger("IsoTop", 10);
    registry.WriteBool("isIsoColor", true);
    registry.WriteBool("isIsoAuto", true);
    ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Setup", true));
    registry.WriteInteger("FontN", 20);
    registry.WriteInteger("BMPLook", 3);
    registry.WriteInteger("Language", 1);
    registry.WriteBool("isNightMode", true);
    registry.WriteBool("isMenuVisible", true);
    ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Scanning", true));
    registry.WriteInteger("SumCount", 9);
  }
  TCalidarix &w = Start();

  EXPECT_EQ(PalNumber, 5);
  EXPECT_EQ(CurrentDTV->FPalette, w.FPalettes[5]);
  EXPECT_EQ(w.FPalette, w.FPalettes[5]);
  EXPECT_EQ(IsoNumber, 3);
  EXPECT_FALSE(isPalInverted);
  EXPECT_TRUE(isIsoInverted);
  EXPECT_FALSE(CurrentDTV->isIso);
  EXPECT_EQ(CurrentDTV->PalBottom, 0);
  EXPECT_EQ(CurrentDTV->PalTop, 255);
  EXPECT_EQ(CurrentDTV->IsoBottom, 0);
  EXPECT_EQ(CurrentDTV->IsoTop, 96);
  EXPECT_EQ(FontN, 14);
  EXPECT_TRUE(w.findChild<QAction *>("N141")->isChecked());
  EXPECT_EQ(w.BMPLook, 1);

  EXPECT_TRUE(CurrentDTV->isIsoColor);
  EXPECT_TRUE(CurrentDTV->isIsoAuto);
  EXPECT_EQ(CurrentDTV->SumCount, 9);
  EXPECT_EQ(w.FLanguage, 1);
  EXPECT_EQ(w.findChild<QMenu *>("File1")->title(), QString::fromUtf8("Файл"));
  EXPECT_TRUE(w.FIsNightMode);
  EXPECT_TRUE(w.FIsMenuVisible);
}

TEST_F(StartupSettings, ThePaletteChosenLastIsShownAtTheNextStart) {
  // Gray (slot 3) chosen, then the program closed and started again.
  Start().PalChange(3);
  window->close();
  window.reset();
  CurrentDTV = std::make_unique<TDTV>();
  TCalidarix &w = Start();
  EXPECT_EQ(PalNumber, 3);
  EXPECT_EQ(CurrentDTV->FPalette, w.FPalettes[3]);
  window->close();
  Registry registry(env.registry());
  ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Palette", false));
  EXPECT_EQ(registry.ReadInteger("PalNumber"), 3);

  // The editor's slot and numbers that name no slot start in slot 0.
  for (const std::int32_t stored : {8, 9, 255}) {
    SCOPED_TRACE(stored);
    window.reset();
    registry.WriteInteger("PalNumber", stored);
    CurrentDTV = std::make_unique<TDTV>();
    TCalidarix &again = Start();
    EXPECT_EQ(PalNumber, 0);
    EXPECT_EQ(CurrentDTV->FPalette, again.FPalettes[0]);
  }
}

TEST_F(StartupSettings, ADamagedRegistryKeepsItsGoodSettingsAndIsToldOnceInTheWindow) {
  const std::string damaged = "Calidarix registry 1\n[\\dtvimage\\Setup]\n\"isAutoSave\"=dword:00000001\n"
                              "a stray line\n\"Language\"=dword:00000001\nEnd of registry\n";
  test::WriteText(env.registry(), damaged);
  TCalidarix &w = Start();
  const QDeadlineTimer deadline(3000);
  while (dialogs->Errors.isEmpty() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.isAutoSave);
  EXPECT_EQ(w.FLanguage, 1);
  ASSERT_EQ(dialogs->Errors.size(), 1) << dialogs->Errors.join("\n").toStdString();
  EXPECT_TRUE(dialogs->Errors[0].contains("damaged")) << dialogs->Errors[0].toStdString();
  EXPECT_TRUE(dialogs->Errors[0].contains(".corrupt-1")) << dialogs->Errors[0].toStdString();
  EXPECT_EQ(test::ReadText(env.registry().string() + ".corrupt-1"), damaged);
  w.close();

  // The file written since holds the good settings, and the next start has nothing to tell.
  window.reset();
  CurrentDTV = std::make_unique<TDTV>();
  TCalidarix &again = Start();
  QCoreApplication::processEvents();
  EXPECT_TRUE(again.isAutoSave);
  EXPECT_TRUE(dialogs->Errors.isEmpty()) << dialogs->Errors.join("\n").toStdString();
}

TEST_F(StartupSettings, CloseWritesEveryKeyAndRestoresThePreviousHandle) {
  {
    Registry registry(env.registry());
    ASSERT_TRUE(registry.OpenKey(kInterfaceKey, true));
    registry.WriteInteger("Active_Handle", 4711);
  }
  TCalidarix &w = Start();
  EXPECT_EQ(w.PrevActiveHandle, 4711);
  {
    Registry registry(env.registry());
    ASSERT_TRUE(registry.OpenKey(kInterfaceKey, false));
    EXPECT_EQ(registry.ReadInteger("Active_Handle"), fakes.sibling->handle);
  }
  // Without any INI file the camera is unknown.
  EXPECT_FALSE(w.ScanSB->isEnabled());

  w.FLanguage = 1;
  w.FOpenDirectory = "/data/films";
  w.FLimit = 45.5;
  CurrentDTV->isIsoColor = true;
  int closed = 0;
  QObject::connect(&w, &TCalidarix::Closed, [&] { ++closed; });
  w.close();
  EXPECT_EQ(closed, 1);

  Registry registry(env.registry());
  ASSERT_TRUE(registry.OpenKey(kInterfaceKey, false));
  EXPECT_EQ(registry.ReadInteger("Active_Handle"), 4711);
  ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Setup", false));
  EXPECT_EQ(registry.ReadInteger("Language"), 1);
  EXPECT_EQ(registry.ReadInteger("FontN"), 14);
  // No setup key at the start: the window kept its design layout, the strip at the bottom.
  EXPECT_EQ(registry.ReadBool("InfoPanelLeft"), false);
  ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Palette", false));
  EXPECT_EQ(registry.ReadInteger("PalNumber"), 0);
  EXPECT_EQ(registry.ReadInteger("IsoTop"), 96);
  EXPECT_EQ(registry.ReadBool("isIsoInverted"), true);
  EXPECT_EQ(registry.ReadBool("isIsoColor"), true);
  ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Scanning", false));
  EXPECT_EQ(registry.ReadFloat("FixedMin"), 36.0); // the whole key was missing at start
  EXPECT_EQ(registry.ReadFloat("Limit"), 45.5);
  ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Directory", false));
  EXPECT_EQ(registry.ReadString("OpenDirectory"), "/data/films");
  EXPECT_EQ(registry.ReadString("SaveNameBase"), "kvd");
  // The file association is written at every start.
  ASSERT_TRUE(registry.OpenKey("\\.dtv", false));
  EXPECT_EQ(registry.ReadString(""), "dtvimage");
}

// Folders stored with a drive letter, and the drive root that stands in for a folder never stored,
// reach the user and the dialogs as the folders the drives map to.
TEST_F(StartupSettings, StoredDriveFoldersAreShownAndOfferedAsLinuxFolders) {
  env.Set("CALIDARIX_DRIVE_C", env.dir.file("drivec"));
  std::filesystem::create_directories(env.dir.file("drivec") / "DATABASE.KVD");
  {
    Registry registry(env.registry());
    ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Directory", true));
    registry.WriteString("OpenDirectory", "");
    registry.WriteString("SaveDirectory", "C:\\DATABASE.KVD\\");
  }
  TCalidarix &w = Start();
  const QString driveC = QString::fromStdString(env.dir.file("drivec").string());
  w.OpenSBClick();
  ASSERT_EQ(dialogs->OpenRequests.size(), 1);
  EXPECT_EQ(dialogs->OpenRequests[0].Folder, driveC);
  CurrentDTV->FFileName.clear();
  w.SaveDTVAs();
  ASSERT_EQ(dialogs->SaveRequests.size(), 1);
  EXPECT_EQ(dialogs->SaveRequests[0].Folder, driveC + "/DATABASE.KVD");
  EXPECT_FALSE(dialogs->SaveRequests[0].FileName.contains(':'))
      << dialogs->SaveRequests[0].FileName.toStdString();
  w.ScanSBClick();
  EXPECT_EQ(w.windowTitle(), "Calidarix [" + driveC + "/DATABASE.KVD]");
}

TEST_F(StartupSettings, IniSettingsReachTheWindowBeforeTheRegistryDefaults) {
  WriteIni("[METRO]\nAspectWidth=320\n"
           "[SETUP]\nDriveLetter=D\nCameraNo=1\nCameraType=64\nWidth=320\nLimitOn=1\nLimit=45.5\n");
  test::WriteFile(env.programDir() / "service.mode", {});
  {
    Registry registry(env.registry());
    ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Directory", true));
    registry.WriteString("OpenDirectory", "");
    ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Scanning", true));
    registry.WriteFloat("Limit", 0.0); // 0 leaves the alarm switch as the INI set it
  }
  TCalidarix &w = Start();
  EXPECT_TRUE(w.ScanSB->isEnabled());
  EXPECT_TRUE(w.Start1->isEnabled());
  EXPECT_TRUE(w.FMetroMode);
  EXPECT_EQ(AspectWidth, 320);
  EXPECT_EQ(AspectHeight, 216);
  EXPECT_EQ(w.FDriveLetter, "D");
  EXPECT_EQ(fakes.acquisition->CameraInterfaceType(), 64);
  EXPECT_EQ(w.FIniSettings.Camera.ScanWidth, 320);
  EXPECT_TRUE(w.FLimitOn);
  EXPECT_EQ(w.FLimit, 0.0);
  // The drive of the INI, read before the registry, as the folder it maps to.
  EXPECT_EQ(w.FOpenDirectory, QString::fromStdString(DriveFolder('D')->string()));
  EXPECT_TRUE(w.ServiceMode);
  EXPECT_TRUE(w.ServiceFunctions->menuAction()->isVisible());
}

TEST_F(StartupSettings, RemoveQorFromRegDeletesTheHeadPortForGood) {
  {
    Registry registry(env.registry());
    ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Qor", true));
    registry.WriteInteger("HeadCom", 3);
  }
  TCalidarix &w = Start();
  ASSERT_EQ(w.RemoveQorReg->parent(), w.ServiceFunctions);
  EXPECT_EQ(w.RemoveQorReg->text(), "Remove Qor from Reg");
  w.RemoveQorReg->trigger();
  Registry registry(env.registry());
  ASSERT_TRUE(registry.OpenKey("\\dtvimage\\Qor", false));
  EXPECT_FALSE(registry.ValueExists("HeadCom"));
  w.close();
  EXPECT_FALSE(registry.ValueExists("HeadCom")); // the settings writer does not bring it back
}

TEST_F(StartupSettings, AnUnwritableRegistryIsLoggedAndTheProgramStillCloses) {
  test::WriteFile(env.dir.file("not-a-folder"), {});
  const std::filesystem::path unwritable = env.dir.file("not-a-folder") / "registry.txt";
  fakes.services.registry = std::make_unique<RegistryKeyValueStore>(unwritable);
  ProgramSettingsPlaces places = ProgramSettingsPlaces::Current();
  places.registryFile = unwritable;
  places.refreshDesktopDatabases = false;
  fakes.services.settings = std::make_unique<StoredProgramSettings>(places);

  TCalidarix &w = Start();
  // The sibling key cannot even be created: nothing is published and the settings are still tried.
  EXPECT_EQ(w.PrevActiveHandle, 0);
  EXPECT_FALSE(w.FRegistryFailed);
  EXPECT_TRUE(Log().contains("File association: failed")) << Log().toStdString();
  int closed = 0;
  QObject::connect(&w, &TCalidarix::Closed, [&] { ++closed; });
  w.close();
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(Log().contains("Registry settings: failed")) << Log().toStdString();
  EXPECT_FALSE(std::filesystem::exists(unwritable));
}

// Joystick 1 on a named pipe standing in for /dev/input/js0.
TEST_F(StartupSettings, JoystickChangesReachTheWindowUntilClose) {
  const std::filesystem::path device = env.dir.file("js0");
  ASSERT_EQ(::mkfifo(device.c_str(), 0600), 0);
  env.Set("CALIDARIX_JOYSTICK", device);
  // Button 1 saves the thermogram: into the test's folder, not the user's.
  env.Set("CALIDARIX_DRIVE_C", env.dir.file("drive-c"));
  // Opened for reading and writing so that neither end waits for the other.
  const int feed = ::open(device.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(feed, 0);
  fakes.services.joystick = std::make_unique<DeviceJoystick>();
  TCalidarix &w = Start();

  const std::vector<std::uint8_t> press = test::Bytes().u32(1).i16(1).u8(0x01).u8(0).data();
  ASSERT_EQ(::write(feed, press.data(), press.size()), 8);
  const QDeadlineTimer deadline(2000);
  while (!Log().contains("Joystick button down 1 buttons 1") && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(Log().contains("Joystick button down 1 buttons 1")) << Log().toStdString();

  w.close();
  const qsizetype lines = logger->Lines().size();
  const std::vector<std::uint8_t> release = test::Bytes().u32(2).i16(0).u8(0x01).u8(0).data();
  ASSERT_EQ(::write(feed, release.data(), release.size()), 8);
  const QDeadlineTimer quiet(300);
  while (!quiet.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(logger->Lines().size(), lines); // released at close: nothing more arrives
  ::close(feed);
}

} // namespace
} // namespace calidarix
