// Setting up the 3-D view's context: the entry points, the fixed state, the shading language and the two
// fragment shaders, the palette textures and their uniforms; and releasing it all with the context.

#include "analysis/ui/gl_view.h"

#include "analysis/view3d_shaders.h"
#include "mainwindow/ui/logger_window.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_2_0>
#include <QOpenGLVersionFunctionsFactory>
#include <QSurfaceFormat>
#include <QTimer>

#include <array>
#include <memory>

namespace calidarix {

namespace {

using A = TViewAction;

// The context the view asks for: OpenGL 2.0 with the fixed pipeline, RGBA, 24 depth bits, nothing else.
QSurfaceFormat ViewFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(2, 0);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setRedBufferSize(8);
  format.setGreenBufferSize(8);
  format.setBlueBufferSize(8);
  format.setAlphaBufferSize(8);
  format.setDepthBufferSize(24);
  format.setStencilBufferSize(0);
  return format;
}

QString GLText(QOpenGLFunctions_2_0 &gl, GLenum name) {
  const auto *text = reinterpret_cast<const char *>(gl.glGetString(name));
  return text ? QString::fromLatin1(text) : QString();
}

// The 256 texels of a palette, alpha 255.
std::array<std::uint8_t, 1024> Texels(const TPaletteTable &palette) {
  std::array<std::uint8_t, 1024> texels{};
  for (std::size_t i = 0; i < 256; ++i) {
    texels[4 * i] = palette[i].R;
    texels[4 * i + 1] = palette[i].G;
    texels[4 * i + 2] = palette[i].B;
    texels[4 * i + 3] = 255;
  }
  return texels;
}

} // namespace

bool TGLview::CreateContext() {
  auto context = std::make_unique<QOpenGLContext>();
  context->setFormat(ViewFormat());
  auto surface = std::make_unique<QOffscreenSurface>();
  if (context->create()) {
    surface->setFormat(context->format());
    surface->create();
  }
  QOpenGLFunctions_2_0 *gl = nullptr;
  if (context->isValid() && surface->isValid() && context->makeCurrent(surface.get())) {
    gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_0>(context.get());
    if (gl && !gl->initializeOpenGLFunctions())
      gl = nullptr;
  }
  if (!gl) {
    // No OpenGL 2.0 here: the window goes away and the next show tries again.
    LogLine(QStringLiteral("3-D view: this display offers no OpenGL 2.0 context"));
    return false;
  }
  FContext = std::move(context);
  FSurface = std::move(surface);
  FGL = gl;
  return true;
}

bool TGLview::MakeCurrent() {
  return FGL && FContext->makeCurrent(FSurface.get());
}

void TGLview::Refresh() {
  if (!FGL && !CreateContext()) {
    QTimer::singleShot(0, this, &QWidget::hide);
    return;
  }
  if (MakeCurrent())
    FormInit();
  ResetView(false);
}

void TGLview::FormInit() {
  QOpenGLFunctions_2_0 &gl = *FGL;
  GLint vertexTextures = 0, textureSize = 0;
  gl.glGetIntegerv(GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS, &vertexTextures);
  gl.glGetIntegerv(GL_MAX_TEXTURE_SIZE, &textureSize);
  LogLine(QStringLiteral("Max Texture Images in Vertex Shader %1").arg(vertexTextures));
  LogLine(QStringLiteral("Max Texture Size %1").arg(textureSize));
  for (auto [id, side] : {std::pair{A::a4096, 4096}, {A::a2048, 2048}, {A::a1024, 1024}, {A::a512, 512}})
    if (textureSize < side)
      Action(id)->setEnabled(false);

  FDriverInfo = GLText(gl, GL_RENDERER) + QLatin1Char('\n') + GLText(gl, GL_VENDOR) + QLatin1Char('\n') +
                GLText(gl, GL_VERSION) + QStringLiteral("\n\n") + GLText(gl, GL_EXTENSIONS);

  // The fixed state; ApplyDrawingState puts it back at every frame.
  FBlendOn = true;
  if (!gl.glIsTexture(PaletteTexture))
    gl.glGenTextures(1, &PaletteTexture);
  if (!gl.glIsTexture(IsoTexture))
    gl.glGenTextures(1, &IsoTexture);

  LoadSources();
  UpdatePalette(false, false, true);
  if (UserLogOn())
    LogLine(QStringLiteral("Init"));
}

void TGLview::DeletePrograms() {
  if (!FGL)
    return;
  for (unsigned *program : {&ColorProgram, &PaletteProgram}) {
    if (*program == 0)
      continue;
    // The shaders were flagged for deletion at build time and go with their program.
    FGL->glDeleteProgram(*program);
    *program = 0;
  }
  LocColorBypass = -1;
  FUseColorProgram = false;
}

void TGLview::LoadSources() {
  QOpenGLFunctions_2_0 &gl = *FGL;
  GLInfoText = QStringLiteral("OpenGL version: ") + GLText(gl, GL_VERSION);
  LogLine(GLInfoText);
  const QString version = GLText(gl, GL_SHADING_LANGUAGE_VERSION);
  GLSLVersion = GLSLVersionOf(version.toLatin1());
  const QString text =
      version.isEmpty() ? QStringLiteral("no GLSL supported") : QStringLiteral("GLSL version: ") + version;
  GLInfoText += QLatin1Char(' ') + text;
  LogLine(text);

  // Programs of an earlier set-up go before new ones are made.
  DeletePrograms();
  if (GLSLVersion < kMinShaderVersion) {
    LogLine(QStringLiteral("Shaders won't be enabled"));
    return;
  }
  QString failure;
  auto build = [&](const QByteArray &source, const char *what) -> unsigned {
    const GLuint shader = gl.glCreateShader(GL_FRAGMENT_SHADER);
    const char *text = source.constData();
    const GLint length = static_cast<GLint>(source.size());
    gl.glShaderSource(shader, 1, &text, &length);
    gl.glCompileShader(shader);
    GLint compiled = GL_FALSE;
    gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    std::array<char, 1000> log{};
    GLsizei logLength = 0;
    gl.glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), &logLength, log.data());
    const GLuint program = gl.glCreateProgram();
    gl.glAttachShader(program, shader);
    gl.glLinkProgram(program);
    gl.glDeleteShader(shader);
    GLint linked = GL_FALSE;
    gl.glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (compiled == GL_TRUE && linked == GL_TRUE)
      return program;
    if (failure.isEmpty())
      failure =
          QStringLiteral("The %1 shader could not be built: %2")
              .arg(QLatin1String(what), QString::fromLatin1(log.data(), std::max(0, logLength)).trimmed());
    gl.glDeleteProgram(program);
    return 0;
  };
  ColorProgram = build(ColorShaderText, "colour");
  PaletteProgram = build(PaletteShaderText, "palette");
  if (!failure.isEmpty()) {
    // One program missing means the view works without shaders, and says so once.
    DeletePrograms();
    LogLine(failure);
    LogLine(QStringLiteral("Shaders won't be enabled"));
    if (!FShaderMessageShown && ShowMessage) {
      FShaderMessageShown = true;
      ShowMessage(failure);
    }
    return;
  }
  LocColorBypass = gl.glGetUniformLocation(ColorProgram, "isBypass");
  FUniformsDirty = true;
}

void TGLview::UploadPaletteTextures(bool palette, bool iso) {
  if (!FGL || !CurrentDTV)
    return;
  QOpenGLFunctions_2_0 &gl = *FGL;
  if (UserLogOn())
    LogLine(QStringLiteral("Binding Palette"));
  auto upload = [&](GLenum unit, GLuint texture, const TPaletteTable &table) {
    const auto texels = Texels(table);
    gl.glActiveTexture(unit);
    gl.glBindTexture(GL_TEXTURE_1D, texture);
    gl.glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl.glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  };
  if (palette)
    upload(GL_TEXTURE1, PaletteTexture, CurrentDTV->FPalette);
  if (iso)
    upload(GL_TEXTURE2, IsoTexture, CurrentDTV->FIsoPalette);
  gl.glActiveTexture(GL_TEXTURE0);
}

void TGLview::SetPaletteUniforms(bool wholeSteps) {
  FUniformsDirty = false;
  if (!FGL || !CurrentDTV || PaletteProgram == 0)
    return;
  QOpenGLFunctions_2_0 &gl = *FGL;
  const TDTV &dtv = *CurrentDTV;
  LocLutPal = gl.glGetUniformLocation(PaletteProgram, "lutPal");
  LocLutIso = gl.glGetUniformLocation(PaletteProgram, "lutIso");
  LocTxtr = gl.glGetUniformLocation(PaletteProgram, "Txtr");
  LocPalBeg = gl.glGetUniformLocation(PaletteProgram, "PalBeg");
  LocPalEnd = gl.glGetUniformLocation(PaletteProgram, "PalEnd");
  LocIsoBeg = gl.glGetUniformLocation(PaletteProgram, "IsoBeg");
  LocIsoEnd = gl.glGetUniformLocation(PaletteProgram, "IsoEnd");
  LocIsIso = gl.glGetUniformLocation(PaletteProgram, "isIso");
  LocPaletteBypass = gl.glGetUniformLocation(PaletteProgram, "isBypass");
  LocColorBypass = gl.glGetUniformLocation(ColorProgram, "isBypass");
  GLint current = 0;
  gl.glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  gl.glUseProgram(PaletteProgram);
  gl.glUniform1i(LocLutPal, 1);
  gl.glUniform1i(LocLutIso, 2);
  gl.glUniform1i(LocTxtr, 0);
  // The palette window as whole palette steps (the box faces' levels are raw / 65535), or as bytes.
  const float palBeg = wholeSteps ? dtv.PalBottom / 256.0f : dtv.PalBottom / 255.0f;
  const float palEnd = wholeSteps ? (dtv.PalTop + 0.99609375f) / 256.0f : dtv.PalTop / 255.0f;
  gl.glUniform1f(LocPalBeg, palBeg);
  gl.glUniform1f(LocPalEnd, palEnd);
  gl.glUniform1f(LocIsoBeg, dtv.IsoBottom / 255.0f);
  gl.glUniform1f(LocIsoEnd, dtv.IsoTop / 255.0f);
  gl.glUniform1i(LocIsIso, dtv.isIso ? 1 : 0);
  if (wholeSteps && UserLogOn()) {
    LogLine(QStringLiteral("Addresses Palette Limits  %1 %2 %3 %4")
                .arg(LocPalBeg)
                .arg(LocPalEnd)
                .arg(LocIsoBeg)
                .arg(LocIsoEnd));
    LogLine(QStringLiteral("Update Palette Limits  %1 %2 %3 %4")
                .arg(dtv.PalBottom / 255.0, 0, 'f', 6)
                .arg(dtv.PalTop / 255.0, 0, 'f', 6)
                .arg(dtv.IsoBottom / 255.0, 0, 'f', 6)
                .arg(dtv.IsoTop / 255.0, 0, 'f', 6));
  }
  gl.glUseProgram(static_cast<GLuint>(current));
}

void TGLview::ReleaseGL() {
  if (!MakeCurrent())
    return;
  DeletePrograms();
  for (unsigned *texture : {&PaletteTexture, &IsoTexture})
    if (*texture != 0) {
      FGL->glDeleteTextures(1, texture);
      *texture = 0;
    }
  if (GlobeList != 0) {
    FGL->glDeleteLists(GlobeList, 1);
    GlobeList = 0;
  }
  FFrameBuffer.reset();
  FContext->doneCurrent();
  FGL = nullptr;
}

void TGLview::ResetView(bool repaint) {
  ResetViewState(State, FBoxMode);
  FLightingOn = !FBoxMode;
  if (!repaint)
    return;
  State.PanDragging = true;
  FormPaint();
  State.PanDragging = false;
}

} // namespace calidarix
