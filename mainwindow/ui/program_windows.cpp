#include "mainwindow/ui/program_windows.h"

#include "acquisition/ui/interface_form.h"
#include "mainwindow/ui/main_window.h"
#include "mainwindow/ui/placeholder_forms.h"
#include "mainwindow/ui/progress_form.h"

namespace calidarix {

namespace {

template <typename Form> Form *Make(std::vector<QWidget *> &windows, Form *&global, Form *form) {
  global = form;
  windows.push_back(form);
  return form;
}

} // namespace

ProgramWindows::ProgramWindows(ShellServices &services, const QStringList &arguments) {
  TCalidarix *main = Make(windows_, Calidarix, new TCalidarix(services));
  main->FormCreate(arguments);
  main->show(); // the main window shows itself; its first show runs before the other windows exist
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
