#include "PrintRendering.h"

namespace kv71p::emulator {

int RenderPrints(const std::string&, const std::string&, const std::string&,
                 unsigned, std::string* message) {
  *message = "print rendering is not available in this build";
  return -1;
}

}  // namespace kv71p::emulator
