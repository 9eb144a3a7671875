#pragma once
// The serial-port transport: a COM port opened by number, raw 8N1 at a given baud rate, exclusive,
// with synchronous reads and writes that end at fixed deadlines.
//
// COM numbers name devices through a table, because Linux has no COM names: CALIDARIX_SERIAL_PORTS
// ("1=/dev/ttyUSB0;2=/dev/ttyS0", ";" or "," between entries) when set, else the section
// "[SERIAL PORTS]" of "Calidarix.ini" ("COM1=/dev/ttyUSB0"). A number without an entry names no port,
// so a search over the ports touches only the devices someone configured.
//
// Read deadlines (the same on every open): a read of n bytes waits at most n + 100 ms in all, and at
// most 100 ms between two bytes once the first has come; a read that gets nothing returns 0 after
// about 100 ms. A write waits at most n + 100 ms. Exclusive access: TIOCEXCL on the terminal and an
// advisory lock on the open file, both released on close.
//
// Every step of opening is written to the log function, so that the log shows how far an open got.
// One object is used by one thread; every call blocks that thread.

#include <QString>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>

namespace calidarix {

// Every configured COM number and its device, in number order. Entries with a number outside 1..255
// or an empty path are ignored.
std::map<int, std::filesystem::path> ComPortDevices();

// The device of one COM number, when the table has one.
std::optional<std::filesystem::path> ComPortDevice(int portNumber);

// Parses the environment form of the table ("1=/dev/ttyUSB0;2=/dev/ttyS0").
std::map<int, std::filesystem::path> ParseComPortTable(const QString &text);

class TComPort {
public:
  TComPort() = default;
  virtual ~TComPort();
  TComPort(const TComPort &) = delete;
  TComPort &operator=(const TComPort &) = delete;

  // "COM9" for numbers up to 9, "\\.\COM10" above, as the log shows them.
  static QString PortName(int portNumber);

  // Opens and configures the port; a port open before is closed first. False on any failure, with the
  // port closed.
  // The port calls are virtual so that a fuzz target can give a link its bytes in-process.
  virtual bool OpenPort(int portNumber, int baud);
  virtual void ClosePort();
  // Discards what has been received and not read. False when closed or when the purge failed.
  virtual bool PurgeRx();
  // Bytes received and not read yet; 0 when closed or when the query failed.
  virtual int InQueue();
  // Up to count bytes within the deadlines above; 0 when closed or when the read failed.
  virtual int ReadPort(void *buffer, int count);
  // The bytes written; 0 when closed or when the write failed.
  virtual int WritePort(const void *buffer, int count);
  // Whether the port's device can be opened for reading and writing (it is closed again at once).
  virtual bool PortExists(int portNumber);

  bool IsOpen() const { return FHandle >= 0; }

  int FHandle = -1;
  // Where the steps of opening are written; nothing is written without one.
  std::function<void(const QString &)> FLog;

private:
  void Log(const QString &text) const;
};

} // namespace calidarix
