// "Save Picture" through the window: the file types of a single image, a film exported frame by frame,
// and the files checked by readers that no one here wrote.

#include "mainwindow/ui/logger_window.h"
#include "tests/mainwindow/external_tools.h"
#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QRegularExpression>
#include <QToolButton>

namespace calidarix {
namespace {

using test::FileWindow;

class ExportWindow : public FileWindow {
protected:
  void Export(const QString &fileName, int filterIndex, std::optional<TFramesChoice> frames = std::nullopt) {
    dialogs->SaveAnswers.push_back({fileName, filterIndex});
    if (frames)
      dialogs->FramesAnswers.push_back(frames);
    window->findChild<QToolButton *>(QStringLiteral("SaveBMPSB"))->click();
  }
  QStringList Files(const QString &pattern) const {
    return QDir(Path("")).entryList({pattern}, QDir::Files, QDir::Name);
  }
  static QString Identify(const QString &file) {
    const test::ToolRun run = test::RunTool(QStringLiteral("identify"), {file});
    return run.Installed ? run.Output : QString();
  }
};

TFramesChoice Range(const char *from, const char *to) {
  TFramesChoice c;
  c.Option = TFramesOption::Numbers;
  c.NumbersFrom = QString::fromLatin1(from);
  c.NumbersTo = QString::fromLatin1(to);
  return c;
}

TEST_F(ExportWindow, TheDemoImageWithScaleAndInfoAsJpegLeavesTheClipboardAlone) {
  TCalidarix &w = Start();
  w.BMPLook = 2;
  QGuiApplication::clipboard()->setText(QStringLiteral("mine"));
  Export(Path("demo.jpg"), 1);
  ASSERT_EQ(dialogs->SaveRequests.size(), 1);
  EXPECT_TRUE(dialogs->SaveRequests[0].Folder.isEmpty()); // the demo image has no file
  EXPECT_TRUE(dialogs->SaveRequests[0].FileName.isEmpty());
  EXPECT_EQ(dialogs->SaveRequests[0].FilterIndex, 1);
  EXPECT_TRUE(dialogs->Errors.isEmpty());
  const QImage written(Path("demo.jpg"));
  EXPECT_EQ(written.size(), QSize(576, 434));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("mine"));
  const QString identified = Identify(Path("demo.jpg"));
  if (!identified.isEmpty()) {
    EXPECT_TRUE(identified.contains(QStringLiteral("JPEG 576x434"))) << identified.toStdString();
  }
  // The dialog starts on the file type chosen last.
  Export(Path("demo.bmp"), 3);
  Export(QString(), 1);
  EXPECT_EQ(dialogs->SaveRequests.last().FilterIndex, 3);
  EXPECT_EQ(QImage(Path("demo.bmp")).size(), QSize(576, 434));
}

TEST_F(ExportWindow, GifIsMadeFromACopyAndTheThermogramKeepsItsState) {
  TCalidarix &w = Start();
  CurrentDTV->FFileName = Thermogram("small.dtv", 20.0f, 256, 248);
  w.ChangeDTV(true);
  CurrentDTV->FRaw[10] = 4321; // an edit not in the file
  const std::vector<std::uint16_t> before = CurrentDTV->FRaw;
  Export(Path("small.gif"), 4);
  EXPECT_TRUE(dialogs->Errors.isEmpty()) << dialogs->Errors.join(';').toStdString();
  EXPECT_EQ(CurrentDTV->FRaw, before);
  EXPECT_EQ(CurrentDTV->Width(), 256);
  EXPECT_EQ(QImage(Path("small.gif")).size(), QSize(512, 432));
  // The dialog offered the thermogram's folder and name without its extension.
  EXPECT_EQ(dialogs->SaveRequests[0].FileName, QStringLiteral("small"));
  EXPECT_EQ(QDir::cleanPath(dialogs->SaveRequests[0].Folder), QDir::cleanPath(Path("")));
  const QString identified = Identify(Path("small.gif"));
  if (!identified.isEmpty()) {
    EXPECT_TRUE(identified.contains(QStringLiteral("GIF 512x432"))) << identified.toStdString();
  }
}

TEST_F(ExportWindow, SixteenBitPngPassesPngcheck) {
  Start();
  Export(Path("demo.png"), 5);
  ASSERT_TRUE(QFileInfo::exists(Path("demo.png")));
  const test::ToolRun run =
      test::RunTool(QStringLiteral("pngcheck"), {QStringLiteral("-v"), Path("demo.png")});
  if (!run.Installed)
    GTEST_SKIP() << "pngcheck is not installed";
  EXPECT_EQ(run.ExitCode, 0) << run.Output.toStdString();
  EXPECT_TRUE(run.Output.contains(QStringLiteral("48-bit RGB")))
      << run.Output.toStdString(); // 16 bits a channel
}

TEST_F(ExportWindow, AFilmWritesTheChosenFramesEachUnderItsTimeAndNumber) {
  TCalidarix &w = Start();
  CurrentDTV->FFileName = Film("film.dtv", 6, 10.0f);
  w.ChangeDTV(true);
  QDir().mkpath(Path("out"));
  Export(Path("out/report.jpg"), 2, Range("2", "4"));
  EXPECT_TRUE(dialogs->Errors.isEmpty()) << dialogs->Errors.join(';').toStdString();
  const QStringList written = QDir(Path("out")).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(written.size(), 3) << written.join(' ').toStdString();
  const QRegularExpression name(QStringLiteral("^report-\\d\\d_\\d\\d_\\d\\d-000([234])\\.jpg$"));
  for (int i = 0; i < 3; ++i) {
    const QRegularExpressionMatch m = name.match(written[i]);
    ASSERT_TRUE(m.hasMatch()) << written[i].toStdString();
    EXPECT_EQ(m.captured(1).toInt(), i + 2);
  }
  // The last frame written is shown; the next dialog starts in the export's folder.
  EXPECT_EQ(CurrentDTV->FFrameIndex, 4);
  EXPECT_FLOAT_EQ(CurrentDTV->FHeader.Offset, 13.0f);
  EXPECT_EQ(w.FExportState.LastPictureDir, QDir::cleanPath(Path("out")));
  Export(QString(), 1);
  EXPECT_EQ(dialogs->SaveRequests.last().Folder, QDir::cleanPath(Path("out")));

  // GIF frames are named by number only; the film's metro report is a JPEG with a strip below.
  TFramesChoice every;
  every.Option = TFramesOption::Every;
  every.EveryStep = QStringLiteral("5");
  every.EveryFrom = QStringLiteral("1");
  Export(Path("out/g.gif"), 4, every);
  EXPECT_EQ(QDir(Path("out")).entryList({QStringLiteral("g*.gif")}, QDir::Files, QDir::Name),
            (QStringList{"g0001.gif", "g0006.gif"}));
  TFramesChoice current;
  current.Option = TFramesOption::Current;
  Export(Path("out/m.bmp"), 3, current);
  const QStringList reports = QDir(Path("out")).entryList({QStringLiteral("m-*-0006.jpg")}, QDir::Files);
  ASSERT_EQ(reports.size(), 1);
  const QImage report(Path("out/") + reports[0]);
  EXPECT_EQ(report.height(), w.BuildSnapshot().height() + 34);
}

TEST_F(ExportWindow, AFilmStopsAtThePictureThatCannotBeWrittenAndWritesNoneAfterIt) {
  TCalidarix &w = Start();
  CurrentDTV->FFileName = Film("film.dtv", 6, 10.0f);
  w.ChangeDTV(true);
  QDir().mkpath(Path("first"));
  Export(Path("first/report.jpg"), 2, Range("2", "5"));
  const QStringList names = QDir(Path("first")).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(names.size(), 4) << names.join(' ').toStdString();
  // A folder holds the name of the second frame's picture.
  QDir().mkpath(Path("out/") + names[1]);
  Export(Path("out/report.jpg"), 2, Range("2", "5"));
  ASSERT_EQ(dialogs->Errors.size(), 1);
  EXPECT_TRUE(dialogs->Errors[0].contains(names[1])) << dialogs->Errors[0].toStdString();
  EXPECT_EQ(QDir(Path("out")).entryList(QDir::Files, QDir::Name), QStringList{names[0]});
}

TEST_F(ExportWindow, CancelledOrBadFrameChoicesWriteNothing) {
  TCalidarix &w = Start();
  CurrentDTV->FFileName = Film("film.dtv", 4, 10.0f);
  w.ChangeDTV(true);
  Export(Path("x.jpg"), 1); // no answer in the frames dialog: cancelled
  EXPECT_EQ(dialogs->FramesAsked, 1);
  TFramesChoice zero;
  zero.Option = TFramesOption::Every;
  zero.EveryStep = QStringLiteral("0");
  Export(Path("x.jpg"), 1, zero);
  ASSERT_EQ(dialogs->Errors.size(), 1);
  EXPECT_TRUE(dialogs->Errors[0].contains(QStringLiteral("at least 1")));
  EXPECT_TRUE(Files(QStringLiteral("x*")).isEmpty());
  Export(QString(), 1); // a cancelled save dialog does not even ask for frames
  EXPECT_EQ(dialogs->FramesAsked, 2);
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  // A film whose file went away is not exported as demo frames.
  QFile::remove(Path("film.dtv"));
  TFramesChoice all;
  Export(Path("x.jpg"), 1, all);
  ASSERT_EQ(dialogs->Errors.size(), 2);
  EXPECT_TRUE(dialogs->Errors[1].contains(QStringLiteral("no longer"))) << dialogs->Errors[1].toStdString();
  EXPECT_TRUE(Files(QStringLiteral("x*")).isEmpty());
}

TEST_F(ExportWindow, TheCompanionPhotoFillsItsBoxOnlyWhenThereIsOne) {
  TCalidarix &w = Start();
  ASSERT_NE(w.PhotoPB, nullptr);
  EXPECT_FALSE(w.PhotoPB->isVisible());
  w.PhotoPB->show();
  QApplication::processEvents();
  w.PhotoPBPaint();
  EXPECT_TRUE(w.PhotoPB->Picture.isNull());
  CompanionPhoto = QImage(4, 3, QImage::Format_RGB32);
  CompanionPhoto.fill(Qt::green);
  w.PhotoPBPaint();
  EXPECT_EQ(w.PhotoPB->Picture.size(), w.PhotoPB->size());
  EXPECT_EQ(w.PhotoPB->Picture.pixel(w.PhotoPB->width() - 1, w.PhotoPB->height() - 1), qRgb(0, 255, 0));
  EXPECT_EQ(w.PhotoPB->size(), w.ImagePanel->contentsRect().size()); // over the whole panel
  CompanionPhoto = QImage();
}

TEST_F(ExportWindow, AWriteFailureIsShown) {
  Start();
  Export(Path("no/such/folder/x.jpg"), 1);
  ASSERT_EQ(dialogs->Errors.size(), 1);
  EXPECT_TRUE(dialogs->Errors[0].contains(QStringLiteral("x.jpg")));
}

} // namespace
} // namespace calidarix
