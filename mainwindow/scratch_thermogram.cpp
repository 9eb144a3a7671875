#include "mainwindow/scratch_thermogram.h"

namespace calidarix {

void CopyLoadOptions(const TDTV &from, TDTV &to) {
  to.FFlipAfterLoad = from.FFlipAfterLoad;
  to.FMirrorAfterLoad = from.FMirrorAfterLoad;
  to.FRotateAfterLoad = from.FRotateAfterLoad;
  to.FRotateAngle = from.FRotateAngle;
  to.FStampCameraTemp = from.FStampCameraTemp;
  to.FDecodeDualScan = from.FDecodeDualScan;
  to.FTimeDelta = from.FTimeDelta;
  to.FProjection = from.FProjection;
}

} // namespace calidarix
