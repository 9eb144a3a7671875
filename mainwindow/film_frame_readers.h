#pragma once
// The frames of a film processing run, read and measured ahead of the job on two threads. Reading a
// frame and passing over its pixels is nearly all of the job's time; two threads read two frames at
// once, in blocks of frames taken in turn, and the job takes the frames in order as they are ready.

#include "thermogram/tdtv.h"

#include <QString>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace calidarix {

class FilmFrameReaders {
public:
  // Starts reading `fileName` with the load options of `film` (taken now), measuring frame i (from 0)
  // over `rect` into rows[i] and its seconds since midnight into seconds[i]. Both hold a place for
  // every frame and must outlive the readers.
  FilmFrameReaders(const TDTV &film, const QString &fileName, const TRect &rect,
                   std::vector<TFilmProcessTable> &rows, std::vector<std::uint32_t> &seconds);
  ~FilmFrameReaders();
  FilmFrameReaders(const FilmFrameReaders &) = delete;
  FilmFrameReaders &operator=(const FilmFrameReaders &) = delete;

  // Waits until frame `index` is read and measured, calling `whileWaiting` (when given) every 30 ms
  // meanwhile. Returns why the frame could not be read, empty when it was. Frames are waited for in
  // order. The lines the readers logged are passed on to ThermogramLog here, on the caller's thread.
  QString Wait(int index, const std::function<void()> &whileWaiting);

  // Stops the readers and waits for them; afterwards the rows are the caller's alone.
  void Stop();

private:
  static constexpr int kThreads = 2;
  static constexpr int kBlockFrames = 16;

  struct Block {
    int First = 0;
    int End = 0;
    bool Finished = false;
    int Read = 0;  // frames read and measured from First on
    QString Error; // why frame First + Read could not be read
    std::vector<QString> Log;
  };

  void Run(int worker);

  const QString FFileName;
  const std::optional<std::uint32_t> FFileDate;
  const TRect FRect;
  std::vector<TFilmProcessTable> &FRows;
  std::vector<std::uint32_t> &FSeconds;
  std::array<std::unique_ptr<TDTV>, kThreads> FFrames;
  std::vector<Block> FBlocks;
  std::mutex FMutex; // guards the blocks' state once the threads run
  std::condition_variable FFinished;
  std::atomic<bool> FStop{false};
  std::atomic<int> FFailedBlock; // blocks after a failed one are not read
  std::vector<std::thread> FThreads;
};

} // namespace calidarix
