// The 16-bit PNG thermogram: an RGB picture of 16 bits per sample whose three samples all carry the
// raw value of the thermogram pixel they show, scaled to the display aspect when written. Scale and
// Offset travel in a text chunk of our own, so that a picture exported and opened again shows the
// same temperatures; a picture without that chunk reads with the rule of a reset header.
//
// libpng reports errors by longjmp. Every libpng call therefore runs inside a small function that
// holds the setjmp and no object with a destructor; buffers are made and released by the callers, so
// an error skips no C++ clean-up.

#include "platform/atomic_file.h"
#include "platform/numbers.h"
#include "thermogram/formats/decoded_frame.h"
#include "thermogram/formats/file_reading.h"
#include "thermogram/tdtv.h"

#include <QFile>

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace calidarix {

namespace {

// libpng's own default limit for a picture side on writing and reading.
constexpr std::int64_t kMaxPictureSide = 1000000;
// Deflate cannot shrink data more than about 1032 times: a picture that claims more pixel bytes than
// that ratio allows for the file's size is cut short, and is refused before its buffer is made.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

// The text chunk that carries the temperature rule: "Scale=<number> Offset=<number>".
constexpr const char *kRuleKeyword = "Calidarix temperature rule";

struct PngError {
  char message[256] = {};
};

void OnPngError(png_structp png, png_const_charp text) {
  auto *error = static_cast<PngError *>(png_get_error_ptr(png));
  std::snprintf(error->message, sizeof error->message, "%s", text);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

QString ErrorText(const PngError &error) {
  return error.message[0] != 0 ? QString::fromUtf8(error.message) : QStringLiteral("PNG library failure");
}

// ---- Writing ----

struct PictureSize {
  std::int64_t Width = 0;
  std::int64_t Height = 0;
};

// Trunc of a side computed from the stored aspect. A frame's own W / H, stored as a double, can give
// W x (1 - 1e-16) back; such a product is the whole number it stands for, so a hair's breadth below a
// whole number counts as that number.
std::int64_t PictureSide(double side) {
  return TruncToInt64(side + side * 1e-12);
}

// The picture is widened or made taller to the display aspect; an aspect that is not a positive
// number, or that would give an empty picture, gives the frame's own size.
PictureSize PictureSizeFor(int w, int h, double aspect) {
  if (std::isfinite(aspect) && aspect > 0.0) {
    PictureSize size;
    if (static_cast<double>(w) / h <= aspect) {
      size = {PictureSide(h * aspect), h};
    } else {
      size = {w, PictureSide(w / aspect)};
    }
    if (size.Width >= 1 && size.Height >= 1) {
      return size;
    }
  }
  return {w, h};
}

void WriteToFile(png_structp png, png_bytep data, size_t length) {
  auto *file = static_cast<AtomicFileWriter *>(png_get_io_ptr(png));
  if (!file->Write(data, length)) {
    png_error(png, "Cannot write the picture file");
  }
}

void FlushFile(png_structp) {}

struct PictureRows {
  const std::string *Rule = nullptr; // the temperature rule's text, empty for none
  const std::vector<std::uint16_t> *Raw = nullptr;
  std::size_t FrameWidth = 0;
  const std::vector<std::size_t> *SourceColumn = nullptr; // per picture column
  const std::vector<std::size_t> *SourceRow = nullptr;    // per picture row
  std::vector<png_byte> *Buffer = nullptr;                // one picture row
};

bool EncodePicture(AtomicFileWriter *file, const PictureRows *rows, PngError *error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, OnPngWarning);
  if (png == nullptr) {
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, file, WriteToFile, FlushFile);
  png_set_IHDR(png, info, static_cast<png_uint_32>(rows->SourceColumn->size()),
               static_cast<png_uint_32>(rows->SourceRow->size()), 16, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 0);
  png_set_compression_buffer_size(png, 65535); // the size of every IDAT chunk but the last

  png_text texts[2]{};
  texts[0].compression = PNG_TEXT_COMPRESSION_zTXt;
  texts[0].key = const_cast<png_charp>("PING");
  texts[0].text = const_cast<png_charp>("Portable Infrared Network Graphics");
  texts[1].compression = PNG_TEXT_COMPRESSION_NONE;
  texts[1].key = const_cast<png_charp>(kRuleKeyword);
  texts[1].text = const_cast<png_charp>(rows->Rule->c_str());
  png_set_text(png, info, texts, rows->Rule->empty() ? 1 : 2);
  png_time stamp{};
  stamp.year = 2017;
  stamp.month = 1;
  stamp.day = 1;
  png_set_tIME(png, info, &stamp);

  png_write_info(png, info);
  png_byte *out = rows->Buffer->data();
  for (const std::size_t y : *rows->SourceRow) {
    const std::uint16_t *source = rows->Raw->data() + y * rows->FrameWidth;
    png_byte *sample = out;
    for (const std::size_t x : *rows->SourceColumn) {
      const std::uint16_t v = source[x];
      for (int channel = 0; channel < 3; ++channel) {
        *sample++ = static_cast<png_byte>(v >> 8);
        *sample++ = static_cast<png_byte>(v & 0xFF);
      }
    }
    png_write_row(png, out);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

// Nearest-lower sampling: picture index i of n shows frame index i x size div n. Formed in integers:
// the real-valued i / n x size falls a hair short of a whole number often enough to skip a row and
// show its neighbour twice.
std::vector<std::size_t> SourceIndices(std::int64_t n, int size) {
  std::vector<std::size_t> indices(static_cast<std::size_t>(n));
  for (std::int64_t i = 0; i < n; ++i) {
    indices[static_cast<std::size_t>(i)] = static_cast<std::size_t>(i * size / n);
  }
  return indices;
}

// "Scale=<number> Offset=<number>", or empty when the rule is not a pair of numbers.
std::string RuleText(float scale, float offset) {
  if (!std::isfinite(scale) || !std::isfinite(offset)) {
    return std::string();
  }
  return "Scale=" + FloatToText(scale) + " Offset=" + FloatToText(offset);
}

struct TemperatureRule {
  float Scale = 0.0f;
  float Offset = 0.0f;
};

// The rule from RuleText's form; nothing for any other text.
std::optional<TemperatureRule> ParseRule(std::string_view text) {
  const std::size_t space = text.find(' ');
  if (space == std::string_view::npos || !text.starts_with("Scale=") ||
      !text.substr(space + 1).starts_with("Offset=")) {
    return std::nullopt;
  }
  const std::optional<double> scale = ParseFloat(text.substr(6, space - 6));
  const std::optional<double> offset = ParseFloat(text.substr(space + 1 + 7));
  if (!scale || !offset) {
    return std::nullopt;
  }
  const TemperatureRule rule{static_cast<float>(*scale), static_cast<float>(*offset)};
  if (!std::isfinite(rule.Scale) || !std::isfinite(rule.Offset)) {
    return std::nullopt;
  }
  return rule;
}

// ---- Reading ----

struct PictureHeader {
  png_uint_32 Width = 0;
  png_uint_32 Height = 0;
  int BitDepth = 0;
  int ColourType = 0;
  std::size_t RowBytes = 0;
};

void ReadFromFile(png_structp png, png_bytep data, size_t length) {
  auto *file = static_cast<QFile *>(png_get_io_ptr(png));
  if (file->read(reinterpret_cast<char *>(data), static_cast<qint64>(length)) !=
      static_cast<qint64>(length)) {
    png_error(png, kReadBeyondEnd);
  }
}

bool ReadPictureHeader(png_structp png, png_infop info, PictureHeader *header) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_read_info(png, info);
  int interlace = 0;
  png_get_IHDR(png, info, &header->Width, &header->Height, &header->BitDepth, &header->ColourType, &interlace,
               nullptr, nullptr);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  header->RowBytes = png_get_rowbytes(png, info);
  return true;
}

bool ReadPictureRows(png_structp png, png_infop info, std::vector<png_bytep> *rows) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_read_image(png, rows->data());
  png_read_end(png, info); // text chunks after the pixels join those before them
  return true;
}

// The text of the temperature rule chunk, empty when the picture has none.
std::string RuleChunkText(png_structp png, png_infop info) {
  png_textp texts = nullptr;
  int count = 0;
  png_get_text(png, info, &texts, &count);
  for (int i = 0; i < count; ++i) {
    if (texts[i].key != nullptr && std::string_view(texts[i].key) == kRuleKeyword &&
        texts[i].text != nullptr) {
      return std::string(texts[i].text, texts[i].text_length);
    }
  }
  return std::string();
}

struct ReadStructs {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  ~ReadStructs() { png_destroy_read_struct(&Png, &Info, nullptr); }
};

} // namespace

IoResult TDTV::SavePNG(const QString &fileName) const {
  const int w = FHeader.Width;
  const int h = FHeader.Height;
  if (w < 1 || h < 1 || FRaw.size() != static_cast<std::size_t>(w) * h) {
    return IoResult::Error(QStringLiteral("There is no frame to write"));
  }
  const PictureSize size = PictureSizeFor(w, h, FAspect);
  if (size.Width > kMaxPictureSide || size.Height > kMaxPictureSide) {
    return IoResult::Error(QStringLiteral("The picture for this aspect would be too large"));
  }
  const std::vector<std::size_t> columns = SourceIndices(size.Width, w);
  const std::vector<std::size_t> rows = SourceIndices(size.Height, h);
  std::vector<png_byte> buffer(columns.size() * 6);
  const std::string rule = RuleText(FHeader.Scale, FHeader.Offset);
  const PictureRows picture{&rule, &FRaw, static_cast<std::size_t>(w), &columns, &rows, &buffer};

  // Written beside the target and renamed over it only when complete, so a failed export never
  // destroys an earlier picture of the same name.
  AtomicFileWriter file(QFile::encodeName(fileName).toStdString());
  if (!file.Open()) {
    return IoResult::Error(
        QStringLiteral("Cannot create \"%1\": %2").arg(fileName, QString::fromStdString(file.Error())));
  }
  PngError error;
  if (!EncodePicture(&file, &picture, &error)) {
    return IoResult::Error(file.Error().empty() ? ErrorText(error) : QString::fromStdString(file.Error()));
  }
  if (!file.Commit()) {
    return IoResult::Error(
        QStringLiteral("Cannot write \"%1\": %2").arg(fileName, QString::fromStdString(file.Error())));
  }
  return IoResult::Ok();
}

IoResult TDTV::LoadPNG(const QString &fileName) {
  QFile file;
  if (IoResult opened = OpenForReading(file, fileName); !opened) {
    return opened;
  }
  PngError error;
  ReadStructs png;
  png.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  if (png.Png != nullptr) {
    png.Info = png_create_info_struct(png.Png);
  }
  if (png.Info == nullptr) {
    return IoResult::Error(QStringLiteral("PNG library failure"));
  }
  png_set_read_fn(png.Png, &file, ReadFromFile);

  PictureHeader header;
  if (!ReadPictureHeader(png.Png, png.Info, &header)) {
    return IoResult::Error(ErrorText(error));
  }
  const bool grey = header.ColourType == PNG_COLOR_TYPE_GRAY;
  if ((!grey && header.ColourType != PNG_COLOR_TYPE_RGB) || (header.BitDepth != 8 && header.BitDepth != 16)) {
    return IoResult::Error(
        QStringLiteral("Only grey and RGB pictures of 8 or 16 bits per sample can be read"));
  }
  const std::optional<std::uint16_t> width = FrameSide(header.Width);
  const std::optional<std::uint16_t> height = FrameSide(header.Height);
  if (!width || !height) {
    return IoResult::Error(QStringLiteral("The picture size of \"%1\" is not valid").arg(fileName));
  }
  if (IoResult fits = CheckFrameBudget(fileName, *width, *height); !fits) {
    return fits;
  }
  const std::uint64_t pixelBytes = std::uint64_t{*height} * header.RowBytes;
  if (pixelBytes > static_cast<std::uint64_t>(file.size()) * kMaxDeflateRatio) {
    return IoResult::Error(QString::fromLatin1(kReadBeyondEnd));
  }

  std::vector<png_byte> pixels(static_cast<std::size_t>(pixelBytes));
  std::vector<png_bytep> rowPointers(*height);
  for (std::size_t y = 0; y < rowPointers.size(); ++y) {
    rowPointers[y] = pixels.data() + y * header.RowBytes;
  }
  if (!ReadPictureRows(png.Png, png.Info, &rowPointers)) {
    return IoResult::Error(ErrorText(error));
  }

  // The blue sample (or the grey one) is the raw value; 8-bit samples are spread over 16 bits.
  const std::size_t channels = grey ? 1 : 3;
  const std::size_t bytesPerSample = header.BitDepth == 16 ? 2 : 1;
  const std::size_t pixelStride = channels * bytesPerSample;
  const std::size_t sampleIndex = channels - 1;
  const std::size_t w = *width;
  DecodedFrame decoded{*width, *height, std::vector<std::uint16_t>(w * *height)};
  for (std::size_t y = 0; y < *height; ++y) {
    const png_byte *row = rowPointers[y];
    for (std::size_t x = 0; x < w; ++x) {
      const png_byte *sample = row + x * pixelStride + sampleIndex * bytesPerSample;
      decoded.Raw[y * w + x] = bytesPerSample == 2 ? static_cast<std::uint16_t>((sample[0] << 8) | sample[1])
                                                   : static_cast<std::uint16_t>(sample[0] * 257);
    }
  }
  const std::optional<TemperatureRule> rule = ParseRule(RuleChunkText(png.Png, png.Info));
  InstallFrame(*this, std::move(decoded));
  SetAspect(static_cast<double>(FHeader.Width) / FHeader.Height);
  FHeader.HorzExtent = FHeader.Width;
  FHeader.VertExtent = FHeader.Height;
  if (rule) {
    FHeader.Scale = rule->Scale;
    FHeader.Offset = rule->Offset;
  }
  return IoResult::Ok();
}

} // namespace calidarix
