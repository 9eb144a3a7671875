// Drawing one frame of the 3-D view: the stereo pair or the single view with the surface mesh (or the
// box mode's picture), the light, the read-outs over the picture and the saving of the frame.

#include "analysis/ui/gl_view.h"

#include "analysis/view3d_matrices.h"
#include "analysis/view3d_overlays.h"
#include "mainwindow/jpeg_writer.h"
#include "mainwindow/ui/logger_window.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QFontMetrics>
#include <QImage>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_2_0>
#include <QPainter>

#include <chrono>
#include <cmath>
#include <numbers>
#include <optional>

namespace calidarix {

namespace {

using A = TViewAction;

std::int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

} // namespace

void TGLview::FormPaint() {
  if (!isVisible() || !RenderFrame())
    return;
  FPictureFresh = true;
  repaint();
}

QImage TGLview::RenderPicture() {
  RenderFrame();
  return FPicture;
}

void TGLview::FormResize() {
  // The projection is applied at every frame from the field of view and the size of that moment.
  update();
}

bool TGLview::RenderFrame() {
  ++FPaintCount;
  if (!MakeCurrent())
    return false;
  const qreal ratio = devicePixelRatio();
  const int w = std::max(1, static_cast<int>(std::lround(width() * ratio)));
  const int h = std::max(1, static_cast<int>(std::lround(height() * ratio)));
  if (!FFrameBuffer || FFrameBuffer->size() != QSize(w, h)) {
    FFrameBuffer = std::make_unique<QOpenGLFramebufferObject>(QSize(w, h), QOpenGLFramebufferObject::Depth);
    if (!FFrameBuffer->isValid()) {
      FFrameBuffer.reset();
      if (logger)
        logger->AppendLine(
            QStringLiteral("3-D view: no frame buffer of %1 x %2 on this driver").arg(w).arg(h));
      return false;
    }
  }
  FFrameBuffer->bind();
  DrawFrame(w, h);
  // The picture, rows from the bottom in the frame buffer, top row first in the image.
  QImage block(w, h, QImage::Format_RGBA8888);
  FGL->glPixelStorei(GL_PACK_ALIGNMENT, 4);
  FGL->glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, block.bits());
  FFrameBuffer->release();
  FPicture = block.mirrored().convertToFormat(QImage::Format_RGB32);
  FPicture.setDevicePixelRatio(ratio);
  if (State.SaveEveryFrameOn)
    SaveFrameJpeg();
  return true;
}

void TGLview::ApplyDrawingState() {
  QOpenGLFunctions_2_0 &gl = *FGL;
  // Anything that painted on this context before (the window system's composition shares nothing, but
  // the arrays and programs of the last frame are still bound) is put back to the view's own state.
  gl.glBindBuffer(GL_ARRAY_BUFFER, 0);
  gl.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  for (GLuint i = 0; i < 4; ++i)
    gl.glDisableVertexAttribArray(i);
  gl.glUseProgram(0);
  gl.glActiveTexture(GL_TEXTURE0);
  gl.glDisable(GL_TEXTURE_2D);
  gl.glDisable(GL_SCISSOR_TEST);
  gl.glDisable(GL_STENCIL_TEST);
  gl.glDisable(GL_CULL_FACE);
  gl.glDisable(GL_LINE_STIPPLE);

  gl.glLineWidth(1.0f);
  gl.glEnable(GL_LINE_SMOOTH);
  gl.glEnable(GL_POINT_SMOOTH);
  if (FBlendOn)
    gl.glEnable(GL_BLEND);
  else
    gl.glDisable(GL_BLEND);
  gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  gl.glHint(GL_LINE_SMOOTH_HINT, GL_DONT_CARE);
  gl.glEnable(GL_DEPTH_TEST);
  gl.glDepthFunc(GL_LESS);
  gl.glDepthMask(GL_TRUE);
  gl.glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  gl.glPointSize(20.0f);
  gl.glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  gl.glEnable(GL_COLOR_MATERIAL);
  // Hidden vertices (alpha 0) and the quads around them are never drawn, whether blending is on or not.
  gl.glEnable(GL_ALPHA_TEST);
  gl.glAlphaFunc(GL_GREATER, 0.0f);
  if (FLightingOn) {
    gl.glEnable(GL_LIGHTING);
    gl.glEnable(GL_LIGHT0);
  } else {
    gl.glDisable(GL_LIGHTING);
  }
  gl.glShadeModel(FSmoothShade ? GL_SMOOTH : GL_FLAT);
  gl.glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void TGLview::BindMeshArrays() {
  QOpenGLFunctions_2_0 &gl = *FGL;
  const bool mesh = !State.MeshVertices.empty() && State.MeshNormals.size() == State.MeshVertices.size() &&
                    State.MeshColors.size() * 3 == State.MeshVertices.size();
  if (!mesh) {
    gl.glDisableClientState(GL_VERTEX_ARRAY);
    gl.glDisableClientState(GL_COLOR_ARRAY);
    gl.glDisableClientState(GL_NORMAL_ARRAY);
    return;
  }
  gl.glEnableClientState(GL_VERTEX_ARRAY);
  gl.glVertexPointer(3, GL_FLOAT, 0, State.MeshVertices.data());
  gl.glColorPointer(4, GL_UNSIGNED_BYTE, 0, State.MeshColors.data());
  gl.glNormalPointer(GL_FLOAT, 0, State.MeshNormals.data());
  if (FColorArrayOn)
    gl.glEnableClientState(GL_COLOR_ARRAY);
  else
    gl.glDisableClientState(GL_COLOR_ARRAY);
  if (FLightingOn)
    gl.glEnableClientState(GL_NORMAL_ARRAY);
  else
    gl.glDisableClientState(GL_NORMAL_ARRAY);
}

void TGLview::ApplyProjection(int x, int w, int h, bool stereoLeft, bool stereo) {
  QOpenGLFunctions_2_0 &gl = *FGL;
  const int fullWidth = stereo ? 2 * w : w;
  gl.glMatrixMode(GL_PROJECTION);
  gl.glViewport(x, 0, w, h);
  TMat4 projection = PerspectiveMat4(State.FieldOfView, static_cast<double>(fullWidth) / std::max(h, 1),
                                     State.ZNear, State.ZFar);
  if (stereo) {
    const float d = State.ViewDistance;
    const float side = stereoLeft ? State.StereoSeparation : -State.StereoSeparation;
    const TMat4 look = d != 0.0f ? LookAtMat4({d, side, d / 2.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f})
                                 : LookAtMat4({0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    projection = MultiplyMat4(projection, look);
  } else {
    projection = MultiplyMat4(projection, LookAtMat4(State.EyePoint, State.LookPoint, State.UpVector));
  }
  gl.glLoadMatrixd(projection.data());
  gl.glMatrixMode(GL_MODELVIEW);
}

void TGLview::DrawFrame(int w, int h) {
  QOpenGLFunctions_2_0 &gl = *FGL;
  FOverlayTexts.clear();

  ApplyDrawingState();
  gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // The picture stays opaque: vertex alphas hide or blend fragments but are never written, or the
  // window would show a transparent vertex lighter than its colour.
  gl.glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  CountFrame(State, SteadyMilliseconds());
  if (FUniformsDirty)
    SetPaletteUniforms(false);
  if (ColorProgramInUse())
    gl.glUseProgram(ColorProgram);
  BindMeshArrays();
  const bool gridOnly = Checked(A::aGridOnly);

  if (Checked(A::a3Dstereo)) {
    // Two passes side by side, each with its own eye; the stereo pair carries no overlays.
    for (int pass = 0; pass < 2; ++pass) {
      ApplyProjection(pass == 0 ? 0 : w / 2, w / 2, h, pass == 0, true);
      gl.glLoadIdentity();
      gl.glRotatef(State.TiltAngle, 0.0f, 1.0f, 0.0f);
      gl.glRotatef(State.SpinAngle, 0.0f, 0.0f, 1.0f);
      gl.glScalef(1.0f, 1.0f, State.ReliefScale);
      if (gridOnly)
        DrawWireGrid();
      else
        DrawMeshRows();
      gl.glRotatef(State.LightSpin, 0.0f, 0.0f, 1.0f);
      gl.glRotatef(State.LightTilt, 1.0f, 0.0f, 0.0f);
      gl.glLightfv(GL_LIGHT0, GL_POSITION, State.LightPosition.data());
      if (pass == 0)
        gl.glFlush();
    }
    gl.glDisableClientState(GL_VERTEX_ARRAY);
    gl.glDisableClientState(GL_COLOR_ARRAY);
    gl.glDisableClientState(GL_NORMAL_ARRAY);
    gl.glUseProgram(0);
    return;
  }

  ApplyProjection(0, w, h, false, false);
  gl.glLoadIdentity();
  gl.glRotatef(State.TiltAngle, 0.0f, 1.0f, 0.0f);
  gl.glRotatef(State.SpinAngle, 0.0f, 0.0f, 1.0f);
  const bool fly = Checked(A::aFlyMode);
  if (fly) {
    gl.glTranslatef(State.LookPoint[0], State.LookPoint[1], State.LookPoint[2]);
    gl.glTranslatef(State.FlyPosition[0], State.FlyPosition[1], State.FlyPosition[2]);
  }

  if (FBoxMode) {
    DrawBox();
    // The globe shows the directions.
    if (Checked(A::aCoordinateGrid))
      DrawCoordinateGlobe();
  } else {
    gl.glScalef(1.0f, 1.0f, State.ReliefScale);
    gl.glTranslatef(0.0f, 0.0f, -0.5f);
    SetColorBypass(0);
    gl.glTranslatef(State.PanOffset[0], State.PanOffset[1], 0.0f);
    if (gridOnly)
      DrawWireGrid();
    else
      DrawMeshRows();
    SetColorBypass(1);
    if (fly) {
      const TVec3 &v = State.FlyVelocity;
      const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      const TVec3 unit = length > 0.0f ? TVec3{v[0] / length, v[1] / length, v[2] / length} : TVec3{0, 0, 0};
      gl.glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
      gl.glBegin(GL_LINES);
      gl.glVertex3f(0.2f, 0.0f, 0.0f);
      gl.glVertex3f(-0.2f, 0.0f, 0.0f);
      gl.glVertex3f(0.0f, 0.2f, 0.0f);
      gl.glVertex3f(0.0f, -0.2f, 0.0f);
      gl.glVertex3f(0.0f, 0.0f, 0.2f);
      gl.glVertex3f(0.0f, 0.0f, -0.2f);
      gl.glVertex3f(0.0f, 0.0f, 0.0f);
      gl.glVertex3fv(unit.data());
      gl.glVertex3fv(State.EyePoint.data());
      gl.glVertex3fv(State.LookPoint.data());
      gl.glEnd();
    }
    PlaceLight();
  }
  gl.glDisableClientState(GL_VERTEX_ARRAY);
  gl.glDisableClientState(GL_COLOR_ARRAY);
  gl.glDisableClientState(GL_NORMAL_ARRAY);
  gl.glUseProgram(0);

  const bool sample = Checked(A::aTemperatureSample);
  if (State.PickPending || sample || !State.SampleTemps.empty()) {
    gl.glGetIntegerv(GL_VIEWPORT, FViewport.data());
    gl.glGetDoublev(GL_MODELVIEW_MATRIX, FModelView.data());
    gl.glGetDoublev(GL_PROJECTION_MATRIX, FProjection.data());
  }
  if (State.PickPending)
    PickSamplePoint(h);
  if (FBoxMode) {
    if (sample)
      DrawTemperatureSample(h);
    DrawSamples(w, h);
  }
  if (Checked(A::aShowStatus))
    DrawStatusOverlay();
  DrawOverlayTexts();
}

void TGLview::SetColorBypass(int value) {
  if (ColorProgramInUse() && LocColorBypass >= 0)
    FGL->glUniform1i(LocColorBypass, value);
}

void TGLview::PlaceLight() {
  QOpenGLFunctions_2_0 &gl = *FGL;
  if (!Checked(A::aFixedLight)) {
    gl.glRotatef(State.LightSpin, 0.0f, 0.0f, 1.0f);
    gl.glRotatef(State.LightTilt, 1.0f, 0.0f, 0.0f);
    gl.glLightfv(GL_LIGHT0, GL_POSITION, State.LightPosition.data());
    return;
  }
  gl.glLoadIdentity();
  gl.glRotatef(15.0f, 0.0f, 1.0f, 0.0f);
  gl.glRotatef(15.0f, 0.0f, 0.0f, 1.0f);
  if (State.EyePoint[0] >= 1.0f) {
    const std::array<float, 4> eye{State.EyePoint[0], State.EyePoint[1], State.EyePoint[2],
                                   State.LookPoint[0]};
    gl.glLightfv(GL_LIGHT0, GL_POSITION, eye.data());
  } else {
    gl.glLightfv(GL_LIGHT0, GL_POSITION, State.LightPosition.data());
  }
}

void TGLview::DrawMeshRows() {
  const int cols = State.MeshCols;
  const int rows = State.MeshRows;
  if (cols < 1 || rows < 2 || State.MeshIndices.size() < 2 * static_cast<std::size_t>(cols) * (rows - 1) ||
      State.MeshVertices.empty())
    return;
  const GLuint last = static_cast<GLuint>(cols * rows - 1);
  for (int r = 0; r + 1 < rows; ++r)
    FGL->glDrawRangeElements(GL_QUAD_STRIP, 0, last, 2 * cols, GL_UNSIGNED_INT,
                             State.MeshIndices.data() + 2 * static_cast<std::size_t>(cols) * r);
}

void TGLview::DrawWireGrid() {
  const int cols = State.MeshCols;
  const int rows = State.MeshRows;
  if (cols < 1 || rows < 1 || State.MeshVertices.empty())
    return;
  const int stepX = std::max(1, State.WireStepX);
  const int stepY = std::max(1, State.WireStepY);
  for (int r = 0; r < rows; r += stepY)
    FGL->glDrawArrays(GL_LINE_STRIP, cols * r, cols);
  std::vector<GLuint> column(static_cast<std::size_t>(rows));
  for (int c = 0; c < cols; c += stepX) {
    for (int k = 0; k < rows; ++k)
      column[static_cast<std::size_t>(k)] = static_cast<GLuint>(cols * k + c);
    FGL->glDrawElements(GL_LINE_STRIP, rows, GL_UNSIGNED_INT, column.data());
  }
}

void TGLview::DrawCoordinateGlobe() {
  QOpenGLFunctions_2_0 &gl = *FGL;
  if (GlobeList == 0) {
    constexpr double pi = std::numbers::pi;
    GlobeList = gl.glGenLists(1);
    gl.glNewList(GlobeList, GL_COMPILE);
    gl.glColor3f(1.0f, 1.0f, 1.0f);
    gl.glEnable(GL_LINE_STIPPLE);
    gl.glLineStipple(1, 0x0A0A);
    gl.glBegin(GL_LINE_STRIP);
    for (int i = 0; i < 36; ++i)
      for (int j = 0; j < 36; ++j) {
        const double p = 2.0 * pi * i / 36.0, q = 2.0 * pi * j / 36.0;
        gl.glVertex3d(0.9 * std::sin(q) * std::cos(p), 0.9 * std::sin(q) * std::sin(p), 0.9 * std::cos(q));
      }
    gl.glEnd();
    for (int k = 1; k <= 17; ++k) {
      if (k == 9) {
        gl.glLineWidth(2.0f);
        gl.glLineStipple(1, 0xFFFF);
      } else if (k == 10) {
        gl.glLineWidth(1.0f);
        gl.glLineStipple(1, 0x0A0A);
      }
      const double q = 2.0 * pi * k / 36.0;
      gl.glBegin(GL_LINE_STRIP);
      for (int j = 0; j <= 36; ++j) {
        const double p = 2.0 * pi * j / 36.0;
        gl.glVertex3d(0.9 * std::sin(q) * std::cos(p), 0.9 * std::sin(q) * std::sin(p), 0.9 * std::cos(q));
      }
      gl.glEnd();
    }
    gl.glEndList();
  }
  gl.glCallList(GlobeList);
}

std::optional<TGLview::TMousePoint> TGLview::PointUnderMouse(int h) {
  if (!CurrentDTV)
    return std::nullopt;
  const qreal ratio = devicePixelRatio();
  TMousePoint m;
  m.WindowX = static_cast<int>(State.LastMousePos.X * ratio);
  m.WindowTop = h - static_cast<int>(State.LastMousePos.Y * ratio);
  const int winY = m.WindowTop - 1;
  float depth = 1.0f;
  FGL->glReadPixels(m.WindowX, winY, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  const auto point = UnProjectFromWindow({static_cast<double>(m.WindowX), static_cast<double>(winY), depth},
                                         FModelView, FProjection, FViewport);
  if (!point)
    return std::nullopt;
  const TDTV &dtv = *CurrentDTV;
  m.Model = *point;
  m.Source = ModelPointSource(*point, State, dtv.Width(), dtv.FHeader.VertExtent, dtv.FHeader.Elevation);
  return m;
}

void TGLview::PickSamplePoint(int h) {
  State.PickPending = false;
  const std::optional<TMousePoint> m = PointUnderMouse(h);
  if (!m)
    return;
  const TDTV &dtv = *CurrentDTV;
  if (!SourceOnFrame(m->Source, dtv.Width(), dtv.Height()))
    return;
  State.SamplePoints.push_back(
      {static_cast<float>(m->Model[0]), static_cast<float>(m->Model[1]), static_cast<float>(m->Model[2])});
  State.SampleTemps.push_back(dtv.RawToTemperature(dtv.SampleBilinear(m->Source[0], m->Source[1])));
}

void TGLview::DrawTemperatureSample(int h) {
  const std::optional<TMousePoint> m = PointUnderMouse(h);
  if (!m)
    return;
  const TDTV &dtv = *CurrentDTV;
  const auto direction = ModelPointDirection(m->Model);
  const double t = dtv.RawToTemperature(dtv.SampleBilinear(m->Source[0], m->Source[1]));
  FGL->glLoadIdentity();
  FGL->glDisable(GL_LIGHTING);
  DrawSampleLabel(TemperatureSampleText(t, direction[0], direction[1]), m->WindowX, m->WindowTop);
  if (Checked(A::aLighting))
    FGL->glEnable(GL_LIGHTING);
}

void TGLview::DrawSamples(int w, int h) {
  if (State.SampleTemps.empty())
    return;
  FGL->glDisable(GL_LIGHTING);
  for (std::size_t k = 0; k < State.SamplePoints.size() && k < State.SampleTemps.size(); ++k) {
    const TVec3 &p = State.SamplePoints[k];
    const auto window = ProjectToWindow({p[0], p[1], p[2]}, FModelView, FProjection, FViewport);
    if (!window || !SampleOnWindow(*window, w, h))
      continue;
    DrawSampleMarker(p);
    DrawSampleLabel(SampleLabelText(State.SampleTemps[k]), static_cast<int>(std::trunc((*window)[0])),
                    static_cast<int>(std::trunc((*window)[1])));
  }
  if (Checked(A::aLighting))
    FGL->glEnable(GL_LIGHTING);
}

void TGLview::DrawSampleMarker(const TVec3 &p) {
  QOpenGLFunctions_2_0 &gl = *FGL;
  gl.glColor3f(0.0f, 0.0f, 0.0f);
  gl.glPointSize(4.0f);
  gl.glBegin(GL_POINTS);
  gl.glVertex3fv(p.data());
  gl.glEnd();
  gl.glPointSize(8.0f);
  gl.glColor3f(1.0f, 1.0f, 1.0f);
  gl.glBegin(GL_POINTS);
  gl.glVertex3fv(p.data());
  gl.glEnd();
}

void TGLview::DrawSampleLabel(const QString &text, int x, int y) {
  FOverlayTexts.push_back({x, y, text, false});
  for (auto [dx, dy] : {std::pair{-1, -1}, {1, 1}, {-1, 1}, {1, -1}})
    FOverlayTexts.push_back({x + dx, y + dy, text, true});
}

QStringList TGLview::OverlayTextsDrawn() const {
  QStringList texts;
  for (const TOverlayText &item : FOverlayTexts)
    if (!item.Black)
      texts.push_back(item.Text);
  return texts;
}

void TGLview::DrawStatusOverlay() {
  FGL->glLoadIdentity();
  FGL->glDisable(GL_LIGHTING);
  TStatusContext context;
  context.PanoLoaded = FPanoLoaded;
  context.BoxMode = FBoxMode;
  context.GLInfoText = GLInfoText;
  context.Lighting = Checked(A::aLighting);
  context.FlyMode = Checked(A::aFlyMode);
  context.CoordinateGrid = Checked(A::aCoordinateGrid);
  context.GridOnly = Checked(A::aGridOnly);
  context.Colour = Checked(A::aColour);
  context.Transparency = Checked(A::aTransparency);
  // The line pitch is the window font's size in points.
  const int pitch = std::max(1, font().pointSize());
  for (const TStatusLine &line : StatusOverlayLines(State, context))
    FOverlayTexts.push_back({0, line.Pitch * pitch, line.Text, false});
  if (context.Lighting)
    FGL->glEnable(GL_LIGHTING);
}

void TGLview::DrawOverlayTexts() {
  // Text is drawn like bitmap-font text: the glyphs as pixels at a window position (origin at the bottom
  // left, the position on the text's base line), in the order the read-outs asked for them.
  if (FOverlayTexts.empty())
    return;
  QOpenGLFunctions_2_0 &gl = *FGL;
  const QFont textFont = font();
  const QFontMetrics metrics(textFont);
  gl.glDisable(GL_LIGHTING);
  gl.glDisable(GL_DEPTH_TEST);
  gl.glEnable(GL_BLEND);
  gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  for (const TOverlayText &item : FOverlayTexts) {
    const int textWidth = std::max(1, metrics.horizontalAdvance(item.Text));
    const int textHeight = std::max(1, metrics.height());
    QImage glyphs(textWidth, textHeight, QImage::Format_RGBA8888_Premultiplied);
    glyphs.fill(Qt::transparent);
    {
      QPainter painter(&glyphs);
      painter.setFont(textFont);
      painter.setPen(item.Black ? Qt::black : Qt::white);
      painter.drawText(0, metrics.ascent(), item.Text);
    }
    glyphs = glyphs.convertToFormat(QImage::Format_RGBA8888).mirrored();
    // The image's bottom row lies the font's descent below the base line.
    const int bottom = item.Y - metrics.descent();
    int left = item.X;
    int skipRows = 0, skipColumns = 0;
    if (left < 0) {
      skipColumns = -left;
      left = 0;
    }
    int base = bottom;
    if (base < 0) {
      skipRows = -base;
      base = 0;
    }
    if (skipColumns >= textWidth || skipRows >= textHeight)
      continue;
    gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, textWidth);
    gl.glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipColumns);
    gl.glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
    gl.glWindowPos2i(left, base);
    gl.glDrawPixels(textWidth - skipColumns, textHeight - skipRows, GL_RGBA, GL_UNSIGNED_BYTE,
                    glyphs.constBits());
  }
  gl.glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  gl.glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  gl.glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  gl.glEnable(GL_DEPTH_TEST);
}

void TGLview::SaveFrameJpeg() {
  const QString fileName = SavedFrameFileName(State.SaveFramesFolder, State.SavedFrameNo);
  const IoResult written = WriteJpeg(FPicture, 100, fileName);
  if (!written) {
    // A frame that cannot be written ends the saving; the view goes on.
    if (logger)
      logger->AppendLine(QStringLiteral("Save Every Frame stopped: %1").arg(written.message));
    State.SaveEveryFrameOn = false;
    Action(A::SaveEveryFrame)->setChecked(false);
    return;
  }
  State.SavedFrameNo += 1;
}

} // namespace calidarix
