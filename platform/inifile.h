#pragma once
// INI files with the Windows profile semantics.
//
// Reading: "[Section]" lines open sections, "key=value" lines inside them hold values; lines that
// start with ";" are comments, other lines are ignored. Section and key names compare without regard
// to case and are trimmed, values are trimmed and lose one pair of enclosing quotes ('...' or "...").
// The first section of a name and the first key of a name in it win. A section counts as present when
// it holds at least one key. CR LF and LF line ends both read; a leading UTF-8 byte order mark is
// skipped. Every read looks at the file as it is on disk at that moment.
//
// Numbers: integers decimal or hexadecimal with "$", "0x" or "0X" (a hexadecimal value up to
// FFFFFFFF wraps into the signed 32-bit range, as the Windows runtime reads it); reals always with
// "."; Booleans are integers, 0 false and anything else true. A missing key or a value that does not
// convert gives the caller's default.
//
// Writing changes only the lines it has to: order, comments, unknown keys and blank lines stay, and
// the file keeps its line-end style (new files get LF). A new key goes after the last non-blank line
// of its section, a new section at the end of the file. The file is written whole to a temporary
// file in its folder and renamed over the old one, so a failed write leaves the old file intact.
// Names or values that would break the line structure (line breaks, "=" or a leading "[" or ";" in a
// key, "]" in a section name) are refused: the write returns false and changes nothing.
//
// Batches: a save of many keys (a calibration table of hundreds of points) would otherwise rewrite and
// flush the whole file once per key. Between BeginBatch and CommitBatch every write and delete changes
// the file's text in memory only, and reads see that text; CommitBatch writes it once, whole and
// atomically as above. A batch that is abandoned, or whose commit fails, leaves the file as it was
// before the batch began. IniBatch does this for a scope: it abandons what it did not commit.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace calidarix {

namespace inifile_detail {
struct IniText;
}

class IniFile {
public:
  explicit IniFile(std::filesystem::path file);
  ~IniFile();
  // A copy names the same file and starts without a batch.
  IniFile(const IniFile &other);
  IniFile &operator=(const IniFile &other);

  const std::filesystem::path &FileName() const { return file_; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const;
  double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // Key names of the first section of that name, in file order.
  std::vector<std::string> ReadSection(std::string_view section) const;
  // (key, value) pairs of the first section of that name, in file order.
  std::vector<std::pair<std::string, std::string>> ReadSectionValues(std::string_view section) const;

  // Writes return false when the name is refused or the file cannot be written.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  bool WriteFloat(std::string_view section, std::string_view key, double value); // 15 digits, "."
  bool WriteBool(std::string_view section, std::string_view key, bool value);    // "1" or "0"
  // Removes every line of that key in the first section of the name; true when the file is as asked.
  bool DeleteKey(std::string_view section, std::string_view key);
  // Removes every section of that name with all its lines; true when the file is as asked.
  bool EraseSection(std::string_view section);

  // Reads the file for a batch; false (and no batch) when it exists but cannot be read, or when a batch
  // is already open (batches do not nest).
  bool BeginBatch();
  // Writes the batch's text when it changed anything; false when the file could not be written (it is
  // then as it was before the batch). The batch ends either way.
  bool CommitBatch();
  void AbandonBatch();
  bool InBatch() const { return batch_ != nullptr; }

private:
  struct Batch;
  // The file's text: the batch's in a batch, else read now into `loaded`; nullptr when it cannot be read.
  const inifile_detail::IniText *Text(std::optional<inifile_detail::IniText> &loaded) const;
  // Applies `change` to the file's text: to the batch's text in a batch, else to the text read from the
  // file, written back when `change` says it changed something. Returns false when the file could not
  // be read or written, or when `change` refused.
  template <typename Change> bool Modify(Change &&change);

  std::filesystem::path file_;
  std::unique_ptr<Batch> batch_;
};

// A batch for one scope: begun by the constructor, abandoned by the destructor unless committed.
class IniBatch {
public:
  explicit IniBatch(IniFile &ini) : ini_(ini), began_(ini.BeginBatch()) {}
  ~IniBatch() {
    if (began_ && !done_)
      ini_.AbandonBatch();
  }
  IniBatch(const IniBatch &) = delete;
  IniBatch &operator=(const IniBatch &) = delete;

  bool Began() const { return began_; }
  bool Commit() {
    done_ = true;
    return began_ && ini_.CommitBatch();
  }

private:
  IniFile &ini_;
  bool began_;
  bool done_ = false;
};

// "Calidarix.ini": the one in the program folder when it exists there, else the one in the
// configuration folder (which need not exist yet). Writes through an IniFile on this path therefore
// go to the file that was read, or to the configuration folder when there was none.
std::filesystem::path ProgramIniPath();

} // namespace calidarix
