#pragma once
// The one progress and cancel interface that long jobs (folder conversions, film processing, stitching,
// strip scans) report to. The progress window implements it; tests answer it without a window.
//
// Protocol of a job: optionally SetProgressPrefix; SetProgress(0); Show; for each step: do it,
// SetProgress, let pending events run (so a Cancel click is seen), stop when Cancelled(); then Hide.

#include <QString>

namespace calidarix {

class Progress {
public:
  virtual ~Progress() = default;
  // The caption prefix of the next SetProgress; empty means "Progress". Hiding forgets it.
  virtual void SetProgressPrefix(const QString &prefix) = 0;
  virtual void SetProgress(int position) = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // The user asked to stop since the last Show.
  virtual bool Cancelled() const = 0;
};

// Stands in for the progress window where there is none: shows nothing and never cancels.
class SilentProgress : public Progress {
public:
  void SetProgressPrefix(const QString &) override {}
  void SetProgress(int) override {}
  void Show() override {}
  void Hide() override {}
  bool Cancelled() const override { return false; }
};

// The progress caption: prefix (or "Progress") + ": " + the integer part of position / (maximum - minimum)
// x 100 + "%". Positions outside the range give percentages outside 0..100 ("Progress: 150%"); an empty
// range gives 0%.
QString ProgressCaption(const QString &prefix, int position, int minimum, int maximum);

} // namespace calidarix
