// The main window's side of the graph windows: showing and docking them, filling their data from the
// thermogram shown (analysis/graph_data.h), the view update's step for them, their part of the mouse
// gestures on the image, and their panes in the composite snapshot.

#include "mainwindow/ui/main_window.h"

#include "analysis/graph_data.h"
#include "analysis/ui/graph_form.h"
#include "platform/messages.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QScreen>
#include <QToolButton>

#include <algorithm>

namespace calidarix {

namespace {

QToolButton *GraphButton(const TCalidarix &w, int tag) {
  static const char *const names[] = {"GraphSB", "TimeGraphSB", "HistogramSB"};
  return w.findChild<QToolButton *>(QString::fromLatin1(names[tag]));
}

TGraphForm *FormOf(int tag) {
  return tag == 0 ? GraphForm : tag == 1 ? TimeProfileForm : HistogramForm;
}

void RepaintAll(TGraphForm *form) {
  form->GraphPBPaint();
  form->ScalePBPaint();
  form->PalPBPaint();
}

// The live profile of a window (its slot 0), keeping the slots the window always has.
void SetLiveProfile(TGraphForm &form, TProfile profile) {
  if (form.FProfiles.size() < 2)
    form.FProfiles.resize(2);
  form.FProfiles[0] = std::move(profile);
}

// ---- Showing and hiding ----

// Whether tag's window is docked below the main window, and whether at its right.
bool DockedBelow(int tag) {
  return tag != 1;
}
bool DockedRight(int tag) {
  return tag != 0;
}

bool &ShownFlag(TCalidarix &w, int tag) {
  return tag == 0 ? w.FGraphShown : tag == 1 ? w.FTimeGraphShown : w.FHistogramShown;
}

void ToggleGraphWindow(TCalidarix &w, int tag) {
  TGraphForm *form = FormOf(tag);
  QToolButton *button = GraphButton(w, tag);
  bool &shown = ShownFlag(w, tag);
  if (!form || !CurrentDTV) {
    if (button)
      button->setChecked(false);
    w.NotAvailable(QStringLiteral("Graph window"));
    return;
  }
  const QScreen *screen = w.screen();
  const QRect s = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
  if (shown) {
    if (button)
      button->setChecked(false);
    shown = false;
    form->hide();
    // A window that filled the screen takes back the room the graph had. Being at the screen's corner
    // does not say so: a window of any size may sit there.
    QRect m = w.frameGeometry();
    if (w.FFilledScreenBeforeGraphs) {
      if (DockedBelow(tag) && !(tag == 0 && w.FHistogramShown) && !(tag == 2 && w.FGraphShown))
        m.setBottom(s.bottom());
      if (DockedRight(tag) && !(tag == 1 && w.FHistogramShown) && !(tag == 2 && w.FTimeGraphShown))
        m.setRight(s.right());
      w.resize(w.size() - (w.frameGeometry().size() - m.size()));
    }
    if (!w.FGraphShown && !w.FTimeGraphShown && !w.FHistogramShown)
      w.FFilledScreenBeforeGraphs = false;
    w.ImagePB->update();
    return;
  }

  // Making room below resizes the window, which is then no longer maximised: remember that it was.
  if (w.isMaximized() || w.isFullScreen())
    w.FFilledScreenBeforeGraphs = true;
  if (button)
    button->setChecked(true);
  shown = true;
  TDTV &dtv = *CurrentDTV;
  if (tag == 0)
    form->SetRange(FullRawRange(dtv));
  if (tag == 1)
    form->SetRange(TimeProfileRange(TimeProfileSourceOf(dtv)));
  // Room is made below and at the right, moving the main window up or left, or making it smaller when
  // the screen is too small for both.
  QRect m = w.frameGeometry();
  if (DockedBelow(tag)) {
    if (s.height() < m.height() + w.FGraphHeight) {
      m.moveTop(s.top());
      m.setHeight(std::max(s.height() - w.FGraphHeight, 1));
    } else if (m.top() + m.height() + w.FGraphHeight > s.top() + s.height()) {
      m.moveTop(s.top() + s.height() - w.FGraphHeight - m.height());
    }
  }
  if (DockedRight(tag)) {
    if (s.width() < m.width() + w.FTimeGraphWidth) {
      m.moveLeft(s.left());
      m.setWidth(std::max(s.width() - w.FTimeGraphWidth, 1));
    } else if (m.left() + m.width() + w.FTimeGraphWidth > s.left() + s.width()) {
      m.moveLeft(s.left() + s.width() - w.FTimeGraphWidth - m.width());
    }
  }
  w.move(m.topLeft());
  w.resize(w.size() - (w.frameGeometry().size() - m.size()));
  if (tag == 2) {
    const TAreaRecord &area = w.FMarkers.FCurrentArea;
    w.BuildHistogram(area.IsEmpty() ? TRect{0, 0, dtv.Width(), dtv.Height()} : area.Rect());
  }
  // The window lays itself out again, which also docks the graph windows beside it.
  if (!PostMessage(w.FPublishedHandle, WM_SIZE, 0, 0)) {
    Message size{WM_SIZE, 0, 0, 0};
    w.WndProc(size);
  }
  w.DockCompanionWindows(false);
  RepaintAll(form);
  form->show();
  w.activateWindow();
  w.ImagePB->update();
}

} // namespace

void TCalidarix::GraphSBClick() {
  ToggleGraphWindow(*this, 0);
}

void TCalidarix::TimeGraphSBClick() {
  ToggleGraphWindow(*this, 1);
}

void TCalidarix::HistogramSBClick() {
  ToggleGraphWindow(*this, 2);
}

void TCalidarix::GraphFormClosed(int tag) {
  if (tag < 0 || tag > 2)
    return;
  if (QToolButton *button = GraphButton(*this, tag))
    button->setChecked(false);
  ShownFlag(*this, tag) = false;
  if (!FGraphShown && !FTimeGraphShown && !FHistogramShown)
    FFilledScreenBeforeGraphs = false;
  ImagePB->update();
}

void TCalidarix::BuildGraphControls() {
  const std::pair<const char *, void (TCalidarix::*)()> commands[] = {
      {"GraphSB", &TCalidarix::GraphSBClick},          {"TimeGraphSB", &TCalidarix::TimeGraphSBClick},
      {"HistogramSB", &TCalidarix::HistogramSBClick},  {"ThermoProfile1", &TCalidarix::GraphSBClick},
      {"TimeProfile1", &TCalidarix::TimeGraphSBClick}, {"Histogram1", &TCalidarix::HistogramSBClick},
  };
  for (auto [name, command] : commands) {
    if (auto *button = findChild<QToolButton *>(QString::fromLatin1(name))) {
      button->setCheckable(true);
      connect(button, &QToolButton::clicked, this, command);
    } else if (auto *item = findChild<QAction *>(QString::fromLatin1(name))) {
      connect(item, &QAction::triggered, this, command);
    }
  }
}

// ---- Data ----

void TCalidarix::BuildThermoProfile(const TLineRecord &line) {
  if (!GraphForm || !CurrentDTV)
    return;
  TProfile profile = ThermoProfile(*CurrentDTV, line);
  if (profile.empty())
    return; // a line of no length keeps the profile shown
  SetLiveProfile(*GraphForm, std::move(profile));
  GraphForm->SetRange(FullRawRange(*CurrentDTV));
}

void TCalidarix::BuildTimeProfile(const TRect &region) {
  if (!TimeProfileForm || !CurrentDTV)
    return;
  TTimeProfile profile = RegionTimeProfile(TimeProfileSourceOf(*CurrentDTV), region, ArrayStatistic);
  if (profile.Built) {
    if (profile.Slots.size() > 1)
      TimeProfileForm->FProfiles = std::move(profile.Slots);
    else
      SetLiveProfile(*TimeProfileForm, std::move(profile.Slots[0]));
  }
  TimeProfileForm->SetRange(profile.Range);
  if (!profile.Problem.isEmpty())
    GraphNotice(profile.Problem);
}

void TCalidarix::BuildPointTimeProfile(std::int32_t x, std::int32_t y) {
  if (!TimeProfileForm || !CurrentDTV)
    return;
  TTimeProfile profile = PointTimeProfile(TimeProfileSourceOf(*CurrentDTV), x, y);
  if (!profile.Built)
    return;
  SetLiveProfile(*TimeProfileForm, std::move(profile.Slots[0]));
  TimeProfileForm->SetRange(profile.Range);
  if (!profile.Problem.isEmpty())
    GraphNotice(profile.Problem);
}

void TCalidarix::BuildHistogram(const TRect &region) {
  if (!HistogramForm || !CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  if (FMarkers.FCurrentArea.IsEmpty()) {
    // The region statistics of the whole frame, as the other users of the last statistics expect.
    FMarkers.FFrameArea.SetRect(TRect{0, 0, dtv.Width() - 1, dtv.Height() - 1});
    CountArray(FMarkers.FFrameArea, false);
  }
  const THistogram histogram = RegionHistogram(dtv, region);
  SetLiveProfile(*HistogramForm, histogram.Counts);
  HistogramForm->UpdateRange();
  HistogramForm->FLowLimitTemp = histogram.LowLimitTemp;
  HistogramForm->FHighLimitTemp = histogram.HighLimitTemp;
}

void TCalidarix::GraphNotice(const QString &text) {
  if (text == FLastGraphNotice)
    return;
  FLastGraphNotice = text;
  ShowViewNotice(text);
}

// ---- The view update ----

void TCalidarix::RefreshGraphWindows(bool reload) {
  if (!CurrentDTV)
    return;
  TDTV &dtv = *CurrentDTV;
  if (reload) {
    FLastGraphNotice.clear();
    // The curves of the file left behind belong to no marker of this one; a window shown later, a
    // snapshot or a print must not show them with this thermogram.
    for (TGraphForm *form : {GraphForm, TimeProfileForm, HistogramForm})
      if (form) {
        form->ClearCurrentProfile();
        form->ClearProfiles();
      }
  }
  if (FGraphShown && GraphForm) {
    GraphForm->SetRange(FullRawRange(dtv));
    BuildThermoProfile(FMarkers.FProfileLine);
    RepaintAll(GraphForm);
  }
  if (FTimeGraphShown && TimeProfileForm) {
    TimeProfileForm->SetRange(TimeProfileRange(TimeProfileSourceOf(dtv)));
    if (dtv.FFrameIndex == 1 && !FMarkers.FCurrentArea.IsEmpty())
      BuildTimeProfile(FMarkers.FCurrentArea.Rect());
    TimeProfileForm->FCursor = TPoint{dtv.FFrameIndex - 1, 0};
    RepaintAll(TimeProfileForm);
  }
  if (FHistogramShown && HistogramForm) {
    HistogramForm->SetRange(MakeRange(dtv.MinTemperature(), dtv.MaxTemperature()));
    const TAreaRecord &area = FMarkers.FCurrentArea;
    BuildHistogram(area.IsEmpty() ? TRect{0, 0, dtv.Width(), dtv.Height()} : area.Rect());
    RepaintAll(HistogramForm);
  }
}

void TCalidarix::PaintGraphScales() {
  if (FGraphShown && GraphForm)
    GraphForm->ScalePBPaint();
  if (FTimeGraphShown && TimeProfileForm)
    TimeProfileForm->ScalePBPaint();
}

void TCalidarix::ClearThermoProfiles() {
  if (!GraphForm)
    return;
  GraphForm->ClearCurrentProfile();
  GraphForm->ClearProfiles();
}

// ---- Mouse gestures on the image ----

void TCalidarix::CarryOutGraphGesture(const TGestureEffects &e) {
  if (!CurrentDTV)
    return;
  const TDTV &dtv = *CurrentDTV;
  const TRect wholeFrame{0, 0, dtv.Width(), dtv.Height()};
  if (e.Crop || e.ResetAll)
    for (TGraphForm *form : {GraphForm, TimeProfileForm})
      if (form) {
        form->ClearCurrentProfile();
        form->ClearProfiles();
      }
  if (e.StoreTimeProfile != 0 && FTimeGraphShown && TimeProfileForm)
    TimeProfileForm->StoreProfile(e.StoreTimeProfile);
  if (FGraphShown && GraphForm) {
    if (e.ProfileStarted) {
      GraphForm->FCursor = TPoint{0, 0};
      GraphForm->ClearCurrentProfile();
    }
    if (e.ProfileChanged) {
      // The builder sets the range the curve is drawn against; the scale must show the same.
      BuildThermoProfile(FMarkers.FProfileLine);
      GraphForm->GraphPBPaint();
      GraphForm->ScalePBPaint();
    }
    if (e.ProfileCleared)
      GraphForm->ClearCurrentProfile();
  }
  if (e.PixelTimeProfile && FTimeGraphShown && TimeProfileForm) {
    BuildPointTimeProfile(e.Pixel.X, e.Pixel.Y);
    TimeProfileForm->GraphPBPaint();
  }
  if (e.CountArea) {
    const TRect area = FMarkers.FCurrentArea.Rect();
    if (FTimeGraphShown && TimeProfileForm && dtv.FHeader.FrameCount > 1) {
      BuildTimeProfile(area);
      RepaintAll(TimeProfileForm);
    }
    if (FHistogramShown && HistogramForm) {
      BuildHistogram(area);
      RepaintAll(HistogramForm);
    }
  }
  if ((e.AreaTooSmall || e.AreaCleared) && FHistogramShown && HistogramForm) {
    BuildHistogram(wholeFrame);
    HistogramForm->GraphPBPaint();
    HistogramForm->ScalePBPaint();
  }
}

// ---- Snapshot panes ----

QImage TCalidarix::GraphPanePicture(TGraphPane pane, QSize size) {
  TGraphForm *form = pane == TGraphPane::ThermoProfile ? GraphForm : TimeProfileForm;
  return form ? form->Picture(size) : QImage();
}

// ---- Stored profiles ----

void TCalidarix::StoreGraphProfiles() {
  if (FGraphShown && GraphForm)
    GraphForm->StoreProfile(1);
  if (FHistogramShown && HistogramForm)
    HistogramForm->StoreProfile(1);
}

} // namespace calidarix
