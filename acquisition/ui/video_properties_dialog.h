#pragma once
// The settings of the running video device (brightness, contrast, ...) as the device reports them:
// a slider for a number, a check box for a switch, a list for a choice. A change goes to the device at
// once; "Default" puts every setting back to the device's default.

#include "acquisition/video_capture.h"

#include <QDialog>

namespace calidarix {

class TVideoPropertiesDialog : public QDialog {
public:
  // Captioned with the device's name; shows the settings of the moment.
  TVideoPropertiesDialog(QWidget *owner, const QString &deviceName);
  // Reads the settings from the device again.
  void Reload();

private:
  void Build(const std::vector<VideoControl> &controls);
  QWidget *area_ = nullptr;
};

} // namespace calidarix
