// The desktop services at start-up: shortcuts through the real registry file, and the recovery of an
// interrupted film on the film drive that the program INI names.

#include "mainwindow/ui/desktop_integration.h"
#include "mainwindow/ui/logger_window.h"
#include "tests/mainwindow/ui/shell_fakes.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace calidarix {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(DesktopIntegration, FilmIsRecoveredOnTheDriveItIsGiven) {
  TempDir c, d;
  test::ScopedEnv driveC("CALIDARIX_DRIVE_C", c.path().string());
  test::ScopedEnv driveD("CALIDARIX_DRIVE_D", d.path().string());
  test::WriteFile(c.file("filmtemp.dt~"), {1});
  test::WriteFile(d.file("filmtemp.dt~"), {2});
  test::WriteFile(d.file("filmtemp812.dt~"), {3});
  FreedesktopIntegration desktop(c.file("registry.txt"), c.file("calidarix"));
  EXPECT_EQ(desktop.RecoverInterruptedFilm("D"), ServiceStatus::Done);
  EXPECT_EQ(test::ReadFile(d.file("RestoredFilm0.dtv")), std::vector<std::uint8_t>{2});
  EXPECT_EQ(test::ReadFile(d.file("RestoredFilm0_812.dtv")), std::vector<std::uint8_t>{3});
  EXPECT_TRUE(fs::exists(c.file("filmtemp.dt~")));
}

TEST(DesktopIntegration, ShortcutsGoToTheUsersDesktop) {
  TempDir home;
  test::ScopedEnv homeVar("HOME", home.path().string());
  test::ScopedEnv config("XDG_CONFIG_HOME", home.file(".config").string());
  test::ScopedEnv driveC("CALIDARIX_DRIVE_C", home.path().string());
  fs::create_directories(home.file("Desktop"));
  test::WriteFile(home.file("calidarix"), {1});
  FreedesktopIntegration desktop(home.file("registry.txt"), home.file("calidarix"));
  EXPECT_EQ(desktop.CreateDesktopShortcuts(), ServiceStatus::Done);
  EXPECT_TRUE(fs::exists(home.file("Desktop/Calidarix.desktop")));
  EXPECT_FALSE(fs::exists(home.file("Desktop/DATABASE.desktop"))); // no database folder yet
}

// Start-up hands the recovery the drive letter the INI named, not the one assumed before reading it.
class DriveFromIni : public test::FakeSettings {
public:
  std::optional<bool> LoadIniSettings(TCalidarix &window) override {
    window.FDriveLetter = "E";
    return true;
  }
};

class RecordingDesktop : public DesktopIntegration {
public:
  ServiceStatus CreateDesktopShortcuts() override { return ServiceStatus::Done; }
  ServiceStatus RecoverInterruptedFilm(const QString &driveLetter) override {
    drives << driveLetter;
    return ServiceStatus::Done;
  }
  QStringList drives;
};

TEST(DesktopIntegration, StartUpRecoversFilmsOnTheIniDrive) {
  test::FakeServices fakes;
  fakes.services.settings = std::make_unique<DriveFromIni>();
  auto *desktop = new RecordingDesktop;
  fakes.services.desktop.reset(desktop);
  {
    TCalidarix window(fakes.services);
    Calidarix = &window;
    window.FormCreate({});
    EXPECT_EQ(desktop->drives, QStringList{"E"});
  }
  Calidarix = nullptr;
}

} // namespace
} // namespace calidarix
