#include "mainwindow/ui/placeholder_forms.h"

namespace calidarix {

TPaletteForm *PaletteForm = nullptr;
TActivateTCPServerForm *ActivateTCPServerForm = nullptr;

EmptyForm::EmptyForm(const char *name, const char *caption, QWidget *parent) : QWidget(parent, Qt::Window) {
  setObjectName(QString::fromLatin1(name));
  setWindowTitle(QString::fromUtf8(caption));
}

} // namespace calidarix
