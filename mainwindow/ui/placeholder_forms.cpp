#include "mainwindow/ui/placeholder_forms.h"

namespace calidarix {

TGraphForm *GraphForm = nullptr;
TCalibrForm *CalibrForm = nullptr;
TFilmProcessForm *FilmProcessForm = nullptr;
TGLview *GLview = nullptr;
TGraphForm *TimeProfileForm = nullptr;
TGraphForm *HistogramForm = nullptr;
TPaletteForm *PaletteForm = nullptr;
TActivateTCPServerForm *ActivateTCPServerForm = nullptr;

EmptyForm::EmptyForm(const char *name, const char *caption, QWidget *parent) : QWidget(parent, Qt::Window) {
  setObjectName(QString::fromLatin1(name));
  setWindowTitle(QString::fromUtf8(caption));
}

TFormVideo::TFormVideo(QWidget *owner) : EmptyForm("FormVideo", "Video", owner) {
  setWindowFlag(Qt::FramelessWindowHint, true);
}

} // namespace calidarix
