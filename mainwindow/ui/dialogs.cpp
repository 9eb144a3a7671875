#include "mainwindow/ui/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

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

} // namespace calidarix
