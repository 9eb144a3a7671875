#pragma once
// Small helpers the scan and frame-arrival code of the main window share.

#include "mainwindow/ui/logger_window.h"

#include <QColor>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace calidarix {

// The user asked for the log (the log window's switch).
inline bool ScanLogOn() {
  return logger && logger->FUserLog;
}

inline void ScanLog(const QString &text) {
  if (logger)
    logger->AppendLine(text);
}

// Fills a panel with one colour.
inline void FillPanel(QWidget *panel, const QColor &colour) {
  if (!panel)
    return;
  panel->setAutoFillBackground(true);
  QPalette p = panel->palette();
  p.setColor(QPalette::Window, colour);
  panel->setPalette(p);
}

} // namespace calidarix
