#include "mainwindow/registry_settings.h"

#include "platform/path_text.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace calidarix {
namespace {

std::optional<double> ReadFiniteFloat(Registry &store, const char *name) {
  const auto value = store.ReadFloat(name);
  if (value && !std::isfinite(*value))
    return std::nullopt; // an infinite or undefined bound would poison every range it reaches
  return value;
}

// Texts are folders and names: their bytes are kept when they are not UTF-8, and a folder that can be
// reached only through a handle of its own gets one (platform/path_text.h).
std::optional<QString> ReadText(Registry &store, const char *name) {
  const auto value = store.ReadString(name);
  if (!value)
    return std::nullopt;
  const QString text = PathTextFromNative(QByteArray::fromStdString(*value));
  return OpenablePathText(text).value_or(text);
}

template <typename T> void Assign(T &target, const std::optional<T> &value) {
  if (value)
    target = *value;
}

// Integers whose target is a byte keep their low 8 bits: 300 arrives as 44.
void AssignByte(std::uint8_t &target, const std::optional<std::int32_t> &value) {
  if (value)
    target = static_cast<std::uint8_t>(*value);
}

// Reads from a key that may be missing as a whole. Each read gives the stored value, else the
// value-missing default when the key is there, else the key-missing default.
class OptionalKeyReader {
public:
  OptionalKeyReader(Registry &store, const char *key) : store_(store), open_(store.OpenKey(key, false)) {}
  ~OptionalKeyReader() {
    if (open_)
      store_.CloseKey();
  }
  OptionalKeyReader(const OptionalKeyReader &) = delete;
  OptionalKeyReader &operator=(const OptionalKeyReader &) = delete;

  bool IsOpen() const { return open_; }
  bool Flag(const char *name, bool valueMissing, bool keyMissing) const {
    return open_ ? store_.ReadBool(name).value_or(valueMissing) : keyMissing;
  }
  std::int32_t Number(const char *name, std::int32_t fallback) const {
    return open_ ? store_.ReadInteger(name).value_or(fallback) : fallback;
  }
  double Float(const char *name, double valueMissing, double keyMissing) const {
    return open_ ? ReadFiniteFloat(store_, name).value_or(valueMissing) : keyMissing;
  }

private:
  Registry &store_;
  bool open_;
};

void RestorePalette(Registry &store, RegistrySettings &s) {
  if (!store.OpenKey(kPaletteKey, false))
    return;
  Assign(s.isIso, store.ReadBool("isIso"));
  Assign(s.isIsoInverted, store.ReadBool("isIsoInverted"));
  Assign(s.isIsoRotated, store.ReadBool("isIsoRotated"));
  Assign(s.isIsoColor, store.ReadBool("isIsoColor"));
  Assign(s.isIsoAuto, store.ReadBool("isIsoAuto"));
  AssignByte(s.IsoNumber, store.ReadInteger("IsoNumber"));
  AssignByte(s.IsoTop, store.ReadInteger("IsoTop"));
  AssignByte(s.IsoBottom, store.ReadInteger("IsoBottom"));
  Assign(s.isPalInverted, store.ReadBool("isPalInverted"));
  Assign(s.isPalRotated, store.ReadBool("isPalRotated"));
  AssignByte(s.PalNumber, store.ReadInteger("PalNumber"));
  AssignByte(s.PalTop, store.ReadInteger("PalTop"));
  AssignByte(s.PalBottom, store.ReadInteger("PalBottom"));
  store.CloseKey();
}

void RestoreSetup(Registry &store, RegistrySettings &s) {
  const OptionalKeyReader key(store, kSetupKey);
  s.isAutoSave = key.Flag("isAutoSave", false, false);
  s.FIsInteger = key.Flag("isInteger", false, false);
  s.FIsFixedRange = key.Flag("isFixedRange", false, false);
  s.FIsBigButtons = key.Flag("isBigButtons", false, false);
  s.FIsMenuVisible = key.Flag("isMenuVisible", false, false);
  s.FIsReadDTI = key.Flag("isReadDTI", false, false);
  s.isSaveByF2 = key.Flag("isSaveByF2", false, false);
  s.FIsFullScreen = key.Flag("isFullScreen", false, false);
  s.FIsShowMinMax = key.Flag("isShowMinMax", true, false);
  s.FIsDoubleMinMax = key.Flag("isDoubleMinMax", true, false);
  s.FIsNightMode = key.Flag("isNightMode", false, false);
  s.FLanguage = key.Number("Language", 0);
  s.FontN = key.Number("FontN", 14);
  s.ArrayType = key.Number("ArrayType", 0);
  // Without the key the window keeps its design layout; with the key a missing value means the
  // side column.
  s.InfoPanelLeft = key.IsOpen() ? std::optional<bool>(key.Flag("InfoPanelLeft", true, true)) : std::nullopt;
  s.BMPLook = key.Number("BMPLook", 1);
}

void RestoreScanning(Registry &store, RegistrySettings &s) {
  const OptionalKeyReader key(store, kScanningKey);
  s.FilmFrames = key.Number("FilmFrames", 9999);
  s.FrameTime = key.Number("FrameTime", 0);
  s.SumCount = key.Number("SumCount", 4);
  s.FixedMin = key.Float("FixedMin", 20.0, 36.0);
  s.FixedMax = key.Float("FixedMax", 36.0, 20.0);
  if (!key.IsOpen())
    return; // the alarm keeps what the program INI file gave it
  s.FLimit = key.Float("Limit", 0.0, 0.0);
  if (s.FLimit != 0.0)
    s.FLimitOn = true; // never cleared here: a zero keeps the INI file's switch
}

void RestoreDirectory(Registry &store, RegistrySettings &s, const QString &driveLetter) {
  if (!store.OpenKey(kDirectoryKey, false))
    return;
  Assign(s.FOpenDirectory, ReadText(store, "OpenDirectory"));
  Assign(s.FSaveDirectory, ReadText(store, "SaveDirectory"));
  const QString driveRoot = driveLetter + QStringLiteral(":\\");
  if (s.FOpenDirectory.isEmpty())
    s.FOpenDirectory = driveRoot;
  if (s.FSaveDirectory.isEmpty())
    s.FSaveDirectory = driveRoot;
  Assign(s.FPalOpenDirectory, ReadText(store, "PalOpenDirectory"));
  Assign(s.FPalSaveDirectory, ReadText(store, "PalSaveDirectory"));
  Assign(s.LastSavedPalName, ReadText(store, "LastSavedPalName"));
  Assign(s.FSaveNameBase, ReadText(store, "SaveNameBase"));
  store.CloseKey();
}

void RestoreQor(Registry &store, RegistrySettings &s) {
  if (!store.OpenKey(kQorKey, false))
    return;
  Assign(s.LastPanoPath, ReadText(store, "LastPanoPath"));
  s.HeadCom = store.ReadInteger("HeadCom");
  store.CloseKey();
}

// Folder part of a file name: everything up to and including the last separator ("/" or "\"), or
// the drive designator of a name like "C:x.pal". A name without either gives an empty folder.
QString FolderPart(const QString &name) {
  const qsizetype slash = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
  if (slash >= 0)
    return name.left(slash + 1);
  if (name.size() >= 2 && name[1] == QLatin1Char(':') && name[0].isLetter())
    return name.left(2);
  return QString();
}

// Writes the values of one key in order; the first failure is logged and ends that key.
class KeyWriter {
public:
  KeyWriter(Registry &store, const char *key, const SettingsLog &log) : store_(store), key_(key), log_(log) {
    ok_ = store_.OpenKey(key_, true);
    if (!ok_)
      Report(QStringLiteral("Registry key %1 could not be opened; its settings were not saved")
                 .arg(QString::fromLatin1(key_)));
  }
  ~KeyWriter() { store_.CloseKey(); }
  KeyWriter(const KeyWriter &) = delete;
  KeyWriter &operator=(const KeyWriter &) = delete;

  void Bool(const char *name, bool value) { Check(name, ok_ && store_.WriteBool(name, value)); }
  void Integer(const char *name, std::int32_t value) { Check(name, ok_ && store_.WriteInteger(name, value)); }
  void Float(const char *name, double value) { Check(name, ok_ && store_.WriteFloat(name, value)); }
  void Text(const char *name, const QString &value) {
    Check(name, ok_ && store_.WriteString(name, NativePathOf(value).toStdString()));
  }
  bool Ok() const { return ok_; }

private:
  void Check(const char *name, bool written) {
    if (written || !ok_)
      return;
    ok_ = false;
    Report(QStringLiteral("Registry value %1\\%2 could not be written; the rest of that key was not saved")
               .arg(QString::fromLatin1(key_), QString::fromLatin1(name)));
  }
  void Report(const QString &text) const {
    if (log_)
      log_(text);
  }

  Registry &store_;
  const char *key_;
  const SettingsLog &log_;
  bool ok_ = false;
};

} // namespace

void RestoreRegistrySettings(Registry &store, RegistrySettings &settings, const QString &driveLetter) {
  RestorePalette(store, settings);
  RestoreSetup(store, settings);
  RestoreScanning(store, settings);
  RestoreDirectory(store, settings, driveLetter);
  RestoreQor(store, settings);
  store.CloseKey();
}

bool WriteRegistrySettings(Registry &store, const RegistrySettings &s, const SettingsLog &log) {
  if (s.FRegistryFailed)
    return false;
  bool all = true;
  {
    KeyWriter w(store, kPaletteKey, log);
    w.Bool("isIso", s.isIso);
    w.Bool("isIsoInverted", s.isIsoInverted);
    w.Bool("isIsoRotated", s.isIsoRotated);
    w.Bool("isIsoColor", s.isIsoColor);
    w.Bool("isIsoAuto", s.isIsoAuto);
    w.Integer("IsoNumber", s.IsoNumber);
    w.Integer("IsoTop", s.IsoTop);
    w.Integer("IsoBottom", s.IsoBottom);
    w.Bool("isPalInverted", s.isPalInverted);
    w.Bool("isPalRotated", s.isPalRotated);
    w.Integer("PalNumber", s.PalNumber);
    w.Integer("PalTop", s.PalTop);
    w.Integer("PalBottom", s.PalBottom);
    all = all && w.Ok();
  }
  {
    KeyWriter w(store, kSetupKey, log);
    w.Bool("isAutoSave", s.isAutoSave);
    w.Bool("isInteger", s.FIsInteger);
    w.Bool("isFixedRange", s.FIsFixedRange);
    w.Bool("isBigButtons", s.FIsBigButtons);
    w.Bool("isMenuVisible", s.FIsMenuVisible);
    w.Bool("isReadDTI", s.FIsReadDTI);
    w.Bool("isSaveByF2", s.isSaveByF2);
    w.Bool("isFullScreen", s.FIsFullScreen);
    w.Bool("isShowMinMax", s.FIsShowMinMax);
    w.Bool("isDoubleMinMax", s.FIsDoubleMinMax);
    w.Bool("isNightMode", s.FIsNightMode);
    w.Integer("Language", s.FLanguage);
    w.Integer("FontN", s.FontN);
    w.Integer("ArrayType", s.ArrayType);
    w.Bool("InfoPanelLeft", s.InfoPanelLeft.value_or(false));
    w.Integer("BMPLook", s.BMPLook);
    all = all && w.Ok();
  }
  {
    KeyWriter w(store, kScanningKey, log);
    w.Integer("FilmFrames", s.FilmFrames);
    w.Integer("FrameTime", s.FrameTime);
    w.Integer("SumCount", s.SumCount);
    w.Float("FixedMin", s.FixedMin);
    w.Float("FixedMax", s.FixedMax);
    w.Float("Limit", s.FLimit);
    all = all && w.Ok();
  }
  {
    KeyWriter w(store, kDirectoryKey, log);
    w.Text("OpenDirectory", s.FOpenDirectory);
    w.Text("SaveDirectory", s.FSaveDirectory);
    w.Text("PalOpenDirectory", FolderPart(s.FPalOpenDirectory));
    w.Text("PalSaveDirectory", FolderPart(s.FPalSaveDirectory));
    w.Text("LastSavedPalName", s.LastSavedPalName);
    w.Text("SaveNameBase", s.FSaveNameBase);
    all = all && w.Ok();
  }
  {
    KeyWriter w(store, kQorKey, log);
    // An empty path keeps the one stored before.
    if (!s.LastPanoPath.isEmpty())
      w.Text("LastPanoPath", s.LastPanoPath);
    all = all && w.Ok();
  }
  return all;
}

FixedRange OrderedFixedRange(const RegistrySettings &settings) {
  return {std::min(settings.FixedMin, settings.FixedMax), std::max(settings.FixedMin, settings.FixedMax)};
}

bool StoreHeadComPort(Registry &store, std::int32_t port) {
  if (!store.OpenKey(kQorKey, true))
    return false;
  bool ok = true;
  if (store.ReadInteger("HeadCom") != port)
    ok = store.WriteInteger("HeadCom", port);
  store.CloseKey();
  return ok;
}

bool RemoveHeadComPort(Registry &store) {
  if (!store.OpenKey(kQorKey, false))
    return false;
  const bool removed = store.ValueExists("HeadCom") && store.DeleteValue("HeadCom");
  store.CloseKey();
  return removed;
}

} // namespace calidarix
