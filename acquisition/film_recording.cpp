#include "acquisition/film_recording.h"

#include <cstdio>
#include <system_error>

namespace calidarix {

std::uint64_t FilmRolloverBytes = kFilmRolloverBytes;

bool FilmIsFull(std::uint64_t fileBytes, int frames) {
  return fileBytes >= FilmRolloverBytes || frames >= kFilmRolloverFrames;
}

bool FilmFileIsFull(const std::filesystem::path &film, int frames) {
  std::error_code ec;
  const std::uintmax_t bytes = std::filesystem::file_size(film, ec);
  return FilmIsFull(ec ? 0 : bytes, frames);
}

std::string VideoFrameName(int frame) {
  char name[32];
  std::snprintf(name, sizeof name, "vid%05d.jpg", frame);
  return name;
}

} // namespace calidarix
