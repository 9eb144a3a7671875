#pragma once
// The main window started as the program does, with the real thermogram view, scripted dialogs and a
// temporary folder that drive C: maps to, plus small thermogram files written into that folder.

#include "analysis/markers.h"
#include "mainwindow/file_list.h"
#include "mainwindow/ui/dialogs.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/thermogram_view.h"
#include "platform/datetime.h"
#include "tests/mainwindow/ui/real_view_fixture.h"
#include "tests/mainwindow/ui/shell_fakes.h"
#include "tests/support/test_support.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

namespace calidarix::test {

class FileWindow : public RealViewWindow {
protected:
  void TearDown() override {
    RealViewWindow::TearDown();
    ResetFileListGlobals();
    ResetClock();
  }

  TCalidarix &Start(const QStringList &arguments = {}) {
    CreateWindow(arguments);
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    window->SetDialogs(std::move(scripted));
    return ShowWindow();
  }

  // A thermogram of width x height pixels (4 x 2 unless given) whose Offset tells it apart.
  QString Thermogram(const std::string &name, float offset, int width = 4, int height = 2) {
    TDTV t;
    t.ResetHeader();
    t.FHeader.Width = static_cast<std::uint16_t>(width);
    t.FHeader.Height = static_cast<std::uint16_t>(height);
    t.FHeader.Offset = offset;
    t.FHeader.Scale = static_cast<float>(10.0 / 65535);
    t.FRaw.resize(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < t.FRaw.size(); ++i)
      t.FRaw[i] = static_cast<std::uint16_t>(i * 100);
    t.FRaw.back() = 65535;
    const QString path = Path(name);
    EXPECT_TRUE(t.SaveDTV(path));
    return path;
  }

  // A film of `frames` 4 x 2 frames with Offsets offset, offset + 1, ...
  QString Film(const std::string &name, int frames, float offset) {
    TDTV t;
    t.ResetHeader();
    t.FHeader.Width = 4;
    t.FHeader.Height = 2;
    t.FHeader.Scale = static_cast<float>(10.0 / 65535);
    t.FRaw = {0, 1, 2, 3, 4, 5, 6, 65535};
    const QString path = Path(name);
    for (int i = 0; i < frames; ++i) {
      t.FHeader.Offset = offset + static_cast<float>(i);
      EXPECT_TRUE(i == 0 ? t.StartFilm(path) : t.AppendFilmFrame(path));
    }
    return path;
  }

  QString Path(const std::string &name) const { return QString::fromStdString(dir.file(name).string()); }

  TempDir dir;
  ScopedEnv driveC{"CALIDARIX_DRIVE_C", dir.path().string()};
  ScriptedDialogs *dialogs = nullptr;
};

} // namespace calidarix::test
