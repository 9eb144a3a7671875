// Fuzz target of the panorama folder reader: the fuzzer's bytes are the names in a panorama folder and
// its parameter file. The folder is listed, the frame names read for their counters, the parameters
// read and, with small frames written under the names, the panorama stitched, never with a crash.
// A name that parses gives the name back; a parameter file that reads has positive arcs.
//
// Input: byte 0 steers (bit 0: write a small frame under each name, else the files are empty; bit 1:
// list the frames only, else stitch and write the panorama); then
// up to 8 names, one a line, ended by a NUL byte; then the parameter file.

#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "head/panorama_folder.h"
#include "head/panorama_stitcher.h"
#include "thermogram/tdtv.h"

#include <QFileInfo>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

using namespace calidarix;

using calidarix::fuzz::Require;

QString Path(const std::filesystem::path &p) {
  return QString::fromStdString(p.string());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  if (size < 1)
    return 0;
  const std::filesystem::path folder =
      std::filesystem::path(fuzz::WriteInputFile("unused", {}).toStdString()).parent_path() / "pano";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);

  const std::string_view bytes(reinterpret_cast<const char *>(data + 1), size - 1);
  const std::size_t end = std::min(bytes.find('\0'), bytes.size());
  const std::string_view names = bytes.substr(0, end);
  const std::string_view params = end < bytes.size() ? bytes.substr(end + 1) : std::string_view();
  test::WriteText(folder / "pano.ini", std::string(params));

  TDTV frame;
  frame.FHeader.Version = 3;
  frame.FHeader.Width = 6;
  frame.FHeader.Height = 4;
  frame.FHeader.Scale = 40.0f / 65535;
  frame.FRaw.assign(24, 1000);
  std::size_t at = 0;
  for (int count = 0; count < 8 && at < names.size(); ++count) {
    std::size_t stop = names.find('\n', at);
    if (stop == std::string_view::npos)
      stop = names.size();
    std::string name(names.substr(at, std::min<std::size_t>(stop - at, 64)));
    at = stop + 1;
    for (char &c : name)
      if (c == '/')
        c = '_';
    if (name.empty() || name == "." || name == "..")
      continue;
    const QString qname = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    if (const std::optional<TPanoCounters> counters = ParsePanoFrameName(qname))
      Require(PanoFrameName(counters->Hor, counters->Ver).compare(qname, Qt::CaseInsensitive) == 0);
    const std::filesystem::path file = folder / name;
    if ((data[0] & 1) != 0)
      (void)frame.SaveDTV(Path(file));
    else
      test::WriteText(file, "");
  }

  const TPanoFolderListing listing = ListPanoFolder(Path(folder));
  for (const QString &file : listing.FrameFiles)
    Require(ParsePanoFrameName(QFileInfo(file).fileName()).has_value());
  TFOV fov;
  if (fov.LoadPanoParams(Path(folder / "pano.ini")))
    Require(fov.FScanArcH > 0.0 && fov.FScanArcV > 0.0);
  TFOV stitcher;
  (void)stitcher.ProcessPanoFolder(Path(folder), 9999, (data[0] & 2) != 0);
  return 0;
}
