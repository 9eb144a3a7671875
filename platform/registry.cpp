#include "platform/registry.h"

#include "platform/atomic_file.h"
#include "platform/paths.h"

#include <QtGlobal>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace calidarix {
namespace fs = std::filesystem;

namespace registry_detail {

struct Value {
  std::string name;
  RegDataType type = RegDataType::String;
  std::uint32_t dword = 0;
  std::string bytes; // the text of REG_SZ, the data of REG_BINARY
};

struct Key {
  std::string name;
  std::vector<Value> values;
  std::vector<Key> subkeys;
};

// What identifies one version of the file on disk: every write makes a new inode.
struct FileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t mtimeSeconds = 0;
  long mtimeNanoseconds = 0;
  bool operator==(const FileIdentity &) const = default;
};

struct Snapshot {
  Key root;
  FileIdentity identity;
  bool damaged = false; // the file exists but could not be read or parsed
};

} // namespace registry_detail

using registry_detail::FileIdentity;
using registry_detail::Key;
using registry_detail::Snapshot;
using registry_detail::Value;

namespace {

constexpr std::string_view kHeader = "Calidarix registry 1";
constexpr std::string_view kEnd = "End of registry";
// Keys nest at most this deep, as on Windows; it also bounds the recursion of the writer.
constexpr std::size_t kMaxDepth = 512;

// ---- problem reports ------------------------------------------------------------------------

std::mutex problemMutex;
RegistryProblemHandler problemHandler;
std::set<std::string> reportedDamage; // file + identity already reported

void Report(const std::string &message) {
  RegistryProblemHandler handler;
  {
    std::lock_guard lock(problemMutex);
    handler = problemHandler;
  }
  if (handler)
    handler(message);
  else
    qWarning("%s", message.c_str());
}

void ReportDamageOnce(const fs::path &file, const FileIdentity &id, const std::string &message) {
  const std::string token = file.string() + '\n' + std::to_string(id.device) + ':' +
                            std::to_string(id.inode) + ':' + std::to_string(id.size) + ':' +
                            std::to_string(id.mtimeSeconds) + '.' + std::to_string(id.mtimeNanoseconds);
  {
    std::lock_guard lock(problemMutex);
    if (!reportedDamage.insert(token).second)
      return;
  }
  Report(message);
}

FileIdentity IdentityOf(const struct stat &st) {
  FileIdentity id;
  id.exists = true;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = st.st_size;
  id.mtimeSeconds = st.st_mtim.tv_sec;
  id.mtimeNanoseconds = st.st_mtim.tv_nsec;
  return id;
}

// ---- names ----------------------------------------------------------------------------------

bool ValidKeyName(std::string_view name) {
  if (name.empty())
    return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F || c == '\\')
      return false;
  return true;
}

const Key *FindChild(const Key &key, std::string_view name) {
  for (const Key &child : key.subkeys)
    if (NamesEqualIgnoringCase(child.name, name))
      return &child;
  return nullptr;
}

Key *FindChild(Key &key, std::string_view name) {
  return const_cast<Key *>(FindChild(std::as_const(key), name));
}

// The key at `names` below `root`, or nullptr.
const Key *FindKey(const Key &root, const std::vector<std::string> &names) {
  const Key *key = &root;
  for (const std::string &name : names) {
    key = FindChild(*key, name);
    if (!key)
      return nullptr;
  }
  return key;
}

Key *FindKey(Key &root, const std::vector<std::string> &names) {
  return const_cast<Key *>(FindKey(std::as_const(root), names));
}

// The path of an existing key in its stored spelling.
std::optional<std::vector<std::string>> StoredPath(const Key &root, const std::vector<std::string> &names) {
  std::vector<std::string> stored;
  const Key *key = &root;
  for (const std::string &name : names) {
    key = FindChild(*key, name);
    if (!key)
      return std::nullopt;
    stored.push_back(key->name);
  }
  return stored;
}

// Creates what is missing of `names`; returns the path in stored spelling.
std::vector<std::string> EnsureKey(Key &root, const std::vector<std::string> &names, Key **found = nullptr) {
  std::vector<std::string> stored;
  Key *key = &root;
  for (const std::string &name : names) {
    Key *child = FindChild(*key, name);
    if (!child) {
      key->subkeys.push_back(Key{name, {}, {}});
      child = &key->subkeys.back();
    }
    stored.push_back(child->name);
    key = child;
  }
  if (found)
    *found = key;
  return stored;
}

const Value *FindValueIn(const Key &key, std::string_view name) {
  for (const Value &value : key.values)
    if (NamesEqualIgnoringCase(value.name, name))
      return &value;
  return nullptr;
}

Value *FindValueIn(Key &key, std::string_view name) {
  return const_cast<Value *>(FindValueIn(std::as_const(key), name));
}

void SetValue(Key &key, Value value) {
  if (Value *old = FindValueIn(key, value.name)) {
    value.name = old->name; // the first spelling stays
    *old = std::move(value);
  } else {
    key.values.push_back(std::move(value));
  }
}

// ---- text format ----------------------------------------------------------------------------

const char kHexDigits[] = "0123456789ABCDEF";

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
    case '\\':
      out += "\\\\";
      break;
    case '"':
      out += "\\\"";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    case '\t':
      out += "\\t";
      break;
    default:
      if (c < 0x20 || c == 0x7F) {
        out += "\\x";
        out += kHexDigits[c >> 4];
        out += kHexDigits[c & 15];
      } else {
        out += static_cast<char>(c);
      }
    }
  }
  out += '"';
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Reads a quoted text at the start of `s` and removes it from `s`.
std::optional<std::string> Unquote(std::string_view &s) {
  if (s.empty() || s.front() != '"')
    return std::nullopt;
  std::string out;
  std::size_t i = 1;
  while (i < s.size()) {
    const char c = s[i++];
    if (c == '"') {
      s.remove_prefix(i);
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i >= s.size())
      return std::nullopt;
    const char e = s[i++];
    switch (e) {
    case '\\':
    case '"':
      out += e;
      break;
    case 'n':
      out += '\n';
      break;
    case 'r':
      out += '\r';
      break;
    case 't':
      out += '\t';
      break;
    case 'x': {
      if (i + 2 > s.size())
        return std::nullopt;
      const int high = HexDigit(s[i]);
      const int low = HexDigit(s[i + 1]);
      if (high < 0 || low < 0)
        return std::nullopt;
      out += static_cast<char>(high * 16 + low);
      i += 2;
      break;
    }
    default:
      return std::nullopt;
    }
  }
  return std::nullopt; // no closing quote
}

std::string ValueLine(const Value &value) {
  std::string line = value.name.empty() ? std::string("@") : Quote(value.name);
  line += '=';
  switch (value.type) {
  case RegDataType::String:
    line += Quote(value.bytes);
    break;
  case RegDataType::DWord:
    line += "dword:";
    for (int shift = 28; shift >= 0; shift -= 4)
      line += kHexDigits[(value.dword >> shift) & 15];
    break;
  case RegDataType::Binary:
    line += "hex:";
    for (std::size_t i = 0; i < value.bytes.size(); ++i) {
      const auto byte = static_cast<unsigned char>(value.bytes[i]);
      if (i > 0)
        line += ',';
      line += kHexDigits[byte >> 4];
      line += kHexDigits[byte & 15];
    }
    break;
  }
  return line;
}

void WriteKey(std::string &out, const Key &key, const std::string &path) {
  out += '[' + (path.empty() ? std::string("\\") : path) + "]\n";
  for (const Value &value : key.values)
    out += ValueLine(value) + '\n';
  for (const Key &child : key.subkeys)
    WriteKey(out, child, path + '\\' + child.name);
}

std::string Serialize(const Key &root) {
  std::string out(kHeader);
  out += '\n';
  if (!root.values.empty()) {
    out += "[\\]\n";
    for (const Value &value : root.values)
      out += ValueLine(value) + '\n';
  }
  for (const Key &child : root.subkeys)
    WriteKey(out, child, '\\' + child.name);
  out += kEnd;
  out += '\n';
  return out;
}

std::optional<Value> ParseValueLine(std::string_view line) {
  Value value;
  if (line.front() == '@') {
    line.remove_prefix(1);
  } else {
    auto name = Unquote(line);
    if (!name)
      return std::nullopt;
    value.name = std::move(*name);
  }
  if (line.empty() || line.front() != '=')
    return std::nullopt;
  line.remove_prefix(1);

  if (!line.empty() && line.front() == '"') {
    auto text = Unquote(line);
    if (!text || !line.empty())
      return std::nullopt;
    value.type = RegDataType::String;
    value.bytes = std::move(*text);
    return value;
  }
  if (line.substr(0, 6) == "dword:") {
    line.remove_prefix(6);
    if (line.size() != 8)
      return std::nullopt;
    for (char c : line) {
      const int digit = HexDigit(c);
      if (digit < 0)
        return std::nullopt;
      value.dword = (value.dword << 4) | static_cast<std::uint32_t>(digit);
    }
    value.type = RegDataType::DWord;
    return value;
  }
  if (line.substr(0, 4) == "hex:") {
    line.remove_prefix(4);
    value.type = RegDataType::Binary;
    while (!line.empty()) {
      if (line.size() < 2 || HexDigit(line[0]) < 0 || HexDigit(line[1]) < 0)
        return std::nullopt;
      value.bytes += static_cast<char>(HexDigit(line[0]) * 16 + HexDigit(line[1]));
      line.remove_prefix(2);
      if (!line.empty()) {
        if (line.front() != ',' || line.size() == 1)
          return std::nullopt;
        line.remove_prefix(1);
      }
    }
    return value;
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> ParseKeyPath(std::string_view path) {
  if (path.empty() || path.front() != '\\')
    return std::nullopt;
  std::vector<std::string> names;
  if (path == "\\")
    return names;
  path.remove_prefix(1);
  while (true) {
    const std::size_t slash = path.find('\\');
    const std::string_view name = path.substr(0, slash);
    if (!ValidKeyName(name))
      return std::nullopt;
    names.emplace_back(name);
    if (names.size() > kMaxDepth)
      return std::nullopt;
    if (slash == std::string_view::npos)
      return names;
    path.remove_prefix(slash + 1);
  }
}

// The tree of a registry file. A line that cannot be read is left out and described in `problems`
// (a value below a key line that could not be read is left out with it); every well-formed key and
// value is kept, so one damaged line costs only what it held.
Key Parse(std::string_view content, std::vector<std::string> &problems) {
  Key root;
  Key *current = nullptr;
  bool ended = false;
  bool keyLost = false; // the last key line could not be read: its values have no key
  std::size_t number = 0;
  while (!content.empty()) {
    // A cut inside the last line leaves an unknown line, so a missing final line end is no damage.
    const std::size_t end = content.find('\n');
    std::string_view line = content.substr(0, end);
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    const std::string where = "line " + std::to_string(number) + ": ";
    if (number == 1) {
      if (line == kHeader)
        continue;
      problems.push_back("no header line");
    }
    if (line.empty() || line.front() == ';')
      continue;
    if (ended) {
      problems.push_back(where + "text after the end line");
      ended = false; // what follows is read as well
    }
    if (line == kEnd) {
      ended = true;
    } else if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      const auto names = ParseKeyPath(line.substr(1, line.size() - 2));
      keyLost = !names;
      current = nullptr;
      if (!names)
        problems.push_back(where + "bad key path");
      else
        EnsureKey(root, *names, &current);
    } else if (line.front() == '"' || line.front() == '@') {
      auto value = ParseValueLine(line);
      if (!value)
        problems.push_back(where + "bad value");
      else if (!current)
        problems.push_back(where +
                           (keyLost ? "value of a key that could not be read" : "value outside a key"));
      else
        SetValue(*current, std::move(*value));
    } else {
      problems.push_back(where + "unknown line");
    }
  }
  if (number == 0)
    problems.push_back("the file is empty");
  else if (!ended)
    problems.push_back("the file is cut short (no end line)");
  return root;
}

// The first problems of a file, for one message.
std::string DescribeProblems(const std::vector<std::string> &problems) {
  constexpr std::size_t kShown = 3;
  std::string text;
  for (std::size_t i = 0; i < problems.size() && i < kShown; ++i)
    text += (i > 0 ? "; " : "") + problems[i];
  if (problems.size() > kShown)
    text += "; " + std::to_string(problems.size() - kShown) + " more";
  return text;
}

// ---- file access ----------------------------------------------------------------------------

// Holds an exclusive flock on "<file>.lock" while it lives.
class WriteLock {
public:
  explicit WriteLock(const fs::path &file) {
    fs::path lockFile = file;
    lockFile += ".lock";
    fd_ = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      error_ = "cannot open " + lockFile.string() + ": " + std::strerror(errno);
      return;
    }
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        error_ = "cannot lock " + lockFile.string() + ": " + std::strerror(errno);
        close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~WriteLock() {
    if (fd_ >= 0)
      close(fd_); // closing releases the lock
  }
  WriteLock(const WriteLock &) = delete;
  WriteLock &operator=(const WriteLock &) = delete;

  bool Held() const { return fd_ >= 0; }
  const std::string &Error() const { return error_; }

private:
  int fd_ = -1;
  std::string error_;
};

// Reads the whole file behind `fd`; false on a read error.
bool ReadAll(int fd, std::string &content) {
  char buffer[65536];
  while (true) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got == 0)
      return true;
    if (got < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    content.append(buffer, static_cast<std::size_t>(got));
  }
}

// Renames a damaged file to "<file>.corrupt-<n>" so that the next write does not destroy it.
void MoveAside(const fs::path &file) {
  for (int n = 1; n < 100000; ++n) {
    fs::path aside = file;
    aside += ".corrupt-" + std::to_string(n);
    std::error_code error;
    if (fs::exists(fs::symlink_status(aside, error)))
      continue;
    if (rename(file.c_str(), aside.c_str()) == 0)
      Report("The damaged registry file " + file.string() + " is kept as " + aside.string() +
             "; a new one holds the settings that could be read");
    else
      Report("Cannot move the damaged registry file " + file.string() + " aside: " + std::strerror(errno));
    return;
  }
}

} // namespace

// ---- public ---------------------------------------------------------------------------------

fs::path RegistryFilePath() {
  const char *set = std::getenv("CALIDARIX_REGISTRY");
  if (set && *set)
    return set;
  return ConfigDir() / "registry.txt";
}

void SetRegistryProblemHandler(RegistryProblemHandler handler) {
  std::lock_guard lock(problemMutex);
  problemHandler = std::move(handler);
}

Registry::Registry(fs::path file) : file_(std::move(file)) {}

Registry::~Registry() = default;

const Key &Registry::Load() {
  const int fd = open(file_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int code = errno;
    if (code == ENOENT || code == ENOTDIR) {
      cache_ = std::make_unique<Snapshot>();
      return cache_->root;
    }
    auto snapshot = std::make_unique<Snapshot>();
    snapshot->damaged = true;
    struct stat st {};
    if (stat(file_.c_str(), &st) == 0)
      snapshot->identity = IdentityOf(st);
    ReportDamageOnce(file_, snapshot->identity,
                     "Cannot read the registry file " + file_.string() + ": " + std::strerror(code) +
                         "; its settings are not used");
    cache_ = std::move(snapshot);
    return cache_->root;
  }
  struct stat st {};
  if (fstat(fd, &st) == 0 && cache_ && cache_->identity == IdentityOf(st)) {
    close(fd);
    return cache_->root;
  }
  auto snapshot = std::make_unique<Snapshot>();
  snapshot->identity = IdentityOf(st);
  std::string content;
  const bool read = ReadAll(fd, content);
  const int readError = errno;
  close(fd);
  std::vector<std::string> problems;
  if (read)
    snapshot->root = Parse(content, problems);
  else
    problems.push_back(std::string("read error: ") + std::strerror(readError));
  if (!problems.empty()) {
    snapshot->damaged = true;
    ReportDamageOnce(file_, snapshot->identity,
                     "The registry file " + file_.string() + " is damaged (" + DescribeProblems(problems) +
                         "); " + (read ? "what could not be read is left out" : "its settings are not used"));
  }
  cache_ = std::move(snapshot);
  return cache_->root;
}

bool Registry::Modify(const std::function<bool(Key &root)> &change) {
  std::error_code error;
  if (file_.has_parent_path())
    fs::create_directories(file_.parent_path(), error);
  WriteLock lock(file_);
  if (!lock.Held()) {
    Report("Registry not written: " + lock.Error());
    return false;
  }
  // The file as it is now, with the other writers' changes; of a damaged file, what could be read.
  Key root = Load();
  const bool whole = cache_->identity.exists && !cache_->damaged;
  if (cache_->damaged && cache_->identity.exists)
    MoveAside(file_); // the damaged file itself stays for the user to look at
  const std::string before = whole ? Serialize(root) : std::string();
  if (!change(root))
    return false;
  std::string text = Serialize(root);
  // A change that leaves the file as it is (start-up writes the same association values every time)
  // costs no rewrite and no flush to disk.
  if (whole && text == before)
    return true;
  std::string problem;
  if (!WriteFileAtomically(file_, text, &problem)) {
    Report("Registry not written: " + problem);
    return false;
  }
  auto snapshot = std::make_unique<Snapshot>();
  struct stat st {};
  if (stat(file_.c_str(), &st) == 0)
    snapshot->identity = IdentityOf(st);
  snapshot->root = std::move(root);
  cache_ = std::move(snapshot);
  return true;
}

std::optional<std::vector<std::string>> Registry::ResolvePath(std::string_view path) const {
  std::vector<std::string> names;
  if (path.empty() || path.front() != '\\')
    names = current_;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos)
      end = path.size();
    const std::string_view name = path.substr(start, end - start);
    if (!name.empty()) {
      if (!ValidKeyName(name))
        return std::nullopt;
      names.emplace_back(name);
    }
    start = end + 1;
  }
  if (names.size() > kMaxDepth)
    return std::nullopt;
  return names;
}

bool Registry::OpenKey(std::string_view path, bool canCreate) {
  const auto names = ResolvePath(path);
  if (!names)
    return false;
  if (auto stored = StoredPath(Load(), *names)) {
    current_ = std::move(*stored);
    return true;
  }
  if (!canCreate)
    return false;
  std::vector<std::string> stored;
  if (!Modify([&](Key &tree) {
        stored = EnsureKey(tree, *names);
        return true;
      }))
    return false;
  current_ = std::move(stored);
  return true;
}

void Registry::CloseKey() {
  current_.clear();
}

bool Registry::KeyExists(std::string_view path) {
  const auto names = ResolvePath(path);
  return names && FindKey(Load(), *names) != nullptr;
}

std::string Registry::CurrentPath() const {
  if (current_.empty())
    return "\\";
  std::string path;
  for (const std::string &name : current_)
    path += '\\' + name;
  return path;
}

const Value *Registry::FindValue(std::string_view name) {
  const Key *key = FindKey(Load(), current_);
  return key ? FindValueIn(*key, name) : nullptr;
}

bool Registry::ValueExists(std::string_view name) {
  return FindValue(name) != nullptr;
}

std::optional<RegDataType> Registry::GetDataType(std::string_view name) {
  const Value *value = FindValue(name);
  return value ? std::optional<RegDataType>(value->type) : std::nullopt;
}

std::optional<std::int32_t> Registry::ReadInteger(std::string_view name) {
  const Value *value = FindValue(name);
  if (!value || value->type != RegDataType::DWord)
    return std::nullopt;
  return static_cast<std::int32_t>(value->dword);
}

std::optional<bool> Registry::ReadBool(std::string_view name) {
  const auto number = ReadInteger(name);
  return number ? std::optional<bool>(*number != 0) : std::nullopt;
}

std::optional<std::string> Registry::ReadString(std::string_view name) {
  const Value *value = FindValue(name);
  if (!value || value->type != RegDataType::String)
    return std::nullopt;
  return value->bytes;
}

std::optional<double> Registry::ReadFloat(std::string_view name) {
  const Value *value = FindValue(name);
  if (!value || value->type != RegDataType::Binary || value->bytes.size() != 8)
    return std::nullopt;
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i)
    bits = (bits << 8) | static_cast<unsigned char>(value->bytes[static_cast<std::size_t>(i)]);
  return std::bit_cast<double>(bits);
}

std::optional<std::vector<std::uint8_t>> Registry::ReadBinaryData(std::string_view name) {
  const Value *value = FindValue(name);
  if (!value || value->type != RegDataType::Binary)
    return std::nullopt;
  return std::vector<std::uint8_t>(value->bytes.begin(), value->bytes.end());
}

bool Registry::WriteValue(std::string_view name, Value value) {
  value.name = std::string(name);
  return Modify([&](Key &root) {
    Key *key = FindKey(root, current_);
    if (!key)
      return false;
    SetValue(*key, value);
    return true;
  });
}

bool Registry::WriteInteger(std::string_view name, std::int32_t number) {
  Value value;
  value.type = RegDataType::DWord;
  value.dword = static_cast<std::uint32_t>(number);
  return WriteValue(name, std::move(value));
}

bool Registry::WriteBool(std::string_view name, bool flag) {
  return WriteInteger(name, flag ? 1 : 0);
}

bool Registry::WriteString(std::string_view name, std::string_view text) {
  Value value;
  value.type = RegDataType::String;
  value.bytes = std::string(text);
  return WriteValue(name, std::move(value));
}

bool Registry::WriteFloat(std::string_view name, double number) {
  Value value;
  value.type = RegDataType::Binary;
  std::uint64_t bits = std::bit_cast<std::uint64_t>(number);
  for (int i = 0; i < 8; ++i, bits >>= 8)
    value.bytes += static_cast<char>(bits & 0xFF);
  return WriteValue(name, std::move(value));
}

bool Registry::WriteBinaryData(std::string_view name, const std::vector<std::uint8_t> &data) {
  Value value;
  value.type = RegDataType::Binary;
  value.bytes.assign(data.begin(), data.end());
  return WriteValue(name, std::move(value));
}

bool Registry::DeleteValue(std::string_view name) {
  return Modify([&](Key &root) {
    Key *key = FindKey(root, current_);
    if (!key)
      return false;
    for (auto it = key->values.begin(); it != key->values.end(); ++it)
      if (NamesEqualIgnoringCase(it->name, name)) {
        key->values.erase(it);
        return true;
      }
    return false;
  });
}

bool Registry::DeleteKey(std::string_view path) {
  auto names = ResolvePath(path);
  if (!names || names->empty())
    return false;
  const std::string last = names->back();
  names->pop_back();
  return Modify([&](Key &root) {
    Key *parent = FindKey(root, *names);
    if (!parent)
      return false;
    for (auto it = parent->subkeys.begin(); it != parent->subkeys.end(); ++it)
      if (NamesEqualIgnoringCase(it->name, last)) {
        parent->subkeys.erase(it);
        return true;
      }
    return false;
  });
}

std::vector<std::string> Registry::GetKeyNames() {
  std::vector<std::string> names;
  if (const Key *key = FindKey(Load(), current_))
    for (const Key &child : key->subkeys)
      names.push_back(child.name);
  return names;
}

std::vector<std::string> Registry::GetValueNames() {
  std::vector<std::string> names;
  if (const Key *key = FindKey(Load(), current_))
    for (const Value &value : key->values)
      names.push_back(value.name);
  return names;
}

} // namespace calidarix
