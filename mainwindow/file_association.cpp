#include "mainwindow/file_association.h"

#include "platform/atomic_file.h"
#include "platform/paths.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <fstream>
#include <iterator>
#include <system_error>

namespace calidarix {
namespace fs = std::filesystem;

namespace {

void Report(const SettingsLog &log, const QString &text) {
  if (log)
    log(text);
}

QString ShowPath(const fs::path &path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

bool IsUtf8(const std::string &bytes) {
  const QString text = QString::fromUtf8(bytes);
  return text.toUtf8().toStdString() == bytes;
}

// Text for XML character data and attribute values.
std::string XmlEscaped(const std::string &text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    default:
      out += c;
    }
  }
  return out;
}

std::string MimePackage() {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                     "  <mime-type type=\"") +
         XmlEscaped(kDtvMimeType) +
         "\">\n"
         "    <comment>Calidarix thermogram</comment>\n"
         "    <glob pattern=\"*.dtv\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

std::string DesktopEntry(const std::string &execProgram) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Calidarix\n"
         "Comment=Infrared thermograms\n"
         "Exec=" +
         execProgram +
         " %f\n"
         "Terminal=false\n"
         "NoDisplay=false\n"
         "Categories=Graphics;Viewer;\n"
         "MimeType=" +
         std::string(kDtvMimeType) + ";\n";
}

// Writes `content` unless the file already holds exactly that. Sets `changed` when it wrote.
bool WriteIfChanged(const fs::path &file, const std::string &content, bool &changed, std::string &error) {
  {
    std::ifstream in(file, std::ios::binary);
    if (in) {
      const std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (old == content)
        return true;
    }
  }
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  if (!WriteFileAtomically(file, content, &error))
    return false;
  changed = true;
  return true;
}

bool WriteRegistryAssociation(Registry &store, const fs::path &program, const SettingsLog &log) {
  const std::string quoted = "\"" + program.string() + "\"";
  struct Entry {
    const char *key;
    const char *name;
    std::string data;
  };
  const Entry entries[] = {
      {"\\.dtv", "", "dtvimage"},
      {"\\.dtv", "Content Type", "IMAGE/DTV"},
      {"\\dtvimage\\DefaultIcon", "", quoted + ",0"},
      {"\\dtvimage\\Shell\\Open\\Command", "", RegistryOpenCommand(program)},
  };
  bool ok = true;
  for (const Entry &entry : entries) {
    if (!store.OpenKey(entry.key, true)) {
      Report(log, QStringLiteral("File association: registry key %1 could not be created")
                      .arg(QString::fromLatin1(entry.key)));
      ok = false;
      continue;
    }
    const bool written = store.WriteString(entry.name, entry.data);
    store.CloseKey();
    if (!written) {
      Report(log, QStringLiteral("File association: registry value of %1 could not be written")
                      .arg(QString::fromLatin1(entry.key)));
      return false; // the store refuses writes; the remaining values would fail alike
    }
  }
  return ok;
}

} // namespace

std::string RegistryOpenCommand(const fs::path &program) {
  return "\"" + program.string() + "\" \"%1\"";
}

std::string DesktopExecProgram(const fs::path &program) {
  const std::string path = program.string();
  if (path.empty() || path.find('=') != std::string::npos || !IsUtf8(path))
    return {};
  // Argument quoting: the whole path in double quotes, with " ` $ \ escaped by a backslash.
  std::string quoted = "\"";
  for (const char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\')
      quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  // Field codes: a literal percent sign is doubled.
  std::string fields;
  for (const char c : quoted) {
    fields += c;
    if (c == '%')
      fields += '%';
  }
  // String value escapes, undone first by the reader.
  std::string value;
  for (const char c : fields) {
    switch (c) {
    case '\\':
      value += "\\\\";
      break;
    case '\n':
      value += "\\n";
      break;
    case '\t':
      value += "\\t";
      break;
    case '\r':
      value += "\\r";
      break;
    default:
      value += c;
    }
  }
  return value;
}

FileAssociationResult RegisterDtvFileType(Registry &store, const fs::path &program, const fs::path &dataHome,
                                          const SettingsLog &log) {
  FileAssociationResult result;
  result.RegistryWritten = WriteRegistryAssociation(store, program, log);

  std::string error;
  const fs::path package = dataHome / "mime" / "packages" / "calidarix-dtv.xml";
  result.MimePackageWritten = WriteIfChanged(package, MimePackage(), result.DesktopFilesChanged, error);
  if (!result.MimePackageWritten)
    Report(log, QStringLiteral("File association: %1 could not be written: %2")
                    .arg(ShowPath(package), QString::fromStdString(error)));

  const fs::path entry = dataHome / "applications" / "calidarix.desktop";
  const std::string exec = DesktopExecProgram(program);
  if (exec.empty()) {
    Report(log, QStringLiteral("File association: the program path %1 cannot be named in a desktop entry")
                    .arg(ShowPath(program)));
    return result;
  }
  error.clear();
  result.DesktopEntryWritten = WriteIfChanged(entry, DesktopEntry(exec), result.DesktopFilesChanged, error);
  if (!result.DesktopEntryWritten)
    Report(log, QStringLiteral("File association: %1 could not be written: %2")
                    .arg(ShowPath(entry), QString::fromStdString(error)));
  return result;
}

fs::path XdgDataHome() {
  return DataDir().parent_path();
}

bool RefreshDesktopDatabases(const fs::path &dataHome) {
  bool started = false;
  const auto start = [&](const QString &tool, const fs::path &folder) {
    const QString exe = QStandardPaths::findExecutable(tool);
    if (!exe.isEmpty())
      started = QProcess::startDetached(exe, {ShowPath(folder)}) || started;
  };
  start(QStringLiteral("update-mime-database"), dataHome / "mime");
  start(QStringLiteral("update-desktop-database"), dataHome / "applications");
  return started;
}

} // namespace calidarix
