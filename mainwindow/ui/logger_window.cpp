#include "mainwindow/ui/logger_window.h"

#include "mainwindow/log_text.h"
#include "thermogram/thermogram_globals.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QThread>

namespace calidarix {

Tlogger *logger = nullptr;

Tlogger::Tlogger(QWidget *owner) : QMainWindow(owner, Qt::Window | Qt::WindowStaysOnTopHint) {
  // The thermogram library has no window of its own: its diagnostics go to the log window of the run.
  SetThermogramLogSink([](const QString &text) {
    if (logger)
      logger->AppendLine(text);
  });
  setObjectName("logger");
  setWindowTitle("logger");
  setFont(QFont("DejaVu Sans", 8));
  Memo = new QPlainTextEdit(this);
  Memo->setObjectName("Memo");
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setCentralWidget(Memo);

  Eiit1 = menuBar()->addMenu("File");
  Eiit1->setObjectName("Eiit1");
  AlwaysOnTopItem = Eiit1->addAction("AlwaysOnTop");
  AlwaysOnTopItem->setObjectName("AlwaysOnTopItem");
  AlwaysOnTopItem->setCheckable(true);
  AlwaysOnTopItem->setChecked(true);
  AutoSave1 = Eiit1->addAction("AutoSave");
  AutoSave1->setObjectName("AutoSave1");
  AutoSave1->setCheckable(true);
  SaveLogMenuItem = Eiit1->addAction("Save");
  SaveLogMenuItem->setObjectName("SaveLogMenuItem");
  ExitItem = Eiit1->addAction("Exit");
  ExitItem->setObjectName("ExitItem");
  connect(AlwaysOnTopItem, &QAction::triggered, this, &Tlogger::AlwaysOnTopItemClick);
  connect(SaveLogMenuItem, &QAction::triggered, this, &Tlogger::SaveLogMenuItemClick);
  connect(ExitItem, &QAction::triggered, this, &QWidget::hide);

  setMaximumWidth(800);
  resize(426, 286 + menuBar()->sizeHint().height());
  if (const QScreen *screen = QGuiApplication::primaryScreen())
    move(screen->geometry().topLeft());
  FLogFolder = DefaultLogFolder();
}

Tlogger::~Tlogger() {
  if (logger == this)
    logger = nullptr;
}

void Tlogger::AppendLine(const QString &text) {
  const QString line = LogLineStamp(QTime::currentTime()) + text;
  if (QThread::currentThread() == thread())
    AddLine(line);
  else
    QMetaObject::invokeMethod(
        this, [this, line] { AddLine(line); }, Qt::QueuedConnection);
}

void Tlogger::AddLine(const QString &line) {
  Memo->appendPlainText(line);
}

QStringList Tlogger::Lines() const {
  const QString text = Memo->toPlainText();
  return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

bool Tlogger::SaveLog(QString *error) {
  if (error)
    error->clear();
  if (!FUserLog)
    return false;
  if (FLogFileName.isEmpty())
    FLogFileName = UserLogFileName(QDateTime::currentDateTime());
  const QString reason = WriteLogFile(FLogFolder + QLatin1Char('/') + FLogFileName, Lines());
  if (error)
    *error = reason;
  return reason.isEmpty();
}

void Tlogger::AlwaysOnTopItemClick() {
  const bool shown = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, AlwaysOnTopItem->isChecked());
  if (shown)
    show(); // changing the flags hides the window
}

void Tlogger::SaveLogMenuItemClick() {
  QString error;
  if (!SaveLog(&error) && !error.isEmpty())
    QMessageBox::critical(this, "logger", error);
}

} // namespace calidarix
