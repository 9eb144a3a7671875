#include "thermogram/formats/sample_frame_reading.h"

#include "thermogram/formats/decoded_frame.h"
#include "thermogram/formats/file_reading.h"
#include "thermogram/formats/range_normalise.h"
#include "thermogram/tdtv.h"

#include <QFile>

#include <utility>

namespace calidarix {

namespace {

IoResult ReadSampleFrame(const QString &fileName, int frame, const SampleFrameLayout &layout,
                         std::vector<std::uint16_t> &samples) {
  QFile file;
  if (IoResult opened = OpenForReading(file, fileName); !opened) {
    return opened;
  }
  const std::uint64_t count = std::uint64_t{layout.Width} * layout.Height;
  const std::optional<std::uint64_t> offset = FrameOffset(layout.FirstFrame, frame, count * 2);
  if (!offset) {
    return NoSuchFrame(frame);
  }
  return ReadSamples16(file, *offset, count, layout.BigEndian, samples);
}

} // namespace

IoResult LoadSampleFrame(TDTV &dtv, const QString &fileName, int frame, const SampleFrameLayout &layout,
                         SampleValues values) {
  DecodedFrame decoded{layout.Width, layout.Height, {}};
  if (IoResult read = ReadSampleFrame(fileName, frame, layout, decoded.Raw); !read) {
    return read;
  }
  const NormalisedRange range = NormaliseRange(decoded.Raw, RangeSamples::NonZero);
  InstallFileFrame(dtv, fileName, std::move(decoded));
  if (values == SampleValues::Temperatures) {
    dtv.FHeader.Offset = range.Offset;
    dtv.FHeader.Scale = range.Scale;
  }
  return IoResult::Ok();
}

} // namespace calidarix
