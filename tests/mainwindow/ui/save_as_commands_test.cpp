// Save As through the window: frames of a film kept under a new name or over the film itself, the
// frame shown as a single thermogram, and a single thermogram with its voice comment.

#include "tests/mainwindow/ui/file_window_fixture.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>

namespace calidarix {
namespace {

using test::FileWindow;

class SaveAsWindow : public FileWindow {
protected:
  TCalidarix &OpenFilm(int frames) {
    TCalidarix &w = Start();
    CurrentDTV->FFileName = Film("film.dtv", frames, 10.0f);
    w.ChangeDTV(true);
    return w;
  }
  IoResult SaveAs(const QString &name, std::optional<TFramesChoice> frames = std::nullopt) {
    if (!name.isEmpty())
      dialogs->SaveAnswers.push_back({name, 1});
    if (frames)
      dialogs->FramesAnswers.push_back(frames);
    return window->SaveDTVAs();
  }
  // The Offset of every frame: frame k of the fixture film has 10 + k - 1.
  std::vector<float> Offsets(const QString &film) {
    std::vector<float> out;
    TDTV t;
    for (int k = 1; t.LoadDTV(film, k); ++k)
      out.push_back(t.FHeader.Offset);
    return out;
  }
  QStringList Entries() const { return QDir(Path("")).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};

TFramesChoice Option(TFramesOption option, const char *a = "", const char *b = "") {
  TFramesChoice c;
  c.Option = option;
  c.NumbersFrom = c.EveryStep = QString::fromLatin1(a);
  c.NumbersTo = c.EveryFrom = QString::fromLatin1(b);
  return c;
}

TEST_F(SaveAsWindow, FramesTwoToFourUnderANewNameCarryTheCommentShown) {
  OpenFilm(10);
  CurrentDTV->SetCommentText(QStringLiteral("typed in the comment dialog"));
  const IoResult saved = SaveAs(Path("part.dtv"), Option(TFramesOption::Numbers, "2", "4"));
  ASSERT_TRUE(saved) << saved.message.toStdString();
  ASSERT_EQ(dialogs->SaveRequests.size(), 1);
  EXPECT_EQ(dialogs->SaveRequests[0].FileName, QStringLiteral("film.dtv"));
  EXPECT_EQ(dialogs->SaveRequests[0].Filter, QStringLiteral("DTV - files|*.dtv"));
  EXPECT_EQ(Offsets(Path("part.dtv")), (std::vector<float>{11.0f, 12.0f, 13.0f}));
  EXPECT_EQ(Offsets(Path("film.dtv")).size(), 10u);
  // The view shows frame 1 of the new film, with the comment it was saved with.
  EXPECT_EQ(CurrentDTV->FFileName, Path("part.dtv"));
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  EXPECT_EQ(CurrentDTV->CommentText(), QStringLiteral("typed in the comment dialog"));
}

TEST_F(SaveAsWindow, AllFramesOverTheFilmItselfLeaveNoTemporaryFile) {
  OpenFilm(20);
  const QDateTime time = QFileInfo(Path("film.dtv")).lastModified();
  const IoResult saved = SaveAs(Path("film.dtv"), Option(TFramesOption::All));
  ASSERT_TRUE(saved) << saved.message.toStdString();
  EXPECT_EQ(Offsets(Path("film.dtv")).size(), 20u);
  EXPECT_EQ(QFileInfo(Path("film.dtv")).lastModified().toSecsSinceEpoch(), time.toSecsSinceEpoch());
  EXPECT_EQ(Entries(), QStringList{QStringLiteral("film.dtv")});
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
}

TEST_F(SaveAsWindow, TheCurrentFrameBecomesASingleThermogramThatIsShown) {
  TCalidarix &w = OpenFilm(10);
  w.ChangeFrame(7);
  const IoResult saved = SaveAs(Path("seven.dtv"), Option(TFramesOption::Current));
  ASSERT_TRUE(saved) << saved.message.toStdString();
  TDTV t;
  ASSERT_TRUE(t.LoadDTV(Path("seven.dtv"), 1));
  EXPECT_EQ(t.FHeader.FrameCount, 1);
  EXPECT_FLOAT_EQ(t.FHeader.Offset, 16.0f);
  EXPECT_EQ(CurrentDTV->FFileName, Path("seven.dtv"));
  EXPECT_EQ(CurrentDTV->FHeader.FrameCount, 1);
}

TEST_F(SaveAsWindow, CancelsAndBadChoicesWriteNothingAndShowTheFilmAtFrameOne) {
  TCalidarix &w = OpenFilm(5);
  w.ChangeFrame(3);
  EXPECT_FALSE(SaveAs(Path("x.dtv"))); // frames dialog cancelled
  EXPECT_EQ(CurrentDTV->FFrameIndex, 1);
  EXPECT_EQ(CurrentDTV->FFileName, Path("film.dtv"));
  const IoResult bad = SaveAs(Path("x.dtv"), Option(TFramesOption::Every, "0", "1"));
  EXPECT_FALSE(bad);
  EXPECT_TRUE(bad.message.contains(QStringLiteral("at least 1")));
  EXPECT_FALSE(SaveAs(QString())); // save dialog cancelled: the frames are not even asked
  EXPECT_EQ(dialogs->FramesAsked, 2);
  EXPECT_EQ(Entries(), QStringList{QStringLiteral("film.dtv")});
}

TEST_F(SaveAsWindow, ASingleThermogramTakesItsVoiceCommentAndNamesTheNextSaves) {
  TCalidarix &w = Start();
  w.FSaveDirectory = Path("");
  test::WriteText(dir.file("IRSound.wav"), "voice");
  const IoResult saved = SaveAs(Path("img0042.dtv"));
  ASSERT_TRUE(saved) << saved.message.toStdString();
  // The demo image has no name: the next free generated name was proposed.
  EXPECT_EQ(dialogs->SaveRequests[0].FileName, QStringLiteral("kvd00000.dtv"));
  EXPECT_EQ(w.FSaveNameBase, QStringLiteral("img"));
  EXPECT_EQ(CurrentDTV->FFileName, Path("img0042.dtv"));
  EXPECT_EQ(test::ReadText(dir.file("img0042.wav")), "voice");
  EXPECT_FALSE(std::filesystem::exists(dir.file("IRSound.wav")));

  // A recording whose save was cancelled belongs to nothing and goes.
  test::WriteText(dir.file("IRSound.wav"), "voice");
  EXPECT_FALSE(SaveAs(QString()));
  EXPECT_FALSE(std::filesystem::exists(dir.file("IRSound.wav")));
}

} // namespace
} // namespace calidarix
