#pragma once
// The node list of the palette editor: up to 32 colour nodes on the 256 palette entries, numbered
// 1 .. 32. Node 1 and node 32 are the end nodes and always exist; nodes 2 .. 31 exist while shown.
// Every change expands the shown nodes into the table at once, so Table() always shows the nodes.

#include "thermogram/palette_files.h"
#include "thermogram/tdtv.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>

namespace calidarix {

class TPaletteNodes {
public:
  static constexpr int kCount = 32;

  // The grey ramp between node 1 at 0 (black) and node 32 at 255 (white); node 1 selected.
  TPaletteNodes();

  int Position(int node) const { return FPositions[Index(node)]; }
  bool Visible(int node) const { return FVisible[Index(node)]; }
  TRGB Color(int node) const { return FColors[Index(node)]; }
  int Selected() const { return FSelected; }
  int NodeCount() const { return FNodeCount; }
  const TPaletteTable &Table() const { return FPalTable; }

  // Shows the lowest-numbered hidden node at x (limited to 0 .. 255) with the given colour and
  // selects it. Returns that node, or 0 when every node is shown.
  int AddNode(int x, TRGB color);
  // Selects a node.
  void Select(int node);
  // Hides an interior node; deleting the selected one selects node 1. End nodes stay.
  void DeleteNode(int node);
  // Moves the selected interior node by a mouse movement m; a dragged node stays within 1 .. 254.
  void DragSelected(int m);
  // Gives the selected node a colour.
  void SetSelectedColor(TRGB color);
  // Complements the colours of the end nodes and of every shown interior node.
  void Invert();
  // Mirrors every shown interior node from p to 256 - p (256 becoming 255); the end nodes keep their
  // places and exchange their colours.
  void Rotate();
  // Hides the interior nodes and makes them black; node 1 black, node 32 white, node 1 selected.
  void Restore();

  // The 32 records of a ".IRP" file, hidden nodes included.
  std::array<TPaletteRecord, kIrpRecordCount> Records() const;
  // Takes 2 .. 32 records from a file: record i sets node i; from a shorter file the last record
  // becomes node 32 and its own node is hidden, and so are the nodes after it (their places and
  // colours stay for later). Node 1 is selected afterwards. Other counts change nothing and return
  // false.
  bool LoadRecords(std::span<const TPaletteRecord> records);

  // Expands the shown nodes, sorted by position (equal positions in node order), into the table.
  void UpDatePalette();

private:
  static std::size_t Index(int node) {
    return static_cast<std::size_t>(node < 1 ? 1 : node > kCount ? kCount : node);
  }

  TPaletteTable FPalTable{};
  std::array<std::uint8_t, kCount + 1> FPositions{};
  std::array<bool, kCount + 1> FVisible{};
  std::array<TRGB, kCount + 1> FColors{};
  int FSelected = 1;
  int FNodeCount = 0;
};

// The value of a colour edit when it is left: its text as an integer limited to 0 .. 255, or the
// value it held on entry when the text is not an integer.
std::uint8_t ColourEditValue(const QString &text, std::uint8_t onEntry);

} // namespace calidarix
