#include "mainwindow/image_sidecar.h"

#include "platform/atomic_file.h"
#include "platform/inifile.h"
#include "platform/numbers.h"
#include "platform/paths.h"

#include <QFile>

#include <algorithm>
#include <limits>
#include <map>
#include <system_error>

namespace calidarix {
namespace fs = std::filesystem;

namespace {

fs::path ToPath(const QString &name) {
  return fs::path(QFile::encodeName(name).toStdString());
}

QString FromPath(const fs::path &path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// The sidecar to use for an image: an existing one in any letter case, else the formed name. Empty
// when the image has no name or the sidecar would be the image itself.
std::optional<fs::path> SidecarPath(const QString &imageFile) {
  if (imageFile.isEmpty())
    return std::nullopt;
  const fs::path image = ToPath(imageFile);
  const fs::path formed = ToPath(SidecarFileName(imageFile));
  if (formed == image)
    return std::nullopt;
  std::string base = image.string();
  base.pop_back();
  fs::path found = FindFileWithExtension(fs::path(base), "i").value_or(formed);
  if (SameFile(found, image))
    return std::nullopt;
  return found;
}

std::string UpperAscii(std::string text) {
  for (char &c : text)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// One section's values by key (ASCII letters compared without case; the first key of a name wins).
class Section {
public:
  Section(const IniFile &ini, const char *name) {
    for (auto &[key, value] : ini.ReadSectionValues(name))
      values_.emplace(UpperAscii(key), std::move(value));
  }

  bool Empty() const { return values_.empty(); }

  std::int32_t Int(const std::string &key, std::int32_t fallback) const {
    const auto it = values_.find(UpperAscii(key));
    if (it == values_.end())
      return fallback;
    const auto value = ParseInteger(it->second);
    if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
        *value > std::numeric_limits<std::int32_t>::max())
      return fallback;
    return static_cast<std::int32_t>(*value);
  }
  std::uint8_t Byte(const std::string &key, std::int32_t fallback) const {
    return static_cast<std::uint8_t>(Int(key, fallback)); // low 8 bits kept
  }
  bool Bool(const std::string &key, bool fallback) const { return Int(key, fallback ? 1 : 0) != 0; }

private:
  std::map<std::string, std::string> values_;
};

int PaletteSlot(const Section &section, const char *key, int fallback) {
  const std::int32_t slot = section.Int(key, fallback);
  return slot >= 0 && slot < kSidecarPaletteSlots ? slot : fallback;
}

std::int32_t Count(const Section &section, const char *key) {
  return std::clamp<std::int32_t>(section.Int(key, 0), 0, kMaxSidecarMarkers);
}

void Line(std::string &text, const std::string &key, std::int64_t value) {
  text += key;
  text += '=';
  text += std::to_string(value);
  text += '\n';
}

} // namespace

QString SidecarFileName(const QString &imageFile) {
  if (imageFile.isEmpty())
    return QString();
  QString name = imageFile;
  name[name.size() - 1] = QLatin1Char('i');
  return name;
}

std::string SidecarText(const ImageSidecar &s) {
  std::string text = "[PALETTE]\n";
  Line(text, "PalNumber", s.PalNumber);
  Line(text, "IsoNumber", s.IsoNumber);
  Line(text, "PalBeg", s.PalBottom);
  Line(text, "PalEnd", s.PalTop);
  Line(text, "IsoBeg", s.IsoBottom);
  Line(text, "IsoEnd", s.IsoTop);
  Line(text, "isPalInverted", s.isPalInverted);
  Line(text, "isIsoInverted", s.isIsoInverted);
  Line(text, "isIso", s.isIso);
  Line(text, "isIsoColor", s.isIsoColor);
  Line(text, "isIsoAuto", s.isIsoAuto);
  text += "[POINTS]\n";
  Line(text, "PointsCount", static_cast<std::int64_t>(s.Points.size()));
  for (std::size_t i = 0; i < s.Points.size(); ++i) {
    const std::string p = "P" + std::to_string(i);
    Line(text, p + "X:", s.Points[i].X);
    Line(text, p + "Y:", s.Points[i].Y);
    Line(text, p + "DX:", s.Points[i].DX);
    Line(text, p + "DY:", s.Points[i].DY);
    Line(text, p + "P:", s.Points[i].Direction);
  }
  text += "[ARRAYS]\n";
  Line(text, "ArraysCount", static_cast<std::int64_t>(s.Areas.size()));
  for (std::size_t i = 0; i < s.Areas.size(); ++i) {
    const std::string a = "A" + std::to_string(i);
    Line(text, a + "L:", s.Areas[i].Left);
    Line(text, a + "T:", s.Areas[i].Top);
    Line(text, a + "R:", s.Areas[i].Right);
    Line(text, a + "B:", s.Areas[i].Bottom);
  }
  return text;
}

bool SaveImageSidecar(const QString &imageFile, const ImageSidecar &sidecar, SidecarState &state,
                      const SidecarWarning &warn) {
  if (imageFile.isEmpty() || state.FSidecarSaved)
    return false;
  const auto path = SidecarPath(imageFile);
  if (!path)
    return false;
  // Replacing the whole file drops keys the writer does not produce, a RANGE section among them.
  if (!WriteFileAtomically(*path, SidecarText(sidecar))) {
    const fs::path folder = path->parent_path();
    if (state.WarnedFolders.insert(folder).second && warn)
      warn(QStringLiteral("Unable to write to %1").arg(FromPath(*path)));
    return false;
  }
  state.FSidecarSaved = true;
  return true;
}

bool LoadImageSidecar(const QString &imageFile, int width, int height, ImageSidecar &sidecar,
                      SidecarState &state) {
  const auto path = SidecarPath(imageFile);
  if (!path)
    return false;
  std::error_code error;
  if (!fs::is_regular_file(*path, error))
    return false;
  const std::uintmax_t size = fs::file_size(*path, error);
  if (error || size > kMaxSidecarBytes)
    return false;

  const IniFile ini(*path);
  const Section palette(ini, "PALETTE");
  const Section range(ini, "RANGE");
  const Section points(ini, "POINTS");
  const Section arrays(ini, "ARRAYS");

  ImageSidecar s;
  s.PalNumber = PaletteSlot(palette, "PalNumber", 0);
  s.IsoNumber = PaletteSlot(palette, "IsoNumber", 3);
  s.PalBottom = palette.Byte("PalBeg", 0);
  s.PalTop = palette.Byte("PalEnd", 255);
  s.IsoBottom = palette.Byte("IsoBeg", 0);
  s.IsoTop = palette.Byte("IsoEnd", 255);
  s.isPalInverted = palette.Bool("isPalInverted", false);
  s.isIsoInverted = palette.Bool("isIsoInverted", false);
  s.isIso = palette.Bool("isIso", false);
  s.isIsoColor = palette.Bool("isIsoColor", true);
  s.isIsoAuto = palette.Bool("isIsoAuto", true);

  if (!range.Empty()) {
    const SidecarLockRange lock{range.Int("LockMin", 0), range.Int("LockMax", 0)};
    if (lock.LockMin < lock.LockMax) // an empty or reversed range cannot be shown
      s.Range = lock;
  }

  const int lastColumn = std::max(0, width - 1);
  const int lastRow = std::max(0, height - 1);

  const std::int32_t pointCount = Count(points, "PointsCount");
  s.Points.resize(static_cast<std::size_t>(pointCount));
  for (std::int32_t i = 0; i < pointCount; ++i) {
    const std::string p = "P" + std::to_string(i);
    TPointRecord &point = s.Points[static_cast<std::size_t>(i)];
    point.X = std::clamp(points.Int(p + "X:", 0), 0, lastColumn);
    point.Y = std::clamp(points.Int(p + "Y:", 0), 0, lastRow);
    point.DX = points.Int(p + "DX:", 0);
    point.DY = points.Int(p + "DY:", 0);
    point.Direction = points.Byte(p + "P:", 0);
  }

  const std::int32_t areaCount = Count(arrays, "ArraysCount");
  s.Areas.resize(static_cast<std::size_t>(areaCount));
  for (std::int32_t i = 0; i < areaCount; ++i) {
    const std::string a = "A" + std::to_string(i);
    const std::int32_t l = std::clamp(arrays.Int(a + "L:", 0), 0, lastColumn);
    const std::int32_t t = std::clamp(arrays.Int(a + "T:", 0), 0, lastRow);
    const std::int32_t r = std::clamp(arrays.Int(a + "R:", 0), 0, lastColumn);
    const std::int32_t b = std::clamp(arrays.Int(a + "B:", 0), 0, lastRow);
    s.Areas[static_cast<std::size_t>(i)].SetRect(NormalizeRect({l, t, r, b}));
  }

  sidecar = std::move(s);
  state.FSidecarSaved = true;
  return true;
}

} // namespace calidarix
