#include "mainwindow/film_frame_readers.h"

#include "mainwindow/film_processing.h"
#include "mainwindow/scratch_thermogram.h"
#include "platform/datetime.h"
#include "thermogram/formats/dtv_format.h"
#include "thermogram/thermogram_globals.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace calidarix {

FilmFrameReaders::FilmFrameReaders(const TDTV &film, const QString &fileName, const TRect &rect,
                                   std::vector<TFilmProcessTable> &rows, std::vector<std::uint32_t> &seconds)
    : FFileName(fileName), FFileDate(FileDosDateTime(fileName)), FRect(rect), FRows(rows), FSeconds(seconds),
      FFailedBlock(std::numeric_limits<int>::max()) {
  const int count = static_cast<int>(std::min(rows.size(), seconds.size()));
  for (int first = 0; first < count; first += kBlockFrames) {
    Block block;
    block.First = first;
    block.End = std::min(first + kBlockFrames, count);
    FBlocks.push_back(std::move(block));
  }
  const int threads = std::min(kThreads, static_cast<int>(FBlocks.size()));
  for (int w = 0; w < threads; ++w) {
    FFrames[static_cast<std::size_t>(w)] = std::make_unique<TDTV>();
    CopyLoadOptions(film, *FFrames[static_cast<std::size_t>(w)]);
  }
  for (int w = 0; w < threads; ++w) {
    FThreads.emplace_back([this, w] { Run(w); });
  }
}

FilmFrameReaders::~FilmFrameReaders() {
  Stop();
}

void FilmFrameReaders::Stop() {
  FStop = true;
  for (std::thread &thread : FThreads) {
    if (thread.joinable()) {
      thread.join();
    }
  }
}

void FilmFrameReaders::Run(int worker) {
  ThermogramLogCapture capture;
  // Each thread holds the film open for itself. The file's date, taken once on the job's thread, is
  // pinned for this one: the frames' loads then leave the time zone alone.
  const DtvFilmReadSession session(FFileName);
  const PinnedFileDosDateTime fileDate(FFileName, FFileDate);
  TDTV &frame = *FFrames[static_cast<std::size_t>(worker)];
  // The reader's figures describe the frame as read; the load options that change its pixels after
  // that rule them out.
  const bool readAsStored = !frame.FFlipAfterLoad && !frame.FMirrorAfterLoad && !frame.FRotateAfterLoad &&
                            !frame.FStampCameraTemp && !frame.FRangeLocked;
  for (std::size_t b = static_cast<std::size_t>(worker); b < FBlocks.size(); b += kThreads) {
    if (FStop || static_cast<int>(b) > FFailedBlock) {
      return;
    }
    Block &block = FBlocks[b];
    int i = block.First;
    QString error;
    for (; i < block.End && !FStop; ++i) {
      if (const IoResult read = frame.LoadFromFile(FFileName, i + 1); !read) {
        error = read.message;
        break;
      }
      // For a film that is gone the loader shows the demo image, under no name; it must not be
      // measured as a frame.
      if (frame.FFileName.isEmpty()) {
        error = QStringLiteral("The film \"%1\" can no longer be read").arg(FFileName);
        break;
      }
      TFilmProcessTable &row = FRows[static_cast<std::size_t>(i)];
      row.FrameNo = i + 1;
      MeasureFilmFrame(frame, FRect, row, readAsStored ? session.ReadSummary(i + 1) : std::nullopt);
      const bool filmFrame = frame.FHeader.Version == 5;
      const std::uint32_t seconds = filmFrame ? (frame.FFrameRec.TimeStamp & 0xFFFFFFu) : 0u;
      FSeconds[static_cast<std::size_t>(i)] = seconds;
      row.Time = seconds / 86400.0;
      row.CameraTemp = static_cast<float>(filmFrame ? frame.FFrameRec.CameraTemp : frame.FHeader.CameraTemp);
      row.Viewed = 0;
      row.MarkedSafe = 0;
      row.Note.clear();
    }
    {
      const std::lock_guard lock(FMutex);
      block.Read = i - block.First;
      block.Error = error;
      block.Log = capture.Take();
      block.Finished = true;
    }
    FFinished.notify_all();
    if (!error.isEmpty()) {
      int failed = FFailedBlock;
      while (static_cast<int>(b) < failed &&
             !FFailedBlock.compare_exchange_weak(failed, static_cast<int>(b))) {
      }
      return;
    }
  }
}

QString FilmFrameReaders::Wait(int index, const std::function<void()> &whileWaiting) {
  Block &block = FBlocks[static_cast<std::size_t>(index / kBlockFrames)];
  std::vector<QString> lines;
  QString error;
  {
    std::unique_lock lock(FMutex);
    while (!FFinished.wait_for(lock, std::chrono::milliseconds(30), [&block] { return block.Finished; })) {
      if (whileWaiting) {
        lock.unlock();
        whileWaiting();
        lock.lock();
      }
    }
    lines = std::move(block.Log);
    block.Log.clear();
    if (index >= block.First + block.Read) {
      error = block.Error.isEmpty() ? QStringLiteral("The film \"%1\" was not read to its end").arg(FFileName)
                                    : block.Error;
    }
  }
  for (const QString &line : lines) {
    ThermogramLog(line);
  }
  return error;
}

} // namespace calidarix
