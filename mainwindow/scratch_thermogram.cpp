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

void CopyPaletteView(const TDTV &from, TDTV &to) {
  to.FPalette = from.FPalette;
  to.FIsoPalette = from.FIsoPalette;
  to.PalBottom = from.PalBottom;
  to.PalTop = from.PalTop;
  to.IsoBottom = from.IsoBottom;
  to.IsoTop = from.IsoTop;
  to.isIso = from.isIso;
  to.isIsoColor = from.isIsoColor;
  to.isIsoAuto = from.isIsoAuto;
}

} // namespace calidarix
