#include "platform/paths.h"

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace calidarix {
namespace fs = std::filesystem;

namespace {

std::string Environment(const char *name) {
  const char *value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// An XDG base folder: the variable when it holds an absolute path, else home + fallback.
fs::path XdgFolder(const char *variable, const char *fallback) {
  const fs::path set = Environment(variable);
  if (!set.empty() && set.is_absolute())
    return set;
  return HomeDir() / fallback;
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

char UpperLetter(char c) {
  if (c >= 'a' && c <= 'z')
    return static_cast<char>(c - 'a' + 'A');
  return c;
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

fs::path HomeDir() {
  const std::string home = Environment("HOME");
  if (!home.empty())
    return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd *found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return "/";
}

fs::path ProgramDir() {
  const std::string set = Environment("CALIDARIX_PROGRAM_DIR");
  if (!set.empty())
    return set;
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  if (error)
    return fs::current_path(error);
  return exe.parent_path();
}

fs::path ConfigDir() {
  return XdgFolder("XDG_CONFIG_HOME", ".config") / "calidarix";
}

fs::path DataDir() {
  return XdgFolder("XDG_DATA_HOME", ".local/share") / "calidarix";
}

std::optional<fs::path> DriveFolder(char letter) {
  if (!IsLetter(letter))
    return std::nullopt;
  const char upper = UpperLetter(letter);
  const std::string variable = std::string("CALIDARIX_DRIVE_") + upper;
  const std::string set = Environment(variable.c_str());
  if (!set.empty())
    return fs::path(set);
  if (upper == 'C')
    return HomeDir();
  return HomeDir() / "calidarix-drives" / std::string(1, upper);
}

std::optional<fs::path> LocalPathFromWindows(std::string_view stored) {
  if (stored.empty() || stored.find('\0') != std::string_view::npos)
    return std::nullopt;
  if (stored.size() >= 2 && IsSeparator(stored[0]) && IsSeparator(stored[1]))
    return std::nullopt; // UNC or device path
  if (stored[0] == '/')
    return fs::path(stored); // a local absolute path stored by this program

  // Where the names are anchored: a drive root, or the current folder for a relative path.
  std::optional<fs::path> root;
  std::string_view rest = stored;
  if (stored.size() >= 2 && stored[1] == ':') {
    root = DriveFolder(stored[0]);
    if (!root)
      return std::nullopt;
    rest.remove_prefix(2);
  } else if (stored[0] == '\\') {
    root = DriveFolder('C');
  }

  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end]))
      ++end;
    const std::string_view name = rest.substr(start, end - start);
    if (name == "..") {
      if (!names.empty() && names.back() != "..")
        names.pop_back();
      else if (!root)
        names.emplace_back(name); // a relative path may climb above its start
    } else if (!name.empty() && name != ".") {
      names.emplace_back(name);
    }
    start = end + 1;
  }

  fs::path result = root.value_or(fs::path());
  for (const std::string &name : names)
    result /= name;
  if (result.empty())
    result = ".";
  return result;
}

std::string LowerExtension(const fs::path &name) {
  return QString::fromStdString(name.extension().string()).toLower().toStdString();
}

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin()))
    return true;
  // Plain ASCII names (nearly all of them) fold letter by letter; only other text needs Unicode folding,
  // under which names of different byte lengths can still be equal.
  const auto ascii = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  };
  if (ascii(a) && ascii(b)) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
  }
  const QString qa = QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()));
  const QString qb = QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
  return qa.compare(qb, Qt::CaseInsensitive) == 0;
}

std::optional<fs::path> FindFileWithExtension(const fs::path &base, std::string_view extension) {
  const std::string wanted = base.filename().string() + std::string(extension);
  fs::path folder = base.parent_path();
  if (folder.empty())
    folder = ".";
  std::error_code error;
  const fs::path exact = folder / wanted;
  if (fs::is_regular_file(exact, error))
    return base.parent_path() / wanted;

  // The folder is read entry by entry without a path made for each: beside a film it may hold
  // thousands of files. A link counts by what it points to.
  std::vector<std::string> matches;
  if (DIR *dir = ::opendir(folder.c_str())) {
    while (const dirent *entry = ::readdir(dir)) {
      const std::string_view name(entry->d_name);
      if (!NamesEqualIgnoringCase(name, wanted))
        continue;
      bool regular = entry->d_type == DT_REG;
      if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
        struct stat status {};
        regular = ::fstatat(::dirfd(dir), entry->d_name, &status, 0) == 0 && S_ISREG(status.st_mode);
      }
      if (regular)
        matches.emplace_back(name);
    }
    ::closedir(dir);
  }
  if (matches.empty())
    return std::nullopt;
  return base.parent_path() / *std::min_element(matches.begin(), matches.end());
}

std::optional<fs::path> FindCompanionFile(const fs::path &file, std::string_view extension) {
  fs::path base = file;
  base.replace_extension();
  return FindFileWithExtension(base, extension);
}

bool SameFile(const fs::path &a, const fs::path &b) {
  std::error_code error;
  const bool same = fs::equivalent(a, b, error);
  return !error && same;
}

} // namespace calidarix
