// printwatch-screenshot <information file> <printer name> <output.png>
//
// Shows the status window for an information file (a path where no file
// exists gives the offline state), runs one cycle and saves the window as a
// PNG. Touches no flag file and asks no print system. The language follows
// the locale as in Printwatch (LANGUAGE=de for German). Used for the
// screenshots in docs/ (apps/printwatch/screenshots/make-screenshots.sh).
#include <QApplication>

#include <cstdio>

#include "apps/printwatch/AppDelegate.h"
#include "apps/printwatch/QtAppHost.h"
#include "apps/printwatch/WindowProgram.h"

using namespace kv71p::printwatch;

namespace {

// No timer, no print system, no quitting: one cycle on demand.
class ScreenshotHost : public QtAppHost {
 public:
  using QtAppHost::QtAppHost;
  void StartRepeatingTimer(double) override {}
  bool PrinterNames(std::vector<std::string>*) override { return false; }
  void Terminate() override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <information file> <printer name> <output.png>\n", argv[0]);
    return 2;
  }
  WindowProgram program(argv[0]);
  StatusWindow& window = program.window();
  ScreenshotHost host({argv[0], "SCREENSHOT", argv[2]}, program.resources(), &window);
  AppDelegate delegate(&host, &window);
  delegate.applicationWillFinishLaunching();
  delegate.m_logFilePath = argv[1];
  delegate.runPeriodicCycle();

  window.show();
  QApplication::processEvents();
  if (!window.grab().save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[3]);
    return 1;
  }
  return 0;
}
