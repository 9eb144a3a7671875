// Names and parameter file of a panorama folder.

#include "head/panorama_folder.h"

#include "platform/inifile.h"
#include "platform/path_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace calidarix {

namespace {

constexpr std::uint32_t kCounterMask = 0xFFFFFF;

QString SixHex(std::int32_t counter) {
  const std::uint32_t field = (static_cast<std::uint32_t>(counter) + kPanoCounterOffset) & kCounterMask;
  return QStringLiteral("%1").arg(field, 6, 16, QLatin1Char('0')).toUpper();
}

std::optional<std::int32_t> HexField(QStringView text) {
  if (text.size() != 6)
    return std::nullopt;
  std::int32_t value = 0;
  for (const QChar ch : text) {
    const int digit = QStringLiteral("0123456789abcdef").indexOf(ch.toLower());
    if (digit < 0)
      return std::nullopt;
    value = value * 16 + digit;
  }
  return value - kPanoCounterOffset;
}

bool HasSuffixIgnoringCase(const QString &name, QLatin1StringView suffix) {
  return name.endsWith(suffix, Qt::CaseInsensitive);
}

} // namespace

QString PanoFrameName(std::int32_t horCounter, std::int32_t verCounter) {
  return QStringLiteral("PF_") + SixHex(horCounter) + QLatin1Char('_') + SixHex(verCounter) +
         QStringLiteral(".dtv");
}

std::optional<TPanoCounters> ParsePanoFrameName(const QString &fileName) {
  // "PF_" 3 + 6 + "_" 1 + 6 + ".dtv" 4
  if (fileName.size() != 20 || !fileName.startsWith(QLatin1StringView("PF_"), Qt::CaseInsensitive) ||
      fileName[9] != QLatin1Char('_') || !HasSuffixIgnoringCase(fileName, QLatin1StringView(".dtv")))
    return std::nullopt;
  const auto hor = HexField(QStringView(fileName).mid(3, 6));
  const auto ver = HexField(QStringView(fileName).mid(10, 6));
  if (!hor || !ver)
    return std::nullopt;
  return TPanoCounters{*hor, *ver};
}

TPanoFolderListing ListPanoFolder(const QString &folder) {
  TPanoFolderListing listing;
  const QString openable = OpenablePathText(folder).value_or(folder);
  QStringList names = QDir(openable).entryList(QDir::Files | QDir::Hidden | QDir::System);
  std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return a < b; });
  QString base = folder;
  if (!base.endsWith(QLatin1Char('/')))
    base += QLatin1Char('/');
  for (const QString &name : names) {
    if (listing.ParameterFile.isEmpty() && HasSuffixIgnoringCase(name, QLatin1StringView(".ini"))) {
      listing.ParameterFile = base + name;
      continue;
    }
    if (!name.startsWith(QLatin1StringView("PF_"), Qt::CaseInsensitive) ||
        !HasSuffixIgnoringCase(name, QLatin1StringView(".dtv")))
      continue;
    if (ParsePanoFrameName(name))
      listing.FrameFiles.append(base + name);
    else
      listing.Skipped.append(name);
  }
  return listing;
}

IoResult WritePanoParameterFile(const QString &fileName, const TPanoHeadIniValues &v) {
  IniFile ini(std::filesystem::path(NativeFromPathText(fileName).toStdString()));
  const auto text = [](std::int64_t n) { return std::to_string(n); };
  const std::string type = v.HdType == 0 ? std::string() : std::string(1, v.HdType);
  // A version the head never filled holds zero bytes; they do not belong in a text file.
  std::string version = v.HdVersion;
  std::erase(version, '\0');
  const std::pair<const char *, std::string> head[] = {
      {"HdType", type},           {"HdVersion", version}, {"HdSerial", text(v.HdSerial)},
      {"TheDay", text(v.TheDay)}, {"RN", text(v.RN)},     {"RS", text(v.RS)},
  };
  const std::pair<const char *, std::string> params[] = {
      {"RatioHor", text(v.RatioHor)},
      {"RatioHorTurns", text(v.RatioHorTurns)},
      {"RatioVer", text(v.RatioVer)},
      {"RatioVerTurns", text(v.RatioVerTurns)},
      {"HorizonCorrection", text(v.HorizonCorrection)},
      {"FrameTilt", text(v.FrameTilt)},
      {"Nonorthogonality", text(v.Nonorthogonality)},
      {"StripHeel", text(v.StripHeel)},
      {"ScanArcH", text(v.ScanArcH)},
      {"ScanArcV", text(v.ScanArcV)},
      {"ColumnPriority", v.ColumnPriority ? "1" : "0"},
      {"LeftToRight", v.LeftToRight ? "1" : "0"},
      {"TopToBottom", v.TopToBottom ? "1" : "0"},
  };
  for (const auto &[key, value] : head)
    if (!ini.WriteString("HEAD", key, value))
      return IoResult::Error(QStringLiteral("Cannot write \"%1\" into %2").arg(QLatin1String(key), fileName));
  for (const auto &[key, value] : params)
    if (!ini.WriteString("PARAMS", key, value))
      return IoResult::Error(QStringLiteral("Cannot write \"%1\" into %2").arg(QLatin1String(key), fileName));
  return IoResult::Ok();
}

} // namespace calidarix
