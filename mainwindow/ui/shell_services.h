#pragma once
// The services the main window's start-up and shutdown call: the settings store, the registry values shared
// with the sibling program, desktop integration, the thermogram view, the head link, acquisition and the
// joystick. Each is a small interface; the Null versions do nothing visible and
// answer "not available", so the shell runs before the real services are plugged in and never claims
// work it did not do.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class QWidget;

namespace calidarix {

class TCalidarix;
struct IniCameraSettings;

enum class ServiceStatus { Done, Failed, NotAvailable };

// Registry values below HKEY_CLASSES_ROOT.
class KeyValueStore {
public:
  virtual ~KeyValueStore() = default;
  // Opens `key`, creating it when missing; false when it cannot be opened.
  virtual bool OpenKey(const QString &key) = 0;
  virtual std::optional<std::int64_t> ReadInteger(const QString &key, const QString &name) = 0;
  virtual std::optional<QString> ReadString(const QString &key, const QString &name) = 0;
  virtual bool WriteInteger(const QString &key, const QString &name, std::int64_t value) = 0;
};

class NullKeyValueStore : public KeyValueStore {
public:
  bool OpenKey(const QString &) override { return false; }
  std::optional<std::int64_t> ReadInteger(const QString &, const QString &) override { return std::nullopt; }
  std::optional<QString> ReadString(const QString &, const QString &) override { return std::nullopt; }
  bool WriteInteger(const QString &, const QString &, std::int64_t) override { return false; }
};

// The program INI, the registry settings of the main window and the ".dtv" file association.
class ProgramSettings {
public:
  virtual ~ProgramSettings() = default;
  // Reads "Calidarix.ini" into the main window. True when the camera section was found.
  virtual std::optional<bool> LoadIniSettings(TCalidarix &window) = 0;
  virtual ServiceStatus RegisterFileAssociation() = 0;
  virtual ServiceStatus ParamsRestore(TCalidarix &window) = 0;
  virtual ServiceStatus ParamsRegister(const TCalidarix &window) = 0;
  // "Remove Qor from Reg": forgets the head's stored serial port.
  virtual ServiceStatus RemoveHeadComPort() = 0;
};

class NullProgramSettings : public ProgramSettings {
public:
  std::optional<bool> LoadIniSettings(TCalidarix &) override { return std::nullopt; }
  ServiceStatus RegisterFileAssociation() override { return ServiceStatus::NotAvailable; }
  ServiceStatus ParamsRestore(TCalidarix &) override { return ServiceStatus::NotAvailable; }
  ServiceStatus ParamsRegister(const TCalidarix &) override { return ServiceStatus::NotAvailable; }
  ServiceStatus RemoveHeadComPort() override { return ServiceStatus::NotAvailable; }
};

// Desktop shortcuts and the recovery of a film whose recording was interrupted.
class DesktopIntegration {
public:
  virtual ~DesktopIntegration() = default;
  virtual ServiceStatus CreateDesktopShortcuts() = 0;
  virtual ServiceStatus RecoverInterruptedFilm(const QString &driveLetter) = 0;
};

class NullDesktopIntegration : public DesktopIntegration {
public:
  ServiceStatus CreateDesktopShortcuts() override { return ServiceStatus::NotAvailable; }
  ServiceStatus RecoverInterruptedFilm(const QString &) override { return ServiceStatus::NotAvailable; }
};

// The current thermogram and its rendering into the image paint box.
class ThermogramView {
public:
  virtual ~ThermogramView() = default;
  // The main window the view works on; called once from the window's constructor.
  virtual void Attach(TCalidarix &) {}
  virtual ServiceStatus CreateThermograms(bool dualBand) = 0;
  // Palette slots from the built-in palettes, then the start values of palettes and isotherms.
  virtual ServiceStatus SetUpPalettes(bool metroMode) = 0;
  virtual ServiceStatus MakeDemoImage() = 0;
  virtual void SetFileName(const QString &name) = 0;
  virtual QString FileName() const = 0;
  virtual ServiceStatus ChangeDTV(bool reload) = 0;
  virtual ServiceStatus FitImageLayout() = 0;
  // Width / height of the current thermogram's picture; nullopt when there is none.
  virtual std::optional<double> Aspect() const = 0;
};

class NullThermogramView : public ThermogramView {
public:
  ServiceStatus CreateThermograms(bool) override { return ServiceStatus::NotAvailable; }
  ServiceStatus SetUpPalettes(bool) override { return ServiceStatus::NotAvailable; }
  ServiceStatus MakeDemoImage() override { return ServiceStatus::NotAvailable; }
  void SetFileName(const QString &name) override { fileName_ = name; }
  QString FileName() const override { return fileName_; }
  ServiceStatus ChangeDTV(bool) override { return ServiceStatus::NotAvailable; }
  ServiceStatus FitImageLayout() override { return ServiceStatus::NotAvailable; }
  std::optional<double> Aspect() const override { return std::nullopt; }

private:
  QString fileName_;
};

// The pan/tilt head link.
class HeadLink {
public:
  virtual ~HeadLink() = default;
  virtual ServiceStatus InitLink() = 0;
  virtual bool Connected() const = 0;
  virtual int ComPort() const = 0;
  virtual ServiceStatus SetTrackingMode(int mode) = 0;
  // The stored serial port (0: none, the next connect searches the ports).
  virtual void SetComPort(int) {}
  // Search the serial ports on the next connect.
  virtual void SetScanPorts(bool) {}
  virtual void Close() {}
  // The head's type letter; 'A' is the older head. 0 while unknown.
  virtual char HeadType() const { return 0; }
};

class NullHeadLink : public HeadLink {
public:
  ServiceStatus InitLink() override { return ServiceStatus::NotAvailable; }
  bool Connected() const override { return false; }
  int ComPort() const override { return 0; }
  ServiceStatus SetTrackingMode(int) override { return ServiceStatus::NotAvailable; }
};

// The camera side: acquisition commands and the camera's settings.
class Acquisition {
public:
  virtual ~Acquisition() = default;
  virtual int CameraInterfaceType() const = 0;
  virtual void SetCameraInterfaceType(int type) = 0;
  virtual void SetCameraIP(const QString &address) = 0;
  virtual ServiceStatus ScanSBClick() = 0;
  virtual ServiceStatus StopScan() = 0;
  virtual bool ScanRunning() const = 0;
  virtual bool FrameTimingOn() const = 0;
  virtual bool ScanStopping() const = 0;
  // The camera state that saving and the big scan buttons read; without a camera there is none.
  virtual bool FilmRecording() const { return false; }
  virtual int CameraNo() const { return 0; }
  virtual double CameraTemperature() const { return 0.0; } // degrees Celsius
  // Requests the acquisition thread takes between frames: another calibration range (0 .. 2), and
  // the start of a film with the next frame.
  virtual ServiceStatus RequestRange(int) { return ServiceStatus::NotAvailable; }
  virtual ServiceStatus RequestFilmStart() { return ServiceStatus::NotAvailable; }
  // While scanning without a film: the next faster (+1) or slower (-1) speed.
  virtual ServiceStatus RequestSpeedStep(int) { return ServiceStatus::NotAvailable; }
  // The running scan's automatic display range per frame, switched off when a range is locked.
  virtual void SetAutoRange(bool) {}
  // The main window the commands act on; called once from the window's constructor.
  virtual void Attach(TCalidarix &) {}
  // The camera values "Calidarix.ini" gave at start-up.
  virtual void TakeIniCameraSettings(const IniCameraSettings &) {}
};

// Keeps the camera values it is given (they are settings, not work) and runs no command.
class NullAcquisition : public Acquisition {
public:
  int CameraInterfaceType() const override { return type_; }
  void SetCameraInterfaceType(int type) override { type_ = type; }
  void SetCameraIP(const QString &address) override { address_ = address; }
  ServiceStatus ScanSBClick() override { return ServiceStatus::NotAvailable; }
  ServiceStatus StopScan() override { return ServiceStatus::NotAvailable; }
  bool ScanRunning() const override { return false; }
  bool FrameTimingOn() const override { return false; }
  bool ScanStopping() const override { return false; }

private:
  int type_ = 0;
  QString address_;
};

// Joystick 1, captured for the main window: its changes reach JoyMove, JoyButtonDown and JoyButtonUp,
// looked at every `periodMs`.
class Joystick {
public:
  virtual ~Joystick() = default;
  virtual ServiceStatus Capture(TCalidarix &window, int periodMs) = 0;
  virtual void Release() = 0;
};

class NullJoystick : public Joystick {
public:
  ServiceStatus Capture(TCalidarix &, int) override { return ServiceStatus::NotAvailable; }
  void Release() override {}
};

// The sibling database program: it reaches the main window by the handle published here, and this
// program reaches the sibling's window by the handle the sibling publishes. Handles are given as the
// registry holds them (32-bit values).
class SiblingLink {
public:
  virtual ~SiblingLink() = default;
  // Makes the main window reachable from other programs and threads: messages to its handle go to
  // TCalidarix::WndProc (the sibling's open request among them). Returns the handle to publish, 0
  // when there is none.
  virtual std::int64_t PublishWindow(TCalidarix &window) = 0;
  virtual ServiceStatus SendNotify(std::int64_t handle) = 0;
};

class NullSiblingLink : public SiblingLink {
public:
  std::int64_t PublishWindow(TCalidarix &) override { return 0; }
  ServiceStatus SendNotify(std::int64_t) override { return ServiceStatus::NotAvailable; }
};

struct ShellServices {
  std::unique_ptr<KeyValueStore> registry = std::make_unique<NullKeyValueStore>();
  std::unique_ptr<ProgramSettings> settings = std::make_unique<NullProgramSettings>();
  std::unique_ptr<DesktopIntegration> desktop = std::make_unique<NullDesktopIntegration>();
  std::unique_ptr<ThermogramView> view = std::make_unique<NullThermogramView>();
  std::unique_ptr<HeadLink> head = std::make_unique<NullHeadLink>();
  std::unique_ptr<Acquisition> acquisition = std::make_unique<NullAcquisition>();
  std::unique_ptr<Joystick> joystick = std::make_unique<NullJoystick>();
  std::unique_ptr<SiblingLink> sibling = std::make_unique<NullSiblingLink>();
};

} // namespace calidarix
