#pragma once
// The module's reference shutter on a pseudo-terminal: it answers "getName" with "STM_VCP" (or with
// another name) and sends the temperature texts it is given. The device under test opens SlavePath().

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace calidarix::sim {

class PtyShutter {
public:
  explicit PtyShutter(std::string name = "STM_VCP");
  ~PtyShutter();
  PtyShutter(const PtyShutter &) = delete;
  PtyShutter &operator=(const PtyShutter &) = delete;

  const std::string &SlavePath() const { return slave_; }
  bool Ready() const { return master_ >= 0 && !slave_.empty(); }
  // Sends text to the device side at once (a temperature reading, 7 characters).
  void Send(const std::string &text);
  // "getName" requests seen so far.
  int NameRequests() const { return nameRequests_.load(); }

private:
  void Serve();

  std::string name_;
  int master_ = -1;
  std::string slave_;
  std::atomic<bool> stop_{false};
  std::atomic<int> nameRequests_{0};
  std::mutex writeLock_;
  std::thread thread_;
};

} // namespace calidarix::sim
