// The video panel of the main window: the Video command, the choice of the device, the capture format,
// the device's settings and the saved frame. The frames themselves come from the video routines
// (acquisition/video_capture.h); the palette timer draws them, into the image box or, in a two-window
// layout, into the video window.

#include "acquisition/camera_state.h"
#include "acquisition/ui/video_form.h"
#include "acquisition/ui/video_properties_dialog.h"
#include "acquisition/video_capture.h"
#include "mainwindow/ui/event_hook.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/main_window.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace calidarix {

namespace {

// The video picture refreshes every 40 ms, as the palette timer does.
constexpr int kVideoPanelMs = 40;

bool VideoOn() {
  return ScanRequests.VideoOn.Get();
}

} // namespace

void TCalidarix::BuildVideoControls() {
  VideoSB = findChild<QToolButton *>(QStringLiteral("VideoSB"));
  VideoSB->setCheckable(true);
  // The button's state is the command's to set: a click alone does not press it.
  connect(VideoSB, &QToolButton::clicked, this, [this] {
    VideoSB->setChecked(!VideoSB->isChecked());
    VideoSBClick();
  });
  auto *bigButton = new TEventHook(this, [this](QObject *, QEvent *event) {
    if (event->type() != QEvent::MouseButtonRelease ||
        static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
      return false;
    VideoSBClick();
    return true;
  });
  for (const char *name : {"SetPanel", "SetNamePanel"})
    if (auto *panel = findChild<QWidget *>(QString::fromLatin1(name)))
      bigButton->Watch(panel);

  connect(FPanels.VideoSetupSB, &QPushButton::clicked, this, &TCalidarix::VideoSetupSBClick);
  connect(FPanels.VideoSetupCB, &QComboBox::activated, this, [this] { VideoSetupCBChange(); });

  // The video panel shows the live picture itself while it is shown.
  VideoPanel->setScaledContents(true);
  FPeripherals.VideoPanelTimer = new QTimer(this);
  FPeripherals.VideoPanelTimer->setObjectName(QStringLiteral("VideoPanelTimer"));
  FPeripherals.VideoPanelTimer->setInterval(kVideoPanelMs);
  connect(FPeripherals.VideoPanelTimer, &QTimer::timeout, this, [this] {
    if (!VideoOn() || !VideoPanel->isVisible() || !GrabVideoFrame())
      return;
    VideoPanel->setPixmap(QPixmap::fromImage(VideoFrameBitmap()));
  });
  auto *panelHook = new TEventHook(this, [this](QObject *watched, QEvent *event) {
    if (watched == VideoPanel && event->type() == QEvent::MouseButtonDblClick) {
      VideoPanelDblClick();
      return true;
    }
    // The image area changed size: a shown video panel keeps covering it.
    if (watched == ImagePanel && event->type() == QEvent::Resize && VideoOn() && VideoPanel->isVisible())
      FitVideoPanel(VideoFormatAspect(FPanels.VideoSetupCB->currentIndex()));
    return false;
  });
  panelHook->Watch(VideoPanel);
  panelHook->Watch(ImagePanel);

  BuildBatteryGauges();
}

void TCalidarix::VideoSBClick() {
  if (FPeripherals.FVideoStarting)
    return;
  if (VideoOn()) {
    // The capture runs for the rest of the run: the command only shows or hides it.
    if (PalTimer->isActive()) {
      PalTimer->stop();
      VideoSB->setChecked(false);
      VideoPanel->hide();
      ImagePBPaint(this);
      ImagePB->update();
    } else {
      PalTimer->start();
      VideoPanel->setGeometry(ImagePanel->rect());
      VideoSB->setChecked(true);
      VideoPanel->hide();
      QCoreApplication::processEvents();
      ImagePB->update();
    }
    return;
  }

  FPeripherals.FVideoStarting = true;
  const bool twoWindows = PolyFormLeft || PolyFormRight;
  if (!twoWindows) {
    VideoPanel->setGeometry(ImagePanel->rect());
    VideoSB->setChecked(true);
    VideoPanel->hide();
  }
  QCoreApplication::processEvents();

  FPeripherals.VideoDeviceIndex = 0;
  const QStringList devices = ListVideoDevices();
  if (!twoWindows && devices.size() > 1) {
    QWidget *owner = FIsBigButtons ? findChild<QWidget *>(QStringLiteral("SetPanel")) : VideoSB;
    auto *menu = new QMenu(owner);
    menu->setObjectName(QStringLiteral("VideoPopUpMenu"));
    menu->setProperty("Tag", 0);
    const QIcon glyph = findChild<QToolButton *>(QStringLiteral("SaveBMPSB"))->icon();
    for (int i = 0; i < devices.size(); ++i) {
      QAction *item = menu->addAction(glyph, devices[i]);
      item->setObjectName(QStringLiteral("MI%1").arg(i));
      item->setProperty("Tag", i);
      connect(item, &QAction::triggered, this, [this, item] { VideoDeviceMenuClick(item); });
    }
    FPeripherals.VideoPopUpMenu = menu;
    // Just right of the button's top edge.
    menu->exec(owner->mapToGlobal(QPoint(owner->width() + 1, -1)));
    QCoreApplication::processEvents();
    FPeripherals.VideoDeviceIndex = menu->property("Tag").toInt();
    FPeripherals.VideoPopUpMenu = nullptr;
    menu->deleteLater();
  }

  QString error = QStringLiteral("no video device");
  if (!devices.isEmpty() && VideoStart(FPeripherals.VideoDeviceIndex, &error)) {
    PalTimer->start();
    FPanels.VideoSetupCB->clear();
    FPanels.VideoSetupCB->addItems(ListVideoFormats());
    FPanels.VideoSetupCB->setCurrentIndex(FPanels.VideoSetupCB->count() > 0 ? 0 : -1);
    ScanRequests.VideoOn.Set(true);
    FPanels.VideoSetupSB->setEnabled(true);
    FPanels.VideoSetupCB->setEnabled(true);
    FPeripherals.VideoPanelTimer->start();
    if (logger)
      logger->AppendLine(QStringLiteral("Video started: ") + devices.value(FPeripherals.VideoDeviceIndex));
  } else {
    VideoPanel->hide();
    FPanels.VideoSetupSB->setEnabled(false);
    FPanels.VideoSetupCB->setEnabled(false);
    VideoSB->setChecked(false);
    ShowViewNotice(QStringLiteral("Video: ") + error);
  }
  FPeripherals.FVideoStarting = false;
  ImagePB->update();
}

void TCalidarix::VideoDeviceMenuClick(QAction *item) {
  if (auto *menu = qobject_cast<QMenu *>(item->parent()))
    menu->setProperty("Tag", item->property("Tag"));
}

void TCalidarix::VideoSetupCBChange() {
  if (!VideoOn())
    return;
  // The chosen format is applied whether or not the panel is shown: the list must say what runs.
  const int index = FPanels.VideoSetupCB->currentIndex();
  const double aspect = VideoFormatAspect(index);
  QString error;
  if (!SetVideoFormat(index, &error))
    ShowViewNotice(QStringLiteral("Video format: ") + error);
  QCoreApplication::processEvents();
  if (VideoPanel->isVisible())
    FitVideoPanel(aspect);
  ImagePB->update();
}

void TCalidarix::FitVideoPanel(double aspect) {
  // The image area is ImagePanel here: the file info panel lies outside it.
  const int w = ImagePanel->width();
  const int h = ImagePanel->height();
  if (w <= 0 || h <= 0 || !(aspect > 0.0))
    return;
  if (static_cast<double>(w) / h > aspect) {
    const int height = TruncToInt32(w / aspect);
    VideoPanel->setGeometry(0, (h - height) / 2, w, height);
  } else {
    const int width = TruncToInt32(h * aspect);
    VideoPanel->setGeometry((w - width) / 2, 0, width, h);
  }
}

void TCalidarix::VideoSetupSBClick() {
  if (!VideoOn())
    return;
  const QString name = ListVideoDevices().value(FPeripherals.VideoDeviceIndex, QStringLiteral("Video"));
  if (!FPeripherals.VideoProperties) {
    FPeripherals.VideoProperties = new TVideoPropertiesDialog(this, name);
    FPeripherals.VideoProperties->setAttribute(Qt::WA_DeleteOnClose);
  }
  FPeripherals.VideoProperties->show();
  FPeripherals.VideoProperties->raise();
}

void TCalidarix::VideoPanelDblClick() {
  if (!VideoOn())
    return;
  const auto file = LocalPathFromWindows("c:\\video_capture.bmp");
  if (!file) {
    ShowViewNotice(QStringLiteral("Video frame: drive C: is not mapped to a folder"));
    return;
  }
  const IoResult saved = SaveVideoFrameJPEG(QString::fromStdString(file->string()));
  if (!saved)
    ShowViewNotice(QStringLiteral("Video frame: ") + saved.message);
}

bool TCalidarix::VideoShownOnImage() const {
  return VideoOn() && PalTimer && PalTimer->isActive() && !PolyFormLeft && !PolyFormRight &&
         !FServices.acquisition->ScanRunning() && !VideoFrameBitmap().isNull();
}

void TCalidarix::DrawVideoOnImage() {
  QImage picture = ImagePB->NewPicture();
  QPainter painter(&picture);
  DrawVideoFrame(painter, picture.rect(), VideoFrameBitmap(), true);
  painter.end();
  ImagePB->Picture = picture;
}

void TCalidarix::PaintVideoFrame() {
  GrabVideoFrame();
  if (PolyFormLeft || PolyFormRight) {
    if (!FormVideo)
      return;
    TPaintBox *box = FormVideo->PolyFormPB;
    QImage picture = box->NewPicture();
    QPainter painter(&picture);
    const QRect client = box->rect().adjusted(0, 0, -PalBasePanel->width(), 0);
    DrawVideoFrame(painter, client, VideoFrameBitmap(), false);
    painter.end();
    box->Picture = picture;
    box->update();
    return;
  }
  // While a scan runs the image box keeps showing the thermogram.
  if (!FServices.acquisition->ScanRunning())
    ImagePB->update();
}

void TCalidarix::GrabVideoToImage() {
  if (!CurrentDTV || !calidarix::GrabVideoToImage(*CurrentDTV)) {
    ShowViewNotice(QStringLiteral("Video frame to image [0]: the video gave no frame"));
    return;
  }
}

} // namespace calidarix
