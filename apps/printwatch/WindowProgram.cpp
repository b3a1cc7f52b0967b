#include "apps/printwatch/WindowProgram.h"

#include "apps/printwatch/QtAppHost.h"

namespace kv71p::printwatch {

WindowProgram::WindowProgram(char* programName)
    : argv_{programName, nullptr},
      app_(argc_, argv_),
      resources_(ApplicationResourceFolder()),
      translations_(resources_) {}

}  // namespace kv71p::printwatch
