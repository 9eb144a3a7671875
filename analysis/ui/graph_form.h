#pragma once
// The graph window. Three instances exist for the whole run, told apart by their Tag: GraphForm (0, the
// thermo profile under the main window), TimeProfileForm (1, the time profile at its right) and
// HistogramForm (2, the histogram in the corner). The main window fills their data (graph_data.h) and
// docks them; the window shows the live and stored profiles as curves or bars over a grid, a value scale
// with a sub-range bar, a cursor with two read-outs and the length of the profile, and copies or exports
// what it shows.
//
// The window's state without widgets is TGraphState, which the window derives from, so the main window
// and the tests reach its fields by their own names (GraphForm->FProfiles, GraphForm->FCursor).

#include "analysis/graph_paint.h"
#include "analysis/graph_state.h"
#include "mainwindow/ui/paint_boxes.h"
#include "thermogram/io_result.h"

#include <QWidget>

class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;

namespace calidarix {

class TGraphForm : public QWidget, public TGraphState {
  Q_OBJECT
public:
  explicit TGraphForm(QWidget *parent = nullptr);

  // ---- Used by the main window ----

  // Keeps the live profile as a stored one (n = 1; the histogram keeps none); on the thermo-profile
  // window the main window's profile line is kept with it. Repaints.
  void StoreProfile(int n);
  void ClearProfiles();
  void ClearCurrentProfile();
  // Repaint the graph (with its read-outs and length), the value scale (with the ends of the visible
  // range) and the sub-range bar.
  void GraphPBPaint();
  void ScalePBPaint();
  void PalPBPaint();
  // The picture of the graph at `size`, as the "Copy" button puts it on the clipboard and the composite
  // snapshot draws it.
  QImage Picture(QSize size);
  // The picture of (R - L) x (B - T) pixels on the clipboard.
  void CopyToClipboard(const TRect &r);
  // The profiles as tab-separated text on the clipboard ("Excel").
  void ClipboardSLK();
  // The profiles as a SYLK file; no command of the program calls it.
  IoResult SaveGraphSLK(const QString &fileName);

  // ---- Handlers ----

  void GraphCopySBClick();
  void SaveGraphSLKBtnClick();
  void GraphRemoveSBClick();
  void OptionButtonClick(); // BkGroundSB, HorSB, VerSB and GraphColorSB
  // The mouse on the graph: the cursor follows a held button (not on the time profile, whose cursor is
  // the frame shown); releasing the right button on the thermo profile marks the cursor's point.
  void GraphPBMouseDown(Qt::MouseButton button, int x);
  void GraphPBMouseMove(Qt::MouseButtons buttons, int x);
  void GraphPBMouseUp(Qt::MouseButton button);
  void PalPBMouseDown(Qt::MouseButton button, int x, int y);
  void PalPBMouseMove(Qt::MouseButtons buttons, int x, int y);
  void PalPBMouseUp(int x, int y);
  void DistancePanelClick();
  // The length entry takes digits and Backspace; Enter calibrates, Esc gives up.
  void DistanceEditEnter();
  // A key of the window by its scan code (1 Esc, 16 Q, 19 R, 29 Ctrl, 30 A, ...). Returns false when the
  // key is not to be passed on (R with the cursor on the first sample).
  bool KeyDown(int scanCode);

  // The read-outs under the graph, centred under the cursor.
  void PlaceMarkerLabels();
  // How the graph is painted: the main window's whole-degree display and palette.
  TGraphLook Look() const;

  // ---- Components (objectName = member name) ----
  QFrame *Panel2 = nullptr;
  QToolButton *GraphCopySB = nullptr, *BkGroundSB = nullptr, *HorSB = nullptr, *VerSB = nullptr;
  QToolButton *GraphRemoveSB = nullptr, *GraphColorSB = nullptr, *SaveGraphSLKBtn = nullptr;
  TPaintBox *GraphPB = nullptr, *PalPB = nullptr, *MaxPB = nullptr, *MinPB = nullptr, *ScalePB = nullptr;
  TPaintBox *BScalePB = nullptr;
  QFrame *BottomPanel = nullptr;
  QLabel *MarkerLabel0 = nullptr, *MarkerLabel1 = nullptr;
  QLabel *DistancePanel = nullptr;
  QLineEdit *DistanceEdit = nullptr;
  QLabel *KeyLabel = nullptr, *ProfileNamePanel = nullptr;

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void BuildComponents();
  void RenderGraph();
  void RenderScale();
  void RenderPal();
  void SetCursorFromMouse(int x);
  // The read-outs' texts for the cursor.
  void UpdateReadouts();
  // The thermo profile's cursor is marked on the main image.
  void RepaintMainImage();
};

extern TGraphForm *GraphForm;
extern TGraphForm *TimeProfileForm;
extern TGraphForm *HistogramForm;

} // namespace calidarix
