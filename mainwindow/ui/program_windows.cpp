#include "mainwindow/ui/program_windows.h"

#include "acquisition/ui/interface_form.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/placeholder_forms.h"
#include "mainwindow/ui/progress_form.h"

#include <QEvent>
#include <QTimer>

#include <functional>
#include <utility>

namespace calidarix {

namespace {

template <typename Form> Form *Make(std::vector<QWidget *> &windows, Form *&global, Form *form) {
  global = form;
  windows.push_back(form);
  return form;
}

// Runs `then` from the event loop once `box` has painted for the first time, or after `latest` ms
// should no paint come (a window that starts hidden), whichever is first; at most once.
class FirstPaintWatcher : public QObject {
public:
  FirstPaintWatcher(QWidget *box, int latest, std::function<void()> then)
      : QObject(box), box_(box), then_(std::move(then)) {
    box->installEventFilter(this);
    QTimer::singleShot(latest, this, [this] { Run(); });
  }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (watched == box_ && event->type() == QEvent::Paint) {
      box_->removeEventFilter(this);
      // Queued: the paint finishes first, and the posted call runs before the next input is read.
      QTimer::singleShot(0, this, [this] { Run(); });
    }
    return false;
  }

private:
  void Run() {
    if (!then_)
      return;
    box_->removeEventFilter(this);
    const std::function<void()> then = std::move(then_);
    then_ = nullptr;
    then();
  }

  QWidget *box_;
  std::function<void()> then_;
};

// Whatever comes first after the first show at the latest.
constexpr int kLatestRestCreationMs = 250;

} // namespace

ProgramWindows::ProgramWindows(ShellServices &services, const QStringList &arguments,
                               TWindowCreation creation, std::function<void()> beforeRest)
    : beforeRest_(std::move(beforeRest)) {
  TCalidarix *main = Make(windows_, Calidarix, new TCalidarix(services));
  main->FRenderAtFirstPaint = true; // shown right below
  main->FormCreate(arguments);
  main->show(); // the main window shows itself; its first show runs before the other windows exist
  if (creation == TWindowCreation::AllAtOnce)
    CreateRest();
  else
    new FirstPaintWatcher(main->ImagePB, kLatestRestCreationMs, [this] { CreateRest(); });
}

void ProgramWindows::CreateRest() {
  if (restCreated_)
    return;
  restCreated_ = true;
  if (beforeRest_)
    beforeRest_();
  TCalidarix *main = Calidarix;
  Make(windows_, QorCtrl, new TQorCtrl);
  Make(windows_, GraphForm, new TGraphForm);
  Make(windows_, CalibrForm, new TCalibrForm);
  Make(windows_, InterfaceForm, new TInterfaceForm(main));
  Make(windows_, InfoForm, new TInfoForm);
  Make(windows_, PanoScanDialog, new TPanoScanDialog);
  Make(windows_, ProgressForm, new TProgressForm);
  Make(windows_, Set0Dialog, new TSet0Dialog);
  Make(windows_, FilmProcessForm, new TFilmProcessForm);
  Make(windows_, GLview, new TGLview);
  GraphForm->Tag = 0;
  GraphForm->setWindowTitle("Thermo Profile");
  Make(windows_, TimeProfileForm, new TGraphForm)->Tag = 1;
  TimeProfileForm->setWindowTitle("Time Profile");
  Make(windows_, HistogramForm, new TGraphForm)->Tag = 2;
  HistogramForm->setWindowTitle("Histogram");
  Make(windows_, FilmSaveForm, new TFilmSaveForm);
  Make(windows_, PrintForm, new TPrintForm);
  Make(windows_, PaletteForm, new TPaletteForm);
  Make(windows_, ActivateTCPServerForm, new TActivateTCPServerForm);
  Make(windows_, OpenForm, new TOpenForm);
  main->AfterAllWindowsCreated();
}

ProgramWindows::~ProgramWindows() {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
    delete *it;
  QorCtrl = nullptr;
  GraphForm = TimeProfileForm = HistogramForm = nullptr;
  CalibrForm = nullptr;
  InterfaceForm = nullptr;
  InfoForm = nullptr;
  PanoScanDialog = nullptr;
  ProgressForm = nullptr;
  Set0Dialog = nullptr;
  FilmProcessForm = nullptr;
  GLview = nullptr;
  FilmSaveForm = nullptr;
  PrintForm = nullptr;
  PaletteForm = nullptr;
  ActivateTCPServerForm = nullptr;
  OpenForm = nullptr;
  Calidarix = nullptr;
}

} // namespace calidarix
