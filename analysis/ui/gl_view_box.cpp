// The 3-D view's box mode: the six face textures of a panorama seen from inside a cube, drawing the box
// or the frames of a panorama folder in their own directions, and the frame-by-frame display that flies
// the frames in one after the other.
//
// Faces and frames are uploaded either as 16-bit luminance raw values, coloured at drawing time by the
// palette shader, or as RGBA texels coloured when built. The luminance path keeps the full raw value:
// an 8-bit channel would merge neighbouring levels, and the palette window of a narrow range would show
// steps that the thermogram does not have.

#include "analysis/ui/gl_view.h"

#include "head/panorama_box.h"
#include "mainwindow/ui/logger_window.h"
#include "platform/numbers.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QHideEvent>
#include <QOpenGLFunctions_2_0>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace calidarix {

namespace {

using A = TViewAction;

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;
constexpr int kFrameTextureWidth = 512;
constexpr int kFrameTextureHeight = 256;
constexpr int kFlyInSteps = 32;

// Clamp-to-edge, linear magnification, nearest minification, no mipmaps.
void SetTextureParameters(QOpenGLFunctions_2_0 &gl) {
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
}

// Binds `name`, generating it first when it names no texture.
void BindOrCreate(QOpenGLFunctions_2_0 &gl, unsigned &name) {
  if (name == 0 || !gl.glIsTexture(name))
    gl.glGenTextures(1, &name);
  gl.glBindTexture(GL_TEXTURE_2D, name);
  SetTextureParameters(gl);
}

void UploadRaw(QOpenGLFunctions_2_0 &gl, int w, int h, const std::vector<std::uint16_t> &raw) {
  gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
  // 16 bits per texel: the palette shader reads the raw value as it is.
  gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE16, w, h, 0, GL_LUMINANCE, GL_UNSIGNED_SHORT, raw.data());
}

void UploadRgba(QOpenGLFunctions_2_0 &gl, int w, int h, const std::vector<TTexel> &texels) {
  gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
}

// A textured rectangle at x = 1 from (1, h, v) to (1, -h, -v), the texture's first row at the top.
void DrawTexturedQuad(QOpenGLFunctions_2_0 &gl, float h, float v) {
  gl.glBegin(GL_QUADS);
  gl.glNormal3f(-1.0f, 0.0f, 0.0f);
  gl.glTexCoord2f(0.0f, 0.0f);
  gl.glVertex3f(1.0f, h, v);
  gl.glTexCoord2f(1.0f, 0.0f);
  gl.glVertex3f(1.0f, -h, v);
  gl.glTexCoord2f(1.0f, 1.0f);
  gl.glVertex3f(1.0f, -h, -v);
  gl.glTexCoord2f(0.0f, 1.0f);
  gl.glVertex3f(1.0f, h, -v);
  gl.glEnd();
}

void ProcessEvents() {
  QApplication::processEvents();
}

} // namespace

bool TGLview::BoxShaderSwitch() const {
  // The luminance path needs the palette shader that colours it.
  return GLSLVersion >= 12 && Action(A::aShaderForGLSL11)->isChecked() && PaletteProgram != 0;
}

bool TGLview::IsTexture(unsigned name) {
  return name != 0 && MakeCurrent() && FGL->glIsTexture(name) == GL_TRUE;
}

void TGLview::Blend(bool on) {
  FBlendOn = on;
}

void TGLview::ChangeToBoxMode(bool enable) {
  const bool changed = FBoxMode != enable;
  FBoxMode = enable;
  show();
  raise();
  activateWindow();
  if (enable) {
    if (CurrentDTV && CurrentDTV->FScanReconstructed) {
      FLightingOn = false;
      BuildBoxFaces();
      State.FieldOfView = 60.0f;
      FPanoLoaded = false;
      update();
    } else {
      // The faces stay as they were, but they may show another thermogram: picks read nothing
      // rather than this thermogram through that one's angles.
      State.BoxRadPerPixelH = 0.0;
      State.BoxRadPerPixelV = 0.0;
    }
  } else {
    FLightingOn = true;
    DTVchanged();
  }
  if (changed) {
    ResetView(true);
    State.SamplePoints.clear();
    State.SampleTemps.clear();
  }
}

void TGLview::BuildBoxFaces() {
  if (!CurrentDTV || !CurrentDTV->FScanReconstructed || !MakeCurrent())
    return;
  const TDTV &dtv = *CurrentDTV;
  const TBoxAngles angles = BoxAnglesOf(dtv);
  State.BoxRadPerPixelH = angles.RadPerPixelH;
  State.BoxRadPerPixelV = angles.RadPerPixelV;
  const int side = std::max(1, State.BoxSide);
  QOpenGLFunctions_2_0 &gl = *FGL;
  gl.glActiveTexture(GL_TEXTURE0);
  FBoxShaded = BoxShaderSwitch();
  if (FBoxShaded) {
    std::vector<std::uint16_t> raw;
    for (int k = 0; k < 6; ++k) {
      dtv.BuildCubeFaceRaw(raw, side, k);
      BindOrCreate(gl, BoxTextures[static_cast<std::size_t>(k)]);
      UploadRaw(gl, side, side, raw);
    }
    // The shader colours the faces through the palette textures, which must hold this thermogram's
    // palettes whatever mode the view was in when they were last loaded.
    UploadPaletteTextures(true, true);
    ReValPallette();
  } else {
    std::vector<TTexel> texels;
    for (int k = 0; k < 6; ++k) {
      dtv.BuildCubeFaceColors(texels, side, k);
      BindOrCreate(gl, BoxTextures[static_cast<std::size_t>(k)]);
      UploadRgba(gl, side, side, texels);
    }
  }
  gl.glBindTexture(GL_TEXTURE_2D, 0);
  if (UserLogOn())
    logger->AppendLine(QStringLiteral("3-D view: box faces of %1 texels built").arg(side));
}

void TGLview::ClearBoxFaces() {
  State.BoxRadPerPixelH = 0.0;
  State.BoxRadPerPixelV = 0.0;
  if (!MakeCurrent())
    return;
  for (unsigned &name : BoxTextures) {
    if (name != 0 && FGL->glIsTexture(name))
      FGL->glDeleteTextures(1, &name);
    name = 0;
  }
}

void TGLview::DrawBox() {
  QOpenGLFunctions_2_0 &gl = *FGL;
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gl.glEnable(GL_TEXTURE_2D);
  gl.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  gl.glActiveTexture(GL_TEXTURE0);
  const bool shaded = FPanoLoaded ? FPanoShaded : FBoxShaded;
  if (shaded && PaletteProgram != 0) {
    gl.glUseProgram(PaletteProgram);
    if (LocPaletteBypass >= 0)
      gl.glUniform1i(LocPaletteBypass, 0);
  } else {
    gl.glUseProgram(0);
  }
  if (FPanoLoaded) {
    DrawPanoFrames();
  } else {
    // Face 0 looks along +x; each next face is reached by turning on from the last. The turns add up
    // to a half turn about z, and the read-outs of picked points count on that final orientation.
    const auto face = [&](int k, bool always) {
      const unsigned name = BoxTextures[static_cast<std::size_t>(k)];
      const bool valid = name != 0 && gl.glIsTexture(name);
      if (!valid && !always)
        return;
      gl.glBindTexture(GL_TEXTURE_2D, valid ? name : 0);
      DrawTexturedQuad(gl, 1.0f, 1.0f);
    };
    gl.glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    face(0, true);
    gl.glRotatef(-90.0f, 0.0f, 0.0f, 1.0f);
    face(1, false);
    gl.glRotatef(-90.0f, 0.0f, 0.0f, 1.0f);
    face(2, false);
    gl.glRotatef(-90.0f, 0.0f, 0.0f, 1.0f);
    face(3, false);
    gl.glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
    gl.glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);
    face(4, false);
    gl.glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    face(5, false);
    gl.glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);
  }
  if (shaded && PaletteProgram != 0 && LocPaletteBypass >= 0)
    gl.glUniform1i(LocPaletteBypass, 1);
  gl.glUseProgram(0);
  gl.glBindTexture(GL_TEXTURE_2D, 0);
  gl.glDisable(GL_TEXTURE_2D);
}

void TGLview::DrawPanoFrames() {
  QOpenGLFunctions_2_0 &gl = *FGL;
  if (!PanoFOV)
    return;
  if (!FPanoDepthTest)
    gl.glDisable(GL_DEPTH_TEST);
  const TFOV &fov = *PanoFOV;
  const int count = static_cast<int>(std::min(PanoTextures.size(), fov.FSortIndex.size()));
  // The first frame of the order is drawn last, over the others.
  for (int i = count - 1; i >= 0; --i) {
    const unsigned name = PanoTextures[static_cast<std::size_t>(i)];
    const int index = fov.FSortIndex[static_cast<std::size_t>(i)];
    if (name == 0 || !gl.glIsTexture(name) || index < 0 || index >= static_cast<int>(fov.FFrames.size()))
      continue;
    const TPanoFrame &f = fov.FFrames[static_cast<std::size_t>(index)];
    gl.glPushMatrix();
    gl.glRotatef(static_cast<float>(-f.HorAngle * kDegreesPerRadian), 0.0f, 0.0f, 1.0f);
    gl.glRotatef(static_cast<float>(-fov.GetNonorthogonality() * kDegreesPerRadian), 1.0f, 0.0f, 0.0f);
    gl.glRotatef(static_cast<float>(-f.VerAngle * kDegreesPerRadian), 0.0f, 1.0f, 0.0f);
    gl.glRotatef(static_cast<float>(-fov.GetFrameTilt() * kDegreesPerRadian), 1.0f, 0.0f, 0.0f);
    gl.glTranslatef(State.BoxFineAdjust, 0.0f, 0.0f);
    gl.glTranslatef(0.0f, fov.FWeightShiftX / 100.0f * FrustumTanH, fov.FWeightShiftY / 100.0f * FrustumTanV);
    if (i == PanoFrameIndex) {
      if (FlyInFraction != 1.0f)
        gl.glScalef(FlyInFraction, FlyInFraction, FlyInFraction);
      DrawFrustumFrame();
    }
    gl.glBindTexture(GL_TEXTURE_2D, name);
    DrawTexturedQuad(gl, FrustumTanH, FrustumTanV);
    gl.glPopMatrix();
  }
}

void TGLview::DrawFrustumFrame() {
  QOpenGLFunctions_2_0 &gl = *FGL;
  const float h = FrustumTanH;
  const float v = FrustumTanV;
  const std::array<std::array<float, 3>, 4> corners{
      {{1.0f, h, v}, {1.0f, -h, v}, {1.0f, -h, -v}, {1.0f, h, -v}}};
  GLint program = 0;
  gl.glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  // The outline is plain white, not a palette level.
  gl.glUseProgram(0);
  gl.glDisable(GL_TEXTURE_2D);
  gl.glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  gl.glBegin(GL_LINES);
  for (const auto &c : corners) {
    gl.glVertex3fv(c.data());
    gl.glVertex3f(0.0f, 0.0f, 0.0f);
  }
  gl.glEnd();
  gl.glBegin(GL_LINE_LOOP);
  for (const auto &c : corners)
    gl.glVertex3fv(c.data());
  gl.glEnd();
  gl.glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
  gl.glEnable(GL_TEXTURE_2D);
  gl.glUseProgram(static_cast<GLuint>(program));
}

void TGLview::DeletePanoTextures() {
  if (PanoTextures.empty() || !MakeCurrent())
    return;
  for (unsigned &name : PanoTextures) {
    if (name != 0 && FGL->glIsTexture(name))
      FGL->glDeleteTextures(1, &name);
    // A deleted name can be handed out again for another texture (a box face): it is forgotten here,
    // so that the next run does not take that texture for one of its frames.
    name = 0;
  }
}

void TGLview::hideEvent(QHideEvent *event) {
  DeletePanoTextures();
  QWidget::hideEvent(event);
}

void TGLview::UpdateArcs() {
  if (!PanoFOV)
    return;
  constexpr double k = kPanoK;
  const double halfV = PanoFOV->FVerArc / k / 2.0;
  const double halfH = PanoFOV->FHorArc / k / 2.0;
  FrustumTanV = static_cast<float>(std::tan(halfV));
  FrustumTanH = static_cast<float>(std::tan(halfH) / std::cos(halfV));
}

void TGLview::ProcessPano(const QString &folderName, bool process) {
  if (!PanoDTV) {
    PanoDTV = std::make_unique<TDTV>();
    PanoDTV->MakeDemoImage();
    if (CurrentDTV) {
      const TDTV &c = *CurrentDTV;
      PanoDTV->PalBottom = c.PalBottom;
      PanoDTV->PalTop = c.PalTop;
      PanoDTV->IsoBottom = c.IsoBottom;
      PanoDTV->IsoTop = c.IsoTop;
      PanoDTV->FPalette = c.FPalette;
      PanoDTV->FIsoPalette = c.FIsoPalette;
      PanoDTV->isIso = c.isIso;
    }
  }
  State.AbortRequested = false;
  Action(A::aDynamic)->setChecked(false);
  if (State.SaveEveryFrameOn && !isMaximized()) {
    showMaximized();
  } else {
    State.ViewDistance = 3.3f;
    State.EyePoint[0] = 3.3f;
  }
  FPanoLoaded = true;
  FPanoDepthTest = true;
  DeletePanoTextures();
  if (!PanoFOV)
    PanoFOV = std::make_unique<TFOV>();
  TFOV &fov = *PanoFOV;

  if (process) {
    Blend(false);
    QString folder = folderName;
    if (!folder.endsWith(QLatin1Char('/')))
      folder += QLatin1Char('/');
    // Only lists and orders the frames; a folder without a (valid) parameter file ends here.
    const TStitchResult listed = fov.ProcessPanoFolder(folder, 9999, true);
    if (listed.Outcome != TStitchOutcome::Listed)
      return;
  }
  if (fov.FFrames.empty() || fov.FSortIndex.empty())
    return;

  // The frames' mean temperature; the first frame's mean is set to it below.
  double sum = 0.0;
  int loaded = 0;
  TPoint lastSize;
  for (int index : fov.FSortIndex) {
    const TPanoFrame &f = fov.FFrames[static_cast<std::size_t>(index)];
    if (PanoDTV->LoadFromFile(f.FileName, 1)) {
      PanoDTV->UpdateStatistics();
      sum += PanoDTV->RawToTemperature(PanoDTV->FRawMean);
      ++loaded;
      lastSize = TPoint{PanoDTV->Width(), PanoDTV->Height()};
    }
    ProcessEvents();
  }
  if (loaded == 0)
    return;
  fov.SetFrameWidth(lastSize.X);
  fov.SetFrameHeight(lastSize.Y);
  const double meanT = sum / loaded;

  const std::optional<TPanoFrameRemap> remap =
      MakePanoFrameRemap(fov.FHorArc, fov.FVerArc, fov.GetFrameWidth(), fov.GetFrameHeight());
  if (!remap)
    return;
  UpdateArcs();

  const std::size_t frames = fov.FSortIndex.size();
  PanoTextures.assign(frames, 0);
  State.PanDragging = true;
  State.ViewDistance = 1.0f;
  State.SpinAngle = -65.0f;
  State.TiltAngle = -45.0f;
  State.FieldOfView = 35.0f;
  FormPaint();
  State.PanDragging = false;
  Action(A::aCoordinateGrid)->setChecked(false);
  FPanoDepthTest = false;
  int steps = kFlyInSteps;
  const auto firstFrame = [&]() -> const TPanoFrame & {
    return fov.FFrames[static_cast<std::size_t>(fov.FSortIndex.front())];
  };
  if (State.SaveEveryFrameOn)
    State.SpinAngle = static_cast<float>(firstFrame().HorDeg + 135);

  FPanoShaded = BoxShaderSwitch();
  std::vector<std::uint16_t> raw;
  std::vector<TTexel> texels;
  bool first = true;
  for (std::size_t i = 0; i < frames; ++i) {
    const TPanoFrame &f = fov.FFrames[static_cast<std::size_t>(fov.FSortIndex[i])];
    if (PanoDTV->LoadFromFile(f.FileName, 1)) {
      PanoDTV->ResampleSymmetric(remap->ColumnMap, remap->RowMap);
      // All frames share one raw scale.
      PanoDTV->SetTemperatureRange(true, fov.FMinTemp, fov.FMaxTemp);
      if (first) {
        first = false;
        const double scale = PanoDTV->FHeader.Scale;
        if (scale != 0.0)
          PanoDTV->FRawMean = RoundToInt32((meanT - PanoDTV->FHeader.Offset) / scale);
      }
      if (MakeCurrent()) {
        QOpenGLFunctions_2_0 &gl = *FGL;
        gl.glActiveTexture(GL_TEXTURE0);
        if (FPanoShaded) {
          PanoDTV->SubsampleHeightMap(raw, TPoint{kFrameTextureWidth, kFrameTextureHeight}, TPoint{1, 1});
          BindOrCreate(gl, PanoTextures[i]);
          UploadRaw(gl, kFrameTextureWidth, kFrameTextureHeight, raw);
          if (i == 0)
            UploadPaletteTextures(true, true);
          ReValPallette();
          ResetView(true);
        } else {
          PanoDTV->FillColorTexture(texels, TPoint{1, 1}, TPoint{kFrameTextureWidth, kFrameTextureHeight},
                                    false);
          for (TTexel &t : texels)
            t.A = 128;
          BindOrCreate(gl, PanoTextures[i]);
          UploadRgba(gl, kFrameTextureWidth, kFrameTextureHeight, texels);
        }
        gl.glBindTexture(GL_TEXTURE_2D, 0);
      }
    }
    PanoFrameIndex = static_cast<int>(i);
    if (!State.SaveEveryFrameOn)
      State.SpinAngle = static_cast<float>(f.HorDeg + 135);
    if (steps > 1)
      --steps;
    for (int s = 1; s <= steps; ++s) {
      FlyInStep = s;
      FlyInFraction = static_cast<float>(s) / static_cast<float>(steps);
      FormPaint();
      if (State.SaveEveryFrameOn) {
        State.SpinAngle += 360.0f / static_cast<float>(frames) / static_cast<float>(steps);
        if (State.ViewDistance < 3.3f)
          State.ViewDistance += 0.03f / static_cast<float>(steps);
      }
      State.EyePoint[0] = State.ViewDistance;
    }
    ProcessEvents();
    if (State.AbortRequested) {
      // The frames shown so far stay.
      State.AbortRequested = false;
      return;
    }
  }
  PanoFrameIndex = kNoPanoFrame;

  if (State.SaveEveryFrameOn) {
    // The closing flight: out of the sphere of frames, turning and widening the view.
    for (int k = 0; k <= 3000; ++k) {
      State.SpinAngle += (4.0f * State.ViewDistance + 1.0f) * 0.1f + static_cast<float>(k) / 3000.0f;
      if (State.SpinAngle > 540.0f)
        break;
      if (State.ViewDistance > 0.0f)
        State.ViewDistance -= 0.02f;
      if (State.LookPoint[0] > -1.0f)
        State.LookPoint[0] -= 0.02f;
      State.EyePoint[0] = State.ViewDistance;
      if (State.TiltAngle < -15.0f)
        State.TiltAngle += 0.35f;
      if (State.FieldOfView < 60.0f)
        State.FieldOfView += 0.2f;
      FormPaint();
      ProcessEvents();
      if (State.AbortRequested) {
        State.AbortRequested = false;
        State.PanDragging = false;
        return;
      }
    }
    return;
  }
  Action(A::aDynamic)->setChecked(true);
  State.ApproachAnim = true;
}

} // namespace calidarix
