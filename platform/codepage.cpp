#include "platform/codepage.h"

#include <array>
#include <bit>
#include <unordered_map>

#include <iconv.h>

#include <QList>

namespace calidarix {

namespace {

constexpr char32_t kUndefined = 0xFFFFFFFF;

// Both code pages are single-byte, so each is read once through iconv into a table of its 256
// characters; conversions are then table look-ups with no iconv state to manage.
class CodePage {
public:
  explicit CodePage(const char *name) {
    toUnicode_.fill(kUndefined);
    const char *unicode = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
    iconv_t cd = iconv_open(unicode, name);
    for (unsigned b = 0; b < 256; ++b) {
      if (b < 0x80) {
        // Both code pages are ASCII below 0x80; this also keeps ASCII when iconv lacks the page.
        toUnicode_[b] = b;
      } else if (cd != reinterpret_cast<iconv_t>(-1)) {
        char in = static_cast<char>(b);
        char32_t out = 0;
        char *inPtr = &in;
        char *outPtr = reinterpret_cast<char *>(&out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) && outLeft == 0)
          toUnicode_[b] = out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
      }
      if (toUnicode_[b] != kUndefined)
        fromUnicode_.emplace(toUnicode_[b], static_cast<std::uint8_t>(b));
    }
    if (cd != reinterpret_cast<iconv_t>(-1))
      iconv_close(cd);
  }

  char32_t ToUnicode(std::uint8_t b) const { return toUnicode_[b] == kUndefined ? U'?' : toUnicode_[b]; }

  std::uint8_t FromUnicode(char32_t c) const {
    const auto it = fromUnicode_.find(c);
    return it == fromUnicode_.end() ? static_cast<std::uint8_t>('?') : it->second;
  }

  QString Decode(std::string_view bytes) const {
    std::u32string text;
    text.reserve(bytes.size());
    for (const char b : bytes)
      text += ToUnicode(static_cast<std::uint8_t>(b));
    return QString::fromStdU32String(text);
  }

  std::string Encode(const QString &text) const {
    // Unpaired surrogates come out of toUcs4 as U+FFFD and so become '?'.
    const QList<uint> ucs4 = text.toUcs4();
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(ucs4.size()));
    for (const uint c : ucs4)
      bytes += static_cast<char>(FromUnicode(static_cast<char32_t>(c)));
    return bytes;
  }

private:
  std::array<char32_t, 256> toUnicode_{};
  std::unordered_map<char32_t, std::uint8_t> fromUnicode_;
};

const CodePage &Ansi() {
  static const CodePage page("CP1251");
  return page;
}

const CodePage &Oem() {
  static const CodePage page("CP866");
  return page;
}

} // namespace

QString Cp1251ToString(std::string_view bytes) {
  return Ansi().Decode(bytes);
}
std::string StringToCp1251(const QString &text) {
  return Ansi().Encode(text);
}
QString Cp866ToString(std::string_view bytes) {
  return Oem().Decode(bytes);
}
std::string StringToCp866(const QString &text) {
  return Oem().Encode(text);
}

std::vector<std::uint8_t> OemToAnsiField(std::span<const std::uint8_t> field) {
  std::vector<std::uint8_t> out(field.size(), 0);
  for (std::size_t i = 0; i < field.size() && field[i] != 0; ++i)
    out[i] = Ansi().FromUnicode(Oem().ToUnicode(field[i]));
  return out;
}

} // namespace calidarix
