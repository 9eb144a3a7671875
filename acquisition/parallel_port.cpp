#include "acquisition/parallel_port.h"

#include "acquisition/camera_log.h"
#include "platform/inifile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define CALIDARIX_HAS_PORT_INSTRUCTIONS 1
#else
#define CALIDARIX_HAS_PORT_INSTRUCTIONS 0
#endif

namespace calidarix {

namespace {

constexpr std::uint8_t kControlDirection = 0x20; // bit 5: the data lines read

QString SystemError(const char *what) {
  return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                      QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

std::string DefaultParallelDevice(std::uint16_t base) {
  switch (base) {
  case 0x378:
    return "/dev/parport0";
  case 0x278:
    return "/dev/parport1";
  case 0x3BC:
    return "/dev/parport2";
  default:
    return {};
  }
}

std::string ParallelDeviceFromSettings(const IniFile &ini, std::uint16_t base) {
  const std::string configured = ini.ReadString("CAMERA PARAMETERS", "PortDevice", "");
  return configured.empty() ? DefaultParallelDevice(base) : configured;
}

// ---- Raw port instructions ----

TRawPortIo::~TRawPortIo() {
#if CALIDARIX_HAS_PORT_INSTRUCTIONS
  for (const auto &[first, count] : ranges_)
    ::ioperm(first, count, 0);
#endif
}

bool TRawPortIo::Open(std::uint16_t first, std::uint16_t count, QString *error) {
#if CALIDARIX_HAS_PORT_INSTRUCTIONS
  if (count == 0 || first + count > 0x10000 || ::ioperm(first, count, 1) != 0) {
    if (error)
      *error = SystemError("direct port access refused");
    return false;
  }
  ranges_.emplace_back(first, count);
  return true;
#else
  (void)first;
  (void)count;
  if (error)
    *error = QStringLiteral("this processor has no port instructions");
  return false;
#endif
}

bool TRawPortIo::Covers(std::uint16_t port) const {
  for (const auto &[first, count] : ranges_) {
    if (port >= first && port - first < count)
      return true;
  }
  return false;
}

void TRawPortIo::PortOut(std::uint16_t port, std::uint8_t value) {
#if CALIDARIX_HAS_PORT_INSTRUCTIONS
  if (Covers(port))
    ::outb(value, port);
#else
  (void)port;
  (void)value;
#endif
}

std::uint8_t TRawPortIo::PortIn(std::uint16_t port) {
#if CALIDARIX_HAS_PORT_INSTRUCTIONS
  if (Covers(port))
    return ::inb(port);
#else
  (void)port;
#endif
  return 0xFF;
}

// ---- ppdev ----

TPpdevPort::~TPpdevPort() {
  Close();
}

bool TPpdevPort::Open(const std::string &device, std::uint16_t base, QString *error) {
  Close();
  if (device.empty()) {
    if (error)
      *error = QStringLiteral("no parallel port device for base 0x%1 (set PortDevice)").arg(base, 0, 16);
    return false;
  }
  const int fd = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    if (error)
      *error = SystemError(device.c_str());
    return false;
  }
  if (::ioctl(fd, PPEXCL) != 0 || ::ioctl(fd, PPCLAIM) != 0) {
    if (error)
      *error = SystemError("parallel port not claimed");
    ::close(fd);
    return false;
  }
  fd_ = fd;
  base_ = base;
  reverse_ = false;
  warned_ = false;
  int forward = 0;
  ::ioctl(fd_, PPDATADIR, &forward);
  return true;
}

void TPpdevPort::Close() {
  if (fd_ < 0)
    return;
  ::ioctl(fd_, PPRELEASE);
  ::close(fd_);
  fd_ = -1;
}

void TPpdevPort::Unreachable(std::uint16_t port, const char *what) {
  if (warned_)
    return;
  warned_ = true;
  CameraLog(QStringLiteral("Parallel port: %1 0x%2 cannot be reached through the port driver; skipped")
                .arg(QString::fromLatin1(what))
                .arg(port, 0, 16));
}

void TPpdevPort::PortOut(std::uint16_t port, std::uint8_t value) {
  if (fd_ < 0)
    return;
  const int offset = port - base_;
  if (offset == 0) {
    ::ioctl(fd_, PPWDATA, &value);
    return;
  }
  if (offset == 2) {
    const bool reverse = (value & kControlDirection) != 0;
    if (reverse != reverse_) {
      int direction = reverse ? 1 : 0;
      ::ioctl(fd_, PPDATADIR, &direction);
      reverse_ = reverse;
    }
    std::uint8_t lines = value & 0x0F; // strobe, auto-feed, init, select-in
    ::ioctl(fd_, PPWCONTROL, &lines);
    return;
  }
  if (raw_) {
    raw_->PortOut(port, value);
    return;
  }
  Unreachable(port, "write to port");
}

std::uint8_t TPpdevPort::PortIn(std::uint16_t port) {
  if (fd_ < 0)
    return 0xFF;
  std::uint8_t value = 0xFF;
  const int offset = port - base_;
  if (offset == 0)
    ::ioctl(fd_, PPRDATA, &value);
  else if (offset == 1)
    ::ioctl(fd_, PPRSTATUS, &value);
  else if (offset == 2)
    ::ioctl(fd_, PPRCONTROL, &value);
  else if (raw_)
    value = raw_->PortIn(port);
  else
    Unreachable(port, "read of port");
  return value;
}

// ---- The camera's port ----

bool TParallelPortSet::Open(const std::string &device, std::uint16_t base, QString *error) {
  if (!ppdev_.Open(device, base, error))
    return false;
  // The extended registers and the status register's write are reached only with the right to use
  // the port instructions; without it they are skipped (and logged once).
  QString ignored;
  const bool extended = base < 0xFC00 && raw_.Open(static_cast<std::uint16_t>(base + 0x400), 3, &ignored);
  const bool status = raw_.Open(static_cast<std::uint16_t>(base + 1), 1, &ignored);
  ppdev_.SetRawFallback(extended || status ? &raw_ : nullptr);
  return true;
}

} // namespace calidarix
