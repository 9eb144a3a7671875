#include "acquisition/ui/video_properties_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace calidarix {

TVideoPropertiesDialog::TVideoPropertiesDialog(QWidget *owner, const QString &deviceName) : QDialog(owner) {
  setObjectName(QStringLiteral("VideoPropertiesDialog"));
  setWindowTitle(deviceName);
  auto *layout = new QVBoxLayout(this);
  area_ = new QWidget(this);
  layout->addWidget(area_);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::RestoreDefaults | QDialogButtonBox::Close, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this, [this] {
    for (const VideoControl &c : VideoControls())
      SetVideoControl(c.Id, c.Default);
    Reload();
  });
  Reload();
}

void TVideoPropertiesDialog::Reload() {
  Build(VideoControls());
}

void TVideoPropertiesDialog::Build(const std::vector<VideoControl> &controls) {
  delete area_->layout();
  for (QWidget *child : area_->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
    delete child;
  auto *form = new QFormLayout(area_);
  if (controls.empty())
    form->addRow(new QLabel(QStringLiteral("The device has no settings to adjust."), area_));
  for (const VideoControl &c : controls) {
    const std::uint32_t id = c.Id;
    QWidget *editor = nullptr;
    if (c.Type == VideoControl::Kind::Boolean) {
      auto *box = new QCheckBox(area_);
      box->setChecked(c.Value != 0);
      connect(box, &QCheckBox::toggled, this, [id](bool on) { SetVideoControl(id, on ? 1 : 0); });
      editor = box;
    } else if (c.Type == VideoControl::Kind::Menu) {
      auto *list = new QComboBox(area_);
      for (int i = 0; i < c.MenuItems.size(); ++i)
        if (!c.MenuItems[i].isEmpty())
          list->addItem(c.MenuItems[i], c.Minimum + i);
      list->setCurrentIndex(list->findData(c.Value));
      connect(list, &QComboBox::activated, this,
              [id, list](int index) { SetVideoControl(id, list->itemData(index).toInt()); });
      editor = list;
    } else {
      auto *slider = new QSlider(Qt::Horizontal, area_);
      slider->setRange(c.Minimum, c.Maximum);
      slider->setSingleStep(c.Step);
      slider->setPageStep(std::max(c.Step, (c.Maximum - c.Minimum) / 10));
      slider->setValue(c.Value);
      slider->setMinimumWidth(200);
      connect(slider, &QSlider::valueChanged, this, [id](int value) { SetVideoControl(id, value); });
      editor = slider;
    }
    editor->setObjectName(c.Name);
    form->addRow(c.Name, editor);
  }
}

} // namespace calidarix
