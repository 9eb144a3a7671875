#include "mainwindow/ui/dialogs.h"

#include "mainwindow/ui/film_save_form.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>

namespace calidarix {

QString QtNameFilters(const QString &filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString &pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      for (const QString &spelling : {pattern, pattern.toLower(), pattern.toUpper()})
        if (!patterns.contains(spelling))
          patterns << spelling;
    }
    filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

QStringList QtUserDialogs::OpenFiles(QWidget *parent, const OpenDialogRequest &request) {
  QFileDialog dialog(parent, request.Title, request.Folder, QtNameFilters(request.Filter));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.Multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(request.DefaultSuffix);
  if (!request.FileName.isEmpty())
    dialog.selectFile(request.FileName);
  if (dialog.exec() != QDialog::Accepted)
    return {};
  return dialog.selectedFiles();
}

void QtUserDialogs::ShowMessage(QWidget *parent, const QString &text) {
  QMessageBox::information(parent, QStringLiteral("Calidarix"), text);
}

void QtUserDialogs::ShowError(QWidget *parent, const QString &text) {
  QMessageBox::critical(parent, QStringLiteral("Calidarix"), text);
}

namespace {

// "*.jpg" of the filter's n-th pattern (1-based) as a suffix: "jpg".
QString FilterSuffix(const QString &filter, int index) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  const qsizetype at = 2 * (index - 1) + 1;
  if (index < 1 || at >= parts.size())
    return QString();
  QString pattern = parts[at].split(QLatin1Char(';')).value(0);
  return pattern.startsWith(QStringLiteral("*.")) ? pattern.mid(2) : QString();
}

} // namespace

SaveDialogAnswer QtUserDialogs::SaveFile(QWidget *parent, const SaveDialogRequest &request) {
  QFileDialog dialog(parent, request.Title, request.Folder, QtNameFilters(request.Filter));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  const QStringList filters = dialog.nameFilters();
  const int start =
      std::clamp(request.FilterIndex, 1, static_cast<int>(std::max<qsizetype>(filters.size(), 1)));
  if (!filters.isEmpty())
    dialog.selectNameFilter(filters[start - 1]);
  // A name typed without an extension takes the one of the file type chosen.
  const QString firstSuffix = FilterSuffix(request.Filter, start);
  dialog.setDefaultSuffix(firstSuffix.isEmpty() ? request.DefaultSuffix : firstSuffix);
  QObject::connect(
      &dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &request, filters](const QString &f) {
        const QString suffix = FilterSuffix(request.Filter, static_cast<int>(filters.indexOf(f)) + 1);
        if (!suffix.isEmpty())
          dialog.setDefaultSuffix(suffix);
      });
  if (!request.FileName.isEmpty())
    dialog.selectFile(request.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return {};
  return SaveDialogAnswer{dialog.selectedFiles().front(),
                          static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1};
}

std::optional<TFramesChoice> QtUserDialogs::ChooseFilmFrames(QWidget *parent) {
  if (FilmSaveForm)
    return FilmSaveForm->Execute(parent);
  TFilmSaveForm form(parent);
  return form.Execute(parent);
}

bool QtUserDialogs::ConfirmPrint(QWidget *parent, QPrinter &printer) {
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

bool QtUserDialogs::Confirm(QWidget *parent, const QString &text) {
  return QMessageBox::question(parent, QStringLiteral("Confirm"), text, QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

SaveDialogAnswer ScriptedDialogs::SaveFile(QWidget *, const SaveDialogRequest &request) {
  SaveRequests << request;
  if (SaveAnswers.empty())
    return {};
  SaveDialogAnswer answer = SaveAnswers.front();
  SaveAnswers.pop_front();
  return answer;
}

std::optional<TFramesChoice> ScriptedDialogs::ChooseFilmFrames(QWidget *) {
  ++FramesAsked;
  if (FramesAnswers.empty())
    return std::nullopt;
  const bool confirmed = FramesAnswers.front().has_value();
  const TFramesChoice choice = confirmed ? *FramesAnswers.front() : TFramesChoice{};
  FramesAnswers.pop_front();
  if (!confirmed)
    return std::nullopt;
  return choice;
}

bool ScriptedDialogs::ConfirmPrint(QWidget *, QPrinter &printer) {
  ++PrintsAsked;
  if (PrintAnswers.empty())
    return false;
  const PrintAnswer answer = PrintAnswers.front();
  PrintAnswers.pop_front();
  if (answer.PdfFile.isEmpty())
    return false;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(answer.PdfFile);
  printer.setPageOrientation(answer.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  return true;
}

QStringList ScriptedDialogs::OpenFiles(QWidget *, const OpenDialogRequest &request) {
  OpenRequests << request;
  if (OpenAnswers.empty())
    return {};
  QStringList answer = OpenAnswers.front();
  OpenAnswers.pop_front();
  return answer;
}

void ScriptedDialogs::ShowMessage(QWidget *, const QString &text) {
  Messages << text;
}

void ScriptedDialogs::ShowError(QWidget *, const QString &text) {
  Errors << text;
}

bool ScriptedDialogs::Confirm(QWidget *, const QString &text) {
  Questions << text;
  if (ConfirmAnswers.empty())
    return false;
  const bool yes = ConfirmAnswers.front();
  ConfirmAnswers.pop_front();
  return yes;
}

} // namespace calidarix
