#include "platform/inifile.h"

#include "platform/atomic_file.h"
#include "platform/numbers.h"
#include "platform/paths.h"

#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <system_error>

namespace calidarix {
namespace fs = std::filesystem;

namespace inifile_detail {

// The file as lines, each remembering its own line end, so untouched lines are written back as read.
struct Line {
  std::string text;
  bool crlf = false;
};

struct IniText {
  std::vector<Line> lines;
  bool bom = false;
  bool finalLineEnd = true; // whether the last line ends with a line end
  bool crlfStyle = false;   // the line end that new lines get: that of the file's first line
};

} // namespace inifile_detail

struct IniFile::Batch {
  inifile_detail::IniText text;
  bool changed = false;
};

namespace {

using inifile_detail::IniText;
using inifile_detail::Line;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && blank(s.back()))
    s.remove_suffix(1);
  return s;
}

// nullopt when the file exists but cannot be read; a missing file is an empty text.
std::optional<IniText> Load(const fs::path &file) {
  IniText text;
  std::error_code error;
  if (!fs::exists(file, error))
    return error ? std::nullopt : std::optional<IniText>(text);
  std::ifstream in(file, std::ios::binary);
  if (!in)
    return std::nullopt;
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad())
    return std::nullopt;

  std::string_view rest = content;
  if (rest.substr(0, kBom.size()) == kBom) {
    text.bom = true;
    rest.remove_prefix(kBom.size());
  }
  bool first = true;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view piece = rest.substr(0, end);
    Line line;
    if (end != std::string_view::npos && !piece.empty() && piece.back() == '\r') {
      line.crlf = true;
      piece.remove_suffix(1);
    }
    line.text = std::string(piece);
    if (first && end != std::string_view::npos)
      text.crlfStyle = line.crlf;
    first = false;
    text.lines.push_back(std::move(line));
    if (end == std::string_view::npos) {
      text.finalLineEnd = false;
      break;
    }
    rest.remove_prefix(end + 1);
  }
  return text;
}

std::string Serialize(const IniText &text) {
  std::string out;
  if (text.bom)
    out += kBom;
  for (std::size_t i = 0; i < text.lines.size(); ++i) {
    out += text.lines[i].text;
    if (i + 1 < text.lines.size() || text.finalLineEnd)
      out += text.lines[i].crlf ? "\r\n" : "\n";
  }
  return out;
}

std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[')
    return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos)
    return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[')
    return std::nullopt;
  const std::size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos)
    return std::nullopt;
  const std::string_view key = Trim(trimmed.substr(0, equals));
  if (key.empty())
    return std::nullopt;
  return KeyLine{key, Trim(trimmed.substr(equals + 1))};
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// Lines [header, end) of the first section of that name.
struct SectionRange {
  std::size_t header;
  std::size_t end;
};

std::optional<SectionRange> FindSection(const IniText &text, std::string_view section, std::size_t from = 0) {
  for (std::size_t i = from; i < text.lines.size(); ++i) {
    const auto name = SectionName(text.lines[i].text);
    if (!name || !NamesEqualIgnoringCase(*name, Trim(section)))
      continue;
    std::size_t end = i + 1;
    while (end < text.lines.size() && !SectionName(text.lines[end].text))
      ++end;
    return SectionRange{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const IniText &text, const SectionRange &range, std::string_view key) {
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    const auto parsed = ParseKeyLine(text.lines[i].text);
    if (parsed && NamesEqualIgnoringCase(parsed->key, Trim(key)))
      return i;
  }
  return std::nullopt;
}

std::optional<std::string> Lookup(const IniText *text, std::string_view section, std::string_view key) {
  if (!text)
    return std::nullopt;
  const auto range = FindSection(*text, section);
  if (!range)
    return std::nullopt;
  const auto index = FindKey(*text, *range, key);
  if (!index)
    return std::nullopt;
  return std::string(Unquote(ParseKeyLine(text->lines[*index].text)->value));
}

bool HasLineBreak(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

bool ValidSection(std::string_view section) {
  section = Trim(section);
  return !section.empty() && !HasLineBreak(section) && section.find(']') == std::string_view::npos;
}

bool ValidKey(std::string_view key) {
  key = Trim(key);
  return !key.empty() && !HasLineBreak(key) && key.find('=') == std::string_view::npos &&
         key.front() != ';' && key.front() != '[';
}

bool Store(const fs::path &file, const IniText &text) {
  std::error_code error;
  if (file.has_parent_path())
    fs::create_directories(file.parent_path(), error);
  return WriteFileAtomically(file, Serialize(text));
}

Line NewLine(const IniText &text, std::string content) {
  return Line{std::move(content), text.crlfStyle};
}

// Inserts a line at `at`; a line that becomes the last one of the file gets a line end.
void InsertLine(IniText &text, std::size_t at, Line line) {
  if (at == text.lines.size() && !text.lines.empty() && !text.finalLineEnd) {
    text.lines.back().crlf = text.crlfStyle;
    text.finalLineEnd = true;
  }
  if (text.lines.empty())
    text.finalLineEnd = true;
  text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

} // namespace

IniFile::IniFile(fs::path file) : file_(std::move(file)) {}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
  std::optional<IniText> loaded;
  auto value = Lookup(Text(loaded), section, key);
  return value ? std::move(*value) : std::string(defaultValue);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue) const {
  std::optional<IniText> loaded;
  const auto value = Lookup(Text(loaded), section, key);
  if (!value)
    return defaultValue;
  const auto parsed = ParseInteger(*value);
  if (!parsed)
    return defaultValue;
  if (*parsed >= std::numeric_limits<std::int32_t>::min() &&
      *parsed <= std::numeric_limits<std::int32_t>::max())
    return static_cast<std::int32_t>(*parsed);
  // Hexadecimal text names a bit pattern: "$FFFFFFFF" is -1, as the Windows runtime reads it.
  const std::string_view digits = Trim(*value);
  const bool hex = digits.starts_with('$') || digits.starts_with("0x") || digits.starts_with("0X");
  if (hex && *parsed > 0 && *parsed <= 0xFFFFFFFFLL)
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*parsed));
  return defaultValue;
}

double IniFile::ReadFloat(std::string_view section, std::string_view key, double defaultValue) const {
  std::optional<IniText> loaded;
  const auto value = Lookup(Text(loaded), section, key);
  if (!value)
    return defaultValue;
  return ParseFloat(*value, '.').value_or(defaultValue);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::SectionExists(std::string_view section) const {
  return !ReadSection(section).empty();
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  std::optional<IniText> loaded;
  return Lookup(Text(loaded), section, key).has_value();
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  for (auto &entry : ReadSectionValues(section))
    keys.push_back(std::move(entry.first));
  return keys;
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSectionValues(std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> entries;
  std::optional<IniText> loaded;
  const IniText *text = Text(loaded);
  if (!text)
    return entries;
  const auto range = FindSection(*text, section);
  if (!range)
    return entries;
  for (std::size_t i = range->header + 1; i < range->end; ++i)
    if (const auto parsed = ParseKeyLine(text->lines[i].text))
      entries.emplace_back(std::string(parsed->key), std::string(Unquote(parsed->value)));
  return entries;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!ValidSection(section) || !ValidKey(key) || HasLineBreak(value))
    return false;
  return Modify([&](IniText &text) {
    const auto range = FindSection(text, section);
    if (!range) {
      InsertLine(text, text.lines.size(), NewLine(text, "[" + std::string(Trim(section)) + "]"));
      InsertLine(text, text.lines.size(), NewLine(text, std::string(Trim(key)) + "=" + std::string(value)));
      return true;
    }
    if (const auto index = FindKey(text, *range, key)) {
      // Keep the stored spelling of the key, replace the value.
      const std::string stored(ParseKeyLine(text.lines[*index].text)->key);
      text.lines[*index].text = stored + "=" + std::string(value);
      return true;
    }
    std::size_t at = range->end;
    while (at > range->header + 1 && Trim(text.lines[at - 1].text).empty())
      --at;
    InsertLine(text, at, NewLine(text, std::string(Trim(key)) + "=" + std::string(value)));
    return true;
  });
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
  return WriteString(section, key, FloatToText(value, '.'));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
  return Modify([&](IniText &text) {
    const auto range = FindSection(text, section);
    if (!range)
      return false;
    bool changed = false;
    for (std::size_t i = range->end; i-- > range->header + 1;) {
      const auto parsed = ParseKeyLine(text.lines[i].text);
      if (parsed && NamesEqualIgnoringCase(parsed->key, Trim(key))) {
        text.lines.erase(text.lines.begin() + static_cast<std::ptrdiff_t>(i));
        changed = true;
      }
    }
    return changed;
  });
}

bool IniFile::EraseSection(std::string_view section) {
  return Modify([&](IniText &text) {
    bool changed = false;
    while (const auto range = FindSection(text, section)) {
      text.lines.erase(text.lines.begin() + static_cast<std::ptrdiff_t>(range->header),
                       text.lines.begin() + static_cast<std::ptrdiff_t>(range->end));
      changed = true;
    }
    return changed;
  });
}

IniFile::~IniFile() = default;

IniFile::IniFile(const IniFile &other) : file_(other.file_) {}

IniFile &IniFile::operator=(const IniFile &other) {
  if (this != &other) {
    file_ = other.file_;
    batch_.reset();
  }
  return *this;
}

const IniText *IniFile::Text(std::optional<IniText> &loaded) const {
  if (batch_)
    return &batch_->text;
  loaded = Load(file_);
  return loaded ? &*loaded : nullptr;
}

// `change` returns whether it changed the text; a change that is not needed writes nothing.
template <typename Change> bool IniFile::Modify(Change &&change) {
  if (batch_) {
    batch_->changed = change(batch_->text) || batch_->changed;
    return true;
  }
  auto text = Load(file_);
  if (!text)
    return false; // an unreadable file must not be replaced by one that lacks its content
  return !change(*text) || Store(file_, *text);
}

bool IniFile::BeginBatch() {
  if (batch_)
    return false;
  auto text = Load(file_);
  if (!text)
    return false;
  batch_ = std::make_unique<Batch>();
  batch_->text = std::move(*text);
  return true;
}

bool IniFile::CommitBatch() {
  if (!batch_)
    return false;
  const std::unique_ptr<Batch> batch = std::move(batch_);
  return !batch->changed || Store(file_, batch->text);
}

void IniFile::AbandonBatch() {
  batch_.reset();
}

fs::path ProgramIniPath() {
  const fs::path beside = ProgramDir() / "Calidarix.ini";
  std::error_code error;
  if (fs::is_regular_file(beside, error))
    return beside;
  return ConfigDir() / "Calidarix.ini";
}

} // namespace calidarix
