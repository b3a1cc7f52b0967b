// What every program that shows the status window starts with: a Qt
// application that sees only the program's name (so no serial number or
// printer name is ever taken for one of Qt's own options), the resource
// folder, the string table in the user's language, and the window.
#pragma once

#include <QApplication>
#include <QString>

#include "apps/printwatch/StatusWindow.h"
#include "apps/printwatch/Translations.h"

namespace kv71p::printwatch {

class WindowProgram {
 public:
  explicit WindowProgram(char* programName);
  WindowProgram(const WindowProgram&) = delete;
  WindowProgram& operator=(const WindowProgram&) = delete;

  QApplication& app() { return app_; }
  const QString& resources() const { return resources_; }
  StatusWindow& window() { return window_; }

 private:
  int argc_ = 1;  // QApplication keeps a reference to it
  char* argv_[2];
  QApplication app_;
  QString resources_;
  Translations translations_;
  StatusWindow window_;
};

}  // namespace kv71p::printwatch
