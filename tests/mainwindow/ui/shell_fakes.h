#pragma once
// In-memory services for the main-window tests: they record what the shell asked for.

#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/shell_services.h"

#include <QMap>
#include <QStringList>
#include <functional>

namespace calidarix::test {

// Where the fakes note, in order, the calls that change something; null: not noted.
inline void Note(QStringList *journal, const QString &entry) {
  if (journal)
    *journal << entry;
}

class FakeRegistry : public KeyValueStore {
public:
  bool OpenKey(const QString &key) override { return !unopenable.contains(key); }
  std::optional<std::int64_t> ReadInteger(const QString &key, const QString &name) override {
    auto it = values.find(key + "/" + name);
    return it == values.end() ? std::nullopt : std::optional<std::int64_t>(*it);
  }
  std::optional<QString> ReadString(const QString &key, const QString &name) override {
    auto it = strings.find(key + "/" + name);
    return it == strings.end() ? std::nullopt : std::optional<QString>(*it);
  }
  bool WriteInteger(const QString &key, const QString &name, std::int64_t value) override {
    writes << key + "/" + name + "=" + QString::number(value);
    Note(journal, "WriteInteger " + name);
    if (failWrites)
      return false;
    values[key + "/" + name] = value;
    return true;
  }
  QMap<QString, std::int64_t> values;
  QMap<QString, QString> strings;
  QStringList unopenable;
  QStringList writes;
  bool failWrites = false;
  QStringList *journal = nullptr;
};

class FakeSettings : public ProgramSettings {
public:
  std::optional<bool> LoadIniSettings(TCalidarix &) override { return cameraSection; }
  ServiceStatus RegisterFileAssociation() override { return ServiceStatus::Done; }
  ServiceStatus ParamsRestore(TCalidarix &window) override {
    if (restore)
      restore(window);
    return ServiceStatus::Done;
  }
  ServiceStatus ParamsRegister(const TCalidarix &) override {
    ++registered;
    Note(journal, "ParamsRegister");
    return registerStatus;
  }
  ServiceStatus RemoveHeadComPort() override {
    ++headPortsRemoved;
    return ServiceStatus::Done;
  }
  int headPortsRemoved = 0;
  std::optional<bool> cameraSection = true;
  std::function<void(TCalidarix &)> restore;
  int registered = 0;
  ServiceStatus registerStatus = ServiceStatus::Done;
  QStringList *journal = nullptr;
};

class FakeView : public NullThermogramView {
public:
  ServiceStatus ChangeDTV(bool reload) override {
    calls << QString("ChangeDTV(%1,%2)").arg(reload).arg(FileName());
    if (!loadable)
      SetFileName(QString()); // a missing file gives the demo image, which has no name
    return ServiceStatus::Done;
  }
  ServiceStatus MakeDemoImage() override {
    calls << "MakeDemoImage";
    return ServiceStatus::Done;
  }
  std::optional<double> Aspect() const override { return aspect; }
  QStringList calls;
  bool loadable = true;
  std::optional<double> aspect;
};

class FakeAcquisition : public NullAcquisition {
public:
  void SetCameraIP(const QString &address) override { ip = address; }
  ServiceStatus ScanSBClick() override {
    calls << "ScanSBClick";
    return ServiceStatus::Done;
  }
  ServiceStatus StopScan() override {
    calls << "StopScan";
    Note(journal, "StopScan");
    return ServiceStatus::Done;
  }
  bool FrameTimingOn() const override { return frameTiming; }
  bool ScanRunning() const override { return scanRunning; }
  bool FilmRecording() const override { return filmRecording; }
  ServiceStatus RequestRange(int range) override {
    calls << QString("RequestRange(%1)").arg(range);
    return ServiceStatus::Done;
  }
  ServiceStatus RequestFilmStart() override {
    calls << "RequestFilmStart";
    return ServiceStatus::Done;
  }
  QString ip;
  QStringList calls;
  bool frameTiming = false;
  bool scanRunning = false;
  bool filmRecording = false;
  QStringList *journal = nullptr;
};

class FakeJoystick : public Joystick {
public:
  ServiceStatus Capture(TCalidarix &, int) override { return ServiceStatus::Done; }
  void Release() override { Note(journal, "Release joystick"); }
  QStringList *journal = nullptr;
};

class FakeHead : public NullHeadLink {
public:
  ServiceStatus InitLink() override {
    ++inits;
    connected = present;
    return ServiceStatus::Done;
  }
  bool Connected() const override { return connected; }
  int ComPort() const override { return 3; }
  bool present = false;
  bool connected = false;
  int inits = 0;
};

class FakeSibling : public SiblingLink {
public:
  std::int64_t PublishWindow(TCalidarix &) override { return handle; }
  ServiceStatus SendNotify(std::int64_t handle) override {
    sent << handle;
    return ServiceStatus::Done;
  }
  QList<std::int64_t> sent;
  std::int64_t handle = 9001;
};

// Services made of the fakes, with typed access to each.
struct FakeServices {
  FakeServices() {
    services.registry.reset(registry = new FakeRegistry);
    services.settings.reset(settings = new FakeSettings);
    services.view.reset(view = new FakeView);
    services.acquisition.reset(acquisition = new FakeAcquisition);
    services.head.reset(head = new FakeHead);
    services.sibling.reset(sibling = new FakeSibling);
    services.joystick.reset(joystick = new FakeJoystick);
  }
  // Every fake that can note its calls notes them in `journal` (null: nowhere).
  void KeepJournal(QStringList *journal) {
    registry->journal = settings->journal = acquisition->journal = joystick->journal = journal;
  }
  ShellServices services;
  FakeRegistry *registry;
  FakeSettings *settings;
  FakeView *view;
  FakeAcquisition *acquisition;
  FakeHead *head;
  FakeSibling *sibling;
  FakeJoystick *joystick;
};

} // namespace calidarix::test
