#pragma once
// Windows of the program whose contents come with their own subsystems. Until then each is an empty form
// of its class, with its name and caption, so that the program creates every window in its order.
// Each class moves to its subsystem's ui/ folder when that subsystem builds it.

#include "acquisition/ui/calibr_form.h"
#include "analysis/ui/gl_view.h"
#include "analysis/ui/graph_form.h"
#include "head/ui/pano_scan_dialog.h"
#include "head/ui/qor_ctrl.h"
#include "head/ui/set0_dialog.h"
#include "mainwindow/ui/film_process_form.h"
#include "mainwindow/ui/film_save_form.h"
#include "mainwindow/ui/info_form.h"
#include "mainwindow/ui/open_form.h"
#include "mainwindow/ui/palette_form.h"
#include "mainwindow/ui/print_form.h"

#include <QWidget>

namespace calidarix {

class EmptyForm : public QWidget {
public:
  EmptyForm(const char *name, const char *caption, QWidget *parent);
};

#define CALIDARIX_EMPTY_FORM(Class, Name, Caption)                                                           \
  class Class : public EmptyForm {                                                                           \
  public:                                                                                                    \
    explicit Class(QWidget *parent = nullptr) : EmptyForm(Name, Caption, parent) {}                          \
  };

CALIDARIX_EMPTY_FORM(TActivateTCPServerForm, "ActivateTCPServerForm", "ActivateTCPServerForm")

#undef CALIDARIX_EMPTY_FORM

extern TPaletteForm *PaletteForm;
extern TActivateTCPServerForm *ActivateTCPServerForm;

} // namespace calidarix
