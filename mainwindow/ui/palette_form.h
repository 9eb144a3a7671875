#pragma once
// The palette editor: up to 32 colour nodes on a strip of the 256 palette entries, expanded into a
// palette as they change. The nodes and the expansion live in TPaletteNodes; this window shows them as
// labels over the strip and turns mouse presses, drags, colour edits, swatches and buttons into calls
// on it. A modal run ends with OK or Cancel; the main window then reads FPalTable().

#include "thermogram/palette_nodes.h"

#include <QDialog>
#include <QString>

#include <array>
#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace calidarix {

class TPaintBox;

// What a palette file dialog shows and what it was last given. FilterIndex (1-based) names the
// filter chosen; saving writes the format of that filter whatever the name's extension.
struct TPalFileDialog {
  QString Filter;     // "text|pattern|text|pattern..."
  QString DefaultExt; // "*.pal"
  QString InitialDir;
  QString FileName; // the last file chosen; empty until one is
  int FilterIndex = 1;
};

class TPaletteForm : public QDialog {
public:
  explicit TPaletteForm(QWidget *parent = nullptr);

  const TPaletteTable &FPalTable() const { return FNodes.Table(); }
  const TPaletteNodes &Nodes() const { return FNodes; }

  // Runs a file dialog (save or open): true when a file was chosen, with dialog.FileName and, for
  // saving, dialog.FilterIndex set. Tests replace it.
  std::function<bool(QWidget *parent, TPalFileDialog &dialog, bool save)> RunFileDialog;
  // Shows why a palette file could not be read or written. Tests replace it.
  std::function<void(QWidget *parent, const QString &text)> ShowError;

  TPalFileDialog SavePalDialog;
  TPalFileDialog OpenPalDialog;

  QFrame *LabelsPanel = nullptr;
  QFrame *PalPanel = nullptr;
  TPaintBox *PaintBox1 = nullptr;
  TPaintBox *PaintBox2 = nullptr;
  TPaintBox *PaintBox3 = nullptr;
  QFrame *ColorPanel = nullptr;
  QLineEdit *Edit1 = nullptr;
  QLineEdit *Edit2 = nullptr;
  QLineEdit *Edit3 = nullptr;
  QToolButton *InvertBtn = nullptr;
  QToolButton *RotateBtn = nullptr;
  QToolButton *ResetBtn = nullptr;
  QToolButton *SavePalSB = nullptr;
  QToolButton *OpenPalSB = nullptr;
  QPushButton *BitBtn1 = nullptr; // OK
  QPushButton *BitBtn2 = nullptr; // Cancel

  // Handlers, public so that tests and the main window can drive them as the controls do.
  void LabelsPanelMouseDown(int x);
  void LabelMouseDown(int node, Qt::MouseButton button, int x);
  void LabelMouseUp();
  void LabelMouseMove(int node, int x);
  void EditEnter(QLineEdit *edit);
  void ColorProcess();
  void ColPanelClick(QFrame *swatch);
  void InvertBtnClick();
  void RotateBtnClick();
  void ResetBtnClick();
  void SavePalSBClick();
  void OpenPalSBClick();
  // Reads a node file into the nodes; a file that cannot be read is reported and changes nothing.
  bool ReadPal(const QString &fileName);

private:
  void BuildControls();
  void ShowNodes();
  void UpDatePalette();
  void UpDateEditValues();
  void SetPanelColor(TRGB color);
  void PaintRuler(TPaintBox *box, bool below);
  void PaintStrip();

  TPaletteNodes FNodes;
  std::array<QLabel *, TPaletteNodes::kCount + 1> FLabels{};
  TRGB FPanelColor{0, 0, 0};
  std::uint8_t FEntryR = 0;
  std::uint8_t FEntryG = 0;
  std::uint8_t FEntryB = 0;
  bool FDragging = false;
  int FDragX = 0;
};

} // namespace calidarix
