// Frame arrival in the main window: WM_FRAMEDONE turns the camera frame that the acquisition thread
// posted into the thermogram shown (or the two band thermograms of a dual-band camera), applies the
// calibration and the scan's row geometry, runs summation, film recording and the fixed-file save,
// sets the texts over the image, raises the temperature alarm and updates the view. WM_MODULEFRAME
// is the USB thermal module's frame, which this build has no module for.
//
// The handler works on the frame value its message names; it never reads a buffer the thread writes.

#include "mainwindow/ui/main_window.h"

#include "acquisition/camera_log.h"
#include "acquisition/camera_state.h"
#include "acquisition/film_finish.h"
#include "acquisition/film_recording.h"
#include "acquisition/frame_arrival.h"
#include "acquisition/scan_lines.h"
#include "acquisition/scan_thread.h"
#include "acquisition/signal_model.h"
#include "acquisition/ui/acquisition_state.h"
#include "acquisition/ui/battery_gauge.h"
#include "acquisition/ui/calibr_form.h"
#include "acquisition/ui/focus_slider.h"
#include "acquisition/video_capture.h"
#include "head/head_frame.h"
#include "head/head_globals.h"
#include "head/head_link.h"
#include "mainwindow/film_recovery.h"
#include "mainwindow/jpeg_writer.h"
#include "mainwindow/ui/logger_window.h"
#include "mainwindow/ui/progress_form.h"
#include "platform/atomic_file.h"
#include "platform/numbers.h"
#include "platform/paths.h"
#include "thermogram/thermogram_globals.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>

namespace calidarix {

namespace {

std::unique_ptr<TDTV> &Ensure(std::unique_ptr<TDTV> &dtv) {
  if (!dtv)
    dtv = std::make_unique<TDTV>();
  return dtv;
}

// The head control form's "Fix ThermoD": the camera is taken to be at 20 degrees.
bool FixThermoDChecked() {
  for (QWidget *top : QApplication::topLevelWidgets())
    if (auto *box = top->findChild<QCheckBox *>(QStringLiteral("FixThermoD")))
      return box->isChecked();
  return false;
}

std::filesystem::path FilmDrive(const QString &letter) {
  return DriveFolder(letter.isEmpty() ? 'C' : letter.at(0).toLatin1()).value_or(HomeDir());
}

void CopyBandInto(TDTV &to, const TDTV &band) {
  to.FFileName = band.FFileName;
  to.FHeader.FrameCount = band.FHeader.FrameCount;
  to.FHeader.FrameInterval = band.FHeader.FrameInterval;
  to.FHeader.Width = band.FHeader.Width;
  to.FHeader.Height = band.FHeader.Height;
  to.FHeader.Scale = band.FHeader.Scale;
  to.FHeader.Offset = band.FHeader.Offset;
  to.LockMin = band.LockMin;
  to.LockMax = band.LockMax;
  to.FRangeLocked = band.FRangeLocked;
  to.FRawMin = band.FRawMin;
  to.FRawMax = band.FRawMax;
  to.FRawMean = band.FRawMean;
  to.FRaw = band.FRaw;
}

} // namespace

void TCalidarix::FrameDoneMessage(const Message &message) {
  if (!Scan || message.LParam != Scan->AsLParam())
    return;
  // A job works on the thermogram (the merge of a scan's frames runs inside the stop, while frames
  // posted before it are still queued): the frame stays with the thread, and a later message brings
  // the newest one.
  if (!FBusyJob.isEmpty())
    return;
  // Whatever the window changed of the camera settings since the last frame reaches the thread before
  // its next request; the frame below brings only what the thread changed itself.
  ScanRequests.CameraSettings.Publish(ScanUnit);
  const std::shared_ptr<const TCameraFrame> posted =
      Scan->Frames.Take(static_cast<std::uint64_t>(message.WParam));
  if (!posted)
    return; // a frame the window fell too far behind for; a later message brings a newer one
  TCameraFrame frame = *posted;
  SetCameraUserLog(UserLogOn());
  if (UserLogOn())
    LogLine(QStringLiteral("FrameDone Message"));
  TFrameResult result = frame.Result;

  // Panorama by frames: the head has settled, so the thread marks the next complete frame.
  if (ScanRequests.PanByFramesActive.Get() && !ScanRequests.PanFrameReady.Get() && HeadConnected && QorHead &&
      QorHead->CheckDone())
    ScanRequests.PanHeadSettled.Set(true);

  if (HeadConnected && ScanRequests.StripScanning.Get()) {
    switch (ScanRequests.StripStep.Get()) {
    case 5:
      LogLine(QStringLiteral("Strip: Waiting for blinds"));
      WaitForStripStep6();
      LogLine(QStringLiteral("Strip: Blinds done"));
      if (IsDualBandType(ScanUnit.CameraInterfaceType))
        CorrectStripDrift(frame, TStripDrift{frame.BandReference1, frame.BandReference2,
                                             frame.StripStartBand1, frame.StripStartBand2});
      break;
    case 6:
      result = TFrameResult{kFrameStripLost, result.Line, kCodeStripLost};
      LogLine(QStringLiteral("Strip: hsProcessingFrame MSG.WParam"));
      break;
    case 7:
      // Not while the strip command still shapes and saves the strip frame: it ends the sequence.
      if (!FPanoSequence.Busy)
        ScanRequests.StripScanning.Set(false);
      break;
    default:
      break;
    }
  }

  if (FHideOnStart) {
    hide();
    FHideOnStart = false;
  }
  const bool stripNotReady =
      HeadConnected && ScanRequests.StripScanning.Get() && ScanRequests.StripStep.Get() != 6;
  if (result.Kind != kFrameComplete || stripNotReady) {
    FrameResultHandling(result);
    return;
  }
  ProcessFrame(frame);
}

void TCalidarix::FrameResultHandling(const TFrameResult &result) {
  if (result.Kind == kFrameMarked) {
    SaveDTVAuto();
    return;
  }
  ++FAcquisition.FramesLost;
  if (ScanUnit.CameraInterfaceType == CamIfUsb && Scan && Scan->FUsbConnected.load()) {
    StopScan();
    return;
  }
  FAcquisition.LineSweepRequest = false;
  ScanRequests.LineModeShotRequest.Set(false);
  if (ScanRequests.FrameTimingOn.Exchange(false)) {
    if (HeadConnected && QorHead) {
      QorHead->ResetHead();
      QorHead->SendCommand(QorCmdSetSpeedLimit(255), true);
    }
    if (ProgressForm)
      ProgressForm->hide();
  }
  FAcquisition.LostNotice = FLanguage == 1 ? QStringLiteral("Соединение с камерой... Пожалуйста, подождите")
                                           : QStringLiteral("Connecting to IR-Camera... Please wait.");
  ImagePBPaint(this);
  if (UserLogOn()) {
    LogLine(QStringLiteral("Scan frame lost. Error code:%1. Line:%2").arg(result.Code).arg(result.Line));
    logger->SaveLog();
  }
}

void TCalidarix::ProcessFrame(const TCameraFrame &frame) {
  TAcquisitionState &a = FAcquisition;
  TScanUnit &u = ScanUnit;
  AdoptCameraFrame(u, frame);
  const bool blindOn = frame.BlindCorrected;
  const bool dual = IsDualBandType(u.CameraInterfaceType);
  TDTV &cur = *Ensure(CurrentDTV);
  a.LostNotice.clear();

  // Markers keep their place on the screen when the frame's size or the layout changes.
  const TMarkerLists &m = FMarkers;
  const auto screenLine = [this](const TLineRecord &l) {
    const TPoint a1 = GetScreenPoint({l.X1, l.Y1});
    const TPoint a2 = GetScreenPoint({l.X2, l.Y2});
    return TLineRecord{a1.X, a1.Y, a2.X, a2.Y};
  };
  const TRect currentScreen = m.FCurrentArea.IsEmpty() ? TRect{} : GetScreenRect(m.FCurrentArea.Rect());
  std::vector<TRect> areasScreen;
  for (const TAreaRecord &area : m.FAreas)
    areasScreen.push_back(GetScreenRect(area.Rect()));
  const TLineRecord profileScreen = m.FProfileLine.IsNone() ? TLineRecord{} : screenLine(m.FProfileLine);
  std::vector<TLineRecord> profilesScreen;
  for (const TLineRecord &line : m.FProfileLines)
    profilesScreen.push_back(screenLine(line));

  // P1 - P4: the camera's values and the frame.
  cur.FFileName.clear();
  cur.FCameraTemp = u.CameraTemperature;
  if (FixThermoDChecked())
    u.CameraTemperature = 20.0f;
  if (u.CameraBatteryPercent != 0 && FPeripherals.FCameraBattery)
    FPeripherals.FCameraBattery->SetLevel(u.CameraBatteryPercent);
  TDTV *b35 = nullptr;
  TDTV *b812 = nullptr;
  if (!dual) {
    TakeFrame(cur, frame);
  } else {
    b35 = Ensure(BandDTV35).get();
    b812 = Ensure(BandDTV812).get();
    for (TDTV *band : {b35, b812}) {
      band->FFileName.clear();
      band->FCameraTemp = u.CameraTemperature;
    }
    u.DisplayFrameWidth /= 2;
    SplitDualBandFrame(frame, *b35, *b812);
  }

  // P5: the low end of the automatic range.
  const bool autoRange = Scan && Scan->FAutoRange.load();
  const double lowest = AutoRangeLowest(u);
  if (!dual) {
    ApplyAutoRangeLowEnd(u, cur, u.CurSignal0, u.BlindCorrection, autoRange, blindOn, lowest);
  } else {
    LoadBandCalibration(u, a.Bands, 1);
    ApplyAutoRangeLowEnd(u, *b35, u.CurBand1Signal0, a.Bands.Band1BlindCorrection, autoRange, blindOn,
                         lowest);
    LoadBandCalibration(u, a.Bands, 2);
    ApplyAutoRangeLowEnd(u, *b812, u.CurBand2Signal0, a.Bands.Band2BlindCorrection, autoRange, blindOn,
                         lowest);
  }

  // P6: linear in temperature.
  if (!dual) {
    LinearizeThermogram(u, cur, blindOn);
    if (cur.FStampCameraTemp)
      StampCameraTemperature(cur, u.CameraTemperature);
    a.BlindSignalShown = u.BlindSignal;
  } else {
    LoadBandCalibration(u, a.Bands, 1);
    LinearizeThermogram(u, *b35, blindOn);
    a.Bands.Band1BlindCorrection = u.BlindCorrection;
    a.Bands.Band1BlindNetSignal = u.BlindNetSignal;
    a.Bands.Band1BlindTemperature = u.BlindTemperature;
    LoadBandCalibration(u, a.Bands, 2);
    LinearizeThermogram(u, *b812, blindOn);
    a.Bands.Band2BlindCorrection = u.BlindCorrection;
    a.Bands.Band2BlindNetSignal = u.BlindNetSignal;
    a.Bands.Band2BlindTemperature = u.BlindTemperature;
    u.Set[0] = u.Set[1];
    const bool first = u.CalibrationBand == 0;
    u.BlindCorrection = first ? a.Bands.Band1BlindCorrection : a.Bands.Band2BlindCorrection;
    u.BlindNetSignal = first ? a.Bands.Band1BlindNetSignal : a.Bands.Band2BlindNetSignal;
    u.BlindTemperature = first ? a.Bands.Band1BlindTemperature : a.Bands.Band2BlindTemperature;
    u.BlindSignal = first ? u.BlindSignalBand1 : u.BlindSignalBand2;
    a.BlindSignalShown = first ? u.BandReference1 : u.BandReference2;
  }

  // P7 - P8: the scan's geometry.
  if (FIniSettings.DoubleFrameWidth) {
    if (dual) {
      b35->DoubleWidth();
      b812->DoubleWidth();
    } else {
      cur.DoubleWidth();
    }
  }
  if (!MenuChecked("PureData1")) {
    const TRowGeometry g =
        RowGeometryFor(u.DisplaySpeed, u.CameraInterfaceType, u.Sectors, ScanRequests.FrameTimingOn.Get());
    std::vector<TDTV *> targets;
    if (g.BothBands && dual)
      targets = {b35, b812};
    else if (!g.BothBands)
      targets = {&cur};
    for (TDTV *t : targets) {
      if (g.What == TRowGeometry::Kind::DoubleHeight)
        t->DoubleHeight();
      else if (g.What == TRowGeometry::Kind::TripleHeight)
        t->TripleHeight(u.QuarterPhase);
    }
  }

  // P9: the band shown.
  if (dual) {
    const double lo = std::min(b35->MinTemperature(), b812->MinTemperature());
    const double hi = std::max(b35->MaxTemperature(), b812->MaxTemperature());
    if (blindOn) {
      b35->SetTemperatureRange(false, lo, hi);
      b812->SetTemperatureRange(false, lo, hi);
    }
    CopyBandInto(cur, u.CalibrationBand == 1 ? *b812 : *b35);
  }

  // P10 - P11: telemetry and summation.
  if (MenuChecked("TeleMetry"))
    WriteTelemetryRow(cur, u.StatusWords);
  if (cur.FSumming) {
    cur.AccumulateFrame();
    if (!cur.FSumming)
      cur.FSumReady = true;
  }
  if (cur.FSumReady && !a.PanoPaused) {
    cur.FSumReady = false;
    if (ScanRequests.PanByFramesActive.Get()) {
      NextPanoFrame();
    } else {
      QApplication::beep();
      StopScan();
      SaveDTVAuto();
    }
  }

  // P12: aspect.
  const auto fit = [this] { FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true); };
  const auto bandsFollow = [&] {
    if (dual) {
      b35->SetAspect(cur.FAspect);
      b812->SetAspect(cur.FAspect);
    }
  };
  if (u.DisplaySpeed == 0 && (u.CameraNo == kCamera314 || u.CameraNo == kCamera339)) {
    cur.SetAspect(16.0 / 27.0);
    bandsFollow();
    if (cur.FHeader.FieldMode != 2)
      fit();
    cur.FHeader.FieldMode = 2;
  } else {
    if (FMetroMode)
      cur.SetAspect(static_cast<double>(AspectWidth) / std::max(AspectHeight, 1));
    else if (!a.FScanSet2 && !a.FScanSetChanged)
      cur.SetAspect(32.0 / 27.0);
    bandsFollow();
    if (cur.FHeader.FieldMode != 0)
      fit();
    cur.FHeader.FieldMode = 0;
  }

  // P13: film recording.
  RecordFilmFrame(dual);

  // P14 - P16: labels and the first frame.
  if (u.CameraInterfaceType == CamIfLptLevel) {
    LevelLabel->setText(QString::number(u.Level));
    RangeLabel->setText(QString::number(u.Range));
    PalEndLabel->setText(QString::number(u.VirtualZero));
  }
  if (auto *blind = findChild<QLabel *>(QStringLiteral("BlindLabel")))
    blind->setText(BlindLabelText(blindOn, u.BlindTemperature, u.BlindSignal, a.BlindSignalShown));
  if (a.FFirstFrame) {
    a.FFirstFrame = false;
    if (FMetroMode) {
      cur.FHeader.HorzExtent = 3833;
      cur.FHeader.VertExtent = 2430;
      cur.FHeader.Elevation = 0;
      cur.SetAspect(static_cast<double>(AspectWidth) / std::max(AspectHeight, 1));
    }
    fit();
  }

  // P17: markers back to image coordinates.
  const auto realLine = [this](const TLineRecord &l) {
    const TPoint a1 = GetRealPoint({l.X1, l.Y1});
    const TPoint a2 = GetRealPoint({l.X2, l.Y2});
    return TLineRecord{a1.X, a1.Y, a2.X, a2.Y};
  };
  if (!FMarkers.FCurrentArea.IsEmpty())
    FMarkers.FCurrentArea.SetRect(GetRealRect(currentScreen));
  for (std::size_t i = 0; i < FMarkers.FAreas.size() && i < areasScreen.size(); ++i)
    if (!FMarkers.FAreas[i].IsEmpty())
      FMarkers.FAreas[i].SetRect(GetRealRect(areasScreen[i]));
  if (!FMarkers.FProfileLine.IsNone())
    FMarkers.FProfileLine = realLine(profileScreen);
  for (std::size_t i = 0; i < FMarkers.FProfileLines.size() && i < profilesScreen.size(); ++i)
    if (!FMarkers.FProfileLines[i].IsNone())
      FMarkers.FProfileLines[i] = realLine(profilesScreen[i]);

  // P18 - P19: the view.
  const bool stripStep6 =
      HeadConnected && ScanRequests.StripScanning.Get() && ScanRequests.StripStep.Get() == 6;
  if (!MenuChecked("PanoInteractive")) {
    if (!ManualPaletteWindow && !cur.FRangeLocked) {
      if (!FMarkers.FCurrentArea.IsEmpty())
        CountArray(FMarkers.FCurrentArea, true);
      FitPaletteWindowToRegion(!ScanRequests.ScanRunning.Get());
      PalPBPaint(this);
    }
    if (u.DisplaySpeed != a.LastDisplaySpeed)
      fit();
    a.LastDisplaySpeed = u.DisplaySpeed;
    if (!stripStep6)
      ChangeDTV(false);
  }
  if (stripStep6) {
    ScanRequests.StripStep.Set(7);
    FHeadState.StripStep = 7;
    LogLine(QStringLiteral("Strip: Advanced fm hsProcessingFrame"));
  }

  // P20: the texts over the live image.
  if (!FImagePainting) {
    TOverlayInput in;
    in.AutoRange = autoRange;
    in.Summing = cur.FSumming;
    in.SumDone = cur.FSumDone;
    in.SumCount = cur.SumCount;
    in.CalibrationRange = u.CalibrationRange;
    in.Speed = u.Speed;
    in.LaserOn = ScanRequests.LaserOn.Get();
    in.ScanSet2 = a.FScanSet2;
    in.ScanSetChanged = a.FScanSetChanged;
    in.DualBand = dual;
    in.CalibrationBand = u.CalibrationBand;
    in.PanoramaPaused = ScanRequests.PanByFramesActive.Get() && a.PanoPaused;
    a.Overlay = LiveOverlayTexts(in);
    ImagePB->update();
  }

  // P21 - P22: the fixed file and the alarm.
  if (!FFixedFileName.isEmpty())
    SaveFixedFile(dual);
  TemperatureAlarm(dual);
  // The focus slider is redrawn with every frame of the USB camera.
  if (u.CameraInterfaceType == CamIfUsb && FocusPB)
    FocusPB->update();

  // P24 - P29.
  if (ScanRequests.FilmRecording.Get() && FRegistrySettings.FilmFrames != 0 &&
      cur.FFrameIndex >= FRegistrySettings.FilmFrames)
    StopScan();
  EndFrameTiming(frame);
  StartLineSweep();
  PanoramaFrameStep();
  if (CalibrForm)
    CalibrForm->OrvantPanel->setText(QStringLiteral("Deflector rate ") +
                                     QString::fromStdString(FixedText(u.LineRate, 6)));
  if (a.FScanSetChanged) {
    a.FScanSetChanged = false;
    cur.SetAspect(a.FScanSet2 ? 0.6574074074074074 : 1.1851851851851851);
    cur.FHeader.FieldMode = 1;
  }
  ++a.FramesShown;
}

void TCalidarix::RecordFilmFrame(bool dual) {
  TAcquisitionState &a = FAcquisition;
  TDTV &cur = *CurrentDTV;
  if (ScanRequests.GrabFrameRequest.Get())
    ScanRequests.FilmRecording.Set(true);
  if (!ScanRequests.FilmRecording.Get())
    return;
  const std::filesystem::path drive = FilmDrive(FDriveLetter);
  const QString single = QString::fromStdString((drive / kFilmTempName).string());
  const QString band35 = QString::fromStdString((drive / kFilmTemp35Name).string());
  const QString band812 = QString::fromStdString((drive / kFilmTemp812Name).string());
  const auto ticks = [] { return QDateTime::currentMSecsSinceEpoch(); };
  IoResult written = IoResult::Ok();
  if (ScanRequests.GrabFrameRequest.Get()) {
    cur.FHeader.ModelHigh = static_cast<std::uint8_t>(ScanUnit.CameraNo / 100);
    cur.FHeader.ModelLow = static_cast<std::uint8_t>(ScanUnit.CameraNo % 100);
    cur.FHeader.FieldMode = ScanUnit.DisplaySpeed == 0 ? 255 : 0;
    SetBackground(FileInfoPanel, QColor(255, 0, 0));
    SetBackground(findChild<QWidget *>(QStringLiteral("FileNamePanel")), QColor(255, 0, 0));
    a.FLastFrameTicks = ticks();
    if (dual) {
      written = BandDTV35->StartFilm(band35);
      if (written)
        written = BandDTV812->StartFilm(band812);
      a.FilmLock = std::make_unique<FilmRecordingLock>(band35.toStdString());
      a.FilmLock812 = std::make_unique<FilmRecordingLock>(band812.toStdString());
      FramesLabel->setText(QString::number(BandDTV812->FHeader.FrameCount));
      FrameLabel->setText(QString::number(BandDTV812->FHeader.FrameCount));
    } else {
      written = cur.StartFilm(single);
      a.FilmLock = std::make_unique<FilmRecordingLock>(single.toStdString());
      FramesLabel->setText(QString::number(cur.FHeader.FrameCount));
      FrameLabel->setText(QString::number(cur.FHeader.FrameCount));
    }
    cur.FFrameIndex = 1;
    SaveFilmVideoFrame(drive, cur.FHeader.FrameCount);
    ScanRequests.GrabFrameRequest.Set(false);
  } else {
    const std::int64_t now = ticks();
    cur.FHeader.FrameInterval = static_cast<float>((now - a.FLastFrameTicks) / 1000.0);
    a.FLastFrameTicks = now;
    if (dual) {
      BandDTV35->FHeader.FrameInterval = cur.FHeader.FrameInterval;
      BandDTV812->FHeader.FrameInterval = cur.FHeader.FrameInterval;
      written = BandDTV35->AppendFilmFrame(band35);
      if (written)
        written = BandDTV812->AppendFilmFrame(band812);
      cur.FFrameIndex = BandDTV812->FFrameIndex;
      FramesLabel->setText(QString::number(BandDTV812->FHeader.FrameCount));
      FrameLabel->setText(QString::number(BandDTV812->FHeader.FrameCount));
    } else {
      written = cur.AppendFilmFrame(single);
      FramesLabel->setText(QString::number(cur.FHeader.FrameCount));
      FrameLabel->setText(QString::number(cur.FHeader.FrameCount));
    }
    // A full film is finished and the next frame begins a new one, for either band.
    const bool full = dual ? FilmFileIsFull(band35.toStdString(), BandDTV35->FHeader.FrameCount) ||
                                 FilmFileIsFull(band812.toStdString(), BandDTV812->FHeader.FrameCount)
                           : FilmFileIsFull(single.toStdString(), cur.FHeader.FrameCount);
    if (written && full) {
      SaveFilm();
      ScanRequests.FilmRecording.Set(true);
      ScanRequests.GrabFrameRequest.Set(true);
    }
    SaveFilmVideoFrame(drive, cur.FHeader.FrameCount);
  }
  if (!written) {
    // A film that cannot be written stops recording; what was written stays and is finished.
    LogLine(QStringLiteral("Film recording stopped: ") + written.message);
    ShowViewNotice(QStringLiteral("Film recording stopped: ") + written.message);
    SaveFilm();
  }
}

void TCalidarix::SaveFilmVideoFrame(const std::filesystem::path &drive, int frameCount) {
  // With video on, each film frame has its visible-light picture beside it, numbered like the frame.
  if (!ScanRequests.VideoOn.Get() || FAcquisition.FVideoDisabled)
    return;
  const std::filesystem::path folder = drive / kVideoTempFolder;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  const QString name = QString::fromStdString((folder / VideoFrameName(frameCount)).string());
  if (const IoResult saved = SaveVideoFrameJPEG(name); !saved)
    LogLine(QStringLiteral("Video frame not saved: ") + saved.message);
}

void TCalidarix::SaveFixedFile(bool dual) {
  const QString name = FFixedFileName;
  const QString extension = QFileInfo(name).suffix().toUpper();
  if (extension == QLatin1String("JPG")) {
    // The composite picture is made in memory and replaces the file only once whole.
    const QImage picture = BuildSnapshot();
    QString error;
    const QByteArray jpeg = EncodeJpeg(picture, 100, &error);
    std::string why;
    if (jpeg.isEmpty() ||
        !WriteFileAtomically(name.toStdString(),
                             std::string_view(jpeg.constData(), static_cast<std::size_t>(jpeg.size())), &why))
      LogLine(QStringLiteral("Fixed file %1 not written: %2")
                  .arg(name, error.isEmpty() ? QString::fromStdString(why) : error));
  } else if (extension == QLatin1String("DTV") && !ScanRequests.FilmRecording.Get()) {
    IoResult written = IoResult::Ok();
    if (!dual) {
      written = CurrentDTV->SaveDTV(name);
    } else {
      written = BandDTV35->StartFilm(name);
      if (written)
        written = BandDTV812->AppendFilmFrame(name);
    }
    if (!written)
      LogLine(QStringLiteral("Fixed file %1 not written: %2").arg(name, written.message));
  }
}

void TCalidarix::TemperatureAlarm(bool dual) {
  if (!FLimitOn || FLimit == 0.0)
    return;
  TDTV &cur = *CurrentDTV;
  const QColor yellow(255, 255, 0);
  const QColor face = palette().color(QPalette::Button);
  bool alarm = false;
  if (dual) {
    alarm = BandDTV35->MaxTemperature() >= FLimit || BandDTV812->MaxTemperature() >= FLimit;
  } else {
    double t = cur.MaxTemperature();
    if (!FMarkers.FCurrentArea.IsEmpty()) {
      CountArray(FMarkers.FCurrentArea, true);
      t = cur.RawToTemperature(FMarkers.FCurrentArea.RawMax);
    }
    alarm = t >= FLimit;
  }
  for (QWidget *w : {static_cast<QWidget *>(ScalePanel), static_cast<QWidget *>(InfoPanel),
                     static_cast<QWidget *>(ToolPanel)})
    SetBackground(w, alarm ? yellow : face);
  SetBackground(MinPanel, alarm ? yellow : FMinPanelColor);
  SetBackground(PalBottomPanel, alarm ? yellow : FMinPanelColor);
  SetBackground(MaxPanel, alarm ? yellow : FMaxPanelColor);
  if (!dual)
    SetBackground(BigButtonsPanel, alarm ? yellow : face);
  FAcquisition.AlarmOn = alarm;
  if (!alarm)
    return;
  if (!dual && isAutoSave)
    SaveDTVAuto();
  else
    QApplication::beep();
}

void TCalidarix::EndFrameTiming(const TCameraFrame &frame) {
  if (!ScanRequests.FrameTimingOn.Get() || !frame.FrameTimed)
    return;
  StopScan();
  if (ProgressForm)
    ProgressForm->hide();
  QApplication::processEvents();
  TDTV &cur = *CurrentDTV;
  cur.Rotate90(false);
  const int w = cur.Width();
  const int h = cur.Height();
  cur.FHeader.VertExtent = static_cast<std::uint16_t>(TruncToInt32(ScanUnit.Edge[0] * 10.125 / 2 * h));
  cur.FHeader.Elevation = static_cast<std::int16_t>(TruncToInt32(cur.FHeader.VertExtent * 800.0 / 2200.0));
  cur.FHeader.HorzExtent = static_cast<std::uint16_t>(
      TruncToInt32(h > 0 ? static_cast<double>(cur.FHeader.VertExtent) * w / h * 2 : 0.0));
  const double period = frame.FramePeriodMs;
  const double f = period > 0 ? FAcquisition.SweepCount * 1000.0 / period : 0.0;
  FAutoSaveState.SaveNameSuffix = QStringLiteral("_") + QString::fromStdString(FixedText(f, 2));
  SaveDTVAuto();
  FAutoSaveState.SaveNameSuffix.clear();
  FitImageLayout(TRect{0, 0, ImagePB->width(), ImagePB->height()}, true);
  ChangeDTV(true);
  if (UserLogOn()) {
    LogLine(QStringLiteral("ButterFly Time:") + QString::fromStdString(FixedText(period / 1000.0, 2)));
    LogLine(QStringLiteral("ButterFly Freq:") + QString::fromStdString(FixedText(f, 2)));
  }
}

void TCalidarix::StartLineSweep() {
  if (!FAcquisition.LineSweepRequest)
    return;
  FAcquisition.LineSweepRequest = false;
  if (ProgressForm) {
    ProgressForm->SetProgress(0);
    ProgressForm->show();
  }
  if (QorHead && QorHead->Identify()) {
    QorHead->PurgeInput();
    QorHead->SendCommand(QorCommand("$XSLmtL"), true);
    QorHead->SendHorTarget(4200);
  } else {
    HeadConnected = false;
    SetHeadMenuItems();
  }
  ScanRequests.LineModeShotRequest.Set(true);
}

void TCalidarix::PanoramaFrameStep() {
  if (!ScanRequests.PanByFramesActive.Get()) {
    ScanRequests.PanHeadSettled.Set(false);
    return;
  }
  if (!ScanRequests.PanFrameReady.Get())
    return;
  // The head's waits pump the message queue, so later frames are handled inside this step. The cell is
  // this step's: a nested one would save it again under the counters read before the head moved on and
  // send the head past the next cell before any frame was taken there.
  if (FPanoSequence.FrameStepBusy)
    return;
  FPanoSequence.FrameStepBusy = true;
  const auto stepDone = qScopeGuard([this] { FPanoSequence.FrameStepBusy = false; });
  if (QorHead) {
    QorHead->RequestCounters(false);
    FAcquisition.StripHorCounterRaw = QorHead->FHorCounter + 0x800080;
    FAcquisition.StripVerCounterRaw = QorHead->FVerCounter + 0x800080;
  }
  TDTV &cur = *CurrentDTV;
  if (cur.SumCount >= 2) {
    cur.FSumDone = 0;
    cur.FSumming = true;
    cur.AccumulateFrame();
  } else if (!FAcquisition.PanoPaused) {
    NextPanoFrame();
  }
  ScanRequests.PanHeadSettled.Set(false);
  ScanRequests.PanFrameReady.Set(false);
}

void TCalidarix::DrawAcquisitionOverlay(QPainter &painter) {
  const TAcquisitionState &a = FAcquisition;
  const bool live = ScanRequests.ScanRunning.Get() && a.FramesShown > 0;
  if (!live && a.FilmSavedName.isEmpty() && a.LostNotice.isEmpty())
    return;
  painter.save();
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSize(12);
  painter.setFont(font);
  const int w = ImagePB->width();
  const int h = ImagePB->height();
  const int fontHeight = painter.fontMetrics().height();
  const auto twice = [&](int x, int y, const QString &text) {
    painter.setPen(Qt::black);
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
    painter.setPen(Qt::white);
    painter.drawText(x - 1, y - 1 + painter.fontMetrics().ascent(), text);
  };
  if (live) {
    for (const TOverlayText &t : a.Overlay) {
      if (t.Bottom)
        twice(t.X, h - fontHeight - 3, t.Text);
      else if (t.Centred)
        twice(w / 2 - 15, h / 2 - fontHeight / 2 - 1, t.Text);
      else
        twice(t.FromRight ? w + t.X : t.X, t.Y, t.Text);
    }
    twice(w - font.pointSize() - 8, 1, QStringLiteral("®"));
  }
  if (!a.LostNotice.isEmpty() && ScanRequests.ScanRunning.Get())
    twice(4, h / 2, a.LostNotice);
  if (!a.FilmSavedName.isEmpty()) {
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    twice(4, 4, QStringLiteral("DTV FILM SAVED..."));
    twice(4, 20, a.FilmSavedName);
  }
  painter.restore();
}

} // namespace calidarix
