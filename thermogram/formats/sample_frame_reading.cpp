#include "thermogram/formats/sample_frame_reading.h"

#include "thermogram/formats/file_reading.h"

#include <QFile>

namespace calidarix {

IoResult ReadSampleFrame(const QString &fileName, int frame, const SampleFrameLayout &layout,
                         std::vector<std::uint16_t> &samples) {
  QFile file;
  if (IoResult opened = OpenForReading(file, fileName); !opened) {
    return opened;
  }
  const std::uint64_t count = std::uint64_t{layout.Width} * layout.Height;
  const std::optional<std::uint64_t> offset = FrameOffset(layout.FirstFrame, frame, count * 2);
  if (!offset) {
    return IoResult::Error(QStringLiteral("There is no frame %1").arg(frame));
  }
  return ReadSamples16(file, *offset, count, layout.BigEndian, samples);
}

} // namespace calidarix
