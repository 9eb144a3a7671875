#include "thermogram/palette_nodes.h"

#include "platform/numbers.h"
#include "thermogram/builtin_palettes.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace calidarix {

namespace {

constexpr TRGB kBlack{0, 0, 0};
constexpr TRGB kWhite{255, 255, 255};

bool IsInterior(int node) {
  return node > 1 && node < TPaletteNodes::kCount;
}

} // namespace

TPaletteNodes::TPaletteNodes() {
  FPositions[1] = 0;
  FPositions[kCount] = 255;
  FVisible[1] = true;
  FVisible[kCount] = true;
  FColors[1] = kBlack;
  FColors[kCount] = kWhite;
  FPalTable = GreyRamp();
  UpDatePalette();
}

int TPaletteNodes::AddNode(int x, TRGB color) {
  int node = 0;
  for (int k = 1; k <= kCount; ++k)
    if (!FVisible[static_cast<std::size_t>(k)]) {
      node = k;
      break;
    }
  if (node <= 1)
    return 0;
  const auto k = static_cast<std::size_t>(node);
  FPositions[k] = static_cast<std::uint8_t>(std::clamp(x, 0, 255));
  FVisible[k] = true;
  FColors[k] = color;
  FSelected = node;
  UpDatePalette();
  return node;
}

void TPaletteNodes::Select(int node) {
  if (node >= 1 && node <= kCount && FVisible[Index(node)])
    FSelected = node;
}

void TPaletteNodes::DeleteNode(int node) {
  if (!IsInterior(node))
    return;
  if (node == FSelected)
    FSelected = 1;
  FVisible[Index(node)] = false;
  UpDatePalette();
}

void TPaletteNodes::DragSelected(int m) {
  if (!IsInterior(FSelected))
    return;
  int p = FPositions[Index(FSelected)];
  if (p + m > 0 && p + m < 256)
    p += m;
  // The movement counts once more against the limits, so that a fast drag stops at the edge.
  if (p + m < 1)
    p = 1;
  if (p + m > 254)
    p = 254;
  FPositions[Index(FSelected)] = static_cast<std::uint8_t>(std::clamp(p, 1, 254));
  UpDatePalette();
}

void TPaletteNodes::SetSelectedColor(TRGB color) {
  FColors[Index(FSelected)] = color;
  UpDatePalette();
}

void TPaletteNodes::Invert() {
  for (int node = 1; node <= kCount; ++node) {
    const auto k = static_cast<std::size_t>(node);
    if (IsInterior(node) && !FVisible[k])
      continue;
    TRGB &c = FColors[k];
    c = TRGB{static_cast<std::uint8_t>(255 - c.R), static_cast<std::uint8_t>(255 - c.G),
             static_cast<std::uint8_t>(255 - c.B)};
  }
  UpDatePalette();
}

void TPaletteNodes::Rotate() {
  for (int node = 2; node < kCount; ++node) {
    const auto k = static_cast<std::size_t>(node);
    if (FVisible[k])
      FPositions[k] = static_cast<std::uint8_t>(std::min(256 - FPositions[k], 255));
  }
  std::swap(FColors[1], FColors[kCount]);
  UpDatePalette();
}

void TPaletteNodes::Restore() {
  for (int node = 2; node < kCount; ++node) {
    FVisible[static_cast<std::size_t>(node)] = false;
    FColors[static_cast<std::size_t>(node)] = kBlack;
  }
  FColors[1] = kBlack;
  FColors[kCount] = kWhite;
  FSelected = 1;
  UpDatePalette();
}

std::array<TPaletteRecord, kIrpRecordCount> TPaletteNodes::Records() const {
  std::array<TPaletteRecord, kIrpRecordCount> records;
  for (int node = 1; node <= kCount; ++node) {
    const auto k = static_cast<std::size_t>(node);
    records[k - 1] = TPaletteRecord{FPositions[k], FVisible[k], FColors[k]};
  }
  return records;
}

bool TPaletteNodes::LoadRecords(std::span<const TPaletteRecord> records) {
  const std::size_t n = records.size();
  if (n < 2 || n > static_cast<std::size_t>(kCount))
    return false;
  for (std::size_t i = 0; i < n; ++i) {
    FPositions[i + 1] = records[i].Position;
    FVisible[i + 1] = records[i].Visible;
    FColors[i + 1] = records[i].Color;
  }
  if (n < static_cast<std::size_t>(kCount)) {
    FPositions[kCount] = FPositions[n];
    FColors[kCount] = FColors[n];
    FVisible[kCount] = true;
    FVisible[n] = false;
    // The nodes the file does not define go: a short file's palette is the file's, not a mix with
    // whatever the editor held before.
    for (std::size_t k = n + 1; k < static_cast<std::size_t>(kCount); ++k)
      FVisible[k] = false;
  }
  // End nodes always exist, whatever a file says.
  FVisible[1] = true;
  FVisible[kCount] = true;
  FSelected = 1;
  UpDatePalette();
  return true;
}

void TPaletteNodes::UpDatePalette() {
  std::vector<TPaletteNode> nodes;
  for (int node = 1; node <= kCount; ++node) {
    const auto k = static_cast<std::size_t>(node);
    if (FVisible[k])
      nodes.push_back(TPaletteNode{FPositions[k], FColors[k]});
  }
  FNodeCount = static_cast<int>(nodes.size());
  std::stable_sort(nodes.begin(), nodes.end(),
                   [](const TPaletteNode &a, const TPaletteNode &b) { return a.Position < b.Position; });
  ExpandPaletteNodes(nodes, FPalTable);
}

std::uint8_t ColourEditValue(const QString &text, std::uint8_t onEntry) {
  const std::optional<std::int64_t> value = ParseInteger(text.toStdString());
  if (!value)
    return onEntry;
  return static_cast<std::uint8_t>(std::clamp<std::int64_t>(*value, 0, 255));
}

} // namespace calidarix
