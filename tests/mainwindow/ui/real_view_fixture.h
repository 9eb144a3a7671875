#pragma once
// The main window started as the program does, with the real thermogram view and fakes for the other
// services; the program-wide state the view keeps is reset after each test.

#include "analysis/markers.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/thermogram_view.h"
#include "tests/mainwindow/ui/shell_fakes.h"
#include "thermogram/thermogram_globals.h"

#include <QApplication>
#include <QStringList>
#include <gtest/gtest.h>

#include <memory>

namespace calidarix::test {

class RealViewWindow : public ::testing::Test {
protected:
  void SetUp() override { fakes.services.view = std::make_unique<MainWindowThermogramView>(); }
  void TearDown() override {
    window.reset();
    Calidarix = nullptr;
    ResetThermogramGlobals();
    ResetViewGlobals();
    ResetMarkerSettings();
  }

  // Creates the window and runs its creation handler; ShowWindow shows it.
  TCalidarix &CreateWindow(const QStringList &arguments = {}) {
    window = std::make_unique<TCalidarix>(fakes.services);
    Calidarix = window.get();
    window->FormCreate(arguments);
    return *window;
  }
  TCalidarix &ShowWindow() {
    window->show();
    QApplication::processEvents();
    return *window;
  }

  FakeServices fakes;
  std::unique_ptr<TCalidarix> window;
};

} // namespace calidarix::test
