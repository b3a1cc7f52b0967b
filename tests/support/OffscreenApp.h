// The one QApplication of a test program, made on first use and offscreen,
// with a private runtime folder so no display or session is needed.
#pragma once

#include <sys/stat.h>

#include <QApplication>
#include <cstdlib>

#include "tests/support/TestTempDir.h"

inline QApplication* OffscreenApp() {
  static TestTempDir runtimeDir;
  static int argc = 1;
  static char name[] = "kv71p-test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    chmod(runtimeDir.path().c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtimeDir.path().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return app;
}
