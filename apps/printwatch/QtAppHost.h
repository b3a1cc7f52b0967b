// The controller's application framework on Qt: arguments, resource folder,
// string table (Qt id-based translations), the repeating timer, the CUPS
// printer list (asked off the window's thread, PrinterListCheck.h),
// quitting and raising the window. It also writes the test
// hook's snapshot of the shown texts after every cycle (ShownTexts.h).
#pragma once

#include <QString>
#include <QTimer>

#include <string>
#include <vector>

#include "apps/printwatch/PrinterListCheck.h"
#include "apps/printwatch/StatusViews.h"

namespace kv71p::printwatch {

class AppDelegate;
class StatusWindow;

class QtAppHost : public AppHost {
 public:
  QtAppHost(std::vector<std::string> arguments, QString resourceFolder, StatusWindow* window);

  // The controller whose runPeriodicCycle() the timer calls.
  void SetDelegate(AppDelegate* delegate) { delegate_ = delegate; }

  std::vector<std::string> Arguments() const override { return arguments_; }
  std::string ResourceFolder() const override { return resourceFolder_.toStdString(); }
  std::string Text(const std::string& key) const override;
  void StartRepeatingTimer(double seconds) override;
  bool PrinterNames(std::vector<std::string>* names) override;
  void Terminate() override;
  void Activate() override;

  // One cycle, as the timer runs it: the controller's cycle, then the
  // snapshot of the shown texts.
  void RunCycle();
  // Writes the snapshot when KV71P_PRINTWATCH_SHOWN_FILE names a file.
  void WriteShownTexts();
  int cycles() const { return cycles_; }

 private:
  std::vector<std::string> arguments_;
  QString resourceFolder_;
  StatusWindow* window_;
  AppDelegate* delegate_ = nullptr;
  QTimer timer_;
  PrinterListCheck printerList_;
  std::string shownFile_;
  int cycles_ = 0;
};

// The resource folder of the running program: "../Resources" next to the
// executable's folder, as in the application folder
// Printwatch.app/Contents/{MacOS,Resources} of both the build tree and an
// installed tree.
QString ApplicationResourceFolder();

}  // namespace kv71p::printwatch
