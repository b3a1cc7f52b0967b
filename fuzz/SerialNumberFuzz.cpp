// Fuzz target: the serial number conversion (ConvertSerialNumber,
// IsValidUtf8). A converted serial number names files in the cache folder
// and ends a device URI: it must never be able to leave that folder.
#include <string>

#include "fuzz/FuzzSupport.h"
#include "common/SerialNumber.h"

using namespace kv71p;

using kv71p::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string answer(reinterpret_cast<const char*>(data), size);
  (void)IsValidUtf8(answer);
  std::string converted;
  if (!ConvertSerialNumber(answer, &converted)) return 0;
  Require(converted.size() < kSerialSize, "converted serial number too long");
  Require(IsValidUtf8(answer) && IsValidUtf8(converted), "serial number is not UTF-8");
  Require(converted.find('/') == std::string::npos, "serial number holds a slash");
  Require(converted.find("..") == std::string::npos, "serial number holds ..");
  Require(converted.find(' ') == std::string::npos, "serial number holds a space");
  for (unsigned char c : converted) Require(c >= 0x20 && c != 0x7f, "serial number holds a control byte");
  // Every "%20" of the converted form stands for a space of the answer.
  std::string back;
  for (size_t i = 0; i < converted.size(); ++i) {
    if (converted.compare(i, 3, "%20") == 0) {
      back += ' ';
      i += 2;
    } else {
      back += converted[i];
    }
  }
  if (answer.find("%20") == std::string::npos) Require(back == answer, "conversion lost bytes");
  return 0;
}
