#pragma once
// The camera settings that the window owns and the acquisition thread follows: the scan geometry the
// frame requests carry (sectors, delays, edges, centres, set-points) and the calibration (the range
// sets, the low curve, the band sets and the working values of the selected range).
//
// The thread works on its own copy of the camera state. The window publishes its settings after an
// edit, and the thread takes the newest before its next frame request. Both sides change some of the
// same values (the thread re-selects the working calibration when it applies a range request, the
// level camera re-derives it every frame), so each side takes only what the other changed since the
// two last agreed: neither undoes an edit of the other. The camera's identity (interface type, number,
// address) is not among the settings: the link was chosen by it when the thread was made.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace calidarix {

struct TScanUnit;

// The settings of `from` copied into `to`; everything else of `to` stays.
void CopyCameraSettings(TScanUnit &to, const TScanUnit &from);
// True when every setting of `a` equals that of `b` (a value that is not a number equals itself).
bool SameCameraSettings(const TScanUnit &a, const TScanUnit &b);
// The settings that `published` changed against `base` (what the thread took before) replace the
// thread's values; the others keep what the thread has made of them.
void MergeCameraSettings(TScanUnit &thread, const TScanUnit &published, const TScanUnit &base);

// The window's settings on their way to the acquisition thread.
class TCameraSettingsChannel {
public:
  // Publishes the settings of `unit` when they differ from the last published.
  void Publish(const TScanUnit &unit);
  // Counts the publications; it never goes back, so a reader can tell a new one from an old one.
  std::uint64_t Version() const { return version_.load(std::memory_order_acquire); }
  // The last published settings (null before the first) and, when asked for, their version.
  std::shared_ptr<const TScanUnit> Latest(std::uint64_t *version = nullptr) const;
  // Forgets the last publication (the version goes on counting).
  void Clear();

private:
  mutable std::mutex mutex_;
  std::shared_ptr<const TScanUnit> latest_;
  std::atomic<std::uint64_t> version_{0};
};

} // namespace calidarix
