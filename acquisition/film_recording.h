#pragma once
// Film recording beside the live picture: where the temporary films and video frames go, and when a
// film is full. A film rolls over (is finished and a new one begun with the next frame) at 65,535
// frames, the most its 16-bit frame count holds, or at 1 GiB, whichever comes first, for each band.

#include <cstdint>
#include <filesystem>
#include <string>

namespace calidarix {

inline constexpr std::uint64_t kFilmRolloverBytes = std::uint64_t{1} << 30;
inline constexpr int kFilmRolloverFrames = 65535;
// The size at which a film rolls over; tests lower it.
extern std::uint64_t FilmRolloverBytes;

// True when the film holds `frames` frames in `fileBytes` bytes and takes no more.
bool FilmIsFull(std::uint64_t fileBytes, int frames);
// The same for a film file (a missing file is not full).
bool FilmFileIsFull(const std::filesystem::path &film, int frames);

// "vid" + the frame number in five digits + ".jpg".
std::string VideoFrameName(int frame);

} // namespace calidarix
