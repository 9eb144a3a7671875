// Reader and writers of the ".dtv" format. Every size taken from a file is checked against the file
// and the frame budget before anything is allocated from it, and a failed read leaves the thermogram
// as it was. New files are written whole beside the target and renamed over it; a film grows by its
// frame first and by the header fields that count the frame last.

#include "thermogram/formats/dtv_format.h"

#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "thermogram/thermogram_globals.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <span>
#include <utility>

#include <sys/uio.h>

namespace calidarix {

namespace {

template <typename T> T Get(const std::uint8_t *bytes, std::size_t offset) {
  std::array<std::uint8_t, sizeof(T)> raw{};
  std::memcpy(raw.data(), bytes + offset, sizeof(T));
  if constexpr (std::endian::native == std::endian::big) {
    std::reverse(raw.begin(), raw.end());
  }
  return std::bit_cast<T>(raw);
}

template <typename T> void Put(std::uint8_t *bytes, std::size_t offset, T value) {
  auto raw = std::bit_cast<std::array<std::uint8_t, sizeof(T)>>(value);
  if constexpr (std::endian::native == std::endian::big) {
    std::reverse(raw.begin(), raw.end());
  }
  std::memcpy(bytes + offset, raw.data(), sizeof(T));
}

// Samples are stored little-endian; on a big-endian machine swap them in place.
void SamplesFromFileOrder(std::vector<std::uint16_t> &samples) {
  if constexpr (std::endian::native == std::endian::big) {
    for (std::uint16_t &s : samples) {
      s = static_cast<std::uint16_t>((s >> 8) | (s << 8));
    }
  }
}

QByteArray SamplesInFileOrder(const std::vector<std::uint16_t> &samples) {
  QByteArray bytes(reinterpret_cast<const char *>(samples.data()),
                   static_cast<qsizetype>(samples.size() * sizeof(std::uint16_t)));
  if constexpr (std::endian::native == std::endian::big) {
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
      std::swap(bytes[i], bytes[i + 1]);
    }
  }
  return bytes;
}

bool ReadExactly(QFile &file, std::uint64_t offset, void *target, std::uint64_t count) {
  if (!file.seek(static_cast<qint64>(offset))) {
    return false;
  }
  return file.read(static_cast<char *>(target), static_cast<qint64>(count)) == static_cast<qint64>(count);
}

enum class ReadOutcome { Ok, Short, Failed };

// A film frame's record and its samples, which follow it in the file, in one positioned read. The
// range was checked against fileSize by the caller; a file that turns out shorter reads as Short.
ReadOutcome ReadRecordAndSamples(int fd, std::uint64_t fileSize, std::uint64_t offset,
                                 FilmRecordBytes &record, void *samples, std::uint64_t sampleBytes) {
  if (fd < 0 || offset > fileSize || kFilmRecordBytes + sampleBytes > fileSize - offset) {
    return ReadOutcome::Short;
  }
  const std::uint64_t total = kFilmRecordBytes + sampleBytes;
  std::uint64_t done = 0;
  while (done < total) {
    iovec parts[2];
    int count = 0;
    if (done < kFilmRecordBytes) {
      parts[count++] = {record.data() + done, static_cast<std::size_t>(kFilmRecordBytes - done)};
    }
    const std::uint64_t intoSamples = done < kFilmRecordBytes ? 0 : done - kFilmRecordBytes;
    parts[count++] = {static_cast<std::uint8_t *>(samples) + intoSamples,
                      static_cast<std::size_t>(sampleBytes - intoSamples)};
    const ssize_t got = ::preadv(fd, parts, count, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return ReadOutcome::Failed;
    }
    if (got == 0) {
      return ReadOutcome::Short;
    }
    done += static_cast<std::uint64_t>(got);
  }
  return ReadOutcome::Ok;
}

bool WriteAll(QIODevice &file, const void *data, std::uint64_t count) {
  return file.write(static_cast<const char *>(data), static_cast<qint64>(count)) ==
         static_cast<qint64>(count);
}

std::uint64_t PixelCount(const TDTVHeader &header) {
  return std::uint64_t{header.Width} * std::uint64_t{header.Height};
}

// Old files carry their comment in the OEM code page; the program keeps comments in Windows-1251.
std::array<char, 64> OemCommentToAnsi(const std::array<char, 64> &comment) {
  const std::vector<std::uint8_t> converted =
      OemToAnsiField(std::span(reinterpret_cast<const std::uint8_t *>(comment.data()), comment.size()));
  std::array<char, 64> result{};
  std::memcpy(result.data(), converted.data(), std::min(converted.size(), result.size()));
  return result;
}

QString Quoted(const QString &fileName) {
  return QStringLiteral("\"%1\"").arg(fileName);
}

// A thermogram can only be written when its frame matches its header.
IoResult CheckWritable(const TDTV &t) {
  if (t.FHeader.Width < 1 || t.FHeader.Height < 1) {
    return IoResult::Error(QStringLiteral("The thermogram has no frame to write"));
  }
  if (t.FRaw.size() != PixelCount(t.FHeader)) {
    return IoResult::Error(QStringLiteral("The thermogram's frame does not match its size"));
  }
  return IoResult::Ok();
}

// A new file holding the header and then each block, replacing an old file only once it is whole.
IoResult WriteNewFile(const QString &fileName, const DtvHeaderBytes &header, const QByteArray &middle,
                      const QByteArray &frame) {
  AtomicFileWriter file(QFile::encodeName(fileName).toStdString());
  if (!file.Open()) {
    return IoResult::Error(
        QStringLiteral("Cannot create %1: %2").arg(Quoted(fileName), QString::fromStdString(file.Error())));
  }
  if (!file.Write(header.data(), header.size()) || !file.Write(middle.constData(), middle.size()) ||
      !file.Write(frame.constData(), frame.size()) || !file.Commit()) {
    return IoResult::Error(
        QStringLiteral("Cannot write %1: %2").arg(Quoted(fileName), QString::fromStdString(file.Error())));
  }
  return IoResult::Ok();
}

// Where 1-based frame k of a file of this header starts, and how many bytes each frame takes there
// (for a film, with its record).
struct FrameLayout {
  std::uint64_t First = 0; // frame 1, for a film its record
  std::uint64_t Stride = 0;
};

FrameLayout LayoutOf(const TDTVHeader &header) {
  const std::uint64_t pixels = PixelCount(header);
  switch (header.Version) {
  case 2:
    return {header.HeaderSize, pixels};
  case 5:
    return {kDtvHeaderBytes, kFilmRecordBytes + pixels * 2};
  default:
    return {kDtvHeaderBytes, pixels * 2};
  }
}

// The frames a file of this header and size can be read as. A single image counted 0 (old files, and
// counts that wrapped at 65536) is one frame; a count beyond what the file holds (a film cut short by
// a crash) is the count of whole frames it holds, so that each of them stays readable; a film that
// holds more than it counts (an append cut short before its header was rewritten) shows what it counts.
std::uint64_t ReadableFrames(const TDTVHeader &header, std::uint64_t fileSize) {
  const FrameLayout layout = LayoutOf(header);
  const std::uint64_t held = fileSize > layout.First ? (fileSize - layout.First) / layout.Stride : 0;
  if (header.FrameCount == 0) {
    return std::min<std::uint64_t>(held, header.Version == 5 ? kMaxFilmFrames : 1);
  }
  return std::min<std::uint64_t>(held, header.FrameCount);
}

// A file that counts frames it does not hold is worth one line in the log, not one for every frame a
// film player reads from it.
void LogShortFile(const QString &fileName, const TDTVHeader &header, std::uint64_t readable) {
  static QString lastLogged;
  if (lastLogged == fileName) {
    return;
  }
  lastLogged = fileName;
  ThermogramLog(QStringLiteral("%1 counts %2 frames but holds %3 whole frames; those can be read")
                    .arg(Quoted(fileName))
                    .arg(header.FrameCount)
                    .arg(readable));
}

IoResult NoTemperatureRule(const QString &fileName) {
  return IoResult::Error(
      QStringLiteral("%1 has no valid temperature rule (its Scale or Offset is not a number)")
          .arg(Quoted(fileName)));
}

// The buffer of the frame a read replaced, kept for the next read on this thread: stepping through a
// film then neither allocates nor clears a frame's worth of memory per step. Frames above this many
// pixels are not kept, so that one large picture does not hold its memory for the rest of the run.
constexpr std::size_t kKeptFramePixels = std::size_t{1} << 22;
thread_local std::vector<std::uint16_t> keptFrame;

// A buffer of `pixels` values for a frame about to be read over completely.
std::vector<std::uint16_t> TakeFrameBuffer(std::size_t pixels) {
  std::vector<std::uint16_t> buffer = std::move(keptFrame);
  keptFrame = {};
  buffer.resize(pixels);
  return buffer;
}

void KeepFrameBuffer(std::vector<std::uint16_t> &&buffer) {
  if (buffer.capacity() <= kKeptFramePixels) {
    keptFrame = std::move(buffer);
  }
}

} // namespace

TDTVHeader DecodeDtvHeader(const DtvHeaderBytes &bytes) {
  const std::uint8_t *b = bytes.data();
  TDTVHeader h;
  h.HeaderSize = b[0];
  h.Version = b[1];
  h.Reserved2 = Get<std::uint16_t>(b, 2);
  h.Reserved4 = b[4];
  h.Reserved5 = b[5];
  h.Reserved6 = Get<std::uint16_t>(b, 6);
  h.Reserved8 = Get<std::uint16_t>(b, 8);
  h.Width = Get<std::uint16_t>(b, 10);
  h.Height = Get<std::uint16_t>(b, 12);
  h.Reserved14 = Get<std::uint16_t>(b, 14);
  h.FrameCount = Get<std::uint16_t>(b, 16);
  h.FieldMode = Get<std::uint16_t>(b, 18);
  h.ModelHigh = b[20];
  h.ModelLow = b[21];
  h.CameraTemp = Get<float>(b, 22);
  const std::size_t extents = h.Version == 2 ? 28 : 26;
  h.HorzExtent = Get<std::uint16_t>(b, extents);
  h.VertExtent = Get<std::uint16_t>(b, extents + 2);
  h.FrameInterval = Get<float>(b, 30);
  h.Scale = Get<float>(b, 34);
  h.Offset = Get<float>(b, 38);
  h.Elevation = Get<std::int16_t>(b, 44);
  std::memcpy(h.Comment.data(), b + 46, h.Comment.size());
  return h;
}

DtvHeaderBytes EncodeDtvHeader(const TDTVHeader &h) {
  DtvHeaderBytes bytes{};
  std::uint8_t *b = bytes.data();
  b[0] = h.HeaderSize;
  b[1] = h.Version;
  Put(b, 2, h.Reserved2);
  b[4] = h.Reserved4;
  b[5] = h.Reserved5;
  Put(b, 6, h.Reserved6);
  Put(b, 8, h.Reserved8);
  Put(b, 10, h.Width);
  Put(b, 12, h.Height);
  Put(b, 14, h.Reserved14);
  Put(b, 16, h.FrameCount);
  Put(b, 18, h.FieldMode);
  b[20] = h.ModelHigh;
  b[21] = h.ModelLow;
  Put(b, 22, h.CameraTemp);
  Put(b, 26, h.HorzExtent);
  Put(b, 28, h.VertExtent);
  Put(b, 30, h.FrameInterval);
  Put(b, 34, h.Scale);
  Put(b, 38, h.Offset);
  b[42] = b[40];
  b[43] = b[41];
  Put(b, 44, h.Elevation);
  std::memcpy(b + 46, h.Comment.data(), h.Comment.size());
  return bytes;
}

TFilmFrameRecord DecodeFilmRecord(const FilmRecordBytes &bytes) {
  const std::uint8_t *b = bytes.data();
  TFilmFrameRecord r;
  r.MinTemp = Get<double>(b, 0);
  r.MaxTemp = Get<double>(b, 8);
  r.CameraTemp = Get<double>(b, 16);
  std::memcpy(r.Reserved.data(), b + 24, r.Reserved.size());
  r.TimeStamp = Get<std::uint32_t>(b, 36);
  return r;
}

FilmRecordBytes EncodeFilmRecord(const TFilmFrameRecord &r) {
  FilmRecordBytes bytes{};
  std::uint8_t *b = bytes.data();
  Put(b, 0, r.MinTemp);
  Put(b, 8, r.MaxTemp);
  Put(b, 16, r.CameraTemp);
  std::memcpy(b + 24, r.Reserved.data(), r.Reserved.size());
  Put(b, 36, r.TimeStamp);
  return bytes;
}

std::vector<FilmFileWrite> FilmAppendWrites(const TDTVHeader &stored, std::uint64_t end,
                                            const TFilmFrameRecord &record,
                                            const std::vector<std::uint16_t> &raw, float frameInterval,
                                            double filmMin, double filmMax) {
  const FilmRecordBytes recordBytes = EncodeFilmRecord(record);
  TDTVHeader counted = stored;
  counted.FrameCount = static_cast<std::uint16_t>(stored.FrameCount + 1);
  counted.FrameInterval = frameInterval;
  counted.Scale = static_cast<float>((filmMax - filmMin) / kFullScaleRaw);
  counted.Offset = static_cast<float>(filmMin);
  const DtvHeaderBytes header = EncodeDtvHeader(counted);
  return {
      {end, QByteArray(reinterpret_cast<const char *>(recordBytes.data()),
                       static_cast<qsizetype>(recordBytes.size()))},
      {end + kFilmRecordBytes, SamplesInFileOrder(raw)},
      {kFilmCountedFieldsBegin,
       QByteArray(reinterpret_cast<const char *>(header.data() + kFilmCountedFieldsBegin),
                  static_cast<qsizetype>(kFilmCountedFieldsEnd - kFilmCountedFieldsBegin))},
  };
}

std::uint32_t FilmTimeStampNow() {
  const QDateTime now = QDateTime::currentDateTime();
  const auto day = static_cast<std::uint32_t>(now.date().day());
  const auto seconds = static_cast<std::uint32_t>(now.time().msecsSinceStartOfDay() / 1000);
  return (day << 24) + seconds;
}

namespace {
// The innermost session of this thread; a session opened inside another hides it until it ends.
thread_local DtvFilmReadSession *activeSession = nullptr;
} // namespace

DtvFilmReadSession::DtvFilmReadSession(const QString &fileName) : FFileName(fileName), FOuter(activeSession) {
  FFilm.File.setFileName(fileName);
  FOpen = FFilm.File.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  if (FOpen) {
    FFilm.Size = static_cast<std::uint64_t>(FFilm.File.size());
    FFilm.HeaderRead =
        FFilm.Size >= kDtvHeaderBytes && ReadExactly(FFilm.File, 0, FFilm.Header.data(), FFilm.Header.size());
  }
  activeSession = this;
}

DtvFilmReadSession::~DtvFilmReadSession() {
  activeSession = FOuter;
}

DtvFilmReadSession::OpenFilm *DtvFilmReadSession::For(const QString &fileName) {
  DtvFilmReadSession *const session = activeSession;
  return session && session->FOpen && session->FFileName == fileName ? &session->FFilm : nullptr;
}

std::optional<RawSummary> DtvFilmReadSession::ReadSummary(int frame) const {
  if (!FOpen || frame < 1 || FFilm.SummaryFrame != frame) {
    return std::nullopt;
  }
  return FFilm.LastSummary;
}

IoResult TDTV::LoadDTV(const QString &fileName, int frame) {
  DtvFilmReadSession::OpenFilm *const session = DtvFilmReadSession::For(fileName);
  QFile ownFile(fileName);
  QFile &file = session ? session->File : ownFile;
  if (session) {
    session->SummaryFrame = 0; // until this read has finished
  }
  // Unbuffered: the reads below are few and exact, and a buffer would fetch 16 KiB around the header
  // and again around a film frame's record, each time a film steps.
  if (!session && !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
    return IoResult::Error(QStringLiteral("Cannot open %1: %2").arg(Quoted(fileName), file.errorString()));
  }
  const auto fileSize = session ? session->Size : static_cast<std::uint64_t>(file.size());
  DtvHeaderBytes headerBytes{};
  const bool headerRead =
      session ? session->HeaderRead
              : fileSize >= kDtvHeaderBytes && ReadExactly(file, 0, headerBytes.data(), headerBytes.size());
  if (session) {
    headerBytes = session->Header;
  }
  if (!headerRead) {
    return IoResult::Error(QStringLiteral("%1 is too short for a thermogram header").arg(Quoted(fileName)));
  }
  TDTVHeader header = DecodeDtvHeader(headerBytes);
  if (header.Version < 2 || header.Version > 5) {
    return IoResult::Error(
        QStringLiteral("%1 has the unknown format version %2").arg(Quoted(fileName)).arg(header.Version));
  }
  if (header.Width < 1 || header.Height < 1) {
    return IoResult::Error(QStringLiteral("%1 has an empty frame size").arg(Quoted(fileName)));
  }
  // Every reading would show "NAN": such a file is refused rather than shown.
  if (!std::isfinite(header.Scale) || !std::isfinite(header.Offset)) {
    return NoTemperatureRule(fileName);
  }
  const std::uint64_t pixels = PixelCount(header);
  if (pixels > FramePixelBudget) {
    return IoResult::Error(QStringLiteral("The frame of %1 (%2 x %3 pixels) is too large to load")
                               .arg(Quoted(fileName))
                               .arg(header.Width)
                               .arg(header.Height));
  }
  const std::uint64_t readable = ReadableFrames(header, fileSize);
  if (readable < header.FrameCount || (header.FrameCount == 0 && header.Version == 5)) {
    LogShortFile(fileName, header, readable);
  }
  if (frame < 1 || static_cast<std::uint64_t>(frame) > readable) {
    return IoResult::Error(
        QStringLiteral("%1 has no frame %2 (it holds %3)").arg(Quoted(fileName)).arg(frame).arg(readable));
  }
  // Whether the file counts itself a sequence (no scan to reconstruct) is the writer's word.
  const std::uint16_t countInFile = header.FrameCount;
  header.FrameCount = static_cast<std::uint16_t>(readable);

  const FrameLayout layout = LayoutOf(header);
  const std::uint64_t index = static_cast<std::uint64_t>(frame - 1);
  const std::uint64_t frameBytes = header.Version == 2 ? pixels : pixels * 2;
  std::uint64_t frameStart = layout.First + index * layout.Stride;
  TFilmFrameRecord record = FFrameRec;
  // A film frame's record and samples lie together: with a session open they come in one read below.
  FilmRecordBytes recordBytes{};
  const bool recordWithSamples = session && header.Version == 5;
  if (header.Version == 5 && !recordWithSamples &&
      !ReadExactly(file, frameStart, recordBytes.data(), recordBytes.size())) {
    return IoResult::Error(QStringLiteral("Cannot read %1: %2").arg(Quoted(fileName), file.errorString()));
  }
  if (header.Version == 5) {
    frameStart += kFilmRecordBytes;
  }
  // A session's frames are read over the thermogram's own buffer, which then stays in the processor's
  // cache from frame to frame; a frame that fails there leaves the old one's size with no values.
  const bool inPlace = recordWithSamples;
  const std::size_t oldPixels = FRaw.size();
  const auto giveBack = [&](std::vector<std::uint16_t> &&buffer) {
    if (inPlace) {
      buffer.assign(oldPixels, 0);
      FRaw = std::move(buffer);
    } else {
      KeepFrameBuffer(std::move(buffer));
    }
  };
  // The size was checked against the file and the budget above; a failed allocation is still an
  // error, never the end of the program.
  std::vector<std::uint16_t> raw;
  const IoResult read =
      WithoutAllocationFailure(QStringLiteral("the frame of %1").arg(Quoted(fileName)), [&] {
        if (inPlace) {
          raw = std::exchange(FRaw, {});
          raw.resize(pixels);
        } else {
          raw = TakeFrameBuffer(pixels);
        }
        bool ok = false;
        if (header.Version == 2) {
          std::vector<std::uint8_t> bytes(pixels);
          ok = ReadExactly(file, frameStart, bytes.data(), frameBytes);
          for (std::size_t i = 0; ok && i < bytes.size(); ++i) {
            raw[i] = static_cast<std::uint16_t>(bytes[i] << 8);
          }
        } else if (recordWithSamples) {
          const ReadOutcome got = ReadRecordAndSamples(file.handle(), fileSize, frameStart - kFilmRecordBytes,
                                                       recordBytes, raw.data(), frameBytes);
          if (got != ReadOutcome::Ok) {
            return IoResult::Error(QStringLiteral("Cannot read %1: %2")
                                       .arg(Quoted(fileName), got == ReadOutcome::Short
                                                                  ? QString::fromLatin1(kReadBeyondEnd)
                                                                  : qt_error_string(errno)));
          }
          SamplesFromFileOrder(raw);
          ok = true;
        } else {
          ok = ReadExactly(file, frameStart, raw.data(), frameBytes);
          SamplesFromFileOrder(raw);
        }
        return ok ? IoResult::Ok()
                  : IoResult::Error(
                        QStringLiteral("Cannot read %1: %2").arg(Quoted(fileName), file.errorString()));
      });
  if (!read) {
    giveBack(std::move(raw));
    return read;
  }
  if (header.Version == 5) {
    record = DecodeFilmRecord(recordBytes);
    // The frame's own rule replaces the film's: it must be a pair of numbers a single can hold.
    const auto scale = static_cast<float>((record.MaxTemp - record.MinTemp) / kFullScaleRaw);
    const auto offset = static_cast<float>(record.MinTemp);
    if (!std::isfinite(record.MinTemp) || !std::isfinite(record.MaxTemp) || !std::isfinite(scale) ||
        !std::isfinite(offset)) {
      giveBack(std::move(raw));
      return NoTemperatureRule(fileName);
    }
  }
  if (!session) {
    file.close();
  }

  // Everything is read and checked: the thermogram takes the new content.
  FFileName = fileName;
  FFrameIndex = frame;
  FCountedFrames = readable < countInFile ? countInFile : 0;
  FHeader = header;
  FRaw.swap(raw);
  if (!inPlace) {
    KeepFrameBuffer(std::move(raw));
  }
  FIsoPoints.clear(); // traced on the frame just replaced
  FAspectFromAngles = false;
  FScanReconstructed = false;
  // Only the decoding below switches the skew correction on; a frame read as stored has none.
  FSkewCorrect = false;

  const bool hasAngles =
      FHeader.HorzExtent != 0 && FHeader.VertExtent != 0 && FHeader.Elevation != TDTVHeader::kElevationNotSet;
  const double fieldAspect = FHeader.FieldMode == 2 ? 16.0 / 27.0 : 32.0 / 27.0;
  switch (FHeader.Version) {
  case 2:
    FHeader.Scale = FHeader.Scale / 256.0f;
    FHeader.Comment = OemCommentToAnsi(FHeader.Comment);
    SetAspect(fieldAspect);
    break;
  case 3:
    // A projection that cannot be made has said why in the log; the frame is then shown as a frame
    // without usable angles.
    if (hasAngles && countInFile < 3 && ReconstructScan()) {
      FScanReconstructed = true;
    } else {
      SetAspect(fieldAspect);
      if (FDecodeDualScan) {
        DecodeDualScan();
      }
    }
    break;
  case 4:
    if (hasAngles && FProjection == 22) {
      SetAspect(static_cast<double>(FHeader.HorzExtent) / FHeader.VertExtent);
      FAspectFromAngles = true;
    } else if (hasAngles && ProjectByAngles()) {
      FHeader.HorzExtent = 0;
      FHeader.VertExtent = 0;
      FHeader.Elevation = 0;
    } else {
      // Without angles, or with angles no plane can be made from (which then stay in the header).
      SetAspect(static_cast<double>(FHeader.Width) / FHeader.Height);
    }
    break;
  default: // 5
    FFrameRec = record;
    if (FTimeDelta != 0) {
      // A plain addition to the 32-bit value, wrapping as the stored field does.
      FFrameRec.TimeStamp += static_cast<std::uint32_t>(FTimeDelta);
    }
    FFilmMin = FHeader.Offset;
    FFilmMax = static_cast<double>(kFullScaleRaw) * FHeader.Scale + FHeader.Offset;
    FHeader.Offset = static_cast<float>(FFrameRec.MinTemp);
    FHeader.Scale = static_cast<float>((FFrameRec.MaxTemp - FFrameRec.MinTemp) / kFullScaleRaw);
    if (FHeader.HorzExtent != 0 && FHeader.VertExtent != 0) {
      SetAspect(static_cast<double>(FHeader.HorzExtent) / FHeader.VertExtent);
    } else {
      SetAspect(32.0 / 27.0);
    }
    if (FDecodeDualScan) {
      DecodeDualScan();
    }
    break;
  }
  // One pass over the frame as it now stands gives its statistics and, for a session, what the
  // session's caller may reuse instead of a pass of its own.
  const RawSummary summary = SummariseRaw(FRaw.data(), FRaw.size());
  UpdateStatistics(summary);
  if (session) {
    session->SummaryFrame = frame;
    session->LastSummary = summary;
  }
  return IoResult::Ok();
}

IoResult TDTV::SaveDTV(const QString &fileName) {
  if (IoResult check = CheckWritable(*this); !check) {
    return check;
  }
  TDTVHeader header = FHeader;
  if (header.Version < 4 || header.Version == 5) {
    header.Version = 3; // version 4 and unknown higher versions are kept
  }
  header.HeaderSize = static_cast<std::uint8_t>(kDtvHeaderBytes);
  header.FrameCount = 1;
  if (IoResult written =
          WriteNewFile(fileName, EncodeDtvHeader(header), QByteArray(), SamplesInFileOrder(FRaw));
      !written) {
    return written;
  }
  FHeader = header;
  FFileName = fileName;
  return IoResult::Ok();
}

IoResult TDTV::StartFilm(const QString &fileName) {
  if (IoResult check = CheckWritable(*this); !check) {
    return check;
  }
  TDTVHeader header = FHeader;
  header.Version = 5;
  header.HeaderSize = static_cast<std::uint8_t>(kDtvHeaderBytes);
  header.FrameCount = 1;

  TFilmFrameRecord record;
  record.MinTemp = header.Offset;
  record.MaxTemp = static_cast<double>(kFullScaleRaw) * header.Scale + header.Offset;
  record.CameraTemp = FCameraTemp;
  record.TimeStamp = FilmTimeStampNow();
  const FilmRecordBytes recordBytes = EncodeFilmRecord(record);

  if (IoResult written = WriteNewFile(fileName, EncodeDtvHeader(header),
                                      QByteArray(reinterpret_cast<const char *>(recordBytes.data()),
                                                 static_cast<qsizetype>(recordBytes.size())),
                                      SamplesInFileOrder(FRaw));
      !written) {
    return written;
  }
  FHeader = header;
  FFileName = fileName;
  FFrameRec = record;
  FFilmMin = record.MinTemp;
  FFilmMax = record.MaxTemp;
  return IoResult::Ok();
}

IoResult TDTV::AppendFilmFrame(const QString &fileName) {
  if (IoResult check = CheckWritable(*this); !check) {
    return check;
  }
  QFile file(fileName);
  if (!file.exists()) {
    return IoResult::Error(QStringLiteral("The film %1 does not exist").arg(Quoted(fileName)));
  }
  if (!file.open(QIODevice::ReadWrite)) {
    return IoResult::Error(QStringLiteral("Cannot open %1: %2").arg(Quoted(fileName), file.errorString()));
  }
  DtvHeaderBytes headerBytes{};
  if (!ReadExactly(file, 0, headerBytes.data(), headerBytes.size())) {
    return IoResult::Error(QStringLiteral("%1 is too short for a film header").arg(Quoted(fileName)));
  }
  const TDTVHeader stored = DecodeDtvHeader(headerBytes);
  if (stored.Version != 5) {
    return IoResult::Error(QStringLiteral("%1 is not a film").arg(Quoted(fileName)));
  }
  if (stored.Width != FHeader.Width || stored.Height != FHeader.Height) {
    return IoResult::Error(QStringLiteral("%1 holds frames of %2 x %3, not %4 x %5")
                               .arg(Quoted(fileName))
                               .arg(stored.Width)
                               .arg(stored.Height)
                               .arg(FHeader.Width)
                               .arg(FHeader.Height));
  }
  if (stored.FrameCount >= kMaxFilmFrames) {
    return IoResult::Error(
        QStringLiteral("%1 already holds the most frames a film can hold").arg(Quoted(fileName)));
  }
  const std::uint64_t frameBytes = PixelCount(FHeader) * 2;
  const std::uint64_t end =
      kDtvHeaderBytes + std::uint64_t{stored.FrameCount} * (kFilmRecordBytes + frameBytes);
  if (static_cast<std::uint64_t>(file.size()) < end) {
    return IoResult::Error(
        QStringLiteral("%1 is shorter than its %2 frames need").arg(Quoted(fileName)).arg(stored.FrameCount));
  }

  TFilmFrameRecord record;
  record.MinTemp = FHeader.Offset;
  record.MaxTemp = static_cast<double>(kFullScaleRaw) * FHeader.Scale + FHeader.Offset;
  record.CameraTemp = FCameraTemp;
  record.TimeStamp = FilmTimeStampNow();

  // The film's range comes from the file itself, so thermograms loaded between appends cannot
  // narrow it; it only ever widens.
  double filmMin = stored.Offset;
  double filmMax = static_cast<double>(kFullScaleRaw) * stored.Scale + stored.Offset;
  if (filmMin > record.MinTemp) {
    filmMin = record.MinTemp;
  }
  if (filmMax < record.MaxTemp) {
    filmMax = record.MaxTemp;
  }
  const auto count = static_cast<std::uint16_t>(stored.FrameCount + 1);

  // The frame goes in first and the fields that count it last, in one write: a film cut short at
  // any point reads as the film before or the film after.
  const std::vector<FilmFileWrite> writes =
      FilmAppendWrites(stored, end, record, FRaw, FHeader.FrameInterval, filmMin, filmMax);
  const std::uint64_t newEnd = end + kFilmRecordBytes + frameBytes;
  for (std::size_t i = 0; i < writes.size(); ++i) {
    const bool countingFields = i + 1 == writes.size();
    // Whatever an earlier append cut short left beyond the frame goes before the header counts it.
    if (countingFields && !(file.flush() && file.resize(static_cast<qint64>(newEnd)))) {
      return IoResult::Error(QStringLiteral("Cannot write %1: %2").arg(Quoted(fileName), file.errorString()));
    }
    const FilmFileWrite &w = writes[i];
    if (!file.seek(static_cast<qint64>(w.Offset)) ||
        !WriteAll(file, w.Bytes.constData(), static_cast<std::uint64_t>(w.Bytes.size()))) {
      return IoResult::Error(QStringLiteral("Cannot write %1: %2").arg(Quoted(fileName), file.errorString()));
    }
  }
  if (!file.flush()) {
    return IoResult::Error(QStringLiteral("Cannot write %1: %2").arg(Quoted(fileName), file.errorString()));
  }
  file.close();

  FFileName = fileName;
  FHeader.Version = 5;
  FHeader.FrameCount = count;
  FFrameIndex = count;
  FFrameRec = record;
  FFilmMin = filmMin;
  FFilmMax = filmMax;
  return IoResult::Ok();
}

} // namespace calidarix
