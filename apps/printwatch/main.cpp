// Printwatch <serial number> <printer name>
//
// The status window of one KV-71P printer. The serial number is the one of
// the file names (blanks written as "%20"); the printer name is the one the
// print system shows, and the window's title. The window closes itself when
// the print system no longer lists a printer of that name. With
// KV71P_PRINTWATCH_SHOWN_FILE set it writes what it shows into that file
// after every cycle (format in ShownTexts.h).
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

#include "apps/printwatch/AppDelegate.h"
#include "apps/printwatch/FlagFiles.h"
#include "apps/printwatch/QtAppHost.h"
#include "apps/printwatch/TerminationSignals.h"
#include "apps/printwatch/WindowProgram.h"
#include "common/CacheFolder.h"

using namespace kv71p::printwatch;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <serial number> <printer name>\n",
                 argc > 0 ? argv[0] : "Printwatch");
    return 2;
  }
  const std::vector<std::string> arguments(argv, argv + argc);

  // Handlers first: a signal from now on ends the program through the
  // normal termination, which removes the window flag.
  TerminationSignals termination;

  kv71p::CheckAndMake_CacheFolder();
  CreateFlagFile(kv71p::FlagFile::WindowOpen, arguments[1]);

  WindowProgram program(argv[0]);
  QApplication& app = program.app();
  StatusWindow& window = program.window();
  QtAppHost host(arguments, program.resources(), &window);
  AppDelegate delegate(&host, &window);
  host.SetDelegate(&delegate);

  app.setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());
  window.SetUpdateAction([&delegate] { delegate.updateButtonPushed(); });
  QObject::connect(&app, &QCoreApplication::aboutToQuit,
                   [&delegate] { delegate.applicationWillTerminate(); });
  termination.QuitOnSignal(&app);

  delegate.applicationWillFinishLaunching();
  window.show();
  QTimer::singleShot(0, &app, [&delegate, &host] {
    delegate.applicationDidFinishLaunching();
    host.WriteShownTexts();
  });
  return app.exec();
}
